#!/bin/sh
# The desktop program end to end, in a real window on a (virtual) X display:
# its --script hook answers the dialogs and sends menu commands through the
# same handlers as a click, dumps the window's state and saves screenshots.
# Every file it writes must equal the command line's output.
#
#   gui_test.sh [--wine] SKARN_GUI SKARN_CLI EXAMPLES_DIR WORK_DIR
#
# Run under xvfb-run (CTest does). The screenshots stay in WORK_DIR. With
# --wine, SKARN_GUI is the Windows program (skarn-gui.exe), run under wine in
# a fresh wine prefix as a new user would; SKARN_CLI stays the Linux command
# line, so the window program's files are compared across the two systems.
set -eu

wine=no
if [ "${1:-}" = "--wine" ]; then
  wine=yes
  shift
fi
gui=$1
cli=$2
examples=$3
work=$4

rm -rf "$work"
mkdir -p "$work/home" "$work/data"
# Settings (the recent-file list) go to a fresh folder; output headers carry
# a fixed time.
HOME=$work/home
XDG_CONFIG_HOME=$work/home/.config
SOURCE_DATE_EPOCH=1000000000
TZ=UTC
export HOME XDG_CONFIG_HOME SOURCE_DATE_EPOCH TZ

data=$work/data
# The folders as the program names them (W, D) and its path separator (S).
if [ "$wine" = yes ]; then
  WINEPREFIX=$work/wineprefix
  WINEDEBUG=-all,err+virtual
  export WINEPREFIX WINEDEBUG
  wineboot -i > /dev/null 2>&1 || true
  W=$(winepath -w "$work")
  D=$(winepath -w "$data")
  S='\'
  runner="$(cd "$(dirname "$0")/../../../tools/windows" && pwd)/wine-run"
  limit=300
else
  W=$work
  D=$data
  S=/
  runner=
  limit=60
fi
cp "$examples/airfield.bgl" "$data/airfield.bgl"

# A procedural object that calls a library object, which makes the
# disassembly ask which library-call layout the file uses: a 128-byte header
# with the procedural section at 0x80; one latitude band; one object whose
# program is CallLibObj (20 bytes in the FS2000/2002 layout) and Return.
{
  printf '\000%.0s' $(seq 1 58)
  printf '\200\000\000\000'
  printf '\000%.0s' $(seq 1 66)
  printf '\025\106\050\110\050\012\000\000\000\000'
  printf '\006\000\000\000\000\000\000\000\000\144\044\000\000\000'
  printf '\143\000\000\000\001\000\000\000\002\000\000\000\003\000\000\000\004\000\000\000'
  printf '\042\000\000'
} > "$data/lib.bgl"

fail=0
check() {
  # check DESCRIPTION COMMAND...
  what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    fail=1
  fi
}
has() { grep -qxF -- "$2" "$1"; }
hasnt() { ! grep -qxF -- "$2" "$1"; }
count() { grep -cxF -- "$2" "$1" || true; }
# Column n of the first line that starts with key.
field() { awk -F '\t' -v k="$2" -v n="$3" '$1 == k { print $n; exit }' "$1"; }
# The enabled state of a menu item, tool or command: state FILE KIND NAME.
state() { awk -F '\t' -v k="$2" -v c="$3" '$1 == k && $2 == c { print $3; exit }' "$1"; }

cat > "$work/script.txt" <<EOF
# The empty window: the commands that need a file are refused.
wait 200
dump $W${S}empty.txt
command saveas
command disassemble
command bitmaps
command undo
command copy

# Open through the File menu.
open-answer $D${S}airfield.bgl
command open
wait 200
screenshot $W${S}skarn-gui.png
dump $W${S}open.txt

# The three writing commands, answered with fixed paths.
save-answer $W${S}gui.sca
command disassemble
save-answer $W${S}gui.txt
command saveas
save-answer $W${S}gui_Bitmap.txt
command bitmaps
# The output may not replace the BGL file; a cancelled dialog writes nothing.
save-answer $D${S}airfield.bgl
command saveas
save-cancel
command disassemble

