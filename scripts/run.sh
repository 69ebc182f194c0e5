#!/usr/bin/env bash
# Sets everything up, builds, and runs zemra: the reference server zemrad on
# 127.0.0.1 and one client. A new user lands in the registration wizard.
#
# Without $DISPLAY the client runs on a virtual X display (Xvfb, with trayer
# as its system tray); take a look with
#   DISPLAY=<display> import -window root shot.png
# Without a camera or sound card the client gets the test camera and the
# virtual sound devices. Runs until the client exits (or Ctrl+C).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
build_dir=$(realpath "${ZEMRA_BUILD_DIR:-build}")
run_dir=${ZEMRA_RUN_DIR:-$HOME/.local/share/zemra-run}
mkdir -p "$run_dir"

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

"$build_dir/bin/zemrad" --listen 127.0.0.1 --db "$run_dir/zemrad.db" >>"$run_dir/zemrad.log" 2>&1 &
pids+=($!)
echo "zemrad on 127.0.0.1 (log: $run_dir/zemrad.log)"

if [[ -z ${DISPLAY:-} ]]; then
  n=90
  while [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]]; do n=$((n + 1)); done
  export DISPLAY=:$n
  Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >>"$run_dir/xvfb.log" 2>&1 &
  pids+=($!)
  sleep 1
  trayer --edge bottom --align right --widthtype pixel --width 160 --height 30 \
    --transparent false --tint 0xe8e8e8 >>"$run_dir/trayer.log" 2>&1 &
  pids+=($!)
  echo "no display: the client runs on the virtual display $DISPLAY"
fi

# The test camera and the virtual sound devices stand in for missing hardware.
if ! compgen -G "/dev/video*" >/dev/null; then export ZEMRA_TEST_CAMERA=1; fi
if ! grep -qs '[0-9]' /proc/asound/cards; then
  export ZEMRA_AUDIO_IN=${ZEMRA_AUDIO_IN:-tone:440}
  export ZEMRA_AUDIO_OUT=${ZEMRA_AUDIO_OUT:-null}
fi

# The client connects to the built-in server address, 127.0.0.1.
export ZEMRA_HOME=${ZEMRA_HOME:-$run_dir/home}
export ZEMRA_WINDIR=${ZEMRA_WINDIR:-$run_dir/windows}
echo "zemra (home: $ZEMRA_HOME)"
"$build_dir/bin/zemra" "$@"
