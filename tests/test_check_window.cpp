// The address-list check's window: its table model and verdict bar, and the
// window itself against the command line's check of the same lists.
#include "CheckDialogs.h"
#include "CheckSession.h"
#include "CheckWindow.h"
#include "CheckedRowsModel.h"
#include "ListSetup.h"
#include "ScreenReaders.h"
#include "support/TestFolders.h"
#include "VerdictBar.h"
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QMimeData>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <sys/stat.h>

using namespace olvaris::listcheck;
using Kind = olvaris::check::RowVerdict::Kind;

namespace {

// Answers a test gives where a person would answer a dialog.
class ScriptedDialogs : public CheckDialogs {
public:
    QString savePath;
    bool replace = false;
    QStringList told, asked;
    QString openList(QWidget*, const QString&) override { return {}; }
    QString saveFile(QWidget*, const QString&, const QString&, const QStringList&, QString&) override {
        return savePath;
    }
    bool confirm(QWidget*, const QString&, const QString& text, const QString&) override {
        asked << text;
        return replace;
    }
    void tell(QWidget*, const QString&, const QString& text) override { told << text; }
};

RowBatch batchOf(std::initializer_list<std::tuple<int, Kind, const char*>> rows) {
    RowBatch batch;
    for (const auto& [line, kind, name] : rows) {
        const std::string_view texts[RowTextCount] = {name, "Boston", "MA", "02134", "", "a note"};
        batch.add(std::uint32_t(line), kind, texts);
    }
    return batch;
}

QStringList column(const CheckedRowsModel& model, int column) {
    QStringList shown;
    for (int row = 0; row < model.rowCount(); ++row)
        shown << model.index(row, column).data().toString();
    return shown;
}

QByteArray lookupRun(const QStringList& arguments) {
    QProcess lookup;
    lookup.start(QStringLiteral(LOOKUP_PROGRAM),
                 QStringList{QStringLiteral("--database"), QStringLiteral(OLVARIS_SHIPPED_DATABASE)} + arguments);
    lookup.waitForFinished(60000);
    return lookup.readAllStandardOutput();
}

} // namespace

class TestCheckWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    olvaris::test::TestFolders m_folders;

    QString writeList(const QString& name, const QByteArray& text) {
        QString path = m_dir.filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(text);
        return path;
    }

    // A list with a row of every verdict the shipped data can give.
    QString everyVerdict() {
        return writeList(QStringLiteral("every.csv"), "Name,Street,City,State,Zip\n"
                                                      "Ann Lee,1 Main St,Boston,MA,02134\n"
                                                      "Bob Ray,2 Elm St,Allston,MA,02134\n"
                                                      "Cy Dee,3 Oak,Bosston,MA,02134\n"
                                                      "Dee Fox,4 Pine,Boston,Massachusetts,2134\n"
                                                      "Ed Gee,5 Ash,Springfield,IL,02134\n"
                                                      "Fay Hu,6 Elm,Boston,MA,99999\n"
                                                      "Gus Ivy,7 Oak,,MA,02108\n"
                                                      "Hal Jo,8 Fir,,,\n"
                                                      "\n"
                                                      "Ida Ko,9 Yew,Hollywood,CA,90028\n"
                                                      "Jo Lu,10 Bay,Boston,MA,02108-1234\n"
                                                      "Kim Ma,11 Elm,Boston,MA,2108\n");
    }

    static void opened(CheckWindow& window, const QString& path) {
        QSignalSpy previewed(&window.session(), &CheckSession::previewed);
        window.openList(path);
        QVERIFY(previewed.wait(30000));
    }
    static void checked(CheckWindow& window) {
        QSignalSpy ended(&window, &CheckWindow::checkEnded);
        QVERIFY(window.setup().checkButton()->isEnabled());
        QTest::mouseClick(window.setup().checkButton(), Qt::LeftButton);
        QVERIFY(ended.wait(60000));
    }

