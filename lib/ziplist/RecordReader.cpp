#include "RecordReader.h"
#include "Utf8.h"
#include <cerrno>
#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace olvaris::ziplist {

namespace {
// What the first pieces hold tells the encoding.
constexpr size_t Sample = 64 * size_t(1024);
} // namespace

RecordReader::RecordReader(int descriptor, size_t piece) : m_descriptor(descriptor), m_piece(piece) {
    m_buffer.reserve(2 * m_piece);
    // UTF-16 is told by its byte-order mark; from there on every piece is
    // decoded as it is read.
    while (m_buffer.size() < 2 && refill()) {
    }
    const bool little = m_buffer.compare(0, 2, "\xFF\xFE") == 0, big = m_buffer.compare(0, 2, "\xFE\xFF") == 0;
    if (little || big) {
        m_utf16.emplace(big);
        m_bigEndian = big;
        m_encoding = Encoding::Utf16;
        m_byteOrderMark = true;
        const std::string rest = m_buffer.substr(2);
        m_buffer.clear();
        m_utf16->decode(rest, m_buffer);
        if (m_ended)
            finishUtf16();
    }
    while (m_buffer.size() < Sample && refill()) {
    }
    if (m_utf16)
        return;
    if (m_buffer.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        // The mark says UTF-8 outright.
        m_byteOrderMark = true;
        m_at = 3;
        return;
    }
    m_encoding = encodingOf(m_buffer);
}

void RecordReader::finishUtf16() {
    if (!m_utf16->finish(m_buffer))
        throw ReadError(m_line, "the UTF-16 text ends within a character");
}

RecordReader::RecordReader(int descriptor, Lines) : m_descriptor(descriptor), m_piece(4096) {
    m_separator.clear();
    m_quoting = false;
    m_asWritten = true;
    m_notText = "a NUL byte: this is not a list of patterns";
    m_tooLong = "the line is longer than 64 KiB";
}

RecordReader RecordReader::patternLines(int descriptor) { return RecordReader(descriptor, Lines{}); }

bool RecordReader::refill() {
    if (m_ended)
        return false;
    // What is read already is let go, but for the record under way: its
    // text is written back as it was by a copy of the list.
    const size_t kept = std::min(m_at, m_recordStart - m_consumed);
    if (kept > 0 && kept >= m_buffer.size() / 2) {
        m_buffer.erase(0, kept);
        m_consumed += kept;
        m_at -= kept;
    }
    const size_t had = m_buffer.size();
    while (m_buffer.size() == had) {
        std::string& into = m_utf16 ? m_raw : m_buffer;
        const size_t before = m_utf16 ? 0 : had;
        into.resize(before + m_piece);
        ssize_t got;
        do
            got = ::read(m_descriptor, into.data() + before, m_piece);
        while (got < 0 && errno == EINTR);
        if (got < 0) {
            const int error = errno;
            into.resize(before);
            throw ReadError(m_line, std::strerror(error));
        }
        into.resize(before + size_t(got));
        if (got == 0) {
            m_ended = true;
            if (m_utf16)
                finishUtf16();
            break;
        }
        if (m_utf16)
            m_utf16->decode(m_raw, m_buffer);
    }
    return m_buffer.size() > had;
}

std::string_view RecordReader::firstLine() {
    std::string_view text = std::string_view(m_buffer).substr(m_at);
    return text.substr(0, text.find_first_of("\r\n"));
}

void RecordReader::setSeparator(std::string separator, bool quoting) {
    if (separator.empty() || (quoting && separator.size() != 1))
        throw Error(Error::Kind::Usage, "a quoted list's separator is one character");
    m_separator = std::move(separator);
    m_quoting = quoting;
}

// The separator's first character is at hand; the rest may be in the next piece.
bool RecordReader::atSeparator() {
    while (m_buffer.size() - m_at < m_separator.size())
        if (!refill())
            return false;
    return m_buffer.compare(m_at, m_separator.size(), m_separator) == 0;
}

