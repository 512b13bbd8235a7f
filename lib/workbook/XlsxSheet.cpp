#include "XlsxSheet.h"
#include "NumberFormat.h"
#include "QuickSharedString.h"
#include "QuickSheetRow.h"
#include "ReadError.h"
#include "SheetChoice.h"
#include "SheetLimits.h"
#include "XmlReader.h"
#include "XmlScanner.h"
#include <cstdlib>
#include <functional>
#include <map>

namespace olvaris::workbook {

using ziplist::ReadError;

namespace {

// The shortest cell that names a shared string: <c t="s"><v>0</v></c>.
constexpr uint64_t ShortestReference = 22;
// Strings no cell names, as a writer may leave behind, are allowed for.
constexpr uint64_t UnusedStrings = 65536;
// More cell formats than Excel keeps (64,000) is no workbook's.
constexpr size_t MostCellFormats = 65536;

std::string tooLong(const std::string& what) {
    return what + " holds more than " + std::to_string(LongestCellText)
           + " characters, more than a spreadsheet's cell can: refused";
}

// SpreadsheetML's namespace, as Excel writes it and as its Strict form
// names it: a sheet's rows and cells and its shared strings are read in it
// only.
std::vector<std::string> spreadsheetSpaces() {
    return {"http://schemas.openxmlformats.org/spreadsheetml/2006/main",
            "http://purl.oclc.org/ooxml/spreadsheetml/main"};
}

// A part read for a few things, by handlers given as functions.
class Scan : public XmlReader {
public:
    using XmlReader::XmlReader;
    std::function<void(std::string_view, const char**)> onStart;
    std::function<void(std::string_view)> onEnd;
    std::function<void(std::string_view)> onText;
    using XmlReader::attribute;
    using XmlReader::collect;
    using XmlReader::collecting;
    using XmlReader::NoSpace;
    using XmlReader::openSpace;
    using XmlReader::pause;
    using XmlReader::readOnly;
    using XmlReader::scanner;

private:
    void start(std::string_view name, const char** attributes) override {
        if (onStart)
            onStart(name, attributes);
    }
    void end(std::string_view name) override {
        if (onEnd)
            onEnd(name);
    }
    void text(std::string_view text) override {
        if (onText)
            onText(text);
    }
};

// A part's relationships: id -> (target as a path in the archive, type).
struct Relation {
    std::string target, type;
};

// The package's own are those of the part "" (_rels/.rels).
std::map<std::string, Relation> relationsOf(const ZipArchive& archive, const std::string& part) {
    const size_t slash = part.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
    const std::string rels = folder + "_rels/" + part.substr(folder.size()) + ".rels";
    std::map<std::string, Relation> relations;
    if (!archive.has(rels))
        return relations;
    Scan scan(archive, rels);
    scan.onStart = [&](std::string_view name, const char** attributes) {
        if (name != "Relationship")
            return;
        const char* id = Scan::attribute(attributes, "Id");
        const char* target = Scan::attribute(attributes, "Target");
        const char* type = Scan::attribute(attributes, "Type");
        if (id == nullptr || target == nullptr)
            return;
        std::string path = target;
        path = path.front() == '/' ? path.substr(1) : folder + path;
        relations[id] = {path, type == nullptr ? "" : type};
    };
    scan.run();
    return relations;
}

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// An attribute's value, data() null where there is none.
std::string_view valueOf(const char* value) { return value != nullptr ? std::string_view(value) : std::string_view(); }

bool isTrue(std::string_view value) { return value == "1" || value == "true"; }
bool isTrue(const char* value) { return isTrue(valueOf(value)); }

// "BC12" -> 54 (0-based); -1 where the reference has no column.
long columnOf(std::string_view reference) {
    long column = 0;
    size_t at = 0;
    for (; at < reference.size() && reference[at] >= 'A' && reference[at] <= 'Z'; ++at) {
        column = column * 26 + (reference[at] - 'A' + 1);
        if (column > long(MostColumns))
            return -1;
    }
    return at == 0 ? -1 : column - 1;
}

// A number as strtol reads it (and atol and atoi); most are a few digits,
// read here without the cost of a call that minds the locale.
long longOf(std::string_view value) {
    if (!value.empty() && value.size() <= 18) {
        long number = 0;
        size_t at = 0;
        for (; at < value.size() && value[at] >= '0' && value[at] <= '9'; ++at)
            number = number * 10 + (value[at] - '0');
        if (at == value.size())
            return number;
    }
    return std::strtol(std::string(value).c_str(), nullptr, 10);
}

// The next piece for a quick reading. A refusal on the way (a damaged part,
// a zip bomb; the scanner's state is as it was) is left to the scanner,
// which meets it again where it would have: after what it reads of the row
// or string before. Memory running out ends the reading either way.
bool readMore(XmlScanner& scanner) {
    try {
        return scanner.readMore();
    } catch (const ReadError&) {
        return false;
    }
}

// The next element straight from the scanner's bytes, reading more pieces
// as it needs: false where the bytes are not in the form the quick reader
// knows (the scanner then reads them), or no piece can be had.
template <typename QuickReader>
bool readQuickly(XmlScanner& scanner, QuickReader& quick) {
    for (;;) {
        const std::string_view bytes = scanner.unread();
        const Quick read = quick.scan(bytes);
        if (read == Quick::Read)
            return true;
        if (read == Quick::Unknown || bytes.size() > LongestQuickElement || !readMore(scanner))
            return false;
    }
}

} // namespace

// The sheet's rows: pauses at each row's end with the row's cells in place.
// Read quickly, the rows in sheetData are taken straight from the bytes
// where they are in the form spreadsheets write (QuickSheetRow.h) and by the
// scanner where not, a row at a time; what a row does to the sheet is the
// same code either way.
class XlsxSheet::Rows : public XmlReader {
public:
    Rows(XlsxSheet& sheet, const std::string& part, Reading reading)
        : XmlReader(sheet.m_archive, part, Engine::Scanner), m_sheet(sheet), m_quick(reading == Reading::Quick) {
        readOnly(spreadsheetSpaces());
    }

