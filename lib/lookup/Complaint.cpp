#include "Complaint.h"
#include <cstdio>

namespace olvaris::lookup {

int complain(const QString& message) {
    std::fprintf(stderr, "olvaris-lookup: %s\n", qPrintable(message));
    return Trouble;
}

int complain(const QString& where, const QString& message) { return complain(where + QStringLiteral(": ") + message); }

} // namespace olvaris::lookup
