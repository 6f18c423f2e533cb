// Operations on whole rows of the level shown: creating a row, copying a row
// with everything below it and pasting it, deleting it with its sub-levels,
// and the provisional deletion and its release.
#include "u1fields.h"

#include "store/rowkind.h"
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

bool U1RowOps::createRow(bool followInputRow)
{
    U1Undo::Scope step(u1_, QStringLiteral("作成"));
    if (!step.ok())
        return false;
    u1_.setMessage(QString());
    U1Page &page = u1_.page();
    const int row = grid().row();
    if (page.insertKey(row) == 0) {
        prompts_.beep();  // the neighbours' keys are adjacent: no key fits between them
        return false;
    }
    const bool onInputRow = u1_.isInputRow(row);
    if (!page.sb_WriteUTbl())
        return false;
    // The new row goes before the cursor row with what the cursor row shows
    // (nothing on the input row); the row that was there moves down one.
    try {
        Transaction tx(db());
        page.sb_WriteRec(row, 1);
        tx.commit();
    } catch (const std::exception &e) {
        u1_.reread(&e);
        u1_.showError(e);
        u1_.sb_DispPage(row);
        return false;
    }
    // The copied amounts count in the level total like any other row's.
    u1_.calc().sb_CalcTotal(0);
    u1_.sb_DispPage(row);
    u1_.setMessage(QString());
    if (!onInputRow || !followInputRow)
        return true;
    u1_.sb_GridKeyDown(Qt::Key_Down);
    // The page was full: the new input row opens the next page.
    if (!u1_.isInputRow(grid().row()) && page.rowKey(page.rows()) != 0) {
        u1_.setPage(lvl().page() + 1);
        u1_.moveCursor(1, 1);
        u1_.sb_DispPage(1);
    }
    return true;
}

void U1RowOps::clearCopy()
{
    CopyFlg = 0;
    RsCopy.reset();
    CopyKeys.fill(0);
    CopyDepth = 0;
    CopyKn1 = CopyKn2 = Currency();
}

void U1RowOps::followRowSpacing()
{
    if (CopyFlg != 1 || !RsCopy)
        return;
    try {
        RsCopy->moveFirst();
        CopyKeys[curLvl()] = static_cast<qint32>(RsCopy->field(QStringLiteral("key%1").arg(lvl().CurLvl + 1)).toLong());
    } catch (const std::exception &) {
        clearCopy();
    }
}

QString U1RowOps::subtreeWhere(int row)
{
    // The row and every row below it share its keys up to its own depth.
    const U1Fields &f = fields();
    u1_.page().sb_GetCurRec(row);
    QString where;
    for (int i = 0; i <= lvl().CurLvl; ++i) {
        where += (i == 0 ? QStringLiteral("[key1] = ") : QStringLiteral(" AND [key%1] = ").arg(i + 1)) +
                 Trim(Str(rsLvl().field(f.key[static_cast<size_t>(i)]).toLong()));
    }
    return where;
}

void U1RowOps::sb_CopyMenu()
{
    const QPoint at =
        host_.globalPointFromTwips(U1Session::buttonLeft(2), U1Session::kButtonTop + U1Session::kButtonHeight);
    // 切り取り has no action: it is shown but cannot be chosen.
    const int choice = prompts_.popupMenu(
        {QStringLiteral("切り取り"), QStringLiteral("コピー"), QStringLiteral("張り付け")}, {false, true, CopyFlg == 1},
        at);
    if (choice == 1 && u1_.page().sb_WriteUTbl())
        sb_Copy();
    else if (choice == 2 && u1_.page().sb_WriteUTbl())
        sb_Paste();
}

