#!/bin/sh
# The clipboard outlives the program: copy, close, paste, with a stand-in
# clipboard manager on a virtual X server; a manager that never answers
# and no manager at all end the program all the same. While the program
# runs, clients flooding it with requests leave its memory where it was.
# Usage: clipboard_after_close_test.sh <stand-in> <close probe> <program folder> <flooding client>
# (run under xvfb-run)
set -u
standin=$1 probe=$2 folder=$3 flood_client=$4
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

# While the program runs: 20 clients asking for its copy as STRING every
# 10 ms and never taking it leave its memory where it was; a paste
# meanwhile is the whole text; SIGTERM ends it all the same.
rss_kib() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status" 2>/dev/null; }
"$probe" "$folder" "$work/copied.txt" --all 60000 > "$work/probe.out" 2>&1 &
probe_pid=$!
wait_for copied "$work/probe.out" "running flood: the probe did not copy"
before=$(rss_kib "$probe_pid")
for _ in $(seq 20); do
    "$standin" flood 1 > /dev/null 2>&1 &
    flooder="$flooder $!"
done
peak=$before
for _ in $(seq 30); do
    now=$(rss_kib "$probe_pid")
    [ -n "$now" ] || fail "running flood: the program ended under the flood"
    [ "$now" -gt "$peak" ] && peak=$now
    sleep 0.1
done
[ "$peak" -le $((before + 50 * 1024)) ] || fail "running flood: the program grew from $before KiB to $peak KiB"
"$standin" read > "$work/pasted.txt" || fail "running flood: nothing to paste while the program ran"
cmp -s "$work/copied.txt" "$work/pasted.txt" || fail "running flood: the pasted text differs from the copied text"
kill -TERM "$probe_pid"
( sleep 10; kill -KILL "$probe_pid" 2>/dev/null ) &
watchdog=$!
wait "$probe_pid"
status=$?
kill "$watchdog" 2>/dev/null
[ "$status" -eq 143 ] || fail "running flood: SIGTERM ended the program with $status"
echo "ok: running flood, $before KiB before, $peak KiB at most, the text pasted, SIGTERM answered"
kill $flooder 2>/dev/null
wait $flooder 2>/dev/null
flooder=""

# Last, as it leaves the X server busy for a while: clients asking for the
# text as fast as it is answered, meanwhile: the manager's requests at the
# close go first, and it saves the whole text.
rm -f "$work/copied.txt"
start_manager manager
saves=$(grep -c '^saved' "$work/manager.out")
"$probe" "$folder" "$work/copied.txt" --all 3000 > "$work/probe.out" 2>&1 &
probe_pid=$!
wait_for copied "$work/probe.out" "close under a flood: the probe did not copy"
for _ in $(seq 5); do
    "$flood_client" STRING 1000 > /dev/null 2>&1 &
    flooder="$flooder $!"
done
wait "$probe_pid" || fail "close under a flood: the probe ended with $?"
kill $flooder
wait $flooder 2>/dev/null
flooder=""
expected="saved $(wc -c < "$work/copied.txt") bytes"
[ "$(grep -c '^saved' "$work/manager.out")" -gt "$saves" ] &&
    [ "$(grep '^saved' "$work/manager.out" | tail -n 1)" = "$expected" ] ||
    fail "close under a flood: the manager did not save the text"
echo "ok: close under a flood, the manager $expected"
stop_manager
exit 0
