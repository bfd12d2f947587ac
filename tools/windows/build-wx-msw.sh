#!/usr/bin/env bash
# Builds wxWidgets 3.2 for Windows (x86-64, static, unicode, the base and core
# libraries only) with mingw-w64, from Debian's own source packages, into a
# cache folder that later runs reuse while the inputs are unchanged.
#
#   tools/windows/build-wx-msw.sh CACHE_DIR
#
# Prints the install prefix (CACHE_DIR/wx-msw-KEY) on its last line; that
# folder holds bin/wx-config and the libraries. Debian's repacked wxWidgets
# source leaves out the bundled zlib and libpng: zlib comes from Debian's
# libz-mingw-w64-dev, libpng is built here from its Debian source package.
# The sources come through fetch-deb-source.sh, which leaves the machine's own
# apt sources as they are.
set -euo pipefail

cache=${1:?usage: build-wx-msw.sh CACHE_DIR}
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
triple=x86_64-w64-mingw32
jobs=$(nproc 2>/dev/null || echo 2)

wx_pkg=wxwidgets3.2
png_pkg=libpng1.6
wx_flags=(--host=$triple --with-msw --disable-shared --enable-unicode --disable-debug_flag
  --without-libjpeg --without-libtiff --without-expat --without-liblzma --without-libmspack
  --without-opengl --with-zlib=sys --with-libpng=sys --with-regex=builtin
  --disable-xrc --disable-aui --disable-propgrid --disable-ribbon --disable-richtext --disable-stc
  --disable-webview --disable-mediactrl --disable-html --disable-sockets --disable-ipc
  --disable-protocols --disable-url --disable-fs_inet --disable-webrequest --disable-secretstore)

# The key names what the result depends on: this script, the compiler, and
# (once known) the source package versions.
compiler=$($triple-g++-posix --version | head -n 1)
script_sum=$(sha256sum "$0" | cut -c1-16)

"$(dirname "$0")/fetch-deb-source.sh" "$cache" $wx_pkg $png_pkg
dsc_of() { ls "$cache/apt/src/$1"_*.dsc | sort | tail -n 1; }
wx_dsc=$(dsc_of $wx_pkg)
png_dsc=$(dsc_of $png_pkg)
key=$(printf '%s\n' "$compiler" "$script_sum" "$(basename "$wx_dsc")" "$(basename "$png_dsc")" | sha256sum | cut -c1-16)
prefix=$cache/wx-msw-$key
if [ -x "$prefix/bin/wx-config" ] && [ -f "$prefix/.complete" ]; then
  echo "wxWidgets for Windows is up to date in $prefix" >&2
  echo "$prefix"
  exit 0
fi

work=$cache/work-$key
rm -rf "$work" "$prefix"
mkdir -p "$work"
(cd "$work" && dpkg-source --no-check -x "$png_dsc" png >&2 && dpkg-source --no-check -x "$wx_dsc" wx >&2)

echo "building libpng for Windows" >&2
(cd "$work/png" &&
  ./configure --host=$triple --prefix="$prefix" --disable-shared --enable-static \
    CC=$triple-gcc-posix CPPFLAGS="-I/usr/$triple/include" LDFLAGS="-L/usr/$triple/lib" >&2 &&
  make -j"$jobs" >&2 && make install >&2)

echo "building wxWidgets for Windows (this takes a while)" >&2
mkdir -p "$work/wx/build-msw"
(cd "$work/wx/build-msw" &&
  ../configure --prefix="$prefix" "${wx_flags[@]}" \
    CC=$triple-gcc-posix CXX=$triple-g++-posix \
    CPPFLAGS="-I$prefix/include -I/usr/$triple/include" LDFLAGS="-L$prefix/lib -L/usr/$triple/lib" >&2 &&
  make -j"$jobs" >&2 && make install >&2)

# The licence texts of what the programs link in, for the package.
mkdir -p "$prefix/licences"
cp "$work/wx/docs/licence.txt" "$prefix/licences/wxWidgets-licence.txt"
cp "$work/png/LICENSE" "$prefix/licences/libpng-LICENSE.txt"
rm -rf "$work"
touch "$prefix/.complete"
echo "$prefix"
