// The list check's window on a big list, against the command line's check
// of the same list: time to the end, the longest the window leaves its
// events waiting while it checks and while the rows are scrolled, and its
// peak memory. Run under a real X server (xvfb-run), by hand:
//   olvaris-list-window-bench [--rows N] [--repeats N] [--list FILE]
// Each window run is a child process of its own, so its memory is its own;
// the window and the command line are run in turn.
#include "CheckSession.h"
#include "CheckWindow.h"
#include "CheckDialogs.h"
#include "CheckedRowsModel.h"
#include "ChildRun.h"
#include "ListSetup.h"
#include "Repeats.h"
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QProcess>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <random>

namespace {

// An export of customers as an office tool writes one, from the shipped
// table: one row in twenty with an error a person makes (the ZIP of
// another town, a city misspelt, the ZIP's zeros lost, the state written out).
void writeList(const QString& lookup, const QString& database, const QString& path, long rows) {
    QProcess all;
    all.start(lookup, {QStringLiteral("--database"), database, QStringLiteral("--all")});
    all.waitForFinished(-1);
    const QList<QByteArray> places = all.readAllStandardOutput().trimmed().split('\n');
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QTextStream out(&file);
    out << "First Name,Last Name,Street,City,State,Zip,Phone\n";
    std::mt19937 random(7);
    for (long row = 0; row < rows; ++row) {
        const QList<QByteArray> place = places[int(random() % places.size())].split('\t');
        QString city = QString::fromUtf8(place[0]), state = QString::fromUtf8(place[1]),
                zip = QString::fromUtf8(place[2]);
        switch (random() % 80) {
        case 0:
            zip = QString::fromUtf8(places[int(random() % places.size())].split('\t')[2]);
            break;
        case 1:
            city.insert(1, city[0]);
            break;
        case 2:
            while (zip.startsWith(QLatin1Char('0')))
                zip.remove(0, 1);
            break;
        case 3:
            city.clear();
            break;
        default:
            break;
        }
        if (city.contains(QLatin1Char(',')))
            city = QLatin1Char('"') + city + QLatin1Char('"');
        out << "Pat,Customer" << row << ',' << row % 999 + 1 << " Main St," << city << ',' << state << ',' << zip
            << ",555-0100\n";
    }
}

long peakKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return 0;
}

