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
# On the virtual X server, whatever platform the other tests run on.
export QT_QPA_PLATFORM=xcb
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
window=$(timeout 60 xdotool search --sync --onlyvisible --name 'every[.]csv' | head -n 1)
[ -n "$window" ] || { echo "FAIL: no window"; exit 1; }
timeout 10 xdotool windowfocus --sync "$window" # no window manager gives it the keyboard
title() { xdotool getwindowname "$window"; }
# Enter presses Check the list once the list is read (nothing takes it before):
# pressed until the title says the check began, then waited for its end.
for _ in $(seq 1 60); do
    case $(title) in *"(check"*) break ;; esac
    xdotool key Return
    sleep 1
done
for _ in $(seq 1 120); do
    case $(title) in *"(checked)"*) break ;; esac
    sleep 0.5
done
case $(title) in *"(checked)"*) ;; *) echo "FAIL: the check did not end: $(title)"; exit 1 ;; esac
xdotool key alt+s # Save the checked list
dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^Save the checked list$' | head -n 1)
[ -n "$dialog" ] || { echo "FAIL: no save dialog"; exit 1; }
timeout 10 xdotool windowfocus --sync "$dialog"
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
