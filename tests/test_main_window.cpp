// The main window as designed: every control's name, kind, container,
// caption, font and place, the tab order, the list's look, a fixed size.
#include "support/TestWindow.h"
#include "Form1.h"
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include "ResultsList.h"
#include "ResultsView.h"
#include "SingleLineText.h"
#include <QClipboard>
#include <QApplication>
#include <QScrollBar>
#include <QtTest>
#include <algorithm>

using namespace olvaris;
using olvaris::test::ScriptedPlatform;
using olvaris::test::TestFolders;
using olvaris::test::TestWindow;

namespace {
int px(int twips) { return int(std::lround(twips / 15.0)); }
QRect twips(int left, int top, int width, int height) { return QRect(px(left), px(top), px(width), px(height)); }
// The window shown and active, its list holding what a search for the
// filter finds.
bool showWithRowsOf(TestWindow& w, const char* filter) {
    w.form.yielder().setExact(false);
    w.form.Text1->setText(QString::fromLatin1(filter));
    w.form.PushButton1->click();
    w.form.show();
    QApplication::setActiveWindow(&w.form);
    return QTest::qWaitForWindowActive(&w.form);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void controlsAreAsDesigned_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<double>("points");
        QTest::newRow("Text1") << "Text1"
                               << "QLineEdit"
                               << "Frame1" << twips(240, 300, 8040, 345) << "" << 9.0;
        QTest::newRow("PushButton1") << "PushButton1"
                                     << "QPushButton"
                                     << "Frame1" << twips(240, 750, 8040, 405) << "Start Search" << 11.25;
        QTest::newRow("PushButton3") << "PushButton3"
                                     << "QPushButton"
                                     << "Form1" << twips(120, 1545, 8520, 405)
                                     << "List All Cities, States and Zip Codes" << 11.25;
        QTest::newRow("ListView1") << "ListView1"
                                   << "QTableView"
                                   << "Form1" << twips(120, 2055, 8520, 3375) << "" << 9.0;
        QTest::newRow("Text2") << "Text2"
                               << "QLineEdit"
                               << "Frame2" << twips(2280, 300, 855, 345) << "TAB" << 9.0;
        QTest::newRow("PushButton4") << "PushButton4"
                                     << "QPushButton"
                                     << "Form1" << twips(120, 6370, 4215, 405) << "Save All Results" << 11.25;
        QTest::newRow("PushButton13") << "PushButton13"
                                      << "QPushButton"
                                      << "Form1" << twips(4440, 6370, 4215, 405) << "Save States and Cities Only"
                                      << 11.25;
        QTest::newRow("PushButton2") << "PushButton2"
                                     << "QPushButton"
                                     << "Form1" << twips(120, 6880, 4200, 405) << "Save Zip Codes Only" << 11.25;
        QTest::newRow("Frame1") << "Frame1"
                                << "QGroupBox"
                                << "Form1" << twips(120, 90, 8520, 1335)
                                << "Search/Filter (type part of city, state or zip code here)" << 9.0;
        QTest::newRow("Frame2") << "Frame2"
                                << "QGroupBox"
                                << "Form1" << twips(120, 5460, 8520, 800) << "Save Option" << 9.0;
        QTest::newRow("Label3") << "Label3"
                                << "QLabel"
                                << "Frame2" << twips(240, 360, 1875, 225) << "Separating Character:" << 9.0;
        QTest::newRow("PushButton5") << "PushButton5"
                                     << "QPushButton"
                                     << "Form1" << twips(4440, 6880, 4200, 405) << "Clear Results" << 11.25;
        QTest::newRow("PushButton6") << "PushButton6"
                                     << "QPushButton"
                                     << "Form1" << twips(120, 7390, 4200, 405) << "Copy Results To Clipboard" << 11.25;
        QTest::newRow("PushButton7") << "PushButton7"
                                     << "QPushButton"
                                     << "Form1" << twips(4440, 7390, 4200, 405) << "Help" << 11.25;
    }
    void controlsAreAsDesigned() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        QFETCH(QString, container);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        QFETCH(double, points);
        ScriptedPlatform platform;
        Form1 form(platform);
        auto* control = form.findChild<QWidget*>(name);
        QVERIFY(control);
        QVERIFY(control->inherits(kind.toLatin1()));
        QCOMPARE(control->parentWidget()->objectName(), container);
        QCOMPARE(control->geometry(), geometry);
        QString text;
        if (auto* button = qobject_cast<QPushButton*>(control))
            text = button->text();
        else if (auto* box = qobject_cast<QLineEdit*>(control))
            text = box->text();
        else if (auto* frame = qobject_cast<QGroupBox*>(control))
            text = frame->title();
        else if (auto* label = qobject_cast<QLabel*>(control))
            text = label->text();
        QCOMPARE(text, caption);
        QCOMPARE(control->font().family(), QStringLiteral("Arial"));
        QVERIFY(control->font().bold());
        QCOMPARE(control->font().pointSizeF(), points);
    }

    void windowIsFixedWhiteAndCaptionedForm1() {
        ScriptedPlatform platform;
        Form1 form(platform);
        QCOMPARE(form.windowTitle(), QStringLiteral("Form1"));
        QCOMPARE(form.size(), QSize(584, 527));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
        QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::white));
        for (QWidget* white : {static_cast<QWidget*>(form.Frame1), static_cast<QWidget*>(form.Frame2),
                               static_cast<QWidget*>(form.Label3), static_cast<QWidget*>(form.PushButton7)})
            QCOMPARE(white->palette().color(white->backgroundRole()), QColor(Qt::white));
        QCOMPARE(form.font().family(), QStringLiteral("Arial"));
        QCOMPARE(form.font().pointSizeF(), 9.0);
        QVERIFY(form.font().bold());
    }

    void listIsAReportWithItsToolTip() {
        ScriptedPlatform platform;
        Form1 form(platform);
        QCOMPARE(form.ListView1->toolTip(),
                 QStringLiteral("Double-click item to remove it. Move | line to right and out "
                                "of window to reveal full names."));
        QVERIFY(!form.ListView1->verticalHeader()->isVisible());
        QVERIFY(!form.ListView1->isSortingEnabled());
        QVERIFY(!form.ListView1->horizontalHeader()->sectionsClickable());
        QCOMPARE(form.ListView1->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(form.ListView1->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(form.results().headerCount(), 0); // start-up adds the columns
    }

    // With rows in the list, Tab and Shift+Tab walk every control in order
    // and back; entering the list does not scroll it.
    void tabWalksTheControlsInOrderWithRowsInTheList() {
        TestWindow w;
        QVERIFY(showWithRowsOf(w, "spring"));
        w.form.ListView1->verticalScrollBar()->setValue(40);
        const QStringList order{"Text1",       "PushButton1", "PushButton3",  "ListView1",
                                "Text2",       "PushButton4", "PushButton13", "PushButton2",
                                "PushButton5", "PushButton6", "PushButton7",  "Text1"};
        for (const Qt::KeyboardModifier direction : {Qt::NoModifier, Qt::ShiftModifier}) {
            w.form.Text1->setFocus();
            QStringList visited{QApplication::focusWidget()->objectName()};
            for (int i = 0; i < 11; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, direction);
                visited << QApplication::focusWidget()->objectName();
            }
            QStringList expected = order;
            if (direction == Qt::ShiftModifier)
                std::reverse(expected.begin(), expected.end());
            QCOMPARE(visited, expected);
        }
        QCOMPARE(w.form.ListView1->verticalScrollBar()->value(), 40);
    }

    // Up/Down/Page/Home/End move the selected row and keep it in view;
    // Left/Right scroll the columns; the selection is a whole row.
    void theListMovesByRowsAtTheKeyboard() {
        TestWindow w;
        w.form.yielder().setExact(false);
        w.form.Text1->setText(QStringLiteral("spring"));
        w.form.PushButton1->click();
        const int rows = w.form.results().count();
        w.form.ListView1->setColumnWidth(0, 900); // wider than the list
        w.form.show();
        QApplication::setActiveWindow(&w.form);
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        ResultsView* list = w.form.ListView1;
        list->setFocus();
        auto selected = [&] { return w.form.selectedRowNumber().value_or(0); };
        auto inView = [&](int number) {
            return list->viewport()->rect().contains(list->visualRect(list->model()->index(number - 1, 0)).center());
        };
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(selected(), rows);
        QVERIFY(inView(rows));
        // Whole rows: at the end, the top row is not cut under the header.
        QCOMPARE(list->visualRect(list->indexAt(QPoint(4, 0))).top(), 0);
        // A click picks the row under the pointer, the list scrolled to its
        // end; the view keeps no per-row state in its row header.
        const int rowHeight = list->verticalHeader()->defaultSectionSize();
        const int whole = list->viewport()->height() / rowHeight;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(4, rowHeight * 3 / 2));
        QCOMPARE(selected(), rows - whole + 2);
        QCOMPARE(list->verticalHeader()->count(), 0);
        QTest::keyClick(list, Qt::Key_End);
        QCOMPARE(list->selectionModel()->selectedIndexes().size(), 3);
        QTest::keyClick(list, Qt::Key_Home);
        QCOMPARE(selected(), 1);
        QVERIFY(inView(1));
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(selected(), 2);
        QTest::keyClick(list, Qt::Key_PageDown);
        const int afterPage = selected();
        QVERIFY2(afterPage > 5 && inView(afterPage), qPrintable(QString::number(afterPage)));
        QTest::keyClick(list, Qt::Key_PageUp);
        QCOMPARE(selected(), 2);
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(selected(), 1);
        QCOMPARE(list->horizontalScrollBar()->value(), 0);
        QTest::keyClick(list, Qt::Key_Right);
        QVERIFY(list->horizontalScrollBar()->value() > 0);
        QCOMPARE(selected(), 1);
        QTest::keyClick(list, Qt::Key_Down);
        QVERIFY(list->horizontalScrollBar()->value() > 0); // rows move; the columns stay
        QTest::keyClick(list, Qt::Key_Left);
        QTest::keyClick(list, Qt::Key_Left);
        QCOMPARE(list->horizontalScrollBar()->value(), 0);
        QCOMPARE(selected(), 2);
    }

    // A double click on a divider fits the column to the widest text of every
    // row listed, in view or not (never narrower than its caption), and the
    // fit follows a removal and Clear.
    void aDividerFitsTheColumnToEveryRow() {
        TestWindow w;
        QVERIFY(showWithRowsOf(w, "spring"));
        ResultsView* list = w.form.ListView1;
        QHeaderView* header = list->horizontalHeader();
        const auto fit = [&] {
            const int divider = header->sectionViewportPosition(0) + header->sectionSize(0) - 1;
            QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, QPoint(divider, header->height() / 2));
            return header->sectionSize(0);
        };
        const auto widest = [&](int& at) {
            int most = 0;
            for (int row = 0; row < w.form.results().count(); ++row) {
                const int width = list->fontMetrics().horizontalAdvance(w.form.results().itemText(row + 1, 1));
                if (width > most) {
                    most = width;
                    at = row + 1;
                }
            }
            return most;
        };
        int longest = 0;
        const int most = widest(longest);
        // The longest city out of view: the list at its other end.
        const int rows = w.form.results().count();
        list->scrollToRow(longest > rows / 2 ? 0 : rows - 1);
        const int top = list->indexAt(QPoint(1, 1)).row();
        QVERIFY(longest - 1 < top || longest - 1 > top + 40);
        QVERIFY2(fit() > most, qPrintable(QString::number(header->sectionSize(0))));
        w.form.results().remove(longest);
        const int next = widest(longest);
        QVERIFY(next < most);
        const int refitted = fit();
        QVERIFY2(refitted > next && refitted < most + 1, qPrintable(QString::number(refitted)));
        w.form.results().clear();
        QCOMPARE(fit(), header->sectionSizeHint(0));
    }

    // Typed letters find the first row the text begins, by halving the
    // sorted rows: a million rows, too many for the bounded walk that
    // follows, so only the halving finds them.
    void typedTextFindsItsFirstRow_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("found");
        QTest::addColumn<int>("removeFirst");
        QTest::newRow("the last row") << 0 << "City0999999" << 999999 << -1;
        QTest::newRow("the first row, from the last") << 999999 << "City0000000" << 0 << -1;
        QTest::newRow("a run's first row") << 10 << "City070000" << 700000 << -1;
        QTest::newRow("absent: the current row stays") << 10 << "Nowhere" << 10 << -1;
        QTest::newRow("after a removal") << 10 << "City070000" << 700000 << 700000;
    }
    void typedTextFindsItsFirstRow() {
        QFETCH(int, from);
        QFETCH(QString, typed);
        QFETCH(int, found);
        QFETCH(int, removeFirst);
        static ResultsList* rows = [] {
            auto* made = new ResultsList(qApp);
            for (const char* caption : {"City", "State", "Zip"})
                made->addColumn(QString::fromLatin1(caption));
            for (int row = 0; row < 1000000; ++row)
                made->addUtf8(QByteArray("City") + QByteArray::number(row).rightJustified(7, '0'));
            made->announce();
            return made;
        }();
        ResultsView list;
        list.setModel(rows);
        if (removeFirst >= 0)
            rows->remove(removeFirst + 1); // City0700000 goes: City0700001 is first
        list.setCurrentIndex(rows->index(from, 0));
        list.keyboardSearch(typed);
        const QString expected = QStringLiteral("City%1").arg(found + (removeFirst >= 0 ? 1 : 0), 7, 10, QChar('0'));
        QCOMPARE(list.currentIndex().data().toString(), expected);
    }

    // Return and Enter press the focused button; no button is the default.
    void returnAndEnterPressTheFocusedButton() {
        TestWindow w;
        w.form.show();
        QApplication::setActiveWindow(&w.form);
        QVERIFY(QTest::qWaitForWindowActive(&w.form));
        for (QPushButton* button : w.form.findChildren<QPushButton*>())
            QVERIFY2(!button->isDefault(), qPrintable(button->objectName()));
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
            w.add(QStringLiteral("Kept"), QStringLiteral("KS"), QStringLiteral("66000"));
            w.form.PushButton5->setFocus();
            QTest::keyClick(w.form.PushButton5, key);
            QCOMPARE(w.form.results().count(), 0);
        }
    }

    // Inserted text keeps what comes before its first line break; the text
    // around the insertion stays, and so does every other character.
    void aLineBreakEndsInsertedText_data() {
        QTest::addColumn<QString>("after"); // the box's text after inserting at "|"
        QTest::addColumn<QString>("kept");
        QTest::newRow("LF at the end") << "62701\n|"
                                       << "62701";
        QTest::newRow("CR LF, then more") << "Springfield\r\nIL|"
                                          << "Springfield";
        QTest::newRow("line separator") << QStringLiteral("a\u2028b|") << "a";
        QTest::newRow("paragraph separator") << QStringLiteral("a\u2029b|") << "a";
        QTest::newRow("into the middle") << "ab62\n7|cd"
                                         << "ab62cd";
        QTest::newRow("a break first") << "x\ny|"
                                       << "x";
        QTest::newRow("tabs and blanks stay") << " a\tb ;\nz|"
                                              << " a\tb ;";
        QTest::newRow("no break") << "a\tb|c"
                                  << "a\tbc";
    }
    void aLineBreakEndsInsertedText() {
        QFETCH(QString, after);
        QFETCH(QString, kept);
        int insertedEnd = int(after.indexOf(QLatin1Char('|')));
        after.remove(insertedEnd, 1);
        SingleLineText::dropLineBreaks(after, insertedEnd);
        QCOMPARE(after, kept);
    }

    // Pasted from the real clipboard into each box, as a spreadsheet cell
    // comes: the search and the separator get the text before the break.
    void aPastedCellLosesItsLineBreakInBothBoxes() {
        TestWindow w;
        w.form.show();
        for (QLineEdit* box : {w.form.Text1, w.form.Text2}) {
            box->clear();
            QGuiApplication::clipboard()->setText(QStringLiteral("62701\r\n"));
            box->setFocus();
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(box->text(), QStringLiteral("62701"));
        }
        QCOMPARE(w.form.separatorText(), QStringLiteral("62701"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
