// Going down into a row's sub-level and back up: the level's statement, the
// path of keys, the per-level page, row and title, the roll-up of a level's
// totals into the row it was opened from, and the page shown with its labels.
#include "u1fields.h"

#include "store/rowkind.h"
#include "store/memfree.h"
#include "store/sjis.h"
#include "store/vbconv.h"

namespace rz {

namespace {
// A row without a recorded rate is at 100 %: dividing by a missing rate
// would make every later rate entry on the level fail.
int rateOf(const Value &v) { return v.isNull() ? 100 : static_cast<int>(v.toLong()); }
}  // namespace

void U1Level::sb_MkRSSQL(int level)
{
    // The path's keys are bound when the level is opened: one statement text
    // per level, prepared once however many rows the user opens.
    QString sql = QStringLiteral("SELECT * FROM ") + TblName + QStringLiteral(" WHERE ");
    for (int i = 1; i <= level; ++i)
        sql += QStringLiteral("[key%1] = ? AND ").arg(i);
    sql += level < 7 ? QStringLiteral("[key%1] <> 0 AND ").arg(level + 1) : QStringLiteral("[key8] <> 0 ");
    for (int j = level + 2; j <= 7; ++j)
        sql += QStringLiteral("[key%1] = 0 AND ").arg(j);
    if (level < 7)
        sql += QStringLiteral("[key8] = 0 ");
    sql += QStringLiteral("order by ") + QLatin1String(kLevelOrder);
    LvlSQL[static_cast<size_t>(level)] = sql;
}

int U1Level::pageSize() const { return CurLvl > 0 && page() == 1 ? kPageRows - 1 : kPageRows; }

int U1Level::pageCount() const
{
    // Always room for the input row: on a sub-level page 1 holds one row less.
    const int count = RsLvl ? RsLvl->recordCount() : 0;
    return CurLvl > 0 ? (count + 1) / kPageRows + 1 : count / kPageRows + 1;
}

bool U1Session::openLevel()
{
    try {
        level_.RsLvl = shared_.DB_Main->openRecordset(level_.LvlSQL[static_cast<size_t>(level_.CurLvl)],
                                                      RecordsetType::Dynaset, levelParams(level_.CurLvl, level_.LvlKey));
        return true;
    } catch (const std::exception &e) {
        showError(e);
        return false;
    }
}

void U1Session::reread(const std::exception *after)
{
    if (!level_.RsLvl)
        return;
    level_.RsLvl->cancelUpdate();
    // After a failure because the server cannot be reached the level cannot
    // be read either: the rows stay as read, and the failure is said once.
    const auto *failure = dynamic_cast<const DbError *>(after);
    if (failure && failure->reason() == DbFailure::ConnectionLost)
        return;
    try {
        level_.RsLvl->requery();
    } catch (const std::exception &e) {
        showError(e);
    }
}

void U1Session::sb_DispPage(int firstRow)
{
    view_.LblLevel = QString::number(level_.CurLvl + 1);
    const int curRow = grid_.row(), curCol = grid_.col();
    // A row another program deleted since the level was read is simply not
    // shown: the level is read again and the page filled anew.
    for (int attempt = 1;; ++attempt) {
        try {
            if (!level_.RsLvl)
                throw DbError(QStringLiteral("オブジェクトが閉じています。"));
            // A level that lost rows since it was left shows its last page, all of it.
            const int page = std::clamp(level_.page(), 1, level_.pageCount());
            if (page != level_.page())
                firstRow = 1;
            setPage(page);
            page_.fill(firstRow);
            break;
        } catch (const DbError &e) {
            if (e.reason() != DbFailure::RecordDeleted || attempt == 3) {
                showError(e);
                break;
            }
            reread();
            firstRow = 1;
        } catch (const std::exception &e) {
            showError(e);
            break;
        }
    }
    const int row = curRow < grid_.rows() ? curRow : grid_.rows() - 1;
    if (row >= 1)
        grid_.setRow(row);
    if (curCol >= 1 && curCol < grid_.cols())
        grid_.setCol(curCol);
    view_.LblMem = QString::number(MemFree()) + QStringLiteral("%");
    const int count = level_.RsLvl ? level_.RsLvl->recordCount() : 0;
    view_.LblPage = QString::number(level_.page()) +
                    (count == 0 ? QStringLiteral("/1  ") : QStringLiteral("/") + QString::number(level_.pageCount()));
    host_.refresh();
}

void U1Session::sb_LevelDown()
{
    const int row = grid_.row();
    const size_t up = static_cast<size_t>(level_.CurLvl);
    if (isInputRow(row) || isProvisionallyDeleted(page_.flag(row)) || level_.CurLvl >= kLevels - 1 ||
        !Trim(grid_.text(row, ColTk1)).isEmpty() || !Trim(grid_.text(row, ColTk2)).isEmpty()) {
        // A row with a unit price is an item, not a group.
        prompts_.beep();
        return;
    }
    if (!page_.sb_WriteUTbl())
        return;
    rows_.clearCopy();
    view_.overlay.EditFlg = false;
    level_.LvlRow[up] = row;
    level_.LvlCol[up] = grid_.col();
    int rt1 = 100, rt2 = 100;
    try {
        const U1Fields &f = *level_.fields;
        Recordset &rs = *level_.RsLvl;
        Transaction tx(*shared_.DB_Main);
        page_.sb_GetCurRec(row);
        if (MidBAnsi(rs.field(f.flg).toString(), 1, 1) == QLatin1String("-")) {
            rs.edit();
            rs.setField(f.flg, Value(kGroupFlag));
            rs.update();
        }
        rt1 = rateOf(rs.field(f.rt1));
        rt2 = rateOf(rs.field(f.rt2));
        tx.commit();
    } catch (const std::exception &e) {
        reread(&e);
        showError(e);
        return;
    }
    level_.LvlKey[up] = page_.rowKey(row);
    level_.LvlTitle[up + 1] = grid_.text(row, ColKnm);
    ++level_.CurLvl;
    const size_t lvl = up + 1;
    level_.sb_MkRSSQL(level_.CurLvl);
    calc_.setRates(level_.CurLvl, rt1, rt2);
    level_.LvlPage[lvl] = 1;
    moveCursor(1, 1);
    if (!openLevel()) {
        // The sub-level cannot be read: stay where the user was.
        --level_.CurLvl;
        openLevel();
        calc_.sb_CalcTotal(0);
        sb_DispPage(1);
        return;
    }
    view_.LblUTitle = level_.LvlTitle[lvl];
    view_.LblMsg.clear();
    calc_.sb_CalcTotal(1);
    sb_DispPage(1);
    if (isInputRow(1))
        view_.LblMsg = kEmptyLevel;
    sb_Editx();
}

void U1Session::goUp()
{
    prompts_.setBusy(true);
    bool ok = page_.sb_WriteUTbl();
    // The pass and the roll-up take the level's rows as they are now, also
    // those another program added since it was read.
    if (ok)
        reread();
    if (level_.CurLvl == 0) {
        // A pass that fails leaves the first level's totals unknown, and the
        // window then closes without handing any over.
        if (ok)
            calc_.sb_DispTotal(2);
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
        Transaction tx(*shared_.DB_Main);
        ok = ok && calc_.sb_DispTotal(2);
        prompts_.setBusy(false);
        if (ok && sb_LevelUp()) {
            tx.commit();
            rolledUp = true;
        }
    } catch (const std::exception &e) {
        prompts_.setBusy(false);
        showError(e);
    }
    if (ok && !rolledUp && level_.RsLvl) {
        // The roll-up was undone: show the level as the file holds it.
        reread();
        calc_.sb_CalcTotal(0);
        sb_DispPage(1);
    }
}

bool U1Session::sb_LevelUp()
{
    const bool hadRows = level_.RsLvl && level_.RsLvl->recordCount() > 0;
    if (level_.CurLvl == 0) {
        host_.closeWindow();
        return true;
    }
    rows_.clearCopy();
    view_.overlay.EditFlg = false;
    --level_.CurLvl;
    const size_t lvl = static_cast<size_t>(level_.CurLvl);
    const int row = level_.LvlRow[lvl];
    grid_.setRows(row + 1);
    grid_.setRow(row);
    if (!openLevel())
        return false;
    view_.LblUTitle = level_.LvlTitle[lvl];
    view_.LblMsg.clear();
    Recordset &rs = *level_.RsLvl;
    try {
        const U1Fields &f = *level_.fields;
        const U1Calc::Level &below = calc_.at(level_.CurLvl + 1);
        page_.locateRecord(row, level_.LvlKey[lvl]);
        rs.edit();
        if (hadRows) {
            rs.setField(f.flg, Value(kGroupFlag));
            rs.setField(f.kn1, Value(below.LvlKn1));
            rs.setField(f.kn2, Value(below.LvlKn2));
            rs.setField(f.rt1, Value(qint64(below.LvlRt1)));
            rs.setField(f.rt2, Value(qint64(below.LvlRt2)));
        } else {
            // An opened row that got no rows below is an item again; a row
            // marked exactly "+" had nothing of its own and loses its amounts.
            if (rs.field(f.flg).toString() == QLatin1String("+")) {
                rs.setField(f.kn1, Value(qint64(0)));
                rs.setField(f.kn2, Value(qint64(0)));
            }
            rs.setField(f.flg, Value(kItemFlag));
            rs.setField(f.rt1, Value(qint64(100)));
            rs.setField(f.rt2, Value(qint64(100)));
        }
        rs.update();
    } catch (const std::exception &e) {
        rs.cancelUpdate();
        showError(e);
        return false;
    }
    calc_.sb_CalcTotal(0);
    sb_DispPage(1);
    sb_Editx();
    return true;
}

}  // namespace rz
