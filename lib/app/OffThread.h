#pragma once
#include <chrono>
#include <functional>
#include <future>
#include <type_traits>

namespace olvaris {

// Runs work that may block for a while (a system call that waits on the
// disk, giving hundreds of megabytes back to the system) in a thread of its
// own, which does nothing else, and calls meanwhile (the command's yield)
// about every millisecond until it is done. Without meanwhile the work runs
// here. Returns what the work returns.
template <class Work>
std::invoke_result_t<Work&> offThread(Work&& work, const std::function<void()>& meanwhile) {
    if (!meanwhile)
        return work();
    auto done = std::async(std::launch::async, [&work] { return work(); });
    while (done.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        meanwhile();
    return done.get();
}

} // namespace olvaris
