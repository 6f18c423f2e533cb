// Copying a table from one open store into another (SELECT * INTO across
// stores) inside a transaction of the target: the engine's own way when it
// can reach the source itself (two files of the embedded engine), row by row
// through both stores' statements otherwise (two servers).
#pragma once
#include "database.h"

namespace rz {

class EngineTableJoin;

// Make it before the target's transaction begins and let it go after that
// transaction ends: an engine may join the two stores for the copy and
// cannot part them while a transaction has read from both.
class TableCopy {
public:
    TableCopy(Database &from, Database &to);
    ~TableCopy();
    TableCopy(const TableCopy &) = delete;
    TableCopy &operator=(const TableCopy &) = delete;

    // A new table `targetTable` in the target with the source's column names
    // and declared types (so either item-table variant stays what it was),
    // its rows, and its indexes. Throws DbError with DbFailure::MissingTable
    // when the source table does not exist.
    void copy(const QString &sourceTable, const QString &targetTable);

private:
    Database &from_;
    Database &to_;
    std::unique_ptr<EngineTableJoin> join_;
};

// The same copy row by row: what TableCopy does between stores that no
// engine can join.
void copyTableByRows(Database &from, Database &to, const QString &sourceTable, const QString &targetTable);

}  // namespace rz
