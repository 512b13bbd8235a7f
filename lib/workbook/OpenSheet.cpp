#include "OpenSheet.h"
#include "OdsSheet.h"
#include "ReadError.h"
#include "SheetLimits.h"
#include "XlsSheet.h"
#include "XlsxSheet.h"
#include "ZipArchive.h"
#include <algorithm>
#include <cstring>
#include <new>
#include <fcntl.h>
#include <unistd.h>

namespace olvaris::workbook {

using ziplist::ReadError;

namespace {

bool startsWith(std::string_view bytes, std::string_view start) { return bytes.substr(0, start.size()) == start; }

// An Office 2007+ file saved with a password is a compound file holding an
// "EncryptedPackage" stream; its name is in the directory, as UTF-16.
bool holdsEncryptedPackage(const std::string& path) {
    static const std::string name = [] {
        std::string utf16;
        for (const char c : std::string_view("EncryptedPackage")) {
            utf16 += c;
            utf16 += '\0';
        }
        return utf16;
    }();
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    std::string piece(1 << 20, '\0');
    std::string carried;
    bool found = false;
    for (ssize_t got; !found && (got = ::read(descriptor, piece.data(), piece.size())) > 0;) {
        carried.append(piece.data(), size_t(got));
        found = carried.find(name) != std::string::npos;
        carried.erase(0, carried.size() - std::min(carried.size(), name.size()));
    }
    ::close(descriptor);
    return found;
}

} // namespace

FileKind fileKindOf(std::string_view firstBytes) {
    if (startsWith(firstBytes, "PK\x03\x04") || startsWith(firstBytes, std::string_view("PK\x05\x06", 4)))
        return FileKind::Zip;
    if (startsWith(firstBytes, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return FileKind::OfficeCompound;
    return FileKind::Text;
}

std::string otherFormatOf(std::string_view firstBytes) {
    struct Known {
        std::string_view start, said;
    };
    static const Known known[] = {
        {"%PDF", "a PDF document: export the list as CSV or .xlsx"},
        {"\x1F\x8B", "a gzip-compressed file: unpack it first"},
        {"BZh", "a bzip2-compressed file: unpack it first"},
        {"\xFD"
         "7zXZ",
         "an xz-compressed file: unpack it first"},
        {"7z\xBC\xAF", "a 7-Zip archive: unpack it first"},
        {"{\\rtf", "an RTF document: save the list as CSV or .xlsx"},
        {"SQLite format 3", "an SQLite database, not a list"},
    };
    for (const Known& k : known)
        if (startsWith(firstBytes, k.start))
            return std::string(k.said);
    return {};
}

namespace {

std::unique_ptr<Sheet> sheetOf(const std::string& path, FileKind kind, const std::optional<std::string>& choice) {
    if (kind == FileKind::OfficeCompound) {
        if (holdsEncryptedPackage(path))
            throw ReadError(0, "the workbook is encrypted: save a copy without a password");
        return std::make_unique<XlsSheet>(path, choice);
    }
    const ZipArchive archive(path);
    if (archive.has("xl/workbook.bin"))
        throw ReadError(0, "a binary workbook (.xlsb): save it as .xlsx or CSV");
    if (archive.has("[Content_Types].xml") && (archive.has("xl/workbook.xml") || archive.has("_rels/.rels"))
        && !archive.has("word/document.xml") && !archive.has("ppt/presentation.xml"))
        return std::make_unique<XlsxSheet>(path, choice);
    const std::string mimetype = archive.read("mimetype");
    if (mimetype.find("opendocument.spreadsheet") != std::string::npos)
        return std::make_unique<OdsSheet>(path, choice);
    if (archive.has("word/document.xml") || mimetype.find("opendocument.text") != std::string::npos)
        throw ReadError(0, "a word-processing document, not a workbook: save the list as .xlsx or CSV");
    if (archive.has("Index/Document.iwa"))
        throw ReadError(0, "a Numbers document: export it as .xlsx or CSV");
    throw ReadError(0, "a zip archive with no workbook in it");
}

} // namespace

std::unique_ptr<Sheet> openSheet(const std::string& path, FileKind kind, const std::optional<std::string>& choice) {
    try {
        return sheetOf(path, kind, choice);
    } catch (const std::bad_alloc&) {
        throw ReadError(0, OutOfMemory);
    }
}

OpenedList openList(int descriptor, const std::string& path, const std::optional<std::string>& sheetChoice) {
    // A workbook is told by its first bytes, whatever its name.
    char first[16] = {};
    const ssize_t got = descriptor == STDIN_FILENO ? 0 : ::pread(descriptor, first, sizeof first, 0);
    const std::string_view firstBytes(first, size_t(std::max<ssize_t>(got, 0)));
    if (const std::string other = otherFormatOf(firstBytes); !other.empty())
        throw ReadError(0, other);
    OpenedList list;
    list.kind = fileKindOf(firstBytes);
    if (sheetChoice && list.kind == FileKind::Text)
        throw ReadError(0, "--sheet: the list is not a workbook");
    if (list.kind != FileKind::Text)
        list.sheet = openSheet(path, list.kind, sheetChoice);
    return list;
}

} // namespace olvaris::workbook
