#pragma once
#include <QString>

namespace olvaris::lookup {

// The exit status of a usage error, a list or a database that cannot be read.
inline constexpr int Trouble = 2;

// Says on standard error what went wrong, led by the program's name
// ("olvaris-lookup: where: message"), and returns Trouble.
int complain(const QString& message);
int complain(const QString& where, const QString& message);

} // namespace olvaris::lookup
