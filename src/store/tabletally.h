// What a copy of a table must keep: its rows and the totals of its amount
// columns, counted on both sides of a conversion or a copy so that a row or
// an amount lost on the way is noticed before the copy is handed over.
#pragma once
#include "database.h"

namespace rz {

struct TableTally {
    qint64 rows = 0;
    __int128 kn1 = 0, kn2 = 0;  // amounts in ten-thousandths; a sum of many never overflows
    bool operator==(const TableTally &o) const { return rows == o.rows && kn1 == o.kn1 && kn2 == o.kn2; }
    bool operator!=(const TableTally &o) const { return !(*this == o); }
    void add(const Value &kn1v, const Value &kn2v);
    // "12 行、kn1 合計 …、kn2 合計 …", for the message of a failed check.
    QString text() const;
};

// Counts a table of an open store: its rows, and kn1 and kn2 where it has them.
TableTally tallyOf(Database &db, const QString &table);

}  // namespace rz