# The View menu hides and shows the bars.
command toolbar
command statusbar
wait 200
screenshot $W${S}no-bars.png
dump $W${S}no-bars.txt
command toolbar
command statusbar

# The map view: shown instead of the summary, each symbol's hover text
# where it lands, also after zooming in; then the summary again.
command map
wait 300
screenshot $work/map.png
map-hover $work/map-hover.txt
dump $work/map.txt
map-zoom 3
map-hover $work/map-zoomed.txt
map-pixels $work/map-pixels.txt
# The summary's second band row selected: its band highlighted on the map,
# brought back into view.
select 5
wait 100
screenshot $W${S}map-band.png
dump $W${S}map-band.txt
command summary
wait 100
dump $work/summary-again.txt

# The source view: the disassembly kept in the window. The summary's second
# band row is selected first, so the source opens on that band's comment.
select 5
command source
wait 300
screenshot $W${S}source.png
dump $W${S}source.txt
text-answer PAD.BMP
command find
dump $W${S}find.txt
text-answer enda
command find
command findnext
dump $W${S}findnext.txt
command findnext
dump $W${S}findwrap.txt
text-answer 0xF5
command gotooffset
dump $W${S}offset.txt
text-answer no such text
command find
dump $W${S}notfound.txt
# Disassemble still writes its file while the source shows.
save-answer $W${S}gui-after-source.sca
command disassemble
dump $W${S}after-source.txt
command summary

# The About box, shown modally and closed by its OK.
command about
wait 300
screenshot-other $W${S}about.png
text-other $W${S}about.txt
close-other

# A file that cannot be read: a message, and the commands are refused again.
open-answer $D${S}missing.bgl
command open
dump $W${S}failed.txt
command disassemble

# The recent-file list holds the file that opened, not the one that failed.
command recent1
dump $W${S}recent.txt
command recent2

# A dropped file opens; its library call asks the question once per open file.
drop $D${S}lib.bgl
wait-title lib.bgl - Skarn
yesno yes
save-answer $W${S}lib_yes.sca
command disassemble
save-answer $W${S}lib_again.sca
command disassemble
open-answer $D${S}lib.bgl
command open
yesno no
save-answer $W${S}lib_no.sca
command disassemble

# Keys: Ctrl+N empties the window, Ctrl+O opens.
key ctrl+n
wait-title Untitled - Skarn
dump $W${S}new.txt
open-answer $D${S}airfield.bgl
key ctrl+o
wait-title airfield.bgl - Skarn
dump $W${S}final.txt
command exit
EOF

status=0
timeout "$limit" $runner "$gui" --script "$W${S}script.txt" > "$work/gui.log" 2>&1 || status=$?
cat "$work/gui.log"
check "the program ran its script and exited by File Exit" test "$status" -eq 0

# The command line's output for the same files.
"$cli" summary "$data/airfield.bgl" > "$work/cli_rows.txt"
"$cli" summary "$data/airfield.bgl" -o "$work/cli.txt"
"$cli" disasm "$data/airfield.bgl" --fs2000 -o "$work/cli.sca"
"$cli" bitmaps "$data/airfield.bgl" --fs2000 -o "$work/cli_Bitmap.txt"
"$cli" disasm "$data/lib.bgl" --fs2000 -o "$work/cli_lib_yes.sca"
"$cli" disasm "$data/lib.bgl" --fs98 -o "$work/cli_lib_no.sca"

# Empty window.
e=$work/empty.txt
check "empty window title" has "$e" "title	Untitled - Skarn"
for c in open exit about toolbar statusbar; do
  check "$c enabled without a file" test "$(state "$e" item "$c")" = enabled
done
for c in saveas disassemble bitmaps; do
  check "$c disabled without a file" test "$(state "$e" item "$c")" = disabled
