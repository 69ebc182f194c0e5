# Shared by the desktop tests: a virtual X display with a tray, a zemrad of
# their own, clients started with their own folders, and ways to find, click
# and photograph their windows. Source it with bin_dir, zemrad and out set.
# shellcheck shell=bash

mkdir -p "$out"
work=$(mktemp -d /tmp/zemra-desktop.XXXXXX)
pids=()

# True when none of our programs runs any more (an ended one that was not
# waited for yet still has its process entry).
all_ended() {
    local pid
    for pid in "${pids[@]}"; do
        [[ -r /proc/$pid/stat && $(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null) != Z ]] && return 1
    done
    return 0
}

cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    # Programs get time to end by themselves: a sanitizer writes its report
    # while one does.
    for ((i = 0; i < 100; i++)); do
        all_ended && break
        sleep 0.1
    done
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [[ -n "${DISPLAY:-}" ]] && import -window root "$out/failure.png" 2>/dev/null
    for f in "$work"/*.log; do
        [[ -f $f ]] && { echo "--- $f"; tail -20 "$f"; } >&2
    done
    for f in "$work"/*.state; do  # the client's own state comes before its windows
        [[ -f $f ]] && { echo "--- $f"; grep -v '^\(widget\|row\|item\|contact\)=' "$f"; } >&2
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

# A client's virtual sound devices: NAME_audio_in (default tone:440) and
# NAME_audio_out (default null) when set.
start_client() {  # start_client NAME [args...]
    local name=$1
    shift
    local in_var="${name}_audio_in" out_var="${name}_audio_out"
    ZEMRA_HOME="$work/$name" ZEMRA_WINDIR="$work/windows" ZEMRA_PHOTO_DIR="$work/photo" \
        ZEMRA_TEST_STATE="$work/$name.state" ZEMRA_TEST_CAMERA=1 \
        ZEMRA_AUDIO_IN="${!in_var:-tone:440}" ZEMRA_AUDIO_OUT="${!out_var:-null}" \
        "$bin_dir/zemra" "$@" >"$work/$name.log" 2>&1 &
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


# Starts a registered user's client again and logs in through the login
# dialog with the saved password.
login_again() {  # login_again NAME
    local name=$1
    rm -f "$work/$name.state"
    start_client "$name"
    local pid=$last_pid
    wait_for 100 has_window "$pid" '用户登录' || fail "$name: no login dialog"
    sleep 0.5
    xdotool windowfocus --sync "$(window_of "$pid" '用户登录')"
    xdotool key Return
    wait_for 100 state_has "$work/$name.state" "logged_in=1" || fail "$name: no login"
    eval "${name}_pid=$pid"
}

# Registers alice (pw123) and bob (pw456), makes them friends of each other
# through $add_friend while they are logged out, and logs both in again.
two_friends() {
    register alice alice pw123
    register bob bob pw456
    : "${alice_id:?}" "${bob_id:?}"
    kill "$alice_pid" "$bob_pid"
    wait_for 100 bash -c "! kill -0 $alice_pid 2>/dev/null && ! kill -0 $bob_pid 2>/dev/null" ||
        fail "clients did not end"
    "$add_friend" "$address" "$alice_id" pw123 "$bob_id" || fail "could not add bob to alice"
    "$add_friend" "$address" "$bob_id" pw456 "$alice_id" || fail "could not add alice to bob"
    login_again alice
    login_again bob
}

# The test state line for a named control: "X Y W H" in screen coordinates.
widget_geometry() {  # widget_geometry STATE WINDOW_TITLE NAME
    sed -n "s/^widget=$2|$3 //p" "$1" | tail -1
}

# Brings a client's windows with this title on top: there is no window
# manager, and the clients' windows overlap.
raise_window() {  # raise_window STATE TITLE
    local w pid
    pid=$(sed -n 's/^pid=//p' "$1")
    for w in $(xdotool search --all --pid "$pid" --name "^$2\$" 2>/dev/null); do
        xdotool windowraise "$w"
    done
    sleep 0.2
}

# Clicks the middle of a named control of a window.
click_widget() {  # click_widget STATE WINDOW_TITLE NAME
    local g x y w h
    g=$(widget_geometry "$@")
    [[ -n $g ]] || return 1
    raise_window "$1" "$2"
    read -r x y w h <<<"$g"
    xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
}

# Double-clicks a contact's face in a client's list.
double_click_contact() {  # double_click_contact STATE ID
    local g x y w h
    g=$(sed -n "s/^item=$2 //p" "$1" | tail -1)
    [[ -n $g ]] || return 1
    raise_window "$1" "$(sed -n 's/^title=//p' "$1")"
    read -r x y w h <<<"$g"
    xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click --repeat 2 --delay 80 1
}

# Clicks the row of a list whose first column reads TEXT.
click_row() {  # click_row STATE WINDOW_TITLE LIST TEXT
    local line x y w h
    line=$(grep "^row=$2|$3 [0-9]* .* $4\$" "$1" | tail -1)
    [[ -n $line ]] || return 1
    read -r _ _ x y w h _ <<<"$line"
    raise_window "$1" "$2"
    xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
}

# Types TEXT into a named edit of a window, replacing what it held.
type_into() {  # type_into STATE WINDOW_TITLE NAME TEXT
    click_widget "$1" "$2" "$3" || return 1
    xdotool key ctrl+a BackSpace
    xdotool type --delay 30 "$4"
}
