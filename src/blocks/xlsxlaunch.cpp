#include "xlsxlaunch.h"

#include <QProcess>
#include <QStandardPaths>

namespace rz {

bool openInSpreadsheet(const QString &path)
{
    if (QStandardPaths::isTestModeEnabled())
        return false;
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgOpen.isEmpty() || xdgMime.isEmpty())
        return false;
    // Without an associated program xdg-open would fall back to a browser or
    // an error window of its own; the file then just stays where it was written.
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"),
                          QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")});
    if (!query.waitForFinished(5000) || query.exitCode() != 0 || query.readAllStandardOutput().trimmed().isEmpty())
        return false;
    return QProcess::startDetached(xdgOpen, {path});
}

}  // namespace rz
