#!/bin/sh
# The clipboard outlives the program: copy, close, paste, with a stand-in
# clipboard manager on a virtual X server; a manager that never answers
# and no manager at all end the program all the same.
# Usage: clipboard_after_close_test.sh <stand-in> <close probe> <program folder>
# (run under xvfb-run)
set -u
standin=$1 probe=$2 folder=$3
work=$(mktemp -d)
manager="" flooder=""
cleanup() { kill $manager $flooder 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export QT_QPA_PLATFORM=xcb
fail() { echo "FAIL: $*"; exit 1; }

# Waits for a line in a file, generously: a fresh machine starts slowly.
wait_for() { # pattern file what
    for _ in $(seq 600); do grep -q "$1" "$2" 2>/dev/null && return 0; sleep 0.05; done
    fail "$3"
}
start_manager() { # mode
    "$standin" "$1" > "$work/manager.out" 2>&1 &
    manager=$!
    wait_for ready "$work/manager.out" "the stand-in manager did not start"
}
stop_manager() { kill "$manager"; wait "$manager" 2>/dev/null; manager=""; }
milliseconds() { echo $(( $(date +%s%N) / 1000000 )); }

# The pasted text after the program ended is the copied text, small and large
# (a large text goes over in pieces).
start_manager manager
for rows in spring --all; do
    "$probe" "$folder" "$work/copied.txt" "$rows" || fail "$rows: the probe ended with $?"
    [ -s "$work/copied.txt" ] || fail "$rows: nothing was copied"
    "$standin" read > "$work/pasted.txt" || fail "$rows: nothing to paste after the program ended"
    cmp -s "$work/copied.txt" "$work/pasted.txt" || fail "$rows: the pasted text differs from the copied text"
    echo "ok: $rows, $(wc -c < "$work/pasted.txt") bytes pasted after the program ended"
done

# Without a copy the program hands nothing over: the manager keeps the last text.
"$probe" "$folder" "$work/copied.txt" --none || fail "no copy: the probe ended with $?"
"$standin" read > "$work/pasted.txt" || fail "no copy: the manager's text was lost"
grep -q "saved" "$work/manager.out" || fail "the manager saved nothing"
[ "$(grep -c saved "$work/manager.out")" -eq 2 ] || fail "a program without a copy handed something over"
stop_manager

# A manager that never answers, and no manager: the program still ends.
for mode in hang none; do
    [ "$mode" = hang ] && start_manager hang
    started=$(milliseconds)
    timeout 20 "$probe" "$folder" "$work/copied.txt" spring || fail "$mode: the probe ended with $?"
    echo "ok: $mode manager, the program ended $(( $(milliseconds) - started )) ms after it started"
    [ "$mode" = hang ] && stop_manager
done
# A manager that never answers and a client that keeps asking for the text
# and never takes it: the program still ends within the hand-over's time,
# its memory no higher than without the client.
peak_kib() { # the probe's highest resident size while it runs, in KiB
    peak=0
    while now=$(awk '/^VmHWM/ { print $2 }' "/proc/$1/status" 2>/dev/null) && [ -n "$now" ]; do
        peak=$now # an ended process, not yet waited for, has no VmHWM line
        sleep 0.02
    done
    echo "$peak"
}
start_manager hang
for flood in no yes; do
    rm -f "$work/copied.txt"
    "$probe" "$folder" "$work/copied.txt" --all &
    probe_pid=$!
    ( sleep 20; kill "$probe_pid" 2>/dev/null ) &
    watchdog=$!
    if [ "$flood" = yes ]; then
        wait_for . "$work/copied.txt" "flood: the probe did not copy"
        "$standin" flood > "$work/flood.out" 2>&1 &
        flooder=$!
    fi
    peak=$(peak_kib "$probe_pid")
    wait "$probe_pid"
    status=$?
    kill "$watchdog" 2>/dev/null
    [ -n "$flooder" ] && { kill "$flooder"; wait "$flooder" 2>/dev/null; flooder=""; }
    [ "$status" -eq 0 ] || fail "flood $flood: the probe ended with $status"
    echo "ok: flood $flood, the program ended, peak $peak KiB"
    if [ "$flood" = no ]; then quiet_peak=$peak
    elif [ "$peak" -gt $((quiet_peak + 150 * 1024)) ]; then
        fail "a flooding client took the program from $quiet_peak KiB to $peak KiB"
    fi
done
stop_manager
exit 0
