#pragma once
#include "CheckedOutput.h"
#include "CheckedRowStore.h"
#include "ListCheckOptions.h"
#include "ListPreview.h"
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace olvaris::lookup {
class ListUnderCheck;
}

namespace olvaris::listcheck {

// The list check as the window runs it: the same engine as the command
// line's (lib/check), on a thread of its own so the window answers all the
// while. One thing at a time: opening a list, checking it, or saving it.
// Results come back as signals on the window's thread; checked rows wait
// in batches until the window takes them.
class CheckSession : public QObject {
    Q_OBJECT
public:
    // database: the path's own bytes.
    explicit CheckSession(std::string database, QObject* parent = nullptr);
    ~CheckSession() override;

    // Opens the list and finds what the check will read: previewed().
    void open(const lookup::ListCheckOptions& options);
    // Checks the list last opened: rows come in batches (rowsWaiting()),
    // then checked() or failed(). A list checked before is opened again.
    void check();
    // Writes the check of the list last opened to a file (as the command
    // line's --output writes it): saved() or failed(). With replaceForeign,
    // a file that is not an earlier check's output is replaced (its owner
    // said so); else such a file gives foreignOutput().
    void save(const std::string& path, bool problemsOnly, bool apply, bool replaceForeign);
    // Stops what runs as soon as it can: stopped(). Nothing half-made is kept.
    void stop();
    bool busy() const { return m_worker.joinable() && !m_done.load(); }

    const lookup::ListCheckOptions& options() const { return m_options; }
    // The batches of rows checked since the last call.
    std::vector<RowBatch> takeRows();
    // How far the check has come: rows, and the share of the list read
    // (below 0 where that cannot be told).
    long rowsDone() const { return m_rowsDone.load(); }
    double fractionRead() const { return m_fraction.load(); }

signals:
    void previewed(const olvaris::listcheck::ListPreview& preview);
    void checked(const olvaris::lookup::Tally& tally);
    void saved(const QString& path);
    void foreignOutput(const QString& path, const QString& what);
    void failed(const QString& message);
    void stopped();

private:
    class RowSink;
    template <typename Work>
    void run(Work work);
    void deliver(RowBatch&& batch);
    void finishWith(std::function<void()> report);
    ListPreview preview(const lookup::ListCheckOptions& options);

    std::string m_database;
    lookup::ListCheckOptions m_options;
    std::unique_ptr<lookup::ListUnderCheck> m_opened; // touched by the worker only while it runs
    ListPreview m_preview;
    std::thread m_worker;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{true};
    std::atomic<long> m_rowsDone{0};
    std::atomic<double> m_fraction{-1};
    std::mutex m_rowsLock;
    std::vector<RowBatch> m_rows;
};

} // namespace olvaris::listcheck

Q_DECLARE_METATYPE(olvaris::listcheck::ListPreview)
Q_DECLARE_METATYPE(olvaris::lookup::Tally)
