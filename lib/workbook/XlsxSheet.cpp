#include "XlsxSheet.h"
#include "NumberFormat.h"
#include "RecordReader.h"
#include "SheetChoice.h"
#include "SheetLimits.h"
#include "XmlReader.h"
#include <cstdlib>
#include <functional>
#include <map>
#include <set>

namespace workbook {

using namespace olvaris::workbook;
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

// A part read for a few things, by handlers given as functions.
class Scan : public XmlReader {
public:
    using XmlReader::XmlReader;
    std::function<void(std::string_view, const char**)> onStart;
    std::function<void(std::string_view)> onEnd;
    std::function<void(std::string_view)> onText;
    using XmlReader::attribute;
    using XmlReader::collect;

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

bool isTrue(const char* value) {
    return value != nullptr && (std::string_view(value) == "1" || std::string_view(value) == "true");
}

// "BC12" -> 54 (0-based); -1 where the reference has no column.
long columnOf(const char* reference) {
    long column = 0;
    const char* at = reference;
    for (; *at >= 'A' && *at <= 'Z'; ++at) {
        column = column * 26 + (*at - 'A' + 1);
        if (column > long(MostColumns))
            return -1;
    }
    return at == reference ? -1 : column - 1;
}

} // namespace

// The sheet's rows: pauses at each row's end with the row's cells in place.
class XlsxSheet::Rows : public XmlReader {
public:
    Rows(XlsxSheet& sheet, const std::string& part)
        : XmlReader(sheet.m_archive, part, Engine::Scanner), m_sheet(sheet) {}

private:
    void start(std::string_view name, const char** attributes) override {
        if (name == "c") {
            const char* reference = attribute(attributes, "r");
            const long column = reference != nullptr ? columnOf(reference) : -1;
            m_column = column >= 0 ? size_t(column) : m_nextColumn;
            const char* style = attribute(attributes, "s");
            m_style = style != nullptr ? std::atoi(style) : 0;
            const char* type = attribute(attributes, "t");
            m_type = type != nullptr ? type : "n";
            m_value.clear();
        } else if (name == "v") {
            collect(true);
        } else if (name == "t") {
            collect(!m_phonetic);
        } else if (name == "rPh") {
            m_phonetic = true;
        } else if (name == "row") {
            const char* number = attribute(attributes, "r");
            m_sheet.m_row = number != nullptr ? std::atol(number) : m_sheet.m_row + 1;
            if (m_sheet.m_row > MostRows)
                throw ReadError(m_sheet.m_row,
                                "a row past " + std::to_string(MostRows) + ", the last a sheet has: refused");
            m_sheet.m_rowHidden = isTrue(attribute(attributes, "hidden"));
            m_nextColumn = 0;
            m_width = 0;
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
        }
    }

    void end(std::string_view name) override {
        if (name == "v" || name == "t") {
            collect(false);
        } else if (name == "rPh") {
            m_phonetic = false;
        } else if (name == "c") {
            if (m_column < MostColumns) {
                // The last row's cells are filled again in place: their
                // texts keep the room they had.
                std::vector<Cell>& cells = m_sheet.m_cells;
                if (cells.size() <= m_column)
                    cells.resize(m_column + 1);
                for (size_t skipped = m_width; skipped < m_column; ++skipped)
                    cells[skipped].clear();
                m_sheet.fill(cells[m_column], m_type, m_style, m_value.text());
                m_width = std::max(m_width, m_column + 1);
            }
            m_nextColumn = m_column + 1;
        } else if (name == "row") {
            m_sheet.m_cells.resize(m_width);
            m_sheet.settle();
            pause();
        }
    }

    void text(std::string_view text) override {
        if (!m_value.append(text))
            throw ReadError(m_sheet.m_row, tooLong("the cell " + cellName(m_column, m_sheet.m_row)));
    }

    XlsxSheet& m_sheet;
    size_t m_column = 0, m_nextColumn = 0, m_width = 0;
    int m_style = 0;
    std::string m_type;
    CellText m_value;
    bool m_phonetic = false;
};

XlsxSheet::XlsxSheet(const std::string& path, const std::optional<std::string>& choice) : m_archive(path) {
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
            readStrings(other.target, sheetBytes / ShortestReference + UnusedStrings);
        else if (endsWith(other.type, "/styles"))
            readStyles(other.target);
    }
    m_rows = std::make_unique<Rows>(*this, relation->second.target);
}

XlsxSheet::~XlsxSheet() = default;

bool XlsxSheet::readRow() {
    if (m_rows->run())
        return true;
    m_cells.clear();
    m_fields.clear();
    return false;
}

void XlsxSheet::readStrings(const std::string& part, uint64_t mostStrings) {
    Scan scan(m_archive, part, XmlReader::Engine::Scanner);
    CellText current;
    bool phonetic = false;
    scan.onStart = [&](std::string_view name, const char**) {
        if (name == "si")
            current.clear();
        else if (name == "rPh")
            phonetic = true;
        else if (name == "t")
            scan.collect(!phonetic);
    };
    scan.onEnd = [&](std::string_view name) {
        if (name == "t")
            scan.collect(false);
        else if (name == "rPh")
            phonetic = false;
        else if (name == "si") {
            if (m_strings.size() >= mostStrings)
                throw ReadError(0, part + " holds more shared strings than the workbook's sheets have cells to name ("
                                       + std::to_string(mostStrings) + "): refused");
            m_strings.add(current.text());
        }
    };
    scan.onText = [&](std::string_view text) {
        if (!current.append(text))
            throw ReadError(0, tooLong(part + ": shared string " + std::to_string(m_strings.size() + 1)));
    };
    scan.run();
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

void XlsxSheet::fill(Cell& cell, std::string_view type, int style, std::string& value) const {
    cell.clear();
    if (type == "s") {
        const long index = std::strtol(value.c_str(), nullptr, 10);
        if (index < 0 || size_t(index) >= m_strings.size())
            throw ReadError(m_row, "the workbook is damaged: a cell names shared string " + value + " of "
                                       + std::to_string(m_strings.size()));
        cell.kind = Cell::Kind::Text;
        cell.text = m_strings[size_t(index)];
    } else if (type == "inlineStr" || type == "str") {
        // A formula that is an error constant (=#N/A) may be stored with
        // the error as its text: a sheet shows it as the error.
        static const std::set<std::string, std::less<>> constants{"#NULL!", "#DIV/0!", "#VALUE!", "#REF!",
                                                                  "#NAME?", "#NUM!",   "#N/A"};
        const bool error = type == "str" && constants.count(value) > 0;
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
    } else if (!value.empty()) {
        char* end = nullptr;
        cell.number = std::strtod(value.c_str(), &end);
        if (end == value.c_str() || *end != '\0') {
            cell.kind = Cell::Kind::Text; // not a number after all: kept as written
            cell.text = std::move(value);
            return;
        }
        const Style* format = style >= 0 && size_t(style) < m_styles.size() ? &m_styles[size_t(style)] : nullptr;
        if (format != nullptr && format->date) {
            cell.kind = Cell::Kind::Date;
            cell.text = dateText(cell.number, m_from1904);
            cell.format = format->format;
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

} // namespace workbook
