#!/usr/bin/env bash
# Drives the real zemra under Xvfb against a real zemrad: a new user
# registers through the wizard and reaches the main window; a second user
# registers too, becomes the first one's friend, and shows up online in the
# first one's list after it logs in again through the login dialog; the tray
# icon sits in trayer's tray with the own status. Screenshots go to OUT.
#
# Usage: desktop_test.sh BIN_DIR ZEMRAD ADD_FRIEND OUT
set -uo pipefail

bin_dir=$1
zemrad=$2
add_friend=$3
out=$4
mkdir -p "$out"
work=$(mktemp -d /tmp/zemra-desktop.XXXXXX)
pids=()

cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    sleep 0.5
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [[ -n "${DISPLAY:-}" ]] && import -window root "$out/failure.png" 2>/dev/null
    for f in "$work"/*.log "$work"/*.state; do
        [[ -f $f ]] && { echo "--- $f"; tail -20 "$f"; } >&2
    done
    exit 1
}

# Waits up to $1 tenths of a second for the command in the remaining arguments.
wait_for() {
    local tenths=$1
    shift
    for ((i = 0; i < tenths; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

state_has() {  # state_has FILE LINE
    [[ -f $1 ]] && grep -qx -- "$2" "$1"
}

# A display and an address of our own, so that other tests never collide.
for ((n = 70 + $$ % 200; ; n++)); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] || break
done
export DISPLAY=:$n
address=127.0.$((1 + $$ % 200)).$((2 + $$ % 250))

Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 50 xdpyinfo >/dev/null 2>&1 || wait_for 50 xdotool getmouselocation >/dev/null 2>&1 ||
    fail "Xvfb did not start"
trayer --edge bottom --align right --widthtype pixel --width 140 --height 30 \
    --transparent false --tint 0xe8e8e8 --SetDockType true >"$work/trayer.log" 2>&1 &
pids+=($!)
"$zemrad" --listen "$address" --db "$work/server.db" >"$work/server.log" 2>&1 &
pids+=($!)
wait_for 50 grep -q listening "$work/server.log" || fail "zemrad did not start"
sleep 0.5

mkdir -p "$work/windows" "$work/photo"
printf '[zemra]\nserverip=%s\n' "$address" >"$work/windows/zemra.ini"

start_client() {  # start_client NAME [args...]
    local name=$1
    shift
    ZEMRA_HOME="$work/$name" ZEMRA_WINDIR="$work/windows" ZEMRA_PHOTO_DIR="$work/photo" \
        ZEMRA_TEST_STATE="$work/$name.state" ZEMRA_TEST_CAMERA=1 ZEMRA_AUDIO_IN=tone:440 \
        ZEMRA_AUDIO_OUT=null "$bin_dir/zemra" "$@" >"$work/$name.log" 2>&1 &
    pids+=($!)
    last_pid=$!
}

window_of() {  # window_of PID TITLE: the largest such window (Qt keeps 1x1 helpers too)
    local best="" area=0 w
    for w in $(xdotool search --pid "$1" --name "$2" 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" || continue
        if ((WIDTH * HEIGHT > area)); then
            area=$((WIDTH * HEIGHT))
            best=$w
        fi
    done
    echo "$best"
}

has_window() {  # has_window PID TITLE
    test -n "$(window_of "$1" "$2")"
}

# Screenshot of one window with a margin.
shoot() {  # shoot WINDOW FILE
    local geometry x y w h
    geometry=$(xdotool getwindowgeometry --shell "$1") || return 1
    eval "$geometry"
    x=$((X > 8 ? X - 8 : 0))
    y=$((Y > 8 ? Y - 8 : 0))
    import -window root -crop "$((WIDTH + 16))x$((HEIGHT + 16))+$x+$y" "$2"
}

register() {  # register NAME NICKNAME PASSWORD [SCREENSHOT]
    local name=$1 nick=$2 pw=$3 shot=${4:-}
    start_client "$name"
    local pid=$last_pid wizard=""
    wait_for 100 has_window "$pid" 'ZEMRA注册向导' || fail "$name: no wizard"
    wizard=$(window_of "$pid" 'ZEMRA注册向导')
    sleep 0.5
    xdotool windowfocus --sync "$wizard"
    xdotool key Return  # new account: on to the basic details
    sleep 0.5
    xdotool type --delay 20 "$nick"
    xdotool key Tab
    xdotool type --delay 20 "$pw"
    xdotool key Tab
    xdotool type --delay 20 "$pw"
    sleep 0.3
    [[ -n $shot ]] && shoot "$wizard" "$out/${shot}_basic.png"
    for _ in 1 2 3 4; do  # contact, details, network, submit
        xdotool key Return
        sleep 0.4
    done
    wait_for 100 grep -q "registered" "$work/server.log" || fail "$name: not registered"
    sleep 0.5
    [[ -n $shot ]] && shoot "$wizard" "$out/${shot}_done.png"
    xdotool key Return  # finish
    wait_for 100 grep -q '^title=zemra_' "$work/$name.state" || fail "$name: no main window"
    wait_for 50 state_has "$work/$name.state" "status=0" || fail "$name: not online"
    eval "${name}_pid=$pid"
    eval "${name}_id=$(sed -n 's/^id=//p' "$work/$name.state")"
}

# 1. A new user registers and reaches the main window.
register alice alice pw123 ui_wizard
: "${alice_id:?}"
wait_for 50 state_has "$work/alice.state" "logged_in=1" || fail "alice is not logged in"
main=$(window_of "$alice_pid" "zemra_$alice_id")
[[ -n $main ]] || fail "alice's main window is missing"
sleep 0.5
shoot "$main" "$out/ui_main_new_user.png"

# 2. A second user registers on its own client.
register bob bob pw456
: "${bob_id:?}"
echo "registered alice=$alice_id bob=$bob_id"

# 3. Bob becomes alice's friend while her client is closed.
kill "$alice_pid"
wait_for 100 bash -c "! kill -0 $alice_pid 2>/dev/null" || fail "alice's client did not end"
"$add_friend" "$address" "$alice_id" pw123 "$bob_id" || fail "could not add bob as alice's friend"

# 4. Alice logs in again through the login dialog: bob is there, online.
rm -f "$work/alice.state"
start_client alice
alice_pid=$last_pid
wait_for 100 has_window "$alice_pid" '用户登录' || fail "no login dialog"
login=$(window_of "$alice_pid" '用户登录')
sleep 0.5
shoot "$login" "$out/ui_login.png"
xdotool windowfocus --sync "$login"
xdotool key Return
wait_for 100 state_has "$work/alice.state" "status=0" || fail "alice did not log in again"
wait_for 100 grep -q "^contact=$bob_id group=0 presence=0\$" "$work/alice.state" ||
    fail "bob is not online in alice's list"

# 5. The tray icon is in trayer's tray and shows the own status.
state_has "$work/alice.state" "tray_available=1" || fail "no system tray under trayer"
state_has "$work/alice.state" "tray_visible=1" || fail "tray icon not shown"
state_has "$work/alice.state" "tray_tip=zemra $alice_id" || fail "tray tool tip wrong"
state_has "$work/alice.state" "tray_status=0" || fail "tray icon does not show online"
sleep 1
main=$(window_of "$alice_pid" "zemra_$alice_id")
shoot "$main" "$out/ui_main.png"
import -window root "$out/ui_desktop.png"

# 6. Bob leaves: alice sees him offline.
kill "$bob_pid"
wait_for 100 grep -q "^contact=$bob_id group=0 presence=1\$" "$work/alice.state" ||
    fail "bob did not go offline in alice's list"

echo "desktop test passed"
