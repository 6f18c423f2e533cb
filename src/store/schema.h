// The two tables of an estimate file: the index table RZTBLIDX (one row per
// estimate) and the item table of each estimate, and creating them.
#pragma once
#include "database.h"

#include <functional>
#include <memory>
#include <vector>

namespace rz {

extern const char *const kIndexTable;  // "RZTBLIDX"

const std::vector<ColumnDef> &indexTableColumns();  // 41 columns
const std::vector<ColumnDef> &itemTableColumns();   // 48 columns, bk4 last

// "TBL" + the estimate number with at least five digits (12 -> "TBL00012").
QString itemTableName(qint64 key);

// The statement the transfer window uses to create a 47-column item table.
QString itemTableCreateSql(qint64 key);

// Creates a new estimate file. Mode 1: an empty database only; otherwise
// with the index table. Throws DbError (the file exists, the disk is full...).
void sb_MkIdxDB(const QString &path, int mode);

// Makes a new database file at path whole or not at all: fill works on a
// database created under a passing name beside path, which takes path's name
// only when fill has returned and the database is closed. Whatever fill
// throws removes it again; an existing file is never replaced (DbError).
// Part files that killed runs left in that folder are removed first.
void createWholeFile(const QString &path, const std::function<void(Database &)> &fill);

// Creates an item table with the 48 columns in an open estimate file.
void sb_MkUTbl(const QString &tableName, Database &db);

// Opens an estimate file for work: a database that holds the index table.
// Throws DbError with a message a user understands otherwise.
std::unique_ptr<Database> openEstimateFile(const QString &path);

}  // namespace rz
