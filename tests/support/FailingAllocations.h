#pragma once
#include <cstddef>

namespace olvaris::test {

// Makes large allocations fail with std::bad_alloc while it lives, on the
// thread that made it or on every other one, so a test sees memory run out
// where it chooses. The program's operator new is replaced to do so:
// link this only into a test that wants it.
class FailingAllocations {
public:
    enum class Where { ThisThread, OtherThreads };
    static constexpr std::size_t Large = 64 * std::size_t(1024);
    explicit FailingAllocations(Where where);
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
};

} // namespace olvaris::test
