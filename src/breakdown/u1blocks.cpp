// The edit menu and its block commands: marking a block on the level shown,
// copying it in front of the cursor row, deleting it, row spacing and the
// amount copies. The rules of placing and renumbering rows live in blocks/;
// here they meet the editor's state, its messages and its redisplay.
#include "u1fields.h"

#include "blocks/rowspacing.h"
#include "store/vbconv.h"

namespace rz {

const QString U1Blocks::kBlockRangeWrong = QStringLiteral("範囲の指定に誤りがあります");
const QString U1Blocks::kBlockNoRoom = QStringLiteral("すべての行は複写出来ませんでした");
const QString U1Blocks::kSpacingTooWide =
    QStringLiteral("行数が多すぎるため、行間を作成するとキーが上限を超えます。行間作成を中止しました");

const QStringList &U1Blocks::pu10Captions()
{
    static const QStringList captions{
        QStringLiteral("ブロック範囲指定開始"), QStringLiteral("ブロック範囲指定終了"),
        QStringLiteral("ブロック複写"),         QStringLiteral("ブロック削除"),
        QStringLiteral("ブロック ファイル保存"), QStringLiteral("ブロック ファイル読込"),
        QStringLiteral("行間作成"),             QStringLiteral("見積金額－＞予算金額"),
        QStringLiteral("予算金額－＞見積金額"), QStringLiteral("Excelﾜｰｸｼｰﾄに保存"),
        QStringLiteral("Excelﾜｰｸｼｰﾄから読込"), QStringLiteral("単価マスタに登録"),
        QStringLiteral("元に戻す"),             QStringLiteral("やり直し")};
    return captions;
}

void U1Blocks::open()
{
    BlkTop.fill(0);
    BlkEnd.fill(0);
    BlkFlg = false;
    BlkPage = BlkRow = BlkLvl = 0;
    BlkTopName.clear();
    RS_UTbl = db().openRecordset(QStringLiteral("SELECT * FROM ") + lvl().TblName);
}

int U1Blocks::markedRows() const { return RS_UTbl ? RS_UTbl->recordCount() : 0; }

QList<bool> U1Blocks::pu10Enabled() const
{
    const int row = grid().row();
    const bool dataRow = row >= 1 && row < grid().rows() && !u1_.page().flag(row).startsWith(u'*');
    QList<bool> on(PU10_Count, true);  // block file reading, row spacing and the Excel entries: always
    on[PU10_Top] = dataRow;
    on[PU10_End] = dataRow && !BlkFlg;
    on[PU10_BCopy] = BlkFlg;
    on[PU10_BFile] = BlkFlg;
    // Only where the block was marked: the same depth under the same row.
    on[PU10_BDel] = blockOnLevelShown();
    on[PU10_Copy1] = lvl().DispMode == 1;
    on[PU10_Copy2] = lvl().DispMode == 0;
    on[PU10_Master] = dataRow || BlkFlg;
    on[PU10_Undo] = u1_.undo().canUndo();
    on[PU10_Redo] = u1_.undo().canRedo();
    return on;
}

void U1Blocks::sb_EditMenu(int x, int y)
{
    // Separator lines set the groups apart: marking, copy and delete, block
    // files, row spacing, amount copies, worksheets, the unit-price master.
    static const std::vector<int> layout{PU10_Top,     PU10_End,  -1,         PU10_BCopy,    PU10_BDel,
                                         -1,           PU10_BFile, PU10_BRead, -1,            PU10_MkRowSpc,
                                         -1,           PU10_Copy1, PU10_Copy2, -1,            PU10_WriteXls,
                                         PU10_ReadXls, -1,         PU10_Master, -1,           PU10_Undo,
                                         PU10_Redo};
    const QStringList &captions = pu10Captions();
    const QList<bool> enabled = pu10Enabled();
    QStringList shown;
    QList<bool> shownEnabled;
    // The undo entries name the step they would undo or redo.
    const auto named = [&](int entry) {
        const QString step = entry == PU10_Undo ? u1_.undo().undoName() : entry == PU10_Redo ? u1_.undo().redoName() : QString();
        return step.isEmpty() ? captions[entry] : captions[entry] + QStringLiteral("（") + step + QStringLiteral("）");
    };
    for (int entry : layout) {
        shown << (entry < 0 ? QStringLiteral("-") : named(entry));
        shownEnabled << (entry < 0 ? false : enabled[entry]);
    }
    const int choice = prompts_.popupMenu(shown, shownEnabled, host_.globalPointFromTwips(x, y));
    if (choice >= 0 && layout[static_cast<size_t>(choice)] >= 0)
        PU10_Click(layout[static_cast<size_t>(choice)]);
}

void U1Blocks::PU10_Click(int entry)
{
    if (entry == PU10_Undo || entry == PU10_Redo) {
        entry == PU10_Undo ? u1_.undo().undo() : u1_.undo().redo();
        return;
    }
    U1Undo::Scope step(u1_, pu10Captions().value(entry));
    switch (entry) {
    case PU10_Top: PU10_Top_Click(); break;
    case PU10_End: PU10_End_Click(); break;
    case PU10_BCopy: PU10_BCopy_Click(); break;
    case PU10_BDel: PU10_BDel_Click(); break;
    case PU10_BFile: PU10_BFile_Click(); break;
    case PU10_BRead: PU10_BRead_Click(); break;
    case PU10_MkRowSpc: PU10_MkRowSpc_Click(); break;
    case PU10_Copy1: sb_AmtCopy(0); break;
    case PU10_Copy2: sb_AmtCopy(1); break;
    case PU10_WriteXls: u1_.workbook().sb_WriteXls(); break;
    case PU10_ReadXls: u1_.workbook().sb_ReadXls(); break;
    case PU10_Master: u1_.master().registerRows(); break;
    default: break;
    }
}

BlockPlace U1Blocks::blockPlace(int row) const
{
    BlockPlace place;
    place.level = lvl().CurLvl;
    place.path = lvl().LvlKey;
    place.keyAbove = u1_.page().rowKey(row - 1);
    if (!u1_.isInputRow(row))
        place.keyBelow = u1_.page().rowKey(row);
    return place;
}

void U1Blocks::progressDot()
{
    u1_.setMessage(u1_.view().LblMsg + u'.');
    host_.refresh();
    host_.processEvents();
}

void U1Blocks::afterBlockCommand(bool clearMessage)
{
    u1_.reread();
    if (clearMessage)
        u1_.setMessage(QString());
    u1_.calc().sb_CalcTotal(0);
    u1_.sb_DispPage(1);
    u1_.sb_Editx();
    prompts_.setBusy(false);
}

void U1Blocks::forgetBlock()
{
    // The start goes too: its keys may name other rows now, so an end marked
    // later must not make a block of them.
    BlkFlg = false;
    BlkTop.fill(0);
    BlkTopName.clear();
    // Its recordset selects a key range whose rows are gone or renumbered.
    RS_UTbl.reset();
}

bool U1Blocks::blockOnLevelShown() const
{
    // The block's top rows are rows of this level: same depth, same path.
    if (!BlkFlg || lvl().CurLvl + 1 != BlkLvl)
        return false;
    for (int i = 0; i < lvl().CurLvl; ++i)
        if (BlkTop[static_cast<size_t>(i)] != lvl().LvlKey[static_cast<size_t>(i)])
            return false;
    return true;
}

bool U1Blocks::readRowKeys(int row, std::array<qint32, 9> &keys)
{
    // The grid row's keys as stored, with the ninth slot left 0 so that a
    // depth test can look one level past the last.
    try {
        const U1Fields &f = fields();
        u1_.page().sb_GetCurRec(row);
        for (size_t i = 0; i < U1Level::kLevels; ++i)
            keys[i] = static_cast<qint32>(rsLvl().field(f.key[i]).toLong());
    } catch (const std::exception &e) {
        u1_.showError(e);
        return false;
    }
    keys[U1Level::kLevels] = 0;
    return true;
}

void U1Blocks::PU10_Top_Click()
{
    const int row = grid().row();
    if (u1_.isInputRow(row)) {
        prompts_.beep();
        return;
    }
    if (!readRowKeys(row, BlkTop))
        return;
    BlkPage = lvl().page();
    BlkRow = row;
    BlkTopName = Trim(grid().text(row, U1Session::ColKnm));
    u1_.setMessage(QStringLiteral("選択ブロック ") + BlkTopName + QStringLiteral("～"));
    BlkFlg = false;
}

void U1Blocks::PU10_End_Click()
{
    const int row = grid().row();
    if (u1_.isInputRow(row) || BlkFlg) {
        prompts_.beep();
        return;
    }
    std::array<qint32, 9> end{};
    if (!readRowKeys(row, end))
        return;
    // The start must be a row of this very level (not of another level, nor
    // missing), and the end must not lie before it.
    const size_t lvl = curLvl();
    bool sameLevel = BlkTop[lvl] != 0 && BlkTop[lvl + 1] == 0;
    for (size_t i = 0; i < lvl; ++i)
        sameLevel = sameLevel && BlkTop[i] == this->lvl().LvlKey[i];
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
        u1_.showError(e);
        return;
    }
    u1_.setMessage(QStringLiteral("選択ブロック ") + BlkTopName + QStringLiteral("～") +
                   Trim(grid().text(row, U1Session::ColKnm)));
    BlkFlg = true;
    BlkLvl = this->lvl().CurLvl + 1;
    prompts_.setBusy(false);
}

