#include "ScriptedPlatform.h"
#include "ErrorReport.h"
#include <QRegularExpression>

namespace olvaris::test {

std::vector<int> ScriptedPlatform::reportedStatements() const {
    static const QRegularExpression atLine(QStringLiteral("at line (\\d+)\r\r"));
    std::vector<int> numbers;
    for (const ShownMessage& message : messages) {
        if (message.title != QLatin1String(ErrorReportTitle))
            continue;
        const auto match = atLine.match(message.text);
        numbers.push_back(match.hasMatch() ? match.captured(1).toInt() : -1);
    }
    return numbers;
}

QStringList ScriptedPlatform::errorTexts() const {
    QStringList texts;
    for (const ShownMessage& message : messages)
        if (message.title == QLatin1String(ErrorReportTitle))
            texts.append(message.text);
    return texts;
}

QStringList ScriptedPlatform::otherMessages() const {
    QStringList texts;
    for (const ShownMessage& message : messages)
        if (message.title != QLatin1String(ErrorReportTitle))
            texts.append(message.text);
    return texts;
}

} // namespace olvaris::test
