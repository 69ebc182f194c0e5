#!/usr/bin/env bash
# zemrad's command line as a packager and systemd see it: --version and
# --help answer on stdout with 0, a wrong option answers on stderr with 2 and
# starts nothing, and SIGTERM ends a running server with 0. Its log reaches a
# pipe line by line while it runs (the journal reads it that way).
#
# Usage: zemrad_cli_test.sh ZEMRAD
set -uo pipefail

zemrad=$(realpath "$1")
work=$(mktemp -d)
server_pid=
cleanup() {
    [[ -n $server_pid ]] && kill -KILL "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

out=$("$zemrad" --version 2>"$work/err")
rc=$?
[[ $rc -eq 0 ]] || fail "--version exits $rc"
[[ $out =~ ^zemrad\ [0-9]+(\.[0-9]+)+$ ]] || fail "--version prints '$out'"
[[ ! -s $work/err ]] || fail "--version writes to stderr"

out=$("$zemrad" --help 2>"$work/err")
rc=$?
[[ $rc -eq 0 ]] || fail "--help exits $rc"
for option in "--listen ADDRESS" "--db FILE" "--max-connections N" \
    "--max-connections-per-address N" "--registrations-per-hour N" "--help" "--version"; do
    grep -qF -- "$option" <<<"$out" || fail "--help does not mention $option"
done
[[ ! -s $work/err ]] || fail "--help writes to stderr"

# Run inside the scratch folder: a server started by mistake would leave
# zemrad.db there rather than in the build tree.
cd "$work" || fail "no scratch folder"
for args in "--bogus" "--listen" "--db" "extra" "--max-connections 0" \
    "--max-connections-per-address" "--registrations-per-hour x"; do
    # shellcheck disable=SC2086  # split on purpose: each case is one word
    out=$("$zemrad" $args 2>"$work/err")
    rc=$?
    [[ $rc -eq 2 ]] || fail "'$args' exits $rc"
    [[ -z $out ]] || fail "'$args' writes to stdout"
    grep -q '^usage: zemrad' "$work/err" || fail "'$args' does not print the usage to stderr"
done
[[ ! -e $work/zemrad.db ]] || fail "a wrong option created a store"

# A FIFO shows whether each log line is written at once, not at exit.
address=127.0.7.$((2 + $$ % 250))
mkfifo "$work/log"
"$zemrad" --listen "$address" --db "$work/server.db" >"$work/log" 2>"$work/err" &
server_pid=$!
exec 3<"$work/log"
IFS= read -r -t 10 line <&3 || fail "no log line while running: $(cat "$work/err")"
[[ $line == *"listening on $address"* ]] || fail "first log line is '$line'"
kill -TERM "$server_pid"
wait "$server_pid"
rc=$?
server_pid=
[[ $rc -eq 0 ]] || fail "SIGTERM ends zemrad with $rc"
rest=$(cat <&3)
exec 3<&-
grep -q "zemrad stopped" <<<"$rest" || fail "no 'zemrad stopped' after SIGTERM"
[[ -s $work/server.db ]] || fail "the store was not created"

echo "zemrad command line: ok"
