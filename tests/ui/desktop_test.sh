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
source "$(dirname "$0")/desktop_lib.sh"

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
