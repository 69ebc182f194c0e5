#!/usr/bin/env bash
# Two real clients chat through a real zemrad under Xvfb: alice opens a chat
# window for bob from her list, writes a bold red text with two emoticons and
# sends it; bob opens it from his list in the message view window; both
# msg.db files hold it (read with db5.3_dump); bob replies in dialogue mode
# and alice reads the reply; a message sent while bob is offline reaches him
# at his next login. Screenshots go to OUT.
#
# Usage: chat_desktop_test.sh BIN_DIR ZEMRAD ADD_FRIEND OUT
set -uo pipefail

bin_dir=$1
zemrad=$2
add_friend=$3
out=$4
source "$(dirname "$0")/desktop_lib.sh"

# The dumped records of a user's msg.db.
dump_messages() {  # dump_messages NAME ID
    db5.3_dump -p "$work/$1/$2/msg.db" 2>/dev/null
}

# Alice opens a chat window for bob from her list, writes TEXT and sends it.
alice_writes() {  # alice_writes TEXT
    double_click_contact "$work/alice.state" "$bob_id" || fail "cannot click bob"
    wait_for 100 grep -q "^window=$chat_title\$" "$work/alice.state" || fail "no chat window: $1"
    sleep 0.4
    click_widget "$work/alice.state" "$chat_title" input || fail "no input box: $1"
    xdotool type --delay 30 "$1"
    xdotool key ctrl+Return
    sleep 0.5
}

chat_title="发送讯息 - bob"
two_friends  # alice (pw123) and bob (pw456), friends of each other, logged in
wait_for 100 grep -q "^item=$bob_id " "$work/alice.state" || fail "bob not in alice's list"
wait_for 100 grep -q "^item=$alice_id " "$work/bob.state" || fail "alice not in bob's list"

# 1. Bob's "added you" notice waits for alice: a double click on bob shows it
# first; the next double click opens the chat window.
wait_for 100 state_has "$work/alice.state" "queue=1" || fail "alice has no notice from bob"
double_click_contact "$work/alice.state" "$bob_id" || fail "cannot click bob"
wait_for 100 grep -q "^window=查看消息\$" "$work/alice.state" || fail "alice sees no notice"
sleep 0.5
shoot "$(window_of "$alice_pid" '查看消息')" "$out/ui_view_notice.png"
click_widget "$work/alice.state" '查看消息' close || fail "no close button"
wait_for 50 state_has "$work/alice.state" "queue=0" || fail "the notice stayed queued"

# Alice writes to bob: bold, red, two emoticons.
double_click_contact "$work/alice.state" "$bob_id" || fail "cannot click bob"
wait_for 100 grep -q "^window=$chat_title\$" "$work/alice.state" || fail "no chat window for alice (step 1)"
sleep 0.5
click_widget "$work/alice.state" "$chat_title" bold || fail "no bold button"
click_widget "$work/alice.state" "$chat_title" colour || fail "no colour button"
sleep 0.4
for _ in $(seq 10); do xdotool key Down; done  # the tenth colour: red
xdotool key Return
sleep 0.3
click_widget "$work/alice.state" "$chat_title" input || fail "no input box"
xdotool type --delay 30 'hello /:) bob /<OK> bye'
sleep 0.5
shoot "$(window_of "$alice_pid" "$chat_title")" "$out/ui_chat.png"
xdotool key ctrl+Return
wait_for 50 bash -c "! grep -q '^window=$chat_title\$' '$work/alice.state'" ||
    fail "the chat window did not close after sending"

# 2. Bob's tray blinks; a double click on alice shows her message.
wait_for 100 state_has "$work/bob.state" "queue=1" || fail "bob got no message"
state_has "$work/bob.state" "blinking=1" || fail "bob's tray does not blink"
double_click_contact "$work/bob.state" "$alice_id" || fail "cannot click alice"
wait_for 100 grep -q "^window=查看消息\$" "$work/bob.state" || fail "no view window"
wait_for 50 state_has "$work/bob.state" "queue=0" || fail "the message stayed queued"
wait_for 10 state_has "$work/bob.state" "blinking=0" || fail "bob's tray still blinks"
sleep 0.5
shoot "$(window_of "$bob_pid" '查看消息')" "$out/ui_view_message.png"

# Both stores hold the text with its codes, read by Berkeley DB's own tool.
dump_messages alice "$alice_id" | grep -q 'hello /:) bob /<OK> bye' ||
    fail "alice's msg.db does not hold the sent message"
dump_messages bob "$bob_id" | grep -q 'hello /:) bob /<OK> bye' ||
    fail "bob's msg.db does not hold the received message"

# 3. Bob replies in dialogue mode: the window stays and shows both sides.
click_widget "$work/bob.state" '查看消息' reply || fail "no reply button"
wait_for 100 grep -q "^window=发送讯息 - alice\$" "$work/bob.state" || fail "no reply window"
sleep 0.4
click_widget "$work/bob.state" '发送讯息 - alice' dialogue || fail "no dialogue button"
sleep 0.4
click_widget "$work/bob.state" '发送讯息 - alice' input || fail "no reply input"
xdotool type --delay 30 'thanks alice /:D'
xdotool key ctrl+Return
sleep 0.6
grep -q "^window=发送讯息 - alice\$" "$work/bob.state" || fail "dialogue mode closed the window"
shoot "$(window_of "$bob_pid" '发送讯息 - alice')" "$out/ui_chat_dialogue.png"
# Back to normal mode, so that what comes next waits in the queue.
click_widget "$work/bob.state" '发送讯息 - alice' dialogue || fail "no dialogue button"
click_widget "$work/bob.state" '发送讯息 - alice' cancel || fail "no cancel button"
wait_for 100 state_has "$work/alice.state" "queue=1" || fail "alice got no reply"
double_click_contact "$work/alice.state" "$bob_id" || fail "cannot click bob again"
wait_for 100 grep -q "^window=查看消息\$" "$work/alice.state" || fail "alice sees no reply"
dump_messages alice "$alice_id" | grep -q 'thanks alice /:D' || fail "reply not stored"

# 4. Two messages while bob is offline reach him at his next login; the
# view window shows one, and "下一条>>" the other.
kill "$bob_pid"
wait_for 100 grep -q "^contact=$bob_id group=0 presence=1\$" "$work/alice.state" ||
    fail "bob did not go offline"
click_widget "$work/alice.state" '查看消息' close || fail "alice cannot close the reply"
alice_writes 'see this later'
alice_writes 'and this too'
login_again bob
wait_for 100 state_has "$work/bob.state" "queue=2" || fail "the offline messages did not arrive"
dump_messages bob "$bob_id" | grep -q 'see this later' || fail "offline message not stored"
double_click_contact "$work/bob.state" "$alice_id" || fail "cannot click alice at login"
wait_for 100 grep -q "^window=查看消息\$" "$work/bob.state" || fail "no view window at login"
wait_for 50 state_has "$work/bob.state" "queue=1" || fail "the first stayed queued"
click_widget "$work/bob.state" '查看消息' next || fail "no next button"
wait_for 50 state_has "$work/bob.state" "queue=0" || fail "the second stayed queued"
sleep 0.4
shoot "$(window_of "$bob_pid" '查看消息')" "$out/ui_view_relayed.png"

echo "chat desktop test passed"
