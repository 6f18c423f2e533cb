// Statements and questions about the schema on an open estimate file.
#include "sqliteconnection.h"

#include "store/database.h"

#include <QFileInfo>

namespace rz {

namespace {
QString messageOf(sqlite3 *db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

QString text(sqlite3_stmt *st, int i)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i));
}
}  // namespace

DbFailure sqliteFailure(int rc, const QString &message)
{
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DbFailure::Busy;
    case SQLITE_FULL:
        return DbFailure::DiskFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return DbFailure::ReadOnly;
    case SQLITE_CORRUPT:
        return DbFailure::Damaged;
    case SQLITE_NOTADB:
        return DbFailure::NotADatabase;
    case SQLITE_IOERR:
        return DbFailure::IoError;
    case SQLITE_CONSTRAINT:
        return DbFailure::Constraint;
    case SQLITE_ERROR:
        // The engine tells a missing table only by its text.
        if (message.startsWith(QLatin1String("no such table")))
            return DbFailure::MissingTable;
        break;
    default:
        break;
    }
    return DbFailure::Other;
}

DbError sqliteError(sqlite3 *db, int rc, const QString &message)
{
    const char *file = sqlite3_db_filename(db, "main");
    const DbFailure reason = sqliteFailure(rc, message);
    QString table;
    if (reason == DbFailure::MissingTable) {
        // "no such table: main.TBL00320": the name without the schema.
        table = message.section(u':', 1).trimmed();
        table = table.section(u'.', -1);
    }
    return DbError::fromEngine(message, reason, file ? QString::fromUtf8(file) : QString(), table);
}

void checkComplete(sqlite3 *db, const QString &schema, const QString &path)
{
    // Asked through the engine itself: opening a second descriptor on the
    // file would drop this process's locks on it when that descriptor closes.
    auto pragma = [&](const char *name) -> qint64 {
        sqlite3_stmt *st = nullptr;
        const QByteArray sql = QStringLiteral("PRAGMA %1.%2").arg(schema, QString::fromLatin1(name)).toUtf8();
        qint64 v = -1;
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            v = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return v;
    };
    const qint64 pageSize = pragma("page_size");
    const qint64 pages = pragma("page_count");
    const qint64 size = QFileInfo(path).size();
    if (pageSize <= 0 || pages < 0 || size % pageSize != 0 || pages * pageSize > size)
        throw DbError(QStringLiteral("ファイル '%1' は壊れています（ファイルが途中で切れています）。").arg(path),
                      DbFailure::Damaged, path);
}

// ---------------------------------------------------------------- Statement

SqliteStatement::SqliteStatement(sqlite3 *db, const QString &sql) : db_(db)
{
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &stmt_, nullptr) != SQLITE_OK) {
        const QString msg = messageOf(db);
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw sqliteError(db, sqlite3_errcode(db), msg);
    }
    if (!stmt_)
        throw DbError(QStringLiteral("空の SQL 文です。"));
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(stmt_); }

