// The breakdown editor's two printouts, fed with the editor's level state:
// the lists below its current row (内訳＋明細 / 内訳), and the page it shows
// (表示画面) with subtotals that include the rows of the earlier pages.
#include "listprinter.h"

#include "store/recordset.h"
#include "store/rowkind.h"

namespace rz {

void ListPrinter::sb_PrtFromRow(int curLvl, LevelKeys lvlKey, const Recordset &currentRow)
{
    const size_t l = static_cast<size_t>(curLvl);
    lvlKey[l] = static_cast<qint32>(currentRow.field(curLvl).toLong());
    Prt_Name[l + 1] = currentRow.field(QStringLiteral("knm")).toString();
    sb_ListLevel(curLvl + 1, lvlKey);
}

void ListPrinter::sb_PrtScreen(Recordset &rsLvl, int curLvl, int page, const QString &title, Currency levelTotal)
{
    auto &tot = Prt_Tot;
    tot[0] = tot[1] = Currency();
    if (rsLvl.recordCount() > 0)
        rsLvl.moveFirst();

    // The first page of a sub-level shows 19 rows under its title.
    const int before = page > 1 ? (page - 1) * kBands - (curLvl > 0 ? 1 : 0) : 0;
    for (int i = 0; i < before && !rsLvl.eof(); ++i, rsLvl.moveNext()) {
        const QString flg = rsLvl.field(QStringLiteral("flg")).toString();
        if (isProvisionallyDeleted(flg))
            continue;
        const QString knm = rsLvl.field(QStringLiteral("knm")).toString();
        if (beginsWithTotalMark(knm)) {
            if (!isRunningTotalName(knm))
                tot[1] = Currency();
        } else {
            const Currency kn1 = rsLvl.field(QStringLiteral("kn1")).toCurrency();
            tot[0] += kn1;
            tot[1] += kn1;
        }
    }

    int lines = 0;
    if (page == 1 && curLvl != 0) {
        sb_PrtLocate(Prt_OffX + 7, Prt_OffY + 7);
        device_.print(title);
        lines = 1;
    }
    // The record of the page's first grid row.
    if (rsLvl.recordCount() > 0) {
        rsLvl.moveFirst();
        rsLvl.move(before);
    }
    for (;;) {
        if (rsLvl.eof()) {
            if (lines < kBands) {
                tot[0] = levelTotal;
                sb_PrtLocate(-1, totalRow());
                sb_ListTotal();
            }
            break;
        }
        if (lines >= kBands)
            break;
        if (!isProvisionallyDeleted(rsLvl.field(QStringLiteral("flg")).toString())) {
            sb_PrtLocate(-1, bandRow(lines));
            if (beginsWithTotalMark(rsLvl.field(QStringLiteral("knm")).toString()))
                sb_ListSubTotal(rsLvl);
            else
                sb_ListRow(rsLvl);
        }
        // A provisionally deleted row keeps its band empty, as on the screen.
        ++lines;
        rsLvl.moveNext();
    }
    sb_PageEnd();
}

}  // namespace rz
