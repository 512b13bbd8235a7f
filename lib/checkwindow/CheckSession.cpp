#include "CheckSession.h"
#include "DatabaseFile.h"
#include "EarlierOutput.h"
#include "Error.h"
#include "Judges.h"
#include "ListCheck.h"
#include "ListUnderCheck.h"
#include "OpenSheet.h"
#include "RecordReader.h"
#include "ZipRules.h"
#include <QMetaObject>
#include <chrono>
#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace olvaris::listcheck {

namespace {

using Clock = std::chrono::steady_clock;

std::string describe(const Error& error, const std::string& file) {
    const std::string where = error.where().empty() ? file : error.where();
    return (error.line() > 0 ? where + ':' + std::to_string(error.line()) : where) + ": " + error.what();
}

std::vector<std::string> columnNamesOf(const std::vector<std::string>& fields, bool headerless) {
    std::vector<std::string> names;
    for (size_t column = 0; column < fields.size(); ++column)
        names.push_back(headerless || ziplist::trimmed(fields[column]).empty() ? "Column " + std::to_string(column + 1)
                                                                               : fields[column]);
    return names;
}

// A list the check refuses: its sheets, and the first rows' widest as the
// columns' names, for the person to pick from. Throws olvaris::Error where
// the file cannot be read as a list at all.
void readLeadingRows(const lookup::ListCheckOptions& options, ListPreview& preview) {
    const int descriptor = ::open(options.file.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        throw Error(Error::Kind::Input, "cannot be opened");
    struct Closer {
        int descriptor;
        ~Closer() { ::close(descriptor); }
    } closer{descriptor};
    workbook::OpenedList list = workbook::openList(descriptor, options.file, options.sheet);
    std::unique_ptr<ziplist::RecordReader> reader;
    ziplist::FieldSource* source = list.sheet.get();
    if (list.sheet) {
        preview.sheetNames = list.sheet->sheetNames();
        preview.sheet = list.sheet->name();
    } else {
        reader = std::make_unique<ziplist::RecordReader>(descriptor);
        reader->firstLine();
        reader->setSeparator(std::string(1, ziplist::separatorOfLines(reader->ahead())), true);
        source = reader.get();
    }
    std::vector<std::string> widest;
    size_t widestFilled = 0;
    for (int looked = 0; looked < ziplist::HeaderSearchRows && source->next();) {
        if (ziplist::isBlankRecord(source->fields()))
            continue;
        ++looked;
        size_t filled = 0;
        for (const std::string& field : source->fields())
            filled += ziplist::trimmed(field).empty() ? 0 : 1;
        if (filled > widestFilled) {
            widest = source->fields();
            widestFilled = filled;
        }
    }
    preview.columnNames = columnNamesOf(widest, false);
}

} // namespace

// Rows as the check gives them, packed into batches for the window.
class CheckSession::RowSink : public lookup::CheckedOutput {
public:
    RowSink(CheckSession& session, const lookup::ListUnderCheck& list, std::vector<int> nameColumns)
        : m_session(session), m_list(list), m_nameColumns(std::move(nameColumns)) {}

