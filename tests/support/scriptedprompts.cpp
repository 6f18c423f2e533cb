#include "scriptedprompts.h"

namespace rztest {

int ScriptedPrompts::message(const QString &text, int style, const QString &title)
{
    records.push_back({PromptRecord::Message, text, title, style, {}, {}, {}, {}});
    if (onMessage)
        onMessage();
    if (messageAnswers.empty())
        return rz::AnswerOk;
    const int a = messageAnswers.front();
    messageAnswers.pop_front();
    return a;
}

int ScriptedPrompts::messageOffering(const QString &text, int style, const QString &action)
{
    const int answer = message(text, style, QString());
    records.back().action = action;
    return answer;
}

std::optional<QString> ScriptedPrompts::input(const QString &prompt, const QString &title,
                                              const QString &defaultText)
{
    PromptRecord r{PromptRecord::Input, prompt, title, 0, {}, {}, {}, {}};
    r.file.proposedName = defaultText;
    records.push_back(r);
    if (inputAnswers.empty())
        return std::nullopt;
    auto a = inputAnswers.front();
    inputAnswers.pop_front();
    return a;
}

QString ScriptedPrompts::chooseFile(const rz::FileDialogRequest &request)
{
    records.push_back({PromptRecord::File, request.title, QString(), 0, request, {}, {}, {}});
    if (fileAnswers.empty())
        return QString();
    QString a = fileAnswers.front();
    fileAnswers.pop_front();
    return a;
}

int ScriptedPrompts::popupMenu(const QStringList &entries, const QList<bool> &enabled, const QPoint &globalPos)
{
    PromptRecord r{PromptRecord::Menu, entries.join(u'|'), QString(), 0, {}, entries, enabled, globalPos};
    records.push_back(r);
    if (menuAnswers.empty())
        return -1;
    const int a = menuAnswers.front();
    menuAnswers.pop_front();
    // A disabled entry cannot be chosen.
    return (a >= 0 && a < entries.size() && entries[a] != QStringLiteral("-") && (a >= enabled.size() || enabled[a]))
               ? a
               : -1;
}

const PromptRecord *ScriptedPrompts::lastMenu() const
{
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        if (it->kind == PromptRecord::Menu)
            return &*it;
    return &none_;
}

void ScriptedPrompts::beep()
{
    records.push_back({PromptRecord::Beep, QString(), QString(), 0, {}, {}, {}, {}});
    ++beeps;
}

void ScriptedPrompts::setBusy(bool b)
{
    busy = b;
    ++busyChanges;
}

int ScriptedPrompts::countOf(PromptRecord::Kind kind) const
{
    int n = 0;
    for (const auto &r : records)
        if (r.kind == kind)
            ++n;
    return n;
}

QStringList ScriptedPrompts::messages() const
{
    QStringList out;
    for (const auto &r : records)
        if (r.kind == PromptRecord::Message)
            out << r.text;
    return out;
}

const PromptRecord *ScriptedPrompts::lastMessage() const
{
    for (auto it = records.rbegin(); it != records.rend(); ++it)
        if (it->kind == PromptRecord::Message)
            return &*it;
    return &none_;
}

void ScriptedPrompts::clear()
{
    records.clear();
    beeps = 0;
    busyChanges = 0;
}

}  // namespace rztest