void U1RowOps::sb_Copy()
{
    const int row = grid().row();
    if (u1_.isInputRow(row)) {
        prompts_.beep();
        return;
    }
    prompts_.setBusy(true);
    try {
        const U1Fields &f = fields();
        const QString where = subtreeWhere(row);
        Recordset &rs = rsLvl();
        LevelKeys keys{};
        for (int i = 0; i <= lvl().CurLvl; ++i)
            keys[static_cast<size_t>(i)] = static_cast<qint32>(rs.field(f.key[static_cast<size_t>(i)]).toLong());
        const Currency kn1 = rs.field(f.kn1).toCurrency(), kn2 = rs.field(f.kn2).toCurrency();
        auto rows = db().openRecordset(QStringLiteral("SELECT * FROM ") + lvl().TblName + QStringLiteral(" WHERE ") +
                                       where + QStringLiteral(" order by ") + QLatin1String(kLevelOrder));
        if (rows->recordCount() > 0) {
            rows->moveLast();
            rows->moveFirst();
        }
        clearCopy();
        RsCopy = std::move(rows);
        CopyKeys = keys;
        CopyDepth = lvl().CurLvl + 1;
        CopyKn1 = kn1;
        CopyKn2 = kn2;
        CopyFlg = 1;
    } catch (const std::exception &e) {
        prompts_.setBusy(false);
        u1_.showError(e);
        return;
    }
    prompts_.setBusy(false);
}

bool U1RowOps::copiedRows(std::vector<std::vector<Value>> &rows, std::vector<QString> &names)
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
    int keyCol[U1Level::kLevels];
    for (int k = 0; k < U1Level::kLevels; ++k)
        keyCol[k] = U1Fields::require(*RsCopy, qPrintable(QStringLiteral("key%1").arg(k + 1)));
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
        if (first && CopyDepth < U1Level::kLevels && under)
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

void U1RowOps::sb_Paste()
{
    U1Undo::Scope step(u1_, QStringLiteral("張り付け"));
    if (CopyFlg != 1 || !RsCopy)
        return;
    const qint32 key = u1_.page().insertKey(grid().row());
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
        Recordset &rs = rsLvl();
        // Each copied column that the level has, by name.
        std::vector<std::pair<size_t, int>> taken;
        QStringList columns, marks;
        for (size_t i = 0; i < names.size(); ++i)
            if (const int t = rs.fieldIndex(names[i]); t >= 0) {
                taken.emplace_back(i, t);
                columns << quoteIdentifier(rs.fieldName(t));
                marks << QStringLiteral("?");
            }
        const int keyCol = fields().key[static_cast<size_t>(CopyDepth - 1)];
        // The whole sub-tree, or nothing of it. The rows go in as INSERTs a
        // server takes together, not one round trip each; the level is read
        // again afterwards.
        Transaction tx(db());
        Statement insert(db(), QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(quoteIdentifier(unbracket(lvl().TblName)), columns.join(QStringLiteral(", ")),
                                        marks.join(QStringLiteral(", "))));
        for (const auto &values : rows) {
            int mark = 1;
            // Only the key at the copied row's depth changes: the rows below
            // keep their deeper keys, so the sub-tree keeps its shape.
            for (const auto &[i, t] : taken)
                insert.bind(mark++, (t == keyCol ? Value(qint64(key)) : values[i]).convertedFor(rs.fieldType(t)));
            insert.queue();
        }
        tx.commit();
    } catch (const std::exception &e) {
        u1_.reread(&e);
        prompts_.setBusy(false);
        u1_.showError(e);
        return;
    }
    u1_.reread();
    u1_.setMessage(QString());
    u1_.calc().sb_CalcTotal(1);
    u1_.sb_DispPage(1);
    prompts_.setBusy(false);
}

void U1RowOps::sb_DelMenu()
{
    const QPoint at =
        host_.globalPointFromTwips(U1Session::buttonLeft(3), U1Session::kButtonTop + U1Session::kButtonHeight);
    const bool deleted = isProvisionallyDeleted(u1_.page().flag(grid().row()));
    const int choice = prompts_.popupMenu(
        {QStringLiteral("削除"), QStringLiteral("仮削除"), QStringLiteral("解除")}, {!deleted, !deleted, deleted}, at);
    if (choice < 0 || !u1_.page().sb_WriteUTbl())
        return;
    if (choice == 0)
        sb_Delete();
    else if (choice == 1)
        PU4_KDel_Click();
    else
        PU4_Kaijyo_Click();
}

