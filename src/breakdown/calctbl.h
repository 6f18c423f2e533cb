// Whole-estimate recalculation: recomputes every item amount of an item table,
// gives subtotal and running-total rows their sums, corrects group rows whose
// amounts disagree with their sub-level and returns the totals, as a walk
// from the top level by level does. The estimate index window runs it on one
// estimate.
#pragma once
#include "store/currency.h"
#include "store/levelkeys.h"

#include <QString>

namespace rz {

class Database;
class Prompts;

struct Totals {
    Currency estimate;  // sum of kn1
    Currency budget;    // sum of kn2
};

// Recalculates the rows below the node whose first `level` keys (0 .. 7) are
// in `keys`; level 0 with zero keys does the whole estimate. On return
// `totals` holds the sums of that level's group and item rows. Rows no level
// query reaches (below a deleted row, an item or a missing row, or with a
// Null or stray key) are left alone, as are provisionally deleted ones.
//
// A group row whose amounts differ from its sub-level is corrected after an
// information box naming it ("…の金額を訂正します"); an item row whose estimate
// amount disagrees with price x quantity beeps before it is corrected.
//
// All of it is one transaction: on an error (DbError, or OverflowError for an
// amount beyond the currency range or a LONG amount column) nothing is
// changed, `totals` is left as it was and the error goes to the caller. Only
// rows whose amounts change are written.
void sb_CalcTbl(Database &db, const QString &table, int level, LevelKeys keys, Totals &totals, Prompts &prompts);

}  // namespace rz
