#!/usr/bin/env bash
# Two real clients send files through a real zemrad under Xvfb. Alice offers
# bob a 50 MB file from her contact menu and bob accepts it into a folder of
# his choice; while the bytes flow, both progress bars fill further from one
# look to the next (the sender keeps to 8 MB/s through ZEMRA_XFER_RATE, so
# there is time to look); the file arrives with the same SHA-256 and nothing
# else is left in bob's folder. Bob refuses a second offer and alice is told
# in a message box. A third transfer that alice aborts half way leaves no
# file under its name, and no partial file, on bob's side. Screenshots go to
# OUT.
#
# Usage: file_desktop_test.sh BIN_DIR ZEMRAD ADD_FRIEND OUT
set -uo pipefail

bin_dir=$1
zemrad=$2
add_friend=$3
out=$4
export ZEMRA_XFER_RATE=8000000
source "$(dirname "$0")/desktop_lib.sh"

# Received files that are not saved anywhere chosen would go to the
# download folder: keep it in the test's own folder.
export XDG_CONFIG_HOME="$work/xdg"
mkdir -p "$XDG_CONFIG_HOME" "$work/downloads" "$work/bob_in"
echo "XDG_DOWNLOAD_DIR=\"$work/downloads\"" >"$XDG_CONFIG_HOME/user-dirs.dirs"

# Opens a contact's menu in a client's list: one click on the contact.
click_contact() {  # click_contact STATE ID
    local g x y w h
    g=$(sed -n "s/^item=$2 //p" "$1" | tail -1)
    [[ -n $g ]] || return 1
    raise_window "$1" "$(sed -n 's/^title=//p' "$1")"
    read -r x y w h <<<"$g"
    xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
}

# A named control of a window: "X Y W H". The sender's window title holds a
# path, so the title is matched as plain text.
control_of() {  # control_of STATE TITLE NAME
    grep -F "widget=$2|$3 " "$1" | tail -1 | awk '{ print $(NF - 3), $(NF - 2), $(NF - 1), $NF }'
}

# Clicks the middle of a named control of a window.
click_control() {  # click_control STATE TITLE NAME
    local g x y w h
    g=$(control_of "$@")
    [[ -n $g ]] || return 1
    raise_window "$1" "$2"
    read -r x y w h <<<"$g"
    xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
}

# Types a full path into the file dialog TITLE of a client and confirms it.
answer_file_dialog() {  # answer_file_dialog NAME TITLE PATH
    local pid w
    pid=$(sed -n 's/^pid=//p' "$work/$1.state")
    # The dialog is shown once the client lists it; its window is looked up
    # on every attempt, as a slow client may map it after a small helper
    # window of the same name.
    wait_for 50 grep -qxF "window=$2" "$work/$1.state" || return 1
    # Keys typed while the client still builds the dialog, or has its main
    # window over it, go elsewhere: the dialog is then still there and the
    # path is typed again.
    for _ in 1 2 3; do
        sleep 0.5
        raise_window "$work/$1.state" "$2"
        w=$(window_of "$pid" "^$2\$")
        xdotool windowfocus --sync "$w"
        xdotool key ctrl+a BackSpace
        xdotool type --delay 20 "$3"
        sleep 0.3
        xdotool key Return
        wait_for 20 bash -c "! grep -qxF 'window=$2' '$work/$1.state'" && return 0
    done
    return 1
}

# Alice offers FILE to bob: contact menu, "发送文件", the open dialog, "发送".
alice_offers() {  # alice_offers FILE
    click_contact "$work/alice.state" "$bob_id" || fail "cannot open bob's menu"
    sleep 0.8
    xdotool key Down Down Down Return  # 收发讯息, 可视电话, 发送文件
    answer_file_dialog alice '打开' "$1" || fail "alice gets no open dialog"
    send_title="发送文件---$1"
    wait_for 100 grep -qxF "window=$send_title" "$work/alice.state" || fail "no send window for $1"
    sleep 0.3
    click_control "$work/alice.state" "$send_title" send || fail "no send button"
}

# The message box CAPTION of a client, once it is up. A search by name also
# finds the windows of the program's class "zemra", the tray icon among
# them: only a window called exactly CAPTION, and bigger than an icon, counts.
box_of() {  # box_of NAME CAPTION
    local pid w
    pid=$(sed -n 's/^pid=//p' "$work/$1.state")
    for w in $(xdotool search --pid "$pid" --name "^$2\$" 2>/dev/null); do
        [[ $(xdotool getwindowname "$w") == "$2" ]] || continue
        eval "$(xdotool getwindowgeometry --shell "$w")"
        ((WIDTH > 100)) && echo "$w" && return 0
    done
    return 1
}

# The message box CAPTION of a client: shot, then closed.
dismiss_box() {  # dismiss_box NAME CAPTION SHOT
    local w
    wait_for 150 box_of "$1" "$2" >/dev/null || return 1
    sleep 0.3
    w=$(box_of "$1" "$2")
    xdotool windowraise "$w"
    [[ -n $3 ]] && shoot "$w" "$out/$3"
    xdotool windowfocus --sync "$w" key Return
}

# How much of a window's progress bar is filled, 0 to 1, read off the
# screen: the share of not-white pixels in a row above the percentage text.
fill_of() {  # fill_of STATE TITLE
    local g x y w h
    g=$(control_of "$1" "$2" progress)
    [[ -n $g ]] || return 1
    raise_window "$1" "$2"
    read -r x y w h <<<"$g"
    import -window root -crop "${w}x1+${x}+$((y + 2))" +repage png:- |
        convert - -colorspace gray -threshold 90% -format '%[fx:1-mean]' info:
}

