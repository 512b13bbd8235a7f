#pragma once
#include "Error.h"
#include <QString>

namespace olvaris {

// What a failing operation of the window throws: an Error of its kind whose
// description is Qt's text, kept as given for the trap of the calling
// handler to report (what() holds it as UTF-8).
class Failure : public Error {
public:
    Failure(Kind kind, QString description)
        : Error(kind, description.toStdString()), m_description(std::move(description)) {}
    const QString& description() const noexcept { return m_description; }

private:
    QString m_description;
};

} // namespace olvaris
