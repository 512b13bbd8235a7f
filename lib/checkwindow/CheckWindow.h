#pragma once
#include "CheckedOutput.h"
#include "CheckedRowStore.h"
#include "ListPreview.h"
#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <deque>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QLayout;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTableView;

namespace olvaris::check {
struct ListCheckOptions;
}

namespace olvaris::listcheck {

class CheckDialogs;
class CheckSession;
class CheckedRowsModel;
class ListSetup;
class VerdictBar;

// The window of the address-list check: a list opened (the Open button,
// a file dropped on it, the command line, the recent lists), what will be
// checked shown and chosen, the check watched with a Stop, the verdicts as
// a bar and the rows below, and the checked list, its problems or its
// cleaned copy saved as the command line writes them.
class CheckWindow : public QMainWindow {
    Q_OBJECT
public:
    // database: the path's own bytes.
    CheckWindow(const std::string& database, std::unique_ptr<CheckDialogs> dialogs, QWidget* parent = nullptr);
    ~CheckWindow() override;

    void openList(const QString& path);

    // For tests and the screen reader: the parts a person works with.
    CheckSession& session() const { return *m_session; }
    CheckedRowsModel& rows() const { return *m_model; }
    ListSetup& setup() const { return *m_setup; }
    VerdictBar& bar() const { return *m_bar; }
    QTableView& table() const { return *m_table; }
    QLineEdit& filter() const { return *m_filter; }
    QPushButton& stopButton() const { return *m_stop; }
    // The line that says what the window is doing and how a check ended.
    QString status() const;
    enum class Save { Checked, Problems, Cleaned };
    void save(Save what);

signals:
    // A check came to its end, was stopped or failed; a save is done or failed.
    void checkEnded();
    void saveEnded();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLayout* makeTopRow(QWidget* central);
    QLayout* makeProgressRow(QWidget* central);
    QLayout* makeFilterRow(QWidget* central);
    QTableView* makeTable(QWidget* central);
    QLayout* makeSaveRow(QWidget* central);
    void connectParts();
    void reopen(const check::ListCheckOptions& options);
    void previewed(const check::ListPreview& preview);
    void startCheck();
    void takeRows();
    void checked(const check::Tally& tally);
    void finishCheck(const check::Tally& tally);
    void drainRows();
    void failed(const QString& message);
    void stopped();
    static QString saveTitle(Save what);
    void targetInspected(const QString& path, bool exists, const QString& foreign);
    void saved(const QString& path);
    void setBusy(bool checking, bool saving, bool reading = false);
    void showTitle(const QString& state);
    void say(const QString& text);
    void settleProgress(int value, const QString& text);
    void remember(const QString& path);
    void fillRecent();
    void copyRows();

    std::unique_ptr<CheckDialogs> m_dialogs;
    CheckSession* m_session;
    CheckedRowsModel* m_model;
    ListSetup* m_setup;
    VerdictBar* m_bar;
    QTableView* m_table;
    QLineEdit* m_filter;
    QLabel* m_file;
    QLabel* m_status;
    QLabel* m_rate;
    QProgressBar* m_progress;
    QPushButton* m_open;
    QPushButton* m_recent;
    QMenu* m_recentMenu;
    QPushButton* m_stop;
    QPushButton* m_saveChecked;
    QPushButton* m_saveProblems;
    QPushButton* m_saveCleaned;
    static constexpr qint64 AppendBudgetMs = 8;
    std::deque<RowBatch> m_pending;      // rows taken from the check, not yet listed
    std::optional<check::Tally> m_ended; // the check's counts, once it has ended
    bool m_draining = false;
    QTimer m_poll;
    QTimer m_filterDelay;
    QElapsedTimer m_clock;
    long m_rowsAtLastTick = 0;
    int m_percentShown = -1;
    qint64 m_lastTick = 0;
    QString m_path;
    Save m_pendingSave = Save::Checked; // what the save under way writes
    bool m_checked = false;
    bool m_setupUsable = false; // the list opened can be read, its columns chosen
    bool m_saving = false;
};

} // namespace olvaris::listcheck
