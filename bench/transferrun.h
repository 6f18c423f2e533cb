// The transfer window driven as a user pastes an estimate: prompts that
// answer OK and pick the menu entries queued, and one paste of the first
// estimate of list 1 before the first of list 2, deleted again afterwards.
#pragma once
#include "transfer/transfersession.h"
#include "ui/prompts.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <deque>
#include <utility>

namespace rzbench {

class AnsweringPrompts : public rz::Prompts, public rz::TransferHost {
public:
    int message(const QString &text, int style, const QString &) override
    {
        if (style == rz::MsgExclamation)
            QTextStream(stderr) << "message: " << text << Qt::endl;
        return rz::AnswerOk;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseFile(const rz::FileDialogRequest &) override { return {}; }
    int popupMenu(const QStringList &, const QList<bool> &enabled, const QPoint &) override
    {
        const int a = menu.empty() ? -1 : menu.front();
        if (!menu.empty())
            menu.pop_front();
        return a >= 0 && enabled.value(a) ? a : -1;
    }
    void beep() override {}
    void setBusy(bool) override {}
    void focusList(int) override {}
    void closeWindow() override {}
    QPoint menuPointBelowButton(int) const override { return {}; }
    QPoint menuPointAtRow(int, int) const override { return {}; }
    void refresh() override {}
    std::deque<int> menu;
};

// Milliseconds of the paste (the whole of it: confirmation, index row, item
// table, lists refilled) and of deleting the copy again; the paste is -1
// when the copy did not land where it should (key 512, before the first
// row 1024 of list 2).
inline std::pair<double, double> pasteAndDelete(rz::TransferSession &s, AnsweringPrompts &prompts)
{
    s.listGotFocus(0);
    s.listClick(0, 0);
    prompts.menu = {rz::TransferSession::MenuCopy};
    s.cmdMenu_Click(rz::TransferSession::CmdCopy);
    s.listLostFocus(0);
    s.listGotFocus(1);
    s.listClick(1, 0);
    prompts.menu = {rz::TransferSession::MenuPaste};
    QElapsedTimer t;
    t.start();
    s.cmdMenu_Click(rz::TransferSession::CmdCopy);
    const double paste = t.nsecsElapsed() / 1e6;
    if (s.listCount(1) != 2 || s.key(1, 0) != 512)
        return {-1, 0};
    s.listClick(1, 0);
    t.restart();
    s.cmdMenu_Click(rz::TransferSession::CmdDelete);
    return {paste, t.nsecsElapsed() / 1e6};
}

}  // namespace rzbench
