// libFuzzer target: any bytes are a workbook sheet's XML, read through the
// same archive, scanner and cells as a real .xlsx. Whatever the bytes, the
// reader gives rows or a ReadError: no crash, no hang, no other exception;
// every row's fields are its cells' texts, valid UTF-8; where expat and
// the quick scanner both read the bytes, they give the same elements,
// attributes and texts, so the same cells; and the rows read straight from
// the bytes are the general scanner's rows, refusals and all.
#include "support/SheetRows.h"
#include "support/XmlEvents.h"
#include "OpenSheet.h"
#include "ReadError.h"
#include "Utf8.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <unistd.h>
#include <zip.h>

namespace {

const std::string Relations = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
// The namespace a sheet's rows and strings are read in (the seeds declare it).
const std::string Spreadsheet = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

std::string path() {
    static const std::string made = [] {
        char name[] = "/tmp/fuzz-workbook-XXXXXX";
        const int descriptor = ::mkstemp(name);
        ::close(descriptor);
        return std::string(name);
    }();
    return made;
}

// The archive reads its parts' bytes when it is closed: they are kept till then.
void add(zip_t* archive, const char* name, std::string text, std::deque<std::string>& kept) {
    const std::string& bytes = kept.emplace_back(std::move(text));
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    zip_file_add(archive, name, source, ZIP_FL_OVERWRITE);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string sheet(reinterpret_cast<const char*>(data), size);
    const std::string rels = "<Relationships><Relationship Id=\"rId1\" Type=\"" + Relations
                             + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\""
                             + Relations + "/sharedStrings\" Target=\"sharedStrings.xml\"/><Relationship Id=\"rId3\" "
                             + "Type=\"" + Relations + "/styles\" Target=\"styles.xml\"/></Relationships>";
    std::deque<std::string> kept;
    int error = 0;
    zip_t* archive = zip_open(path().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    add(archive, "[Content_Types].xml", "<Types/>", kept);
    add(archive, "xl/workbook.xml", "<workbook><sheets><sheet name=\"S\" r:id=\"rId1\"/></sheets></workbook>", kept);
    add(archive, "xl/_rels/workbook.xml.rels", rels, kept);
    add(archive, "xl/sharedStrings.xml",
        "<sst xmlns=\"" + Spreadsheet + "\"><si><t>02134</t></si><si><r><t>Bos</t></r><r><t>ton</t></r></si></sst>",
        kept);
    add(archive, "xl/styles.xml",
        "<styleSheet><numFmts><numFmt numFmtId=\"164\" formatCode=\"00000\"/></numFmts>"
        "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"14\"/></cellXfs>"
        "</styleSheet>",
        kept);
    add(archive, "xl/worksheets/sheet1.xml", sheet, kept);
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        return 0;
    }
    try {
        const olvaris::workbook::ZipArchive book(path());
        using Engine = olvaris::workbook::XmlReader::Engine;
        const auto expat = olvaris::test::XmlEvents::of(book, "xl/worksheets/sheet1.xml", Engine::Expat);
        const auto scanner = olvaris::test::XmlEvents::of(book, "xl/worksheets/sheet1.xml", Engine::Scanner);
        if (expat && scanner && *expat != *scanner) {
            const auto [e, c] = std::mismatch(expat->begin(), expat->end(), scanner->begin(), scanner->end());
            std::fprintf(stderr, "expat and the scanner differ at event %td: \"%s\" and \"%s\"\n", e - expat->begin(),
                         e == expat->end() ? "(end)" : e->c_str(), c == scanner->end() ? "(end)" : c->c_str());
            std::abort();
        }
    } catch (const olvaris::ziplist::ReadError&) {
    }
    using Reading = olvaris::workbook::XlsxSheet::Reading;
    const auto quick = olvaris::test::sheetRows(path(), Reading::Quick);
    const auto general = olvaris::test::sheetRows(path(), Reading::General);
    if (quick != general) {
        const auto [q, g] = std::mismatch(quick.begin(), quick.end(), general.begin(), general.end());
        std::fprintf(stderr, "the quick and the general reading differ at line %td: \"%s\" and \"%s\"\n",
                     q - quick.begin(), q == quick.end() ? "(end)" : q->c_str(),
                     g == general.end() ? "(end)" : g->c_str());
        std::abort();
    }
    try {
        const auto rows = olvaris::workbook::openSheet(path(), olvaris::workbook::FileKind::Zip, std::nullopt);
        while (rows->next()) {
            if (rows->fields().size() != rows->cells().size())
                std::abort();
            for (size_t i = 0; i < rows->cells().size(); ++i)
                if (rows->fields()[i] != rows->cells()[i].text || !olvaris::text::isValidUtf8(rows->fields()[i]))
                    std::abort();
        }
    } catch (const olvaris::ziplist::ReadError&) {
    }
    return 0;
}
