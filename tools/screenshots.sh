#!/bin/sh
# Regenerates the main window's screenshots in docs/screenshots from an existing build:
# starts the analyzer simulator on a pseudo-terminal as COM1 in a temporary settings folder,
# lets the program's window run on it without a display, and grabs the live page and the big
# display at two window sizes after a few seconds, the three live diagrams after four minutes of
# recording (one record a second), then the live page, the big display and diagram 1 with
# channels in a limit alarm. Builds nothing.
#
#   tools/screenshots.sh BUILD_DIR [OUT_DIR]
#   KESTO_DIAGRAM_SECONDS=30 tools/screenshots.sh ...   (a shorter recording for the diagrams)
#
# Needs the targets kesto-sim and app_screenshots (ninja -C BUILD_DIR kesto-sim app_screenshots).
set -eu
build=${1:?usage: tools/screenshots.sh BUILD_DIR [OUT_DIR]}
root=$(cd "$(dirname "$0")/.." && pwd)
out=${2:-$root/docs/screenshots}
build=$(cd "$build" && pwd)

work=$(mktemp -d)
sim_pid=
cleanup() {
    if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

export HOME="$work"
export XDG_CONFIG_HOME="$work/.config"
export QT_QPA_PLATFORM=offscreen

# 16 words so that flow, H2 and S6 carry values too; a fixed seed gives the same pictures.
"$build/tools/kesto-sim" --com 1 --words 16 --period-ms 500 --seed 7 --seconds 300 &
sim_pid=$!
i=0
while [ ! -L "$XDG_CONFIG_HOME/Pellum/dosdevices/com1" ]; do
    i=$((i + 1))
    if [ $i -gt 50 ]; then echo "simulator did not come up" >&2; exit 1; fi
    sleep 0.1
done

"$build/tests/screenshots/app_screenshots" "$out" 3.5 - ${KESTO_DIAGRAM_SECONDS:-240}
echo "written: $out/actual.png $out/bigdisplay-small.png $out/bigdisplay-large.png" \
    "$out/diagram1.png $out/diagram2.png $out/diagram3.png" \
    "$out/alarm-actual.png $out/alarm-bigdisplay.png $out/alarm-diagram1.png"
