// The server engine's side of the store: one connection to the database
// that holds an estimate file as a schema, its statements, and the
// conversation with the server. Everything goes through one pipeline:
// statements that need no reply of their own right away (transaction
// starts, savepoints, queued writes) wait and go with the next statement
// that does, so that each command of the program costs few round trips.
// Each wait for a reply is bounded: a server that is gone is said within
// seconds, and the next command outside a transaction connects again.
#pragma once
#include "pgsql.h"
#include "store/engine.h"
#include "store/serverlocation.h"

#include <libpq-fe.h>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace rz {

struct PgResultDeleter {
    void operator()(PGresult *r) const { PQclear(r); }
};
using PgResult = std::unique_ptr<PGresult, PgResultDeleter>;
using PgParams = std::vector<std::optional<QByteArray>>;

// How long a reply may take before the server counts as gone. Long work of
// the engine's own (maintenance, copies) is given more.
constexpr int kReplyLimitMs = 9000;

// The connection's last failure as libpq words it.
QString pgErrorText(PGconn *conn);

// A value as the server takes it in text form: a CURRENCY as its exact
// decimal, never through a double.
std::optional<QByteArray> pgText(const Value &value);

// One request of an exchange.
struct PgCommand {
    enum Kind { Text, Prepare, Run, Describe };
    Kind kind = Text;
    QByteArray name;  // of a prepared statement (Prepare, Run, Describe)
    QByteArray sql;   // Text, Prepare
    const PgParams *params = nullptr;
    bool mustChange = false;  // a queued write that fails when it changed no row
};

class PgConnection;

class PgStatement : public EngineStatement {
public:
    PgStatement(PgConnection &conn, const QString &sql);
    ~PgStatement() override;
    void bind(int index, const Value &value) override;
    bool step() override;
    void reset() override;
    int columnCount() const override;
    QString columnName(int i) const override;
    QString columnDecl(int i) const override;
    qint64 columnInt64(int i) const override;
    void read(int first, int count, RawCell *cells, bool asText) const override;
    int changes() const override;
    void queue(bool mustChange) override;

private:
    const PGresult *shape() const;  // the result, or the statement's description
    void mapColumns(const PGresult *r) const;
    int column(int i) const { return cols_.at(static_cast<size_t>(i)); }
    QByteArray preparedName();

    PgConnection &conn_;
    PgSql sql_;
    PgParams params_;
    PgResult result_;
    mutable PgResult described_;
    mutable std::vector<int> cols_;  // shown column -> column of the result
    int row_ = -1;
    bool executed_ = false;
    int runs_ = 0;
    QByteArray name_;
    qint64 nameGeneration_ = -1;
};

class PgConnection : public EngineConnection {
public:
    // Connects; a password asked for is kept for connecting again.
    PgConnection(const QString &location, const ServerLocation &server, OpenMode mode,
                 std::optional<QString> password = std::nullopt);
    const std::optional<QString> &password() const { return password_; }
    // Begins a transaction that makes the schema; finishCreation commits it.
    void createSchema();
    void finishCreation() override;
    ~PgConnection() override;

    // Sends the commands (after what waits to be sent) as one exchange and
    // returns their results; throws DbError for the first that failed.
    std::vector<PgResult> exchange(const std::vector<PgCommand> &commands, int replyLimitMs = 0);
    // Runs statements of the engine's own (no marks) in one exchange.
    void run(const QStringList &sql, int replyLimitMs = 0);
    PgResult query(const QString &sql, const std::vector<Value> &values);
    void control(const PgSql &sql);
    void enqueue(const QByteArray &name, const QByteArray &sql, const PgParams &params, bool mustChange);
    QByteArray newStatementName();
    void forgetStatement(const QByteArray &name, qint64 generation);
    qint64 generation() const { return generation_; }
    // Whether a statement's preparation never took place (the request
    // failed before it): the name is then prepared again before its use.
    bool unprepared(const QByteArray &name) { return unprepared_.erase(name) > 0; }
    void setInsertedRowid(qint64 id) { lastRowid_ = id; }

    const QString &schema() const { return server_.schema; }
    const ServerLocation &server() const { return server_; }
    const QString &location() const { return location_; }
    PGconn *handle() const { return conn_; }
    // The database's own identity: two connections reach one database when equal.
    QString databaseIdentity() const;
    // Connects again now (a connection that failed, or for the tests).
    void reconnect();
    // Whether the schema exists, and for writing whether this role may write
    // in it (else DbError ReadOnly); reads what creating tables needs.
    bool describeSchema(bool forWriting);
    // Runs a statement the pipeline cannot carry (VACUUM).
    void runAlone(const QString &sql, int replyLimitMs);
    const QByteArray &schemaOid() const { return schemaOid_; }

