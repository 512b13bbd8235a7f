#include "ZipArchive.h"
#include "ReadError.h"
#include <algorithm>

namespace olvaris::workbook {

using ziplist::ReadError;

namespace {

constexpr uint64_t AlwaysAllowed = 64 * uint64_t(1024 * 1024);
constexpr uint64_t Ratio = 200;
constexpr uint64_t Largest = 2 * uint64_t(1024 * 1024 * 1024);

[[noreturn]] void damaged(const std::string& what) { throw ReadError(0, "the workbook is damaged: " + what); }

} // namespace

ZipArchive::ZipArchive(const std::string& path) {
    int error = 0;
    m_zip = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (m_zip == nullptr) {
        zip_error_t described;
        zip_error_init_with_code(&described, error);
        const std::string text = zip_error_strerror(&described);
        zip_error_fini(&described);
        damaged(text);
    }
}

ZipArchive::~ZipArchive() {
    if (m_zip != nullptr)
        zip_discard(m_zip);
}

bool ZipArchive::has(const std::string& name) const { return zip_name_locate(m_zip, name.c_str(), 0) >= 0; }

uint64_t ZipArchive::declaredSize(const std::string& name) const {
    zip_stat_t status;
    zip_stat_init(&status);
    if (zip_stat(m_zip, name.c_str(), 0, &status) != 0 || (status.valid & ZIP_STAT_SIZE) == 0)
        return 0;
    return status.size;
}

std::string ZipArchive::read(const std::string& name) const {
    std::string text;
    if (!has(name))
        return text;
    Part part(*this, name);
    char piece[64 * 1024];
    while (const size_t got = part.read(piece, sizeof piece))
        text.append(piece, got);
    return text;
}

ZipArchive::Part::Part(const ZipArchive& archive, const std::string& name) : m_name(name) {
    zip_stat_t status;
    zip_stat_init(&status);
    if (zip_stat(archive.m_zip, name.c_str(), 0, &status) != 0)
        damaged(name + " is missing");
    if ((status.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && status.encryption_method != ZIP_EM_NONE)
        throw ReadError(0, "the workbook is encrypted: save a copy without a password");
    const uint64_t stored = (status.valid & ZIP_STAT_COMP_SIZE) != 0 ? status.comp_size : 0;
    m_limit = std::min(Largest, std::max(AlwaysAllowed, stored * Ratio));
    if ((status.valid & ZIP_STAT_SIZE) != 0)
        m_declared = status.size;
    if (m_declared != UINT64_MAX && m_declared > m_limit)
        throw ReadError(0, name + " would expand to " + std::to_string(status.size >> 20) + " MiB from "
                               + std::to_string(stored >> 10) + " KiB: refused as a zip bomb");
    const bool deflated = (status.valid & ZIP_STAT_COMP_METHOD) != 0 && (status.valid & ZIP_STAT_CRC) != 0
                          && status.comp_method == ZIP_CM_DEFLATE;
    m_file = zip_fopen(archive.m_zip, name.c_str(), deflated ? ZIP_FL_COMPRESSED : 0);
    if (m_file == nullptr && zip_error_code_zip(zip_get_error(archive.m_zip)) == ZIP_ER_COMPNOTSUPP)
        throw ReadError(0, name + " is compressed with a method this program does not read (method "
                               + std::to_string(status.comp_method)
                               + "): save the workbook again from its spreadsheet");
    if (m_file == nullptr)
        damaged(name + ": " + zip_strerror(archive.m_zip));
    if (deflated) {
        // The destructor does not run for a constructor that throws: the
        // opened file is closed here when memory runs out.
        try {
            m_inflater = std::make_unique<olvaris::workbook::PartInflater>(m_file, name, status.crc);
        } catch (...) {
            zip_fclose(m_file);
            throw;
        }
    }
}

ZipArchive::Part::~Part() {
    if (m_file != nullptr)
        zip_fclose(m_file);
}

size_t ZipArchive::Part::read(char* into, size_t size) {
    const zip_int64_t got = m_inflater ? zip_int64_t(m_inflater->read(into, size)) : zip_fread(m_file, into, size);
    if (got < 0 && zip_error_code_zip(zip_file_get_error(m_file)) == ZIP_ER_CRC)
        damaged(m_name + " " + olvaris::workbook::ChecksumMismatch);
    if (got < 0)
        damaged(m_name + ": " + zip_file_strerror(m_file));
    m_read += uint64_t(got);
    // The declared size may lie (libzip reads on past it); what comes out
    // is what counts.
    if (m_read > m_declared)
        damaged(m_name + " expands past the size the archive gives it");
    if (m_read > m_limit)
        throw ReadError(0, m_name + " expands past " + std::to_string(m_limit >> 20) + " MiB: refused as a zip bomb");
    return size_t(got);
}

} // namespace olvaris::workbook