    // The next row, its cells in place; false at the part's end.
    bool readRow() {
        for (;;) {
            if (m_quickHere && quickRow())
                return true;
            m_rowEnded = false;
            if (!run())
                return false;
            // Where the scanner stopped, what is open stays so while whole
            // rows are read quickly.
            m_quickHere = m_quick && quickHere();
            if (m_rowEnded)
                return true;
        }
    }

private:
    void start(std::string_view name, const char** attributes) override {
        if (name == "c") {
            startCell(valueOf(attribute(attributes, "r")), valueOf(attribute(attributes, "s")),
                      valueOf(attribute(attributes, "t")));
        } else if (name == "v") {
            collect(true);
        } else if (name == "t") {
            collect(!m_phonetic);
        } else if (name == "rPh") {
            m_phonetic = true;
        } else if (name == "row") {
            startRow(valueOf(attribute(attributes, "r")), valueOf(attribute(attributes, "hidden")));
        } else if (name == "col") {
            const char* first = attribute(attributes, "min");
            const char* last = attribute(attributes, "max");
            if (isTrue(attribute(attributes, "hidden")) && first != nullptr && last != nullptr) {
                const size_t to = std::min<size_t>(MostColumns, size_t(std::max(0L, std::atol(last))));
                if (m_sheet.m_hiddenColumns.size() < to)
                    m_sheet.m_hiddenColumns.resize(to);
                for (long column = std::atol(first); column >= 1 && size_t(column) <= to; ++column)
                    m_sheet.m_hiddenColumns[size_t(column) - 1] = true;
            }
        } else if (name == "sheetData") {
            pause(); // the rows may be read quickly from here
        }
    }

    void end(std::string_view name) override {
        if (name == "v" || name == "t") {
            collect(false);
        } else if (name == "rPh") {
            m_phonetic = false;
        } else if (name == "c") {
            endCell(m_value.text());
        } else if (name == "row") {
            endRow();
            m_rowEnded = true;
            pause();
        }
    }

    void text(std::string_view text) override { addText(text); }

