#!/usr/bin/env bash
# Runs the Linux and the Windows command line (under wine) on every file
# named or found in the folders given, and checks that each command gives the
# same bytes and exit status on both:
#
#   tools/windows/compare.sh LINUX_SKARN WINDOWS_SKARN_EXE PATH...
#
# Prints one line per difference and "N passed, N failed" at the end.
set -uo pipefail
linux=$1
windows=$2
shift 2
# Wine's own messages are off, but for the one the runner needs to see.
export WINEDEBUG=-all,err+virtual SOURCE_DATE_EPOCH=0 TZ=UTC
wine_run=$(dirname "$0")/wine-run
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
while IFS= read -r -d '' f; do
  for cmd in "summary" "summary -o -" "disasm --fs2000 -o -" "disasm --fs98 -o -" "bitmaps --fs2000 -o -" \
             "info --json --fs2000" "map --fs2000 -o -"; do
    # shellcheck disable=SC2086
    "$linux" $cmd "$f" > "$work/l.out" 2> "$work/l.err" < /dev/null
    ls=$?
    # shellcheck disable=SC2086
    "$wine_run" "$windows" $cmd "$f" > "$work/w.out" 2> "$work/w.err" < /dev/null
    ws=$?
    if [ "$ls" -eq "$ws" ] && cmp -s "$work/l.out" "$work/w.out"; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      echo "differs: skarn $cmd $f (exit $ls on Linux, $ws on Windows)"
      # What each said, to tell a difference of the program from one of wine.
      tail -n 3 "$work/l.err" | sed 's/^/  Linux: /'
      tail -n 3 "$work/w.err" | sed 's/^/  Windows: /'
    fi
  done
done < <(find "$@" -type f -print0 | sort -z)
# The index of all of them at once (folders walked by each system).
"$linux" scan "$@" --fs2000 -j 2 -o - > "$work/l.out" 2> /dev/null < /dev/null
ls=$?
"$wine_run" "$windows" scan "$@" --fs2000 -j 2 -o - > "$work/w.out" 2> /dev/null < /dev/null
ws=$?
if [ "$ls" -eq "$ws" ] && cmp -s "$work/l.out" "$work/w.out"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  echo "differs: skarn scan $* (exit $ls on Linux, $ws on Windows)"
fi
# The same index as a database: the same bytes.
"$linux" scan "$@" --fs2000 -j 2 -o "$work/l.db" > /dev/null 2>&1 < /dev/null
ls=$?
"$wine_run" "$windows" scan "$@" --fs2000 -j 2 -o "$work/w.db" > /dev/null 2> "$work/w.err" < /dev/null
ws=$?
if [ "$ls" -eq "$ws" ] && cmp -s "$work/l.db" "$work/w.db"; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
  echo "differs: skarn scan $* -o INDEX.db (exit $ls on Linux, $ws on Windows)"
  tail -n 3 "$work/w.err" | sed 's/^/  Windows: /'
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
