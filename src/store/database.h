// An estimate file opened on the embedded engine. Statements keep the text the
// program writes; the two forms the engine lacks (SELECT * INTO and the
// [;DATABASE=path] prefix) are carried out here. Values are always bound.
#pragma once
#include "dberror.h"
#include "value.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QTemporaryDir;
struct sqlite3;
struct sqlite3_stmt;

namespace rz {

class Recordset;
struct RecordsetShape;

enum class RecordsetType { Dynaset, Snapshot };

struct ColumnDef {
    QString name;
    QString declared;  // "LONG", "SHORT", "CURRENCY", "SINGLE", "TEXT(60)"
    ColType type() const { return colTypeFromDecl(declared); }
};

// A prepared statement that finalizes itself.
class Statement {
public:
    Statement(sqlite3 *db, const QString &sql);
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
    sqlite3_stmt *handle() const { return stmt_; }

private:
    sqlite3 *db_;
    sqlite3_stmt *stmt_ = nullptr;
};

class Database {
public:
    enum class Mode { ReadWrite, ReadOnly };

    // Opens an existing file. Throws DbError with a clear description when the
    // file is missing, not a database, truncated, read-only or locked, or,
    // for writing, lies in a folder where no journal can be written. Read
    // only, a file left with the journal of an interrupted write is read as
    // it was before that write.
    static std::unique_ptr<Database> open(const QString &path, Mode mode = Mode::ReadWrite);
    // Creates a new, empty database file; fails when the file exists.
    static std::unique_ptr<Database> create(const QString &path);

    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    const QString &path() const { return path_; }
    sqlite3 *handle() const { return db_; }
    void close();
    bool isOpen() const { return db_ != nullptr; }

    // Runs a statement that returns no rows, failing on any error (the
    // engine's description is thrown). Returns the number of rows changed.
    int execute(const QString &sql, const std::vector<Value> &params = {});

    std::unique_ptr<Recordset> openRecordset(const QString &sql,
                                             RecordsetType type = RecordsetType::Dynaset,
                                             const std::vector<Value> &params = {});

    qint64 lastInsertRowid() const;
    QStringList tableNames() const;
    bool tableExists(const QString &name) const;
    std::vector<ColumnDef> columns(const QString &table) const;
    void createTable(const QString &name, const std::vector<ColumnDef> &columns);
    void dropTable(const QString &name);
    void compactInto(const QString &targetPath);

    // A prepared statement for `sql`, kept for reuse (reset, bindings
    // cleared). Only for statements that are stepped to their end or reset
    // before the next use of the same text; forgotten after any schema change.
    Statement &prepared(const QString &sql);

    // The shape of recordsets over `sql` (columns, how to write back), made
    // on the first open of that text and kept until the schema changes.
    std::shared_ptr<const RecordsetShape> recordsetShape(const QString &sql, RecordsetType type);

    // Savepoint nesting depth, used by Transaction.
    int transactionDepth() const { return txDepth_; }

private:
    friend class Transaction;
    explicit Database(sqlite3 *db, QString path);
    static std::unique_ptr<Database> openAfterInterruptedWrite(const QString &path);
    void selectInto(const QString &targetPath, const QString &targetTable,
                    const QString &sourcePath, const QString &sourceTable);
    QString schemaFor(const QString &path, std::vector<QString> &attached);

    void forgetPrepared();

    sqlite3 *db_;
    QString path_;
    int txDepth_ = 0;
    std::vector<std::pair<QString, std::unique_ptr<Statement>>> prepared_;  // most recent last
    std::vector<std::pair<QString, std::shared_ptr<const RecordsetShape>>> shapes_;  // most recent last
    qint64 shapesVersion_ = -1;  // schema version the shapes were made under
    std::unique_ptr<QTemporaryDir> copyDir_;  // holds the copy read instead of the file, if any
};

// Rolls back everything since its construction unless commit() was called.
// Nests (as savepoints), so a routine can open one whatever its caller did.
class Transaction {
public:
    explicit Transaction(Database &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;
    void commit();

private:
    Database &db_;
    QString name_;
    bool done_ = false;
    bool outermost_ = false;  // no transaction was open before this one
};

QString quoteIdentifier(const QString &name);
// Whether two names lead to one file: a link, "./" or another letter case on
// a file system that ignores case all reach the same device and inode. Names
// of files that do not exist compare as absolute paths; an empty name is no file.
bool sameFile(const QString &a, const QString &b);
// Strips [brackets] or "quotes" from a table reference.
QString unbracket(const QString &name);

}  // namespace rz
