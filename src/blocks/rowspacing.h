// Reworking the level shown as a whole: row spacing (行間作成) spreads the
// keys of the level's rows apart again, each sub-tree moving with its row,
// and the amount copy moves quantity, unit price and amount between the
// estimate and the budget set of the level's leaves.
#pragma once
#include "blockcopy.h"

namespace rz {

// 1024, or 64 x the rows of a marked block when that is larger.
qint64 rowSpacingFor(bool blockMarked, int blockRows);

// Renumbers key level+1 of the level's rows with everything below them (the
// keys of `path` fixed, key level+1 not 0, in key order): the level's rows get
// spacing, 2 x spacing, ... in their order, every row below takes the key of
// the level row it follows. A row whose lvl disagrees with its keys is
// corrected and `beep` is called for it. Throws OverflowError before anything
// is written when a key would pass the 32-bit range. Rows are written in the
// order they lie in the file, inside the caller's transaction.
void sb_SetLvl(Database &db, const QString &table, int level, const LevelKeys &path, qint64 spacing,
               const std::function<void()> &beep, const BlockProgress &progress);

// Mode 0: su2, tk2, kn2 = su1, tk1, kn1 on every leaf ("-") of `rs`; mode 1
// the other way. Rows with a sub-level keep their amounts.
void sb_AmtCopy(Recordset &rs, int mode);

}  // namespace rz
