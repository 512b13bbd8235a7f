#pragma once
#include "Failure.h"
#include "ResultsList.h"
#include "Utf8.h"

namespace olvaris {

// One pass of a command over the results list. The list is not held still
// while the command yields, so every read checks that no row was removed and
// the list was not cleared since the pass began: a changed list fails the
// read instead of giving a wrong row.
class ListReading {
public:
    explicit ListReading(const ResultsList& list) : m_list(list), m_generation(list.generation()) {}

    int count() const {
        check();
        return m_list.count();
    }
    QByteArrayView text(int number, int column) const {
        check();
        return m_list.itemUtf8(number, column);
    }
    // The row's texts, by column from 1; a column past the list's texts
    // fails as a read out of range does. The texts are views into the list:
    // each read checks the list again, so a reader that yielded since the
    // row was taken fails rather than reads texts a clear has let go.
    class Row {
    public:
        Row(const ListReading& reading, int number) : m_reading(reading), m_number(number) {
            m_texts = reading.m_list.rowUtf8(number);
        }
        // Whether the row's three texts are ASCII only: they lie side by side
        // in the list's store, so one test covers them all.
        bool ascii() const {
            const auto bytes = [](QByteArrayView text) { return std::string_view(text.data(), size_t(text.size())); };
            const bool adjacent = m_texts[1].data() == m_texts[0].data() + m_texts[0].size()
                                  && m_texts[2].data() == m_texts[1].data() + m_texts[1].size();
            if (!adjacent)
                return text::isAscii(bytes(m_texts[0])) && text::isAscii(bytes(m_texts[1]))
                       && text::isAscii(bytes(m_texts[2]));
            return text::isAscii(
                std::string_view(m_texts[0].data(), size_t(m_texts[0].size() + m_texts[1].size() + m_texts[2].size())));
        }
        QByteArrayView operator[](int column) const {
            m_reading.check();
            return column >= 1 && column <= int(m_texts.size()) ? m_texts[size_t(column - 1)]
                                                                : m_reading.text(m_number, column);
        }

    private:
        const ListReading& m_reading;
        int m_number;
        std::array<QByteArrayView, 3> m_texts;
    };
    Row row(int number) const {
        check();
        return Row(*this, number);
    }
    QString header(int column) const {
        check();
        return m_list.headerText(column);
    }
    int headerCount() const { return m_list.headerCount(); }

private:
    void check() const {
        if (m_list.generation() != m_generation)
            throw Failure(Error::Kind::Input, QStringLiteral("The results list changed while it was being read."));
    }

    const ResultsList& m_list;
    quint64 m_generation;
};

} // namespace olvaris
