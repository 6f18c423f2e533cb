// Going down into a row's sub-level and back up: the path of keys, the
// per-level page, row, title and rates, and the roll-up of a level's totals
// into the row it was opened from.
#include "u1fields.h"

#include "rowkind.h"
#include "store/sjis.h"
#include "store/vbconv.h"

namespace rz {

namespace {
// A row without a recorded rate is at 100 %: dividing by a missing rate
// would make every later rate entry on the level fail.
int rateOf(const Value &v) { return v.isNull() ? 100 : static_cast<int>(v.toLong()); }
}  // namespace

void U1Session::sb_LevelDown()
{
    const int row = grid_.row();
    const size_t r = static_cast<size_t>(row);
    if (isInputRow(row) || isProvisionallyDeleted(RowFlg[r]) || CurLvl >= kLevels - 1 ||
        !Trim(grid_.text(row, ColTk1)).isEmpty() || !Trim(grid_.text(row, ColTk2)).isEmpty()) {
        // A row with a unit price is an item, not a group.
        prompts_.beep();
        return;
    }
    if (!sb_WriteUTbl())
        return;
    clearCopy();
    EditFlg = false;
    LvlRow[static_cast<size_t>(CurLvl)] = row;
    LvlCol[static_cast<size_t>(CurLvl)] = grid_.col();
    int rt1 = 100, rt2 = 100;
    try {
        const Fields &f = fields();
        Transaction tx(db());
        sb_GetCurRec(row);
        if (MidBAnsi(RsLvl->field(f.flg).toString(), 1, 1) == QLatin1String("-")) {
            RsLvl->edit();
            RsLvl->setField(f.flg, Value(kGroupFlag));
            RsLvl->update();
        }
        rt1 = rateOf(RsLvl->field(f.rt1));
        rt2 = rateOf(RsLvl->field(f.rt2));
        tx.commit();
    } catch (const std::exception &e) {
        reread();
        showError(e);
        return;
    }
    LvlKey[static_cast<size_t>(CurLvl)] = RowKey[r][0];
    LvlTitle[static_cast<size_t>(CurLvl + 1)] = grid_.text(row, ColKnm);
    ++CurLvl;
    const size_t lvl = static_cast<size_t>(CurLvl);
    sb_MkRSSQL(CurLvl);
    LvlRt1[lvl] = rt1;
    LvlRt2[lvl] = rt2;
    LvlPage[lvl] = 1;
    moveCursor(1, 1);
    if (!openLevel()) {
        // The sub-level cannot be read: stay where the user was.
        --CurLvl;
        openLevel();
        sb_CalcTotal(0);
        sb_DispPage(1);
        return;
    }
    LblUTitle = LvlTitle[lvl];
    LblMsg.clear();
    sb_CalcTotal(1);
    sb_DispPage(1);
    if (isInputRow(1))
        LblMsg = kEmptyLevel;
    sb_Editx();
}

void U1Session::goUp()
{
    prompts_.setBusy(true);
    bool ok = sb_WriteUTbl();
    // The pass and the roll-up take the level's rows as they are now, also
    // those another program added since it was read.
    if (ok)
        reread();
    if (CurLvl == 0) {
        // A pass that fails leaves the first level's totals unknown, and the
        // window then closes without handing any over.
        if (ok)
            sb_DispTotal(2);
        prompts_.setBusy(false);
        if (ok)
            sb_LevelUp();
        return;
    }
    // The pass over the level left and the roll-up into its parent row are
    // one change of the file: either the parent row carries the new totals
    // or nothing of the pass is kept.
    bool rolledUp = false;
    try {
        Transaction tx(db());
        ok = ok && sb_DispTotal(2);
        prompts_.setBusy(false);
        if (ok && sb_LevelUp()) {
            tx.commit();
            rolledUp = true;
        }
    } catch (const std::exception &e) {
        prompts_.setBusy(false);
        showError(e);
    }
    if (ok && !rolledUp && RsLvl) {
        // The roll-up was undone: show the level as the file holds it.
        reread();
        sb_CalcTotal(0);
        sb_DispPage(1);
    }
}

bool U1Session::sb_LevelUp()
{
    const bool hadRows = RsLvl && RsLvl->recordCount() > 0;
    if (CurLvl == 0) {
        host_.closeWindow();
        return true;
    }
    clearCopy();
    EditFlg = false;
    --CurLvl;
    const size_t lvl = static_cast<size_t>(CurLvl);
    const int row = LvlRow[lvl];
    grid_.setRows(row + 1);
    grid_.setRow(row);
    if (!openLevel())
        return false;
    LblUTitle = LvlTitle[lvl];
    LblMsg.clear();
    try {
        const Fields &f = fields();
        locateRecord(row, LvlKey[lvl]);
        RsLvl->edit();
        if (hadRows) {
            RsLvl->setField(f.flg, Value(kGroupFlag));
            RsLvl->setField(f.kn1, Value(LvlKn1[lvl + 1]));
            RsLvl->setField(f.kn2, Value(LvlKn2[lvl + 1]));
            RsLvl->setField(f.rt1, Value(qint64(LvlRt1[lvl + 1])));
            RsLvl->setField(f.rt2, Value(qint64(LvlRt2[lvl + 1])));
        } else {
            // An opened row that got no rows below is an item again; a row
            // marked exactly "+" had nothing of its own and loses its amounts.
            if (RsLvl->field(f.flg).toString() == QLatin1String("+")) {
                RsLvl->setField(f.kn1, Value(qint64(0)));
                RsLvl->setField(f.kn2, Value(qint64(0)));
            }
            RsLvl->setField(f.flg, Value(kItemFlag));
            RsLvl->setField(f.rt1, Value(qint64(100)));
            RsLvl->setField(f.rt2, Value(qint64(100)));
        }
        RsLvl->update();
    } catch (const std::exception &e) {
        RsLvl->cancelUpdate();
        showError(e);
        return false;
    }
    sb_CalcTotal(0);
    sb_DispPage(1);
    sb_Editx();
    return true;
}

}  // namespace rz
