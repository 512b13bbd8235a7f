#pragma once
#include <QStringList>

namespace olvaris {

// What the window's command line asks for: to run (on the database beside
// the program, or on another), to tell its usage or version, or nothing it
// understands.
struct CommandLine {
    enum class Action { Run, Help, Version, Refuse };
    Action action = Action::Run;
    QString database;  // empty: the one beside the program
    QString complaint; // why it was refused
};

// The arguments after the program's name.
CommandLine parseCommandLine(const QStringList& arguments);

inline constexpr const char* CommandLineUsage = "usage: olvaris [--database FILE]\n"
                                                "       olvaris --help | --version\n"
                                                "Opens the window on the database beside the program, or on FILE\n"
                                                "(a database built by zipbase-build).\n";

} // namespace olvaris
