#!/usr/bin/env bash
# Installs the tree into a temporary prefix and checks what a user gets: the
# layout, libraries found through RUNPATH alone, a valid desktop entry and
# metainfo, the installed zemrad serving on a loopback address, and the
# installed client reaching the registration wizard with no ZEMRA_* variable
# set but ZEMRA_HOME.
#
# Usage: install_test.sh BUILD_DIR
set -uo pipefail

build=$1
work=$(mktemp -d /tmp/zemra-install.XXXXXX)
prefix=$work/prefix
pids=()

cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    sleep 0.3
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    for f in "$work"/*.log; do [[ -f $f ]] && { echo "--- $f"; tail -20 "$f"; } >&2; done
    exit 1
}

wait_for() {  # wait_for TENTHS COMMAND...
    local tenths=$1
    shift
    for ((i = 0; i < tenths; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || fail "install failed"

# 1. The layout.
expect=(bin/zemra bin/zemrad
    lib/zemra/libzemra_platform.so lib/zemra/libxferlink.so lib/zemra/libvidcore.so
    lib/zemra/libsndcore.so lib/zemra/picodec.so lib/zemrad/libzemra_platform.so
    share/zemra/art/zemra.png share/applications/zemra.desktop
    share/icons/hicolor/48x48/apps/zemra.png share/icons/hicolor/128x128/apps/zemra.png
    share/icons/hicolor/256x256/apps/zemra.png share/man/man1/zemra.1.gz share/man/man8/zemrad.8.gz
    lib/systemd/system/zemrad.service share/doc/zemra/copyright share/doc/zemrad/copyright)
for codec in xms ult SKYT RAW PSID PIG OKT MTM gsm g729 g711 g723 celp h263 h264 h265; do
    expect+=("lib/zemra/$codec.so")
done
for f in "${expect[@]}"; do [[ -e $prefix/$f ]] || fail "missing $f"; done
ls "$prefix"/share/metainfo/*.xml >/dev/null 2>&1 || fail "no metainfo"

# 2. Libraries come from the prefix through RUNPATH, never from the build tree.
for binary in bin/zemra bin/zemrad lib/zemra/libvidcore.so lib/zemra/libsndcore.so; do
    deps=$(env -u LD_LIBRARY_PATH ldd "$prefix/$binary") || fail "ldd $binary"
    grep -q "not found" <<<"$deps" && fail "$binary: a library is not found"
    grep -q "$build" <<<"$deps" && fail "$binary: loads from the build tree"
done
readelf -d "$prefix/bin/zemra" | grep -q 'RUNPATH.*\$ORIGIN/../lib/zemra' || fail "zemra RUNPATH"

# 3. The desktop entry and the metainfo validate.
desktop-file-validate "$prefix/share/applications/zemra.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix"/share/metainfo/*.xml >"$work/appstream.log" 2>&1 ||
    fail "metainfo does not validate"

# 4. The installed server serves.
address=127.0.6.$((2 + $$ % 250))
"$prefix/bin/zemrad" --version | grep -q '^zemrad ' || fail "zemrad --version"
"$prefix/bin/zemrad" --listen "$address" --db "$work/server.db" >"$work/zemrad.log" 2>&1 &
pids+=($!)
wait_for 50 grep -q listening "$work/zemrad.log" || fail "the installed zemrad does not listen"

# 5. The installed client, with only ZEMRA_HOME, reaches the wizard.
for ((n = 80 + $$ % 150; ; n++)); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] || break
done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
mkdir -p "$work/config/zemra" "$work/home"
printf '[zemra]\nserverip=%s\n' "$address" >"$work/config/zemra/zemra.ini"
env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
    XDG_DATA_HOME="$work/data" DISPLAY=":$n" ZEMRA_HOME="$work/zemra-home" \
    "$prefix/bin/zemra" >"$work/client.log" 2>&1 &
client=$!
pids+=($client)
wizard_shown() {
    local w
    for w in $(DISPLAY=":$n" xdotool search --name 'ZEMRA' 2>/dev/null); do
        [[ $(DISPLAY=":$n" xdotool getwindowname "$w") == 'ZEMRA注册向导' ]] && return 0
    done
    return 1
}
wait_for 150 wizard_shown || fail "the installed client does not reach the wizard"
grep -q "$prefix/lib/zemra/libzemra_platform.so" "/proc/$client/maps" ||
    fail "the client did not load the installed platform layer"
echo "install test passed"
