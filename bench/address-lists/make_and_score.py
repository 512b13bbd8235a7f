#!/usr/bin/env python3
"""Address lists as real tools write them, with planted errors and a truth
for every row, checked by olvaris-lookup --check and scored against the
truths.

Usage: make_and_score.py OLVARIS-LOOKUP DATABASE WORK-FOLDER

Four lists, each from the rows of the database (zipbase.mdb) with a fixed
seed:
  spreadsheet.csv  a spreadsheet's CSV in Windows-1252 whose ZIPs lost their
                   leading zeros (numbers), some as ZIP+4 numbers;
  unicode.txt      a spreadsheet's "Unicode Text": UTF-16 with a byte-order
                   mark, tab separated;
  crm.csv          a CRM contact export: Mailing City, Mailing
                   State/Province, Mailing Zip/Postal Code; states written
                   out or in the style guides' abbreviations;
  orders.csv       a web shop's order export: Billing and Shipping columns,
                   ZIP cells written '02134 and ="02134"; checked with
                   --columns for the shipping address.
Prints, per list, a table of planted class x verdict and the suggested
ZIPs that were wrong (a suggestion that is not the row's true ZIP).

Where LibreOffice is installed (soffice), each list is then opened by Calc
with a title line above its header, once with the ZIP codes read as
numbers (what Calc does by itself) and once as text, saved as .xlsx, .ods
and .xls, checked, and its verdicts compared with its CSV twin's row by
row.
"""
import collections
import csv
import io
import json
import os
import random
import shutil
import sqlite3
import subprocess
import sys

OLD = {"MA": "Mass.", "CA": "Calif.", "PA": "Penn.", "FL": "Fla.", "WA": "Wash.", "WV": "W. Va.",
       "TX": "Tex.", "MI": "Mich.", "IL": "Ill.", "CO": "Colo."}
NAMES = {"MA": "Massachusetts", "NY": "New York", "CA": "California", "TX": "Texas", "OH": "Ohio",
         "NJ": "New Jersey", "PR": "Puerto Rico", "FL": "Florida"}
ACCENTS = {"Mayaguez": "Mayagüez", "Catano": "Cataño", "Penuelas": "Peñuelas", "Rincon": "Rincón",
           "Canovanas": "Canóvanas", "Las Marias": "Las Marías", "San German": "San Germán"}
PEOPLE = ["Renée Lefèvre", "José Muñoz", "Zoë Brontë", "Ana Peña", "Björn Ståhl", "Chloé Faÿ", "Lee Park", "Sam Ortiz"]


def load(path):
    if path.endswith(".csv"):
        rows = list(csv.reader(open(path, encoding="utf-8")))[1:]
    else:
        with sqlite3.connect("file:" + path + "?mode=ro", uri=True) as db:
            rows = [list(row) for row in db.execute("select city, state, zip from zip_codes order by zip")]
            RETIRED.extend(db.execute("select zip, city, state from retired_zips order by zip"))
    by_city = collections.defaultdict(set)
    for city, state, zip_code in rows:
        by_city[(city.lower(), state)].add(zip_code)
    return rows, by_city


