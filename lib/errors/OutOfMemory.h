#pragma once
#include <new>

namespace olvaris {

// An allocation of the program's own that failed (a mapping, a library's
// buffer): a std::bad_alloc, as new throws, so the one catch answers both.
class OutOfMemory : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "out of memory"; }
};

[[noreturn]] inline void outOfMemory() { throw OutOfMemory(); }

} // namespace olvaris
