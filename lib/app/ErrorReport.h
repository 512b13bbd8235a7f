#pragma once
#include "Platform.h"
#include "Trap.h"

namespace olvaris {

inline constexpr const char* ErrorReportTitle = "Application Error";

// The error box's text: description, the handler's location, the statement
// number and the request to send a screenshot to the support address.
QString errorReportText(const char* location, const QString& description, int statement);

// Shows the error box (warning icon, OK only) and returns when it is closed.
void ErrorReport(Platform& platform, const char* location, const QString& description, int statement);

// A trap that reports through the given platform.
Trap trapFor(const char* location, Platform& platform);

} // namespace olvaris
