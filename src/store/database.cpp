#include "database.h"

#include "recordset.h"

#include <QFile>
#include <algorithm>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <sqlite3.h>
#include <sys/stat.h>

namespace rz {

namespace {

QString engineMessage(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// The kind of an engine failure, which the windows tell apart.
DbFailure failureOf(int rc, const QString &message)
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

// The engine's failure with its kind and the file it happened on, so that
// the user can be told what happened in the program's words (failuretext.h).
DbError engineError(sqlite3 *db, int rc, const QString &message)
{
    const char *file = sqlite3_db_filename(db, "main");
    return DbError::fromEngine(message, failureOf(rc, message), file ? QString::fromUtf8(file) : QString());
}

// A copy cut short keeps a header that promises more pages than the file
// holds; the engine would only notice when it reaches the missing pages.
// Asked through the engine itself: opening a second descriptor on the file
// would drop this process's locks on it when that descriptor closes.
void checkComplete(sqlite3 *db, const QString &schema, const QString &path)
{
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

// Writable by this user and not marked read-only by its owner: the mark is
// respected even by a user who could override it (root).
bool markedWritable(const QFileInfo &fi)
{
    return fi.isWritable() && (fi.permissions() & QFile::WriteOwner);
}

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

}  // namespace

bool sameFile(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    struct stat sa {}, sb {};
    if (::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

QString quoteIdentifier(const QString &name)
{
    QString n = name;
    return u'"' + n.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

QString unbracket(const QString &name)
{
    QString n = name.trimmed();
    if ((n.startsWith(u'[') && n.endsWith(u']')) || (n.startsWith(u'"') && n.endsWith(u'"')))
        n = n.mid(1, n.size() - 2);
    return n;
}

// ---------------------------------------------------------------- Statement

Statement::Statement(sqlite3 *db, const QString &sql) : db_(db)
{
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &stmt_, nullptr) != SQLITE_OK) {
        const QString msg = engineMessage(db);
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw engineError(db, sqlite3_errcode(db), msg);
    }
    if (!stmt_)
        throw DbError(QStringLiteral("空の SQL 文です。"));
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

void Statement::bind(int index, const Value &value)
{
    int rc = SQLITE_OK;
    if (value.isNull()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else if (value.isInteger()) {
        rc = sqlite3_bind_int64(stmt_, index, value.toLong());
    } else if (value.isCurrency()) {
        rc = sqlite3_bind_int64(stmt_, index, value.toCurrency().raw());
    } else if (value.isDouble()) {
        rc = sqlite3_bind_double(stmt_, index, value.toDouble());
    } else {
        const QByteArray t = value.toString().toUtf8();
        rc = sqlite3_bind_text(stmt_, index, t.constData(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        throw engineError(db_, rc, engineMessage(db_));
}

void Statement::bindAll(const std::vector<Value> &values)
{
    for (size_t i = 0; i < values.size(); ++i)
        bind(static_cast<int>(i) + 1, values[i]);
}

bool Statement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const QString msg = engineMessage(db_);
    sqlite3_reset(stmt_);
    throw engineError(db_, rc, msg);
}

void Statement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int Statement::columnCount() const { return sqlite3_column_count(stmt_); }

QString Statement::columnName(int i) const { return QString::fromUtf8(sqlite3_column_name(stmt_, i)); }

QString Statement::columnDecl(int i) const
{
    const char *d = sqlite3_column_decltype(stmt_, i);
    return d ? QString::fromUtf8(d) : QString();
}

qint64 Statement::columnInt64(int i) const { return sqlite3_column_int64(stmt_, i); }

Value Statement::column(int i, ColType type) const
{
    const int kind = sqlite3_column_type(stmt_, i);
    if (kind == SQLITE_NULL)
        return Value();
    if (kind == SQLITE_TEXT || kind == SQLITE_BLOB) {
        const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, i));
        const QString s = QString::fromUtf8(t, sqlite3_column_bytes(stmt_, i));
        if (type == ColType::Text || type == ColType::Other)
            return Value(s);
        // A number column holding text (written by another program): read
        // what it says, as the engine would convert it.
        return Value(s).convertedFor(type);
    }
    switch (type) {
    case ColType::Currency:
        if (kind == SQLITE_INTEGER)
            return Value(Currency::fromRaw(sqlite3_column_int64(stmt_, i)));
        return Value(Currency::fromDouble(sqlite3_column_double(stmt_, i) / Currency::Scale).value_or(Currency()));
    case ColType::Long:
    case ColType::Short:
        if (kind == SQLITE_INTEGER)
            return Value(static_cast<qint64>(sqlite3_column_int64(stmt_, i)));
        return Value(sqlite3_column_double(stmt_, i)).convertedFor(type);
    case ColType::Single:
        return Value(sqlite3_column_double(stmt_, i));
    case ColType::Text:
        return Value(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt_, i))));
    case ColType::Other:
        if (kind == SQLITE_INTEGER)
            return Value(static_cast<qint64>(sqlite3_column_int64(stmt_, i)));
        return Value(sqlite3_column_double(stmt_, i));
    }
    return Value();
}

// ----------------------------------------------------------------- Database

Database::Database(sqlite3 *db, QString path) : db_(db), path_(std::move(path)) {}

Database::~Database() { close(); }

void Database::close()
{
    forgetPrepared();
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

std::unique_ptr<Database> Database::open(const QString &path, Mode mode)
{
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.exists())
        throw DbError(QStringLiteral("ファイル '%1' が見つかりません。").arg(path), DbFailure::NotFound, path);
    if (!fi.isFile())
        throw DbError(QStringLiteral("'%1' はファイルではありません。").arg(path), DbFailure::NotFound, path);
    // A file marked read-only stays read-only even for a user who could
    // override the mark (root), as the user asked.
    if (mode == Mode::ReadWrite && !markedWritable(fi))
        throw DbError(QStringLiteral("ファイル '%1' は読み取り専用のため開けません。").arg(path), DbFailure::ReadOnly, path);
    // Every change writes a journal beside the file; in a folder that cannot
    // take it the first save would fail and the typing would be lost.
    if (mode == Mode::ReadWrite && !markedWritable(QFileInfo(QFileInfo(fi.canonicalFilePath()).absolutePath())))
        throw DbError(QStringLiteral("ファイル '%1' は読み取り専用のフォルダにあるため開けません。").arg(path),
                      DbFailure::ReadOnly, path);
    sqlite3 *raw = nullptr;
    const int flags = (mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) |
                      SQLITE_OPEN_FULLMUTEX;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    std::unique_ptr<Database> db(new Database(raw, path));
    if (rc != SQLITE_OK)
        throw DbError(QStringLiteral("ファイル '%1' を開けません: %2").arg(path, engineMessage(raw)),
                      failureOf(rc, engineMessage(raw)), path);
    sqlite3_extended_result_codes(raw, 0);
    try {
        Statement probe(raw, QStringLiteral("SELECT count(*) FROM sqlite_master"));
        probe.step();
    } catch (const DbError &e) {
        if (mode == Mode::ReadOnly && sqlite3_extended_errcode(raw) == SQLITE_READONLY_ROLLBACK) {
            db.reset();
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
    if (mode == Mode::ReadWrite) {
        // Refuse a file another program holds for writing now rather than at
        // the first save, when the user's typing would be lost.
        sqlite3_busy_timeout(raw, 300);
        char *err = nullptr;
        const int lrc = sqlite3_exec(raw, "BEGIN IMMEDIATE; ROLLBACK;", nullptr, nullptr, &err);
        sqlite3_free(err);
        if (lrc != SQLITE_OK) {
            sqlite3_exec(raw, "ROLLBACK;", nullptr, nullptr, nullptr);
            if (lrc == SQLITE_BUSY || lrc == SQLITE_LOCKED)
                throw DbError(QStringLiteral("ファイル '%1' は他のプログラムが使用中です。").arg(path), DbFailure::Busy, path);
            if (lrc == SQLITE_READONLY)
                throw DbError(QStringLiteral("ファイル '%1' は読み取り専用のため開けません。").arg(path), DbFailure::ReadOnly,
                              path);
            throw DbError(QStringLiteral("ファイル '%1' を開けません: %2").arg(path, engineMessage(raw)),
                          failureOf(lrc, engineMessage(raw)), path);
        }
    }
    sqlite3_busy_timeout(raw, 5000);
    return db;
}

// A writer killed in the middle of a change leaves a hot journal: the file
// may hold part of the change and the journal the pages to put back. A
// read-only connection may not put them back, so the engine reads nothing.
// Where the file and its folder may be written, a short read-write
// connection rolls the journal back in place, as the next writer would;
// otherwise the file and its journal are read through a private copy that is
// rolled back instead, and the user's file is left as it is.
std::unique_ptr<Database> Database::openAfterInterruptedWrite(const QString &path)
{
    const QFileInfo real(QFileInfo(path).canonicalFilePath());
    if (markedWritable(real) && markedWritable(QFileInfo(real.absolutePath())) && rollBackJournal(real.filePath())) {
        try {
            return open(path, Mode::ReadOnly);
        } catch (const DbError &) {
            // Still not readable in place: try the copy.
        }
    }
    auto dir = std::make_unique<QTemporaryDir>();
    const QString copy = dir->filePath(QStringLiteral("recovered.mdb"));
    if (!dir->isValid() || !QFile::copy(real.filePath(), copy)
        || !QFile::copy(real.filePath() + QStringLiteral("-journal"), copy + QStringLiteral("-journal"))
        || !QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner)
        || !QFile::setPermissions(copy + QStringLiteral("-journal"), QFile::ReadOwner | QFile::WriteOwner)
        || !rollBackJournal(copy))
        throw DbError(QStringLiteral("ファイル '%1' には書き込みの途中で中断された変更が残っていて、元に戻せないため読めません。")
                          .arg(path), DbFailure::Damaged, path);
    std::unique_ptr<Database> db = open(copy, Mode::ReadOnly);
    db->path_ = path;
    db->copyDir_ = std::move(dir);
    return db;
}

std::unique_ptr<Database> Database::create(const QString &path)
{
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("ファイル '%1' は既に存在します。").arg(path));
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    std::unique_ptr<Database> db(new Database(raw, path));
    if (rc != SQLITE_OK)
        throw DbError(QStringLiteral("ファイル '%1' を作成できません: %2").arg(path, engineMessage(raw)),
                      failureOf(rc, engineMessage(raw)), path);
    sqlite3_busy_timeout(raw, 5000);
    // Writing the header makes the file exist on disk as a valid, empty database.
    db->execute(QStringLiteral("PRAGMA application_id = 1381644592"));
    return db;
}

namespace {
// The first word of a statement, upper-case: the kinds the layer treats
// apart are told by it, without a pattern match on every statement.
QString firstWord(const QString &sql)
{
    int i = 0;
    while (i < sql.size() && sql[i].isSpace())
        ++i;
    int j = i;
    while (j < sql.size() && sql[j].isLetter())
        ++j;
    return sql.mid(i, j - i).toUpper();
}
}  // namespace

int Database::execute(const QString &sql, const std::vector<Value> &params)
{
    if (!db_)
        throw DbError(QStringLiteral("データベースが開かれていません。"));
    const QString verb = firstWord(sql);
    if (verb == QLatin1String("SELECT") && sql.contains(QLatin1String("INTO"), Qt::CaseInsensitive)) {
        static const QRegularExpression selectIntoRe(
            QStringLiteral(R"(^\s*SELECT\s+\*\s+INTO\s+(?:\[;DATABASE=([^\]]*)\]\.)?(\[[^\]]+\]|[\w$]+)\s+)"
                           R"(FROM\s+(?:\[;DATABASE=([^\]]*)\]\.)?(\[[^\]]+\]|[\w$]+)\s*;?\s*$)"),
            QRegularExpression::CaseInsensitiveOption);
        const auto m = selectIntoRe.match(sql);
        if (m.hasMatch()) {
            selectInto(m.captured(1), unbracket(m.captured(2)), m.captured(3), unbracket(m.captured(4)));
            return static_cast<int>(sqlite3_changes(db_));
        }
    }
    static const QStringList ddl{QStringLiteral("CREATE"), QStringLiteral("DROP"),   QStringLiteral("ALTER"),
                                 QStringLiteral("VACUUM"), QStringLiteral("ATTACH"), QStringLiteral("DETACH")};
    if (ddl.contains(verb)) {
        forgetPrepared();
        Statement st(db_, sql);
        st.bindAll(params);
        while (st.step()) {
        }
        return sqlite3_changes(db_);
    }
    Statement &st = prepared(sql);
    try {
        st.bindAll(params);
        while (st.step()) {
        }
    } catch (...) {
        st.reset();
        throw;
    }
    st.reset();
    return sqlite3_changes(db_);
}

std::shared_ptr<const RecordsetShape> Database::recordsetShape(const QString &sql, RecordsetType type)
{
    // Another program may have changed a table since a shape was made (an
    // estimate deleted and made again with the other column set): shapes and
    // prepared statements are kept only while the schema stays the same.
    qint64 version = 0;
    {
        Statement &st = prepared(QStringLiteral("PRAGMA schema_version"));
        if (st.step())
            version = st.columnInt64(0);
        st.reset();
    }
    if (version != shapesVersion_) {
        // Prepared statements tell their columns as they were when prepared,
        // and new ones as the engine last read the schema: reading a table
        // makes it read the schema again.
        forgetPrepared();
        Statement reload(db_, QStringLiteral("SELECT count(*) FROM sqlite_master"));
        reload.step();
        shapesVersion_ = version;
    }
    const QString key = (type == RecordsetType::Dynaset ? QStringLiteral("D") : QStringLiteral("S")) + sql;
    for (auto it = shapes_.begin(); it != shapes_.end(); ++it) {
        if (it->first == key) {
            auto shape = it->second;
            shapes_.erase(it);
            shapes_.emplace_back(key, shape);
            return shape;
        }
    }
    auto shape = RecordsetShape::make(*this, sql, type);
    if (shapes_.size() >= 48)
        shapes_.erase(shapes_.begin());
    shapes_.emplace_back(key, shape);
    return shape;
}

Statement &Database::prepared(const QString &sql)
{
    for (auto it = prepared_.begin(); it != prepared_.end(); ++it) {
        if (it->first == sql) {
            if (std::next(it) != prepared_.end())
                std::rotate(it, std::next(it), prepared_.end());
            Statement &st = *prepared_.back().second;
            st.reset();
            return st;
        }
    }
    auto st = std::make_unique<Statement>(db_, sql);
    if (prepared_.size() >= 48)
        prepared_.erase(prepared_.begin());
    prepared_.emplace_back(sql, std::move(st));
    return *prepared_.back().second;
}

void Database::forgetPrepared()
{
    prepared_.clear();
    shapes_.clear();
}

QString Database::schemaFor(const QString &path, std::vector<QString> &attached)
{
    if (path.isEmpty() || sameFile(path, path_))
        return QStringLiteral("main");
    for (size_t i = 0; i < attached.size(); ++i)
        if (sameFile(attached[i], path))
            return QStringLiteral("rzx%1").arg(i + 1);
    if (!QFileInfo::exists(path))
        throw DbError(QStringLiteral("ファイル '%1' が見つかりません。").arg(path), DbFailure::NotFound, path);
    attached.push_back(path);
    const QString schema = QStringLiteral("rzx%1").arg(attached.size());
    Statement st(db_, QStringLiteral("ATTACH DATABASE ? AS ") + schema);
    st.bind(1, Value(path));
    st.step();
    checkComplete(db_, schema, path);
    return schema;
}

void Database::selectInto(const QString &targetPath, const QString &targetTable,
                          const QString &sourcePath, const QString &sourceTable)
{
    forgetPrepared();
    std::vector<QString> attached;
    auto detachAll = [&] {
        for (size_t i = attached.size(); i > 0; --i)
            sqlite3_exec(db_, QStringLiteral("DETACH DATABASE rzx%1").arg(i).toUtf8().constData(), nullptr,
                         nullptr, nullptr);
    };
    try {
        const QString src = schemaFor(sourcePath, attached);
        const QString dst = schemaFor(targetPath, attached);
        std::vector<ColumnDef> cols;
        {
            Statement info(db_, QStringLiteral("SELECT name, type FROM pragma_table_info(?, ?) ORDER BY cid"));
            info.bind(1, Value(sourceTable));
            info.bind(2, Value(src));
            while (info.step())
                cols.push_back({info.column(0, ColType::Text).toString(), info.column(1, ColType::Text).toString()});
        }
        if (cols.empty())
            throw DbError(QStringLiteral("入力テーブル '%1' が見つかりません。").arg(sourceTable));
        QStringList defs;
        for (const auto &c : cols)
            defs << quoteIdentifier(c.name) + u' ' + c.declared;
        Transaction tx(*this);
        execute(QStringLiteral("CREATE TABLE %1.%2 (%3)").arg(dst, quoteIdentifier(targetTable), defs.join(", ")));
        execute(QStringLiteral("INSERT INTO %1.%2 SELECT * FROM %3.%4")
                    .arg(dst, quoteIdentifier(targetTable), src, quoteIdentifier(sourceTable)));
        const int copied = sqlite3_changes(db_);
        tx.commit();
        detachAll();
        Q_UNUSED(copied);
    } catch (...) {
        detachAll();
        throw;
    }
}

std::unique_ptr<Recordset> Database::openRecordset(const QString &sql, RecordsetType type,
                                                   const std::vector<Value> &params)
{
    return std::make_unique<Recordset>(*this, sql, type, params);
}

qint64 Database::lastInsertRowid() const { return sqlite3_last_insert_rowid(db_); }

QStringList Database::tableNames() const
{
    QStringList names;
    Statement st(db_, QStringLiteral(
                          "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite!_%' "
                          "ESCAPE '!' ORDER BY name"));
    while (st.step())
        names << st.column(0, ColType::Text).toString();
    return names;
}

bool Database::tableExists(const QString &name) const
{
    Statement st(db_, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"));
    st.bind(1, Value(unbracket(name)));
    return st.step();
}

std::vector<ColumnDef> Database::columns(const QString &table) const
{
    std::vector<ColumnDef> cols;
    Statement st(db_, QStringLiteral("SELECT name, type FROM pragma_table_info(?) ORDER BY cid"));
    st.bind(1, Value(unbracket(table)));
    while (st.step())
        cols.push_back({st.column(0, ColType::Text).toString(), st.column(1, ColType::Text).toString()});
    return cols;
}

void Database::createTable(const QString &name, const std::vector<ColumnDef> &columns)
{
    forgetPrepared();
    QStringList defs;
    for (const auto &c : columns)
        defs << quoteIdentifier(c.name) + u' ' + c.declared;
    execute(QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteIdentifier(unbracket(name)), defs.join(", ")));
}

void Database::dropTable(const QString &name)
{
    execute(QStringLiteral("DROP TABLE %1").arg(quoteIdentifier(unbracket(name))));
}

void Database::compactInto(const QString &targetPath)
{
    Statement st(db_, QStringLiteral("VACUUM INTO ?"));
    st.bind(1, Value(targetPath));
    st.step();
}

// -------------------------------------------------------------- Transaction

Transaction::Transaction(Database &db) : db_(db)
{
    name_ = QStringLiteral("rz_tx%1").arg(db_.txDepth_ + 1);
    outermost_ = sqlite3_get_autocommit(db_.handle()) != 0;
    db_.execute(QStringLiteral("SAVEPOINT ") + name_);
    ++db_.txDepth_;
}

Transaction::~Transaction()
{
    if (!done_ && db_.isOpen()) {
        // The outermost one ends the transaction outright: releasing it
        // would commit, and a commit that failed once (another program
        // reading the file) waits and fails again, leaving the file locked.
        const QString undo = outermost_ ? QStringLiteral("ROLLBACK")
                                        : QStringLiteral("ROLLBACK TO %1; RELEASE %1").arg(name_);
        sqlite3_exec(db_.handle(), undo.toUtf8().constData(), nullptr, nullptr, nullptr);
        --db_.txDepth_;
    }
}

void Transaction::commit()
{
    if (done_)
        return;
    db_.execute(QStringLiteral("RELEASE ") + name_);
    --db_.txDepth_;
    done_ = true;
}

}  // namespace rz
