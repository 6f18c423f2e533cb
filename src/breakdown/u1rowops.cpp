// Operations on whole rows of the level shown: creating a row, copying a row
// with everything below it and pasting it, deleting it with its sub-levels,
// the provisional deletion and its release, and the edit menu.
#include "u1fields.h"

#include "rowkind.h"
#include "store/sjis.h"
#include "store/vbconv.h"

namespace rz {

namespace {
const quint32 kDeletedBack = 10526880;  // RGB(160,160,160)
const quint32 kTotalFore = 16711680;    // &HFF0000, blue

// The flag with byte 2 set: "x" provisionally deleted, " " released.
QString withSecondByte(QString flg, QChar mark)
{
    while (flg.size() < 2)
        flg += u' ';
    flg[1] = mark;
    return flg;
}
}  // namespace

void U1Session::createRow()
{
    LblMsg.clear();
    const int row = grid_.row();
    const size_t r = static_cast<size_t>(row);
    if (RowKey[r][1] == 0) {
        prompts_.beep();  // the neighbours' keys are adjacent: no key fits between them
        return;
    }
    const bool onInputRow = isInputRow(row);
    if (!sb_WriteUTbl())
        return;
    // The new row goes before the cursor row with what the cursor row shows
    // (nothing on the input row); the row that was there moves down one.
    try {
        Transaction tx(db());
        sb_WriteRec(row, 1);
        tx.commit();
    } catch (const std::exception &e) {
        reread();
        showError(e);
        sb_DispPage(row);
        return;
    }
    // The copied amounts count in the level total like any other row's.
    sb_CalcTotal(0);
    sb_DispPage(row);
    LblMsg.clear();
    if (!onInputRow)
        return;
    sb_GridKeyDown(Qt::Key_Down);
    // The page was full: the new input row opens the next page.
    if (!isInputRow(grid_.row()) && RowKey[static_cast<size_t>(PageRows)][0] != 0) {
        ++LvlPage[static_cast<size_t>(CurLvl)];
        moveCursor(1, 1);
        sb_DispPage(1);
    }
}

void U1Session::clearCopy()
{
    CopyFlg = 0;
    RsCopy.reset();
    CopyKeys.fill(0);
    CopyDepth = 0;
    CopyKn1 = CopyKn2 = Currency();
}

QString U1Session::subtreeWhere(int row)
{
    // The row and every row below it share its keys up to its own depth.
    const Fields &f = fields();
    sb_GetCurRec(row);
    QString where;
    for (int i = 0; i <= CurLvl; ++i) {
        where += (i == 0 ? QStringLiteral("[key1] = ") : QStringLiteral(" AND [key%1] = ").arg(i + 1)) +
                 Trim(Str(RsLvl->field(f.key[static_cast<size_t>(i)]).toLong()));
    }
    return where;
}

void U1Session::sb_CopyMenu()
{
    const QPoint at = host_.globalPointFromTwips(buttonLeft(2), kButtonTop + kButtonHeight);
    // 切り取り has no action: it is shown but cannot be chosen.
    const int choice = prompts_.popupMenu(
        {QStringLiteral("切り取り"), QStringLiteral("コピー"), QStringLiteral("張り付け")}, {false, true, CopyFlg == 1},
        at);
    if (choice == 1 && sb_WriteUTbl())
        sb_Copy();
    else if (choice == 2 && sb_WriteUTbl())
        sb_Paste();
}

void U1Session::sb_Copy()
{
    const int row = grid_.row();
    if (isInputRow(row)) {
        prompts_.beep();
        return;
    }
    prompts_.setBusy(true);
    try {
        const Fields &f = fields();
        const QString where = subtreeWhere(row);
        LevelKeys keys{};
        for (int i = 0; i <= CurLvl; ++i)
            keys[static_cast<size_t>(i)] = static_cast<qint32>(RsLvl->field(f.key[static_cast<size_t>(i)]).toLong());
        const Currency kn1 = RsLvl->field(f.kn1).toCurrency(), kn2 = RsLvl->field(f.kn2).toCurrency();
        auto rows = db().openRecordset(QStringLiteral("SELECT * FROM ") + TblName + QStringLiteral(" WHERE ") + where +
                                       QStringLiteral(" order by ") + QLatin1String(kLevelOrder));
        if (rows->recordCount() > 0) {
            rows->moveLast();
            rows->moveFirst();
        }
        clearCopy();
        RsCopy = std::move(rows);
        CopyKeys = keys;
        CopyDepth = CurLvl + 1;
        CopyKn1 = kn1;
        CopyKn2 = kn2;
        CopyFlg = 1;
    } catch (const std::exception &e) {
        prompts_.setBusy(false);
        showError(e);
        return;
    }
    prompts_.setBusy(false);
}

bool U1Session::copiedRows(std::vector<std::vector<Value>> &rows, std::vector<QString> &names)
{
    // The copy holds the rows themselves, so a paste takes them as they are
    // now. A row that is gone, or whose place no longer lies under the
    // copied row (its slot reused by another row), is no longer part of it;
    // without the copied row itself there is nothing to paste.
    rows.clear();
    names.clear();
    if (!RsCopy || RsCopy->recordCount() == 0)
        return false;
    for (int i = 0; i < RsCopy->fieldCount(); ++i)
        names.push_back(RsCopy->fieldName(i));
    int keyCol[kLevels];
    for (int k = 0; k < kLevels; ++k)
        keyCol[k] = Fields::require(*RsCopy, qPrintable(QStringLiteral("key%1").arg(k + 1)));
    bool first = true;
    for (RsCopy->moveFirst(); !RsCopy->eof(); RsCopy->moveNext(), first = false) {
        std::vector<Value> values;
        try {
            for (int i = 0; i < RsCopy->fieldCount(); ++i)
                values.push_back(RsCopy->field(i));
        } catch (const DbError &e) {
            if (e.reason() != DbFailure::RecordDeleted)  // anything but a deleted record is a real failure
                throw;
            if (first)
                return false;
            continue;
        }
        bool under = true;
        for (int k = 0; k < CopyDepth && under; ++k)
            under = values[static_cast<size_t>(keyCol[k])].toLong() == CopyKeys[static_cast<size_t>(k)];
        if (first && CopyDepth < kLevels && under)
            under = values[static_cast<size_t>(keyCol[CopyDepth])].toLong() == 0;  // still the copied row itself
        if (!under) {
            if (first)
                return false;
            continue;
        }
        rows.push_back(std::move(values));
    }
    return !rows.empty();
}

void U1Session::sb_Paste()
{
    if (CopyFlg != 1 || !RsCopy)
        return;
    const int row = grid_.row();
    const qint32 key = RowKey[static_cast<size_t>(row)][1];
    if (key == 0) {
        prompts_.beep();  // no free key before the cursor row
        return;
    }
    prompts_.setBusy(true);
    try {
        std::vector<std::vector<Value>> rows;
        std::vector<QString> names;
        if (!copiedRows(rows, names)) {
            // The copied row was deleted meanwhile: nothing is left to paste.
            clearCopy();
            prompts_.setBusy(false);
            prompts_.beep();
            return;
        }
        std::vector<int> target;
        for (const QString &n : names)
            target.push_back(RsLvl->fieldIndex(n));
        const int keyCol = fields().key[static_cast<size_t>(CopyDepth - 1)];
        // The whole sub-tree, or nothing of it.
        Transaction tx(db());
        for (const auto &values : rows) {
            RsLvl->addNew();
            for (size_t i = 0; i < values.size(); ++i)
                if (target[i] >= 0)
                    RsLvl->setField(target[i], values[i]);
            // Only the key at the copied row's depth changes: the rows below
            // keep their deeper keys, so the sub-tree keeps its shape.
            RsLvl->setField(keyCol, Value(qint64(key)));
            RsLvl->update();
        }
        tx.commit();
    } catch (const std::exception &e) {
        reread();
        prompts_.setBusy(false);
        showError(e);
        return;
    }
    reread();
    LblMsg.clear();
    sb_CalcTotal(1);
    sb_DispPage(1);
    prompts_.setBusy(false);
}

void U1Session::sb_DelMenu()
{
    const QPoint at = host_.globalPointFromTwips(buttonLeft(3), kButtonTop + kButtonHeight);
    const bool deleted = isProvisionallyDeleted(RowFlg[static_cast<size_t>(grid_.row())]);
    const int choice = prompts_.popupMenu(
        {QStringLiteral("削除"), QStringLiteral("仮削除"), QStringLiteral("解除")}, {!deleted, !deleted, deleted}, at);
    if (choice < 0 || !sb_WriteUTbl())
        return;
    if (choice == 0)
        sb_Delete();
    else if (choice == 1)
        PU4_KDel_Click();
    else
        PU4_Kaijyo_Click();
}

void U1Session::sb_Delete()
{
    const int row = grid_.row();
    const size_t r = static_cast<size_t>(row);
    if (isInputRow(row) || isProvisionallyDeleted(RowFlg[r]))
        return;
    QString where, name, flg;
    Currency kn1, kn2;
    try {
        const Fields &f = fields();
        where = subtreeWhere(row);
        name = RsLvl->field(f.knm).toString();
        flg = RsLvl->field(f.flg).toString();
        kn1 = RsLvl->field(f.kn1).toCurrency();
        kn2 = RsLvl->field(f.kn2).toCurrency();
    } catch (const std::exception &e) {
        showError(e);
        return;
    }
    if (isGroupRow(flg) &&
        prompts_.message(RTrim(name) + QStringLiteral("を削除します"), MsgOkCancelInformation) != AnswerOk)
        return;
    const size_t lvl = static_cast<size_t>(CurLvl);
    try {
        // The row with its whole sub-tree, or nothing of it.
        Transaction tx(db());
        db().execute(QStringLiteral("DELETE FROM ") + TblName + QStringLiteral(" WHERE ") + where);
        tx.commit();
    } catch (const std::exception &e) {
        showError(e);
        return;
    }
    if (!beginsWithTotalMark(name)) {
        try {
            LvlKn1[lvl] = LvlKn1[lvl] - kn1;
            LvlKn2[lvl] = LvlKn2[lvl] - kn2;
        } catch (const OverflowError &) {
            // The pass below sums the level afresh.
        }
    }
    // A copy of the deleted row is gone with it, even should its slot be reused.
    if (CopyFlg == 1) {
        bool inside = true;
        for (int k = 0; k <= CurLvl && k < CopyDepth; ++k)
            inside = inside && CopyKeys[static_cast<size_t>(k)] ==
                                   (k < CurLvl ? LvlKey[static_cast<size_t>(k)] : RowKey[r][0]);
        if (inside)
            clearCopy();
    }
    reread();
    LblMsg.clear();
    sb_CalcTotal(1);
    sb_DispPage(row);
}

void U1Session::PU4_KDel_Click()
{
    const int row = grid_.row();
    const size_t r = static_cast<size_t>(row);
    if (isInputRow(row) || isProvisionallyDeleted(RowFlg[r])) {
        prompts_.beep();
        return;
    }
    const bool counted = rowCounts(row, grid_.text(row, ColKnm));
    RowDirty[r] = true;
    RowFlg[r] = withSecondByte(RowFlg[r], u'x');
    grid_.setText(row, ColFlg, QStringLiteral("×"));
    const size_t lvl = static_cast<size_t>(CurLvl);
    if (counted) {
        try {
            LvlKn1[lvl] = LvlKn1[lvl] - CellCy(row, ColKn1);
            LvlKn2[lvl] = LvlKn2[lvl] - CellCy(row, ColKn2);
        } catch (const OverflowError &) {
            sb_CalcTotal(0);
        }
    }
    sb_DispTotal(0);
    sb_RowForeColor(row, QColor());
    sb_RowBackColor(row, oleColor(kDeletedBack));
}

void U1Session::PU4_Kaijyo_Click()
{
    const int row = grid_.row();
    const size_t r = static_cast<size_t>(row);
    if (isInputRow(row) || !isProvisionallyDeleted(RowFlg[r])) {
        prompts_.beep();
        return;
    }
    RowDirty[r] = true;
    RowFlg[r] = withSecondByte(RowFlg[r], u' ');
    grid_.setText(row, ColFlg, isGroupRow(RowFlg[r]) ? QStringLiteral("＋") : QStringLiteral("－"));
    const size_t lvl = static_cast<size_t>(CurLvl);
    if (rowCounts(row, grid_.text(row, ColKnm))) {
        try {
            LvlKn1[lvl] = LvlKn1[lvl] + CellCy(row, ColKn1);
            LvlKn2[lvl] = LvlKn2[lvl] + CellCy(row, ColKn2);
        } catch (const OverflowError &) {
            sb_CalcTotal(0);
        }
    }
    // Back to the window colour, which is the grid's own.
    sb_RowBackColor(row, QColor());
    if (beginsWithTotalMark(grid_.text(row, ColKnm)))
        sb_RowForeColor(row, oleColor(kTotalFore));
    sb_DispTotal(0);
}

const QStringList &U1Session::pu10Captions()
{
    static const QStringList captions{
        QStringLiteral("ブロック範囲指定開始"), QStringLiteral("ブロック範囲指定終了"),
        QStringLiteral("ブロック複写"),         QStringLiteral("ブロック削除"),
        QStringLiteral("ブロック ファイル保存"), QStringLiteral("ブロック ファイル読込"),
        QStringLiteral("行間作成"),             QStringLiteral("見積金額－＞予算金額"),
        QStringLiteral("予算金額－＞見積金額"), QStringLiteral("Excelﾜｰｸｼｰﾄに保存"),
        QStringLiteral("Excelﾜｰｸｼｰﾄから読込")};
    return captions;
}

QList<bool> U1Session::pu10Enabled() const
{
    const int row = grid_.row();
    const bool dataRow = row >= 1 && row < grid_.rows() && !RowFlg[static_cast<size_t>(row)].startsWith(u'*');
    QList<bool> on(PU10_Count, true);  // block file reading, row spacing and the Excel entries: always
    on[PU10_Top] = dataRow;
    on[PU10_End] = dataRow && !BlkFlg;
    on[PU10_BCopy] = BlkFlg;
    on[PU10_BFile] = BlkFlg;
    // Only where the block was marked: the same depth under the same row.
    on[PU10_BDel] = blockOnLevelShown();
    on[PU10_Copy1] = DispMode == 1;
    on[PU10_Copy2] = DispMode == 0;
    return on;
}

void U1Session::sb_EditMenu(int x, int y)
{
    // Five separator lines (PU10_Line1..5) set the groups apart: marking,
    // copy and delete, block files, row spacing, amount copies, worksheets.
    static const std::vector<int> layout{PU10_Top,     PU10_End,  -1,         PU10_BCopy,    PU10_BDel,
                                         -1,           PU10_BFile, PU10_BRead, -1,            PU10_MkRowSpc,
                                         -1,           PU10_Copy1, PU10_Copy2, -1,            PU10_WriteXls,
                                         PU10_ReadXls};
    const QStringList &captions = pu10Captions();
    const QList<bool> enabled = pu10Enabled();
    QStringList shown;
    QList<bool> shownEnabled;
    for (int entry : layout) {
        shown << (entry < 0 ? QStringLiteral("-") : captions[entry]);
        shownEnabled << (entry < 0 ? false : enabled[entry]);
    }
    const int choice = prompts_.popupMenu(shown, shownEnabled, host_.globalPointFromTwips(x, y));
    if (choice >= 0 && layout[static_cast<size_t>(choice)] >= 0)
        PU10_Click(layout[static_cast<size_t>(choice)]);
}

void U1Session::PU10_Click(int entry)
{
    switch (entry) {
    case PU10_Top:
        PU10_Top_Click();
        break;
    case PU10_End:
        PU10_End_Click();
        break;
    case PU10_BCopy:
        PU10_BCopy_Click();
        break;
    case PU10_BDel:
        PU10_BDel_Click();
        break;
    case PU10_BFile:
        PU10_BFile_Click();
        break;
    case PU10_BRead:
        PU10_BRead_Click();
        break;
    case PU10_MkRowSpc:
        PU10_MkRowSpc_Click();
        break;
    case PU10_Copy1:
        sb_AmtCopy(0);
        break;
    case PU10_Copy2:
        sb_AmtCopy(1);
        break;
    case PU10_WriteXls:
        sb_WriteXls();
        break;
    case PU10_ReadXls:
        sb_ReadXls();
        break;
    default:
        break;
    }
}

}  // namespace rz
