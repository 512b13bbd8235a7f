#include "VerdictLog.h"
#include "Error.h"
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace olvaris::check {

namespace {

constexpr const char* ChangedSince = "the list has changed since it was checked: check it again";

} // namespace

VerdictLog::VerdictLog() : m_file(std::tmpfile()) {
    if (!m_file)
        throw Error(Error::Kind::Output,
                    std::string("no room for the check's verdicts in the temporary folder: ") + std::strerror(errno));
}

VerdictLog::~VerdictLog() { std::fclose(m_file); }

void VerdictLog::put(const std::string& text) {
    const auto length = std::uint32_t(text.size());
    std::fwrite(&length, sizeof length, 1, m_file);
    std::fwrite(text.data(), 1, text.size(), m_file);
}

bool VerdictLog::get(std::string& text) {
    std::uint32_t length = 0;
    if (std::fread(&length, sizeof length, 1, m_file) != 1)
        return false;
    text.resize(length);
    return std::fread(text.data(), 1, length, m_file) == length;
}

void VerdictLog::add(const RowVerdict& verdict) {
    const auto kind = std::uint8_t(verdict.kind);
    const double miles = verdict.milesFromCity.value_or(-1);
    std::fwrite(&kind, 1, 1, m_file);
    std::fwrite(&miles, sizeof miles, 1, m_file);
    put(verdict.suggestedZip);
    put(verdict.note);
    for (const std::string& corrected : verdict.corrected)
        put(corrected);
    if (std::ferror(m_file))
        throw Error(Error::Kind::Output, "the temporary folder is full: the check's verdicts cannot be kept");
    ++m_count;
}

void VerdictLog::rewind() {
    std::fflush(m_file);
    std::rewind(m_file);
    m_read = 0;
}

bool VerdictLog::next(RowVerdict& verdict) {
    if (m_read >= m_count)
        return false;
    std::uint8_t kind = 0;
    double miles = -1;
    bool whole = std::fread(&kind, 1, 1, m_file) == 1 && std::fread(&miles, sizeof miles, 1, m_file) == 1
                 && get(verdict.suggestedZip) && get(verdict.note);
    for (std::string& corrected : verdict.corrected)
        whole = whole && get(corrected);
    if (!whole || kind > std::uint8_t(RowVerdict::Kind::NoAddress))
        throw Error(Error::Kind::Input, "the check's verdicts could not be read back from the temporary folder");
    verdict.kind = RowVerdict::Kind(kind);
    verdict.milesFromCity = miles >= 0 ? std::optional<double>(miles) : std::nullopt;
    ++m_read;
    return true;
}

RowVerdict RecordedVerdicts::verdictOn(const std::array<workbook::Cell, 3>&, bool) {
    RowVerdict verdict;
    if (!m_log.next(verdict))
        throw Error(Error::Kind::Input, ChangedSince);
    return verdict;
}

void RecordedVerdicts::rowsEnded() {
    RowVerdict rest;
    if (m_log.next(rest))
        throw Error(Error::Kind::Input, ChangedSince);
}

} // namespace olvaris::check
