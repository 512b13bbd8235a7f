#pragma once
#include "PointerShape.h"
#include <QString>

namespace olvaris {

class Platform;
class ResultsList;
class WorkUnderWay;
class Yielder;
class ZipConnection;

enum class RunButton { Search, ListAll };

// What the search and list-all runs use of the main window.
class RunSurface {
public:
    virtual ~RunSurface() = default;
    virtual QString caption(RunButton button) const = 0;
    virtual void setCaption(RunButton button, const QString& caption) = 0;
    // A run has ended with this many rows listed: said to a screen reader
    // (the window shows no count), with the caption set next.
    virtual void sayRunEnded(int rows) = 0;
    virtual pointer::Shape mousePointer() const = 0;
    virtual void setMousePointer(pointer::Shape value) = 0;
    virtual QString filterText() const = 0;
    virtual ResultsList& results() = 0;
    virtual ZipConnection* zipConnection() const = 0;
    virtual Yielder& yielder() = 0;
    virtual WorkUnderWay& work() = 0;
    virtual Platform& platform() = 0;
};

} // namespace olvaris