def plant(rows, by_city, count, seed, classes):
    """Rows of (city, state, zip as written, class, true zip)."""
    rnd = random.Random(seed)
    planted = []
    for i in range(count):
        city, state, zip_code = rnd.choice(rows)
        kind = classes[i % len(classes)]
        written_city, written_state, written_zip = city, state, zip_code
        truth = zip_code
        if kind == "spelling":
            if city.startswith("Saint "):
                written_city = "St. " + city[6:]
            elif city in ACCENTS:
                written_city = ACCENTS[city]
            else:
                candidates = [r for r in rows if r[0].startswith("Saint ") or r[0] in ACCENTS]
                city, state, zip_code = rnd.choice(candidates)
                truth = zip_code
                written_city = "St. " + city[6:] if city.startswith("Saint ") else ACCENTS[city]
                written_state, written_zip = state, zip_code
        elif kind == "format":
            choice = rnd.randrange(3)
            if choice == 0:
                written_zip = zip_code + "-" + "%04d" % rnd.randrange(10000)
            elif choice == 1 and state in NAMES:
                written_state = NAMES[state]
            elif state in OLD:
                written_state = OLD[state]
            else:
                written_zip = zip_code + "-1234"
        elif kind == "wrong-zip":
            other = rnd.choice(rows)
            while other[2] in by_city[(city.lower(), state)]:
                other = rnd.choice(rows)
            written_zip = other[2]
        elif kind == "misspelt":
            letters = [j for j in range(1, len(city) - 1) if city[j].isalpha()]
            if len(city) > 5 and letters:
                j = rnd.choice(letters)
                written_city = city[:j] + city[j + 1:]
            else:
                kind = "clean"
        elif kind == "wrong-state":
            others = [s for s in ("NY", "CA", "TX", "OH", "MA", "WA") if s != state]
            written_state = rnd.choice(others)
        elif kind == "unknown-zip":
            written_zip = "00000"
        elif kind == "retired" and RETIRED:
            # The truth is the town's ZIP now, where it has exactly one.
            written_zip, written_city, written_state = rnd.choice(RETIRED)
            now = by_city[(written_city.lower(), written_state)]
            truth = next(iter(now)) if len(now) == 1 else ""
        elif kind == "retired":
            kind = "clean"
        elif kind == "empty":
            written_zip = ""
        planted.append((written_city, written_state, written_zip, kind, truth))
    return planted


# A row whose ZIP cell was written as a spreadsheet's is format as well.
EXPECTED = {"clean": {"ok"}, "spelling": {"ok", "format"}, "format": {"format"}, "wrong-zip": {"mismatch"},
            "misspelt": {"unknown-city"}, "wrong-state": {"mismatch"}, "unknown-zip": {"unknown-zip"},
            "retired": {"retired-zip"}, "empty": {"incomplete"}}
CLASSES = ["clean"] * 12 + ["spelling", "format", "format", "wrong-zip", "misspelt", "wrong-state",
                            "unknown-zip", "retired", "empty"]
# ZIPs retired since the list, with their last town: read from the database.
RETIRED = []


def lost_zeros(zip_code):
    return zip_code.lstrip("0") or "0"


