#pragma once
#include <cstdint>
#include <string>
#include <zip.h>

namespace workbook {

// A workbook's zip archive, read through libzip. What a part expands to is
// bounded while it is read, not by what the archive declares: a part may
// grow to 64 MiB, and past that to 200 times its stored size, 2 GiB at
// most, so a small file that expands to gigabytes is refused early and a
// real million-row sheet is not.
class ZipArchive {
public:
    // Throws ziplist::ReadError when the file is no zip archive or a
    // damaged one.
    explicit ZipArchive(const std::string& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool has(const std::string& name) const;
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

    private:
        zip_file_t* m_file = nullptr;
        std::string m_name;
        uint64_t m_limit = 0;
        uint64_t m_read = 0;
    };

private:
    zip_t* m_zip = nullptr;
};

} // namespace workbook