    // What a row's and a cell's tags and a value's text do, read either way;
    // an attribute's value's data() is null where the tag has none.
    void startRow(std::string_view number, std::string_view hidden) {
        m_sheet.m_row = number.data() != nullptr ? longOf(number) : m_sheet.m_row + 1;
        if (m_sheet.m_row > MostRows)
            throw ReadError(m_sheet.m_row,
                            "a row past " + std::to_string(MostRows) + ", the last a sheet has: refused");
        m_sheet.m_rowHidden = isTrue(hidden);
        m_nextColumn = 0;
        m_width = 0;
    }

    void startCell(std::string_view reference, std::string_view style, std::string_view type) {
        const long column = reference.data() != nullptr ? columnOf(reference) : -1;
        m_column = column >= 0 ? size_t(column) : m_nextColumn;
        m_style = style.data() != nullptr ? int(longOf(style)) : 0;
        const std::string_view typeName = type.data() != nullptr ? type : "n";
        if (m_type != typeName) // most cells are of the type the last was
            m_type = typeName;
        m_value.clear();
    }

    void addText(std::string_view text) {
        if (!m_value.append(text))
            throw ReadError(m_sheet.m_row, tooLong("the cell " + cellName(m_column, m_sheet.m_row)));
    }

    void endCell(std::string_view value) {
        if (m_column < MostColumns) {
            // The last row's cells are filled again in place: their texts
            // keep the room they had.
            std::vector<Cell>& cells = m_sheet.m_cells;
            if (cells.size() <= m_column)
                cells.resize(m_column + 1);
            for (size_t skipped = m_width; skipped < m_column; ++skipped)
                cells[skipped].clear();
            m_sheet.fill(cells[m_column], m_type, m_style, value);
            m_width = std::max(m_width, m_column + 1);
        }
        m_nextColumn = m_column + 1;
    }

    void endRow() {
        m_sheet.m_cells.resize(m_width);
        m_sheet.settle();
    }

    // Whether rows may be read straight from the bytes here: in sheetData,
    // with nothing open around it that changes how the scanner would read
    // them (a value collected, nesting near its bound). Its name has no
    // prefix, and its namespace is the sheet's: so is an unprefixed row's.
    bool quickHere() {
        const XmlScanner* scanner = this->scanner();
        return scanner != nullptr && !collecting() && !m_phonetic && scanner->openElement() == "sheetData"
               && openSpace() != NoSpace && scanner->depth() + 4 <= XmlScanner::DeepestNesting;
    }

    // The next row read straight from the bytes, where it is in the form
    // QuickSheetRow reads.
    bool quickRow() {
        XmlScanner* scanner = this->scanner();
        if (!readQuickly(*scanner, m_quickRow))
            return false;
        startRow(m_quickRow.number(), m_quickRow.hidden());
        for (const QuickSheetRow::Cell& cell : m_quickRow.cells()) {
            startCell(cell.reference, cell.style, cell.type);
            std::string_view value = m_quickRow.text(cell);
            // A value no longer in bytes than a cell's bound in UTF-16 units
            // is no longer in units: only a longer one is counted.
            if (value.size() > LongestCellText) {
                addText(value);
                value = m_value.text();
            }
            endCell(value);
        }
        endRow();
        scanner->passOver(m_quickRow.used());
        return true;
    }

