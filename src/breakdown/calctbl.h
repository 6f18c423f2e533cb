// Whole-estimate recalculation: walks an item table level by level from the
// top, recomputes every item amount, gives subtotal and running-total rows
// their sums, corrects group rows whose amounts disagree with their sub-level
// and returns the totals. The estimate index window runs it on one estimate.
#pragma once
#include "store/currency.h"
#include "store/levelkeys.h"

#include <QString>

namespace rz {

class Database;
class Prompts;
class Recordset;

struct Totals {
    Currency estimate;  // sum of kn1
    Currency budget;    // sum of kn2
};

// Recalculates the rows below the node whose first `level` keys (0 .. 7) are
// in `keys`; level 0 with zero keys does the whole estimate. On return
// `totals` holds the sums of that level's group and item rows.
//
// A group row whose amounts differ from its sub-level is corrected after an
// information box naming it ("…の金額を訂正します"); an item row whose estimate
// amount disagrees with price x quantity beeps before it is corrected.
//
// All of it is one transaction: on an error (DbError, or OverflowError for an
// amount beyond the currency range or a LONG amount column) nothing is
// changed, `totals` is left as it was and the error goes to the caller.
void sb_CalcTbl(Database &db, const QString &table, int level, LevelKeys keys, Totals &totals, Prompts &prompts);

// The item-row step on the current record of a dynaset over an item table:
// beeps when tk1 is set and kn1 is not Int(tk1 x su1), recomputes kn1 (when
// tk1 <> 0) and kn2 (when tk2 <> 0), saves the record when something changed
// and returns the row's amounts afterwards.
Totals sb_CalcAmt(Recordset &rs, Prompts &prompts);

}  // namespace rz
