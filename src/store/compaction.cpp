// Estimate file compaction: copy, check, then replace in one rename while the
// original is locked against every other program.
#include "compaction.h"

#include "database.h"
#include "savefile.h"
#include "serverlocation.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace rz {

namespace {

std::function<void(const QString &)> &compactedCopyHook()
{
    static std::function<void(const QString &)> hook;
    return hook;
}

// Removes the work file and the engine's side files of it. Returns false when
// one of them exists and cannot be removed.
bool removeWorkFiles(const QString &workPath)
{
    bool ok = true;
    for (const QString &suffix : QStringList{QString()} + storeSideFileSuffixes()) {
        const QString p = workPath + suffix;
        if (QFileInfo::exists(p) && !QFile::remove(p))
            ok = false;
    }
    return ok;
}

// What must survive compaction unchanged: every definition of the schema and
// the values that identify the file, and the number of rows of every table.
QStringList readContents(Database &db)
{
    QStringList c = db.definitions();
    for (const QString &t : db.tableNames())
        c << t + u'=' + QString::number(db.rowCount(t));
    return c;
}

// Writes the checked copy over the original: the bytes go to a temporary file
// in the original's folder, which then takes the original's name in one
// rename. Until that rename the original is untouched.
void replaceWithCopy(const QString &path, const QString &copyPath)
{
    QFile src(copyPath);
    if (!src.open(QIODevice::ReadOnly))
        throw DbError(QStringLiteral("作業ファイル '%1' を読み込めません: %2").arg(copyPath, src.errorString()));
    QSaveFile dst(path);
    if (!dst.open(QIODevice::WriteOnly))
        throw DbError(QStringLiteral("ファイル '%1' を書き換えられません: %2").arg(path, dst.errorString()));
    for (;;) {
        const QByteArray chunk = src.read(1 << 20);
        if (chunk.isEmpty())
            break;
        if (dst.write(chunk) != chunk.size())
            throw DbError(QStringLiteral("ファイル '%1' を書き換えられません: %2").arg(path, dst.errorString()));
    }
    if (src.error() != QFile::NoError)
        throw DbError(QStringLiteral("作業ファイル '%1' を読み込めません: %2").arg(copyPath, src.errorString()));
    if (!commitWhole(dst))
        throw DbError(QStringLiteral("ファイル '%1' を書き換えられません: %2").arg(path, dst.errorString()));
}

// The copy must be sound and hold what the original held; the engine's own
// failure to read it counts as damage of the copy.
void checkCopy(const QString &workPath, const QStringList &before)
{
    QStringList problems;
    bool same = false;
    try {
        auto copy = Database::open(workPath, Database::Mode::ReadOnly);
        problems = copy->integrityProblems();
        same = problems.isEmpty() && readContents(*copy) == before;
    } catch (const DbError &e) {
        problems << e.description();
    }
    if (!problems.isEmpty())
        throw DbError(QStringLiteral("最適化したファイルに問題があります: %1").arg(problems.first()));
    if (!same)
        throw DbError(QStringLiteral("最適化したファイルの内容が元のファイルと一致しません。"));
}

}  // namespace

void setCompactedCopyHookForTesting(std::function<void(const QString &workPath)> hook)
{
    compactedCopyHook() = std::move(hook);
}

void compactEstimateFile(const QString &path, const QString &workPath)
{
    if (isServerLocation(path)) {
        Database::open(path)->compactInPlace();
        return;
    }
    if (sameFile(path, workPath))
        throw DbError(QStringLiteral("ファイル '%1' は作業ファイルと同じため最適化できません。").arg(path));
    if (!removeWorkFiles(workPath))
        throw DbError(QStringLiteral("前回の作業ファイル '%1' を削除できません。").arg(workPath));

    auto original = Database::open(path);
    try {
        // Held until the original name points at the new file.
        original->lockExclusively();
    } catch (const DbError &e) {
        if (e.reason() == DbFailure::Busy)
            throw DbError(QStringLiteral("ファイル '%1' は他のプログラムが使用中のため最適化できません。").arg(path),
                          DbFailure::Busy, path);
        if (e.isEngineText())
            throw DbError::fromEngine(e.description(), e.reason(), path);
        throw;
    }
    if (!original->integrityProblems().isEmpty())
        throw DbError(QStringLiteral("ファイル '%1' は壊れているため最適化できません。").arg(path));
    const QStringList before = readContents(*original);

    try {
        original->compactInto(workPath);
        if (compactedCopyHook())
            compactedCopyHook()(workPath);
        checkCopy(workPath, before);
        replaceWithCopy(path, workPath);
    } catch (...) {
        original.reset();
        removeWorkFiles(workPath);
        throw;
    }
    // The lock is held until the original name points at the new file.
    original.reset();
    removeWorkFiles(workPath);
}

}  // namespace rz
