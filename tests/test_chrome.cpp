// The window as a person meets it: the hand over the command buttons and the
// ordinary pointer elsewhere, never over the hourglass; the help box; skins.
#include "support/ZipTable.h"
#include "support/TestWindow.h"
#include "PointerShape.h"
#include "ExportCommands.h"
#include "DesktopPlatform.h"
#include "HelpMessage.h"
#include "ReadableText.h"
#include "ResultsView.h"
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>
#include <sys/stat.h>

using namespace olvaris;
using namespace olvaris::test;

namespace {

// The sample skin beside the program, as x/o.cjs.
void writeSampleSkin(TestFolders& folders) {
    QFile file(QStringLiteral(OLVARIS_SOURCE_DIR "/assets/skins/slate.qss"));
    file.open(QIODevice::ReadOnly);
    folders.writeFile(QStringLiteral("x/o.cjs"), file.readAll());
}

// Records the skin engine calls in order.
class RecordingSkinEngine : public SkinEngine {
public:
    void LoadSkin(const QString& path, const QString& section) override {
        calls << QStringLiteral("LoadSkin(%1,%2)").arg(path, section);
    }
    int options() const override {
        calls << QStringLiteral("options");
        return 6;
    }
    void setOptions(int mask) override { calls << QStringLiteral("setOptions(%1)").arg(mask); }
    void setApplyToDialogs(bool on) override { calls << QStringLiteral("setApplyToDialogs(%1)").arg(on); }
    void setApplyToToolTips(bool on) override { calls << QStringLiteral("setApplyToToolTips(%1)").arg(on); }
    void ApplyWindow(QWidget* window) override { calls << QStringLiteral("ApplyWindow(%1)").arg(window->objectName()); }
    mutable QStringList calls;
};

QList<QPushButton*> commandButtons(Form1& form) {
    return {form.PushButton1, form.PushButton3, form.PushButton4, form.PushButton13,
            form.PushButton2, form.PushButton5, form.PushButton6, form.PushButton7};
}

// Points in window coordinates over each area that resets the pointer.
QList<std::pair<QString, QPoint>> resetAreas(Form1& form) {
    auto inWindow = [&form](QWidget* widget, QPoint at) { return widget->mapTo(&form, at); };
    return {{"window background", QPoint(3, 3)},
            {"Frame1", inWindow(form.Frame1, QPoint(form.Frame1->width() - 4, form.Frame1->height() - 4))},
            {"Frame2", inWindow(form.Frame2, QPoint(form.Frame2->width() - 10, form.Frame2->height() / 2))},
            {"Text1", inWindow(form.Text1, form.Text1->rect().center())},
            {"Text2", inWindow(form.Text2, form.Text2->rect().center())},
            {"list", inWindow(form.ListView1->viewport(), form.ListView1->viewport()->rect().center())},
            {"list header", inWindow(form.ListView1, QPoint(40, 8))}};
}

void moveTo(Form1& form, QPoint at) { QTest::mouseMove(&form, at); }

// What a screen reader reads as the control's name.
QString spokenName(QWidget* control) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

} // namespace

class ChromeTest : public QObject {
    Q_OBJECT
private slots:
    void theHandShowsOverButtonsOnly_data() {
        QTest::addColumn<bool>("withHand");
        QTest::newRow("with HAND-M.CUR") << true;
        QTest::newRow("without it") << false;
    }
    void theHandShowsOverButtonsOnly() {
        QFETCH(bool, withHand);
        TestFolders folders;
        if (withHand)
            QVERIFY(
                QFile::copy(QStringLiteral(OLVARIS_SOURCE_DIR "/assets/HAND-M.CUR"), folders.filePath("HAND-M.CUR")));
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        for (QPushButton* button : commandButtons(form)) {
            moveTo(form, button->mapTo(&form, button->rect().center()));
            QCOMPARE(form.mousePointer(), pointer::Custom);
            QCOMPARE(button->cursor().shape(), withHand ? Qt::BitmapCursor : Qt::ArrowCursor);
            if (withHand)
                QCOMPARE(button->cursor().hotSpot(), QPoint(12, 1));
            for (const auto& [name, at] : resetAreas(form)) {
                moveTo(form, button->mapTo(&form, button->rect().center()));
                QCOMPARE(form.mousePointer(), pointer::Custom);
                moveTo(form, at);
                QVERIFY2(form.mousePointer() == pointer::Default, qPrintable(name));
            }
        }
        // The default pointer is each control's own: the I-beam over text boxes.
        QCOMPARE(form.Text1->cursor().shape(), Qt::IBeamCursor);
        QCOMPARE(form.PushButton3->cursor().shape(), Qt::ArrowCursor);
        QVERIFY(platform.messages.empty());
    }

