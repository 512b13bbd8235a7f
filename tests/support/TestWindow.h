#pragma once
#include "ScriptedPlatform.h"
#include "TestFolders.h"
#include "ZipTable.h"
#include "Form1.h"
#include <QPushButton>
#include <functional>
#include <map>

namespace olvaris::test {

// A started main window over a program folder of its own, with scripted
// dialogs and exact yields, and a way to act inside the n-th yield.
struct TestWindow {
    // Prepares the program's folder (a database of the test's own, optional
    // files) before start-up reads it.
    using Preparation = std::function<void(TestFolders&)>;

    explicit TestWindow(TestFolders::Database database = TestFolders::WithShippedDatabase,
                        const Preparation& prepare = {})
        : folders(database), form(platform) {
        if (prepare)
            prepare(folders);
        form.Form_Load();
        form.yielder().setExact(true);
        form.yielder().addBeforeTurn([this] {
            ++turns;
            if (auto action = actions.find(turns); action != actions.end())
                action->second();
        });
    }

    // Runs the action inside the given turn, before its events are processed.
    void inTurn(int turn, std::function<void()> action) { actions[turn] = std::move(action); }
    // A click that the next event-loop turn delivers, as a user's would.
    static void clickLater(QPushButton* button) {
        QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
    }
    // The list's rows as they stand, city, state and ZIP code each.
    std::vector<ZipRow> rows() { return listedRows(form.results()); }
    void add(const QString& city, const QString& state, const QString& zip) {
        const int row = form.results().add(city);
        form.results().setSubItem(row, 1, state);
        form.results().setSubItem(row, 2, zip);
    }

    TestFolders folders;
    ScriptedPlatform platform;
    Form1 form;
    int turns = 0;
    std::map<int, std::function<void()>> actions;
};

} // namespace olvaris::test
