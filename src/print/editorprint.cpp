#include "editorprint.h"

#include "listprinter.h"
#include "store/recordset.h"

namespace rz {

void sb_PrtFromRow(ListPrinter &printer, const QString &tblName, int curLvl, LevelKeys lvlKey,
                   const Recordset &currentRow)
{
    Shared &s = printer.shared();
    s.Prt_Tbl = tblName;
    const size_t l = static_cast<size_t>(curLvl);
    lvlKey[l] = static_cast<qint32>(currentRow.field(curLvl).toLong());
    s.Prt_Name[l + 1] = currentRow.field(QStringLiteral("knm")).toString();
    printer.sb_ListLevel(curLvl + 1, lvlKey);
}

void sb_PrtScreen(ListPrinter &printer, Recordset &rsLvl, int curLvl, int page, const QString &title,
                  Currency levelTotal)
{
    Shared &s = printer.shared();
    auto &tot = s.Prt_Tot;
    tot[0] = tot[1] = Currency();
    if (rsLvl.recordCount() > 0)
        rsLvl.moveFirst();

    // The first page of a sub-level shows 19 rows under its title.
    const int before = page > 1 ? (page - 1) * ListPrinter::kBands - (curLvl > 0 ? 1 : 0) : 0;
    for (int i = 0; i < before && !rsLvl.eof(); ++i, rsLvl.moveNext()) {
        const QString flg = rsLvl.field(QStringLiteral("flg")).toString();
        if (ListPrinter::isProvisionallyDeleted(flg))
            continue;
        const QString knm = rsLvl.field(QStringLiteral("knm")).toString();
        if (ListPrinter::beginsWithTotalMark(knm)) {
            if (!ListPrinter::isRunningTotalName(knm))
                tot[1] = Currency();
        } else {
            const Currency kn1 = rsLvl.field(QStringLiteral("kn1")).toCurrency();
            tot[0] += kn1;
            tot[1] += kn1;
        }
    }

    int lines = 0;
    if (page == 1 && curLvl != 0) {
        printer.sb_PrtLocate(s.Prt_OffX + 7, s.Prt_OffY + 7);
        printer.device().print(title);
        lines = 1;
    }
    // The record of the page's first grid row.
    if (rsLvl.recordCount() > 0) {
        rsLvl.moveFirst();
        rsLvl.move(before);
    }
    for (;;) {
        if (rsLvl.eof()) {
            if (lines < ListPrinter::kBands) {
                tot[0] = levelTotal;
                printer.sb_PrtLocate(-1, printer.totalRow());
                printer.sb_ListTotal();
            }
            break;
        }
        if (lines >= ListPrinter::kBands)
            break;
        if (!ListPrinter::isProvisionallyDeleted(rsLvl.field(QStringLiteral("flg")).toString())) {
            printer.sb_PrtLocate(-1, printer.bandRow(lines));
            if (ListPrinter::beginsWithTotalMark(rsLvl.field(QStringLiteral("knm")).toString()))
                printer.sb_ListSubTotal(rsLvl);
            else
                printer.sb_ListRow(rsLvl);
        }
        // A provisionally deleted row keeps its band empty, as on the screen.
        ++lines;
        rsLvl.moveNext();
    }
    printer.sb_PageEnd();
}

}  // namespace rz