def write_lists(rows, by_city, work):
    lists = {}
    # A spreadsheet's CSV: Windows-1252, ZIP as a number (zeros lost, ZIP+4 as nine digits).
    planted = plant(rows, by_city, 800, 1, CLASSES)
    out = io.StringIO()
    out.write("First Name,Last Name,Address,City,State,ZIP\r\n")
    for i, (city, state, zip_code, kind, truth) in enumerate(planted):
        first, last = PEOPLE[i % len(PEOPLE)].split(" ")
        written = zip_code.replace("-", "")
        written = lost_zeros(written) if written else written
        out.write('%s,%s,"%d Main St, Apt %d",%s,%s,%s\r\n' % (first, last, i, i % 9, city, state, written))
        if kind == "clean" and written != zip_code:
            planted[i] = (city, state, written, "format", truth)
    open(work + "/spreadsheet.csv", "wb").write(out.getvalue().encode("cp1252", errors="replace"))
    lists["spreadsheet.csv"] = (planted, [])
    # A spreadsheet's "Unicode Text": UTF-16 with a byte-order mark, tabs.
    planted = plant(rows, by_city, 700, 2, CLASSES)
    out = io.StringIO()
    out.write("Name\tCity\tState\tZIP\r\n")
    for i, (city, state, zip_code, kind, truth) in enumerate(planted):
        out.write("%s\t%s\t%s\t%s\r\n" % (PEOPLE[i % len(PEOPLE)], city, state, zip_code))
    open(work + "/unicode.txt", "wb").write(out.getvalue().encode("utf-16"))
    lists["unicode.txt"] = (planted, [])
    # A CRM's contact export.
    planted = plant(rows, by_city, 700, 3, CLASSES)
    out = io.StringIO()
    out.write("Contact ID,Full Name,Mailing Street,Mailing City,Mailing State/Province,Mailing Zip/Postal Code,"
              "Mailing Country\r\n")
    for i, (city, state, zip_code, kind, truth) in enumerate(planted):
        out.write('%d,%s,"%d Elm St",%s,%s,%s,United States\r\n' % (i, PEOPLE[i % len(PEOPLE)], i, city, state,
                                                                   zip_code))
    open(work + "/crm.csv", "wb").write(out.getvalue().encode("utf-8"))
    lists["crm.csv"] = (planted, [])
    # A web shop's orders: Billing and Shipping, ZIP cells as the shop's spreadsheet writes them.
    planted = plant(rows, by_city, 800, 4, CLASSES)
    out = io.StringIO()
    out.write("Order,Billing City,Billing State,Billing Zip,Shipping City,Shipping State,Shipping Zip,Total\r\n")
    for i, (city, state, zip_code, kind, truth) in enumerate(planted):
        cell = zip_code
        if zip_code and i % 3 == 0:
            cell = "'" + zip_code
        elif zip_code and i % 3 == 1:
            cell = '"=""%s"""' % zip_code
        if kind == "clean" and cell != zip_code:
            planted[i] = (city, state, cell, "format", truth)
        out.write("%d,%s,%s,%s,%s,%s,%s,%d.95\r\n" % (1000 + i, city, state, cell, city, state, cell, i % 90))
    open(work + "/orders.csv", "wb").write(out.getvalue().encode("utf-8"))
    lists["orders.csv"] = (planted, ["--columns", "Shipping City,Shipping State,Shipping Zip"])
    return lists


def score(lookup, work, name, planted, extra):
    run = subprocess.run([lookup, "--check", work + "/" + name, "--json"] + extra, capture_output=True)
    if run.returncode == 2:
        print("## %s: not read: %s" % (name, run.stderr.decode().strip()))
        return
    checked = [json.loads(line) for line in run.stdout.decode().splitlines()]
    table = collections.defaultdict(collections.Counter)
    wrong_suggestions, suggestions, expected_hits = 0, 0, 0
    for row, (_, _, _, kind, truth) in zip(checked, planted):
        table[kind][row["verdict"]] += 1
        expected_hits += row["verdict"] in EXPECTED[kind]
        if row["suggested_zip"]:
            suggestions += 1
            wrong_suggestions += row["suggested_zip"] != truth
    verdicts = ["ok", "format", "mismatch", "unknown-city", "unknown-zip", "retired-zip", "incomplete"]
    print("## %s (%d rows, %s)" % (name, len(checked), run.stderr.decode().strip().split(": ", 2)[-1]))
    print()
    print("| planted | " + " | ".join(verdicts) + " |")
    print("|---|" + "---|" * len(verdicts))
    for kind in ["clean", "spelling", "format", "wrong-zip", "misspelt", "wrong-state", "unknown-zip", "retired",
                 "empty"]:
        if kind in table:
            print("| %s | " % kind + " | ".join(str(table[kind][v]) for v in verdicts) + " |")
    print()
    print("Rows with the expected verdict: %d of %d; ZIPs suggested: %d, wrong: %d" % (
        expected_hits, len(checked), suggestions, wrong_suggestions))
    print()


def verdicts_of(lookup, path, extra):
    run = subprocess.run([lookup, "--check", path, "--json"] + extra, capture_output=True)
    if run.returncode == 2:
        return None, run.stderr.decode().strip()
    return [json.loads(line) for line in run.stdout.decode().splitlines()], ""


