#include "AvailableMemory.h"
#include <QFile>
#include <limits>

namespace olvaris {

qint64 availableMemory() {
    QFile info(QStringLiteral("/proc/meminfo"));
    if (!info.open(QIODevice::ReadOnly))
        return std::numeric_limits<qint64>::max();
    for (QByteArray line = info.readLine(); !line.isEmpty(); line = info.readLine())
        if (line.startsWith("MemAvailable:"))
            return line.mid(13).trimmed().split(' ').value(0).toLongLong() * 1024;
    return std::numeric_limits<qint64>::max();
}

} // namespace olvaris
