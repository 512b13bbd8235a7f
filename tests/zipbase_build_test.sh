#!/bin/sh
# The database builder: the shipped CSV gives the table the program reads,
# and a malformed CSV is refused with its file name and line and leaves no file.
# Usage: zipbase_build_test.sh <zipbase-build> <shipped csv>
set -u
tool=$1 csv=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

q() { sqlite3 -batch -noheader "$1" "$2"; }

# The shipped data.
"$tool" "$csv" "$work/zipbase.mdb" >/dev/null || fail "shipped CSV refused"
[ "$(q "$work/zipbase.mdb" 'select count(*) from zip_codes')" = 42555 ] || fail "row count"
[ "$(q "$work/zipbase.mdb" "select zip from zip_codes where city='Holtsville' order by zip limit 1")" = 00501 ] \
    || fail "leading zeros lost"
[ "$(q "$work/zipbase.mdb" "select typeof(zip) from zip_codes limit 1")" = text ] || fail "zip not text"
[ "$(q "$work/zipbase.mdb" 'pragma journal_mode')" = delete ] || fail "journal mode"
[ "$(q "$work/zipbase.mdb" "select count(*) from zip_codes where city = 'holtsville'")" = 3 ] || fail "not NOCASE"
ls "$work" | grep -v '^zipbase.mdb$' >/dev/null && fail "stray files: $(ls "$work")"

# Quoted fields, doubled quotes, a line break inside quotes, CRLF line ends.
printf 'city,state,zip,note\r\n"O""Neil, Upper",NY,00123,\r\nTwo Lines,CA,"90210","Two\nLines"\r\n' >"$work/quoted.csv"
"$tool" "$work/quoted.csv" "$work/quoted.mdb" >/dev/null || fail "quoted CSV refused"
[ "$(q "$work/quoted.mdb" "select city from zip_codes where zip='00123'")" = 'O"Neil, Upper' ] || fail "quoted field"
[ "$(q "$work/quoted.mdb" "select count(*) from zip_codes")" = 2 ] || fail "quoted row count"

# A workbook saved by a spreadsheet: a title above the header, ZIP codes
# stored as numbers, which get their zeros back.
data=$(dirname "$0")/data
"$tool" "$data/places.xlsx" "$work/places.mdb" >/dev/null 2>"$work/places.err" || fail "workbook refused"
[ "$(q "$work/places.mdb" "select group_concat(zip || ' ' || state, ',') from zip_codes")" \
    = '02108 MA,00501 NY,90210 CA,60601 IL' ] || fail "workbook rows: $(q "$work/places.mdb" 'select * from zip_codes')"
grep -q 'places.xlsx:3: ZIP 2108 stored as 02108' "$work/places.err" || fail "workbook row number"
"$tool" --sheet Nine "$data/places.xlsx" "$work/nine.mdb" 2>"$work/nine.err" >/dev/null && fail "unknown sheet taken"
grep -q 'no sheet "Nine"' "$work/nine.err" || fail "unknown sheet message"
[ -e "$work/nine.mdb" ] && fail "unknown sheet wrote a database"

# An earlier database at the output: what a refused or interrupted build keeps.
q "$work/old.mdb" 'create table old (x); insert into old values (1)'

# Malformed inputs: each refused with file:line, no output written, an old output kept.
refuses() { # <name> <content> <line>
    printf '%b' "$2" >"$work/$1.csv"
    cp "$work/old.mdb" "$work/$1.mdb"
    if "$tool" "$work/$1.csv" "$work/$1.mdb" 2>"$work/$1.err" >/dev/null; then
        fail "$1 accepted"
    fi
    grep -q "^$work/$1.csv:$3: " "$work/$1.err" || fail "$1 message: $(cat "$work/$1.err")"
    cmp -s "$work/old.mdb" "$work/$1.mdb" || fail "$1 replaced the old output"
    ls "$work" | grep -q "$1.mdb.building" && fail "$1 left a temporary file"
}
refuses wrong-header 'name,region,code\nA,NY,00001\n' 1
grep -q 'no City, State or ZIP columns' "$work/wrong-header.err" || fail "wrong-header message"
refuses too-few 'city,state,zip\nA,NY,00001\nB,NY\n' 3
refuses too-many 'city,state,zip\nA,NY,00001,extra\n' 2
refuses unterminated 'city,state,zip\nA,NY,00001\n"B,NY,00002\n' 3
refuses empty '' 1

