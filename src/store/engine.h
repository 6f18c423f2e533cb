// What a database engine provides behind Database and Statement. Each engine
// lives in a subfolder of its own (sqlite/) and implements these classes;
// only the store's front classes call them, so nothing above the store names
// an engine. The front keeps what is the same on every engine: the prepared
// statements kept for reuse, recordset shapes, savepoint nesting and the
// conversion of stored values by their declared column types.
#pragma once
#include "changewatch.h"
#include "dberror.h"
#include "rowchange.h"
#include "storetypes.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace rz {

// One prepared statement of an engine. Failures throw DbError with one of the
// engine-neutral reasons.
class EngineStatement {
public:
    virtual ~EngineStatement() = default;
    virtual void bind(int index, const Value &value) = 0;  // 1-based
    virtual bool step() = 0;
    virtual void reset() = 0;  // to run again, with its bindings cleared
    virtual int columnCount() const = 0;
    virtual QString columnName(int i) const = 0;
    // The column's declared type as the program wrote it ("CURRENCY", "TEXT(60)").
    virtual QString columnDecl(int i) const = 0;
    virtual qint64 columnInt64(int i) const = 0;
    // Columns first .. first + count - 1 of the current row (see RawCell).
    virtual void read(int first, int count, RawCell *cells, bool asText) const = 0;
    // Rows the statement changed in its last step.
    virtual int changes() const = 0;
    // Runs a statement that returns no rows, perhaps only with the next one
    // that needs a reply (a server takes many such writes in one exchange);
    // with mustChange, one that changed no row fails as a deleted record,
    // there. The bindings are taken: the statement may be bound again at once.
    virtual void queue(bool mustChange)
    {
        step();
        if (mustChange && changes() == 0)
            throw recordDeletedError();
    }
};

// Copies tables from a store joined to the one that made this: the engine's
// own way, which keeps the copy inside the target's transaction.
class EngineTableJoin {
public:
    virtual ~EngineTableJoin() = default;
    // Throws DbError with DbFailure::MissingTable when the source table does not exist.
    virtual void copy(const QString &sourceTable, const QString &targetTable) = 0;
    // The target store was closed first: let go without reaching it.
    virtual void abandon() = 0;
};

// Rows loaded into a table of the store in bulk, inside the open
// transaction: the engine's own fast way of filling a new table. A writer
// let go of without finish() spoils that transaction; the caller rolls it back.
class EngineRowWriter {
public:
    virtual ~EngineRowWriter() = default;
    // One row: a value for each column the writer was made with, in order.
    virtual void add(const Value *values, int count) = 0;
    // Sends what is left and waits until the store has taken every row.
    virtual void finish() = 0;
};

// One open store.
class EngineConnection {
public:
    virtual ~EngineConnection() = default;
    virtual std::unique_ptr<EngineStatement> prepare(const QString &sql) = 0;
    virtual qint64 lastInsertRowid() const = 0;

    // Transactions: the front opens and releases savepoints with SQL.
    virtual bool inTransaction() const = 0;
    // Undoes what the savepoint covers (the whole transaction when it is the
    // outermost one) and never throws: it runs while an error unwinds.
    virtual void rollBack(const QString &savepoint, bool outermost) noexcept = 0;
    // How long a statement waits for another program's lock before it fails.
    virtual void setLockWait(int milliseconds) = 0;

    // A number that changes whenever any program changes the schema.
    virtual qint64 schemaVersion() = 0;
    // Makes statements prepared from now on see the schema as it is now.
    virtual void reloadSchema() = 0;

    virtual QStringList tableNames() = 0;
    virtual bool tableExists(const QString &name) = 0;
    virtual std::vector<ColumnDef> columns(const QString &table) = 0;
    virtual std::vector<IndexDef> indexes(const QString &table) = 0;
    virtual QStringList indexNames() = 0;
    virtual bool indexExists(const QString &name) = 0;
    virtual QStringList integrityProblems() = 0;
    virtual QStringList definitions() = 0;

    // SELECT * INTO, each table in this store (empty path) or in the store at
    // a path: a new table with the source's columns and declared types, and
    // its rows. Returns the number of rows copied.
    virtual int selectInto(const QString &targetPath, const QString &targetTable, const QString &sourcePath,
                           const QString &sourceTable) = 0;
    // A join of `source` to this store for copying tables into this one, or
    // none when this engine cannot reach that store itself.
    virtual std::unique_ptr<EngineTableJoin> join(EngineConnection &source) = 0;
    // A bulk writer into `table`'s `columns`, or none when the engine has
    // nothing faster than its statements.
    virtual std::unique_ptr<EngineRowWriter> rowWriter(const QString &table, const QStringList &columns)
    {
        Q_UNUSED(table)
        Q_UNUSED(columns)
        return nullptr;
    }

    virtual void lockExclusively() = 0;
    virtual void compactInto(const QString &targetPath) = 0;

    // Change capture of one table, for the editor's undo. From startCapture
    // on, every row this connection itself inserts, updates or deletes in
    // `table` is recorded, in the order made, with its identity (what
    // _rowid_ names in statements) and its images before and after: the
    // columns in the order `columns` lists them, each value as storedValue
    // gives it for a raw read of that column. Other connections' changes are
    // never recorded; a change rolled back leaves no record. One table at a
    // time: starting again replaces the capture. An engine without it throws.
    virtual void startCapture(const QString &table, const std::vector<ColumnDef> &columns);
    // The changes recorded since the start or the last take, oldest first;
    // the record is emptied. Called outside a transaction.
    virtual std::vector<CapturedChange> takeCaptured() { return {}; }
    virtual void stopCapture() noexcept {}
    // Put before VALUES in an INSERT that gives the row identity itself
    // (undoing a delete makes the row again as it was).
    virtual QString identityInsertClause() const { return QString(); }
    // The server's own maintenance of the store's tables, for a store that
    // is not a file (compaction cannot copy it); files: not used.
    virtual void compactInPlace() { throw DbError(QStringLiteral("この見積書ファイルはその場では最適化できません。")); }
    // Finishes the creation of a new store (create() may leave it open, so
    // that what the caller makes in it and the store itself are one change).
    virtual void finishCreation() {}

    // Sends what waits to be sent (queued writes) and waits for its outcome.
    virtual void flush() {}
    // Round trips to a server and connections made again since opening.
    virtual StoreTraffic traffic() const { return {}; }
    // Tells of changes other programs commit to the store (see changewatch.h).
    virtual std::unique_ptr<ChangeWatch> watch() = 0;
};

// A kind of store: which locations it takes, and opening and creating them.
class StoreEngine {
public:
    virtual ~StoreEngine() = default;
    virtual bool accepts(const QString &location) const = 0;
    virtual std::unique_ptr<EngineConnection> open(const QString &location, OpenMode mode) const = 0;
    virtual std::unique_ptr<EngineConnection> create(const QString &location) const = 0;
    // Endings of the files the engine writes beside a store file while it works.
    virtual QStringList sideFileSuffixes() const = 0;
};

// Engines call this whenever a statement may have changed rows, so that
// rows a recordset read ahead are read again (database.cpp).
void noteStoreWrite();
qint64 storeWrites();
// Turns of the event loop (commands of the user) since the start, counted
// once something asks: what was read serves the turn it was read in.
quint64 storeTurn();

// The engine that keeps the store at a location (engines.cpp).
const StoreEngine &engineFor(const QString &location);

}  // namespace rz
