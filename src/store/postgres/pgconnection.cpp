// The conversation with the server: connecting (with the password asked
// once and kept in memory), one pipeline of requests per exchange, bounded
// waits, failures in the store's terms, and the transaction statements
// kept in order and sent with the next request.
#include "pgconnection.h"

#include "store/currency.h"
#include "store/database.h"

#include <QElapsedTimer>
#include <QHash>
#include <poll.h>

namespace rz {

namespace {
// Queued writes go out in exchanges of this many: enough to cost little per
// row, few enough that neither side's buffer fills while the other waits.
constexpr size_t kQueueChunk = 1000;

// The identifier at a 1-based character position of a statement: the
// table the server said is missing.
QString nameAt(const QByteArray &sql, const char *position)
{
    if (!position)
        return QString();
    const QString text = QString::fromUtf8(sql);
    int i = QByteArray(position).toInt() - 1;
    if (i < 0 || i >= text.size())
        return QString();
    if (text[i] == u'"')
        return text.mid(i + 1, text.indexOf(u'"', i + 1) - i - 1).toUpper();
    int j = i;
    while (j < text.size() && (text[j].isLetterOrNumber() || text[j] == u'_'))
        ++j;
    return text.mid(i, j - i).toUpper();
}
}  // namespace

qint64 monotonicMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

DbFailure pgFailure(const QByteArray &state)
{
    if (state == "42P01")
        return DbFailure::MissingTable;
    if (state == "40001" || state == "40P01" || state == "55P03" || state == "57014")
        return DbFailure::Busy;  // serialization failure, deadlock, lock wait, cancelled: try again
    if (state == "42501" || state == "25006")
        return DbFailure::ReadOnly;
    if (state.startsWith("08") || state == "57P01" || state == "57P02" || state == "57P03")
        return DbFailure::ConnectionLost;
    if (state == "53100")
        return DbFailure::DiskFull;
    if (state.startsWith("23") || state == "22001")
        return DbFailure::Constraint;  // 22001: a text longer than its column
    if (state.startsWith("22"))
        return DbFailure::TypeMismatch;
    if (state == "XX001" || state == "XX002")
        return DbFailure::Damaged;
    if (state == "58030")
        return DbFailure::IoError;
    if (state == "3D000" || state == "3F000")
        return DbFailure::NotFound;
    return DbFailure::Other;
}

QString pgErrorText(PGconn *conn) { return QString::fromUtf8(PQerrorMessage(conn)).trimmed(); }

std::optional<QByteArray> pgText(const Value &v)
{
    if (v.isNull())
        return std::nullopt;
    if (v.isInteger())
        return QByteArray::number(v.toLong());
    if (v.isCurrency()) {
        const qint64 raw = v.toCurrency().raw();
        const quint64 mag = raw < 0 ? 0 - quint64(raw) : quint64(raw);
        QByteArray t = QByteArray::number(mag / Currency::Scale) + '.' +
                       QByteArray::number(mag % Currency::Scale).rightJustified(4, '0');
        return raw < 0 ? '-' + t : t;
    }
    if (v.isDouble())
        return QByteArray::number(v.toDouble(), 'g', 17);
    return v.toString().toUtf8();
}

// --------------------------------------------------------------- Connection

PgConnection::PgConnection(const QString &location, const ServerLocation &server, OpenMode mode,
                           std::optional<QString> password)
    : location_(location), server_(server), mode_(mode), password_(std::move(password))
{
    connect();
}

PgConnection::~PgConnection()
{
    if (conn_)
        PQfinish(conn_);
}

void PgConnection::connect()
{
    std::vector<QByteArray> keys, values;
    const auto set = [&](const char *key, const QString &value) {
        for (const QByteArray &k : keys)
            if (k == key)
                return;
        keys.emplace_back(key);
        values.push_back(value.toUtf8());
    };
    for (const auto &[key, value] : server_.keywords)
        set(key.toUtf8().constData(), value);
    // A server that is gone is noticed within seconds: the connection is
    // refused after 5, and a connection that stops answering is closed by
    // the system after about 9 (keepalives on an idle connection, the user
    // timeout on unanswered data).
    set("connect_timeout", QStringLiteral("5"));
    set("keepalives", QStringLiteral("1"));
    set("keepalives_idle", QStringLiteral("3"));
    set("keepalives_interval", QStringLiteral("2"));
    set("keepalives_count", QStringLiteral("3"));
    set("tcp_user_timeout", QStringLiteral("9000"));
    set("application_name", QStringLiteral("rz90"));
    set("client_encoding", QStringLiteral("UTF8"));
    // The schema is the estimate file: the program's unqualified names are its tables.
    QString options = QStringLiteral("-c search_path=%1 -c lock_timeout=%2 -c client_connection_check_interval=5000")
                          .arg(server_.schema)
                          .arg(lockWaitMs_);
    if (mode_ == OpenMode::ReadOnly)
        options += QStringLiteral(" -c default_transaction_read_only=on");
    set("options", options);
    if (password_)
        set("password", *password_);
    std::vector<const char *> k, v;
    for (size_t i = 0; i < keys.size(); ++i)
        k.push_back(keys[i].constData()), v.push_back(values[i].constData());
    k.push_back(nullptr), v.push_back(nullptr);
    if (conn_)
        PQfinish(conn_);
    conn_ = PQconnectdbParams(k.data(), v.data(), 0);
    if (PQstatus(conn_) != CONNECTION_OK) {
        const QString why = pgErrorText(conn_);
        if (PQconnectionNeedsPassword(conn_) && !password_) {
            // Asked once per session; kept in memory only.
            password_ = askPassword(server_.describe());
            if (password_) {
                connect();
                return;
            }
        }
        const bool refused = PQconnectionNeedsPassword(conn_) || why.contains(QLatin1String("authentication"));
        if (refused)
            password_.reset();
        PQfinish(conn_);
        conn_ = nullptr;
        throw DbError(QStringLiteral("サーバー %1 に接続できません: %2").arg(server_.describe(), why),
                      refused ? DbFailure::Other : DbFailure::ConnectionLost, location_);
    }
    if (qstrcmp(PQparameterStatus(conn_, "server_encoding"), "UTF8") != 0) {
        PQfinish(conn_);
        conn_ = nullptr;
        throw DbError(QStringLiteral("サーバー %1 のデータベースは文字コードが UTF8 でないため使えません。")
                          .arg(server_.describe()),
                      DbFailure::NotADatabase, location_);
    }
    // What the server says outside a request goes nowhere, except that it
    // ended the connection (a shutdown, a restart).
    serverEnded_ = false;
    PQsetNoticeReceiver(
        conn_,
        [](void *self, const PGresult *r) {
            const char *severity = PQresultErrorField(r, PG_DIAG_SEVERITY_NONLOCALIZED);
            if (qstrcmp(severity, "FATAL") == 0 || qstrcmp(severity, "PANIC") == 0)
                static_cast<PgConnection *>(self)->serverEnded_ = true;
        },
        this);
    PQenterPipelineMode(conn_);
    ++generation_;
    unprepared_.clear();
}

void PgConnection::reconnect()
{
    queued_.clear();
    pendingControl_.clear();
    unusedNames_.clear();
    connect();
    ++reconnects_;
}

void PgConnection::ensureConnected()
{
    if (conn_ && PQstatus(conn_) == CONNECTION_OK) {
        // A server that ended the connection since the last command (it was
        // restarted) has said so on the socket: read it before sending, so
        // that the command goes to a new connection instead of failing.
        pollfd p{PQsocket(conn_), POLLIN, 0};
        if (::poll(&p, 1, 0) > 0 && PQconsumeInput(conn_))
            PQisBusy(conn_);  // reads what the server said while idle
        if (PQstatus(conn_) == CONNECTION_OK && !serverEnded_)
            return;
    }
    // A transaction the server lost is not begun again behind the caller's
    // back; one of which nothing was sent yet goes to the new connection.
    if (txDepth_ > 0 && txSent_)
        throw DbError(QStringLiteral("サーバー %1 との接続が切れたため、この操作は保存されていません。")
                          .arg(server_.describe()),
                      DbFailure::ConnectionLost, location_);
    const QStringList pending = pendingControl_;
    const auto queued = std::move(queued_);
    reconnect();
    pendingControl_ = pending;
    queued_ = queued;
    // Statements waiting to be sent were to be prepared on the old connection.
    for (Queued &q : queued_)
        if (q.sql.isEmpty())
            throw DbError(QStringLiteral("サーバー %1 との接続が切れたため、この操作は保存されていません。")
                              .arg(server_.describe()),
                          DbFailure::ConnectionLost, location_);
}

void PgConnection::lost(const QString &why)
{
    if (conn_)
        PQfinish(conn_);
    conn_ = nullptr;
    queued_.clear();
    pendingControl_.clear();
    throw DbError(QStringLiteral("サーバー %1 との接続が切れました: %2").arg(server_.describe(), why),
                  DbFailure::ConnectionLost, location_);
}

bool PgConnection::waitFor(short events, qint64 deadline)
{
    for (;;) {
        const qint64 left = deadline - monotonicMs();
        if (left <= 0)
            return false;
        pollfd p{PQsocket(conn_), events, 0};
        const int n = ::poll(&p, 1, int(std::min<qint64>(left, 1000)));
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            return true;  // the read that follows says what is wrong
    }
}

PgResult PgConnection::nextResult(qint64 deadline)
{
    while (PQisBusy(conn_)) {
        if (!waitFor(POLLIN, deadline))
            lost(QStringLiteral("%1 秒以内に応答がありません。").arg((kReplyLimitMs + 999) / 1000));
        if (!PQconsumeInput(conn_))
            lost(pgErrorText(conn_));
    }
    return PgResult(PQgetResult(conn_));
}

DbError PgConnection::failure(const PGresult *r, const QByteArray &sql) const
{
    const QByteArray state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
    QString message = QString::fromUtf8(PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY));
    if (message.isEmpty())
        message = QString::fromUtf8(PQresultErrorMessage(r)).trimmed();
    const DbFailure reason = pgFailure(state);
    if (state == "25P02" && txFailure_)
        return *txFailure_;  // the failure that spoilt the transaction, not its echo
    return DbError::fromEngine(message, reason, location_,
                               reason == DbFailure::MissingTable
                                   ? nameAt(sql, PQresultErrorField(r, PG_DIAG_STATEMENT_POSITION))
                                   : QString());
}

