#include "ErrorReport.h"
#include "Branding.h"

namespace olvaris {

QString errorReportText(const char* location, const QString& description, int statement) {
    return description + QStringLiteral("\r\n") + QString::fromUtf8(location) + QStringLiteral("at line ")
           + QString::number(statement) + QStringLiteral("\r\r")
           + QStringLiteral("Please email screenshot of this message to ")
           + QString::fromUtf8(branding::SupportAddress);
}

void ErrorReport(Platform& platform, const char* location, const QString& description, int statement) {
    platform.showMessage(errorReportText(location, description, statement), QString::fromUtf8(ErrorReportTitle),
                         MessageIcon::Warning);
}

Trap trapFor(const char* location, Platform& platform) {
    return Trap(location, [&platform](const char* where, const QString& description, int statement) {
        ErrorReport(platform, where, description, statement);
    });
}

} // namespace olvaris
