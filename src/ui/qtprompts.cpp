#include "qtprompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMenu>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace rz {

QString qtFileFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        // A label that already names its patterns in parentheses is enough.
        const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
        out << (parts[i].contains(u'(' + patterns + u')') ? parts[i] : parts[i] + QStringLiteral(" (") + patterns + u')');
    }
    return out.join(QStringLiteral(";;"));
}

int QtPrompts::message(const QString &text, int style, const QString &title)
{
    return showMessage(text, style, title, QString());
}

int QtPrompts::messageOffering(const QString &text, int style, const QString &action)
{
    return showMessage(text, style, QString(), action);
}

void QtPrompts::openFile(const QString &path)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        message(QStringLiteral("ファイルを開くアプリケーションが見つかりません。\n") + path, MsgExclamation, QString());
}

int QtPrompts::showMessage(const QString &text, int style, const QString &title, const QString &action)
{
    QMessageBox box(parent_);
    box.setText(text);
    box.setWindowTitle(title.isEmpty() ? QStringLiteral("RZ90") : title);
    switch (style & 0xF0) {
    case 16:
        box.setIcon(QMessageBox::Critical);
        break;
    case 32:
        box.setIcon(QMessageBox::Question);
        break;
    case 48:
        box.setIcon(QMessageBox::Warning);
        break;
    case 64:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    const bool okCancel = (style & 0x0F) == 1;
    box.setStandardButtons(okCancel ? (QMessageBox::Ok | QMessageBox::Cancel) : QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    QPushButton *actionButton = action.isEmpty() ? nullptr : box.addButton(action, QMessageBox::ActionRole);
    // A busy pointer must not hide the question from the user.
    const bool hadOverride = QApplication::overrideCursor() != nullptr;
    if (hadOverride)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int r = box.exec();
    if (hadOverride)
        QApplication::restoreOverrideCursor();
    if (actionButton && box.clickedButton() == actionButton)
        return AnswerAction;
    return r == QMessageBox::Ok ? AnswerOk : AnswerCancel;
}

std::optional<QString> QtPrompts::input(const QString &prompt, const QString &title, const QString &defaultText)
{
    bool ok = false;
    const QString t = QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return t;
}

QString QtPrompts::chooseFile(const FileDialogRequest &request)
{
    QFileDialog dlg(parent_, request.title, request.initialDir, qtFileFilter(request.filter));
    dlg.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::ReadOnly, false);
    if (request.save) {
        // A name typed without its extension gets the one of the filter.
        const QString pattern = request.filter.section(u'|', 1, 1).section(u';', 0, 0);
        dlg.setDefaultSuffix(pattern.startsWith(QLatin1String("*.")) ? pattern.mid(2) : QStringLiteral("mdb"));
        // The caller refuses an existing name with its own message.
        dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    }
    if (!request.proposedName.isEmpty())
        dlg.selectFile(request.proposedName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return dlg.selectedFiles().constFirst();
}

int QtPrompts::popupMenu(const QStringList &entries, const QList<bool> &enabled, const QPoint &globalPos)
{
    return popupMenuWithDefault(entries, enabled, globalPos, -1);
}

int QtPrompts::popupMenuWithDefault(const QStringList &entries, const QList<bool> &enabled, const QPoint &globalPos,
                                    int defaultEntry)
{
    QMenu menu(parent_);
    QList<QAction *> actions;
    for (int i = 0; i < entries.size(); ++i) {
        QAction *a = entries[i] == QStringLiteral("-") ? menu.addSeparator() : menu.addAction(entries[i]);
        a->setEnabled(i < enabled.size() ? enabled[i] : true);
        actions << a;
    }
    if (defaultEntry >= 0 && defaultEntry < actions.size())
        menu.setDefaultAction(actions[defaultEntry]);
    QAction *chosen = menu.exec(globalPos);
    return chosen ? static_cast<int>(actions.indexOf(chosen)) : -1;
}

void QtPrompts::beep() { QApplication::beep(); }

void QtPrompts::setBusy(bool busy)
{
    if (busy) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        ++busyDepth_;
    } else {
        while (busyDepth_ > 0) {
            QApplication::restoreOverrideCursor();
            --busyDepth_;
        }
    }
}

}  // namespace rz
