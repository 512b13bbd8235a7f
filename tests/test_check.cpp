// The list check's library on its own: what a cleaned copy may change, and
// the session a window holds (the preview of a refused list, a save made
// from the verdicts shown), an output that would wait refused, a failed
// write's reason.
#include "Error.h"
#include "ListCheck.h"
#include "ListSession.h"
#include "OutputFile.h"
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

using namespace olvaris::check;

namespace {

// A CSV line's fields; quotes as the check writes them.
QStringList fieldsOf(const QString& line) {
    QStringList fields{QString()};
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('"') && quoted && i + 1 < line.size() && line[i + 1] == QLatin1Char('"'))
            fields.back() += line[++i];
        else if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted)
            fields << QString();
        else
            fields.back() += c;
    }
    return fields;
}

QStringList linesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<missing>")};
    return QString::fromUtf8(file.readAll())
        .remove(QChar(0xFEFF))
        .remove(QLatin1Char('\r'))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

class Rows : public CheckedOutput {
public:
    long rows = 0;
    void header(const ListRow&) override {}
    void row(const ListRow&, const RowVerdict&) override { ++rows; }
    bool finish(const Tally&) override { return true; }
    void abandon() override {}
};

} // namespace

class TestCheck : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QString& name, const QByteArray& text) {
        QString path = m_dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text);
        return path;
    }
    static std::string bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

