#pragma once
#include "PendingSetting.h"
#include "Platform.h"
#include "SkinEngine.h"
#include "WorkUnderWay.h"
#include "Yielder.h"
#include "RunCommands.h"
#include "ZipConnection.h"
#include "ExportCommands.h"
#include "ResultsList.h"
#include <QCursor>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace olvaris {

class ResultsView;

// The main window: its controls, and the handlers that wire them to the
// program. Start-up (Form_Load) runs before the window is first shown.
class Form1 : public QWidget, public RunSurface, public ExportSurface {
    Q_OBJECT
public:
    using ConnectionFactory = std::function<std::unique_ptr<ZipConnection>()>;

    explicit Form1(Platform& platform, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up and shutdown.
    void Form_Load();
    void Form_QueryUnload();
    void Form_Unload();
    // From now on, SIGTERM, SIGINT and SIGHUP end the program as closing the
    // window does (status 128 + the signal).
    void endOnTerminationSignals();
    // Whether start-up ended the process (only a test's stand-in lets it return).
    bool loadEndedProcess() const { return m_loadEndedProcess; }

    // The pointer value of the window: 0 default, 11 busy, 99 the hand. It
    // is busy while any run, save or copy is under way, whatever the value
    // a command that ended inside another set last.
    pointer::Shape mousePointer() const override { return m_work.any() ? pointer::Busy : m_mousePointer; }
    void setMousePointer(pointer::Shape value) override;
    const std::optional<QCursor>& customPointerImage() const { return m_customPointer; }

    ZipConnection* zipConnection() const override { return m_zipConnection.get(); }
    void setConnectionFactory(ConnectionFactory factory) { m_createConnection = std::move(factory); }
    ResultsList& results() override { return *m_results; }
    Yielder& yielder() override { return m_yielder; }
    WorkUnderWay& work() override { return m_work; }
    Platform& platform() override { return m_platform; }
    RunCommands& runs() { return m_runs; }
    ExportCommands& exports() { return m_exports; }

    // RunSurface
    QString caption(RunButton button) const override;
    void setCaption(RunButton button, const QString& caption) override;
    void sayRunEnded(int rows) override;
    QString filterText() const override;
    // ExportSurface
    QString separatorText() const override;

    // The skin engine (SkinFramework1); tests put a recording one in its place.
    SkinEngine& skinEngine() { return *m_skinEngine; }
    void setSkinEngine(std::unique_ptr<SkinEngine> engine) { m_skinEngine = std::move(engine); }

    // Pointer notifications: over a command button, and over any other area.
    void hoverButton();
    void hoverArea();

    // The list's selected row, numbered from 1.
    std::optional<int> selectedRowNumber() const;

    // Controls, named as the program's handlers know them.
    QGroupBox* Frame1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* PushButton1 = nullptr;
    QPushButton* PushButton3 = nullptr;
    ResultsView* ListView1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* PushButton4 = nullptr;
    QPushButton* PushButton13 = nullptr;
    QPushButton* PushButton2 = nullptr;
    QPushButton* PushButton5 = nullptr;
    QPushButton* PushButton6 = nullptr;
    QPushButton* PushButton7 = nullptr;

    static constexpr const char* ListToolTip =
        "Double-click item to remove it. Move | line to right and out of window to reveal full names.";

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QList<QPushButton*> commandButtons() const;
    void arrangeTabOrder();
    void wireHandlers();
    void describeForScreenReaders();
    void applyPointer();
    void endInOrder(int exitStatus);

    // Start-up steps that touch the window.
    void ApplySkin();
    void loadHandPointer();
    void visitHomePageNowAndThen();

public:
    // Handlers of the list and the separator box.
    void ListView1_DblClick();
    void ListView1_KeyDown(int keyCode);
    void Text2_Change();

private:
    Platform& m_platform;
    Yielder m_yielder;
    WorkUnderWay m_work;
    ResultsList* m_results = nullptr;
    RunCommands m_runs{*this};
    ExportCommands m_exports{*this};
    ConnectionFactory m_createConnection;
    std::unique_ptr<ZipConnection> m_zipConnection;
    std::unique_ptr<SkinEngine> m_skinEngine;
    pointer::Shape m_mousePointer = pointer::Default;
    std::optional<QCursor> m_customPointer;
    bool m_loadEndedProcess = false;
    bool m_ending = false;
    bool m_countToSay = false; // the next caption brings the run's count
    // The separator box's value, stored on every change without waiting on the store.
    PendingSetting m_separatorSetting;
};

} // namespace olvaris