# The shapes people have, in UTF-8 or Windows-1252: <name> <input> <rows as city|state|zip>.
accepts() {
    printf '%b' "$2" >"$work/$1.in"
    "$tool" "$work/$1.in" "$work/$1.mdb" >/dev/null 2>"$work/$1.err" || { fail "$1 refused: $(cat "$work/$1.err")"; return; }
    got=$(q "$work/$1.mdb" "select city || '|' || state || '|' || zip from zip_codes order by rowid")
    [ "$got" = "$(printf '%b' "$3")" ] || fail "$1 rows: $got"
}
accepts saved-tab-1252 'City\tState\tZip\r\nMayag\0374ez\tPR\t00680\r\nNew York\tNY\t10001\r\n\r\n' \
    'Mayag\0303\0274ez|PR|00680\nNew York|NY|10001'
accepts saved-semicolon 'City; State; Zip\r\nA; B "C"; NY; 00001\r\n\r\n' 'A; B "C"|NY|00001'
accepts saved-comma-caps 'CITY,STATE,ZIP\r\n"O""Hare",IL,60666\r\n\r\n' 'O"Hare|IL|60666'
accepts utf8-bom '\0357\0273\0277city,state,zip\nMayag\0303\0274ez,PR,00680\n' 'Mayag\0303\0274ez|PR|00680'
accepts geonames 'US\t99553\tAkutan\tAlaska\tAK\tAleutians East\t013\t\t\t54.143\t-165.7854\t1\nUS\t00501\tHoltsville\tNew York\tNY\tSuffolk\t103\t\t\t40.8154\t-73.0451\t4\n' \
    'Akutan|AK|99553\nHoltsville|NY|00501'
# An export: its columns found by name, the rest passed over; what the rows
# hold brought to the stored form, and what cannot be stored refused.
accepts export 'Name,Street,City,State,ZIP,County\r\nA,"1st St, Apt 2",Boston,Massachusetts,2134,y\r\nB,x, Boston ,ma,02134-1234,y\r\nC,x,Holtsville,NY,5011234,y\r\n' \
    'Boston|MA|02134\nHoltsville|NY|00501'
# A row stored as another was (a dump with repeated lines) is one row; the
# same ZIP under another name stays a row of its own.
line=$(printf 'US\t02108\tBoston\tMassachusetts\tMA\tSuffolk\t025\t\t\t42.3576\t-71.0684\t4')
{ yes "$line" | head -100000; printf 'US\t02108\tBeacon Hill\tMassachusetts\tMA\tSuffolk\t025\t\t\t42.3576\t-71.0684\t4\n'; } \
    >"$work/repeated.txt"
"$tool" "$work/repeated.txt" "$work/repeated.mdb" >"$work/repeated.out" 2>&1 || fail "repeated rows refused"
[ "$(q "$work/repeated.mdb" "select group_concat(city, '|') from zip_codes")" = 'Boston|Beacon Hill' ] \
    || fail "repeated rows: $(q "$work/repeated.mdb" 'select count(*) from zip_codes') stored"
grep -q ': 2 rows; 99999 repeated rows left out' "$work/repeated.out" || fail "repeated rows said: $(cat "$work/repeated.out")"
refuses empty-city 'zip;city;state\n00001;A;NY\n00002; ;NY\n' 3
refuses no-zip 'city,state,zip\nA,NY,00001\nB,NY,1\n' 3
refuses no-state 'city\tstate\tzip\nA\tXX\t00001\n' 2
refuses states-only 'City\tState\r\nA\tNY\r\n' 1
grep -q 'the Zip column is missing' "$work/states-only.err" || fail "states-only message: $(cat "$work/states-only.err")"
refuses zips-only 'Zip\r\n00001\r\n\r\n' 1
grep -q 'the City and State columns are missing' "$work/zips-only.err" || fail "zips-only message"
refuses geonames-short 'US\t00501\tHoltsville\tNew York\tNY\t5\t6\t7\t8\t9\t10\t11\nUS\tshort\n' 2

# An output that is not an ordinary file is refused and left as it is.
mkfifo "$work/pipe.mdb"
mkdir "$work/folder.mdb"
for output in "$work/pipe.mdb" "$work/folder.mdb" /dev/null; do
    "$tool" "$csv" "$output" >/dev/null 2>"$work/kind.err"
    [ $? -eq 1 ] || fail "$output: not refused with status 1"
    grep -q "^zipbase-build: $output is not an ordinary file\$" "$work/kind.err" || fail "$output: $(cat "$work/kind.err")"
