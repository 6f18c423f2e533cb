// The real Prompts: Qt message boxes, input dialog, file dialog, beep and the
// busy pointer.
#pragma once
#include "prompts.h"

class QWidget;

namespace rz {

class QtPrompts : public Prompts {
public:
    explicit QtPrompts(QWidget *parent = nullptr) : parent_(parent) {}
    void setParent(QWidget *parent) { parent_ = parent; }
    int message(const QString &text, int style, const QString &title) override;
    int messageOffering(const QString &text, int style, const QString &action) override;
    void openFile(const QString &path) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &defaultText) override;
    QString chooseFile(const FileDialogRequest &request) override;
    int popupMenu(const QStringList &entries, const QList<bool> &enabled, const QPoint &globalPos) override;
    int popupMenuWithDefault(const QStringList &entries, const QList<bool> &enabled, const QPoint &globalPos,
                             int defaultEntry) override;
    void beep() override;
    void setBusy(bool busy) override;

private:
    int showMessage(const QString &text, int style, const QString &title, const QString &action);
    QWidget *parent_;
    int busyDepth_ = 0;
};

// "label|pattern|label|pattern" as the dialogs are defined, to Qt's filter form.
QString qtFileFilter(const QString &filter);

}  // namespace rz
