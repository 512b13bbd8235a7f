#pragma once
#include "CheckedRowStore.h"
#include "ListCheckOptions.h"
#include "ListPreview.h"
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace olvaris::check {
class ListSession;
}

namespace olvaris::listcheck {

// The list check's session (lib/check) run on a thread of its own, so the
// window answers all the while. One thing at a time: opening a list,
// checking it, looking at a save's target, or saving. Results come back as
// signals on the window's thread; checked rows wait in batches until the
// window takes them.
class CheckSession : public QObject {
    Q_OBJECT
public:
    // database: the path's own bytes.
    explicit CheckSession(std::string database, QObject* parent = nullptr);
    ~CheckSession() override;

    // Opens the list and finds what the check will read: previewed().
    void open(const check::ListCheckOptions& options);
    // Checks the list last opened: rows come in batches (rowsWaiting()),
    // then checked() or failed(). A list checked before is read again.
    void check();
    // What is at a path the checked list is to be saved to, read off the
    // window's thread (a pipe must not hold the window): targetInspected().
    void inspectTarget(const std::string& path);
    // Writes the list last checked to a file, with the verdicts shown, as
    // the command line's --output writes it: saved() or failed(). Whatever
    // is at path is replaced: the person was asked.
    void save(const std::string& path, bool problemsOnly, bool apply);
    // Stops what runs as soon as it can: stopped(). Nothing half-made is kept.
    void stop();
    bool busy() const { return m_worker.joinable() && !m_done.load(); }

    const check::ListCheckOptions& options() const { return m_options; }
    // The batches of rows checked since the last call.
    std::vector<RowBatch> takeRows();
    // How far the check has come: rows, and the share of the list read
    // (below 0 where that cannot be told).
    long rowsDone() const { return m_rowsDone.load(); }
    double fractionRead() const { return m_fraction.load(); }

signals:
    void previewed(const olvaris::check::ListPreview& preview);
    void checked(const olvaris::check::Tally& tally);
    // exists: a file (or anything) is there; foreign: what it is where it
    // is not an earlier check's output.
    void targetInspected(const QString& path, bool exists, const QString& foreign);
    void saved(const QString& path);
    void failed(const QString& message);
    void stopped();

private:
    class RowSink;
    template <typename Work>
    void run(Work work);
    void deliver(RowBatch&& batch);
    void finishWith(std::function<void()> report);

    check::ListCheckOptions m_options;          // the window's thread's copy
    std::unique_ptr<check::ListSession> m_list; // touched by the worker only
    std::vector<int> m_nameColumns;
    std::thread m_worker;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{true};
    std::atomic<long> m_rowsDone{0};
    std::atomic<double> m_fraction{-1};
    std::mutex m_rowsLock;
    std::vector<RowBatch> m_rows;
};

} // namespace olvaris::listcheck

Q_DECLARE_METATYPE(olvaris::check::ListPreview)
Q_DECLARE_METATYPE(olvaris::check::Tally)
