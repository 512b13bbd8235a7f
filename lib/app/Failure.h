#pragma once
#include <QString>
#include <exception>

namespace olvaris {

// The one exception type of the program: a failing operation throws it with
// its own description, and the trap of the calling handler reports it.
class Failure : public std::exception {
public:
    explicit Failure(QString description) : m_description(std::move(description)), m_what(m_description.toUtf8()) {}
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_description;
    QByteArray m_what;
};

} // namespace olvaris
