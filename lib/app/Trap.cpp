#include "Trap.h"

namespace olvaris {

void Trap::reportCurrent(int number) {
    QString description;
    try {
        throw;
    } catch (const Failure& failure) {
        description = failure.description();
    } catch (const std::bad_alloc&) {
        description = QStringLiteral("Out of memory");
    } catch (const std::exception& other) {
        description = QString::fromLocal8Bit(other.what());
    }
    // An exception of any other type is not a failure of an operation; it
    // leaves this catch block untouched and propagates.
    m_reporter(m_location, description, number);
}

} // namespace olvaris