done
[ -p "$work/pipe.mdb" ] && [ -d "$work/folder.mdb" ] && [ -c /dev/null ] || fail "an output that is not a file was replaced"
ls "$work" | grep -q building && fail "a refused output left $(ls "$work" | grep building)"

# The input named as the output, by its name or a link, and a file that is
# not a database there: refused, each left as it was.
cp "$csv" "$work/same.csv"
ln -s same.csv "$work/same-link.csv"
echo "a report" >"$work/report.txt"
for output in "$work/same.csv" "$work/same-link.csv" "$work/report.txt"; do
    "$tool" "$work/same.csv" "$output" >/dev/null 2>"$work/same.err"
    [ $? -eq 1 ] || fail "$output as the output: not refused"
done
grep -q 'is not a database' "$work/same.err" || fail "report.txt message: $(cat "$work/same.err")"
cmp -s "$csv" "$work/same.csv" && [ "$(cat "$work/report.txt")" = "a report" ] || fail "a refused output was changed"
# An empty file there is replaced, as an earlier database is.
: >"$work/empty.mdb"
"$tool" "$work/same.csv" "$work/empty.mdb" >/dev/null || fail "an empty output refused"

# A list as a spreadsheet writes it: UTF-16, CR line ends, a ZIP cell's forms,
# columns named by --columns.
printf 'Town\tRegion\tCode\r\nBoston\tMA\t'"'"'02108\r\nAllston\tMA\t2134.0\r\n' | iconv -f UTF-8 -t UTF-16 >"$work/unicode.txt"
"$tool" --columns Town,Region,Code "$work/unicode.txt" "$work/unicode.mdb" >/dev/null 2>"$work/unicode.err" \
    || fail "UTF-16 refused: $(cat "$work/unicode.err")"
[ "$(q "$work/unicode.mdb" "select group_concat(zip) from zip_codes")" = "02108,02134" ] || fail "UTF-16 rows"
# A column --columns names that the header lacks: said on the header's line.
"$tool" --columns Town,Region,Zip "$work/unicode.txt" "$work/named.mdb" >/dev/null 2>"$work/named.err" \
    && fail "an unknown --columns name taken"
grep -qx "$work/unicode.txt:1: --columns: the header has no column \"Zip\"" "$work/named.err" \
    || fail "unknown --columns name: $(cat "$work/named.err")"
printf 'City,State,ZIP\rBoston,MA,="02108"\r' >"$work/mac.csv"
"$tool" "$work/mac.csv" "$work/mac.mdb" >/dev/null 2>&1 || fail "CR line ends refused"
[ "$(q "$work/mac.mdb" "select zip from zip_codes")" = 02108 ] || fail "CR line ends rows"
# A TSV of 12 columns whose header begins with two capitals is no GeoNames dump.
printf 'ID\tCity\tState\tZip\tA\tB\tC\tD\tE\tF\tG\tH\n1\tBoston\tMA\t02108\ta\tb\tc\td\te\tf\tg\th\n' >"$work/twelve.tsv"
"$tool" "$work/twelve.tsv" "$work/twelve.mdb" >/dev/null 2>&1 || fail "a 12-column TSV taken for GeoNames"

# The list made current: a row of each kind, with the export and the
# points. Each line of the table: ZIP, where it ends (list, retired or
# absent), its city and state there, its point and its county FIPS.
{ echo city,state,zip; printf '%s\n' \
    'Boston,MA,02134' 'Sacaton,AZ,85247' 'San Juan,PR,00901' 'Apo,AE,09002' 'Charleston,WV,25309' \
    'Lead Hill,AR,72644' 'Lost Town,OK,74184'; } >"$work/old.csv"
{ echo zip,latitude,longitude; printf '%s\n' '02134,42.35,-71.13' '00901,18.46,-66.10' '09002,0,0' '74184,91,10' \
    '25309,38.33,-81.65'; } >"$work/points.csv"
