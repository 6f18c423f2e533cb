// An estimate store, whatever engine keeps it: opened or created by its
// location, statements with bound values, typed reads, a bulk read of raw
// values, recordsets, nested transactions and questions about the schema.
// Statements keep the text the program writes ([bracketed] names, _rowid_ as
// the identity of a row); the engine carries out what it lacks of it (the
// Jet forms SELECT * INTO and the [;DATABASE=path] prefix). Values are
// always bound. The engines live in subfolders (sqlite/, postgres/) behind
// engine.h; engines.cpp chooses among them by the location: a connection file
// (NAME.rzdb, serverlocation.h) names an estimate file kept on a server.
#pragma once
#include "changewatch.h"
#include "dberror.h"
#include "rowchange.h"
#include "storetypes.h"
#include "value.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace rz {

class EngineConnection;
class EngineStatement;
class Recordset;
struct RecordsetShape;

enum class RecordsetType { Dynaset, Snapshot };

class Database;

// A prepared statement that finalizes itself.
class Statement {
public:
    Statement(const Database &db, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void bind(int index, const Value &value);  // 1-based
    void bindAll(const std::vector<Value> &values);
    bool step();  // true while a row is available; throws DbError on failure
    void reset();
    int columnCount() const;
    QString columnName(int i) const;
    QString columnDecl(int i) const;
    // Reads column i converted by the given declared type.
    Value column(int i, ColType type) const;
    qint64 columnInt64(int i) const;
    // Columns first .. first + count - 1 as stored, in one call into the
    // engine. With asText every value also comes as the engine's text of it
    // (bytes, size), keeping its kind.
    void readRaw(int first, int count, RawCell *cells, bool asText = false) const;
    // Rows the last step changed (an UPDATE or DELETE that found no row: 0).
    int changes() const;
    // Runs a statement that returns no rows and resets it, perhaps together
    // with later ones: a server takes many such writes in one exchange, and
    // their outcome is known by the next statement that reads, a commit or
    // Database::flush(), where a failure of any of them is thrown. With
    // mustChange a write that changed no row fails as a deleted record.
    void queue(bool mustChange = false);

private:
    std::unique_ptr<EngineStatement> impl_;
};

class Database {
public:
    using Mode = OpenMode;

    // Opens an existing store; the engine is chosen by the location (today
    // every location is an estimate file). Throws DbError with a clear
    // description when it is missing, not a database, truncated, read-only
    // or locked, or, for writing, where no journal can be written. Read only,
    // a file left with the journal of an interrupted write is read as it was
    // before that write.
    static std::unique_ptr<Database> open(const QString &location, Mode mode = Mode::ReadWrite);
    // Creates a new, empty store; fails when it exists.
    static std::unique_ptr<Database> create(const QString &location);
    // The same with what `fill` makes in it, all or nothing: on a server the
    // schema and its tables are one transaction. Estimate files are made
    // whole through createWholeFile (schema.h).
    static std::unique_ptr<Database> create(const QString &location, const std::function<void(Database &)> &fill);

    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    const QString &path() const { return path_; }  // the location it was opened by
    void close();
    bool isOpen() const { return conn_ != nullptr; }

    // Runs a statement that returns no rows, failing on any error (the
    // engine's description is thrown). Returns the number of rows changed.
    int execute(const QString &sql, const std::vector<Value> &params = {});

    std::unique_ptr<Recordset> openRecordset(const QString &sql,
                                             RecordsetType type = RecordsetType::Dynaset,
                                             const std::vector<Value> &params = {});

    qint64 lastInsertRowid() const;

    // Questions about the schema. Table and index names compare without
    // regard to case; indexes are those the user made, not the engine's own.
    QStringList tableNames() const;
    bool tableExists(const QString &name) const;
    std::vector<ColumnDef> columns(const QString &table) const;
    std::vector<IndexDef> indexes(const QString &table) const;
    QStringList indexNames() const;  // of every table
    bool indexExists(const QString &name) const;
    qint64 rowCount(const QString &table) const;
    // What the engine's own check finds wrong in the store; empty when sound.
    QStringList integrityProblems() const;
    // Every definition of the schema and the values that identify the store,
    // one text each in a fixed order: what a faithful copy of it keeps.
    QStringList definitions() const;

    void createTable(const QString &name, const std::vector<ColumnDef> &columns);
    void dropTable(const QString &name);