    XlsxSheet& m_sheet;
    bool m_quick;
    bool m_quickHere = false;
    QuickSheetRow m_quickRow;
    bool m_rowEnded = false;
    size_t m_column = 0, m_nextColumn = 0, m_width = 0;
    int m_style = 0;
    std::string m_type;
    CellText m_value;
    bool m_phonetic = false;
};

XlsxSheet::XlsxSheet(const std::string& path, const std::optional<std::string>& choice, Reading reading)
    : m_archive(path) {
    std::string workbook = "xl/workbook.xml";
    // The package's own relationships (_rels/.rels) name its main part.
    for (const auto& [id, relation] : relationsOf(m_archive, ""))
        if (endsWith(relation.type, "/officeDocument"))
            workbook = relation.target;
    std::vector<SheetEntry> sheets;
    {
        Scan scan(m_archive, workbook);
        scan.onStart = [&](std::string_view name, const char** attributes) {
            if (name == "sheet") {
                const char* sheetName = Scan::attribute(attributes, "name");
                const char* id = Scan::attribute(attributes, "id");
                const char* state = Scan::attribute(attributes, "state");
                sheets.push_back({sheetName != nullptr ? sheetName : "", id != nullptr ? id : "",
                                  state != nullptr && std::string_view(state) != "visible"});
            } else if (name == "workbookPr") {
                m_from1904 = isTrue(Scan::attribute(attributes, "date1904"));
            }
        };
        scan.run();
    }
    const SheetEntry& chosen = chooseSheet(sheets, choice);
    m_name = chosen.name;
    for (const SheetEntry& sheet : sheets)
        m_sheetNames.push_back(sheet.name);
    const std::map<std::string, Relation> relations = relationsOf(m_archive, workbook);
    const auto relation = relations.find(chosen.id);
    if (relation == relations.end() || !m_archive.has(relation->second.target))
        throw ReadError(0, "the workbook is damaged: the sheet \"" + m_name + "\" has no part");
    if (endsWith(relation->second.type, "/chartsheet"))
        throw ReadError(0, "the sheet \"" + m_name + "\" is a chart, not a table: name another with --sheet");
    // A cell names one shared string: the workbook's sheets, by their
    // size, say how many strings they could name.
    uint64_t sheetBytes = 0;
    for (const auto& [id, other] : relations)
        if (endsWith(other.type, "sheet"))
            sheetBytes += m_archive.declaredSize(other.target);
    for (const auto& [id, other] : relations) {
        if (endsWith(other.type, "/sharedStrings"))
            readStrings(other.target, sheetBytes / ShortestReference + UnusedStrings, reading);
        else if (endsWith(other.type, "/styles"))
            readStyles(other.target);
    }
    m_rows = std::make_unique<Rows>(*this, relation->second.target, reading);
}

XlsxSheet::~XlsxSheet() = default;

double XlsxSheet::fractionRead() const { return m_rows ? m_rows->fractionRead() : -1; }

bool XlsxSheet::readRow() {
    if (m_rows->readRow())
        return true;
    m_cells.clear();
    m_fields.clear();
    return false;
}

void XlsxSheet::readStrings(const std::string& part, uint64_t mostStrings, Reading reading) {
    Scan scan(m_archive, part, XmlReader::Engine::Scanner);
    scan.readOnly(spreadsheetSpaces());
    // The part is opened: what it says it expands to is within its bounds.
    m_strings.reserve(m_archive.declaredSize(part), mostStrings);
    CellText current;
    bool phonetic = false;
    const auto addText = [&](std::string_view text) {
        if (!current.append(text))
            throw ReadError(0, tooLong(part + ": shared string " + std::to_string(m_strings.size() + 1)));
    };
    const auto endString = [&](std::string_view text) {
        if (m_strings.size() >= mostStrings)
            throw ReadError(0, part + " holds more shared strings than the workbook's sheets have cells to name ("
                                   + std::to_string(mostStrings) + "): refused");
        m_strings.add(text);
    };
    scan.onStart = [&](std::string_view name, const char**) {
        if (name == "si")
            current.clear();
        else if (name == "rPh")
            phonetic = true;
        else if (name == "t")
            scan.collect(!phonetic);
        else if (name == "sst" && reading == Reading::Quick)
            scan.pause(); // the strings may be read quickly from here
    };
    scan.onEnd = [&](std::string_view name) {
        if (name == "t") {
            scan.collect(false);
        } else if (name == "rPh") {
            phonetic = false;
        } else if (name == "si") {
            endString(current.text());
            if (reading == Reading::Quick)
                scan.pause();
        }
    };
    scan.onText = addText;
    // Strings in the form QuickSharedString reads are taken straight from
    // the bytes, the others by the scanner, a string at a time.
    QuickSharedString quick;
    const auto quickHere = [&] {
        const XmlScanner* scanner = scan.scanner();
        return scanner != nullptr && !scan.collecting() && !phonetic && scanner->openElement() == "sst"
               && scan.openSpace() != Scan::NoSpace && scanner->depth() + 2 <= XmlScanner::DeepestNesting;
    };
    const auto quickString = [&] {
        XmlScanner* scanner = scan.scanner();
        if (!readQuickly(*scanner, quick))
            return false;
        std::string_view text = quick.text();
        // Only a string longer in bytes than a cell's bound in UTF-16 units
        // may be longer in units: only that one is counted.
        if (text.size() > LongestCellText) {
            current.clear();
            addText(text);
            text = current.text();
        }
        endString(text);
        scanner->passOver(quick.used());
        return true;
    };
    while (scan.run()) {
        if (reading == Reading::Quick && quickHere())
            while (quickString()) {
            }
    }
}

void XlsxSheet::readStyles(const std::string& part) {
    std::map<int, std::string> custom;
    bool inCellFormats = false;
    Scan scan(m_archive, part);
    scan.onStart = [&](std::string_view name, const char** attributes) {
        if (name == "numFmt") {
            const char* id = Scan::attribute(attributes, "numFmtId");
            const char* code = Scan::attribute(attributes, "formatCode");
            if (id != nullptr && code != nullptr)
                custom[std::atoi(id)] = code;
        } else if (name == "cellXfs") {
            inCellFormats = true;
        } else if (name == "xf" && inCellFormats) {
            const char* id = Scan::attribute(attributes, "numFmtId");
            const int number = id != nullptr ? std::atoi(id) : 0;
            const auto found = custom.find(number);
            if (m_styles.size() >= MostCellFormats)
                throw ReadError(0, part + " has more cell formats than a workbook holds ("
                                       + std::to_string(MostCellFormats) + "): refused");
            Style style;
            style.format = found != custom.end() ? found->second : builtInFormat(number);
            style.date = found != custom.end() ? isDateFormat(style.format) : isDateFormatId(number);
            m_styles.push_back(std::move(style));
        }
    };
    scan.onEnd = [&](std::string_view name) {
        if (name == "cellXfs")
            inCellFormats = false;
    };
    scan.run();
}

void XlsxSheet::fill(Cell& cell, std::string_view type, int style, std::string_view value) const {
    cell.clear();
    if (type == "s") {
        const long index = longOf(value);
        if (index < 0 || size_t(index) >= m_strings.size())
            throw ReadError(m_row, "the workbook is damaged: a cell names shared string " + std::string(value) + " of "
                                       + std::to_string(m_strings.size()));
        cell.kind = Cell::Kind::Text;
        cell.text = m_strings[size_t(index)];
    } else if (type == "inlineStr" || type == "str") {
        // A formula that is an error constant (=#N/A) may be stored with
        // the error as its text: a sheet shows it as the error.
        const bool error = type == "str" && isErrorConstant(value);
        cell.kind = error ? Cell::Kind::Error : Cell::Kind::Text;
        cell.text = value;
    } else if (type == "b") {
        cell.kind = Cell::Kind::Boolean;
        cell.text = value == "1" || value == "true" ? "TRUE" : "FALSE";
    } else if (type == "e") {
        cell.kind = Cell::Kind::Error;
        cell.text = value;
    } else if (type == "d") {
        cell.kind = Cell::Kind::Date;
        cell.text = value.substr(0, value.find('T'));
        cell.number = daySerial(value);
    } else if (!value.empty()) {
        std::string written(value);
        char* end = nullptr;
        cell.number = std::strtod(written.c_str(), &end);
        if (end == written.c_str() || *end != '\0') {
            cell.kind = Cell::Kind::Text; // not a number after all: kept as written
            cell.text = std::move(written);
            return;
        }
        const Style* format = style >= 0 && size_t(style) < m_styles.size() ? &m_styles[size_t(style)] : nullptr;
        if (format != nullptr && format->date) {
            cell.kind = Cell::Kind::Date;
            cell.text = dateText(cell.number, m_from1904);
            cell.format = format->format;
            // Counted from 1900, as every workbook written here counts.
            if (m_from1904)
                cell.number += 1462;
            return;
        }
        cell.kind = Cell::Kind::Number;
        cell.text = numberText(cell.number);
        if (format != nullptr) {
            cell.format = format->format;
            std::string shown = zeroPadded(format->format, cell.number);
            if (shown != cell.text)
                cell.shown = std::move(shown);
        }
    }
}

} // namespace olvaris::workbook
