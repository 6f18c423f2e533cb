// The block commands of the edit menu: marking a block on the level shown,
// copying it in front of the cursor row, deleting it, row spacing and the
// amount copies. The rules of placing and renumbering rows live in
// blocks/; here they meet the editor's state, its messages and its redisplay.
#include "u1fields.h"

#include "blocks/rowspacing.h"
#include "store/vbconv.h"

namespace rz {

const QString U1Session::kBlockRangeWrong = QStringLiteral("範囲の指定に誤りがあります");
const QString U1Session::kBlockNoRoom = QStringLiteral("すべての行は複写出来ませんでした");
const QString U1Session::kSpacingTooWide =
    QStringLiteral("行数が多すぎるため、行間を作成するとキーが上限を超えます。行間作成を中止しました");

BlockPlace U1Session::blockPlace(int row) const
{
    BlockPlace place;
    place.level = CurLvl;
    place.path = LvlKey;
    place.keyAbove = RowKey[static_cast<size_t>(row - 1)][0];
    if (!isInputRow(row))
        place.keyBelow = RowKey[static_cast<size_t>(row)][0];
    return place;
}

void U1Session::progressDot()
{
    LblMsg += u'.';
    host_.refresh();
    host_.processEvents();
}

void U1Session::afterBlockCommand(bool clearMessage)
{
    reread();
    if (clearMessage)
        LblMsg.clear();
    sb_CalcTotal(0);
    sb_DispPage(1);
    sb_Editx();
    prompts_.setBusy(false);
}

void U1Session::forgetBlock()
{
    // The start goes too: its keys may name other rows now, so an end marked
    // later must not make a block of them.
    BlkFlg = false;
    BlkTop.fill(0);
    BlkTopName.clear();
    // Its recordset selects a key range whose rows are gone or renumbered.
    RS_UTbl.reset();
}

bool U1Session::blockOnLevelShown() const
{
    // The block's top rows are rows of this level: same depth, same path.
    if (!BlkFlg || CurLvl + 1 != BlkLvl)
        return false;
    for (int i = 0; i < CurLvl; ++i)
        if (BlkTop[static_cast<size_t>(i)] != LvlKey[static_cast<size_t>(i)])
            return false;
    return true;
}

bool U1Session::readRowKeys(int row, std::array<qint32, 9> &keys)
{
    // The grid row's keys as stored, with the ninth slot left 0 so that a
    // depth test can look one level past the last.
    try {
        const Fields &f = fields();
        sb_GetCurRec(row);
        for (size_t i = 0; i < kLevels; ++i)
            keys[i] = static_cast<qint32>(RsLvl->field(f.key[i]).toLong());
    } catch (const std::exception &e) {
        showError(e);
        return false;
    }
    keys[kLevels] = 0;
    return true;
}

void U1Session::PU10_Top_Click()
{
    const int row = grid_.row();
    if (isInputRow(row)) {
        prompts_.beep();
        return;
    }
    if (!readRowKeys(row, BlkTop))
        return;
    BlkPage = LvlPage[static_cast<size_t>(CurLvl)];
    BlkRow = row;
    BlkTopName = Trim(grid_.text(row, ColKnm));
    LblMsg = QStringLiteral("選択ブロック ") + BlkTopName + QStringLiteral("～");
    BlkFlg = false;
}

void U1Session::PU10_End_Click()
{
    const int row = grid_.row();
    if (isInputRow(row) || BlkFlg) {
        prompts_.beep();
        return;
    }
    std::array<qint32, 9> end{};
    if (!readRowKeys(row, end))
        return;
    // The start must be a row of this very level (not of another level, nor
    // missing), and the end must not lie before it.
    const size_t lvl = static_cast<size_t>(CurLvl);
    bool sameLevel = BlkTop[lvl] != 0 && BlkTop[lvl + 1] == 0;
    for (size_t i = 0; i < lvl; ++i)
        sameLevel = sameLevel && BlkTop[i] == LvlKey[i];
    if (!sameLevel || end[lvl] < BlkTop[lvl]) {
        prompts_.message(kBlockRangeWrong, MsgExclamation);
        return;
    }
    BlkEnd = end;
    prompts_.setBusy(true);
    try {
        sb_SetBlkRs();
    } catch (const std::exception &e) {
        prompts_.setBusy(false);
        showError(e);
        return;
    }
    LblMsg = QStringLiteral("選択ブロック ") + BlkTopName + QStringLiteral("～") + Trim(grid_.text(row, ColKnm));
    BlkFlg = true;
    BlkLvl = CurLvl + 1;
    prompts_.setBusy(false);
}

void U1Session::sb_SetBlkRs()
{
    auto rs = db().openRecordset(blockRangeSQL(TblName, CurLvl, BlkTop, BlkEnd));
    if (rs->recordCount() > 0)
        rs->moveLast();
    RS_UTbl = std::move(rs);
}

void U1Session::PU10_BCopy_Click()
{
    if (!BlkFlg || !RS_UTbl)
        return;
    const int row = grid_.row();
    prompts_.setBusy(true);
    LblMsg = QStringLiteral("指定ブロック書込中！！");
    host_.refresh();
    BlockCopyResult result;
    try {
        // The block as it stands in the file now; the copies and the
        // level's rows together, or nothing.
        Transaction tx(db());
        RS_UTbl->requery();
        BlockInserter into(db(), TblName, blockPlace(row), BlkLvl);
        result = copyBlockRows(*RS_UTbl, into, [this] { progressDot(); });
        tx.commit();
    } catch (const std::exception &e) {
        showError(e);
        afterBlockCommand();
        return;
    }
    // The rows copied before the stop stay.
    if (result.noRoom)
        prompts_.message(kBlockNoRoom, MsgExclamation);
    afterBlockCommand();
}

void U1Session::PU10_BDel_Click()
{
    if (!blockOnLevelShown() || !RS_UTbl)
        return;
    int count = 0;
    try {
        RS_UTbl->requery();
        count = RS_UTbl->recordCount();
    } catch (const std::exception &e) {
        showError(e);
        return;
    }
    if (prompts_.message(QStringLiteral("指定ブロックを削除します ") + Str(qint64(count)), MsgOkCancelInformation) !=
            AnswerOk ||
        count == 0)
        return;
    prompts_.setBusy(true);
    LblMsg = QStringLiteral("指定ブロック削除中！！");
    host_.refresh();
    try {
        Transaction tx(db());
        for (int n = 1; RS_UTbl->recordCount() > 0; ++n) {
            if (n % 100 == 0)
                progressDot();
            RS_UTbl->moveLast();
            RS_UTbl->deleteRecord();
        }
        tx.commit();
    } catch (const std::exception &e) {
        showError(e);
        afterBlockCommand();
        return;
    }
    forgetBlock();
    LvlPage[static_cast<size_t>(CurLvl)] = BlkPage;
    afterBlockCommand();
}

void U1Session::PU10_MkRowSpc_Click()
{
    prompts_.setBusy(true);
    LblMsg = QStringLiteral("行間作成中！！");
    host_.refresh();
    try {
        int blockRows = 0;
        if (BlkFlg && RS_UTbl) {
            RS_UTbl->requery();
            blockRows = RS_UTbl->recordCount();
        }
        // Every key of the level renumbered, or none.
        Transaction tx(db());
        sb_SetLvl(db(), TblName, CurLvl, LvlKey, rowSpacingFor(BlkFlg, blockRows), [this] { prompts_.beep(); },
                  [this] { progressDot(); });
        tx.commit();
    } catch (const OverflowError &) {
        prompts_.message(kSpacingTooWide, MsgExclamation);
        afterBlockCommand();
        return;
    } catch (const std::exception &e) {
        showError(e);
        afterBlockCommand();
        return;
    }
    forgetBlock();
    // The copied row moved with its level: the copy follows it to its new key.
    if (CopyFlg == 1 && RsCopy) {
        try {
            RsCopy->moveFirst();
            CopyKeys[static_cast<size_t>(CurLvl)] =
                static_cast<qint32>(RsCopy->field(QStringLiteral("key%1").arg(CurLvl + 1)).toLong());
        } catch (const std::exception &) {
            clearCopy();
        }
    }
    afterBlockCommand();
}

void U1Session::sb_AmtCopy(int mode)
{
    prompts_.setBusy(true);
    try {
        Transaction tx(db());
        rz::sb_AmtCopy(*RsLvl, mode);
        tx.commit();
    } catch (const std::exception &e) {
        showError(e);
    }
    afterBlockCommand(false);
}

}  // namespace rz
