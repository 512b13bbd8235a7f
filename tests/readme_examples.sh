#!/bin/sh
# The README's examples, run as a reader would run them, so they cannot
# drift from what the programs print. An example is a fenced block whose
# first line starts with "$ ": each "$ " line is a command (a line ending in
# a backslash goes on), the lines under it what it prints, its standard
# output then its standard error, line ends as a terminal shows them. A
# block's commands run in one shell, from a folder laid out as the source
# tree with build/bin the built programs, so "echo $?" after a command
# shows that command's status.
# Usage: readme_examples.sh <source folder> <programs folder>
set -u
source_dir=$1 programs=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

tree=$work/tree
mkdir -p "$tree/build"
ln -s "$programs" "$tree/build/bin"
for entry in "$source_dir"/*; do
    [ "$(basename "$entry")" = build ] || ln -s "$entry" "$tree/$(basename "$entry")"
done

# Each block's commands and shown output, as files: e<block>/<n>.cmd and
# e<block>/<n>.want.
awk -v out="$work" '
    function begin_command(text) { n++; cmd = out "/e" block "/" n ".cmd"; want = out "/e" block "/" n ".want"
                                   printf "" >want; printf "%s\n", text >cmd; going_on = text ~ /\\$/ }
    /^```/ { if (fenced) { fenced = 0; example = 0 } else { fenced = 1; first = 1 } next }
    fenced && first { first = 0; if ($0 ~ /^\$ /) { example = 1; block++; n = 0
                                                    system("mkdir -p \"" out "/e" block "\"") } }
    example && going_on { printf "%s\n", $0 >>cmd; going_on = $0 ~ /\\$/; next }
    example && /^\$ / { begin_command(substr($0, 3)); next }
    example { printf "%s\n", $0 >>want }
' "$source_dir/README.md"

blocks=0 commands=0 failures=0
for block in "$work"/e*; do
    [ -d "$block" ] || continue
    blocks=$((blocks + 1))
    script=$block/run.sh
    echo 'last=0' >"$script"
    i=1
    while [ -e "$block/$i.cmd" ]; do
        n=$block/$i
        # The status of the command before is restored first, for "echo $?".
        { printf '( exit $last ); {\n'; cat "$n.cmd"; printf '} >"%s.out" 2>"%s.err"; last=$?\n' "$n" "$n"; } >>"$script"
        i=$((i + 1))
    done
    (cd "$tree" && sh "$script")
    i=1
    while [ -e "$block/$i.cmd" ]; do
        n=$block/$i cmd=$block/$i.cmd
        i=$((i + 1))
        commands=$((commands + 1))
        # A terminal shows a CRLF line end (CSV's) as it shows LF.
        cat "$n.out" "$n.err" | sed 's/\r$//' >"$n.got"
        if ! cmp -s "$n.want" "$n.got"; then
            failures=$((failures + 1))
            echo "FAIL: README.md: \$ $(cat "$cmd")"
            diff -u --label shown --label printed "$n.want" "$n.got"
        fi
    done
done
echo "$commands commands in $blocks examples, $failures printing other than shown"
[ "$commands" -gt 0 ] || { echo "FAIL: no examples found in README.md"; exit 1; }
[ "$failures" -eq 0 ]
