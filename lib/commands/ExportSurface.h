#pragma once
#include "PointerShape.h"
#include <QString>

namespace olvaris {

class Platform;
class ResultsList;
class WorkUnderWay;
class Yielder;

// What the save and copy commands use of the main window.
class ExportSurface {
public:
    virtual ~ExportSurface() = default;
    virtual pointer::Shape mousePointer() const = 0;
    virtual void setMousePointer(pointer::Shape value) = 0;
    virtual QString separatorText() const = 0;
    virtual ResultsList& results() = 0;
    virtual Yielder& yielder() = 0;
    virtual WorkUnderWay& work() = 0;
    virtual Platform& platform() = 0;
};

} // namespace olvaris
