#pragma once

namespace olvaris {

// The main window's pointer value, with the numbers the window's handlers
// use. Busy is the only marker of work in progress.
namespace pointer {
enum Shape : int { Default = 0, Busy = 11, Custom = 99 };
} // namespace pointer

} // namespace olvaris