done
check "Save As tool disabled without a file" test "$(state "$e" tool saveas)" = disabled
check "Open and About tools enabled" test "$(state "$e" tool open) $(state "$e" tool about)" = "enabled enabled"
check "the recent-file list starts empty" has "$e" "item	recent	disabled	-	&File	Recent File	"
check "Edit items shown and disabled" test "$(grep -c '^item	[a-z]*	disabled	-	&Edit	' "$e")" -eq 7
check "New and Print always enabled" test "$(state "$e" command new) $(state "$e" command print)" = "enabled enabled"
check "toolbar: Open, Save As, Map, a gap, About" test "$(grep '^tool	' "$e" | cut -f2 | tr '\n' ' ')" = "open saveas map separator about "
check "menus in order" test "$(grep '^item	' "$e" | cut -f5 | uniq | tr '\n' ' ')" = "&File &Edit &View &Disassemble &Extract &Help "
check "accelerators" test "$(grep -c '	Ctrl+[OZXCV]	' "$e")" -eq 5
check "status bar with the message pane and three indicators" has "$e" "statusbar	shown	4"
check "empty document is 80 columns by 10 rows" has "$e" "docsize	80	10"
lh=$(field "$e" lineheight 2)
check "scroll height is 10 rows plus 30" test "$(field "$e" total 3)" -eq $((10 * lh + 30))
check "a page is 20 rows" test "$(field "$e" page 3)" -eq $((20 * lh))
check "a line step is one row" test "$(field "$e" line 3)" -eq "$lh"
check "a line step across is a tenth of the width" test "$(field "$e" line 2)" -eq $(($(field "$e" total 2) / 10))
check "no rows without a file" has "$e" "rows	0"
check "the About box and skarn --version name one version" \
  test "$(cat "$work/about.txt")" = "Skarn Version $("$cli" --version | sed 's/^skarn //')"
f=$work/final.txt
for c in saveas disassemble bitmaps undo copy; do
  check "$c refused without a file" has "$f" "refused	$c"
done

# Opened file.
o=$work/open.txt
check "title names the file" has "$o" "title	airfield.bgl - Skarn"
for c in saveas disassemble bitmaps; do
  check "$c enabled with a file" test "$(state "$o" item "$c")" = enabled
done
check "Save As tool enabled with a file" test "$(state "$o" tool saveas)" = enabled
check "Edit items still disabled" test "$(grep -c '^item	[a-z]*	disabled	-	&Edit	' "$o")" -eq 7
check "view rows are the summary lines" sh -c "grep '^row	' '$o' | cut -f3- | cmp -s - '$work/cli_rows.txt'"
rows=$(wc -l < "$work/cli_rows.txt")
check "every row is drawn" has "$o" "drawn	0	$rows"
width=$(awk '{ if (length($0) > m) m = length($0) } END { print (m > 80 ? m : 80) }' "$work/cli_rows.txt")
check "columns are the longest line" has "$o" "docsize	$width	10"
check "the opened file heads the recent-file list" has "$o" "recent	1	$D${S}airfield.bgl"
check "Disassemble and its prompt" has "$o" "item	disassemble	enabled	-	&Disassemble	&BGL	Disassemble FS98 .bgl files to SCASM source code "
check "Extract Bitmaps and its prompt" has "$o" "item	bitmaps	enabled	-	&Extract	&Bitmaps	List the bitmap files used"

# Outputs equal the command line's.
check "Disassemble writes the command line's source" cmp "$work/gui.sca" "$work/cli.sca"
check "Save As writes the command line's summary file" cmp "$work/gui.txt" "$work/cli.txt"
check "Extract Bitmaps writes the command line's list" cmp "$work/gui_Bitmap.txt" "$work/cli_Bitmap.txt"
check "the BGL file is unchanged" cmp "$data/airfield.bgl" "$examples/airfield.bgl"
check "writing over the BGL file is refused" has "$f" "message	Error: the output file would replace the BGL file it is made from; choose another name"
if [ "$wine" = yes ]; then
  check "Disassemble proposes NAME.sca; the Windows dialog ignores case" has "$f" \
    "save-dialog	airfield.sca	SCASM source files (*.sca, *.scm)|*.sca;*.scm|All Files (*.*)|*.*||	SCASM source files (*.sca, *.scm)|*.sca;*.scm|All Files (*.*)|*.*"
