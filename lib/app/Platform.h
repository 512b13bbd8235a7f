#pragma once
#include <QString>

namespace olvaris {

enum class MessageIcon { None, Warning };

struct SaveDialogRequest {
    QString title;
    QString filter;      // "Name (*.ext)|*.ext|..." as the commands pass it
    QString initialName; // the name chosen last in this run
};

// Everything a person sees in a dialog, and everything that leaves the
// process. The desktop implementation is real; tests script their own.
class Platform {
public:
    virtual ~Platform() = default;

    // A modal box with an OK button only; returns when it is closed.
    virtual void showMessage(const QString& text, const QString& title, MessageIcon icon) = 0;
    // The save dialog; an empty name means it was cancelled.
    virtual QString askSaveFileName(const SaveDialogRequest& request) = 0;
    // Ends the process at once with the given exit status (0 after a close,
    // 1 after a failed start). Only a test's stand-in returns.
    virtual void endProcess(int exitStatus) = 0;
    // Hands an address to the user's browser in a separate process, never waited for.
    virtual void openUrl(const QString& url) = 0;
    // A whole number from 1 to 100, seeded from the clock.
    virtual int drawOneToHundred() = 0;
};

} // namespace olvaris
