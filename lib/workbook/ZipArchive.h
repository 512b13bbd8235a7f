#pragma once
#include "PartInflater.h"
#include <cstdint>
#include <memory>
#include <string>
#include <zip.h>

namespace olvaris::workbook {

// A workbook's zip archive, read through libzip. What a part expands to is
// bounded while it is read, not only by what the archive declares: a part
// may grow to 64 MiB, and past that to 200 times its stored size, and never
// past 2 GiB or the size the archive gives it. Calc writes a million rows
// of twenty cells in about 1 GiB, so a real full sheet fits; the ratio can
// be padded past (empty stored blocks cost bytes and give nothing), so what
// the parts hold is bounded again where it is read (SheetLimits.h).
class ZipArchive {
public:
    // Throws ziplist::ReadError when the file is no zip archive or a
    // damaged one.
    explicit ZipArchive(const std::string& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool has(const std::string& name) const;
    // What the archive says the part expands to (0 where there is no such
    // part): reading refuses a part that expands past it.
    uint64_t declaredSize(const std::string& name) const;
    // A part whole, for the small ones (relationships, the list of
    // sheets); empty where there is none.
    std::string read(const std::string& name) const;

    // A part a piece at a time.
    class Part {
    public:
        Part(const ZipArchive& archive, const std::string& name);
        ~Part();
        Part(const Part&) = delete;
        Part& operator=(const Part&) = delete;
        // At most size bytes; 0 at the end. Throws ReadError.
        size_t read(char* into, size_t size);
        // The size the archive gives the part expanded; UINT64_MAX where it gives none.
        uint64_t declaredSize() const { return m_declared; }

    private:
        zip_file_t* m_file = nullptr;
        // Deflated parts, nearly all a spreadsheet writes, are expanded
        // here; libzip reads the others itself.
        std::unique_ptr<olvaris::workbook::PartInflater> m_inflater;
        std::string m_name;
        uint64_t m_limit = 0;
        uint64_t m_declared = UINT64_MAX;
        uint64_t m_read = 0;
    };

private:
    zip_t* m_zip = nullptr;
};

} // namespace olvaris::workbook
