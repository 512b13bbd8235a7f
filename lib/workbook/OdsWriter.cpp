#include "OdsWriter.h"
#include "Error.h"
#include "NumberFormat.h"
#include "SheetTitle.h"
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace olvaris::workbook {

namespace {

const char* const Namespaces = " xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
                               " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
                               " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
                               " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
                               " xmlns:number=\"urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0\""
                               " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
                               " xmlns:of=\"urn:oasis:names:tc:opendocument:xmlns:of:1.2\""
                               " xmlns:calcext=\"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0\""
                               " office:version=\"1.2\"";

std::string escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            // Control characters XML does not hold are left out.
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t')
                out += c;
        }
    }
    return out;
}

// Text as paragraphs, one a line, as Calc writes a cell's line breaks.
std::string paragraphs(std::string_view text) {
    std::string out;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find('\n', start);
        out +=
            "<text:p>" + escaped(text.substr(start, end == std::string_view::npos ? end : end - start)) + "</text:p>";
        if (end == std::string_view::npos)
            return out;
        start = end + 1;
    }
}

// A sheet's column letters: 0 → A, 26 → AA.
std::string columnName(size_t column) {
    std::string name;
    for (++column; column > 0; column = (column - 1) / 26)
        name.insert(name.begin(), char('A' + (column - 1) % 26));
    return name;
}

// The data style of a format of zeros only ("00000": a ZIP code shown with
// its zeros), of a date (with its time of day where it has one), or none.
std::string dataStyleOf(const Cell& cell) {
    if (cell.kind == Cell::Kind::Date)
        return std::isnan(cell.number) || cell.number == std::floor(cell.number) ? "date" : "datetime";
    if (cell.kind == Cell::Kind::Number && !cell.format.empty()
        && cell.format.find_first_not_of('0') == std::string::npos)
        return cell.format;
    return {};
}

const char* fillOf(SheetWriter::Mark mark) {
    return mark == SheetWriter::Mark::Corrected   ? "#fff2cc"
           : mark == SheetWriter::Mark::NeedsLook ? "#f8cbad"
                                                  : nullptr;
}

} // namespace

OdsWriter::OdsWriter(const std::string& path, const std::string& sheetName)
    : m_path(path), m_sheetName(sheetTitle(sheetName)) {
    m_content = std::tmpfile();
    if (m_content == nullptr)
        throw Error(Error::Kind::Output, std::string("a temporary file: ") + std::strerror(errno));
    const std::string start = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content")
                              + Namespaces
                              + "><office:automatic-styles>"
                                "<style:style style:name=\"hiddenColumn\" style:family=\"table-column\"/>"
                                "<style:style style:name=\"wide\" style:family=\"table-column\">"
                                "<style:table-column-properties style:column-width=\"4in\"/></style:style>"
                                "</office:automatic-styles><office:body><office:spreadsheet><table:table table:name=\""
                              + escaped(m_sheetName) + "\">";
    std::fwrite(start.data(), 1, start.size(), m_content);
}

OdsWriter::~OdsWriter() {
    if (m_content != nullptr)
        std::fclose(m_content);
}

void OdsWriter::write(const std::string& text) {
    if (!m_columnsWritten) {
        m_waiting += text;
        return;
    }
    std::fwrite(text.data(), 1, text.size(), m_content);
}

std::string OdsWriter::styleFor(const Cell& cell, Mark mark) {
    const std::string data = dataStyleOf(cell);
    if (data.empty() && mark == Mark::None)
        return {};
    std::string& name = m_styles[{data, mark}];
    if (name.empty())
        name = "ce" + std::to_string(m_styles.size());
    return name;
}

void OdsWriter::setColumns(const std::vector<bool>& hidden, size_t columns) {
    m_columns = columns;
    std::string text;
    for (size_t column = 0; column < columns; ++column)
        text += column < hidden.size() && hidden[column]
                    ? "<table:table-column table:style-name=\"hiddenColumn\" table:visibility=\"collapse\"/>"
                    : "<table:table-column/>";
    text += "<table:table-column table:number-columns-repeated=\"2\"/>"
            "<table:table-column table:style-name=\"wide\"/>";
    m_columnsWritten = true;
    std::fwrite(text.data(), 1, text.size(), m_content);
    std::fwrite(m_waiting.data(), 1, m_waiting.size(), m_content);
    m_waiting.clear();
}