std::vector<PgResult> PgConnection::exchange(const std::vector<PgCommand> &commands, int replyLimitMs)
{
    if (txFailure_ && pendingControl_.isEmpty())
        throw *txFailure_;
    ensureConnected();
    // What waits goes first: names to let go of (outside a transaction,
    // where a failure spoils nothing), the transaction statements, the
    // queued writes; then the commands.
    std::vector<PgCommand> own;
    std::vector<PgParams> ownParams;
    ownParams.reserve(queued_.size());
    const bool releaseNames = txDepth_ == 0 && !unusedNames_.isEmpty();
    if (releaseNames)
        for (const QByteArray &name : unusedNames_)
            own.push_back({PgCommand::Text, {}, "DEALLOCATE " + name, nullptr});
    const size_t namesEnd = own.size();
    for (const QString &c : pendingControl_)
        own.push_back({PgCommand::Text, {}, c.toUtf8(), nullptr});
    for (Queued &q : queued_) {
        if (!q.sql.isEmpty())
            own.push_back({PgCommand::Prepare, q.name, q.sql, nullptr});
        ownParams.push_back(std::move(q.params));
        own.push_back({PgCommand::Run, q.name, {}, &ownParams.back()});
        own.back().mustChange = q.mustChange;
    }
    queued_.clear();
    pendingControl_.clear();
    if (releaseNames)
        unusedNames_.clear();

    std::vector<const PgCommand *> all;
    for (const PgCommand &c : own)
        all.push_back(&c);
    for (const PgCommand &c : commands)
        all.push_back(&c);
    const auto send = [this](const PgCommand &c) {
        std::vector<const char *> values;
        if (c.params)
            for (const auto &p : *c.params)
                values.push_back(p ? p->constData() : nullptr);
        const int n = int(values.size());
        switch (c.kind) {
        case PgCommand::Text:
            return PQsendQueryParams(conn_, c.sql.constData(), n, nullptr, values.data(), nullptr, nullptr, 0);
        case PgCommand::Prepare:
            return PQsendPrepare(conn_, c.name.constData(), c.sql.constData(), 0, nullptr);
        case PgCommand::Run:
            return PQsendQueryPrepared(conn_, c.name.constData(), n, values.data(), nullptr, nullptr, 0);
        case PgCommand::Describe:
            return PQsendDescribePrepared(conn_, c.name.constData());
        }
        return 0;
    };
    for (size_t i = 0; i < all.size(); ++i) {
        if (!send(*all[i]))
            lost(pgErrorText(conn_));
        // The names let go of form a group of their own: a failure there
        // aborts none of the rest.
        if (i + 1 == namesEnd && releaseNames && !PQpipelineSync(conn_))
            lost(pgErrorText(conn_));
    }
    if (!PQpipelineSync(conn_) || PQflush(conn_) != 0)
        lost(pgErrorText(conn_));
    ++roundTrips_;
    // The server holds the transaction from here, also when a command of
    // this request fails: a rollback must reach it, or the connection stays
    // in a spoilt transaction that refuses every later command.
    if (txDepth_ > 0)
        txSent_ = true;

    const qint64 deadline = monotonicMs() + (replyLimitMs > 0 ? replyLimitMs : kReplyLimitMs);
    std::optional<DbError> error;
    size_t failedAt = all.size();
    std::vector<PgResult> results;
    bool wrote = false;
    const auto readSync = [&] {
        PgResult sync = nextResult(deadline);
        if (!sync || PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC)
            lost(pgErrorText(conn_));
    };
    for (size_t i = 0; i < all.size(); ++i) {
        PgResult r = nextResult(deadline);
        if (!r)
            lost(pgErrorText(conn_));
        const ExecStatusType st = PQresultStatus(r.get());
        // Every command's results end with an empty one.
        for (PgResult extra = nextResult(deadline); extra; extra = nextResult(deadline)) {
        }
        const bool ownName = releaseNames && i < namesEnd;
        if (!ownName && !error) {
            if (st == PGRES_FATAL_ERROR)
                error = failure(r.get(), all[i]->sql), failedAt = i;
            else if (all[i]->mustChange && QByteArray(PQcmdTuples(r.get())) == "0")
                error = recordDeletedError();
            else if (st == PGRES_COMMAND_OK || all[i]->mustChange)
                wrote = true;
            // A queued INSERT answers with the new row's identity.
            if (i < own.size() && all[i]->kind == PgCommand::Run && st == PGRES_TUPLES_OK) {
                wrote = true;
                if (PQntuples(r.get()) > 0)
                    lastRowid_ = QByteArray(PQgetvalue(r.get(), 0, 0)).toLongLong();
            }
        }
        if (i >= own.size())
            results.push_back(std::move(r));
        if (ownName && i + 1 == namesEnd)
            readSync();
    }
    readSync();
    // The server skips what follows a failure up to the end of the request,
    // preparations too: those statements are not there to run later.
    for (size_t i = failedAt; i < all.size(); ++i)
        if (all[i]->kind == PgCommand::Prepare && !all[i]->name.isEmpty())
            unprepared_.insert(all[i]->name);
    if (wrote || error)
        noteStoreWrite();
    if (error) {
        if (error->reason() == DbFailure::ConnectionLost || PQstatus(conn_) != CONNECTION_OK)
            lost(error->description());
        if (txDepth_ > 0)
            txFailure_ = *error;
        throw *error;
    }
    return results;
}

