// Opening and creating estimate files: every refusal is made at opening, with
// a description a user understands, rather than at the first save, when the
// user's typing would be lost.
#include "sqliteengine.h"

#include "sqliteconnection.h"

#include <QFile>
#include <QFileInfo>

namespace rz {

namespace {

// Writable by this user and not marked read-only by its owner: the mark is
// respected even by a user who could override it (root).
bool markedWritable(const QFileInfo &fi) { return fi.isWritable() && (fi.permissions() & QFile::WriteOwner); }

// Opens the file for writing and reads its schema, which makes the engine
// roll a hot journal back; true when that worked and no journal is left.
bool rollBackJournal(const QString &file)
{
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_busy_timeout(db, 300);
        ok = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_close_v2(db);
    return ok && !QFileInfo::exists(file + QStringLiteral("-journal"));
}

class SqliteEngine : public StoreEngine {
public:
    bool accepts(const QString &) const override { return true; }
    std::unique_ptr<EngineConnection> open(const QString &location, OpenMode mode) const override
    {
        return openFile(location, mode);
    }
    std::unique_ptr<EngineConnection> create(const QString &location) const override;
    QStringList sideFileSuffixes() const override
    {
        return {QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")};
    }

private:
    static std::unique_ptr<SqliteConnection> openFile(const QString &path, OpenMode mode);
    static std::unique_ptr<SqliteConnection> openAfterInterruptedWrite(const QString &path);
};

std::unique_ptr<SqliteConnection> SqliteEngine::openFile(const QString &path, OpenMode mode)
{
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.exists())
        throw DbError(QStringLiteral("ファイル '%1' が見つかりません。").arg(path), DbFailure::NotFound, path);
    if (!fi.isFile())
        throw DbError(QStringLiteral("'%1' はファイルではありません。").arg(path), DbFailure::NotFound, path);
    // A file marked read-only stays read-only even for a user who could
    // override the mark (root), as the user asked.
    const bool writing = mode == OpenMode::ReadWrite;
    if (writing && !markedWritable(fi))
        throw DbError(QStringLiteral("ファイル '%1' は読み取り専用のため開けません。").arg(path), DbFailure::ReadOnly,
                      path);
    // Every change writes a journal beside the file; in a folder that cannot
    // take it the first save would fail and the typing would be lost.
    if (writing && !markedWritable(QFileInfo(QFileInfo(fi.canonicalFilePath()).absolutePath())))
        throw DbError(QStringLiteral("ファイル '%1' は読み取り専用のフォルダにあるため開けません。").arg(path),
                      DbFailure::ReadOnly, path);
    sqlite3 *raw = nullptr;
    const int flags = (writing ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_FULLMUTEX;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    auto conn = std::make_unique<SqliteConnection>(raw);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(raw));
        throw DbError(QStringLiteral("ファイル '%1' を開けません: %2").arg(path, message), sqliteFailure(rc, message),
                      path);
    }
    sqlite3_extended_result_codes(raw, 0);
    try {
        SqliteStatement probe(raw, QStringLiteral("SELECT count(*) FROM sqlite_master"));
        probe.step();
    } catch (const DbError &e) {
        if (!writing && sqlite3_extended_errcode(raw) == SQLITE_READONLY_ROLLBACK) {
            conn.reset();
            return openAfterInterruptedWrite(path);
        }
        if (e.reason() == DbFailure::Busy)
            throw DbError(QStringLiteral("ファイル '%1' は他のプログラムが使用中です。").arg(path), e.reason(), path);
        if (e.reason() == DbFailure::NotADatabase)
            throw DbError(QStringLiteral("ファイル '%1' は見積書ファイル（データベース）ではありません。").arg(path),
                          e.reason(), path);
        if (e.reason() == DbFailure::Damaged)
            throw DbError(QStringLiteral("ファイル '%1' は壊れています。").arg(path), e.reason(), path);
        throw DbError(QStringLiteral("ファイル '%1' は見積書ファイルとして読めません: %2").arg(path, e.description()),
                      e.reason(), path);
    }
    checkComplete(raw, QStringLiteral("main"), path);
    // Level queries read a whole item table: a cache that holds a large
    // estimate spares reading its pages from the file again for each.
    sqlite3_exec(raw, "PRAGMA cache_size = -32768", nullptr, nullptr, nullptr);
    if (writing) {
        // Refuse a file another program holds for writing now rather than at
        // the first save, when the user's typing would be lost.
        sqlite3_busy_timeout(raw, 300);
        char *err = nullptr;
        const int lrc = sqlite3_exec(raw, "BEGIN IMMEDIATE; ROLLBACK;", nullptr, nullptr, &err);
        sqlite3_free(err);
        if (lrc != SQLITE_OK) {
            const QString message = QString::fromUtf8(sqlite3_errmsg(raw));
            sqlite3_exec(raw, "ROLLBACK;", nullptr, nullptr, nullptr);
            if (lrc == SQLITE_BUSY || lrc == SQLITE_LOCKED)
                throw DbError(QStringLiteral("ファイル '%1' は他のプログラムが使用中です。").arg(path), DbFailure::Busy,
                              path);
            if (lrc == SQLITE_READONLY)
                throw DbError(QStringLiteral("ファイル '%1' は読み取り専用のため開けません。").arg(path),
                              DbFailure::ReadOnly, path);
            throw DbError(QStringLiteral("ファイル '%1' を開けません: %2").arg(path, message),
                          sqliteFailure(lrc, message), path);
        }
    }
    sqlite3_busy_timeout(raw, 5000);
    return conn;
}

// A writer killed in the middle of a change leaves a hot journal: the file
// may hold part of the change and the journal the pages to put back. A
// read-only connection may not put them back, so the engine reads nothing.
// Where the file and its folder may be written, a short read-write
// connection rolls the journal back in place, as the next writer would;
// otherwise the file and its journal are read through a private copy that is
// rolled back instead, and the user's file is left as it is.
std::unique_ptr<SqliteConnection> SqliteEngine::openAfterInterruptedWrite(const QString &path)
{
    const QFileInfo real(QFileInfo(path).canonicalFilePath());
    if (markedWritable(real) && markedWritable(QFileInfo(real.absolutePath())) && rollBackJournal(real.filePath())) {
        try {
            return openFile(path, OpenMode::ReadOnly);
        } catch (const DbError &) {
            // Still not readable in place: try the copy.
        }
    }
    auto dir = std::make_unique<QTemporaryDir>();
    const QString copy = dir->filePath(QStringLiteral("recovered.mdb"));
    if (!dir->isValid() || !QFile::copy(real.filePath(), copy) ||
        !QFile::copy(real.filePath() + QStringLiteral("-journal"), copy + QStringLiteral("-journal")) ||
        !QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner) ||
        !QFile::setPermissions(copy + QStringLiteral("-journal"), QFile::ReadOwner | QFile::WriteOwner) ||
        !rollBackJournal(copy))
        throw DbError(
            QStringLiteral("ファイル '%1' には書き込みの途中で中断された変更が残っていて、元に戻せないため読めません。")
                .arg(path),
            DbFailure::Damaged, path);
    std::unique_ptr<SqliteConnection> conn = openFile(copy, OpenMode::ReadOnly);
    conn->keepRecovered(std::move(dir));
    return conn;
}

std::unique_ptr<EngineConnection> SqliteEngine::create(const QString &path) const
{
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("ファイル '%1' は既に存在します。").arg(path));
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    auto conn = std::make_unique<SqliteConnection>(raw);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(raw));
        throw DbError(QStringLiteral("ファイル '%1' を作成できません: %2").arg(path, message),
                      sqliteFailure(rc, message), path);
    }
    sqlite3_busy_timeout(raw, 5000);
    // Writing the header makes the file exist on disk as a valid, empty database.
    conn->run(QStringLiteral("PRAGMA application_id = 1381644592"));
    return conn;
}

}  // namespace

const StoreEngine &sqliteEngine()
{
    static const SqliteEngine engine;
    return engine;
}

}  // namespace rz