    void overTheLabelThePointerStaysAsTheFrameLeftIt() {
        TestWindow w;
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        moveTo(w.form, w.form.Frame2->mapTo(&w.form, QPoint(w.form.Frame2->width() - 10, 30)));
        QCOMPARE(w.form.mousePointer(), pointer::Default);
        w.form.setMousePointer(pointer::Custom); // as if the last area set the hand
        moveTo(w.form, w.form.Label3->mapTo(&w.form, w.form.Label3->rect().center()));
        QCOMPARE(w.form.mousePointer(), pointer::Custom);
    }

    void theHourglassIsNeverReplaced() {
        TestWindow w;
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        w.form.setMousePointer(pointer::Busy);
        for (QPushButton* button : commandButtons(w.form)) {
            moveTo(w.form, button->mapTo(&w.form, button->rect().center()));
            QCOMPARE(w.form.mousePointer(), pointer::Busy);
        }
        for (const auto& [name, at] : resetAreas(w.form)) {
            moveTo(w.form, at);
            QVERIFY2(w.form.mousePointer() == pointer::Busy, qPrintable(name));
        }
        QCOMPARE(w.form.Text1->cursor().shape(), Qt::WaitCursor);
        QCOMPARE(w.form.ListView1->viewport()->cursor().shape(), Qt::WaitCursor);
    }

    void theHourglassShowsDuringARunAndGoesAfterIt() {
        TestWindow w;
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        w.form.Text1->setText(QStringLiteral("spring"));
        int during = -1;
        w.inTurn(3, [&] {
            moveTo(w.form, w.form.PushButton7->mapTo(&w.form, w.form.PushButton7->rect().center()));
            during = w.form.mousePointer();
        });
        w.form.PushButton1->click();
        QCOMPARE(during, pointer::Busy);
        QCOMPARE(w.form.mousePointer(), pointer::Default);
    }

    void helpShowsTheContactAddress() {
        TestWindow w;
        w.form.PushButton7->click();
        QCOMPARE(w.platform.messages.size(), size_t(1));
        QCOMPARE(w.platform.messages[0].text,
                 QStringLiteral("Questions? Please contact Team Tarvendel at https://www.tarvendel.example/contact/"));
        QCOMPARE(w.platform.messages[0].title, QStringLiteral("Olvaris"));
        QCOMPARE(w.platform.messages[0].icon, MessageIcon::None);
    }

    void helpDuringARunHoldsTheRunUntilItCloses() {
        TestWindow w;
        w.form.Text1->setText(QStringLiteral("spring"));
        int rowsWhenShown = -1;
        w.platform.onMessage = [&](const ShownMessage&) { rowsWhenShown = w.form.results().count(); };
        w.inTurn(5, [&] { TestWindow::clickLater(w.form.PushButton7); });
        w.form.PushButton1->click();
        QCOMPARE(rowsWhenShown, 4);
        QCOMPARE(w.platform.otherMessages(), QStringList{helpPrompt()});
        QCOMPARE(size_t(w.form.results().count()),
                 expectedSearch(readShippedRows(), QStringLiteral("spring")).size()); // the run went on to its end
    }

