#pragma once
#include "Sheet.h"
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace workbook {

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

} // namespace workbook
