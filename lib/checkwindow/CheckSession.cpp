#include "CheckSession.h"
#include "EarlierOutput.h"
#include "Error.h"
#include "ListSession.h"
#include "OutputFile.h"
#include <QMetaObject>
#include <chrono>
#include <new>
#include <sys/stat.h>

namespace olvaris::listcheck {

namespace {

using Clock = std::chrono::steady_clock;

} // namespace

// Rows as the check gives them, packed into batches for the window.
class CheckSession::RowSink : public check::CheckedOutput {
public:
    RowSink(CheckSession& session, const check::ListSession& list) : m_session(session), m_list(list) {}

    void header(const check::ListRow&) override {}
    void row(const check::ListRow& row, const check::RowVerdict& verdict) override {
        check::nameOfRow(*row.fields, m_session.m_nameColumns, m_name);
        const std::string_view texts[RowTextCount] = {m_name,       row.place[0],         row.place[1],
                                                      row.place[2], verdict.suggestedZip, verdict.note};
        m_batch.add(std::uint32_t(row.line), verdict.kind, texts);
        ++m_rows;
        // Handed over often enough that the list grows smoothly, seldom
        // enough that the window's share stays small.
        if (m_batch.size() % 1024 == 0 && (m_batch.size() >= 65536 || Clock::now() - m_since > Interval))
            flush();
    }
    bool finish(const check::Tally&) override {
        flush();
        return true;
    }
    void abandon() override { flush(); }

private:
    static constexpr auto Interval = std::chrono::milliseconds(40);
    void flush() {
        m_session.m_rowsDone = m_rows;
        m_session.m_fraction = m_list.fractionRead();
        if (m_batch.size() > 0)
            m_session.deliver(std::move(m_batch));
        m_batch = RowBatch();
        m_since = Clock::now();
    }

    CheckSession& m_session;
    const check::ListSession& m_list;
    RowBatch m_batch;
    std::string m_name;
    long m_rows = 0;
    Clock::time_point m_since = Clock::now();
};

CheckSession::CheckSession(std::string database, QObject* parent)
    : QObject(parent), m_list(std::make_unique<check::ListSession>(std::move(database))) {
    qRegisterMetaType<check::ListPreview>();
    qRegisterMetaType<check::Tally>();
}

CheckSession::~CheckSession() {
    m_stop = true;
    if (m_worker.joinable())
        m_worker.join();
}

template <typename Work>
void CheckSession::run(Work work) {
    m_stop = true;
    if (m_worker.joinable())
        m_worker.join();
    m_stop = false;
    m_done = false;
    m_worker = std::thread([this, work, file = m_options.file]() mutable {
        try {
            work();
        } catch (const check::CheckStopped&) {
            finishWith([this] { emit stopped(); });
        } catch (const Error& error) {
            const QString message = QString::fromStdString(check::problemText(error, file));
            finishWith([this, message] { emit failed(message); });
        } catch (const std::bad_alloc&) {
            const QString message =
                QString::fromStdString(file + ": out of memory: the list is larger than this machine can check");
            finishWith([this, message] { emit failed(message); });
        }
    });
}

void CheckSession::finishWith(std::function<void()> report) {
    m_done = true;
    QMetaObject::invokeMethod(this, std::move(report), Qt::QueuedConnection);
}

void CheckSession::deliver(RowBatch&& batch) {
    const std::lock_guard<std::mutex> lock(m_rowsLock);
    m_rows.push_back(std::move(batch));
}

std::vector<RowBatch> CheckSession::takeRows() {
    const std::lock_guard<std::mutex> lock(m_rowsLock);
    return std::exchange(m_rows, {});
}

void CheckSession::open(const check::ListCheckOptions& options) {
    m_options = options;
    run([this, options] {
        const check::ListPreview preview = m_list->open(options);
        m_nameColumns = preview.nameColumns;
        finishWith([this, preview] { emit previewed(preview); });
    });
}

void CheckSession::check() {
    m_rowsDone = 0;
    m_fraction = -1;
    takeRows();
    run([this] {
        RowSink sink(*this, *m_list);
        const check::Tally tally = m_list->check(sink, &m_stop);
        finishWith([this, tally] { emit checked(tally); });
    });
}

void CheckSession::inspectTarget(const std::string& path) {
    run([this, path] {
        struct stat status {};
        const bool exists = ::stat(path.c_str(), &status) == 0;
        // Said before the replace question, which is about files.
        if (exists && !S_ISREG(status.st_mode))
            throw Error(Error::Kind::Output, check::FilesOnly::refusal(status.st_mode), path);
        const std::string foreign = exists ? check::foreignOutput(path) : std::string();
        finishWith([this, path, exists, foreign] {
            emit targetInspected(QString::fromStdString(path), exists, QString::fromStdString(foreign));
        });
    });
}

void CheckSession::save(const std::string& path, bool problemsOnly, bool apply) {
    run([this, path, problemsOnly, apply] {
        // Stop ends a save at once only where nothing waits on a reader.
        const check::FilesOnly filesOnly;
        m_list->save(path, problemsOnly, apply, &m_stop);
        finishWith([this, path] { emit saved(QString::fromStdString(path)); });
    });
}

void CheckSession::stop() { m_stop = true; }

} // namespace olvaris::listcheck
