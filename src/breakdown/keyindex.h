// An index on the level keys of an item table. The tree is read one child
// query per node; without an index each of those scans the whole table.
#pragma once
#include <QString>

namespace rz {

class Database;

// Name of the index ensureKeyIndex creates: "rzidx_" + the table name.
QString keyIndexName(const QString &table);

// Creates the index on key1 .. key8 unless it exists. Results of every query
// stay the same; only their speed changes. Throws DbError (no such table...).
void ensureKeyIndex(Database &db, const QString &table);

}  // namespace rz