void OdsWriter::row(const std::vector<Cell>& cells, const std::vector<std::string>& added, Mark mark, bool hidden) {
    if (m_row >= MostRows)
        throw Error(Error::Kind::Output,
                    "the list has more rows than a sheet holds (" + std::to_string(MostRows) + "): write CSV instead");
    std::string text = hidden ? "<table:table-row table:visibility=\"collapse\">" : "<table:table-row>";
    const auto open = [&](const Cell& cell) {
        std::string tag = "<table:table-cell";
        if (const std::string style = styleFor(cell, mark); !style.empty())
            tag += " table:style-name=\"" + style + "\"";
        return tag;
    };
    const auto textCell = [&](const std::string& value) {
        if (value.size() > LongestCellText)
            throw Error(Error::Kind::Output, "row " + std::to_string(m_row + 1) + ": a field longer than "
                                                 + std::to_string(LongestCellText) + " characters does not fit a cell");
        Cell plain;
        text += open(plain)
                + (value.empty() ? "/>" : " office:value-type=\"string\">" + paragraphs(value) + "</table:table-cell>");
    };
    const size_t width = std::max(cells.size(), m_columns);
    for (size_t i = 0; i < width; ++i) {
        if (i >= cells.size()) {
            textCell({});
            continue;
        }
        const Cell& cell = cells[i];
        const std::string shown = paragraphs(cell.shown.empty() ? cell.text : cell.shown) + "</table:table-cell>";
        switch (cell.kind) {
        case Cell::Kind::Number:
            // The number as read, every digit: its text may have fewer.
            text += open(cell) + " office:value-type=\"float\" office:value=\"" + exactNumberText(cell.number) + "\">"
                    + shown;
            break;
        case Cell::Kind::Boolean:
            text += open(cell) + " office:value-type=\"boolean\" office:boolean-value=\""
                    + (cell.text == "TRUE" ? "true" : "false") + "\">" + shown;
            break;
        case Cell::Kind::Date:
            text += open(cell) + " office:value-type=\"date\" office:date-value=\""
                    + escaped(std::isnan(cell.number) ? cell.text : isoDateTime(cell.number)) + "\">" + shown;
            break;
        case Cell::Kind::Error:
            // As Calc writes a formula's error, so the sheet shows it as
            // one; an error it would not take as a constant stays text.
            if (isErrorConstant(cell.text))
                text += open(cell) + " table:formula=\"of:=" + escaped(cell.text == "#N/A" ? "NA()" : cell.text)
                        + "\" office:value-type=\"string\" office:string-value=\"\" calcext:value-type=\"error\">"
                        + shown;
            else
                textCell(cell.text);
            break;
        default:
            textCell(cell.text);
        }
    }
    for (const std::string& value : added) {
        Cell plain;
        text += open(plain)
                + (value.empty() ? "/>" : " office:value-type=\"string\">" + paragraphs(value) + "</table:table-cell>");
    }
    text += "</table:table-row>";
    m_widest = std::max(m_widest, width + added.size());
    write(text);
    ++m_row;
}

void OdsWriter::summary(const std::string& title, const std::vector<std::pair<std::string, long>>& counts) {
    if (!m_columnsWritten)
        setColumns({}, 0);
    std::string text = "</table:table><table:table table:name=\"Summary\"><table:table-column "
                       "table:style-name=\"wide\"/><table:table-column/>"
                       "<table:table-row><table:table-cell table:style-name=\"bold\" office:value-type=\"string\">"
                       + paragraphs(title)
                       + "</table:table-cell></table:table-row><table:table-row><table:table-cell/></table:table-row>"
                         "<table:table-row><table:table-cell table:style-name=\"bold\" office:value-type=\"string\">"
                         "<text:p>verdict</text:p></table:table-cell><table:table-cell table:style-name=\"bold\" "
                         "office:value-type=\"string\"><text:p>rows</text:p></table:table-cell></table:table-row>";
    for (const auto& [verdict, rows] : counts)
        text += "<table:table-row><table:table-cell office:value-type=\"string\">" + paragraphs(verdict)
                + "</table:table-cell><table:table-cell office:value-type=\"float\" office:value=\""
                + std::to_string(rows) + "\"><text:p>" + std::to_string(rows) + "</text:p></table:table-cell>"
                + "</table:table-row>";
    text += "</table:table>";
    // The header filtered down to the last row, as in the .xlsx.
    if (m_header >= 0)
        text += "<table:database-ranges><table:database-range table:name=\"__Anonymous_Sheet_DB__0\" "
                "table:target-range-address=\"'"
                + escaped(m_sheetName) + "'." + columnName(0) + std::to_string(m_header + 1) + ":'"
                + escaped(m_sheetName) + "'." + columnName(m_widest > 0 ? m_widest - 1 : 0)
                + std::to_string(std::max(m_header, m_row - 1) + 1)
                + "\" table:display-filter-buttons=\"true\"/></table:database-ranges>";
    text += "</office:spreadsheet></office:body></office:document-content>\n";
    write(text);
}

