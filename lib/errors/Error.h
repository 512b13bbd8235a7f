#pragma once
#include <stdexcept>
#include <string>

namespace olvaris {

// The one family of errors the plain libraries throw: what the user is told
// (the message, and where: a file, a file and its line, a column), and what
// kind of trouble it is, from which each program's main takes its exit
// status. The window's are Failures (lib/app), of this family over Qt's text.
class Error : public std::runtime_error {
public:
    enum class Kind {
        Input,    // a list, a source or a pattern that cannot be read as one
        Database, // the database cannot be opened or read
        Output,   // an output that cannot be written, or must not be
        Usage,    // options that do not go together, a value that does not fit
    };

    Error(Kind kind, const std::string& message, std::string where = {}, long line = 0)
        : std::runtime_error(message), m_kind(kind), m_where(std::move(where)), m_line(line) {}

    Kind kind() const { return m_kind; }
    // The file (or "standard input") the trouble is in, where the thrower knows it.
    const std::string& where() const { return m_where; }
    // The line or row in it, from 1; 0 where none applies.
    long line() const { return m_line; }

private:
    Kind m_kind;
    std::string m_where;
    long m_line;
};

} // namespace olvaris
