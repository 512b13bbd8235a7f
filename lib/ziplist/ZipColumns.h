#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace olvaris::ziplist {

// The separator of a list told by its header line: the one of comma,
// semicolon and tab found most often outside quotes (a comma where none is).
char separatorOf(std::string_view headerLine);
// The separator of a list whose header may sit below a title block: that of
// the one of the first lines with the most separators in it.
char separatorOfLines(std::string_view text);

// Where a list keeps the city, the state and the ZIP code (0-based; -1: not
// found), or the one column that holds whole addresses.
struct ZipColumns {
    int city = -1, state = -1, zip = -1;
    int address = -1;
    bool complete() const { return city >= 0 && state >= 0 && zip >= 0; }
    // The number of fields a row needs to hold all three.
    size_t needed() const;
};

// Finds the three columns by the header's names, in any letter case, blanks,
// points and underscores aside: City/Town/Locality..., State/ST/Province...,
// ZIP/Zip Code/ZIP5/Postal Code/Postcode... A header that only ends in one
// of them ("Mailing City", "ShipState") counts when it is the only such.
ZipColumns findColumns(const std::vector<std::string>& header);

// The columns as the user names them: "CITY,STATE,ZIP", each a header's name
// or a 1-based number. Throws ReadError with what is wrong, on the header's
// line.
ZipColumns namedColumns(std::string_view names, const std::vector<std::string>& header, long line);

// What a header without all three columns lacks, and what was found, as
// "no ZIP column (found City in column 3, State in column 4)".
std::string missingColumns(const ZipColumns& columns, const std::vector<std::string>& header);

// The whole address groups of a header ("Billing City", "Billing State",
// "Billing Zip"...), in the header's order, each with its name.
struct AddressGroup {
    std::string name; // "Billing"
    ZipColumns columns;
};
std::vector<AddressGroup> addressGroupsOf(const std::vector<std::string>& header);

// Where a header holds two or more whole address groups ("Billing City",
// "Billing State", "Billing Zip", "Shipping City"...), which they are and
// the --columns for each; empty where it does not.
std::string addressGroups(const std::vector<std::string>& header);

// Where a column taken for the city, state or ZIP code shares its name with
// another column, which they are; empty where none does.
std::string sharedNames(const ZipColumns& columns, const std::vector<std::string>& header);

} // namespace olvaris::ziplist
