// Prompts for tests: records every request and answers from queues.
#pragma once
#include "ui/prompts.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace rztest {

struct PromptRecord {
    enum Kind { Message, Input, File, Beep, Menu } kind;
    QString text;   // message text, input prompt or dialog title
    QString title;  // message/input title
    int style = 0;
    rz::FileDialogRequest file;
    QStringList menuEntries;
    QList<bool> menuEnabled;
    QPoint menuPos;
    QString action{};  // a message's extra button (messageOffering), else empty
};

class ScriptedPrompts : public rz::Prompts {
public:
    int message(const QString &text, int style, const QString &title) override;
    int messageOffering(const QString &text, int style, const QString &action) override;
    void openFile(const QString &path) override { openedFiles << path; }
    std::optional<QString> input(const QString &prompt, const QString &title,
                                 const QString &defaultText) override;
    QString chooseFile(const rz::FileDialogRequest &request) override;
    int popupMenu(const QStringList &entries, const QList<bool> &enabled, const QPoint &globalPos) override;
    void beep() override;
    void setBusy(bool busy) override;

    // Answers used in order; when a queue is empty: messages answer OK,
    // inputs cancel, file dialogs cancel.
    std::deque<int> messageAnswers;
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<QString> fileAnswers;
    std::deque<int> menuAnswers;  // empty: the menu is dismissed (-1)
    std::function<void()> onMessage;  // run as a message is shown, to look at the store meanwhile

    std::vector<PromptRecord> records;
    int beeps = 0;
    QStringList openedFiles;
    bool busy = false;
    int busyChanges = 0;

    int countOf(PromptRecord::Kind kind) const;
    QStringList messages() const;  // texts of every message box shown
    // Never null: with none shown, an empty record of kind Beep, so a check
    // of its text fails the test instead of crashing the suite.
    const PromptRecord *lastMessage() const;
    const PromptRecord *lastMenu() const;
    void clear();

private:
    PromptRecord none_{PromptRecord::Beep, {}, {}, 0, {}, {}, {}, {}};
};

}  // namespace rztest
