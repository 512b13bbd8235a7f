#include "FailingAllocations.h"
#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

namespace olvaris::test {

namespace {

enum Failing { None, ThisThread, OtherThreads };
std::atomic<int> g_failing{None};
std::thread::id g_thread;

bool fails(std::size_t size) {
    const int failing = g_failing.load(std::memory_order_acquire);
    return failing != None && size >= FailingAllocations::Large
           && (std::this_thread::get_id() == g_thread) == (failing == ThisThread);
}

} // namespace

FailingAllocations::FailingAllocations(Where where) {
    g_thread = std::this_thread::get_id();
    g_failing.store(where == Where::ThisThread ? ThisThread : OtherThreads, std::memory_order_release);
}

FailingAllocations::~FailingAllocations() { g_failing.store(None, std::memory_order_release); }

} // namespace olvaris::test

// malloc and free underneath, so what one allocates the other may free.
void* operator new(std::size_t size) {
    if (!olvaris::test::fails(size))
        if (void* memory = std::malloc(size > 0 ? size : 1))
            return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
// The nothrow forms too (Qt uses them), so no block is freed by another family.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return olvaris::test::fails(size) ? nullptr : std::malloc(size > 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
