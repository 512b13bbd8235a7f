#include "OdsSheet.h"
#include "AsciiCase.h"
#include "CellText.h"
#include "NumberFormat.h"
#include "ReadError.h"
#include "SheetChoice.h"
#include "SheetLimits.h"
#include "XmlReader.h"
#include <algorithm>
#include <cstdlib>
#include <set>
#include <vector>

namespace olvaris::workbook {

using ziplist::ReadError;

namespace {

long repeatsOf(const char* value) {
    const long count = value != nullptr ? std::atol(value) : 1;
    return std::clamp(count, 1L, MostRows);
}

bool collapsed(const char* visibility) { return visibility != nullptr && std::string_view(visibility) != "visible"; }

} // namespace

class OdsSheet::Content : public XmlReader {
public:
    Content(OdsSheet& sheet, const std::optional<std::string>& choice)
        : XmlReader(sheet.m_archive, "content.xml", Engine::Scanner), m_sheet(sheet), m_choice(choice) {
        readOnly({"urn:oasis:names:tc:opendocument:xmlns:office:1.0", "urn:oasis:names:tc:opendocument:xmlns:style:1.0",
                  "urn:oasis:names:tc:opendocument:xmlns:table:1.0", "urn:oasis:names:tc:opendocument:xmlns:text:1.0"});
    }

    // Whether the chosen sheet has been met; what there was to choose from.
    bool found() const { return m_found; }
    const std::vector<SheetEntry>& tables() const { return m_tables; }
    long repeats() const { return m_rowRepeats; }

private:
    // The namespaces read, as readOnly names them; what an element of any
    // other holds is no cell's.
    enum Space : size_t { Office, Style, Table, Text };

    void start(std::string_view name, const char** attributes) override {
        if (m_reading) {
            startInTable(name, attributes);
        } else if (name == "style" && space() == Style) {
            const char* styleName = attribute(attributes, "name");
            m_styleName = styleName != nullptr ? styleName : "";
        } else if (name == "table-properties" && space() == Style) {
            const char* display = attribute(attributes, "display");
            if (display != nullptr && std::string_view(display) == "false")
                m_hiddenStyles.insert(m_styleName);
        } else if (name == "table" && space() == Table && !m_found) {
            const char* tableName = attribute(attributes, "name");
            const char* style = attribute(attributes, "style-name");
            m_tables.push_back({tableName != nullptr ? tableName : "", std::to_string(m_tables.size() + 1),
                                style != nullptr && m_hiddenStyles.count(style) > 0});
            const SheetEntry& table = m_tables.back();
            m_reading = m_choice ? olvaris::text::equalIgnoringAsciiCase(table.name, *m_choice) || table.id == *m_choice
                                 : !table.hidden;
            if (m_reading) {
                m_found = true;
                m_sheet.m_name = table.name;
                m_depth = 0;
            }
        }
    }

    void startInTable(std::string_view name, const char** attributes) {
        ++m_depth;
        if (m_annotation > 0)
            ++m_annotation;
        else if (space() == Table)
            startOfTable(name, attributes);
        else if (space() == Text)
            startOfText(name, attributes);
        else if (space() == Office && name == "annotation")
            m_annotation = 1; // a comment's text is not the sheet's
    }

    void startOfTable(std::string_view name, const char** attributes) {
        if (name == "table-cell" || name == "covered-table-cell") {
            m_cell.clear();
            m_cellRepeats = repeatsOf(attribute(attributes, "number-columns-repeated"));
            m_paragraphs = 0;
            // office:value-type says what the cell holds; LibreOffice's
            // calcext:value-type says too when a formula gave an error.
            const char* type = nullptr;
            const char* calculated = nullptr;
            for (const char** at = attributes; *at != nullptr; at += 2)
                if (localName(at[0]) == "value-type")
                    (std::string_view(at[0]).find("calcext") != std::string_view::npos ? calculated : type) = at[1];
            m_type = type != nullptr ? type : "";
            if (calculated != nullptr && std::string_view(calculated) == "error")
                m_type = "error";
            const char* value = attribute(attributes, m_type == "date"      ? "date-value"
                                                      : m_type == "boolean" ? "boolean-value"
                                                                            : "value");
            m_value = value != nullptr ? value : "";
            m_shown.clear();
        } else if (name == "table") {
            m_annotation = 1; // a table within a cell is not the sheet's
        } else if (name == "table-row") {
            m_rowRepeats = repeatsOf(attribute(attributes, "number-rows-repeated"));
            m_sheet.m_rowHidden = collapsed(attribute(attributes, "visibility"));
            m_sheet.m_cells.clear();
            m_column = 0;
        } else if (name == "table-column") {
            const long count = repeatsOf(attribute(attributes, "number-columns-repeated"));
            const bool hidden = collapsed(attribute(attributes, "visibility"));
            for (long i = 0; i < count && m_columns < MostColumns; ++i, ++m_columns) {
                if (hidden) {
                    m_sheet.m_hiddenColumns.resize(m_columns + 1);
                    m_sheet.m_hiddenColumns[m_columns] = true;
                }
            }
        }
    }

    void startOfText(std::string_view name, const char** attributes) {
        if (name == "p") {
            if (m_paragraphs++ > 0)
                show(1, '\n');
            collect(true);
        } else if (name == "s") {
            const char* count = attribute(attributes, "c");
            show(size_t(std::clamp(count != nullptr ? std::atol(count) : 1L, 1L, 1024L)), ' ');
        } else if (name == "tab") {
            show(1, '\t');
        } else if (name == "line-break") {
            show(1, '\n');
        }
    }