void PgConnection::run(const QStringList &sql, int replyLimitMs)
{
    std::vector<PgCommand> cmds;
    std::vector<QByteArray> texts;
    for (const QString &s : sql)
        cmds.push_back({PgCommand::Text, {}, s.toUtf8(), nullptr});
    exchange(cmds, replyLimitMs);
}

PgResult PgConnection::query(const QString &sql, const std::vector<Value> &values)
{
    PgParams params;
    for (const Value &v : values)
        params.push_back(pgText(v));
    auto results = exchange({{PgCommand::Text, {}, sql.toUtf8(), &params}});
    return std::move(results.front());
}

void PgConnection::enqueue(const QByteArray &name, const QByteArray &sql, const PgParams &params, bool mustChange)
{
    if (txFailure_)
        throw *txFailure_;
    queued_.push_back({name, sql, params, mustChange});
    if (queued_.size() >= kQueueChunk)
        flush();
}

void PgConnection::flush()
{
    if (!queued_.empty())
        exchange({});
}

QByteArray PgConnection::newStatementName() { return "rz" + QByteArray::number(++nextName_); }

void PgConnection::forgetStatement(const QByteArray &name, qint64 generation)
{
    if (generation == generation_ && conn_)
        unusedNames_ << name;
}

std::unique_ptr<EngineStatement> PgConnection::prepare(const QString &sql)
{
    return std::make_unique<PgStatement>(*this, sql);
}

