// Every message box, input box, file dialog, beep and busy pointer of the
// program goes through this interface, so the procedures of a window can run
// under a scripted implementation in tests.
#pragma once
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <optional>

namespace rz {

// Message styles: button set + icon, as the values the messages are defined with.
enum MsgStyle : int {
    MsgCritical = 16,          // critical icon, OK
    MsgOkCancelQuestion = 33,  // question icon, OK + Cancel
    MsgExclamation = 48,       // exclamation icon, OK
    MsgOkCancelExclamation = 49,
    MsgInformation = 64,
    MsgOkCancelInformation = 65,
};

enum MsgAnswer : int { AnswerOk = 1, AnswerCancel = 2, AnswerAction = 3 };

struct FileDialogRequest {
    bool save = false;
    QString title;
    QString filter;      // "label|pattern" pairs separated by "|"
    QString initialDir;
    QString proposedName;
    bool mustExist = false;  // open dialogs: only an existing file may be chosen
};

class Prompts {
public:
    virtual ~Prompts() = default;
    // Returns AnswerOk or AnswerCancel (OK-only boxes always return AnswerOk).
    virtual int message(const QString &text, int style, const QString &title = QString()) = 0;
    // std::nullopt when the user cancels.
    virtual std::optional<QString> input(const QString &prompt, const QString &title,
                                         const QString &defaultText = QString()) = 0;
    // The chosen path, or an empty string when the user cancels.
    virtual QString chooseFile(const FileDialogRequest &request) = 0;
    // A popup menu at a point in global screen pixels. An entry "-" is a
    // separator line. Returns the index of the chosen entry, or -1 when the
    // menu was dismissed.
    virtual int popupMenu(const QStringList &entries, const QList<bool> &enabled, const QPoint &globalPos) = 0;
    // The same with one entry marked as the default (drawn bold); -1 for none.
    virtual int popupMenuWithDefault(const QStringList &entries, const QList<bool> &enabled, const QPoint &globalPos,
                                     int defaultEntry)
    {
        (void)defaultEntry;
        return popupMenu(entries, enabled, globalPos);
    }
    // A message of an OK-only style with one more button that does
    // something with what the message announces (open a written file).
    // Returns AnswerAction when that button was chosen, else AnswerOk.
    virtual int messageOffering(const QString &text, int style, const QString &action)
    {
        Q_UNUSED(action);
        return message(text, style);
    }
    // Opens a file in the desktop's application for its type.
    virtual void openFile(const QString &path) { Q_UNUSED(path); }
    virtual void beep() = 0;
    // Arrow-and-hourglass pointer while busy, the normal pointer afterwards.
    virtual void setBusy(bool busy) = 0;
};

}  // namespace rz
