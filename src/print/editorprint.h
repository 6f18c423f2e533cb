// The breakdown editor's two printouts, fed with the editor's level state:
// the lists below its current row (内訳＋明細 / 内訳), and the page it shows
// (表示画面) with subtotals that include the rows of the earlier pages.
#pragma once
#include "store/currency.h"
#include "store/levelkeys.h"

#include <QString>

namespace rz {

class ListPrinter;
class Recordset;

// The lists below the current row: currentRow is the editor's level
// recordset standing on that row, curLvl its level, lvlKey the keys of the
// levels above it (the editor's LvlKey), tblName the item table.
void sb_PrtFromRow(ListPrinter &printer, const QString &tblName, int curLvl, LevelKeys lvlKey,
                   const Recordset &currentRow);

// rsLvl holds the rows of the editor's current level curLvl, page is the
// page shown (from 1), title the level's title and levelTotal its estimate
// total. The driver has cleared the accumulators and set the printer up.
void sb_PrtScreen(ListPrinter &printer, Recordset &rsLvl, int curLvl, int page, const QString &title,
                  Currency levelTotal);

}  // namespace rz
