#include "guardedapplication.h"

#include "store/dberror.h"
#include "store/failuretext.h"

#include <QMessageBox>
#include <QtGlobal>

namespace rz {

namespace {
const QString kUnexpected = QStringLiteral("予期しないエラーが発生しました。操作は中断されました。");

void showUncaught(const QString &text)
{
    QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("RZ90"), text);
}
}  // namespace

bool GuardedApplication::notify(QObject *receiver, QEvent *event)
{
    return deliver([&] { return QApplication::notify(receiver, event); }, showUncaught);
}

bool GuardedApplication::deliver(const std::function<bool()> &deliver, const std::function<void(const QString &)> &show)
{
    QString text;
    try {
        return deliver();
    } catch (const DbError &e) {
        text = failureText(e);
    } catch (const std::exception &e) {
        text = kUnexpected + u'\n' + QString::fromUtf8(e.what());
    } catch (...) {
        text = kUnexpected;
    }
    // No procedure caught it: the log keeps it for whoever looks into it.
    qCritical("uncaught failure in an event handler: %s", qUtf8Printable(text));
    show(text);
    return false;
}

}  // namespace rz
