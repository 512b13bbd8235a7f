#pragma once
#include "OutOfMemory.h"
#include <cstddef>
#include <memory>
#include <sys/mman.h>
#include <type_traits>

namespace olvaris {

// Memory for the results list's large blocks, straight from the system and
// given back the moment a block is freed. The allocator keeps freed blocks
// of these sizes for later use, so a cleared list of millions of rows used
// to stay resident. The pages come zeroed.
struct PageRelease {
    std::size_t bytes = 0;
    void operator()(void* pages) const noexcept { ::munmap(pages, bytes); }
};

template <class T>
using PageArray = std::unique_ptr<T[], PageRelease>;

template <class T>
PageArray<T> allocatePages(std::size_t count) {
    static_assert(std::is_trivially_copyable_v<T>);
    const std::size_t bytes = count * sizeof(T);
    void* pages = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED)
        outOfMemory();
    return PageArray<T>(static_cast<T*>(pages), PageRelease{bytes});
}

} // namespace olvaris
