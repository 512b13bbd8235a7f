#pragma once
#include <new>

namespace olvaris {

// An allocation of the program's own that failed (a mapping, a library's
// buffer), said as new says its own, so the one catch of std::bad_alloc
// answers both.
[[noreturn]] inline void outOfMemory() { throw std::bad_alloc(); }

} // namespace olvaris
