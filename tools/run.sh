#!/usr/bin/env bash
# Sets up a fresh machine, builds the program and runs it against the built-in analyzer simulator.
# The demo keeps its settings in build/demo-config, so a user's own settings stay untouched.
# With an analyzer attached, run build/app/kesto on its own instead: it uses the user's settings
# and the configured port.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target kesto kesto-sim

export XDG_CONFIG_HOME="$PWD/build/demo-config"
mkdir -p "$XDG_CONFIG_HOME"

# The simulator links its pseudo-terminal as COM1, the program's default port, and sends
# 16-word frames, so flow, H2 and S6 carry values too.
build/tools/kesto-sim --com 1 --words 16 &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
sleep 0.5

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running under Xvfb (nothing will be visible)." >&2
  xvfb-run -a build/app/kesto
else
  build/app/kesto
fi
