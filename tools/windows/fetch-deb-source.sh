#!/usr/bin/env bash
# Downloads Debian source packages (the .dsc and its tarballs) from the archive
# the machine installs its packages from, into CACHE_DIR/apt/src:
#
#   tools/windows/fetch-deb-source.sh CACHE_DIR PACKAGE...
#
# The source lists live under CACHE_DIR/apt; the machine's own apt sources are
# left as they are. Packages already there are not fetched again.
set -euo pipefail

cache=${1:?usage: fetch-deb-source.sh CACHE_DIR PACKAGE...}
shift
apt_dir=$cache/apt
missing=()
for pkg in "$@"; do
  ls "$apt_dir/src/${pkg}"_*.dsc > /dev/null 2>&1 || missing+=("$pkg")
done
[ ${#missing[@]} -eq 0 ] && exit 0

mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/src"
uri=$(grep -h -m1 -E '^URIs: .*/debian/?$' /etc/apt/sources.list.d/*.sources 2> /dev/null | awk '{print $2}' || true)
[ -n "$uri" ] || uri=$(awk '$1 == "deb" && $2 !~ /security/ {print $2; exit}' /etc/apt/sources.list 2> /dev/null || true)
[ -n "$uri" ] || uri=http://deb.debian.org/debian
printf 'Types: deb-src\nURIs: %s\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
  "$uri" > "$apt_dir/debian-src.sources"
opts=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt_dir"
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=root")
apt-get "${opts[@]}" update >&2
(cd "$apt_dir/src" && apt-get "${opts[@]}" source --download-only "${missing[@]}" >&2)
