// The embedded engine's side of the store: one open estimate file and its
// prepared statements, and the engine's failures in the store's terms.
#pragma once
#include "store/engine.h"

#include <QTemporaryDir>
#include <sqlite3.h>

namespace rz {

// The engine's failure with its kind, the file it happened on and, for a
// missing table, that table's name.
DbError sqliteError(sqlite3 *db, int rc, const QString &message);
DbFailure sqliteFailure(int rc, const QString &message);

class SqliteStatement : public EngineStatement {
public:
    SqliteStatement(sqlite3 *db, const QString &sql);
    ~SqliteStatement() override;
    void bind(int index, const Value &value) override;
    bool step() override;
    void reset() override;
    int columnCount() const override;
    QString columnName(int i) const override;
    QString columnDecl(int i) const override;
    qint64 columnInt64(int i) const override;
    void read(int first, int count, RawCell *cells, bool asText) const override;
    int changes() const override;
    sqlite3_stmt *stmt() const { return stmt_; }

private:
    sqlite3 *db_;
    sqlite3_stmt *stmt_ = nullptr;
};

class SqliteConnection : public EngineConnection {
public:
    explicit SqliteConnection(sqlite3 *db);  // takes the handle over
    ~SqliteConnection() override;
    // Keeps the folder of the copy read instead of the file for as long as
    // the connection lives.
    void keepRecovered(std::unique_ptr<QTemporaryDir> dir) { recovered_ = std::move(dir); }

    sqlite3 *handle() const { return db_; }
    // The file the connection reads (a recovered copy: that copy).
    QString fileName() const;
    // Runs statements that return no rows; throws on failure.
    void run(const QString &sql);

    std::unique_ptr<EngineStatement> prepare(const QString &sql) override;
    qint64 lastInsertRowid() const override;
    bool inTransaction() const override;
    void rollBack(const QString &savepoint, bool outermost) noexcept override;
    void setLockWait(int milliseconds) override;
    qint64 schemaVersion() override;
    void reloadSchema() override;
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
    void lockExclusively() override;
    void compactInto(const QString &targetPath) override;
    void startCapture(const QString &table, const std::vector<ColumnDef> &columns) override;
    std::vector<CapturedChange> takeCaptured() override;
    void stopCapture() noexcept override;
    std::unique_ptr<ChangeWatch> watch() override;

    // Table definitions and indexes as a schema of this connection holds them.
    std::vector<ColumnDef> columnsIn(const QString &schema, const QString &table);
    std::vector<IndexDef> indexesIn(const QString &schema, const QString &table);

private:
    qint64 pragma(const char *name);
    QStringList namesOf(const char *kind);
    bool exists(const char *kind, const QString &name);

    sqlite3 *db_;
    std::unique_ptr<QTemporaryDir> recovered_;
    int capturedColumns_ = 0;  // columns of the captured table; 0: no capture
    std::unique_ptr<SqliteStatement> schemaVersion_;
};

// A copy cut short keeps a header that promises more pages than the file
// holds; the engine would only notice when it reaches the missing pages.
void checkComplete(sqlite3 *db, const QString &schema, const QString &path);

}  // namespace rz
