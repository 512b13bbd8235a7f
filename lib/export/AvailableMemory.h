#pragma once
#include <QtGlobal>

namespace olvaris {

// The memory the system can still give without swapping (MemAvailable);
// the largest value when it cannot tell. A text larger than this is refused
// as out of memory before it is built, rather than push the machine into
// swap or the process into the kernel's out-of-memory killer.
qint64 availableMemory();

} // namespace olvaris