    // Keeps every other program out of the store until it is closed; throws
    // DbError (Busy) when another program uses it now.
    void lockExclusively();
    // Writes a tightly packed copy of the store to a new file.
    void compactInto(const QString &targetPath);
    // The server's own maintenance of every table of the store (a store
    // on a server cannot be copied to a file to be compacted).
    void compactInPlace();
    // How long a statement waits for another program's lock before it fails
    // (5 s unless set).
    void setLockWait(int milliseconds);

    // Records this connection's own changes of one table, row by row, for
    // undoing them (engine.h says what is recorded). Throws when the engine
    // cannot; stopping never throws.
    void startCapture(const QString &table);
    std::vector<CapturedChange> takeCaptured();
    void stopCapture() noexcept;
    // What an INSERT naming the row identity needs before VALUES.
    QString identityInsertClause() const;

    // A prepared statement for `sql`, kept for reuse (reset, bindings
    // cleared). Only for statements that are stepped to their end or reset
    // before the next use of the same text; forgotten after any schema change.
    Statement &prepared(const QString &sql);

    // The shape of recordsets over `sql` (columns, how to write back), made
    // on the first open of that text and kept until the schema changes.
    std::shared_ptr<const RecordsetShape> recordsetShape(const QString &sql, RecordsetType type);

    // Savepoint nesting depth, used by Transaction.
    int transactionDepth() const { return txDepth_; }
    // Whether a batched transaction is open (recordset writes may wait for its end).
    bool batching() const { return batchDepth_ > 0; }
    // Whether checked writes (with shown values) may wait too (TxWrites::Together).
    bool batchingChecked() const { return togetherDepth_ > 0; }

    // Sends queued writes (Statement::queue) and waits for their outcome.
    void flush();
    // Round trips to a server and connections made again, since opening.
    StoreTraffic traffic() const;
    // A watch that signals changes other connections commit (changewatch.h);
    // the caller owns it, and it may outlive the Database.
    std::unique_ptr<ChangeWatch> watchChanges();

private:
    friend class Statement;
    friend class Transaction;
    friend class TableCopy;
    friend void copyTableByRows(Database &from, Database &to, const QString &sourceTable, const QString &targetTable);
    EngineConnection &engine() const;
    Database(std::unique_ptr<EngineConnection> conn, QString path);
    void forgetPrepared();

    std::unique_ptr<EngineConnection> conn_;
    QString path_;
    int txDepth_ = 0;
    int batchDepth_ = 0;
    int togetherDepth_ = 0;
    std::vector<std::pair<QString, std::unique_ptr<Statement>>> prepared_;  // most recent last
    std::vector<std::pair<QString, std::shared_ptr<const RecordsetShape>>> shapes_;  // most recent last
    qint64 shapesVersion_ = -1;  // schema version the shapes were made under
    qint64 version_ = -1;        // the schema version as last asked, in a turn
    quint64 versionTurn_ = ~quint64(0);
    qint64 versionWrites_ = -1;
};

// How the record writes of a transaction are checked. Immediate: each edit's
// update() knows at once whether the record was still there. Batched (a pass
// over many rows, all or nothing): an update() without shown values may only
// be queued (Statement::queue), so that a server takes many in one round
// trip; a record deleted meanwhile fails the transaction by its commit.
// Together (a write-back of a page): as Batched, and the writes that carry
// shown values wait too, each checked in itself; one that finds another
// program's change or no record fails the transaction by its commit as a
// deleted record, and the caller writes again Immediate to tell which row
// and what.
enum class TxWrites { Immediate, Batched, Together };

// Rolls back everything since its construction unless commit() was called.
// Nests (as savepoints), so a routine can open one whatever its caller did.
class Transaction {
public:
    explicit Transaction(Database &db, TxWrites writes = TxWrites::Immediate);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Database &db_;
    QString name_;
    bool done_ = false;
    bool outermost_ = false;  // no transaction was open before this one
    bool batched_ = false;
    bool together_ = false;
};

// Endings of the files an engine writes beside a store file while it works
// on it ("-journal"): they belong to the file and go with it.
QStringList storeSideFileSuffixes();

QString quoteIdentifier(const QString &name);
// Whether two names lead to one file: a link, "./" or another letter case on
// a file system that ignores case all reach the same device and inode. Names
// of files that do not exist compare as absolute paths; an empty name is no file.
bool sameFile(const QString &a, const QString &b);
// Strips [brackets] or "quotes" from a table reference.
QString unbracket(const QString &name);

}  // namespace rz
