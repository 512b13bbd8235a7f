#pragma once
#include "PointerShape.h"
#include <optional>

namespace olvaris {

class Platform;
class ResultsList;

// The user's removal of the selected row (double-click or Delete). Refused
// while a command is busy, and a no-op on an empty list or without a selection.
// Returns true when a row was removed.
bool removeSelectedRow(ResultsList& list, pointer::Shape pointerValue, std::optional<int> selectedNumber);

// Delete, whatever Shift, Ctrl or Alt.
bool isRemoveKey(int key);

// "Clear Results": empties the list unless a command is busy.
void PushButton5_Click(ResultsList& list, pointer::Shape pointerValue, Platform& platform);

} // namespace olvaris