// The longest time between two turns of the event loop while it runs.
class GapWatch : public QObject {
public:
    GapWatch() {
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start() {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }
    double stopMs() {
        m_timer.stop();
        return double(m_longest) / 1e6;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0, m_longest = 0;
};

// One window: opened on the list, checked to its end, then scrolled a
// page at a time from top to bottom. Prints "seconds gap-checking-ms
// gap-scrolling-ms peak-KiB rows".
int oneRun(int argc, char** argv, const QString& database, const QString& list) {
    QApplication app(argc, argv);
    olvaris::listcheck::CheckWindow window(QFile::encodeName(database).toStdString(),
                                           std::make_unique<olvaris::listcheck::CheckDialogs>());
    window.show();
    QEventLoop waiting;
    QObject::connect(&window.session(), &olvaris::listcheck::CheckSession::previewed, &waiting, &QEventLoop::quit);
    window.openList(list);
    waiting.exec();
    GapWatch gaps;
    QElapsedTimer clock;
    QObject::connect(&window, &olvaris::listcheck::CheckWindow::checkEnded, &waiting, &QEventLoop::quit);
    gaps.start();
    clock.start();
    window.setup().checkButton()->click();
    waiting.exec();
    const double seconds = bench::seconds(clock);
    const double checkingGap = gaps.stopMs();
    // Scrolled as a person pages through: each step painted before the next.
    QScrollBar* bar = window.table().verticalScrollBar();
    double scrollingGap = 0;
    for (int step = 0; step < 400; ++step) {
        QElapsedTimer one;
        one.start();
        bar->setValue(int(qint64(bar->maximum()) * step / 399));
        window.table().viewport()->repaint();
        QCoreApplication::processEvents();
        scrollingGap = std::max(scrollingGap, double(one.nsecsElapsed()) / 1e6);
    }
    // A click on a column's title: the rows sorted by their cities, on a
    // thread of the window's; the time until they are shown so, and the
    // longest gap meanwhile.
    QElapsedTimer sorting;
    QObject::connect(&window.rows(), &olvaris::listcheck::CheckedRowsModel::sorting, &waiting, [&](bool underWay) {
        if (!underWay)
            waiting.quit();
    });
    gaps.start();
    sorting.start();
    window.table().sortByColumn(olvaris::listcheck::CheckedRowsModel::City, Qt::AscendingOrder);
    waiting.exec();
    window.table().viewport()->repaint();
    const double sortMs = double(sorting.nsecsElapsed()) / 1e6;
    const double sortingGap = gaps.stopMs();
    std::printf("%.3f %.1f %.1f %ld %d %.1f %.1f\n", seconds, checkingGap, scrollingGap, peakKiB(),
                window.rows().rowCount(), sortMs, sortingGap);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString bin = QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath();
    const QString database = bin + QStringLiteral("/zipbase.mdb");
    if (arguments.size() == 2 && arguments[0] == QLatin1String("--one-run"))
        return oneRun(argc, argv, database, arguments[1]);

    long rows = 1000000;
    QString list;
    for (int i = 0; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QLatin1String("--rows"))
            rows = arguments[i + 1].toLong();
        else if (arguments[i] == QLatin1String("--repeats"))
            bench::repeats() = arguments[i + 1].toInt();
        else if (arguments[i] == QLatin1String("--list"))
            list = arguments[i + 1];
    }
    QTemporaryDir work;
    const QString lookup = bin + QStringLiteral("/olvaris-lookup");
    if (list.isEmpty()) {
        list = work.filePath(QStringLiteral("customers.csv"));
        writeList(lookup, database, list, rows);
    }
    bench::Paired time;
    bench::Figure checkingGap, scrollingGap, peak, sorting, sortingGap;
    const QString self = QString::fromLocal8Bit(argv[0]);
    for (int run = 0; run < bench::repeats(); ++run) {
        const QString result = work.filePath(QStringLiteral("window.txt"));
        bench::runChild(self, {QStringLiteral("--one-run"), list}, {}, result);
        QFile file(result);
        file.open(QIODevice::ReadOnly);
        const QList<QByteArray> figures = file.readAll().trimmed().split(' ');
        if (figures.size() < 7) {
            std::fprintf(stderr, "the window's run gave no figures\n");
            return 1;
        }
        const bench::ChildRun command =
            bench::runChild(lookup, {QStringLiteral("--database"), database, QStringLiteral("--check"), list}, {},
                            work.filePath(QStringLiteral("checked.csv")));
        time.add(figures[0].toDouble(), command.seconds);
        checkingGap.add(figures[1].toDouble());
        scrollingGap.add(figures[2].toDouble());
        peak.add(figures[3].toDouble() / 1024);
        sorting.add(figures[5].toDouble());
        sortingGap.add(figures[6].toDouble());
        std::printf("run %d: window %.3f s, olvaris-lookup --check %.3f s, gaps %.1f / %.1f ms, %.1f MB, %s rows\n",
                    run + 1, figures[0].toDouble(), command.seconds, figures[1].toDouble(), figures[2].toDouble(),
                    figures[3].toDouble() / 1024, figures[4].constData());
    }
    QTextStream out(stdout);
    out << "list check's window, " << rows << " rows, " << bench::repeats() << " runs in turn with the command line:\n"
        << "  to the end:        " << bench::seconds(time.program) << "\n"
        << "  olvaris-lookup --check: " << bench::seconds(time.floor) << "\n"
        << "  ratio:             " << bench::ratio(time.ratio) << "\n"
        << "  longest gap checking:  " << checkingGap.median() << " ms (" << checkingGap.min() << "-"
        << checkingGap.max() << ")\n"
        << "  longest gap scrolling: " << scrollingGap.median() << " ms (" << scrollingGap.min() << "-"
        << scrollingGap.max() << ")\n"
        << "  sorting by city:   " << sorting.median() << " ms (" << sorting.min() << "-" << sorting.max()
        << "), longest gap meanwhile " << sortingGap.median() << " ms (" << sortingGap.min() << "-" << sortingGap.max()
        << ")\n"
        << "  peak memory:       " << peak.median() << " MB (" << peak.min() << "-" << peak.max() << ")\n";
    return 0;
}
