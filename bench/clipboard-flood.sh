#!/bin/sh
# The window's memory and its end while other X clients flood its clipboard:
# the window lists every row and copies them; then, for each kind of
# request, CLIENTS clients (olvaris-clipboard-flood) ask for the clipboard
# as fast as the window answers for SECONDS and never take the text.
# Reports the resident size before, at most during and just after the
# flood, and the time from SIGTERM (sent right after the flood) to the end
# of the process. Then the close under a flood: TRIES times a window copies
# and closes while a stand-in clipboard manager runs and HANDOVER_CLIENTS
# clients flood it with STRING requests; counts the closes whose text the
# manager saved whole. A window that passes 4 GB is stopped.
# Usage (under xvfb-run -a):
#   clipboard-flood.sh <bin folder> <database> [clients] [seconds] [kinds]
# kinds: a space-separated list of the flooding client's kinds (default all
# six); environment HANDOVER_CLIENTS (5), TRIES (10) and DEPTH (1000, the
# requests each client keeps open; 0 for clients that do not wait for
# answers at all).
set -u
bin=$1 database=$2 clients=${3:-20} seconds=${4:-15}
kinds=${5:-"STRING UTF8_STRING TARGETS MULTIPLE unsupported destroy"}
handover_clients=${HANDOVER_CLIENTS:-5} tries=${TRIES:-10}
work=$(mktemp -d)
flooders="" manager=""
cleanup() { kill $flooders $manager 2>/dev/null; rm -rf "$work"; }
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
start_flood() { # kind count
    i=0
    while [ $i -lt "$2" ]; do
        "$bin/olvaris-clipboard-flood" "$1" ${DEPTH:-1000} >> "$work/flood.out" 2>&1 &
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

# Each kind of request in turn, then SIGTERM.
for kind in $kinds; do
    rm -f "$work/copied.txt" "$work/probe.out" "$work/flood.out"
    "$bin/clipboard-close-probe" "$work" "$work/copied.txt" --all 600000 > "$work/probe.out" 2>&1 &
    probe=$!
    wait_copied $probe
    before=$(rss_mib $probe)
    start_flood "$kind" "$clients"
    peak=$(watch_rss $probe $((seconds * 10)))
    stop_flood
    after=$(rss_mib $probe)
    asked=$(awk '{ n += $2 } END { print n }' "$work/flood.out")
    if [ -n "$after" ]; then
        sent=$(milliseconds)
        kill -TERM $probe 2>/dev/null
        ended=$(wait_end $probe "$sent")
    else
        ended="ended before"
    fi
    echo "$kind: $(wc -c < "$work/copied.txt") bytes copied; $clients clients for $seconds s, $asked requests;" \
         "resident $before MiB before, $peak MiB at most, ${after:-?} MiB after; SIGTERM to end $ended ms"
    wait $probe 2>/dev/null
done

# The close under a flood: the manager saves the whole text, or not.
"$bin/clipboard-manager-standin" manager > "$work/manager.out" 2>&1 &
manager=$!
while ! grep -q ready "$work/manager.out" 2>/dev/null; do sleep 0.05; done
saved=0 pasted=0 try=0
while [ $try -lt "$tries" ]; do
    rm -f "$work/copied.txt" "$work/probe.out"
    saves=$(grep -c '^saved' "$work/manager.out")
    "$bin/clipboard-close-probe" "$work" "$work/copied.txt" --all 3000 > "$work/probe.out" 2>&1 &
    probe=$!
    wait_copied $probe
    start_flood STRING "$handover_clients"
    wait $probe
    stop_flood
    # The stand-in says how much it saved; then a paste, the flood over.
    [ "$(grep -c '^saved' "$work/manager.out")" -gt "$saves" ] &&
        grep '^saved' "$work/manager.out" | tail -n 1 | grep -qx "saved $(wc -c < "$work/copied.txt") bytes" &&
        saved=$((saved + 1))
    if timeout 10 "$bin/clipboard-manager-standin" read > "$work/pasted.txt" 2>/dev/null &&
        cmp -s "$work/copied.txt" "$work/pasted.txt"; then
        pasted=$((pasted + 1))
    fi
    try=$((try + 1))
done
echo "close under $handover_clients flooding clients: the manager saved the whole text $saved of $tries times;" \
     "pasted whole after the flood $pasted times"
