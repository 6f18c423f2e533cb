// Grid rows back into the item table: the changed rows of the page in one
// transaction, a new record's initial values, and the rule that a cell still
// showing exactly what was read leaves its column alone.
#include "u1fields.h"

#include "amount.h"
#include "store/sjis.h"
#include "store/vbconv.h"

namespace rz {

namespace {
// The currency value of a number cell on its way back; an empty cell is 0.
Currency cellValue(const QString &cell)
{
    const QString t = Trim(cell);
    if (t.isEmpty())
        return Currency();
    if (auto v = CCur(t))
        return *v;
    throw DbError(QStringLiteral("データ型が一致しません: '%1'").arg(t));
}
}  // namespace

bool U1Session::sb_WriteUTbl()
{
    bool any = false;
    int last = 0;
    for (int r = 1; r < grid_.rows() && r <= kPageRows; ++r) {
        if (isInputRow(r))
            break;
        last = r;
        any = any || RowDirty[static_cast<size_t>(r)];
    }
    if (any) {
        try {
            Transaction tx(db());
            for (int r = 1; r <= last; ++r)
                if (RowDirty[static_cast<size_t>(r)])
                    sb_WriteRec(r, 0);
            tx.commit();
        } catch (const std::exception &e) {
            // Nothing of the page was written; the grid keeps the rows for another try.
            if (RsLvl) {
                RsLvl->cancelUpdate();
                RsLvl->requery();
            }
            showError(e);
            return false;
        }
    }
    RowDirty.fill(false);
    host_.processEvents();
    return true;
}

void U1Session::sb_WriteRec(int row, int mode)
{
    const Fields &f = fields();
    const size_t r = static_cast<size_t>(row);
    if (mode == 1)
        addBlankRecord(RowKey[r][1]);
    sb_GetCurRec(row);
    // The grid shows names cut to 40 bytes, quantities to three decimals and
    // amounts to whole yen. Writing that copy back would shorten long names
    // and round stored values, so only a cell that no longer shows what its
    // column holds is written.
    FieldWriter w(*RsLvl);
    struct TextCol {
        int col, field, bytes;
    };
    for (const TextCol &t : {TextCol{ColKnm, f.knm, 40}, TextCol{ColMei, f.mei, 20}, TextCol{ColTn1, f.tn1, 4},
                             TextCol{ColBk1, f.bk1, 20}}) {
        const QString cell = grid_.text(row, t.col);
        if (cell != padBytes(RsLvl->field(t.field).toString(), t.bytes))
            w.put(t.field, Value(padBytes(cell, t.bytes)));
    }
    for (const auto &[col, field] : {std::pair{int(ColSu1), f.su1}, std::pair{int(ColSu2), f.su2}}) {
        const QString cell = grid_.text(row, col);
        if (cell != quantityDisplay(quantityOf(RsLvl->field(field))))
            w.put(field, Value(cellValue(cell)));
    }
    struct MoneyCol {
        int col, field;
        const QString &mask;
    };
    for (const MoneyCol &m : {MoneyCol{ColTk1, f.tk1, kPriceMask}, MoneyCol{ColTk2, f.tk2, kPriceMask},
                              MoneyCol{ColKn1, f.kn1, kAmountMask}, MoneyCol{ColKn2, f.kn2, kAmountMask}}) {
        const QString cell = grid_.text(row, m.col);
        if (cell != moneyText(RsLvl->field(m.field).toCurrency(), m.mask))
            w.put(m.field, Value(cellValue(cell)));
    }
    if (RsLvl->field(f.flg).toString() != RowFlg[r])
        w.put(f.flg, Value(RowFlg[r]));
    if (RsLvl->field(f.int0).toLong() != RowInt0[r])
        w.put(f.int0, Value(qint64(RowInt0[r])));
    w.save();
}

void U1Session::addBlankRecord(qint32 key)
{
    const Fields &f = fields();
    RsLvl->addNew();
    sb_U1RecClr();
    // Deeper entries of the path may be left from levels visited earlier:
    // a row of this level has 0 after its own key.
    for (int i = 0; i < kLevels; ++i)
        RsLvl->setField(f.key[static_cast<size_t>(i)], Value(qint64(i < CurLvl ? LvlKey[static_cast<size_t>(i)] : 0)));
    RsLvl->setField(f.key[static_cast<size_t>(CurLvl)], Value(qint64(key)));
    RsLvl->update();
    RsLvl->requery();
}

void U1Session::sb_U1RecClr()
{
    const Fields &f = fields();
    Recordset &rs = *RsLvl;
    rs.setField(f.knm, Value(QString(40, u' ')));
    rs.setField(f.mei, Value(QString(20, u' ')));
    rs.setField(f.tn1, Value(QString(4, u' ')));
    for (int c : {f.su1, f.tk1, f.kn1, f.su2, f.tk2, f.kn2})
        rs.setField(c, Value(qint64(0)));
    rs.setField(f.rt1, Value(qint64(100)));
    rs.setField(f.rt2, Value(qint64(100)));
    rs.setField(f.lvl, Value(qint64(CurLvl + 1)));
    for (const char *bk : {"bk1", "bk2", "bk3"})
        rs.setField(QString::fromLatin1(bk), Value(QString(20, u' ')));
    rs.setField(f.flg, Value(kItemFlag));
    for (int c = 24; c < rs.fieldCount(); ++c)
        rs.setField(c, Value(qint64(0)));
    if (f.bk4 >= 0)
        rs.setField(f.bk4, Value(QString(20, u' ')));
}

}  // namespace rz