tab=$(printf '\t')
{
    printf 'US\t02134\tAllston\tMassachusetts\tMA\tSuffolk\t025\t\t\t42.3535\t-71.1329\t4\n'
    printf 'US\t85147\tSacaton\tArizona\tAZ\tPinal\t021\t\t\t33.1234\t-111.7384\t4\n'
    printf 'US\t25309\tSouth Charleston\tWest Virginia\tWV\tKanawha\t039\t\t\t\t\t\n'
    printf 'US\t72644\tLead Hill\tArkansas\tAR\tBoone\t009\t\t\t36.4\t-92.9\t4\n'
    printf 'US\t72643\tLead Hill\tMissouri\tMO\tBoone\t009\t\t\t36.41\t-92.91\t4\n'
    printf "US\t83815\tCoeur d'Alene\tIdaho\tID\tKootenai\t055\t\t\t47.7\t-116.8\t4\n"
    printf 'US\t09001\tAPO AE\t\t\t\t\t\t\t38.1105\t15.6613\t\n'
    printf 'US\t96201\tFPO AP\t\t\t\t\t\t\t200\t15\t\n'
} >"$work/current.txt"
"$tool" --locations "$work/points.csv" --current "$work/current.txt" --note "current=Test export, CC BY 4.0" \
    "$work/old.csv" "$work/current.mdb" >"$work/current.out" 2>"$work/current.err" || fail "the merge refused"