// Transactions: the program's savepoints, the outermost one the
// transaction itself. Beginning and savepoints go with the next request; a
// transaction in which nothing was sent ends without a word to the server.
void PgConnection::control(const PgSql &sql)
{
    switch (sql.kind) {
    case PgSql::Begin:
    case PgSql::Savepoint:
        if (txDepth_++ == 0) {
            pendingControl_ << QStringLiteral("BEGIN");
            txSent_ = false;
            txFailure_.reset();
        } else {
            pendingControl_ << QStringLiteral("SAVEPOINT ") + sql.savepoint;
        }
        savepoints_.push_back(sql.kind == PgSql::Begin ? QString() : sql.savepoint);
        return;
    case PgSql::Release:
    case PgSql::Commit: {
        int at = 0;
        if (sql.kind == PgSql::Release) {
            at = int(savepoints_.lastIndexOf(sql.savepoint));
            if (at < 0)
                throw DbError(QStringLiteral("セーブポイント %1 がありません。").arg(sql.savepoint));
        }
        if (at > 0) {
            pendingControl_ << QStringLiteral("RELEASE SAVEPOINT ") + sql.savepoint;
            savepoints_.resize(at);
            txDepth_ = at;
            return;
        }
        if (txFailure_) {
            // The server would end a spoilt transaction by undoing it and
            // call that a commit: the caller hears of the failure instead.
            const DbError failed = *txFailure_;
            rollBack(QString(), true);
            throw failed;
        }
        const bool sent = txSent_ || !queued_.empty();
        savepoints_.clear();
        if (!sent) {
            txDepth_ = 0;
            pendingControl_.clear();
            return;
        }
        pendingControl_ << QStringLiteral("COMMIT");
        try {
            exchange({});
        } catch (...) {
            txDepth_ = 0;
            txSent_ = false;
            txFailure_.reset();
            throw;
        }
        txDepth_ = 0;
        txSent_ = false;
        return;
    }
    case PgSql::Rollback:
        rollBack(QString(), true);
        return;
    case PgSql::RollbackTo:
        pendingControl_ << QStringLiteral("ROLLBACK TO SAVEPOINT ") + sql.savepoint;
        txFailure_.reset();
        return;
    case PgSql::Query:
    case PgSql::Insert:
        return;
    }
}