    std::unique_ptr<EngineStatement> prepare(const QString &sql) override;
    qint64 lastInsertRowid() const override { return lastRowid_; }
    bool inTransaction() const override { return txDepth_ > 0; }
    void rollBack(const QString &savepoint, bool outermost) noexcept override;
    void setLockWait(int milliseconds) override;
    qint64 schemaVersion() override;
    void reloadSchema() override {}
    QStringList tableNames() override;
    bool tableExists(const QString &name) override;
    std::vector<ColumnDef> columns(const QString &table) override;
    std::vector<IndexDef> indexes(const QString &table) override;
    QStringList indexNames() override;
    bool indexExists(const QString &name) override;
    QStringList integrityProblems() override;
    QStringList definitions() override;
    int selectInto(const QString &targetPath, const QString &targetTable, const QString &sourcePath,
                   const QString &sourceTable) override;
    std::unique_ptr<EngineTableJoin> join(EngineConnection &source) override;
    // COPY into a table (pgcopy.cpp).
    std::unique_ptr<EngineRowWriter> rowWriter(const QString &table, const QStringList &columns) override;
    void beginCopy(const QByteArray &sql);
    void putCopy(const QByteArray &rows);
    void endCopy(int replyLimitMs);
    void abandonCopy() noexcept;
    void lockExclusively() override;
    void compactInto(const QString &targetPath) override;
    void compactInPlace() override;
    void flush() override;
    StoreTraffic traffic() const override { return {roundTrips_, reconnects_}; }
    std::unique_ptr<ChangeWatch> watch() override;
    // Change capture for the editor's undo (pgcapture.cpp).
    void startCapture(const QString &table, const std::vector<ColumnDef> &columns) override;
    std::vector<CapturedChange> takeCaptured() override;
    void stopCapture() noexcept override;
    QString identityInsertClause() const override { return QStringLiteral("OVERRIDING SYSTEM VALUE "); }

    // Columns of a table of a schema of this database, without the identity.
    std::vector<ColumnDef> columnsIn(const QString &schema, const QString &table);
    std::vector<IndexDef> indexesIn(const QString &schema, const QString &table);
    // The statements that make a table with these columns here: the table,
    // its owner, and for the index table the notice of its changes.
    QStringList createStatements(const QString &table, const std::vector<ColumnDef> &columns) const;
    QStringList afterCreate(const QString &table) const;

private:
    friend class PgStatement;
    void connect();
    void ensureConnected();
    [[noreturn]] void lost(const QString &why);
    bool waitFor(short events, qint64 deadline);
    PgResult nextResult(qint64 deadline);
    DbError failure(const PGresult *r, const QByteArray &sql) const;
    // Sends a statement the pipeline cannot carry (VACUUM, COPY) with the
    // connection out of it; the caller reads its results and enters it again.
    void sendOutsidePipeline(const QByteArray &sql);
    // Back in the pipeline after a COPY; throws the copy's failure.
    void endOfCopy(const std::optional<DbError> &error);
    void sendPending(std::vector<const PgCommand *> &sent, std::vector<PgCommand> &own);

    QString location_;
    ServerLocation server_;
    OpenMode mode_;
    PGconn *conn_ = nullptr;
    std::optional<QString> password_;
    qint64 generation_ = 0;
    qint64 roundTrips_ = 0;
    qint64 reconnects_ = 0;
    qint64 lastRowid_ = 0;
    int nextName_ = 0;
    int lockWaitMs_ = 5000;
    bool serverEnded_ = false;  // the server said it ended the connection
    int txDepth_ = 0;
    QStringList savepoints_;  // the open ones, outermost (the transaction) first
    bool txSent_ = false;  // the server knows the transaction begun
    std::optional<DbError> txFailure_;  // the failure that spoilt the open transaction
    QStringList pendingControl_;  // transaction statements to go with the next exchange
    std::set<QByteArray> unprepared_;  // names whose preparation a failed request skipped
    struct Queued {
        QByteArray name, sql;
        PgParams params;
        bool mustChange;
    };
    std::vector<Queued> queued_;
    QList<QByteArray> unusedNames_;  // prepared statements to let go of outside a transaction
    QByteArray schemaOid_;
    QString owner_;           // the schema's owner, who owns its tables
    bool ownerMember_ = false;  // this role may hand a table to the owner
    int capturedColumns_ = 0;     // columns of the captured table; 0: no capture
    qint64 captureGeneration_ = -1;  // the connection the capture was started on
    qint64 captureTakenAt_ = -1;     // storeWrites() when the record was last taken
};

// Milliseconds of a clock that only goes forward.
qint64 monotonicMs();

// The engine's failure for a result with an error (SQLSTATE mapped).
DbFailure pgFailure(const QByteArray &sqlstate);

}  // namespace rz