    void header(const lookup::ListRow&) override {}
    void row(const lookup::ListRow& row, const lookup::RowVerdict& verdict) override {
        m_name.clear();
        for (const int column : m_nameColumns)
            if (size_t(column) < row.fields->size()) {
                const std::string_view text = ziplist::trimmed((*row.fields)[size_t(column)]);
                if (!text.empty())
                    m_name.append(m_name.empty() ? "" : " ").append(text);
            }
        const std::string_view texts[RowTextCount] = {m_name,       row.place[0],         row.place[1],
                                                      row.place[2], verdict.suggestedZip, verdict.note};
        m_batch.add(std::uint32_t(row.line), verdict.kind, texts);
        ++m_rows;
        // Handed over often enough that the list grows smoothly, seldom
        // enough that the window's share stays small.
        if (m_batch.size() % 1024 == 0 && (m_batch.size() >= 65536 || Clock::now() - m_since > Interval))
            flush();
    }
    bool finish(const lookup::Tally&) override {
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
    const lookup::ListUnderCheck& m_list;
    std::vector<int> m_nameColumns;
    RowBatch m_batch;
    std::string m_name;
    long m_rows = 0;
    Clock::time_point m_since = Clock::now();
};

CheckSession::CheckSession(std::string database, QObject* parent) : QObject(parent), m_database(std::move(database)) {
    qRegisterMetaType<ListPreview>();
    qRegisterMetaType<lookup::Tally>();
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
    m_worker = std::thread([this, work]() mutable {
        try {
            work();
        } catch (const lookup::CheckStopped&) {
            finishWith([this] { emit stopped(); });
        } catch (const Error& error) {
            const QString message = QString::fromStdString(describe(error, m_options.file));
            finishWith([this, message] { emit failed(message); });
        } catch (const std::bad_alloc&) {
            const QString message = QString::fromStdString(
                m_options.file + ": out of memory: the list is larger than this machine can check");
            finishWith([this, message] { emit failed(message); });
        } catch (const std::exception& error) {
            const QString message = QString::fromStdString(m_options.file + ": " + error.what());
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

ListPreview CheckSession::preview(const lookup::ListCheckOptions& options) {
    ListPreview preview;
    preview.file = options.file;
    try {
        auto list = std::make_unique<lookup::ListUnderCheck>(options);
        const ziplist::HeaderRow& header = list->header().row;
        if (const workbook::Sheet* sheet = list->sheet()) {
            preview.sheetNames = sheet->sheetNames();
            preview.sheet = sheet->name();
        }
        preview.columnNames = columnNamesOf(header.fields, header.headerless);
        preview.columns = header.columns;
        preview.groups = header.groups;
        preview.headerless = header.headerless;
        preview.howRead = list->howRead();
        preview.nameColumns =
            nameColumnsOf(header.headerless ? std::vector<std::string>() : header.fields, header.columns);
        if (preview.nameColumns.empty() && header.headerless)
            preview.nameColumns = nameColumnsOf(preview.columnNames, header.columns);
        m_opened = std::move(list);
    } catch (const Error& error) {
        preview.problem = describe(error, options.file);
        try {
            readLeadingRows(options, preview);
        } catch (const Error&) {
            preview.unreadable = true;
        }
        preview.unreadable = preview.unreadable || preview.columnNames.empty();
    }
    return preview;
}

void CheckSession::open(const lookup::ListCheckOptions& options) {
    m_options = options;
    run([this] {
        m_opened.reset();
        ListPreview preview = this->preview(m_options);
        finishWith([this, preview] {
            m_preview = preview;
            emit previewed(preview);
        });
    });
}

void CheckSession::check() {
    m_rowsDone = 0;
    m_fraction = -1;
    takeRows();
    run([this, names = m_preview.nameColumns]() mutable {
        if (!m_opened) {
            const ListPreview preview = this->preview(m_options);
            if (!m_opened) {
                const QString message = QString::fromStdString(preview.problem);
                finishWith([this, message] { emit failed(message); });
                return;
            }
            names = preview.nameColumns;
        }
        const std::unique_ptr<lookup::ListUnderCheck> list = std::move(m_opened);
        const sqlite::Connection db = lookup::openDatabaseFile(m_database);
        lookup::Judges judges(db.get());
        RowSink sink(*this, *list, names);
        lookup::Tally tally;
        try {
            tally = list->check(judges, sink, false, &m_stop);
        } catch (...) {
            sink.abandon();
            throw;
        }
        sink.finish(tally);
        finishWith([this, tally] { emit checked(tally); });
    });
}

void CheckSession::save(const std::string& path, bool problemsOnly, bool apply, bool replaceForeign) {
    run([this, path, problemsOnly, apply, replaceForeign] {
        m_opened.reset();
        if (!replaceForeign)
            if (const std::string what = lookup::foreignOutput(path); !what.empty()) {
                finishWith([this, path, what] {
                    emit foreignOutput(QString::fromStdString(path), QString::fromStdString(what));
                });
                return;
            }
        lookup::ListCheckOptions options = m_options;
        options.output = path;
        options.problemsOnly = problemsOnly;
        options.apply = apply;
        options.json = false;
        lookup::runListCheck(options, m_database, nullptr, &m_stop, replaceForeign);
        finishWith([this, path] { emit saved(QString::fromStdString(path)); });
    });
}

void CheckSession::stop() { m_stop = true; }

} // namespace olvaris::listcheck
