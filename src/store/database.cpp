// The store's front: what is the same on every engine. Reads convert the
// stored values by their declared column types here, so that every engine
// hands over its raw values alike and both item-table variants read alike.
#include "database.h"
#include "serverlocation.h"

#include "engine.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QRegularExpression>
#include <algorithm>
#include <sys/stat.h>

namespace rz {

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

QString textOf(const RawCell &c) { return QString::fromUtf8(c.bytes, c.size); }

}  // namespace

namespace {
qint64 writes = 0;  // the store is used from the main thread only
}  // namespace

void noteStoreWrite() { ++writes; }

quint64 storeTurn()
{
    static quint64 turns = 0;
    static bool armed = false;
    if (!armed && QCoreApplication::instance()) {
        armed = true;
        QTimer::singleShot(0, QCoreApplication::instance(), [] {
            ++turns;
            armed = false;
        });
    }
    return turns;
}

qint64 storeWrites() { return writes; }

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

Statement::Statement(const Database &db, const QString &sql) : impl_(db.engine().prepare(sql)) {}

Statement::~Statement() = default;

void Statement::bind(int index, const Value &value) { impl_->bind(index, value); }

void Statement::bindAll(const std::vector<Value> &values)
{
    for (size_t i = 0; i < values.size(); ++i)
        impl_->bind(static_cast<int>(i) + 1, values[i]);
}

bool Statement::step() { return impl_->step(); }

void Statement::reset() { impl_->reset(); }

int Statement::columnCount() const { return impl_->columnCount(); }

QString Statement::columnName(int i) const { return impl_->columnName(i); }

QString Statement::columnDecl(int i) const { return impl_->columnDecl(i); }

qint64 Statement::columnInt64(int i) const { return impl_->columnInt64(i); }

void Statement::readRaw(int first, int count, RawCell *cells, bool asText) const
{
    impl_->read(first, count, cells, asText);
}

int Statement::changes() const { return impl_->changes(); }

void Statement::queue(bool mustChange)
{
    try {
        impl_->queue(mustChange);
    } catch (...) {
        impl_->reset();
        throw;
    }
    impl_->reset();
}

Value Statement::column(int i, ColType type) const
{
    RawCell c;
    impl_->read(i, 1, &c, false);
    switch (c.kind) {
    case RawCell::Null:
        return Value();
    case RawCell::Text:
    case RawCell::Blob:
        if (type == ColType::Text || type == ColType::Other)
            return Value(textOf(c));
        // A number column holding text (written by another program): read
        // what it says, as the engine would convert it.
        return Value(textOf(c)).convertedFor(type);
    case RawCell::Integer:
    case RawCell::Float:
        break;
    }
    const bool whole = c.kind == RawCell::Integer;
    const double number = whole ? static_cast<double>(c.integer) : c.number;
    switch (type) {
    case ColType::Currency:
        if (whole)
            return Value(Currency::fromRaw(c.integer));
        return Value(Currency::fromDouble(number / Currency::Scale).value_or(Currency()));
    case ColType::Long:
    case ColType::Short:
        if (whole)
            return Value(c.integer);
        return Value(number).convertedFor(type);
    case ColType::Single:
        return Value(number);
    case ColType::Text:
        // A number in a text column reads as the engine writes it.
        impl_->read(i, 1, &c, true);
        return Value(textOf(c));
    case ColType::Other:
        return whole ? Value(c.integer) : Value(number);
    }
    return Value();
}

// ----------------------------------------------------------------- Database

Database::Database(std::unique_ptr<EngineConnection> conn, QString path) : conn_(std::move(conn)), path_(std::move(path))
{
}

Database::~Database() { close(); }

EngineConnection &Database::engine() const
{
    if (!conn_)
        throw DbError(QStringLiteral("データベースが開かれていません。"));
    return *conn_;
}

void Database::close()
{
    if (conn_) {
        try {
            conn_->flush();  // queued writes a caller left outside a transaction
        } catch (const DbError &) {
        }
    }
    forgetPrepared();
    conn_.reset();
}

std::unique_ptr<Database> Database::open(const QString &location, Mode mode)
{
    try {
        return std::unique_ptr<Database>(new Database(engineFor(location).open(location, mode), location));
    } catch (const DbError &e) {
        // A server that refused the password (not one that could not be
        // reached) has it asked again at the next opening.
        if (e.reason() == DbFailure::Other && isServerLocation(location))
            forgetPassword(location);
        throw;
    }
}

std::unique_ptr<Database> Database::create(const QString &location)
{
    return create(location, [](Database &) {});
}

std::unique_ptr<Database> Database::create(const QString &location, const std::function<void(Database &)> &fill)
{
    std::unique_ptr<Database> db(new Database(engineFor(location).create(location), location));
    fill(*db);
    db->conn_->finishCreation();
    return db;
}

