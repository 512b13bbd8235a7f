#include "RowRemoval.h"
#include "ResultsList.h"
#include "app/PointerShape.h"
#include <Qt>

namespace olvaris {

bool removeSelectedRow(ResultsList& list, int pointerValue, std::optional<int> selectedNumber) {
    if (pointerValue == pointer::Busy)
        return false;
    if (list.count() == 0)
        return false;
    if (!selectedNumber || *selectedNumber < 1 || *selectedNumber > list.count())
        return false;
    list.remove(*selectedNumber);
    return true;
}

bool isRemoveKey(int key) { return key == Qt::Key_Delete; }

} // namespace olvaris
