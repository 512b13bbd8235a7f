#pragma once
#include <string>

namespace olvaris::check {

// While a file is being written beside its final name, an interrupt, a
// termination or a hang-up removes it before the program ends (status
// 128+N), so nothing half-written is left in the user's folder. A write
// past the file-size limit fails as an error rather than ending the
// program. One file at a time.
void removeOnSignal(const std::string& path);
// The file is in place, or gone: nothing is left to remove.
void keepOnSignal();

} // namespace olvaris::check