else
  check "Disassemble proposes NAME.sca with upper-case patterns too" has "$f" \
    "save-dialog	airfield.sca	SCASM source files (*.sca, *.scm)|*.sca;*.scm|All Files (*.*)|*.*||	SCASM source files (*.sca, *.scm)|*.sca;*.SCA;*.scm;*.SCM|All Files (*.*)|*"
fi
check "Save As proposes NAME.txt" grep -qF "save-dialog	airfield.txt	Text Files (*.txt)|*.txt|All Files (*.*)|*.*	" "$f"
check "Extract Bitmaps proposes NAME_Bitmap.txt" grep -qF "save-dialog	airfield_Bitmap.txt	Textfiles (*.txt)|" "$f"
check "nothing else was written beside the input" test "$(ls "$data" | tr '\n' ' ')" = "airfield.bgl lib.bgl "

# View toggles.
n=$work/no-bars.txt
check "toolbar hidden" has "$n" "toolbar	hidden"
check "status bar hidden" has "$n" "statusbar	hidden	4"
check "View items unchecked" test "$(grep -c '^item	[a-z]*bar	enabled	unchecked	&View' "$n")" -eq 2
check "View items checked" test "$(grep -c '^item	[a-z]*bar	enabled	checked	&View' "$e")" -eq 2
check "the summary is the default view" test "$(state "$e" item summary) $(awk -F '\t' '$2 == "summary" { print $4 }' "$e")" = "enabled checked"

# The map view.
m=$work/map.txt
check "View Map checked while the map shows" test "$(awk -F '\t' '$2 == "map" && $1 == "item" { print $4 }' "$m")" = checked
check "every object's symbol shows its hover text" test "$(count "$work/map-hover.txt" "object	Object	inside")" -eq 2
check "the hover texts are found after zooming in" test "$(count "$work/map-zoomed.txt" "object	Object	inside")" -eq 2
check "each object's colour is on the screen where it lands" test "$(grep -c '^object	match	' "$work/map-pixels.txt")" -eq 2
check "no band is highlighted while no row is selected" test "$(field "$m" mapband 2)" = -
check "the second band row highlights the second band" test "$(field "$work/map-band.txt" mapband 2)	$(field "$work/map-band.txt" mapband 4)" = "1	N47:30:33.77 to N47:31:06.95"
check "View Summary brings the summary back" test "$(awk -F '\t' '$2 == "summary" && $1 == "item" { print $4 }' "$work/summary-again.txt")" = checked
check "bars shown again" has "$f" "toolbar	shown"

