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
# Runs one command on both systems; a word OUT.EXT stands for the file it
# writes. The same exit status, standard output and file, or the difference
# is told.
compare() {
  local l=() w=() a ls ws lf=$work/none wf=$work/none
  for a in "$@"; do
    if [[ $a == OUT.* ]]; then
      lf=$work/l${a#OUT} wf=$work/w${a#OUT}
      l+=("$lf") w+=("$wf")
    else
      l+=("$a") w+=("$a")
    fi
  done
  rm -f "$lf" "$wf"
  "$linux" "${l[@]}" > "$work/l.out" 2> "$work/l.err" < /dev/null
  ls=$?
  "$wine_run" "$windows" "${w[@]}" > "$work/w.out" 2> "$work/w.err" < /dev/null
  ws=$?
  if [ "$ls" -eq "$ws" ] && cmp -s "$work/l.out" "$work/w.out" &&
    { [ ! -e "$lf" ] && [ ! -e "$wf" ] || cmp -s "$lf" "$wf"; }; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "differs: skarn $* (exit $ls on Linux, $ws on Windows)"
    # What each said, to tell a difference of the program from one of wine.
    tail -n 3 "$work/l.err" | sed 's/^/  Linux: /'
    tail -n 3 "$work/w.err" | sed 's/^/  Windows: /'
  fi
}
while IFS= read -r -d '' f; do
  for cmd in "summary" "summary -o -" "disasm --fs2000 -o -" "disasm --fs98 -o -" "bitmaps --fs2000 -o -" \
             "info --json --fs2000" "map --fs2000 -o -"; do
    # shellcheck disable=SC2086
    compare $cmd "$f"
  done
done < <(find "$@" -type f -print0 | sort -z)
# The index of all of them at once (folders walked by each system), as JSON
# lines and as a database.
compare scan "$@" --fs2000 -j 2 -o -
compare scan "$@" --fs2000 -j 2 -o OUT.db
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
