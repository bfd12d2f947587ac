#!/usr/bin/env bash
# Cross-builds the Windows programs skarn.exe and skarn-gui.exe (x86-64,
# static: no DLL beyond Windows' own) and packs them with the README and the
# licence texts of what is linked in:
#
#   tools/windows/build.sh [BUILD_DIR [CACHE_DIR]]
#
# BUILD_DIR defaults to build-win, CACHE_DIR (where wxWidgets for Windows is
# built once and then reused) to $XDG_CACHE_HOME/skarn or ~/.cache/skarn.
# Prints the zip's path on its last line: BUILD_DIR/skarn-VERSION-windows-x64.zip.
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-build-win}
cache=${2:-${XDG_CACHE_HOME:-$HOME/.cache}/skarn}

wx=$("$top/tools/windows/build-wx-msw.sh" "$cache" | tail -n 1)
sqlite=$("$top/tools/windows/build-sqlite-msw.sh" "$cache" | tail -n 1)
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
  -DSKARN_GUI=ON -DwxWidgets_CONFIG_EXECUTABLE="$wx/bin/wx-config" -DwxWidgets_USE_STATIC=ON \
  -DSQLite3_INCLUDE_DIR="$sqlite/include" -DSQLite3_LIBRARY="$sqlite/lib/libsqlite3.a" >&2
cmake --build "$build" >&2

version=$(sed -n 's/^project(skarn VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
name=skarn-$version-windows-x64
stage=$build/package/$name
rm -rf "$build/package"
mkdir -p "$stage/licences"
cp "$build/app/cli/skarn.exe" "$build/app/gui/skarn-gui.exe" "$stage/"
# Text files with Windows line ends, so that Notepad shows them as meant.
crlf() { sed 's/\r$//; s/$/\r/' "$1" > "$2"; }
crlf "$top/README.md" "$stage/README.txt"
crlf "$wx/licences/wxWidgets-licence.txt" "$stage/licences/wxWidgets.txt"
crlf "$wx/licences/libpng-LICENSE.txt" "$stage/licences/libpng.txt"
crlf "$sqlite/licences/sqlite-LICENSE.md" "$stage/licences/sqlite.txt"
crlf /usr/share/doc/libz-mingw-w64/copyright "$stage/licences/zlib.txt"
crlf /usr/share/doc/mingw-w64-x86-64-dev/copyright "$stage/licences/mingw-w64-runtime-and-winpthreads.txt"
crlf /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licences/gcc-runtime-libstdc++.txt"
# The same bytes for the same inputs: fixed times, sorted names.
find "$stage" -exec touch -h -d @0 {} +
zip=$(cd "$build" && pwd)/$name.zip
rm -f "$zip"
(cd "$build/package" && find "$name" -print | LC_ALL=C sort | TZ=UTC zip -X -q "$zip" -@)
echo "$zip"
