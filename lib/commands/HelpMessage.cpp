#include "HelpMessage.h"
#include "ApplicationTitle.h"
#include "Branding.h"
#include "ErrorReport.h"
#include "Locations.h"

namespace olvaris {

QString helpPrompt() {
    return QStringLiteral("Questions? Please contact Team Tarvendel at ") + QString::fromUtf8(branding::ContactPage);
}

void PushButton7_Click(Platform& platform) {
    Trap trap = trapFor(location::PushButton7Click, platform);
    trap.statement(100, [&] { platform.showMessage(helpPrompt(), ApplicationTitle::current(), MessageIcon::None); });
}

} // namespace olvaris
