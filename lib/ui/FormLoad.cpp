// Start-up and shutdown of the main window.
#include "Form1.h"
#include "WriteTextFile.h"
#include "ReadableText.h"
#include "ResultsView.h"
#include "Twips.h"
#include "AppFiles.h"
#include "ApplicationTitle.h"
#include "Branding.h"
#include "ErrorReport.h"
#include "HandCursor.h"
#include "Locations.h"
#include "Required.h"
#include "SettingsStore.h"
#include "TerminationSignals.h"
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <cstdlib>

namespace olvaris {

namespace {

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/olvaris/icons/olvaris-%1.png").arg(size), QSize(size, size));
    if (icon.isNull())
        throw Failure(Error::Kind::Input, QStringLiteral("The program's icon could not be loaded."));
    return icon;
}

} // namespace

void Form1::Form_Load() {
    Trap trap = trapFor(location::FormLoad, m_platform);
    const QString productName = QString::fromUtf8(branding::ProductName);

    if (trap.headTest(100, [] { return !AppFiles::databaseThere(); })) {
        trap.statement(102, [this] {
            m_platform.showMessage(AppFiles::databaseMissing(), ApplicationTitle::current(), MessageIcon::None);
        });
        // A launcher or a script can tell that the start failed.
        trap.statement(104, [this] { m_platform.endProcess(EXIT_FAILURE); });
        // Only a test's stand-in for the end of the process returns here.
        m_loadEndedProcess = true;
        return;
    }

    trap.statement(106, [this] { ApplySkin(); });

    trap.statement(110, [this] { m_zipConnection = m_createConnection(); });
    if (trap.headTest(112, [this] { return required(m_zipConnection).state() != 0; }))
        trap.statement(112, [this] { required(m_zipConnection).Close(); });
    trap.statement(
        114, [this] { required(m_zipConnection).Open(ZipConnection::connectionStringFor(AppFiles::databasePath())); });

    trap.statement(116, [&] {
        setWindowTitle(productName);
        setWindowIcon(programIcon());
    });
    trap.statement(116, [&] { ApplicationTitle::set(ApplicationTitle::shortened(productName)); });

    if (trap.headTest(118, [] { return FileExists(AppFiles::path(appfile::HandCursor)); }))
        trap.statement(120, [this] { loadHandPointer(); });

    trap.statement(122, [this] { visitHomePageNowAndThen(); });

    trap.statement(140, [this] { m_results->addColumn(QStringLiteral("City")); });
    trap.statement(142, [this] { m_results->addColumn(QStringLiteral("State")); });
    trap.statement(144, [this] { m_results->addColumn(QStringLiteral("Zip")); });
    trap.statement(146, [this] { ListView1->setColumnWidth(0, twipsToPixels(5200)); });
    trap.statement(148, [this] { ListView1->setColumnWidth(1, twipsToPixels(1500)); });
    trap.statement(150, [this] { ListView1->setColumnWidth(2, twipsToPixels(1500)); });

    trap.statement(152, [this] {
        Text2->setText(SettingsStore::Read(
            QString::fromUtf8(branding::SettingsApplicationKey), QString::fromUtf8(branding::SettingsSection),
            QString::fromUtf8(SeparatingCharacterKey), QString::fromUtf8(DefaultSeparatingCharacter)));
    });
}

void Form1::ApplySkin() {
    if (!isOrdinaryFile(AppFiles::path(appfile::Skin)))
        return;

    // The window and its frames and labels take the system's face colour,
    // and the system's text for it.
    const QPalette system = QGuiApplication::palette();
    auto paintFace = [&system](QWidget* widget) {
        QPalette colours = widget->palette();
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            colours.setColor(group, QPalette::Window, system.color(group, QPalette::Button));
            colours.setColor(group, QPalette::WindowText, system.color(group, QPalette::ButtonText));
        }
        keepTextReadable(colours, QPalette::Window, QPalette::WindowText);
        widget->setPalette(colours);
    };
    paintFace(this);
    for (QWidget* control : findChildren<QWidget*>()) {
        if (qobject_cast<QGroupBox*>(control) || qobject_cast<QLabel*>(control) || qobject_cast<QRadioButton*>(control)
            || qobject_cast<QCheckBox*>(control))
            paintFace(control);
    }

    SkinEngine& engine = *m_skinEngine;
    engine.LoadSkin(AppFiles::path(appfile::Skin), QString());
    const int options = engine.options();
    engine.setOptions(options | SkinEngine::SkinActive);
    engine.setApplyToDialogs(true);
    engine.setApplyToToolTips(true);
    engine.ApplyWindow(this);
}

void Form1::loadHandPointer() { m_customPointer = loadCursorFile(AppFiles::path(appfile::HandCursor)); }

void Form1::visitHomePageNowAndThen() {
    if (m_platform.drawOneToHundred() == 7)
        m_platform.openUrl(QString::fromUtf8(branding::HomePage));
}

void Form1::Form_QueryUnload() {
    Trap trap = trapFor(location::FormQueryUnload, m_platform);
    trap.statement(100, [this] { m_yielder.turn(); });
}

void Form1::Form_Unload() { endInOrder(EXIT_SUCCESS); }

// A logout's signal ends the program as closing the window does, from
// whatever loop is turning (a command's yield, a modal box); the status
// tells the sender which signal ended it, as the shell counts.
void Form1::endOnTerminationSignals() {
    new TerminationSignals([this](int signal) { endInOrder(128 + signal); }, this);
}

void Form1::endInOrder(int exitStatus) {
    // A signal that arrives while the end is under way changes nothing.
    if (m_ending)
        return;
    m_ending = true;
    // A separator still waiting for a busy settings store gets a last,
    // bounded chance before the process ends.
    m_separatorSetting.flush(500);
    // A save abandoned while it yields leaves no new file beside its
    // target, and no file written in place half new.
    settleUnfinishedWrites();
    m_platform.endProcess(exitStatus);
}

} // namespace olvaris
