#!/bin/sh
# Records the shipped database's checksum and modification time before the
# tests, and checks them after: whatever the tests did, it was never written.
# Usage: database_unchanged.sh record|check <database> <record file>
set -eu
state() { printf '%s %s\n' "$(sha256sum <"$2" | cut -d' ' -f1)" "$(stat -c %Y.%y "$2")"; }
case "$1" in
record) state "$@" >"$3"; echo "recorded: $(cat "$3")";;
check)
    now=$(state "$@")
    if [ "$now" = "$(cat "$3")" ]; then echo "unchanged: $now"; else
        echo "FAIL: the database changed: was $(cat "$3"), now $now"; exit 1; fi;;
*) exit 2;;
esac
