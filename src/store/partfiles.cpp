#include "partfiles.h"

#include "database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rz {

namespace {

// ".NAME.XXXXXX.part", the Xs being the letters and digits QTemporaryFile
// puts there, optionally followed by the suffix of an engine file.
const QRegularExpression &partName()
{
    static const QRegularExpression re([] {
        QStringList suffixes;
        for (const QString &s : storeSideFileSuffixes())
            suffixes << QRegularExpression::escape(s);
        return QStringLiteral("^\\..+\\.[A-Za-z0-9]{6}\\.part(%1)?$").arg(suffixes.join(u'|'));
    }());
    return re;
}

bool sameFile(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether another process holds a byte-range lock on the file: the embedded
// engine does while it writes, also before the writer has taken its own lock.
bool engineLocked(int fd)
{
    struct flock range = {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;  // from the start, l_len 0: every byte, however far
    return fcntl(fd, F_GETLK, &range) != 0 || range.l_type != F_UNLCK;
}

// Removes path when it is a plain file (never what a link points to).
void removePlainFile(const QByteArray &path)
{
    struct stat st;
    if (lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode))
        unlink(path.constData());
}

}  // namespace

QString reservePartFile(const QString &target)
{
    const QFileInfo fi(target);
    QTemporaryFile reserve(fi.absolutePath() + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".XXXXXX.part"));
    reserve.setAutoRemove(false);
    if (!reserve.open())
        throw DbError(QStringLiteral("ファイル '%1' を作成できません: %2").arg(target, reserve.errorString()));
    return reserve.fileName();
}

bool canCreateFileAt(const QString &target)
{
    try {
        QFile::remove(reservePartFile(target));
        return true;
    } catch (const DbError &) {
        return false;
    }
}

PartFileLock::~PartFileLock()
{
    if (fd_ >= 0)
        close(fd_);
}

bool PartFileLock::lock(const QString &partFile)
{
    const QByteArray path = QFile::encodeName(partFile);
    fd_ = open(path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    // A cleaner holds the lock for a moment while it looks at the file.
    for (int tries = 0; flock(fd_, LOCK_EX | LOCK_NB) != 0; ++tries) {
        if (tries == 100)
            return false;
        usleep(10000);
    }
    // Still the file under that name (not removed meanwhile)?
    struct stat mine, there;
    return fstat(fd_, &mine) == 0 && lstat(path.constData(), &there) == 0 && sameFile(mine, there);
}

void removeLeftoverPartFiles(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (!name.endsWith(QLatin1String(".part")) || !partName().match(name).hasMatch())
            continue;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const int fd = open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat held, there;
        // The lock is taken only to see that no writer holds it; the file is
        // removed only when it is still the one locked.
        if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            !engineLocked(fd) && lstat(path.constData(), &there) == 0 && sameFile(held, there)) {
            unlink(path.constData());
            for (const QString &suffix : storeSideFileSuffixes())
                removePlainFile(path + QFile::encodeName(suffix));
        }
        close(fd);
    }
    // Engine files of a part file removed by hand, or of a removal cut short.
    for (const QString &name : names) {
        if (name.endsWith(QLatin1String(".part")) || !partName().match(name).hasMatch())
            continue;
        const QString part = name.left(name.lastIndexOf(QLatin1String(".part")) + 5);
        if (!QFileInfo::exists(dir.filePath(part)) && !QFileInfo(dir.filePath(part)).isSymLink())
            removePlainFile(QFile::encodeName(dir.filePath(name)));
    }
}

}  // namespace rz
