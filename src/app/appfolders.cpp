// Program and per-user folders for the program's own files.
#include "appfolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace rz {

namespace {
QString &programFolderOverride()
{
    static QString path;
    return path;
}

// An installed program lives in a system folder that the package manager owns
// and every user shares: it never writes there, not even when root could, and
// never takes a user's file from there.
bool programInstalled()
{
    const QString folder = QFileInfo(programFolder()).canonicalFilePath() + u'/';
    for (const char *prefix : {"/usr/", "/opt/", "/bin/", "/sbin/", "/snap/", "/app/"})
        if (folder.startsWith(QLatin1String(prefix)))
            return true;
    return false;
}

bool programFolderWritable()
{
    const QFileInfo info(programFolder());
    return !programInstalled() && info.isDir() && info.isWritable();
}
}  // namespace

QString programFolder()
{
    const QString &over = programFolderOverride();
    return over.isEmpty() ? QCoreApplication::applicationDirPath() : over;
}

void setProgramFolderForTesting(const QString &path)
{
    programFolderOverride() = path;
}

QString perUserDataFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    QDir().mkpath(folder);
    return folder;
}

QString writableProgramFile(const QString &name)
{
    if (programFolderWritable())
        return QDir(programFolder()).filePath(name);
    return QDir(perUserDataFolder()).filePath(name);
}

QString readableProgramFile(const QString &name)
{
    const QString inProgram = QDir(programFolder()).filePath(name);
    const QString perUserFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    const QString perUser = perUserFolder.isEmpty() ? QString() : QDir(perUserFolder).filePath(name);
    const bool programHas = QFileInfo::exists(inProgram);
    const bool perUserHas = !perUser.isEmpty() && QFileInfo::exists(perUser);

    // Prefer the copy the program last wrote: a stale copy in the other place
    // must not hide a change the user just made.
    if (programFolderWritable()) {
        if (programHas || !perUserHas)
            return inProgram;
        return perUser;
    }
    return perUserHas || programInstalled() ? perUser : inProgram;
}

}  // namespace rz