where() { # zip: where|city|state|latitude,longitude|fips
    listed=$(q "$work/current.mdb" "select 'list|' || city || '|' || state from zip_codes where zip = '$1'")
    retired=$(q "$work/current.mdb" "select 'retired|' || city || '|' || state from retired_zips where zip = '$1'")
    place=$(q "$work/current.mdb" "select coalesce(latitude || ',' || longitude, '') || '|' || coalesce(county_fips, '')
                                   from zip_places where zip = '$1'")
    echo "${listed:-${retired:-absent||}}|${place:-|}"
}
while IFS="$tab" read -r zip expected why; do
    [ "$(where "$zip")" = "$expected" ] || fail "merge, $why: $zip is $(where "$zip"), not $expected"
done <<ROWS
02134	list|Boston|MA|42.3535,-71.1329|25025	kept: the list's name, the export's point and county
85247	retired|Sacaton|AZ||	retired: the export lacks it
85147	list|Sacaton|AZ|33.1234,-111.7384|04021	new in the export
00901	list|San Juan|PR|18.46,-66.1|	a territory is never retired
09002	list|Apo|AE||	a military ZIP is never retired; 0,0 is no place
09001	list|Apo|AE|38.1105,15.6613|	a new military ZIP takes the state its number gives
96201	list|Fpo|AP||	a point out of range is left out
25309	list|Charleston|WV|38.33,-81.65|54039	renamed in the export: the list's name, the old point
72643	list|Lead Hill|AR|36.41,-92.91|05009	a state the prefix contradicts
74184	retired|Lost Town|OK||	retired, its bad point said
83815	list|Coeur D Alene|ID|47.7,-116.8|16055	named in the list's style
ROWS
grep -q 'points.csv:5: 91,10 is no place' "$work/current.err" || fail "a bad point is not said: $(cat "$work/current.err")"
grep -q 'current.txt:8: 200,15 is no place' "$work/current.err" || fail "a bad export point is not said"
[ "$(q "$work/current.mdb" "select note from data_sources where role = 'current'")" = 'Test export, CC BY 4.0' ] \
    || fail "the source's note"
[ "$(q "$work/current.mdb" "select count(*) from zip_points")" = 8 ] || fail "points indexed"
# A source besides the list that cannot be read: refused, named with its
# line (not as the list), and no database written.
printf 'US\t02135\t%s\tMassachusetts\tMA\tSuffolk\t025\t\t\t42.35\t-71.13\t4\n' "$(head -c 70000 /dev/zero | tr '\0' a)" \
    >"$work/long.txt"
printf 'zip,latitude,longitude\n02134,42.35,-71.13\n"02135,1,2\n' >"$work/open-quote.csv"
printf 'zip,zone\n02134,America/New_York\n' >"$work/no-zone.csv"
printf 'zip,time_zone\n02134,%s\n' "$(head -c 70000 /dev/zero | tr '\0' a)" >"$work/long-zone.csv"
printf 'place,state,longitude\nAllston,MA,-71.13\n' >"$work/no-latitude.csv"
while IFS="$tab" read -r option file expected; do
    rm -f "$work/source.mdb"
    "$tool" "$option" "$file" "$work/old.csv" "$work/source.mdb" >/dev/null 2>"$work/source.err" && fail "$option $file taken"
    grep -q "$expected" "$work/source.err" || fail "$option $file: $(cat "$work/source.err")"
    [ -e "$work/source.mdb" ] && fail "$option $file wrote a database"
done <<SOURCES
--current	$work/long.txt	long.txt:1: the line is longer than 64 KiB
--current	/dev/zero	/dev/zero is not an ordinary file
--locations	$work/open-quote.csv	open-quote.csv:3: a quote opened on this line is never closed
--locations	/dev/zero	/dev/zero is not an ordinary file
--time-zones	$work/no-zone.csv	^zipbase-build: .*no-zone.csv:1: the header must name the ZIP and time_zone columns$
--time-zones	$work/long-zone.csv	^zipbase-build: .*long-zone.csv:2: the line is longer than 64 KiB
--named-places	$work/no-latitude.csv	no-latitude.csv:1: the header must name the latitude column$
SOURCES
# A user's list with its own points: quoted fields, other columns passed
# over, a point that is no place said and left out.
printf 'Name,City,State,ZIP,Latitude,Longitude\n"Ann, Jr",Boston,MA,02134,42.35,-71.13\nBo,Acton,MA,01720,0,0\n' \
    >"$work/own.csv"
"$tool" "$work/own.csv" "$work/own.mdb" >/dev/null 2>"$work/own.err" || fail "a list with points refused"
[ "$(q "$work/own.mdb" "select group_concat(zip || ' ' || coalesce(latitude, '-'), ',') from zip_places")" \
    = '02134 42.35' ] || fail "a list's own points: $(q "$work/own.mdb" 'select * from zip_places')"
grep -q 'own.csv:3: 0,0 is no place' "$work/own.err" || fail "a list's point that is no place is not said"

# Conventions: help on standard output, usage errors with status 2.
"$tool" --help | grep -q '^usage: zipbase-build' || fail "--help"
"$tool" --version | grep -q '^zipbase-build ' || fail "--version"
"$tool" --bogus a b 2>/dev/null; [ $? -eq 2 ] || fail "an unknown option is not status 2"
"$tool" onlyone 2>/dev/null; [ $? -eq 2 ] || fail "one file is not status 2"

# Interrupted: the work in progress is removed, the old output kept, the
# status tells the signal.
for signal in INT TERM HUP; do
    { cat "$csv"; for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19; do tail -n +2 "$csv"; done; } \
        >"$work/big.csv"
    cp "$work/old.mdb" "$work/big.mdb"
    # A background job of a script starts with SIGINT ignored; a terminal's Ctrl-C would reach it.
    env --default-signal=INT "$tool" "$work/big.csv" "$work/big.mdb" >/dev/null 2>&1 &
    builder=$!
    tries=0
    until ls "$work" | grep -q 'big.mdb.building' || [ $tries -gt 500 ]; do sleep 0.01; tries=$((tries + 1)); done
    sleep 0.2
    kill -"$signal" $builder
    wait $builder
    status=$?
    case $signal in INT) expected=130 ;; TERM) expected=143 ;; HUP) expected=129 ;; esac
    [ $status -eq $expected ] || fail "SIG$signal: status $status"
    cmp -s "$work/old.mdb" "$work/big.mdb" || fail "SIG$signal replaced the old output"
    ls "$work" | grep -q 'big.mdb.building' && fail "SIG$signal left $(ls "$work" | grep building)"
done

# Time zones: a name that is no zone's (one that would reach outside the
# zone files' folder) is said and left out, the rest stored by ZIP; a ZIP
# given its zone again is counted, one given two zones refuses the build.
printf 'city,state,zip\nBoston,MA,02108\nApo,AE,09002\n' >"$work/tz.csv"
# Semicolons separate a source's fields as they may a list's.
printf 'zip;time_zone\n02108;America/New_York\n09002;../../etc/passwd\n2108-1234;America/New_York\n' >"$work/zones.csv"
"$tool" --time-zones "$work/zones.csv" "$work/tz.csv" "$work/tz.mdb" >/dev/null 2>"$work/tz.err" || fail "time zones refused"
grep -q "zones.csv:3: not a time zone's name" "$work/tz.err" || fail "a bad zone not said: $(cat "$work/tz.err")"
grep -q "zones.csv: 1 repeated rows kept once" "$work/tz.err" || fail "a repeated zone not said: $(cat "$work/tz.err")"
[ "$(q "$work/tz.mdb" "select zip || ' ' || time_zone from zip_time_zones order by zip")" = "02108 America/New_York" ] \
    || fail "time zones stored: $(q "$work/tz.mdb" "select * from zip_time_zones")"
