#pragma once
#include "Platform.h"
#include <QPointer>
#include <QWidget>

namespace olvaris {

// The real dialogs, browser hand-off and end of the process.
class DesktopPlatform : public Platform {
public:
    // Boxes shown once the window is up belong to it (modal over it).
    void setDialogParent(QWidget* parent) { m_parent = parent; }

    void showMessage(const QString& text, const QString& title, MessageIcon icon) override;
    QString askSaveFileName(const SaveDialogRequest& request) override;
    void endProcess(int exitStatus) override;
    void openUrl(const QString& url) override;
    int drawOneToHundred() override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace olvaris