private slots:
    // Rows still to look at keep every cell as written: only what is
    // certain is corrected, however near the data's spelling is.
    void aCleanedCopyChangesNoRowStillToLookAt() {
        const QString list = write(QStringLiteral("mixed.csv"), "Name,City,State,Zip\n"
                                                                "Ann,boston,ma,2134\n"
                                                                "Bob,Bosston,MA,02134\n"
                                                                "Cy,springfield,IL,02134\n"
                                                                "Dee,SPRINGFIELD,Massachusetts,02134\n"
                                                                "Ed,boston,MA,99999\n"
                                                                "Fay,,MA,02108\n"
                                                                "Gus,Bostn,Mass,02108\n"
                                                                "Hal,allston,MA,2134\n");
        ListCheckOptions options;
        options.file = bytes(list);
        options.apply = true;
        options.output = bytes(m_dir.filePath(QStringLiteral("cleaned.csv")));
        runListCheck(options, OLVARIS_SHIPPED_DATABASE, nullptr);
        const QStringList in = linesOf(list), out = linesOf(m_dir.filePath(QStringLiteral("cleaned.csv")));
        QCOMPARE(out.size(), in.size());
        int toLookAt = 0, corrected = 0;
        for (int line = 1; line < in.size(); ++line) {
            const QStringList written = fieldsOf(out[line]), read = fieldsOf(in[line]);
            const QString verdict = written.value(4);
            if (verdict == QLatin1String("ok") && written.mid(0, 4) != read) {
                ++corrected;
                continue;
            }
            if (verdict == QLatin1String("ok") || verdict == QLatin1String("local-name"))
                continue;
            ++toLookAt;
            QVERIFY2(written.mid(0, 4) == read, qPrintable(out[line] + QStringLiteral(" from ") + in[line]));
        }
        QVERIFY2(toLookAt >= 5 && corrected >= 1, qPrintable(out.join(QLatin1Char('\n'))));
    }

    // A cleaned text list is the list as it was, line by line and byte by
    // byte (its code page, line ends, quoting, title and blank lines, a
    // field's stray quotes), but for the cells corrected, written in the
    // list's own form, and the verdict's columns.
    void aCleanedListIsTheListAsItWas() {
        const QByteArray list = "Volunteers\tspring\n"
                                "\n"
                                "Name\tNote\tCity\tState\tZip\n"
                                "Ann\t\"Little Acorns\" Preschool\tBoston\tma\t2108\n"
                                "Jos\xE9\t\tSt. Louis\tMO\t63101\n"
                                "\n"
                                "Bo\t\"x\"\tspringfield\tIL\t2134";
        ListCheckOptions options;
        options.file = bytes(write(QStringLiteral("volunteers.txt"), list));
        options.apply = true;
        const QString cleaned = m_dir.filePath(QStringLiteral("cleaned.txt"));
        options.output = bytes(cleaned);
        runListCheck(options, OLVARIS_SHIPPED_DATABASE, nullptr);
        QFile file(cleaned);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> out = file.readAll().split('\n');
        const QList<QByteArray> expected = {"Volunteers\tspring",
                                            "",
                                            "Name\tNote\tCity\tState\tZip\tverdict\tsuggested_zip\tnote",
                                            "Ann\t\"Little Acorns\" Preschool\tBoston\tMA\t02108\tok\t\tcorrected: ",
                                            "Jos\xE9\t\tSt. Louis\tMO\t63101\tok\t\tthe data writes it Saint Louis",
                                            "",
                                            "Bo\t\"x\"\tspringfield\tIL\t2134\tmismatch\t\tZIP 2134 lost"};
        QCOMPARE(out.size(), expected.size());
        for (int line = 0; line < out.size(); ++line)
            QVERIFY2(expected[line].isEmpty() ? out[line].isEmpty() : out[line].startsWith(expected[line]),
                     out[line].constData());
    }

    // Where the check refuses a list, its first rows, read while the header
    // was looked for, offer the columns to pick from.
    void aRefusedListOffersTheColumnsOfItsFirstRows() {
        ListSession session(OLVARIS_SHIPPED_DATABASE);
        ListCheckOptions options;
        options.file = bytes(write(QStringLiteral("odd.csv"), "Customers in the spring\n\n"
                                                              "Who,Town,Region,Postcode,\n"
                                                              "Ann,Boston,MA,02108,\n"));
        ListPreview preview = session.open(options);
        QVERIFY2(preview.problem.find("odd.csv:3: no State column") != std::string::npos, preview.problem.c_str());
        QVERIFY(!preview.unreadable);
        QCOMPARE(preview.columnNames, (std::vector<std::string>{"Who", "Town", "Region", "Postcode", "Column 5"}));

        options.file = bytes(write(QStringLiteral("not-a-list.pdf"), "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n"));
        preview = session.open(options);
        QVERIFY(!preview.ready());
        QVERIFY(preview.unreadable);
    }

    // An output that would wait on another program is refused instead: a
    // pipe no program reads from, and where files only are taken, any pipe
    // or device.
    void anOutputThatWouldWaitIsRefused() {
        const auto refusal = [](const std::string& path) -> std::string {
            try {
                OutputFile output(path, OutputFile::Filling::Stream);
            } catch (const olvaris::Error& error) {
                return error.what();
            }
            return "opened";
        };
        const QString pipe = m_dir.filePath(QStringLiteral("nobody-reads.csv"));
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        const std::string unread = refusal(bytes(pipe));
        QVERIFY2(unread.find("no program is reading from it") != std::string::npos, unread.c_str());
        {
            const FilesOnly filesOnly;
            QCOMPARE(refusal("/dev/null"), std::string("is a device, not a file: name a file to save to"));
        }
        QCOMPARE(refusal("/dev/null"), std::string("opened"));
    }

    // A write that fails says what the system said: a full disk is one.
    void aFailedWriteSaysWhy() {
        ListCheckOptions options;
        options.file = bytes(write(QStringLiteral("full.csv"), "City,State,ZIP\nBoston,MA,02108\n"));
        options.output = "/dev/full";
        try {
            runListCheck(options, OLVARIS_SHIPPED_DATABASE, nullptr);
            QFAIL("written to a full disk");
        } catch (const olvaris::Error& error) {
            QCOMPARE(std::string(error.what()), std::string("the rows could not be written: ") + std::strerror(ENOSPC));
        }
    }

    // A save writes the verdicts the check gave, without judging again (the
    // database may be gone by then), exactly as the command line writes the
    // same check; a list changed since it was checked is refused, and
    // nothing is left where the save would have gone.
    void aSaveWritesTheVerdictsShownAndRefusesAChangedList() {
        const QString database = m_dir.filePath(QStringLiteral("zips.mdb"));
        QVERIFY(QFile::copy(QStringLiteral(OLVARIS_SHIPPED_DATABASE), database));
        const QString list = write(QStringLiteral("save.csv"), "Name,City,State,Zip\nAnn,Boston,MA,2134\n"
                                                               "Bob,Bosston,MA,02134\nCy,Hollywood,CA,90028\n");
        ListCheckOptions options;
        options.file = bytes(list);
        options.output = bytes(m_dir.filePath(QStringLiteral("command-line.csv")));
        options.apply = true;
        runListCheck(options, bytes(database), nullptr);

        ListSession session(bytes(database));
        options.output.reset();
        options.apply = false;
        QVERIFY(session.open(options).ready());
        Rows rows;
        QCOMPARE(session.check(rows).rows, 3L);
        QVERIFY(QFile::remove(database));
        const QString saved = m_dir.filePath(QStringLiteral("saved.csv"));
        session.save(bytes(saved), false, true);
        QCOMPARE(linesOf(saved), linesOf(m_dir.filePath(QStringLiteral("command-line.csv"))));

        QFile grown(list);
        QVERIFY(grown.open(QIODevice::Append));
        grown.write("Dee,Boston,MA,02108\n");
        grown.close();
        const QString refused = m_dir.filePath(QStringLiteral("refused.csv"));
        try {
            session.save(bytes(refused), false, false);
            QFAIL("a list changed since its check was saved");
        } catch (const olvaris::Error& error) {
            QVERIFY2(std::string(error.what()).find("changed since it was checked") != std::string::npos, error.what());
        }
        QVERIFY(!QFile::exists(refused));
    }
};

QTEST_GUILESS_MAIN(TestCheck)
#include "test_check.moc"