int Database::execute(const QString &sql, const std::vector<Value> &params)
{
    EngineConnection &conn = engine();
    const QString verb = firstWord(sql);
    if (verb == QLatin1String("SELECT") && sql.contains(QLatin1String("INTO"), Qt::CaseInsensitive)) {
        static const QRegularExpression selectIntoRe(
            QStringLiteral(R"(^\s*SELECT\s+\*\s+INTO\s+(?:\[;DATABASE=([^\]]*)\]\.)?(\[[^\]]+\]|[\w$]+)\s+)"
                           R"(FROM\s+(?:\[;DATABASE=([^\]]*)\]\.)?(\[[^\]]+\]|[\w$]+)\s*;?\s*$)"),
            QRegularExpression::CaseInsensitiveOption);
        const auto m = selectIntoRe.match(sql);
        if (m.hasMatch()) {
            forgetPrepared();
            const auto here = [this](const QString &path) { return sameFile(path, path_) ? QString() : path; };
            return conn.selectInto(here(m.captured(1)), unbracket(m.captured(2)), here(m.captured(3)),
                                   unbracket(m.captured(4)));
        }
    }
    static const QStringList ddl{QStringLiteral("CREATE"), QStringLiteral("DROP"), QStringLiteral("ALTER")};
    if (ddl.contains(verb)) {
        forgetPrepared();
        Statement st(*this, sql);
        st.bindAll(params);
        while (st.step()) {
        }
        return st.changes();
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
    const int changed = st.changes();
    st.reset();
    return changed;
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
    auto st = std::make_unique<Statement>(*this, sql);
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

qint64 Database::lastInsertRowid() const { return engine().lastInsertRowid(); }

QStringList Database::tableNames() const { return engine().tableNames(); }

bool Database::tableExists(const QString &name) const { return engine().tableExists(unbracket(name)); }

std::vector<ColumnDef> Database::columns(const QString &table) const { return engine().columns(unbracket(table)); }

std::vector<IndexDef> Database::indexes(const QString &table) const { return engine().indexes(unbracket(table)); }

QStringList Database::indexNames() const { return engine().indexNames(); }

bool Database::indexExists(const QString &name) const { return engine().indexExists(unbracket(name)); }

qint64 Database::rowCount(const QString &table) const
{
    Statement st(*this, QStringLiteral("SELECT count(*) FROM ") + quoteIdentifier(unbracket(table)));
    return st.step() ? st.columnInt64(0) : 0;
}

QStringList Database::integrityProblems() const { return engine().integrityProblems(); }

QStringList Database::definitions() const { return engine().definitions(); }

void Database::createTable(const QString &name, const std::vector<ColumnDef> &columns)
{
    QStringList defs;
    for (const auto &c : columns)
        defs << quoteIdentifier(c.name) + u' ' + c.declared;
    execute(QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteIdentifier(unbracket(name)), defs.join(", ")));
}

void Database::dropTable(const QString &name)
{
    execute(QStringLiteral("DROP TABLE %1").arg(quoteIdentifier(unbracket(name))));
}

void Database::lockExclusively() { engine().lockExclusively(); }

void Database::compactInto(const QString &targetPath) { engine().compactInto(targetPath); }

void Database::setLockWait(int milliseconds) { engine().setLockWait(milliseconds); }

void Database::compactInPlace() { engine().compactInPlace(); }

void Database::flush() { engine().flush(); }

StoreTraffic Database::traffic() const { return conn_ ? conn_->traffic() : StoreTraffic(); }


std::unique_ptr<ChangeWatch> Database::watchChanges() { return engine().watch(); }

// -------------------------------------------------------------- Transaction

Transaction::Transaction(Database &db, TxWrites writes) : db_(db)
{
    name_ = QStringLiteral("rz_tx%1").arg(db_.txDepth_ + 1);
    outermost_ = !db_.engine().inTransaction();
    db_.execute(QStringLiteral("SAVEPOINT ") + name_);
    ++db_.txDepth_;
    together_ = writes == TxWrites::Together;
    batched_ = writes == TxWrites::Batched || together_;
    db_.batchDepth_ += batched_;
    db_.togetherDepth_ += together_;
}

Transaction::~Transaction()
{
    if (!done_ && db_.isOpen()) {
        db_.conn_->rollBack(name_, outermost_);
        --db_.txDepth_;
        db_.batchDepth_ -= batched_;
        db_.togetherDepth_ -= together_;
    }
}

void Transaction::commit()
{
    if (done_)
        return;
    // What waits is sent before the savepoint ends: its failure is this
    // transaction's, rolled back by it.
    db_.flush();
    db_.execute(QStringLiteral("RELEASE ") + name_);
    --db_.txDepth_;
    db_.batchDepth_ -= batched_;
    db_.togetherDepth_ -= together_;
    done_ = true;
}

}  // namespace rz