void U1Blocks::sb_SetBlkRs()
{
    auto rs = db().openRecordset(blockRangeSQL(lvl().TblName, lvl().CurLvl, BlkTop, BlkEnd));
    if (rs->recordCount() > 0)
        rs->moveLast();
    RS_UTbl = std::move(rs);
}

void U1Blocks::PU10_BCopy_Click()
{
    if (!BlkFlg || !RS_UTbl)
        return;
    const int row = grid().row();
    prompts_.setBusy(true);
    u1_.setMessage(QStringLiteral("指定ブロック書込中！！"));
    host_.refresh();
    BlockCopyResult result;
    try {
        // The block as it stands in the file now; the copies and the
        // level's rows together, or nothing.
        Transaction tx(db());
        RS_UTbl->requery();
        BlockInserter into(db(), lvl().TblName, blockPlace(row), BlkLvl);
        result = copyBlockRows(*RS_UTbl, into, [this] { progressDot(); });
        tx.commit();
    } catch (const std::exception &e) {
        u1_.showError(e);
        afterBlockCommand();
        return;
    }
    // The rows copied before the stop stay.
    if (result.noRoom)
        prompts_.message(kBlockNoRoom, MsgExclamation);
    afterBlockCommand();
}

void U1Blocks::PU10_BDel_Click()
{
    if (!blockOnLevelShown() || !RS_UTbl)
        return;
    int count = 0;
    try {
        RS_UTbl->requery();
        count = RS_UTbl->recordCount();
    } catch (const std::exception &e) {
        u1_.showError(e);
        return;
    }
    if (prompts_.message(QStringLiteral("指定ブロックを削除します ") + Str(qint64(count)), MsgOkCancelInformation) !=
            AnswerOk ||
        count == 0)
        return;
    prompts_.setBusy(true);
    u1_.setMessage(QStringLiteral("指定ブロック削除中！！"));
    host_.refresh();
    try {
        // The deletes go to a server in a few exchanges, not one per row.
        Transaction tx(db(), TxWrites::Batched);
        for (int n = 1; RS_UTbl->recordCount() > 0; ++n) {
            if (n % 100 == 0)
                progressDot();
            RS_UTbl->moveLast();
            RS_UTbl->deleteRecord();
        }
        tx.commit();
    } catch (const std::exception &e) {
        u1_.showError(e);
        afterBlockCommand();
        return;
    }
    forgetBlock();
    u1_.setPage(BlkPage);
    afterBlockCommand();
}

