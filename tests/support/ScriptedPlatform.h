#pragma once
#include "Platform.h"
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace olvaris::test {

struct ShownMessage {
    QString text;
    QString title;
    MessageIcon icon;
};

// Stands in for what a person would see and for what leaves the process:
// records every box, answers save dialogs from a script, and notes the end
// of the process instead of ending it.
class ScriptedPlatform : public Platform {
public:
    void showMessage(const QString& text, const QString& title, MessageIcon icon) override {
        messages.push_back({text, title, icon});
        if (onMessage)
            onMessage(messages.back());
    }
    QString askSaveFileName(const SaveDialogRequest& request) override {
        saveRequests.push_back(request);
        if (saveAnswers.empty())
            return {};
        QString answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    void endProcess(int exitStatus) override {
        ++processEnds;
        exitStatuses.push_back(exitStatus);
    }
    void openUrl(const QString& url) override { openedUrls.append(url); }
    int drawOneToHundred() override { return draw; }

    // The statement numbers of the error reports shown, in order.
    std::vector<int> reportedStatements() const;
    // The texts of the error reports shown, in order.
    QStringList errorTexts() const;
    // The texts of the boxes other than error reports.
    QStringList otherMessages() const;

    std::vector<ShownMessage> messages;
    std::function<void(const ShownMessage&)> onMessage;
    std::deque<QString> saveAnswers;
    std::vector<SaveDialogRequest> saveRequests;
    int processEnds = 0;
    std::vector<int> exitStatuses;
    QStringList openedUrls;
    int draw = 50;
};

} // namespace olvaris::test
