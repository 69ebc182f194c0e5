#!/usr/bin/env bash
# The message manager and the options sheet driven on the real program
# against a real zemrad under Xvfb: alice and bob exchange a message, alice
# opens the manager from its toolbar button and finds bob's message under
# him; she opens "系统参数", puts the window on top and chooses to refuse
# calls; on OK her zemra.ini holds both at once (no exit needed) and the
# main window stays on top. Screenshots go to OUT.
#
# Usage: manager_desktop_test.sh BIN_DIR ZEMRAD ADD_FRIEND OUT
set -uo pipefail

bin_dir=$1
zemrad=$2
add_friend=$3
out=$4
source "$(dirname "$0")/desktop_lib.sh"

two_friends  # alice (pw123) and bob (pw456), friends of each other, logged in
alice_main="zemra_$alice_id"
wait_for 100 grep -q "^item=$alice_id " "$work/bob.state" || fail "alice not in bob's list"

# Bob writes to alice; she reads it, so it is in her msg.db.
double_click_contact "$work/bob.state" "$alice_id" || fail "cannot click alice"
chat_title="发送讯息 - alice"
wait_for 100 grep -q "^window=$chat_title\$" "$work/bob.state" || fail "no chat window for bob"
sleep 0.4
click_widget "$work/bob.state" "$chat_title" input || fail "no input box"
xdotool type --delay 30 "manager test"
xdotool key ctrl+Return
wait_for 100 grep -q "^queue=[1-9]" "$work/alice.state" || fail "alice got nothing"

# The message manager from the toolbar, then from bob's contact menu
# ("聊天记录", the fifth entry), which brings the open manager to him: his
# message is listed under him.
click_widget "$work/alice.state" "$alice_main" cmd1114 || fail "no message manager button"
wait_for 50 grep -q '^window=消息管理器$' "$work/alice.state" || fail "no message manager"
grep -q "^widget=消息管理器|partners " "$work/alice.state" || fail "no partner tree"
g=$(sed -n "s/^item=$bob_id //p" "$work/alice.state" | tail -1)
read -r x y w h <<<"$g"
raise_window "$work/alice.state" "$alice_main"
xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
sleep 0.8  # the single click waits for a second one, then shows the menu
xdotool key Down Down Down Down Down Return
wait_for 50 grep -q '^window=消息管理器$' "$work/alice.state" || fail "no manager from the menu"
wait_for 50 grep -q "^row=消息管理器|messages 0 .* bob\$" "$work/alice.state" ||
    fail "bob's message is not listed under him"
sleep 0.5
shoot "$(window_of "$alice_pid" 消息管理器)" "$out/manager_desktop.png"

# The options sheet: on top, refuse calls; saved at once.
click_widget "$work/alice.state" "$alice_main" cmd1079 || fail "no options button"
wait_for 50 grep -q '^window=参数设置$' "$work/alice.state" || fail "no options sheet"
sleep 0.5
click_widget "$work/alice.state" 参数设置 onTop || fail "no on-top box"
click_widget "$work/alice.state" 参数设置 callMode1 || fail "no refuse-calls button"
shoot "$(window_of "$alice_pid" 参数设置)" "$out/options_desktop.png"
click_widget "$work/alice.state" 参数设置 ok || fail "no OK button"
ini="$work/alice/$alice_id/zemra.ini"
wait_for 30 grep -qi '^istop=1' "$ini" || fail "istop not saved: $(cat "$ini")"
grep -qi '^callmodel=1' "$ini" || fail "callmodel not saved"
wait_for 30 state_has "$work/alice.state" "on_top=1" || fail "the main window is not on top"
echo "manager desktop test passed"