void PgConnection::rollBack(const QString &savepoint, bool outermost) noexcept
{
    const int at = outermost ? 0 : int(savepoints_.lastIndexOf(savepoint));
    if (at > 0) {
        // Undone with the next request: the transaction stays open meanwhile anyway.
        pendingControl_ << QStringLiteral("ROLLBACK TO SAVEPOINT ") + savepoint
                        << QStringLiteral("RELEASE SAVEPOINT ") + savepoint;
        savepoints_.resize(at);
        txDepth_ = at;
        txFailure_.reset();
        return;
    }
    const bool sent = txSent_ || !queued_.empty();
    for (const Queued &q : queued_)  // writes never sent: nor were their preparations
        if (!q.sql.isEmpty())
            unprepared_.insert(q.name);
    queued_.clear();
    pendingControl_.clear();
    savepoints_.clear();
    txFailure_.reset();
    if (sent && conn_ && PQstatus(conn_) == CONNECTION_OK) {
        // Sent at once: the server must not hold the transaction's locks
        // while the user reads the message.
        pendingControl_ << QStringLiteral("ROLLBACK");
        try {
            exchange({});
        } catch (...) {
            pendingControl_.clear();
        }
    }
    txDepth_ = 0;
    txSent_ = false;
}

void PgConnection::setLockWait(int milliseconds)
{
    lockWaitMs_ = std::max(milliseconds, 1);
    pendingControl_ << QStringLiteral("SET lock_timeout = %1").arg(lockWaitMs_);
}

QString PgConnection::databaseIdentity() const
{
    if (!conn_)
        return QString();
    return QStringLiteral("%1:%2/%3/%4")
        .arg(QString::fromUtf8(PQhost(conn_)), QString::fromUtf8(PQport(conn_)), QString::fromUtf8(PQdb(conn_)),
             QString::fromUtf8(PQuser(conn_)));
}

}  // namespace rz