private slots:
    void theModelCountsSortsAndFiltersItsRows() {
        CheckedRowsModel model;
        model.append({batchOf({{2, Kind::Ok, "Ann"}, {3, Kind::Format, "Bob"}, {4, Kind::UnknownZip, "Cy"}}),
                      batchOf({{5, Kind::Mismatch, "Dee"}, {6, Kind::NoAddress, "Ed"}, {7, Kind::LocalName, "Fay"}})});
        QCOMPARE(model.rowCount(), 6);
        QCOMPARE(model.groupCount(VerdictGroup::Fine), 2L);
        QCOMPARE(model.groupCount(VerdictGroup::Corrected), 1L);
        QCOMPARE(model.groupCount(VerdictGroup::ToLookAt), 2L);
        QCOMPARE(model.groupCount(VerdictGroup::NoAddress), 1L);
        // Arrived in the list's order; then the rows to look at first.
        QCOMPARE(column(model, CheckedRowsModel::RowNumber), (QStringList{"2", "3", "4", "5", "6", "7"}));
        model.sortLookFirst();
        QCOMPARE(column(model, CheckedRowsModel::Name), (QStringList{"Dee", "Cy", "Bob", "Fay", "Ann", "Ed"}));
        model.sort(CheckedRowsModel::Name, Qt::DescendingOrder);
        QCOMPARE(column(model, CheckedRowsModel::Name), (QStringList{"Fay", "Ed", "Dee", "Cy", "Bob", "Ann"}));
        model.showGroup(VerdictGroup::ToLookAt);
        QCOMPARE(column(model, CheckedRowsModel::Name), (QStringList{"Dee", "Cy"}));
        // Rows arriving later show where they belong to the group shown.
        model.append({batchOf({{8, Kind::RetiredZip, "Gil"}, {9, Kind::Ok, "Hal"}})});
        QCOMPARE(column(model, CheckedRowsModel::Name), (QStringList{"Dee", "Cy", "Gil"}));
        model.showGroup(std::nullopt);
        model.setFilterText(QStringLiteral("  D "));
        QCOMPARE(column(model, CheckedRowsModel::Name), (QStringList{"Gil", "Ed", "Dee"}));
        model.setFilterText(QStringLiteral("UNKNOWN-zip"));
        QCOMPARE(column(model, CheckedRowsModel::Name), (QStringList{"Cy"}));
        QCOMPARE(model.rowAsText(0), QStringLiteral("4\tCy\tBoston\tMA\t02134\tunknown-zip\t\ta note"));
    }

    // A big list is sorted off the window's thread, by the same order, and
    // the row a person was on stays the current one.
    void aBigListIsSortedAsASmallOneIs() {
        CheckedRowsModel model;
        RowBatch batch;
        const int rows = 150000;
        for (int row = 0; row < rows; ++row) {
            const std::string name = "Name " + std::to_string((row * 7919) % rows);
            const std::string_view texts[RowTextCount] = {name, "", "", "", "", ""};
            batch.add(std::uint32_t(row + 2), row % 3 ? Kind::Ok : Kind::Mismatch, texts);
        }
        model.append(batch);
        QPersistentModelIndex current = model.index(5, CheckedRowsModel::Name);
        const QString currentName = current.data().toString();
        QSignalSpy sorting(&model, &CheckedRowsModel::sorting);
        model.sort(CheckedRowsModel::Name, Qt::DescendingOrder);
        QVERIFY(sorting.wait(30000) || !sorting.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(sorting.size(), 2, 30000);
        QCOMPARE(model.index(0, CheckedRowsModel::Name).data().toString(), QStringLiteral("Name 99999"));
        QCOMPARE(model.index(rows - 1, CheckedRowsModel::Name).data().toString(), QStringLiteral("Name 0"));
        QCOMPARE(current.data().toString(), currentName);
        // A filter given before a sort's result is shown wins over it.
        model.sort(CheckedRowsModel::RowNumber, Qt::AscendingOrder);
        QThread::msleep(1500); // the sort done on its thread, its result waiting
        model.showGroup(VerdictGroup::ToLookAt);
        QTest::qWait(200);
        QCOMPARE(model.rowCount(), rows / 3);
        QCOMPARE(model.index(0, CheckedRowsModel::RowNumber).data().toString(), QStringLiteral("2"));
    }

    void aLongTextIsCutAtACharacterNotWithinOne() {
        RowBatch batch;
        std::string name(RowBatch::LongestShown - 1, 'x');
        name += "\xC3\xA9tienne"; // the é straddles the limit
        const std::string_view texts[RowTextCount] = {name, "", "", "", "", ""};
        batch.add(2, Kind::Ok, texts);
        CheckedRowStore store;
        store.append(batch);
        QCOMPARE(store.text(0, RowText::Name), std::string_view(name).substr(0, RowBatch::LongestShown - 1));
    }

    void theBarShowsEachGroupsCountAndChoosesItsRows() {
        VerdictBar bar;
        QSignalSpy chosen(&bar, &VerdictBar::groupChosen);
        bar.setCounts({203, 120, 2650, 0});
        QCOMPARE(bar.part(VerdictGroup::ToLookAt)->text(), QStringLiteral("203 to look at"));
        QCOMPARE(bar.part(VerdictGroup::Fine)->accessibleName(), QStringLiteral("2,650 fine"));
        QVERIFY(bar.part(VerdictGroup::NoAddress)->isHidden());
        QTest::mouseClick(bar.part(VerdictGroup::Corrected), Qt::LeftButton);
        QCOMPARE(chosen.takeFirst().at(0).value<std::optional<VerdictGroup>>(), std::optional(VerdictGroup::Corrected));
        QTest::mouseClick(bar.part(VerdictGroup::Corrected), Qt::LeftButton);
        QCOMPARE(chosen.takeFirst().at(0).value<std::optional<VerdictGroup>>(), std::optional<VerdictGroup>());
    }

    // The window judges with the command line's engine: the same rows, the
    // same verdicts, suggestions and notes, and the same counts.
    void theWindowsRowsAreTheCommandLinesRows_data() {
        QTest::addColumn<QString>("list");
        QTest::newRow("CSV, every verdict") << everyVerdict();
        QTest::newRow("a workbook") << QStringLiteral(OLVARIS_SOURCE_DIR "/tests/data/customers.xlsx");
        QTest::newRow("an OpenDocument sheet") << QStringLiteral(OLVARIS_SOURCE_DIR "/tests/data/customers.ods");
    }
    void theWindowsRowsAreTheCommandLinesRows() {
        QFETCH(QString, list);
        CheckWindow window(OLVARIS_SHIPPED_DATABASE, std::make_unique<ScriptedDialogs>());
        opened(window, list);
        checked(window);
        CheckedRowsModel& rows = window.rows();
        rows.sort(CheckedRowsModel::RowNumber, Qt::AscendingOrder);
        const QList<QByteArray> lines =
            lookupRun({QStringLiteral("--check"), list, QStringLiteral("--json")}).trimmed().split('\n');
        QCOMPARE(rows.rowCount(), lines.size());
        for (int row = 0; row < rows.rowCount(); ++row) {
            const QJsonObject expected = QJsonDocument::fromJson(lines[row]).object();
            const auto shown = [&](int column) { return rows.index(row, column).data().toString(); };
            QCOMPARE(shown(CheckedRowsModel::RowNumber), QString::number(expected["line"].toInt()));
            QCOMPARE(shown(CheckedRowsModel::City), expected["city"].toString());
            QCOMPARE(shown(CheckedRowsModel::Zip), expected["zip"].toString());
            QCOMPARE(shown(CheckedRowsModel::Verdict), expected["verdict"].toString());
            QCOMPARE(shown(CheckedRowsModel::Suggestion), expected["suggested_zip"].toString());
            QCOMPARE(shown(CheckedRowsModel::Note), expected["note"].toString());
        }
        QVERIFY2(window.status().contains(QStringLiteral(" rows checked: ")), qPrintable(window.status()));
    }

    void theEndIsSaidWithItsCounts() {
        olvaris::pretendScreenReaderListens(true);
        CheckWindow window(OLVARIS_SHIPPED_DATABASE, std::make_unique<ScriptedDialogs>());
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        opened(window, everyVerdict());
        checked(window);
        QCOMPARE(window.status(),
                 QStringLiteral("11 rows checked: 4 fine, 2 corrected, 4 to look at, 1 with no address"));
        // Said by a screen reader with the table the focus comes to.
        QVERIFY2(window.table().accessibleDescription().startsWith(window.status()),
                 qPrintable(window.table().accessibleDescription()));
        // The rows to look at first, the first of them current.
        QCOMPARE(window.rows().index(0, CheckedRowsModel::Verdict).data().toString(), QStringLiteral("mismatch"));
        QCOMPARE(window.table().currentIndex().row(), 0);
    }

    // What is saved is what the command line writes; a file that is not an
    // earlier check's is replaced only when the person says so.
    void aSaveWritesWhatTheCommandLineWrites() {
        auto* dialogs = new ScriptedDialogs;
        CheckWindow window(OLVARIS_SHIPPED_DATABASE, std::unique_ptr<CheckDialogs>(dialogs));
        const QString list = everyVerdict();
        opened(window, list);
        checked(window);
        dialogs->savePath = m_dir.filePath(QStringLiteral("cleaned.csv"));
        const QByteArray customers = "Name,Phone\nAnn Lee,555-0100\n";
        writeList(QStringLiteral("cleaned.csv"), customers);
        QSignalSpy saveEnded(&window, &CheckWindow::saveEnded);
        window.save(CheckWindow::Save::Cleaned);
        // What is there is looked at off the window's thread; the answer ends the save.
        QVERIFY(saveEnded.wait(30000));
        QCOMPARE(dialogs->asked.size(), 1);
        QVERIFY2(dialogs->asked[0].contains(QStringLiteral("not a checked list")), qPrintable(dialogs->asked[0]));
        QCOMPARE(window.status(), QStringLiteral("Not saved"));
        QFile kept(dialogs->savePath);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), customers);
        kept.close();

        dialogs->replace = true;
        window.save(CheckWindow::Save::Cleaned);
        QVERIFY(saveEnded.wait(30000));
        QFile saved(dialogs->savePath);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), lookupRun({QStringLiteral("--check"), list, QStringLiteral("--apply")}));
        QVERIFY(dialogs->told.isEmpty());

        // A workbook, of the problems only, read back by the command line.
        dialogs->savePath = m_dir.filePath(QStringLiteral("problems.xlsx"));
        window.save(CheckWindow::Save::Problems);
        QVERIFY(saveEnded.wait(30000));
        const QByteArray again = lookupRun({QStringLiteral("--check"), dialogs->savePath, QStringLiteral("--json")});
        QCOMPARE(again.count('\n'), 6); // the four to look at and the two corrected
    }

    // Where the check refuses a list, the window says why and the columns
    // are picked in it instead of on a command line.
    void aListWhoseColumnsAreNotNamedIsCheckedOnTheColumnsPicked() {
        CheckWindow window(OLVARIS_SHIPPED_DATABASE, std::make_unique<ScriptedDialogs>());
        opened(window, writeList(QStringLiteral("odd.csv"), "Who,Town,Region,Postcode\nAnn,Boston,MA,02108\n"
                                                            "Bob,Boston,MA,90210\n"));
        QVERIFY(!window.setup().checkButton()->isEnabled());
        QVERIFY2(window.status().contains(QStringLiteral("odd.csv")), qPrintable(window.status()));
        QSignalSpy previewed(&window.session(), &CheckSession::previewed);
        window.setup().columnChooser(0)->setCurrentIndex(2); // 2: Town
        window.setup().columnChooser(1)->setCurrentIndex(3);
        QCOMPARE(previewed.size(), 0);
        window.setup().columnChooser(2)->setCurrentIndex(4);
        QVERIFY(previewed.wait(30000));
        checked(window);
        QCOMPARE(window.rows().rowCount(), 2);
        QCOMPARE(window.rows().groupCount(VerdictGroup::Fine), 1L);
    }

    void aListThatIsNoListIsSaidSoAndTheWindowStaysUsable() {
        CheckWindow window(OLVARIS_SHIPPED_DATABASE, std::make_unique<ScriptedDialogs>());
        opened(window, writeList(QStringLiteral("report.pdf"), "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n1 0 obj\n"));
        QVERIFY(!window.setup().isEnabled());
        QVERIFY2(window.status().contains(QStringLiteral("PDF")), qPrintable(window.status()));
        opened(window, everyVerdict());
        QVERIFY(window.setup().checkButton()->isEnabled());
    }

    // A file dropped from a file manager is opened; every control is named
    // for a screen reader.
    void aDroppedListIsOpenedAndEveryControlHasAName() {
        CheckWindow window(OLVARIS_SHIPPED_DATABASE, std::make_unique<ScriptedDialogs>());
        window.show();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(everyVerdict())});
        QSignalSpy previewed(&window.session(), &CheckSession::previewed);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &drop);
        QVERIFY(previewed.wait(30000));
        QVERIFY(window.setup().checkButton()->isEnabled());
        checked(window);
        QStringList unnamed;
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            if (!widget->isVisibleTo(&window) || !widget->focusPolicy() || !widget->isEnabled())
                continue;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            if (accessible && accessible->text(QAccessible::Name).trimmed().isEmpty())
                unnamed << QString::fromLatin1(widget->metaObject()->className()) + QLatin1Char(' ')
                               + widget->objectName();
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral(", "))));
    }

    // A pipe or a device is never waited on: as the list or as the save's
    // target it is refused at once, and the window then ends at once.
    void aPipeOrADeviceIsRefusedAndTheWindowEnds() {
        const auto pipe = [&](const QString& name) {
            const QString path = m_dir.filePath(name);
            return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
        };
        const QString zero = m_dir.filePath(QStringLiteral("zero.csv"));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));
        auto* dialogs = new ScriptedDialogs;
        auto window = std::make_unique<CheckWindow>(OLVARIS_SHIPPED_DATABASE, std::unique_ptr<CheckDialogs>(dialogs));
        for (const QString& list : {pipe(QStringLiteral("pipe.csv")), pipe(QStringLiteral("pipe.xlsx")), zero}) {
            opened(*window, list);
            QVERIFY2(window->status().contains(QStringLiteral("not an ordinary file")), qPrintable(window->status()));
        }
        opened(*window, everyVerdict());
        checked(*window);
        dialogs->savePath = pipe(QStringLiteral("nobody-reads.csv"));
        QSignalSpy saveEnded(window.get(), &CheckWindow::saveEnded);
        window->save(CheckWindow::Save::Checked);
        QVERIFY(saveEnded.wait(30000));
        QVERIFY(dialogs->asked.isEmpty()); // no question of replacing it
        QCOMPARE(dialogs->told.size(), 1);
        QVERIFY2(dialogs->told[0].endsWith(QStringLiteral("is a named pipe, not a file: name a file to save to")),
                 qPrintable(dialogs->told[0]));
        window.reset(); // nothing left running that waits
    }

    // A name's control characters are not shown raw: the title stays one line.
    void aNamesControlCharactersAreShownEscaped() {
        CheckWindow window(OLVARIS_SHIPPED_DATABASE, std::make_unique<ScriptedDialogs>());
        opened(window, writeList(QStringLiteral("odd\x1b]0;x\a\nname.csv"), "City,State,ZIP\nBoston,MA,02108\n"));
        QCOMPARE(window.windowTitle(), QStringLiteral("odd\\x1b]0;x\\x07\\nname.csv — Olvaris List Check"));
    }

    void theListsOpenedAreRemembered() {
        CheckWindow first(OLVARIS_SHIPPED_DATABASE, std::make_unique<ScriptedDialogs>());
        const QString list = everyVerdict();
        opened(first, list);
        CheckWindow second(OLVARIS_SHIPPED_DATABASE, std::make_unique<ScriptedDialogs>());
        bool found = false;
        for (const QAction* action : second.findChildren<QAction*>())
            found = found || action->toolTip() == list;
        QVERIFY(found);
    }
};

QTEST_MAIN(TestCheckWindow)
#include "test_check_window.moc"