# The source view: the command line's source line for line, opened on the
# selected band's comment; Find (any case, wrapping past the end) and Go to
# Offset (0xF5 lies in the second object, at 0x80 + 0x72) highlight a line.
"$cli" disasm "$data/airfield.bgl" -o - | tr -d '\r' > "$work/cli_source.txt"
# The row of the source holding a text (the k-th such row, first by default).
srcline() {
  awk -F '\t' '$1 == "srcrow" { n++; if (index($0, s) > 0 && ++m == k) { r = n - 1; exit } } END { print (r == "" ? "none" : r) }' \
    s="$2" k="${3:-1}" "$1"
}
v=$work/source.txt
check "View Source checked while the source shows" test "$(awk -F '\t' '$2 == "source" && $1 == "item" { print $4 }' "$v")" = checked
check "the source rows are the command line's source" sh -c "grep '^srcrow	' '$v' | cut -f2- | cmp -s - '$work/cli_source.txt'"
check "the source has as many rows" test "$(field "$v" source 3)" -eq "$(wc -l < "$work/cli_source.txt")"
check "the selected band's comment is highlighted" test "$(field "$v" source 5)" = "$(srcline "$v" '; LatRange(  N47:30:33.77')"
check "Find is enabled on the source" test "$(state "$v" item find) $(state "$v" item findnext) $(state "$v" item gotooffset)" = "enabled enabled enabled"
check "Find lands on the line with the text" test "$(field "$work/find.txt" source 5)" = "$(srcline "$v" 'Bitmap( pad.bmp')"
check "Find Next goes on to the next line with the text" test "$(field "$work/findnext.txt" source 5)" = "$(srcline "$v" EndA 2)"
check "Find Next wraps past the end" test "$(field "$work/findwrap.txt" source 5)" = "$(srcline "$v" EndA 1)"
check "Go to Offset lands on the second object" test "$(field "$work/offset.txt" source 5)" = "$(srcline "$v" '; Object # 2, offset: 0x0072')"
check "a text not found is said in the status bar" has "$work/notfound.txt" 'status	"no such text" not found'
check "Disassemble writes its file as before while the source shows" cmp "$work/gui-after-source.sca" "$work/cli.sca"
check "and says so" has "$work/after-source.txt" "status	Wrote $W${S}gui-after-source.sca"
check "nothing is written by the source view" test "$(ls "$data" | tr '\n' ' ')" = "airfield.bgl lib.bgl "

# Failed open.
x=$work/failed.txt
check "failed open is reported" has "$x" "message	Error: unable to open BGL file"
check "failed open gives the file and the reason" has "$x" "$D${S}missing.bgl: No such file or directory"
check "failed open empties the view" has "$x" "rows	0"
check "failed open disables Disassemble" test "$(state "$x" item disassemble)" = disabled
check "failed open keeps the title Untitled" has "$x" "title	Untitled - Skarn"
check "Disassemble refused after the failed open" has "$f" "refused	disassemble"

# Recent files.
r=$work/recent.txt
check "recent file reopens" has "$r" "title	airfield.bgl - Skarn"
check "the failed file is not listed" hasnt "$r" "recent	2	$D${S}missing.bgl"
check "a second recent entry does not exist yet" has "$f" "refused	recent2"
if [ "$wine" = yes ]; then
  wine reg query 'HKCU\Software\Local AppWizard-Generated Applications\Skarn\Recent File List' > "$work/registry.txt" 2>&1 || true
  check "the list is kept in the registry" grep -qF "$D${S}airfield.bgl" "$work/registry.txt"
else
  check "the list is kept in the settings" grep -qF "File1=$data/airfield.bgl" "$work/home/.config/Skarn.conf"
fi

# The library-call question.
check "the question is asked once per open file" test "$(count "$f" "question	Is this a FS2000/2002 .bgl-file?")" -eq 2
check "Yes gives the FS2000/2002 layout" cmp "$work/lib_yes.sca" "$work/cli_lib_yes.sca"
check "the answer holds for the open file" cmp "$work/lib_again.sca" "$work/cli_lib_yes.sca"
check "No gives the older layout" cmp "$work/lib_no.sca" "$work/cli_lib_no.sca"

# Keys.
check "Ctrl+N empties the window" has "$work/new.txt" "title	Untitled - Skarn"
check "Ctrl+O opens" has "$f" "title	airfield.bgl - Skarn"
check "no script errors" test "$(grep -c '^error	' "$f")" -eq 0

# Screenshots: PNG files of a real size.
for png in skarn-gui no-bars about map map-band source; do
  check "$png.png is a PNG" sh -c "head -c 8 '$work/$png.png' | od -An -tx1 | tr -d ' \n' | grep -qx 89504e470d0a1a0a"
done
check "the main window's screenshot has content" test "$(wc -c < "$work/skarn-gui.png")" -gt 5000
check "the map's screenshot has content" test "$(wc -c < "$work/map.png")" -gt 5000
check "the source's screenshot has content" test "$(wc -c < "$work/source.png")" -gt 5000
echo "screenshots: $work/skarn-gui.png $work/no-bars.png $work/about.png $work/map.png $work/map-band.png $work/source.png"

exit $fail