void U1RowOps::sb_Delete()
{
    U1Undo::Scope step(u1_, QStringLiteral("削除"));
    const int row = grid().row();
    if (u1_.isInputRow(row) || isProvisionallyDeleted(u1_.page().flag(row)))
        return;
    QString where, name, flg;
    Currency kn1, kn2;
    try {
        const U1Fields &f = fields();
        where = subtreeWhere(row);
        Recordset &rs = rsLvl();
        name = rs.field(f.knm).toString();
        flg = rs.field(f.flg).toString();
        kn1 = rs.field(f.kn1).toCurrency();
        kn2 = rs.field(f.kn2).toCurrency();
    } catch (const std::exception &e) {
        u1_.showError(e);
        return;
    }
    if (isGroupRow(flg) &&
        prompts_.message(RTrim(name) + QStringLiteral("を削除します"), MsgOkCancelInformation) != AnswerOk)
        return;
    try {
        // The row with its whole sub-tree, or nothing of it.
        Transaction tx(db());
        db().execute(QStringLiteral("DELETE FROM ") + lvl().TblName + QStringLiteral(" WHERE ") + where);
        tx.commit();
    } catch (const std::exception &e) {
        u1_.showError(e);
        return;
    }
    // On an overflow the pass below sums the level afresh.
    if (!beginsWithTotalMark(name))
        u1_.calc().moveTotals(kn1, kn2, Currency(), Currency());
    // A copy of the deleted row is gone with it, even should its slot be reused.
    if (CopyFlg == 1) {
        bool inside = true;
        for (int k = 0; k <= lvl().CurLvl && k < CopyDepth; ++k)
            inside = inside && CopyKeys[static_cast<size_t>(k)] ==
                                   (k < lvl().CurLvl ? lvl().LvlKey[static_cast<size_t>(k)] : u1_.page().rowKey(row));
        if (inside)
            clearCopy();
    }
    u1_.reread();
    u1_.setMessage(QString());
    u1_.calc().sb_CalcTotal(1);
    u1_.sb_DispPage(row);
}

void U1RowOps::PU4_KDel_Click()
{
    U1Undo::Scope step(u1_, QStringLiteral("仮削除"));
    U1Page &page = u1_.page();
    const int row = grid().row();
    if (u1_.isInputRow(row) || isProvisionallyDeleted(page.flag(row))) {
        prompts_.beep();
        return;
    }
    const bool counted = page.rowCounts(row, grid().text(row, U1Session::ColKnm));
    page.setFlag(row, withSecondByte(page.flag(row), u'x'));
    grid().setText(row, U1Session::ColFlg, QStringLiteral("×"));
    if (counted &&
        !u1_.calc().moveTotals(CellCy(grid(), row, U1Session::ColKn1), CellCy(grid(), row, U1Session::ColKn2),
                               Currency(), Currency()))
        u1_.calc().sb_CalcTotal(0);
    u1_.calc().sb_DispTotal(0);
    page.sb_RowForeColor(row, QColor());
    page.sb_RowBackColor(row, oleColor(kDeletedBack));
}

void U1RowOps::PU4_Kaijyo_Click()
{
    U1Undo::Scope step(u1_, QStringLiteral("解除"));
    U1Page &page = u1_.page();
    const int row = grid().row();
    if (u1_.isInputRow(row) || !isProvisionallyDeleted(page.flag(row))) {
        prompts_.beep();
        return;
    }
    page.setFlag(row, withSecondByte(page.flag(row), u' '));
    grid().setText(row, U1Session::ColFlg, isGroupRow(page.flag(row)) ? QStringLiteral("＋") : QStringLiteral("－"));
    if (page.rowCounts(row, grid().text(row, U1Session::ColKnm)) &&
        !u1_.calc().moveTotals(Currency(), Currency(), CellCy(grid(), row, U1Session::ColKn1),
                               CellCy(grid(), row, U1Session::ColKn2)))
        u1_.calc().sb_CalcTotal(0);
    // Back to the window colour, which is the grid's own.
    page.sb_RowBackColor(row, QColor());
    if (beginsWithTotalMark(grid().text(row, U1Session::ColKnm)))
        page.sb_RowForeColor(row, oleColor(kTotalFore));
    u1_.calc().sb_DispTotal(0);
}

}  // namespace rz