    void end(std::string_view name) override {
        if (!m_reading)
            return;
        if (m_depth-- == 0) { // the sheet's own end
            m_reading = false;
            return;
        }
        if (m_annotation > 0) {
            --m_annotation;
        } else if (name == "p" && space() == Text) {
            collect(false);
        } else if (space() != Table) {
            return;
        } else if (name == "table-cell" || name == "covered-table-cell") {
            placeCell();
        } else if (name == "table-row") {
            m_sheet.m_row += m_rowRepeats;
            // A row with nothing in it, however often repeated, is passed
            // over here: a sheet's end is often a million of them, past the
            // last row a sheet has.
            if (!m_sheet.m_cells.empty()) {
                if (m_sheet.m_row > MostRows)
                    throw ReadError(std::max(m_sheet.m_row - m_rowRepeats + 1, MostRows + 1),
                                    "data past row " + std::to_string(MostRows) + ", the last a sheet has: refused");
                m_sheet.m_row -= m_rowRepeats - 1;
                // Its repeats count now, so a row repeated past reason is
                // refused before any of it is given.
                m_sheet.settle(m_rowRepeats);
                pause();
            }
        }
    }

    void text(std::string_view text) override {
        if (m_annotation == 0 && !m_shown.append(text))
            tooLong();
    }

    void show(size_t count, char c) {
        if (!m_shown.append(count, c))
            tooLong();
    }

    [[noreturn]] void tooLong() const {
        const long row = m_sheet.m_row + 1;
        throw ReadError(row, "the cell " + cellName(std::min(m_column, MostColumns - 1), row) + " holds more than "
                                 + std::to_string(LongestCellText)
                                 + " characters, more than a spreadsheet's cell can: refused");
    }

    void placeCell() {
        Cell& cell = m_cell;
        if (m_type.empty() || m_type == "string") {
            if (!m_shown.empty()) {
                cell.kind = Cell::Kind::Text;
                cell.text = m_shown.text();
            }
        } else if (m_type == "error") {
            cell.kind = Cell::Kind::Error;
            cell.text = m_shown.text();
        } else if (m_type == "date") {
            cell.kind = Cell::Kind::Date;
            cell.text = m_value.substr(0, m_value.find('T'));
            cell.number = daySerial(m_value);
            cell.shown = m_shown.text();
        } else if (m_type == "boolean") {
            cell.kind = Cell::Kind::Boolean;
            cell.text = m_value == "true" ? "TRUE" : "FALSE";
        } else if (m_type == "time") {
            cell.kind = Cell::Kind::Text;
            cell.text = m_shown.text();
        } else { // float, percentage, currency
            cell.kind = Cell::Kind::Number;
            char* end = nullptr;
            cell.number = std::strtod(m_value.c_str(), &end);
            cell.text = numberText(cell.number);
            const std::string& shown = m_shown.text();
            if (shown != cell.text) {
                cell.shown = shown;
                // Digits shown with zeros in front: written back in a
                // format of as many zeros, so they still show.
                if (!shown.empty() && shown.find_first_not_of("0123456789") == std::string::npos)
                    cell.format = std::string(shown.size(), '0');
            }
        }
        // Empty cells, however often repeated, cost nothing: Calc writes
        // them to the sheet's last column for a formatted row.
        const size_t until = m_column + size_t(m_cellRepeats);
        if (cell.kind != Cell::Kind::Empty) {
            if (until > MostColumns)
                throw ReadError(m_sheet.m_row + 1,
                                "data past column " + columnName(MostColumns - 1) + ", the last a sheet has: refused");
            std::vector<Cell>& cells = m_sheet.m_cells;
            cells.resize(until);
            for (size_t column = m_column; column < until; ++column)
                cells[column] = cell;
        }
        m_column = until;
    }

    OdsSheet& m_sheet;
    std::optional<std::string> m_choice;
    std::vector<SheetEntry> m_tables;
    std::set<std::string> m_hiddenStyles;
    std::string m_styleName;
    bool m_reading = false, m_found = false;
    int m_depth = 0;
    int m_annotation = 0;
    size_t m_column = 0, m_columns = 0;
    long m_rowRepeats = 1, m_cellRepeats = 1;
    int m_paragraphs = 0;
    Cell m_cell;
    std::string m_type, m_value;
    CellText m_shown;
};

OdsSheet::OdsSheet(const std::string& path, const std::optional<std::string>& choice)
    : m_archive(path), m_choice(choice) {
    if (m_archive.read("META-INF/manifest.xml").find("encryption-data") != std::string::npos)
        throw ReadError(0, "the workbook is encrypted: save a copy without a password");
    m_content = std::make_unique<Content>(*this, choice);
}

OdsSheet::~OdsSheet() = default;

double OdsSheet::fractionRead() const { return m_content ? m_content->fractionRead() : -1; }

bool OdsSheet::readRow() {
    if (m_repeats > 0) {
        --m_repeats;
        ++m_row;
        return true;
    }
    if (m_content->run()) {
        m_repeats = m_content->repeats() - 1;
        return true;
    }
    if (!m_content->found())
        chooseSheet(m_content->tables(), m_choice); // says why: no sheets, or none of that name
    m_cells.clear();
    m_fields.clear();
    return false;
}

} // namespace olvaris::workbook