    void enterInTheFilterBoxSearches() {
        TestWindow w;
        w.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.form));
        w.form.Text1->setText(QStringLiteral("boston"));
        QTest::keyClick(w.form.Text1, Qt::Key_Return);
        QVERIFY(w.form.results().count() > 0);
        QCOMPARE(w.form.results().itemText(1, 1), QStringLiteral("Boston"));
    }

    void everyControlHasAnAccessibleName() {
        TestWindow w;
        for (QWidget* control : w.form.findChildren<QWidget*>()) {
            if (control->parentWidget() != &w.form && control->parentWidget() != w.form.Frame1
                && control->parentWidget() != w.form.Frame2)
                continue;
            if (qobject_cast<QLabel*>(control))
                continue; // a label speaks its own text
            QVERIFY2(!spokenName(control).isEmpty(), qPrintable(control->objectName()));
        }
        QVERIFY(w.form.ListView1->accessibleDescription().contains(QLatin1String("City, State and Zip")));
    }

    // A screen reader reads a run button's caption as it is: "Stop" while
    // its run goes on, its own caption before and after.
    void aRunButtonIsReadAsItsCaptionAtEveryChange() {
        TestWindow w;
        w.form.Text1->setText(QStringLiteral("spring"));
        QStringList during;
        w.inTurn(2, [&] { during << spokenName(w.form.PushButton1) << spokenName(w.form.PushButton3); });
        QCOMPARE(spokenName(w.form.PushButton1), QStringLiteral("Start Search"));
        w.form.PushButton1->click();
        QCOMPARE(during, (QStringList{"Stop", "List All Cities, States and Zip Codes"}));
        QCOMPARE(spokenName(w.form.PushButton1), QStringLiteral("Start Search"));
    }

    // "All Files" lists every file, names without a dot too.
    void theSaveDialogsAllFilesFilterTakesEveryName() {
        DesktopPlatform platform;
        QStringList filters;
        QTimer::singleShot(0, [&] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                filters = dialog->nameFilters();
                dialog->reject();
            }
        });
        const QString answer = platform.askSaveFileName(
            {QStringLiteral("Save"), QString::fromLatin1(ExportCommands::SaveDialogFilter), QString()});
        QVERIFY(answer.isEmpty());
        QCOMPARE(filters, (QStringList{"Text Files (*.txt)", "All Files (*)"}));
    }

    void noSkinFileChangesNothing_data() {
        QTest::addColumn<bool>("folderInTheWay");
        QTest::newRow("no file") << false;
        QTest::newRow("a folder named o.cjs") << true;
    }
    void noSkinFileChangesNothing() {
        QFETCH(bool, folderInTheWay);
        TestFolders folders;
        if (folderInTheWay)
            QVERIFY(QDir().mkpath(folders.filePath("x/o.cjs")));
        ScriptedPlatform platform;
        Form1 form(platform);
        auto engine = std::make_unique<RecordingSkinEngine>();
        RecordingSkinEngine& calls = *engine;
        form.setSkinEngine(std::move(engine));
        form.Form_Load();
        QVERIFY(calls.calls.isEmpty());
        QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::white));
        QCOMPARE(form.Frame1->palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(platform.messages.empty());
    }

    // Every text against what lies behind it, on a light and a dark desktop,
    // bare and with the sample skin: at least 4.5 : 1. On the light desktop
    // the captions keep the desktop's own colour.
    void everyTextStandsOutFromWhatIsBehindIt_data() {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<bool>("skin");
        QTest::newRow("light") << false << false;
        QTest::newRow("dark") << true << false;
        QTest::newRow("light, sample skin") << false << true;
        QTest::newRow("dark, sample skin") << true << true;
    }
    void everyTextStandsOutFromWhatIsBehindIt() {
        QFETCH(bool, dark);
        QFETCH(bool, skin);
        const QPalette before = QGuiApplication::palette();
        QPalette scheme = before;
        if (dark) // qt6ct's "darker"
            for (const auto& [role, colour] : std::initializer_list<std::pair<QPalette::ColorRole, const char*>>{
                     {QPalette::Window, "#353535"},
                     {QPalette::WindowText, "#ffffff"},
                     {QPalette::Button, "#353535"},
                     {QPalette::ButtonText, "#ffffff"},
                     {QPalette::Base, "#2a2a2a"},
                     {QPalette::Text, "#ffffff"},
                     {QPalette::Highlight, "#2a82da"},
                     {QPalette::HighlightedText, "#000000"}})
                scheme.setColor(role, QColor(colour));
        QApplication::setPalette(scheme);
        TestFolders folders;
        if (skin)
            writeSampleSkin(folders);
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        form.show();
        QVERIFY(platform.messages.empty());
        const auto readable = [](QWidget* widget, QPalette::ColorRole text, QPalette::ColorRole behind) {
            const QPalette& colours = widget->palette();
            const double contrast = contrastRatio(colours.color(text), colours.color(behind));
            return contrast >= 4.5 ? QByteArray()
                                   : widget->objectName().toUtf8() + " " + QByteArray::number(contrast, 'f', 2);
        };
        QList<QByteArray> unreadable;
        for (QWidget* captioned : {static_cast<QWidget*>(form.Frame1), static_cast<QWidget*>(form.Frame2),
                                   static_cast<QWidget*>(form.Label3)})
            unreadable << readable(captioned, QPalette::WindowText, QPalette::Window);
        // The skin paints its buttons with a gradient; its white on them is seen in screenshots.
        if (!skin)
            for (QPushButton* button : form.findChildren<QPushButton*>())
                unreadable << readable(button, QPalette::ButtonText, QPalette::Button);
        for (QWidget* typed : {static_cast<QWidget*>(form.Text1), static_cast<QWidget*>(form.Text2),
                               static_cast<QWidget*>(form.ListView1)})
            unreadable << readable(typed, QPalette::Text, QPalette::Base);
        unreadable << readable(form.ListView1->horizontalHeader(), QPalette::ButtonText, QPalette::Button);
        unreadable.removeAll(QByteArray());
        QApplication::setPalette(before);
        qApp->setStyleSheet(QString());
        QVERIFY2(unreadable.isEmpty(), unreadable.join(", ").constData());
        if (!dark && !skin)
            QCOMPARE(form.PushButton1->palette().color(QPalette::ButtonText), scheme.color(QPalette::ButtonText));
    }

    // The selected row's text reads on its colour, focused or not, on the
    // light scheme, qt6ct's "darker", Adwaita dark (as the GTK theme gives
    // it) and the sample skin: the scheme's hue kept, the text left as is.
    void theSelectedRowReadsOnEveryScheme_data() {
        QTest::addColumn<QString>("highlight");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("skin");
        QTest::newRow("light (Fusion)") << "#308cc6"
                                        << "#ffffff" << false;
        QTest::newRow("qt6ct darker") << "#2a82da"
                                      << "#000000" << false;
        QTest::newRow("Adwaita dark") << "#3584e4"
                                      << "#ffffff" << false;
        QTest::newRow("sample skin") << "#308cc6"
                                     << "#ffffff" << true;
    }
    void theSelectedRowReadsOnEveryScheme() {
        QFETCH(QString, highlight);
        QFETCH(QString, text);
        QFETCH(bool, skin);
        const QPalette before = QGuiApplication::palette();
        QPalette scheme = before;
        scheme.setColor(QPalette::Highlight, QColor(highlight));
        scheme.setColor(QPalette::HighlightedText, QColor(text));
        QApplication::setPalette(scheme);
        TestFolders folders;
        if (skin)
            writeSampleSkin(folders);
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        form.show();
        const QPalette list = form.ListView1->palette();
        QApplication::setPalette(before);
        qApp->setStyleSheet(QString());
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            const QColor behind = list.color(group, QPalette::Highlight);
            const double contrast = contrastRatio(list.color(group, QPalette::HighlightedText), behind);
            QVERIFY2(contrast >= 4.5, qPrintable(QString::number(contrast, 'f', 2) + " on " + behind.name()));
            if (!skin) {
                QCOMPARE(list.color(group, QPalette::HighlightedText), QColor(text));
                QVERIFY(std::abs(behind.hslHue() - QColor(highlight).hslHue()) <= 3);
            }
        }
    }

    void aSkinFileTurnsTheFramesToTheFaceColourThenCallsTheEngine() {
        TestFolders folders;
        folders.writeFile(QStringLiteral("x/o.cjs"), "QPushButton { color: navy; }");
        ScriptedPlatform platform;
        Form1 form(platform);
        auto engine = std::make_unique<RecordingSkinEngine>();
        RecordingSkinEngine& calls = *engine;
        form.setSkinEngine(std::move(engine));
        const QColor listBase = form.ListView1->palette().color(QPalette::Base);
        form.Form_Load();

        const QColor face = QGuiApplication::palette().color(QPalette::Button);
        QVERIFY(face != QColor(Qt::white));
        for (QWidget* faced : {static_cast<QWidget*>(&form), static_cast<QWidget*>(form.Frame1),
                               static_cast<QWidget*>(form.Frame2), static_cast<QWidget*>(form.Label3)})
            QCOMPARE(faced->palette().color(QPalette::Window), face);
        QCOMPARE(form.PushButton4->palette().color(QPalette::Button), QColor(Qt::white));
        QCOMPARE(form.ListView1->palette().color(QPalette::Base), listBase);
        QCOMPARE(calls.calls,
                 (QStringList{"LoadSkin(" + QDir::toNativeSeparators(folders.filePath("x/o.cjs")) + ",)", "options",
                              "setOptions(7)", "setApplyToDialogs(1)", "setApplyToToolTips(1)", "ApplyWindow(Form1)"}));
        QVERIFY(platform.messages.empty());
    }

    void aSkinThatCannotBeLoadedIsReportedAt106_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("blanks only") << QByteArray(" \n\t ");
        QTest::newRow("not text") << TestFolders::randomBytes(512, 11);
        QTest::newRow("not a style sheet") << QByteArray("QWidget { color: red; }\n}} QPushButton {{ color");
        // Files named in url(...) that Qt would block on, read without end, or not find.
        QTest::newRow("names a pipe") << QByteArray("QWidget { background-image: url(\"@/pipe\"); }");
        QTest::newRow("names a device") << QByteArray("QWidget { background-image: url(/dev/zero); }");
        QTest::newRow("names a folder") << QByteArray("QPushButton { border-image: url('@/x') 2; }");
        QTest::newRow("names a missing file") << QByteArray("QWidget { image: url( @/none.png ); }");
        QTest::newRow("a pipe behind a comment opener in a string")
            << QByteArray("QPushButton { background-image: url(\"@/d/*x.png\"); } "
                          "QWidget { background-image: url(@/pipe); } /* */");
    }
    void aSkinThatCannotBeLoadedIsReportedAt106() {
        QFETCH(QByteArray, bytes);
        TestFolders folders;
        QVERIFY(::mkfifo(QFile::encodeName(folders.filePath(QStringLiteral("pipe"))).constData(), 0600) == 0);
        folders.writeFile(QStringLiteral("d/*x.png"), "x");
        bytes.replace('@', QFile::encodeName(folders.appFolder()));
        folders.writeFile(QStringLiteral("x/o.cjs"), bytes);
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        QCOMPARE(platform.reportedStatements(), std::vector<int>{106});
        // The colours already set stay, and start-up went on.
        QCOMPARE(form.Frame1->palette().color(QPalette::Window), QGuiApplication::palette().color(QPalette::Button));
        QCOMPARE(form.results().headerCount(), 3);
        QVERIFY(qApp->styleSheet().isEmpty());
    }

    void theSampleSkinIsApplied() {
        TestFolders folders;
        QFile sample(QStringLiteral(OLVARIS_SOURCE_DIR "/assets/skins/slate.qss"));
        QVERIFY(sample.open(QIODevice::ReadOnly));
        const QByteArray sheet = sample.readAll();
        folders.writeFile(QStringLiteral("x/o.cjs"), sheet);
        ScriptedPlatform platform;
        Form1 form(platform);
        form.Form_Load();
        QVERIFY(platform.messages.empty());
        QCOMPARE(qApp->styleSheet(), QString::fromUtf8(sheet));
        qApp->setStyleSheet(QString());
    }

    // A keyboard user must see which button has the focus under every skin
    // the project ships: the focused button looks different.
    void everyShippedSkinMarksTheFocusedButton() {
        const QDir skins(QStringLiteral(OLVARIS_SOURCE_DIR "/assets/skins"));
        const QStringList files = skins.entryList({QStringLiteral("*.qss")}, QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QString& file : files) {
            TestFolders folders;
            QFile sheet(skins.filePath(file));
            QVERIFY(sheet.open(QIODevice::ReadOnly));
            folders.writeFile(QStringLiteral("x/o.cjs"), sheet.readAll());
            ScriptedPlatform platform;
            Form1 form(platform);
            form.Form_Load();
            form.show();
            QApplication::setActiveWindow(&form);
            QVERIFY(QTest::qWaitForWindowActive(&form));
            form.PushButton4->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(form.PushButton4->hasFocus());
            const QImage focused = form.PushButton4->grab().toImage();
            form.PushButton2->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(!form.PushButton4->hasFocus());
            QVERIFY2(form.PushButton4->grab().toImage() != focused, qPrintable(file));
            qApp->setStyleSheet(QString());
        }
    }
};

QTEST_MAIN(ChromeTest)
#include "test_chrome.moc"
