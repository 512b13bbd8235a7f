#pragma once

namespace olvaris {

// The main window's pointer value. Busy is the only marker of work in progress.
namespace pointer {
inline constexpr int Default = 0;
inline constexpr int Busy = 11;
inline constexpr int Custom = 99;
} // namespace pointer

} // namespace olvaris