ENCODINGS = {"spreadsheet.csv": "cp1252", "unicode.txt": "utf-16", "crm.csv": "utf-8", "orders.csv": "utf-8"}


def workbook_twins(lookup, work, lists):
    """Each list as Calc saves it, against its CSV twin, row by row."""
    print("## The lists as workbooks saved by LibreOffice Calc, against their CSV twins")
    print()
    print("| list | ZIPs read as | form | rows | same verdict | differing (CSV -> workbook) |")
    print("|---|---|---|---|---|---|")
    written = []
    books = os.path.join(work, "workbooks")
    os.makedirs(books, exist_ok=True)
    for name, (_, extra) in lists.items():
        twin, _ = verdicts_of(lookup, os.path.join(work, name), extra)
        text = open(os.path.join(work, name), "rb").read().decode(ENCODINGS[name])
        separator = "\t" if name.endswith(".txt") else ","
        header = next(csv.reader(io.StringIO(text), delimiter=separator))
        zips = [i + 1 for i, column in enumerate(header) if "zip" in column.lower()]
        stem = os.path.splitext(name)[0]
        titled = os.path.join(books, stem + ".csv")
        open(titled, "w", encoding="utf-8").write("Exported 2026-12-08" + separator * (len(header) - 1) + "\r\n" + text)
        for read_as, types in (("numbers", ""), ("text", "/".join("%d/2" % z for z in zips))):
            options = "CSV:%d,34,76,1,%s" % (9 if separator == "\t" else 44, types)
            for form in ("xlsx", "ods", "xls"):
                target = os.path.join(books, "%s-%s.%s" % (stem, read_as, form))
                subprocess.run(["soffice", "--headless", "--infilter=" + options, "--convert-to", form, "--outdir",
                                books, titled], capture_output=True)
                os.replace(os.path.join(books, stem + "." + form), target)
                checked, problem = verdicts_of(lookup, target, extra)
                if checked is None:
                    print("| %s | %s | %s | not read: %s | | |" % (name, read_as, form, problem))
                    continue
                changes = collections.Counter((a["verdict"], b["verdict"]) for a, b in zip(twin, checked)
                                              if a["verdict"] != b["verdict"])
                same = sum(1 for a, b in zip(twin, checked) if a["verdict"] == b["verdict"])
                print("| %s | %s | %s | %d | %d | %s |" % (
                    name, read_as, form, len(checked), same,
                    ", ".join("%s -> %s: %d" % (a, b, n) for (a, b), n in changes.most_common()) or "none"))
                if form == "xlsx":
                    written.append(written_back(lookup, target, extra, checked))
    print()
    for line in written:
        print(line)
    print()


def written_back(lookup, book, extra, checked):
    """The checked workbook as Calc reads it: its verdict column against the check's."""
    out = book.replace(".xlsx", "-checked.xlsx")
    subprocess.run([lookup, "--check", book, "--output", out] + extra, capture_output=True)
    folder = os.path.dirname(out)
    subprocess.run(["soffice", "--headless", "--convert-to", "csv", "--outdir", folder, out], capture_output=True)
    rows = list(csv.reader(open(out.replace(".xlsx", ".csv"), encoding="utf-8", errors="replace")))
    header = next(i for i, row in enumerate(rows) if "verdict" in row)
    column = rows[header].index("verdict")
    verdicts = [row[column] for row in rows[header + 1:] if any(row)]
    same = verdicts == [row["verdict"] for row in checked]
    return "%s written back and read by Calc: %d rows, verdicts %s" % (
        os.path.basename(out), len(verdicts), "the same" if same else "DIFFERENT")


def main():
    lookup, shipped, work = sys.argv[1:4]
    rows, by_city = load(shipped)
    lists = write_lists(rows, by_city, work)
    for name, (planted, extra) in lists.items():
        score(lookup, work, name, planted, extra)
    if shutil.which("soffice"):
        workbook_twins(lookup, work, lists)


if __name__ == "__main__":
    main()