void SqliteStatement::bind(int index, const Value &value)
{
    int rc = SQLITE_OK;
    if (value.isNull()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else if (value.isInteger()) {
        rc = sqlite3_bind_int64(stmt_, index, value.toLong());
    } else if (value.isCurrency()) {
        // A CURRENCY is stored as its whole number of ten-thousandths.
        rc = sqlite3_bind_int64(stmt_, index, value.toCurrency().raw());
    } else if (value.isDouble()) {
        rc = sqlite3_bind_double(stmt_, index, value.toDouble());
    } else {
        const QByteArray t = value.toString().toUtf8();
        rc = sqlite3_bind_text(stmt_, index, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        throw sqliteError(db_, rc, messageOf(db_));
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (!sqlite3_stmt_readonly(stmt_))
        noteStoreWrite();
    if (rc == SQLITE_DONE)
        return false;
    const QString msg = messageOf(db_);
    sqlite3_reset(stmt_);
    throw sqliteError(db_, rc, msg);
}

void SqliteStatement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int SqliteStatement::columnCount() const { return sqlite3_column_count(stmt_); }

QString SqliteStatement::columnName(int i) const { return QString::fromUtf8(sqlite3_column_name(stmt_, i)); }

QString SqliteStatement::columnDecl(int i) const
{
    const char *d = sqlite3_column_decltype(stmt_, i);
    return d ? QString::fromUtf8(d) : QString();
}

qint64 SqliteStatement::columnInt64(int i) const { return sqlite3_column_int64(stmt_, i); }

void SqliteStatement::read(int first, int count, RawCell *cells, bool asText) const
{
    // One call that takes the connection's lock per column; the value it
    // gives is read without the lock.
    for (int n = 0; n < count; ++n) {
        RawCell &c = cells[n];
        sqlite3_value *v = sqlite3_column_value(stmt_, first + n);
        switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            c.kind = RawCell::Integer;
            c.integer = sqlite3_value_int64(v);
            if (!asText)
                continue;
            break;
        case SQLITE_FLOAT:
            c.kind = RawCell::Float;
            c.number = sqlite3_value_double(v);
            if (!asText)
                continue;
            break;
        case SQLITE_TEXT:
            c.kind = RawCell::Text;
            break;
        case SQLITE_NULL:
            c.kind = RawCell::Null;
            c.bytes = nullptr;
            c.size = 0;
            continue;
        default:
            c.kind = RawCell::Blob;
            c.bytes = static_cast<const char *>(sqlite3_value_blob(v));
            c.size = sqlite3_value_bytes(v);
            continue;
        }
        c.bytes = reinterpret_cast<const char *>(sqlite3_value_text(v));
        c.size = sqlite3_value_bytes(v);
    }
}

int SqliteStatement::changes() const { return sqlite3_changes(db_); }

// --------------------------------------------------------------- Connection

SqliteConnection::SqliteConnection(sqlite3 *db) : db_(db) {}

SqliteConnection::~SqliteConnection()
{
    schemaVersion_.reset();
    sqlite3_close_v2(db_);
}

QString SqliteConnection::fileName() const
{
    const char *file = sqlite3_db_filename(db_, "main");
    return file ? QString::fromUtf8(file) : QString();
}

void SqliteConnection::run(const QString &sql)
{
    char *err = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
    noteStoreWrite();
    const QString message = err ? QString::fromUtf8(err) : messageOf(db_);
    sqlite3_free(err);
    if (rc != SQLITE_OK)
        throw sqliteError(db_, rc, message);
}

std::unique_ptr<EngineStatement> SqliteConnection::prepare(const QString &sql)
{
    return std::make_unique<SqliteStatement>(db_, sql);
}

qint64 SqliteConnection::lastInsertRowid() const { return sqlite3_last_insert_rowid(db_); }

bool SqliteConnection::inTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

void SqliteConnection::rollBack(const QString &savepoint, bool outermost) noexcept
{
    // The outermost one ends the transaction outright: releasing it would
    // commit, and a commit that failed once (another program reading the
    // file) waits and fails again, leaving the file locked.
    const QString undo =
        outermost ? QStringLiteral("ROLLBACK") : QStringLiteral("ROLLBACK TO %1; RELEASE %1").arg(savepoint);
    sqlite3_exec(db_, undo.toUtf8().constData(), nullptr, nullptr, nullptr);
}

void SqliteConnection::setLockWait(int milliseconds) { sqlite3_busy_timeout(db_, milliseconds); }

qint64 SqliteConnection::pragma(const char *name)
{
    SqliteStatement st(db_, QStringLiteral("PRAGMA ") + QLatin1String(name));
    return st.step() ? st.columnInt64(0) : 0;
}

qint64 SqliteConnection::schemaVersion()
{
    if (!schemaVersion_)
        schemaVersion_ = std::make_unique<SqliteStatement>(db_, QStringLiteral("PRAGMA schema_version"));
    qint64 version = 0;
    if (schemaVersion_->step())
        version = schemaVersion_->columnInt64(0);
    schemaVersion_->reset();
    return version;
}

void SqliteConnection::reloadSchema()
{
    // New statements tell their columns as the engine last read the schema:
    // reading a table makes it read the schema again.
    SqliteStatement reload(db_, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    reload.step();
}

// The names of the schema's objects of a kind ("table", "index"), without the engine's own.
QStringList SqliteConnection::namesOf(const char *kind)
{
    QStringList names;
    SqliteStatement st(db_, QStringLiteral("SELECT name FROM sqlite_master WHERE type = ? AND name NOT LIKE "
                                           "'sqlite!_%' ESCAPE '!' ORDER BY name"));
    st.bind(1, Value(kind));
    while (st.step())
        names << text(st.stmt(), 0);
    return names;
}

bool SqliteConnection::exists(const char *kind, const QString &name)
{
    SqliteStatement st(db_, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = ? AND name = ? COLLATE NOCASE"));
    st.bind(1, Value(kind));
    st.bind(2, Value(name));
    return st.step();
}

QStringList SqliteConnection::tableNames() { return namesOf("table"); }

bool SqliteConnection::tableExists(const QString &name) { return exists("table", name); }

std::vector<ColumnDef> SqliteConnection::columnsIn(const QString &schema, const QString &table)
{
    std::vector<ColumnDef> cols;
    SqliteStatement st(db_, QStringLiteral("SELECT name, type FROM pragma_table_info(?, ?) ORDER BY cid"));
    st.bind(1, Value(table));
    st.bind(2, Value(schema));
    while (st.step())
        cols.push_back({text(st.stmt(), 0), text(st.stmt(), 1)});
    return cols;
}

std::vector<ColumnDef> SqliteConnection::columns(const QString &table)
{
    return columnsIn(QStringLiteral("main"), table);
}

std::vector<IndexDef> SqliteConnection::indexesIn(const QString &schema, const QString &table)
{
    std::vector<IndexDef> indexes;
    {
        SqliteStatement list(db_,
                             QStringLiteral("SELECT name, \"unique\" FROM pragma_index_list(?, ?) WHERE origin = 'c'"));
        list.bind(1, Value(table));
        list.bind(2, Value(schema));
        while (list.step())
            indexes.push_back({text(list.stmt(), 0), list.columnInt64(1) != 0, {}});
    }
    for (IndexDef &ix : indexes) {
        SqliteStatement cols(
            db_, QStringLiteral("SELECT name, desc FROM pragma_index_xinfo(?, ?) WHERE key = 1 ORDER BY seqno"));
        cols.bind(1, Value(ix.name));
        cols.bind(2, Value(schema));
        while (cols.step())
            ix.columns << quoteIdentifier(text(cols.stmt(), 0)) +
                              (cols.columnInt64(1) ? QStringLiteral(" DESC") : QString());
    }
    return indexes;
}

std::vector<IndexDef> SqliteConnection::indexes(const QString &table)
{
    return indexesIn(QStringLiteral("main"), table);
}

QStringList SqliteConnection::indexNames() { return namesOf("index"); }

bool SqliteConnection::indexExists(const QString &name) { return exists("index", name); }

QStringList SqliteConnection::integrityProblems()
{
    QStringList problems;
    SqliteStatement st(db_, QStringLiteral("PRAGMA integrity_check"));
    while (st.step()) {
        const QString line = text(st.stmt(), 0);
        if (line != QLatin1String("ok"))
            problems << line;
    }
    return problems;
}

QStringList SqliteConnection::definitions()
{
    QStringList out;
    SqliteStatement st(
        db_, QStringLiteral("SELECT type, name, tbl_name, ifnull(sql, '') FROM sqlite_master ORDER BY type, name"));
    while (st.step()) {
        QStringList parts;
        for (int i = 0; i < 4; ++i)
            parts << text(st.stmt(), i);
        out << parts.join(QChar(0x1f));
    }
    // The header values that identify the file.
    out << QStringLiteral("application_id=%1").arg(pragma("application_id"))
        << QStringLiteral("user_version=%1").arg(pragma("user_version"));
    return out;
}

void SqliteConnection::lockExclusively()
{
    // In exclusive locking mode the engine does not give back the lock a
    // transaction took: it is kept for as long as the connection lives.
    sqlite3_busy_timeout(db_, 1000);
    char *err = nullptr;
    const int rc =
        sqlite3_exec(db_, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;", nullptr, nullptr, &err);
    const QString detail = err ? QString::fromUtf8(err) : QString();
    sqlite3_free(err);
    if (rc == SQLITE_OK)
        return;
    sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
    const QString file = fileName();
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        throw DbError(QStringLiteral("ファイル '%1' は他のプログラムが使用中です。").arg(file), DbFailure::Busy, file);
    throw DbError::fromEngine(detail, DbFailure::Other, file);
}

void SqliteConnection::compactInto(const QString &targetPath)
{
    SqliteStatement st(db_, QStringLiteral("VACUUM INTO ?"));
    st.bind(1, Value(targetPath));
    st.step();
}

}  // namespace rz
