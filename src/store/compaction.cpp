// Estimate file compaction: copy, check, then replace in one rename while the
// original is locked against every other program.
#include "compaction.h"

#include "database.h"
#include "savefile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <sqlite3.h>

namespace rz {

namespace {

const char *const kSideFiles[] = {"", "-journal", "-wal", "-shm"};

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
    for (const char *suffix : kSideFiles) {
        const QString p = workPath + QLatin1String(suffix);
        if (QFileInfo::exists(p) && !QFile::remove(p))
            ok = false;
    }
    return ok;
}

// What must survive compaction unchanged: every schema entry and the number
// of rows of every table, plus the header values that identify the file.
struct Contents {
    QStringList schema;
    QStringList rowCounts;
    qint64 applicationId = 0;
    qint64 userVersion = 0;
    bool operator==(const Contents &o) const
    {
        return schema == o.schema && rowCounts == o.rowCounts && applicationId == o.applicationId &&
               userVersion == o.userVersion;
    }
};

qint64 pragmaValue(Database &db, const char *pragma)
{
    Statement st(db.handle(), QStringLiteral("PRAGMA ") + QLatin1String(pragma));
    return st.step() ? st.columnInt64(0) : 0;
}

Contents readContents(Database &db)
{
    Contents c;
    QStringList tables;
    {
        Statement st(db.handle(), QStringLiteral("SELECT type, name, tbl_name, ifnull(sql, '') FROM sqlite_master "
                                                 "ORDER BY type, name"));
        while (st.step()) {
            QStringList parts;
            for (int i = 0; i < 4; ++i)
                parts << st.column(i, ColType::Text).toString();
            c.schema << parts.join(QChar(0x1f));
            if (parts[0] == QLatin1String("table"))
                tables << parts[1];
        }
    }
    for (const QString &t : tables) {
        Statement st(db.handle(), QStringLiteral("SELECT count(*) FROM ") + quoteIdentifier(t));
        st.step();
        c.rowCounts << t + u'=' + QString::number(st.columnInt64(0));
    }
    c.applicationId = pragmaValue(db, "application_id");
    c.userVersion = pragmaValue(db, "user_version");
    return c;
}

// An empty list means the engine found nothing wrong.
QStringList integrityProblems(Database &db)
{
    QStringList problems;
    Statement st(db.handle(), QStringLiteral("PRAGMA integrity_check"));
    while (st.step()) {
        const QString line = st.column(0, ColType::Text).toString();
        if (line != QLatin1String("ok"))
            problems << line;
    }
    return problems;
}

// Keeps the lock of a connection for as long as it lives: in exclusive
// locking mode the engine does not give back the lock a transaction took.
void lockExclusively(Database &db)
{
    sqlite3 *h = db.handle();
    sqlite3_busy_timeout(h, 1000);
    char *err = nullptr;
    int rc = sqlite3_exec(h, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;", nullptr, nullptr, &err);
    const QString detail = err ? QString::fromUtf8(err) : QString();
    sqlite3_free(err);
    if (rc != SQLITE_OK) {
        sqlite3_exec(h, "ROLLBACK;", nullptr, nullptr, nullptr);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            throw DbError(QStringLiteral("ファイル '%1' は他のプログラムが使用中のため最適化できません。").arg(db.path()),
                          DbFailure::Busy, db.path());
        throw DbError::fromEngine(detail, DbFailure::Other, db.path());
    }
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
void checkCopy(const QString &workPath, const Contents &before)
{
    QStringList problems;
    bool same = false;
    try {
        auto copy = Database::open(workPath, Database::Mode::ReadOnly);
        problems = integrityProblems(*copy);
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
    if (sameFile(path, workPath))
        throw DbError(QStringLiteral("ファイル '%1' は作業ファイルと同じため最適化できません。").arg(path));
    if (!removeWorkFiles(workPath))
        throw DbError(QStringLiteral("前回の作業ファイル '%1' を削除できません。").arg(workPath));

    auto original = Database::open(path);
    lockExclusively(*original);
    if (!integrityProblems(*original).isEmpty())
        throw DbError(QStringLiteral("ファイル '%1' は壊れているため最適化できません。").arg(path));
    const Contents before = readContents(*original);

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
