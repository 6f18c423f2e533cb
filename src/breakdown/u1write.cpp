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
    bool gone = false;
    if (any) {
        try {
            Transaction tx(db());
            for (int r = 1; r <= last; ++r) {
                if (!RowDirty[static_cast<size_t>(r)])
                    continue;
                try {
                    sb_WriteRec(r, 0);
                } catch (const DbError &e) {
                    // A row another program deleted has no record to take
                    // the text; the other rows are still written.
                    if (e.code() != kRecordDeleted)
                        throw;
                    RsLvl->cancelUpdate();
                    gone = true;
                }
            }
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
        // What the rows show is now what their records hold.
        for (int r = 1; r <= last; ++r) {
            const size_t ur = static_cast<size_t>(r);
            if (!RowDirty[ur])
                continue;
            for (int c = 0; c < ColCount; ++c)
                shown_[ur][static_cast<size_t>(c)] = grid_.text(r, c);
            shownFlg_[ur] = RowFlg[ur];
            shownInt0_[ur] = RowInt0[ur];
        }
    }
    RowDirty.fill(false);
    if (gone) {
        refreshAfterRowsGone();
        return false;
    }
    host_.processEvents();
    return true;
}

void U1Session::refreshAfterRowsGone()
{
    prompts_.message(kRowsGone, MsgExclamation);
    if (!RsLvl)
        return;
    RsLvl->requery();
    sb_CalcTotal(0);
    sb_DispPage(1);
}

void U1Session::sb_WriteRec(int row, int mode)
{
    const Fields &f = fields();
    const size_t r = static_cast<size_t>(row);
    if (mode == 1) {
        // The new record starts blank: everything the row shows is written
        // into it, and it is an item whatever the row it was made from is.
        addBlankRecord(RowKey[r][1]);
        for (auto &text : shown_[r])
            text.clear();
        RowFlg[r] = shownFlg_[r] = kItemFlag;
        RowInt0[r] = shownInt0_[r] = 0;
        locateRecord(row, RowKey[r][1]);
    } else {
        sb_GetCurRec(row);
    }
    // The grid shows names cut to 40 bytes, quantities to three decimals and
    // amounts to whole yen. Writing that copy back would shorten long names
    // and round stored values, and would put an old copy over what another
    // program or a calculation pass wrote since; so only a cell that no
    // longer shows what was read from the record is written.
    const auto &shown = shown_[r];
    auto changed = [&](int col) { return grid_.text(row, col) != shown[static_cast<size_t>(col)]; };
    FieldWriter w(*RsLvl);
    struct TextCol {
        int col, field, bytes;
    };
    for (const TextCol &t : {TextCol{ColKnm, f.knm, 40}, TextCol{ColMei, f.mei, 20}, TextCol{ColTn1, f.tn1, 4},
                             TextCol{ColBk1, f.bk1, 20}})
        if (changed(t.col))
            w.put(t.field, Value(padBytes(grid_.text(row, t.col), t.bytes)));
    for (const auto &[col, field] : {std::pair{int(ColSu1), f.su1}, std::pair{int(ColSu2), f.su2},
                                     std::pair{int(ColTk1), f.tk1}, std::pair{int(ColTk2), f.tk2},
                                     std::pair{int(ColKn1), f.kn1}, std::pair{int(ColKn2), f.kn2}})
        if (changed(col))
            w.put(field, Value(cellValue(grid_.text(row, col))));
    if (RowFlg[r] != shownFlg_[r])
        w.put(f.flg, Value(RowFlg[r]));
    if (RowInt0[r] != shownInt0_[r])
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
