#include "CommandLine.h"

namespace olvaris {

namespace {
CommandLine refuse(const QString& complaint) {
    CommandLine line;
    line.action = CommandLine::Action::Refuse;
    line.complaint = complaint;
    return line;
}
} // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
    CommandLine line;
    for (qsizetype at = 0; at < arguments.size(); ++at) {
        const QString& argument = arguments.at(at);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            line.action = CommandLine::Action::Help;
            return line;
        }
        if (argument == QLatin1String("--version")) {
            line.action = CommandLine::Action::Version;
            return line;
        }
        if (argument == QLatin1String("--database")) {
            if (++at == arguments.size())
                return refuse(QStringLiteral("--database needs a file"));
            line.database = arguments.at(at);
        } else if (argument.startsWith(QLatin1String("--database="))) {
            line.database = argument.mid(11);
        } else {
            return refuse(argument.startsWith(QLatin1Char('-')) ? QStringLiteral("unknown option ") + argument
                                                                : QStringLiteral("unexpected argument ") + argument);
        }
        if (line.database.isEmpty())
            return refuse(QStringLiteral("--database needs a file"));
    }
    return line;
}

} // namespace olvaris
