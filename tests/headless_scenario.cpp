// The whole program in one headless run, for memory checkers: start, list
// all, search, remove a row, save, copy, close. Exits 0 when every step did
// what it should.
// Usage: headless-scenario
#include "support/ScriptedPlatform.h"
#include "support/TestFolders.h"
#include "Form1.h"
#include "ResultsView.h"
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    using namespace olvaris;
    test::TestFolders folders;
    QTemporaryDir output;
    test::ScriptedPlatform platform;
    int failures = 0;
    auto expect = [&failures](bool ok, const char* what) {
        std::printf("%s: %s\n", ok ? "ok" : "FAIL", what);
        failures += ok ? 0 : 1;
    };
    {
        Form1 form(platform);
        form.Form_Load();
        form.show();
        form.PushButton3->click();
        expect(form.results().count() == 42010, "list all");
        form.Text1->setText(QStringLiteral("spring"));
        form.PushButton1->click();
        expect(form.results().count() == 201, "search");
        form.results().announce();
        form.ListView1->selectRow(0);
        form.ListView1_KeyDown(Qt::Key_Delete);
        expect(form.results().count() == 200, "remove");
        platform.saveAnswers.push_back(output.filePath(QStringLiteral("saved.txt")));
        form.PushButton4->click();
        expect(QFile(output.filePath(QStringLiteral("saved.txt"))).size() > 0, "save");
        form.PushButton6->click();
        expect(QGuiApplication::clipboard()->text().count(QLatin1Char('\n')) == 200, "copy");
        form.close();
        expect(platform.processEnds == 1, "close");
    }
    expect(platform.reportedStatements().empty(), "no error reports");
    return failures == 0 ? 0 : 1;
}
