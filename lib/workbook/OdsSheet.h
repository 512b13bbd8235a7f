#pragma once
#include "Sheet.h"
#include "ZipArchive.h"
#include <memory>
#include <optional>
#include <string>

namespace olvaris::workbook {

// A sheet of an OpenDocument spreadsheet (.ods), its rows streamed from the
// document's content. A cell keeps the text the sheet shows beside the
// value it stores, so a number shown as 02134 is known as such.
class OdsSheet : public Sheet {
public:
    // The sheet chosen by name or 1-based number, else the first one not
    // hidden; a choice that names no sheet is found out when the content
    // has been read through. Throws ziplist::ReadError.
    OdsSheet(const std::string& path, const std::optional<std::string>& choice);
    ~OdsSheet() override;
    bool readRow() override;
    double fractionRead() const override;

private:
    class Content;
    // Declared before the rows: their read-ahead thread uses the archive
    // until it is destroyed (see PartReadAhead).
    ZipArchive m_archive;
    std::optional<std::string> m_choice;
    std::unique_ptr<Content> m_content;
    long m_repeats = 0; // times the row last read comes again
};

} // namespace olvaris::workbook
