#!/usr/bin/env bash
# The Windows window program's test: builds skarn-gui.exe (tools/windows/build.sh,
# with its cached toolkit) and the Linux command line, then drives
# skarn-gui.exe under wine on a virtual X server through the same script as
# the Linux program's test, in a fresh wine prefix, and compares every file
# it writes with the Linux command line's output:
#
#   tools/windows/test-gui.sh [BUILD_DIR [CACHE_DIR]]
#
# BUILD_DIR defaults to build-win. The screenshots and the state dumps stay
# in BUILD_DIR/gui-test.
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-build-win}
cache=${2:-${XDG_CACHE_HOME:-$HOME/.cache}/skarn}

"$top/tools/windows/build.sh" "$build" "$cache" > /dev/null
cmake -S "$top" -B "$build/linux-cli" -G Ninja -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$build/linux-cli" --target skarn > /dev/null
build=$(cd "$build" && pwd)
xvfb-run -a -s "-screen 0 1280x1024x24" sh "$top/app/gui/tests/gui_test.sh" --wine \
  "$build/app/gui/skarn-gui.exe" "$build/linux-cli/app/cli/skarn" "$top/examples" "$build/gui-test"
