#!/bin/sh
# The clipboard outlives the program: copy, close, paste, with a stand-in
# clipboard manager on a virtual X server; a manager that never answers
# and no manager at all end the program all the same.
# Usage: clipboard_after_close_test.sh <stand-in> <close probe> <program folder>
# (run under xvfb-run)
set -u
standin=$1 probe=$2 folder=$3
work=$(mktemp -d)
manager=""
cleanup() { [ -n "$manager" ] && kill "$manager" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export QT_QPA_PLATFORM=xcb
fail() { echo "FAIL: $*"; exit 1; }

start_manager() { # mode
    "$standin" "$1" > "$work/manager.out" 2>&1 &
    manager=$!
    for _ in $(seq 100); do grep -q ready "$work/manager.out" && return 0; sleep 0.05; done
    fail "the stand-in manager did not start"
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
exit 0
