#pragma once
#include <QString>
#include <QStringList>
#include <optional>

namespace olvaris::lookup {

// What the user asks for: a pattern (the window's search), every row, or
// the start of one or more fields.
struct LookupRequest {
    std::optional<QString> pattern;
    bool all = false;
    std::optional<QString> city, state, zip;
};

// A statement of fixed text and the values bound to it as ?1, ?2 ...: what
// the user typed is only ever a bound LIKE pattern.
struct LookupQuery {
    QByteArray statement;
    QStringList parameters;
};

// The query for a request; the rows come in city, state, ZIP order.
LookupQuery queryFor(const LookupRequest& request);

} // namespace olvaris::lookup