// The quote at hand opens a quoted field where the quote that closes it (a
// doubled one is text) is followed by the separator, a line end or the end
// of the file, within the longest record.
bool RecordReader::quoteOpensField() {
    for (size_t ahead = 1;; ++ahead) {
        // A piece read may let go of what lies before the record: counted from m_at.
        while (m_at + ahead + 1 >= m_buffer.size() && refill()) {
        }
        // A record past the longest is refused as the quoted one it may be.
        if (m_consumed + m_at + ahead - m_recordStart >= LongestRecord)
            return true;
        if (m_at + ahead >= m_buffer.size())
            return false;
        if (m_buffer[m_at + ahead] != '"')
            continue;
        if (m_at + ahead + 1 == m_buffer.size())
            return true;
        const char after = m_buffer[m_at + ahead + 1];
        if (after == '"') {
            ++ahead;
            continue;
        }
        return after == m_separator[0] || after == '\r' || after == '\n';
    }
}

void RecordReader::endField(std::string& field) {
    // Each field by itself: a stray byte anywhere in a file garbles no
    // other field, and a file judged Windows-1252 by its start keeps a
    // UTF-8 field further in.
    if (!m_asWritten && !olvaris::text::isValidUtf8(field)) {
        assignUtf8(m_scratch, field, m_encoding);
        field.swap(m_scratch);
    }
    ++m_count;
}

void RecordReader::skipLine() {
    for (;;) {
        m_recordStart = m_consumed + m_at; // a line passed over is not kept
        if (m_at == m_buffer.size() && !refill())
            return;
        const char c = m_buffer[m_at++];
        if (c == '\n' || c == '\r') {
            if (c == '\r' && (m_at < m_buffer.size() || refill()) && m_at < m_buffer.size() && m_buffer[m_at] == '\n')
                ++m_at;
            ++m_line;
            return;
        }
    }
}

std::string& RecordReader::nextField() {
    if (m_count == m_fields.size())
        m_fields.emplace_back();
    return m_fields[m_count];
}

RecordTooLong RecordReader::tooLong(bool quoted) const {
    return RecordTooLong(m_recordLine,
                         quoted ? "the record that starts on this line is longer than 64 KiB" : m_tooLong);
}

bool RecordReader::next() {
    m_count = 0;
    if (!more())
        return false;
    m_recordLine = m_line;
    m_recordStart = m_consumed + m_at;
    const auto recordAt = [this] { return m_consumed + m_at - m_recordStart; };
    m_spans.clear();
    m_spans.push_back({0, 0, false});
    std::string* current = &nextField();
    current->clear();
    enum class State { FieldStart, Unquoted, Quoted, AfterQuote } state = State::FieldStart;
    for (;;) {
        if (m_at == m_buffer.size() && !refill()) {
            if (state == State::Quoted)
                throw ReadError(m_recordLine, "a quote opened on this line is never closed");
            m_spans.back().end = m_contentEnd = recordAt();
            endField(*current);
            break;
        }
        if (m_consumed + m_at - m_recordStart >= LongestRecord)
            throw tooLong(state == State::Quoted);
        const char c = m_buffer[m_at];
        if (c == '\0')
            throw ReadError(m_line, m_notText);
        if (state == State::Quoted) {
            ++m_at;
            if (c == '"')
                state = State::AfterQuote;
            else {
                m_line += c == '\n';
                *current += c;
            }
            continue;
        }
        if (state == State::AfterQuote && c == '"') {
            ++m_at;
            *current += '"';
            state = State::Quoted;
            continue;
        }
        if (state == State::FieldStart && m_quoting && c == '"' && (!m_wholeFieldQuotes || quoteOpensField())) {
            ++m_at;
            m_spans.back().quoted = true;
            state = State::Quoted;
            continue;
        }
        if (c == '\n' || c == '\r') {
            m_spans.back().end = m_contentEnd = recordAt();
            // "\r\n" is one line end, "\r" alone another.
            m_at += c == '\r' && (m_at + 1 < m_buffer.size() || refill()) && m_buffer[m_at + 1] == '\n' ? 2 : 1;
            ++m_line;
            endField(*current);
            break;
        }
        if (!m_separator.empty() && c == m_separator[0] && (m_separator.size() == 1 || atSeparator())) {
            m_spans.back().end = recordAt();
            m_at += m_separator.size();
            m_spans.push_back({recordAt(), 0, false});
            endField(*current);
            current = &nextField();
            current->clear();
            state = State::FieldStart;
            continue;
        }
        ++m_at;
        *current += c;
        state = State::Unquoted;
    }
    m_fields.resize(m_count);
    m_spans.resize(m_count);
    return true;
}

} // namespace olvaris::ziplist
