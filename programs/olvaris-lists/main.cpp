// Olvaris List Check: the check of address lists in a window of its own.
#include "AppFiles.h"
#include "CheckDialogs.h"
#include "CheckWindow.h"
#include "StartUpMessages.h"
#include "SystemPath.h"
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QScreen>
#include <QStyleFactory>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

constexpr const char* Usage = "usage: olvaris-lists [--database FILE] [LIST]\n"
                              "       olvaris-lists --help | --version\n"
                              "Opens the address-list check's window, with LIST (CSV, TSV, .xlsx, .ods or .xls)\n"
                              "ready to check, against the database beside the program or FILE.\n";

struct Arguments {
    std::optional<std::string> database, list;
};

// Returns the exit status where the program is to end here.
std::optional<int> parse(int argc, char** argv, Arguments& arguments) {
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (!optionsEnd && std::strcmp(argument, "--help") == 0) {
            std::fputs(Usage, stdout);
            return EXIT_SUCCESS;
        }
        if (!optionsEnd && std::strcmp(argument, "--version") == 0) {
            std::puts("olvaris-lists " OLVARIS_VERSION);
            return EXIT_SUCCESS;
        }
        if (!optionsEnd && std::strcmp(argument, "--") == 0) {
            optionsEnd = true;
        } else if (!optionsEnd && std::strcmp(argument, "--database") == 0 && i + 1 < argc) {
            arguments.database = argv[++i];
        } else if (!optionsEnd && argument[0] == '-' && argument[1] != '\0') {
            std::fprintf(stderr, "olvaris-lists: unknown option %s\n%s", argument, Usage);
            return 2;
        } else if (!arguments.list) {
            arguments.list = argument;
        } else {
            std::fprintf(stderr, "olvaris-lists: one list at a time\n%s", Usage);
            return 2;
        }
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    // A file-size limit makes a save fail with a message instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    Arguments arguments;
    if (const std::optional<int> status = parse(argc, argv, arguments))
        return *status;
    if (arguments.database)
        olvaris::AppFiles::overrideDatabase(
            olvaris::absoluteSystemPath(olvaris::fromSystemBytes(arguments.database->c_str())));
    // Qt reads no command line: its own options are not taken from a list's name.
    char fallbackName[] = "olvaris-lists";
    char* programName[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    int programNameCount = 1;
    std::optional<olvaris::StartUpMessages> startUp(std::in_place, "olvaris-lists");
    QApplication app(programNameCount, programName);
    startUp.reset();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QGuiApplication::setDesktopFileName(QStringLiteral("olvaris-lists"));
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("olvaris-lists"), QIcon::fromTheme(QStringLiteral("olvaris"))));

    if (!olvaris::AppFiles::databaseThere()) {
        QMessageBox::critical(nullptr, QStringLiteral("Olvaris List Check"), olvaris::AppFiles::databaseMissing());
        return EXIT_FAILURE;
    }
    olvaris::listcheck::CheckWindow window(QFile::encodeName(olvaris::AppFiles::databasePath()).toStdString(),
                                           std::make_unique<olvaris::listcheck::CheckDialogs>());
    if (const QScreen* screen = window.screen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    window.show();
    if (arguments.list)
        window.openList(olvaris::fromSystemBytes(arguments.list->c_str()));
    return app.exec();
}
