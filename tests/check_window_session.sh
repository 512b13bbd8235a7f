#!/bin/sh
# The list check's window run as a person runs it, on a virtual X server:
# opened with a list on the command line, checked and saved as a workbook
# with the keyboard only (the save through the real file dialog), the
# workbook then read back by the command line's check.
# Usage: check_window_session.sh <folder of olvaris-lists and olvaris-lookup> (under xvfb-run)
set -eu
bin=$1
work=$(mktemp -d)
program=
trap '[ -n "$program" ] && kill "$program" 2>/dev/null; rm -rf "$work"' EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/config"
cat >"$work/every.csv" <<'LIST'
Name,Street,City,State,Zip
Ann Lee,1 Main St,Boston,MA,02134
Cy Dee,3 Oak,Bosston,MA,02134
Dee Fox,4 Pine,Boston,Massachusetts,2134
Ed Gee,5 Ash,Springfield,IL,02134
Fay Hu,6 Elm,Boston,MA,99999
Gus Ivy,7 Oak,,MA,02108
Hal Jo,8 Fir,,,
Jo Lu,10 Bay,Boston,MA,02108-1234
LIST

"$bin/olvaris-lists" "$work/every.csv" &
program=$!
window=$(xdotool search --sync --onlyvisible --name 'every[.]csv' | head -n 1)
xdotool windowfocus --sync "$window" # no window manager gives it the keyboard
sleep 1
xdotool key Return # the Check button has the focus once the list is read
sleep 2
xdotool key alt+s # Save the checked list
dialog=$(xdotool search --sync --onlyvisible --name '^Save the checked list$' | head -n 1)
xdotool windowfocus --sync "$dialog"
xdotool key ctrl+a
xdotool type --delay 10 "$work/checked.xlsx"
xdotool key Return
for _ in $(seq 1 100); do
    [ -s "$work/checked.xlsx" ] && break
    sleep 0.2
done
sleep 0.5
[ -s "$work/checked.xlsx" ] || { echo "FAIL: no workbook saved"; exit 1; }
verdicts() { "$bin/olvaris-lookup" --check "$1" --json 2>/dev/null | sed 's/.*"verdict":"\([^"]*\)".*/\1/' | tr '\n' ' '; }
expected=$(verdicts "$work/every.csv")
saved=$(verdicts "$work/checked.xlsx")
echo "list:     $expected"
echo "workbook: $saved"
[ -n "$expected" ] && [ "$saved" = "$expected" ] || { echo "FAIL: the saved workbook's rows differ"; exit 1; }
# The window saved a workbook with its Summary sheet, as the command line writes one.
unzip -l "$work/checked.xlsx" | grep -q 'xl/worksheets/sheet2.xml' || { echo "FAIL: no Summary sheet"; exit 1; }
echo "ok"