less_than() {  # less_than A B
    awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'
}

# The partial file a receiving client keeps in FOLDER, and its size.
partial_size() {  # partial_size FOLDER
    local f
    f=$(find "$1" -maxdepth 1 -name '.*.part' | head -1)
    [[ -n $f ]] && stat -c %s "$f"
}

two_friends  # alice (pw123) and bob (pw456), friends of each other, logged in
wait_for 100 grep -q "^contact=$bob_id group=0 presence=0\$" "$work/alice.state" ||
    fail "bob is not online in alice's list"
wait_for 100 grep -q "^item=$bob_id " "$work/alice.state" || fail "bob not shown in alice's list"

head -c 50M /dev/urandom >"$work/big.bin"
receive_title="接收文件---big.bin"

# 1. Alice offers the 50 MB file; bob accepts it into his folder.
alice_offers "$work/big.bin"
wait_for 100 grep -qxF "window=$receive_title" "$work/bob.state" || fail "bob gets no offer"
sleep 0.5
raise_window "$work/bob.state" "$receive_title"
shoot "$(window_of "$bob_pid" "$receive_title")" "$out/file_offer.png"
click_control "$work/bob.state" "$receive_title" accept || fail "no accept button"
answer_file_dialog bob '另存为' "$work/bob_in/big.bin" || fail "bob gets no save dialog"

# Both bars move while the file is on its way.
wait_for 100 bash -c "(( \$(find '$work/bob_in' -name '.*.part' -size +4M | wc -l) > 0 ))" ||
    fail "no bytes reach bob"
alice_fill=$(fill_of "$work/alice.state" "$send_title") || fail "no progress bar for alice"
shoot "$(window_of "$alice_pid" "$send_title")" "$out/file_sending.png"
bob_fill=$(fill_of "$work/bob.state" "$receive_title") || fail "no progress bar for bob"
shoot "$(window_of "$bob_pid" "$receive_title")" "$out/file_receiving.png"
sleep 1.5
alice_later=$(fill_of "$work/alice.state" "$send_title") || fail "alice's bar went early"
bob_later=$(fill_of "$work/bob.state" "$receive_title") || fail "bob's bar went early"
echo "progress: alice $alice_fill -> $alice_later, bob $bob_fill -> $bob_later"
less_than 0 "$alice_fill" && less_than "$alice_fill" "$alice_later" && less_than "$alice_later" 1 ||
    fail "alice's bar does not move: $alice_fill -> $alice_later"
less_than 0 "$bob_fill" && less_than "$bob_fill" "$bob_later" && less_than "$bob_later" 1 ||
    fail "bob's bar does not move: $bob_fill -> $bob_later"
[[ ! -e $work/bob_in/big.bin ]] || fail "the file has its name before it is whole"

dismiss_box bob zemra file_received.png || fail "bob is not told the file is complete"
dismiss_box alice zemra "" || fail "alice is not told the file is sent"
[[ $(sha256sum <"$work/bob_in/big.bin") == "$(sha256sum <"$work/big.bin")" ]] ||
    fail "the received file differs: $(ls -la "$work/bob_in" "$work/big.bin")"
[[ $(ls -A "$work/bob_in") == big.bin ]] || fail "bob's folder holds more: $(ls -A "$work/bob_in")"
wait_for 50 bash -c "! grep -q '^window=发送文件---' '$work/alice.state'" ||
    fail "alice's window stayed"

# 2. Bob refuses the next offer; alice is told.
head -c 1M /dev/urandom >"$work/small.bin"
alice_offers "$work/small.bin"
wait_for 100 grep -qxF "window=接收文件---small.bin" "$work/bob.state" || fail "no second offer"
click_control "$work/bob.state" "接收文件---small.bin" refuse || fail "no refuse button"
dismiss_box alice '错误' file_refused.png || fail "alice is not told of the refusal"
wait_for 50 bash -c "! grep -q '^window=发送文件---' '$work/alice.state'" ||
    fail "alice's window stayed after the refusal"

# 3. Alice aborts a transfer half way: bob keeps nothing of it.
alice_offers "$work/big.bin"
wait_for 100 grep -qxF "window=$receive_title" "$work/bob.state" || fail "no third offer"
click_control "$work/bob.state" "$receive_title" accept || fail "no accept button the third time"
answer_file_dialog bob '另存为' "$work/bob_in/third.bin" || fail "no save dialog the third time"
wait_for 100 bash -c "(( \$(find '$work/bob_in' -name '.third.bin.*.part' -size +8M | wc -l) > 0 ))" ||
    fail "the third transfer does not run"
click_control "$work/alice.state" "$send_title" abort || fail "no abort button"
dismiss_box alice '终止文件传输' file_abort_question.png || fail "alice is not asked"
dismiss_box bob '错误' file_aborted.png || fail "bob is not told of the abort"
wait_for 50 bash -c "! grep -q '^window=接收文件---' '$work/bob.state'" ||
    fail "bob's window stayed after the abort"
[[ ! -e $work/bob_in/third.bin ]] || fail "the aborted file exists under its name"
[[ $(ls -A "$work/bob_in") == big.bin ]] || fail "the abort left: $(ls -A "$work/bob_in")"

echo "file desktop test passed"
