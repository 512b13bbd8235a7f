#pragma once
#include "Sheet.h"
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace olvaris::workbook {

// What a file's first bytes say it is.
enum class FileKind { Text, Zip, OfficeCompound };
FileKind fileKindOf(std::string_view firstBytes);

// A file that is neither text nor a workbook, named by its first bytes
// ("a PDF document"); empty where they do not tell.
std::string otherFormatOf(std::string_view firstBytes);

// Opens the sheet of a workbook file (.xlsx, .ods or .xls, told by its
// content, not its name): chosen by name or number, else the first one
// shown. Throws ziplist::ReadError saying why a file cannot be read as one:
// encrypted, a binary workbook, another kind of document, damaged.
std::unique_ptr<Sheet> openSheet(const std::string& path, FileKind kind, const std::optional<std::string>& choice);

// A list's file as the check and the builder take it: what its first bytes
// say it is and, for a workbook, the chosen sheet. The descriptor is read
// with pread (standard input, which cannot be, is text). Throws
// ziplist::ReadError for another kind of document, a --sheet of a text list,
// and what openSheet refuses.
struct OpenedList {
    FileKind kind = FileKind::Text;
    std::unique_ptr<Sheet> sheet; // null for a text list
};
OpenedList openList(int descriptor, const std::string& path, const std::optional<std::string>& sheetChoice);

} // namespace olvaris::workbook
