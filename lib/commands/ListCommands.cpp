#include "ListCommands.h"
#include "ResultsList.h"
#include "ErrorReport.h"
#include "Locations.h"
#include "PointerShape.h"
#include <Qt>

namespace olvaris {

bool removeSelectedRow(ResultsList& list, pointer::Shape pointerValue, std::optional<int> selectedNumber) {
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

void PushButton5_Click(ResultsList& list, pointer::Shape pointerValue, Platform& platform) {
    Trap trap = trapFor(location::PushButton5Click, platform);
    trap.statement(100, [&] {
        if (pointerValue != pointer::Busy)
            list.clear();
    });
}

} // namespace olvaris