void U1Blocks::PU10_MkRowSpc_Click()
{
    prompts_.setBusy(true);
    u1_.setMessage(QStringLiteral("行間作成中！！"));
    host_.refresh();
    try {
        int blockRows = 0;
        if (BlkFlg && RS_UTbl) {
            RS_UTbl->requery();
            blockRows = RS_UTbl->recordCount();
        }
        // Every key of the level renumbered, or none.
        Transaction tx(db());
        sb_SetLvl(db(), lvl().TblName, lvl().CurLvl, lvl().LvlKey, rowSpacingFor(BlkFlg, blockRows),
                  [this] { prompts_.beep(); }, [this] { progressDot(); });
        tx.commit();
    } catch (const OverflowError &) {
        prompts_.message(kSpacingTooWide, MsgExclamation);
        afterBlockCommand();
        return;
    } catch (const std::exception &e) {
        u1_.showError(e);
        afterBlockCommand();
        return;
    }
    forgetBlock();
    // The copied row moved with its level: the copy follows it to its new key.
    u1_.rows().followRowSpacing();
    afterBlockCommand();
}

void U1Blocks::sb_AmtCopy(int mode)
{
    prompts_.setBusy(true);
    try {
        // The rows' writes go to a server together, not one per row.
        Transaction tx(db(), TxWrites::Batched);
        rz::sb_AmtCopy(rsLvl(), mode);
        tx.commit();
    } catch (const std::exception &e) {
        u1_.showError(e);
    }
    afterBlockCommand(false);
}

}  // namespace rz