printf 'zip,time_zone\n02108,America/New_York\n09002,Europe/Berlin\n02108-1234,America/Chicago\n' >"$work/two-zones.csv"
"$tool" --time-zones "$work/two-zones.csv" "$work/tz.csv" "$work/two-zones.mdb" >/dev/null 2>"$work/two-zones.err" \
    && fail "a ZIP given two zones taken"
grep -qx "zipbase-build: $work/two-zones.csv:4: ZIP 02108 is given America/Chicago here but America/New_York on line 2" \
    "$work/two-zones.err" || fail "two zones: $(cat "$work/two-zones.err")"
[ -e "$work/two-zones.mdb" ] && fail "two zones wrote a database"

# The places' sources: a row given again as it was is stored once, and
# counted; a name no place has (a control character, a path, a formula's
# start) is said with its line and left out, in the list itself refused.
{ echo zip,state,place; yes '02108,MA,Beacon Hill' | head -100000; printf '02108,MA,Bea\033[2Jcon\n'; \
  printf '02108,MA,../../etc\n02108,MA,=HYPERLINK("x")\n02108,MA,Allston/Brighton\n'; } >"$work/census.csv"
printf 'place,state,latitude,longitude\nFenway,MA,42.34,-71.1\nFenway,MA,42.34,-71.1\n/etc/passwd,MA,1,1\n' \
    >"$work/named.csv"
"$tool" --census-places "$work/census.csv" --named-places "$work/named.csv" "$work/tz.csv" "$work/names.mdb" \
    >/dev/null 2>"$work/names.err" || fail "place names refused: $(cat "$work/names.err")"
[ "$(q "$work/names.mdb" "select group_concat(place, '|') from zip_census_places")" = 'Beacon Hill|Allston/Brighton' ] \
    || fail "census places stored: $(q "$work/names.mdb" 'select count(*) from zip_census_places')"
[ "$(q "$work/names.mdb" "select group_concat(place, '|') from named_places")" = 'Fenway' ] || fail "named places stored"
for said in 'census.csv: 99999 repeated rows kept once' 'census.csv:100002: the place holds a control character' \
    'census.csv:100003: the place is a path' 'census.csv:100004: the place begins with =' \
    'named.csv: 1 repeated rows kept once' 'named.csv:4: the place is a path'; do
    grep -q "$said" "$work/names.err" || fail "not said: $said: $(cat "$work/names.err")"
done
# In the export, the name alone is left out: its ZIP is neither retired nor added unnamed.
printf 'US\t02109\tEvil\033]0;x\007\tMassachusetts\tMA\tSuffolk\t025\t\t\t42.36\t-71.05\t4\n' >"$work/named-export.txt"
printf 'US\t02108\tBoston\tMassachusetts\tMA\t-Suffolk\t025\t\t\t42.35\t-71.06\t4\n' >>"$work/named-export.txt"
"$tool" --current "$work/named-export.txt" "$work/tz.csv" "$work/export.mdb" >/dev/null 2>"$work/export.err" \
    || fail "an export with a bad name refused: $(cat "$work/export.err")"
[ "$(q "$work/export.mdb" "select group_concat(zip || ' ' || coalesce(county, ''), ',') from zip_codes
                          left join zip_places using (zip)")" = '02108 ,09002 ' ] \
    || fail "export names: $(q "$work/export.mdb" 'select * from zip_codes')"
grep -q 'named-export.txt:1: the place holds a control character' "$work/export.err" \
    && grep -q 'named-export.txt:2: the county begins with -' "$work/export.err" || fail "export names: $(cat "$work/export.err")"
refuses city-control 'city,state,zip\nBoston,MA,02108\n"Bos\tton",MA,02108\n' 3
grep -q 'the city holds a control character' "$work/city-control.err" || fail "city-control message"
refuses city-formula 'city,state,zip\n@SUM(1),MA,02108\n' 2

[ "$failures" -eq 0 ] && echo "all zipbase-build checks passed"
exit "$failures"
