// Grid rows back into the item table: the changed rows of the page in one
// transaction, a new record's initial values, the rule that a cell still
// showing exactly what was read leaves its column alone, and the user's
// choice where another program changed a cell the user changed too.
#include "u1fields.h"

#include "amount.h"
#include "ui/listsession.h"
#include "store/sjis.h"
#include "store/vbconv.h"

namespace rz {

const QString U1Page::kRowsGone = QStringLiteral("他のプログラムで削除された行がありました。表示を更新します。");
const QString U1Page::kTakeTheirs = QStringLiteral("他のプログラムの値にする");
const QString U1Page::kStillChanging =
    QStringLiteral("他のプログラムが同じ行を変更し続けているため、書き込めませんでした。しばらくしてから、もう一度操作してください。");

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

bool U1Page::sb_WriteUTbl()
{
    bool any = false;
    int last = 0;
    for (int r = 1; r < grid().rows() && r <= U1Level::kPageRows; ++r) {
        if (u1_.isInputRow(r))
            break;
        last = r;
        any = any || RowDirty[static_cast<size_t>(r)];
    }
    bool gone = false;
    if (any) {
        u1_.undo().beforeTyping();
        // A cell changed by the user and by another program since it was
        // shown stops the write-back before anything of the page is
        // written: the user decides each such cell, then the page is written
        // again. A program that keeps changing them gets a few rounds.
        std::vector<CellConflict> conflicts;
        int round = 0;
        while (true) {
            try {
                if (writePage(last, conflicts, gone))
                    break;
            } catch (const std::exception &e) {
                // Nothing of the page was written; the grid keeps the rows for another try.
                u1_.reread(&e);
                u1_.showError(e);
                return false;
            }
            if (++round > 3) {
                prompts_.message(kStillChanging, MsgExclamation);
                return false;
            }
            resolveConflicts(conflicts);
        }
        // What the rows show is now what their records hold.
        for (int r = 1; r <= last; ++r) {
            const size_t ur = static_cast<size_t>(r);
            if (!RowDirty[ur])
                continue;
            for (int c = 0; c < U1Session::ColCount; ++c) {
                const size_t uc = static_cast<size_t>(c);
                if (c != U1Session::ColFlg && grid().text(r, c) != shown_[ur][uc])
                    shownValue_[ur][uc] = storedForm(c, grid().text(r, c));
                shown_[ur][uc] = grid().text(r, c);
            }
            if (RowFlg[ur] != shownFlg_[ur])
                shownValue_[ur][U1Session::ColFlg] = Value(RowFlg[ur]);
            shownFlg_[ur] = RowFlg[ur];
            shownInt0_[ur] = RowInt0[ur];
        }
    }
    RowDirty.fill(false);
    if (any)
        u1_.undo().afterTyping();
    if (gone) {
        refreshAfterRowsGone();
        return false;
    }
    host_.processEvents();
    return true;
}

bool U1Page::writePage(int last, std::vector<CellConflict> &conflicts, bool &gone)
{
    conflicts.clear();
    Recordset &rs = rsLvl();
    return writeDirtyRows(
        db(), rs, last, [this](int r) { return RowDirty[static_cast<size_t>(r)]; },
        [&](int r) {
            try {
                sb_WriteRec(r, 0);
                return true;
            } catch (const WriteConflictError &e) {
                rs.cancelUpdate();
                for (const WriteConflict &c : e.conflicts())
                    conflicts.push_back({r, c});
                return false;
            }
        },
        gone);
}

void U1Page::resolveConflicts(const std::vector<CellConflict> &conflicts)
{
    static const char *const colNames[U1Session::ColCount] = {
        "区分", "名称", "摘要", "数量（見積）", "数量（予算）", "単位", "単価（見積）", "単価（予算）",
        "金額（見積）", "金額（予算）", "備考"};
    bool tookTheirs = false;
    for (const auto &[row, c] : conflicts) {
        const int col = cellOfField(c.column);
        if (col < 0)
            continue;
        const size_t r = static_cast<size_t>(row), uc = static_cast<size_t>(col);
        auto said = [&](const Value &v) {
            const QString t = Trim(cellText(col, v));
            return t.isEmpty() ? QStringLiteral("（空欄）") : t;
        };
        const QString question =
            QStringLiteral("%1 行目「%2」の%3は、表示した後で他のプログラムが変更しました。\n"
                           "他のプログラムの値: %4\n入力した値: %5\n\nOK を押すと入力した値を書き込みます。")
                .arg(row)
                .arg(Trim(shown_[r][U1Session::ColKnm]), QString::fromUtf8(colNames[col]), said(c.theirs), said(c.mine));
        // Either way the value stored now is the one the user has seen.
        shownValue_[r][uc] = c.theirs;
        if (prompts_.messageOffering(question, MsgExclamation, kTakeTheirs) != AnswerAction)
            continue;
        if (col == U1Session::ColFlg)
            RowFlg[r] = shownFlg_[r] = c.theirs.toString();
        showCell(row, col, c.theirs);
        // The amounts follow the other program's quantity or price, as they follow typing.
        if (isNumberColumn(col)) {
            u1_.calc().sb_DispKn1(row, U1Session::ColKn1);
            u1_.calc().sb_DispKn1(row, U1Session::ColKn2);
        }
        tookTheirs = true;
    }
    if (tookTheirs)
        u1_.calc().sb_CalcTotal(0);
}

bool U1Page::afterRowsGone()
{
    if (refreshing_)
        return false;
    refreshAfterRowsGone();
    return true;
}

void U1Page::refreshAfterRowsGone()
{
    prompts_.message(kRowsGone, MsgExclamation);
    if (!lvl().RsLvl || refreshing_)
        return;
    refreshing_ = true;
    u1_.reread();
    u1_.calc().sb_CalcTotal(0);
    u1_.sb_DispPage(1);
    refreshing_ = false;
}

Value U1Page::storedForm(int col, const QString &text) const
{
    const int field = fieldOfCell(col);
    const Value v = isNumberColumn(col) ? Value(cellValue(text)) : Value(padBytes(text, cellByteLimit(col)));
    return v.convertedFor(rsLvl().fieldType(field));
}

void U1Page::sb_WriteRec(int row, int mode)
{
    const U1Fields &f = fields();
    const size_t r = static_cast<size_t>(row);
    if (mode == 1) {
        // The new record starts blank: everything the row shows is written
        // into it, and it is an item whatever the row it was made from is.
        addBlankRecord(RowKey[r][1]);
        for (auto &text : shown_[r])
            text.clear();
        shownValue_[r].fill(std::nullopt);
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
    // longer shows what was read from the record is written, and only over
    // the value it showed (else the user is asked).
    FieldWriter w(rsLvl());
    for (int col = U1Session::ColKnm; col < U1Session::ColCount; ++col)
        if (grid().text(row, col) != shown_[r][static_cast<size_t>(col)])
            w.put(fieldOfCell(col), storedForm(col, grid().text(row, col)), shownValue_[r][static_cast<size_t>(col)]);
    if (RowFlg[r] != shownFlg_[r])
        w.put(f.flg, Value(RowFlg[r]), shownValue_[r][U1Session::ColFlg]);
    if (RowInt0[r] != shownInt0_[r])
        w.put(f.int0, Value(qint64(RowInt0[r])));
    w.save();
}

void U1Page::addBlankRecord(qint32 key)
{
    const U1Fields &f = fields();
    Recordset &rs = rsLvl();
    const U1Level &level = lvl();
    rs.addNew();
    sb_U1RecClr();
    // Deeper entries of the path may be left from levels visited earlier:
    // a row of this level has 0 after its own key.
    for (int i = 0; i < U1Level::kLevels; ++i)
        rs.setField(f.key[static_cast<size_t>(i)],
                    Value(qint64(i < level.CurLvl ? level.LvlKey[static_cast<size_t>(i)] : 0)));
    rs.setField(f.key[curLvl()], Value(qint64(key)));
    rs.update();
    rs.requery();
}

void U1Page::sb_U1RecClr()
{
    const U1Fields &f = fields();
    Recordset &rs = rsLvl();
    rs.setField(f.knm, Value(QString(40, u' ')));
    rs.setField(f.mei, Value(QString(20, u' ')));
    rs.setField(f.tn1, Value(QString(4, u' ')));
    for (int c : {f.su1, f.tk1, f.kn1, f.su2, f.tk2, f.kn2})
        rs.setField(c, Value(qint64(0)));
    rs.setField(f.rt1, Value(qint64(100)));
    rs.setField(f.rt2, Value(qint64(100)));
    rs.setField(f.lvl, Value(qint64(lvl().CurLvl + 1)));
    for (const char *bk : {"bk1", "bk2", "bk3"})
        rs.setField(QString::fromLatin1(bk), Value(QString(20, u' ')));
    rs.setField(f.flg, Value(kItemFlag));
    for (int c = 24; c < rs.fieldCount(); ++c)
        rs.setField(c, Value(qint64(0)));
    if (f.bk4 >= 0)
        rs.setField(f.bk4, Value(QString(20, u' ')));
}

}  // namespace rz
