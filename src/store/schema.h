// The two tables of an estimate file: the index table RZTBLIDX (one row per
// estimate) and the item table of each estimate, and creating them.
//
// The column names, short romanised abbreviations; a suffix 1 is the
// estimate set (見積), 2 the budget set (実行予算):
//   key1 … key8   item table: the row's level keys (levelkeys.h); index
//                 table: key1 alone, the estimate number (item table "TBL" + it)
//   knm           name: of the project (工事名称) in the index, of the item in
//                 an item table; "＠" or "@" in front marks a subtotal row, two
//                 of them a running-total row
//   mei, tn1      the item's second descriptive text (specification) and unit
//   su1, su2      quantity                         (CURRENCY, SINGLE in SQL-made tables)
//   tk1, tk2      unit price                       (CURRENCY)
//   kn1, kn2      amount; in the index the estimate's totals (CURRENCY, LONG in SQL-made tables)
//   rt1, rt2      rate (掛率) in percent, 100 leaves amounts unchanged (SHORT)
//   lvl           depth of the row: the number of leading keys not 0
//   flg           flag characters: first "+" group row (has a sub-level) or
//                 "-" item row; second "x" provisionally deleted (仮削除)
//   bk1 … bk4     remarks (備考); in the index bk2 is the company name printed
//   ad1, hat      index: site address (住所) and client (発注者)
//   dt1 … dt4     index: dates as text: created, started, updated; dt4 only copied
//   kno           index: blanks at creation, otherwise only copied
//   int0 … int9   index: int0 item rows, int1/int2 top-level rates of the two
//                 sets; item table: int0 read by the editor; the rest only copied
//   cur0 … curF   (item table: … curC) only created and copied
#pragma once
#include "database.h"

#include <functional>
#include <memory>
#include <vector>

namespace rz {

extern const char *const kIndexTable;  // "RZTBLIDX"

// What the editor's cells keep of an item's texts, in bytes of the code page
// (knm, mei, tn1, bk1), and the unit prices a user can type there: whole yen
// of at most ten characters with the sign and separators ("##,###,##0").
// Whatever fills those cells by other ways (the unit-price master) keeps the same.
constexpr int kNameBytes = 40, kSpecBytes = 20, kUnitBytes = 4, kRemarkBytes = 20;
constexpr qint64 kTypedPriceMin = -9999999, kTypedPriceMax = 99999999;

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
// A connection file (.rzdb) makes the schema on its server instead, with
// what fill makes in one transaction.
void createWholeFile(const QString &path, const std::function<void(Database &)> &fill);

// Creates an item table with the 48 columns in an open estimate file.
void sb_MkUTbl(const QString &tableName, Database &db);

// Opens an estimate file for work: a database that holds the index table.
// Throws DbError with a message a user understands otherwise.
std::unique_ptr<Database> openEstimateFile(const QString &path);

}  // namespace rz
