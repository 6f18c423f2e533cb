// The level-key tree of an item table: the query for the children of one
// node, the depth of a row and the key between two keys.
#pragma once
#include "value.h"

#include <QString>
#include <array>
#include <vector>

namespace rz {

class Database;
class Recordset;
using LevelKeys = std::array<qint32, 8>;

// The eight key columns in tree order: rows sorted by them list every row
// right after its parent and before its next sibling.
constexpr char kLevelOrder[] = "key1, key2, key3, key4, key5, key6, key7, key8";

// SELECT for the children of the node whose first `level` keys are given.
QString LvlSelectSQL(const QString &table, int level, const LevelKeys &keys);

// The same query with the parent's keys as parameters ("[key1] = ?"): one
// text per table and level, so the engine prepares it once whatever the
// parent; levelParams gives the values to bind.
QString LvlSelectShape(const QString &table, int level);
std::vector<Value> levelParams(int level, const LevelKeys &keys);

// Level queries on an item table without an index read the whole table for
// every node they are asked for. A print asks for every group of the
// estimate, which on a large one costs more than the pages themselves: from
// this many rows on, printing gives the table an index on its keys (measured:
// below it the reads cost less than a tenth of the print). Ordinary estimates
// stay without one, as every item table is made.
constexpr int kLevelIndexRows = 5000;
// Makes that index ("rzidx_" + the table) on a table of at least
// kLevelIndexRows rows that has none. A file that may not be written now is
// left as it is: its queries give the same rows, only slower.
void ensureLevelIndex(Database &db, const QString &table);

// Depth of the current row: position of the first key column equal to 0
// (a Null key is passed over), 8 when none is.
int GetLvl(const Recordset &rs);

// A key strictly between lo and hi, or 0 when none is free. Throws
// OverflowError when hi - lo leaves the 32-bit range.
qint32 MidKey(qint32 lo, qint32 hi);

}  // namespace rz