void OdsWriter::close() {
    std::string styles = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-styles") + Namespaces
                         + "><office:styles><number:date-style style:name=\"Ndate\"><number:year "
                           "number:style=\"long\"/><number:text>-</number:text><number:month "
                           "number:style=\"long\"/><number:text>-</number:text><number:day "
                           "number:style=\"long\"/></number:date-style>"
                           "<number:date-style style:name=\"Ndatetime\"><number:year number:style=\"long\"/>"
                           "<number:text>-</number:text><number:month number:style=\"long\"/><number:text>-"
                           "</number:text><number:day number:style=\"long\"/><number:text> </number:text>"
                           "<number:hours number:style=\"long\"/><number:text>:</number:text><number:minutes "
                           "number:style=\"long\"/><number:text>:</number:text><number:seconds "
                           "number:style=\"long\"/></number:date-style>"
                           "<style:style style:name=\"bold\" style:family=\"table-cell\"><style:text-properties "
                           "fo:font-weight=\"bold\"/></style:style>";
    int digits = 0;
    for (const auto& [key, name] : m_styles) {
        std::string data;
        if (key.first == "date" || key.first == "datetime") {
            data = key.first == "date" ? "Ndate" : "Ndatetime";
        } else if (!key.first.empty()) {
            data = "N" + std::to_string(++digits);
            styles += "<number:number-style style:name=\"" + data
                      + "\"><number:number number:decimal-places=\"0\" number:min-integer-digits=\""
                      + std::to_string(key.first.size()) + "\"/></number:number-style>";
        }
        styles += "<style:style style:name=\"" + name + "\" style:family=\"table-cell\"";
        if (!data.empty())
            styles += " style:data-style-name=\"" + data + "\"";
        styles += ">";
        if (const char* fill = fillOf(key.second))
            styles += std::string("<style:table-cell-properties fo:background-color=\"") + fill + "\"/>";
        styles += "</style:style>";
    }
    styles += "</office:styles></office:document-styles>\n";
    static const std::string mimetype = "application/vnd.oasis.opendocument.spreadsheet";
    static const std::string manifest =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<manifest:manifest "
        "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" manifest:version=\"1.2\">"
        "<manifest:file-entry manifest:full-path=\"/\" manifest:version=\"1.2\" manifest:media-type=\""
        + mimetype
        + "\"/><manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
          "<manifest:file-entry manifest:full-path=\"styles.xml\" manifest:media-type=\"text/xml\"/>"
          "</manifest:manifest>\n";
    if (std::fflush(m_content) != 0 || std::ferror(m_content))
        throw Error(Error::Kind::Output, std::string("the sheet could not be written: ") + std::strerror(errno));
    int error = 0;
    zip_t* archive = zip_open(m_path.c_str(), ZIP_TRUNCATE, &error);
    if (archive == nullptr)
        throw Error(Error::Kind::Output, "the workbook could not be begun");
    const auto add = [&](const char* name, zip_source_t* source) {
        const zip_int64_t index = source != nullptr ? zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source != nullptr)
                zip_source_free(source);
            return false;
        }
        return name != std::string_view("mimetype")
               || zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0) == 0;
    };
    // libzip reads the sheet's file when the archive is closed, and closes it.
    std::FILE* content = m_content;
    const long length = std::ftell(content);
    std::rewind(content);
    const bool added = add("mimetype", zip_source_buffer(archive, mimetype.data(), mimetype.size(), 0))
                       && add("content.xml", zip_source_filep(archive, content, 0, length))
                       && add("styles.xml", zip_source_buffer(archive, styles.data(), styles.size(), 0))
                       && add("META-INF/manifest.xml", zip_source_buffer(archive, manifest.data(), manifest.size(), 0));
    m_content = nullptr;
    if (!added || zip_close(archive) != 0) {
        const std::string why = zip_strerror(archive);
        zip_discard(archive);
        throw Error(Error::Kind::Output, "the workbook could not be written: " + why);
    }
}

} // namespace olvaris::workbook
