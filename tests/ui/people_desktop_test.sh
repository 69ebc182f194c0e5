#!/usr/bin/env bash
# Finding people with two and more real clients through a real zemrad under
# Xvfb: alice finds users by ID, by nickname and in the online list and adds
# them under each add policy: bob (anyone) at once; carol (authentication)
# asks, accepts, and shows up online in alice's friends; dave
# (authentication) refuses and alice gets the refusal; erin (nobody) refuses
# at once. Carol's history lists her notice; bob blacklists alice and
# vanishes from her list. Screenshots go to OUT.
#
# Usage: people_desktop_test.sh BIN_DIR ZEMRAD SET_POLICY OUT
set -uo pipefail

bin_dir=$1
zemrad=$2
set_policy=$3
out=$4
source "$(dirname "$0")/desktop_lib.sh"

search_title='我要查询'
request_title='系统消息'
state=$work/alice.state

# Alice searches in MODE ("modeId", "modeNick" or "modeOnline") for WHAT and
# asks to add the row reading ID.
alice_adds() {  # alice_adds MODE WHAT ID
    click_widget "$state" "zemra_$alice_id" cmd1034 || fail "no search button"
    wait_for 50 grep -q "^window=$search_title\$" "$state" || fail "no search window"
    sleep 0.3
    click_widget "$state" "$search_title" "$1" || fail "no $1"
    case $1 in
        modeId) type_into "$state" "$search_title" idEdit "$2" ;;
        modeNick) type_into "$state" "$search_title" nickEdit "$2" ;;
    esac
    click_widget "$state" "$search_title" search || fail "no search button in the window"
    wait_for 50 grep -q "^row=$search_title|results [0-9]* .* $3\$" "$state" ||
        fail "$3 not found by $1"
    click_row "$state" "$search_title" results "$3" || fail "cannot select $3"
    sleep 0.3
    click_widget "$state" "$search_title" addFriend || fail "no add button"
    wait_for 50 grep -q "^window=$request_title\$" "$state" || fail "no request window for $3"
}

close_request() {
    click_widget "$state" "$request_title" back || fail "cannot close the request window"
    wait_for 50 bash -c "! grep -q '^window=$request_title\$' '$state'" || fail "request stayed"
}

register alice alice pw1
register bob bob pw2
register carol carol pw3
register dave dave pw4
register erin erin pw5
: "${alice_id:?}" "${bob_id:?}" "${carol_id:?}" "${dave_id:?}" "${erin_id:?}"
kill "$carol_pid" "$dave_pid" "$erin_pid"
sleep 1
"$set_policy" "$address" "$carol_id" pw3 1 || fail "carol's policy"
"$set_policy" "$address" "$dave_id" pw4 1 || fail "dave's policy"
"$set_policy" "$address" "$erin_id" pw5 2 || fail "erin's policy"
login_again carol
login_again dave

# 1. Bob (anyone) by ID: added at once.
alice_adds modeId "$bob_id" "$bob_id"
wait_for 100 grep -q "^contact=$bob_id group=0 presence=0\$" "$state" || fail "bob not added"
sleep 0.3
shoot "$(window_of "$alice_pid" "$request_title")" "$out/ui_auth_added.png"
close_request

# 2. Carol (authentication) by nickname: alice sends the request, carol accepts.
alice_adds modeNick carol "$carol_id"
wait_for 100 grep -q "^widget=$request_title|sendRequest " "$state" || fail "no request form"
sleep 0.3
shoot "$(window_of "$alice_pid" "$request_title")" "$out/ui_auth_outgoing.png"
click_widget "$state" "$request_title" sendRequest || fail "cannot send the request"
wait_for 100 state_has "$work/carol.state" "queue=1" || fail "carol got no request"
click_widget "$work/carol.state" "zemra_$carol_id" cmd1002 || fail "no system message button"
wait_for 50 grep -q "^window=$request_title\$" "$work/carol.state" || fail "carol sees no request"
sleep 0.3
shoot "$(window_of "$carol_pid" "$request_title")" "$out/ui_auth_incoming.png"
click_widget "$work/carol.state" "$request_title" accept || fail "no accept button"
sleep 0.3
click_widget "$work/carol.state" "$request_title" back || fail "carol cannot close the request"
wait_for 100 grep -q "^contact=$carol_id group=0 presence=0\$" "$state" ||
    fail "carol is not online in alice's friends"
close_request

# 3. Dave (authentication) from the online list: he refuses.
alice_adds modeOnline "" "$dave_id"
click_widget "$state" "$request_title" sendRequest || fail "cannot send the request to dave"
wait_for 100 state_has "$work/dave.state" "queue=1" || fail "dave got no request"
click_widget "$work/dave.state" "zemra_$dave_id" cmd1002 || fail "dave: no system button"
wait_for 50 grep -q "^window=$request_title\$" "$work/dave.state" || fail "dave sees no request"
click_widget "$work/dave.state" "$request_title" refuse || fail "no refuse button"
sleep 0.3
click_widget "$work/dave.state" "$request_title" back || fail "dave cannot close the request"
close_request
# Carol's acceptance is still waiting to be read; the refusal joins it.
wait_for 100 state_has "$state" "queue=2" || fail "alice got no refusal notice"
grep -q "^contact=$dave_id group=0" "$state" && fail "dave was added although he refused"

# 4. Erin (nobody) by ID: refused at once.
alice_adds modeId "$erin_id" "$erin_id"
sleep 1
grep -q "^contact=$erin_id " "$state" && fail "erin was added although nobody may"
close_request

# 5. Carol's history of notices lists the request she answered.
click_widget "$work/carol.state" "zemra_$carol_id" cmd1002 || fail "carol: no system button"
wait_for 50 grep -q "^window=历史事件: ZEMRA服务器消息\$" "$work/carol.state" ||
    fail "no history window"
wait_for 50 grep -q "^row=历史事件: ZEMRA服务器消息|list 0 .* $alice_id\$" "$work/carol.state" ||
    fail "the history does not list alice's request"
sleep 0.3
shoot "$(window_of "$carol_pid" '历史事件: ZEMRA服务器消息')" "$out/ui_sysmsg_history.png"

# 6. Bob blacklists alice: she no longer sees him online.
bstate=$work/bob.state
click_widget "$bstate" "zemra_$bob_id" cmd1034 || fail "bob: no search button"
wait_for 50 grep -q "^window=$search_title\$" "$bstate" || fail "bob: no search window"
sleep 0.3
click_widget "$bstate" "$search_title" modeId || fail "bob: no ID mode"
type_into "$bstate" "$search_title" idEdit "$alice_id"
click_widget "$bstate" "$search_title" search || fail "bob: cannot search"
wait_for 50 grep -q "^row=$search_title|results [0-9]* .* $alice_id\$" "$bstate" ||
    fail "bob does not find alice"
click_row "$bstate" "$search_title" results "$alice_id" || fail "bob cannot select alice"
click_widget "$bstate" "$search_title" blacklist || fail "no blacklist button"
wait_for 100 grep -q "^contact=$bob_id group=0 presence=1\$" "$state" ||
    fail "bob still shows online to alice"
wait_for 50 grep -q "^contact=$alice_id group=2 " "$bstate" || fail "alice not in bob's black list"

echo "people desktop test passed"
