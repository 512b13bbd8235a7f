#!/bin/sh
# The window's memory and its end while other X clients flood its clipboard:
# the window lists every row, copies them, and then CLIENTS clients each ask
# for the clipboard as STRING twice every 10 ms and never take the text.
# Reports the resident size before and during SECONDS of flood, then the
# time from SIGTERM to the end of the process, and (a second window) the
# time from the close to the end. A window that passes 4 GB is stopped.
# Usage (under xvfb-run -a): clipboard-flood.sh <bin folder> <database> [clients] [seconds]
set -u
bin=$1 database=$2 clients=${3:-20} seconds=${4:-6}
work=$(mktemp -d)
flooders=""
cleanup() { kill $flooders 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export QT_QPA_PLATFORM=xcb
ln -s "$(realpath "$database")" "$work/zipbase.mdb"
[ -e "$bin/HAND-M.CUR" ] && cp "$bin/HAND-M.CUR" "$work/"

milliseconds() { echo $(( $(date +%s%N) / 1000000 )); }
rss_mib() { awk '/^VmRSS/ { printf "%d", $2 / 1024 }' "/proc/$1/status" 2>/dev/null; }
wait_copied() { # pid
    while ! grep -q copied "$work/probe.out" 2>/dev/null; do
        kill -0 "$1" 2>/dev/null || { echo "the window ended before it copied"; exit 1; }
        sleep 0.1
    done
}
start_flood() {
    i=0
    while [ $i -lt "$clients" ]; do
        "$bin/clipboard-manager-standin" flood 1 > /dev/null 2>&1 &
        flooders="$flooders $!"
        i=$((i + 1))
    done
}
stop_flood() { kill $flooders 2>/dev/null; wait $flooders 2>/dev/null; flooders=""; }
# Samples the resident size every 0.1 s until the process ends or the time
# is up; prints the highest. Stops a process past 4 GB.
watch_rss() { # pid deciseconds
    peak=0 n=0
    while [ $n -lt "$2" ] && now=$(rss_mib "$1") && [ -n "$now" ]; do
        [ "$now" -gt "$peak" ] && peak=$now
        if [ "$now" -gt 4096 ]; then kill -KILL "$1"; echo "$peak (stopped past 4 GB after $n tenths of a second)"; return; fi
        sleep 0.1
        n=$((n + 1))
    done
    echo "$peak"
}
wait_end() { # pid, from milliseconds
    # An ended process not yet waited for has no resident size.
    while [ -n "$(rss_mib "$1")" ] && [ $(( $(milliseconds) - $2 )) -lt 20000 ]; do sleep 0.01; done
    if [ -n "$(rss_mib "$1")" ]; then kill -KILL "$1"; echo "more than 20000"; else echo $(( $(milliseconds) - $2 )); fi
}

# SIGTERM under the flood.
rm -f "$work/copied.txt" "$work/probe.out"
"$bin/clipboard-close-probe" "$work" "$work/copied.txt" --all 600000 > "$work/probe.out" 2>&1 &
probe=$!
wait_copied $probe
echo "copied: $(wc -c < "$work/copied.txt") bytes"
echo "resident before the flood: $(rss_mib $probe) MiB"
start_flood
echo "resident during ${seconds} s of flood from $clients clients, highest: $(watch_rss $probe $((seconds * 10))) MiB"
if [ -n "$(rss_mib $probe)" ]; then
    echo "resident at the end of the flood: $(rss_mib $probe) MiB"
    sent=$(milliseconds)
    kill -TERM $probe 2>/dev/null
    echo "SIGTERM to end: $(wait_end $probe "$sent") ms"
fi
wait $probe 2>/dev/null
stop_flood

# A close under the flood.
rm -f "$work/copied.txt" "$work/probe.out"
"$bin/clipboard-close-probe" "$work" "$work/copied.txt" --all $((seconds * 1000)) > "$work/probe.out" 2>&1 &
probe=$!
wait_copied $probe
start_flood
while ! grep -q closing "$work/probe.out" 2>/dev/null; do
    [ -n "$(rss_mib $probe)" ] || break
    now=$(rss_mib $probe)
    if [ -n "$now" ] && [ "$now" -gt 4096 ]; then kill -KILL $probe; echo "close: stopped past 4 GB"; break; fi
    sleep 0.01
done
closed=$(milliseconds)
echo "resident at the close: $(rss_mib $probe) MiB"
echo "close to end: $(wait_end $probe "$closed") ms (within 10 ms of the close said)"
wait $probe 2>/dev/null
stop_flood
