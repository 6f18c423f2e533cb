#include "xlsxlaunch.h"

#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace rz {

namespace {
// The program the desktop associates with workbooks, asked through the
// freedesktop tools: without an associated program xdg-open would fall back
// to a browser or an error window of its own.
bool openWithDesktop(const QString &url)
{
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgOpen.isEmpty() || xdgMime.isEmpty())
        return false;
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"),
                          QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")});
    if (!query.waitForFinished(5000) || query.exitCode() != 0 || query.readAllStandardOutput().trimmed().isEmpty())
        return false;
    return QProcess::startDetached(xdgOpen, {url});
}
}  // namespace

bool openInSpreadsheet(const QString &path)
{
    if (QStandardPaths::isTestModeEnabled())
        return false;
    // As a file URL the name reaches the program whatever its locale.
    const QString url = QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded());
    if (openWithDesktop(url))
        return true;
    // A desktop without the freedesktop tools: a spreadsheet program found on
    // the path opens workbooks given on its command line.
    for (const char *program : {"libreoffice", "soffice", "gnumeric"}) {
        const QString exe = QStandardPaths::findExecutable(QString::fromLatin1(program));
        if (!exe.isEmpty())
            return QProcess::startDetached(exe, {url});
    }
    return false;
}

}  // namespace rz
