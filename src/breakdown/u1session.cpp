// The editor's life and dispatch: opening and closing with the closing
// report for the index window, the buttons, the keys, the cursor, the F5
// switch, and the failures that mean the estimate or rows went meanwhile.
#include "u1fields.h"

#include "ui/listsession.h"
#include "ui/uifonts.h"

#include <limits>

namespace rz {

const QString U1Session::kInputMark = QStringLiteral("＊");
const QString U1Session::kEmptyLevel = QStringLiteral("行がありません　作成をクリックしてください");
const QString U1Session::kNotStorable =
    QStringLiteral("この数値は見積書ファイルに保存できません。桁数を減らしてください。");
const QString U1Session::kEstimateGone = QStringLiteral("この見積書は他のプログラムで削除されました。");
const QString U1Session::kDiscardOnClose =
    QStringLiteral("変更した行を見積書ファイルに書き込めませんでした。変更を破棄して閉じますか");
const QString U1Session::kPriceMask = QStringLiteral("##,###,###");
const QString U1Session::kAmountMask = QStringLiteral("##,###,###,###");

const U1Level &U1Part::lvl() const { return u1_.level(); }
Grid &U1Part::grid() const { return u1_.grid(); }

int U1Session::buttonLeft(int index)
{
    // F11 has no button; its place stays empty. F7 (単価, the unit-price
    // master) and F9 (検索) take the places that were empty.
    static const int lefts[12] = {0, 960, 1920, 2880, 3960, 4920, 5880, 6840, 7860, 8880, -1, 10800};
    return index >= 0 && index < 12 ? lefts[index] : -1;
}

U1Session::U1Session(Shared &shared, Prompts &prompts, U1Host &host, const U1Opening &opening)
    : shared_(shared), prompts_(prompts), host_(host), opening_(opening),
      page_(*this, shared, prompts, host), calc_(*this, shared, prompts, host), rows_(*this, shared, prompts, host),
      blocks_(*this, shared, prompts, host), workbook_(*this, shared, prompts, host),
      printing_(*this, shared, prompts, host), master_(*this, shared, prompts, host),
      undo_(*this, shared, prompts, host), find_(*this, shared, prompts, host)
{
    grid_.setFont(gridFont());
    // Until the editing overlay marks it, the cursor cell is shown by its colour.
    grid_.setBackColorSel(oleColor(0x00C0FFFF));
    closing_.estimate = opening.estimate;
    closing_.Idx_Page = opening.Idx_Page;
    closing_.Idx_Row = opening.Idx_Row;
}

U1Session::~U1Session() = default;

bool U1Session::Form_Load()
{
    view_.overlay = U1Overlay();
    level_.DispMode = 0;
    rows_.clearCopy();
    sb_MkGrid1();
    level_.CurLvl = 0;
    level_.LvlPage.fill(1);
    level_.estimate = opening_.estimate;
    level_.TblName = opening_.estimate.tableName();
    calc_.setRates(0, opening_.U1_Rt1, opening_.U1_Rt2);
    level_.sb_MkRSSQL(0);
    try {
        if (!shared_.DB_Main)
            throw DbError(QStringLiteral("見積書ファイルが開かれていません。"));
        level_.RsLvl = shared_.DB_Main->openRecordset(level_.LvlSQL[0]);
        blocks_.open();
        if (!level_.fields)
            level_.fields = std::make_unique<const U1Fields>(*level_.RsLvl);
        undo_.open();
    } catch (const std::exception &e) {
        level_.RsLvl.reset();
        blocks_.close();
        showError(e);
        return false;
    }
    view_.loaded = true;
    calc_.forgetTotals();
    calc_.sb_CalcTotal(1);
    sb_DispPage(1);
    moveCursor(1, 1);
    level_.LvlRow[0] = 1;
    level_.LvlCol[0] = 1;
    if (isInputRow(1))
        view_.LblMsg = kEmptyLevel;
    sb_Editx();
    host_.refresh();
    return true;
}

bool U1Session::Form_Unload()
{
    if (!view_.loaded)
        return true;
    // Whichever way the window closes, what was typed into the cell counts.
    sb_TextToGrid();
    const bool written = page_.sb_WriteUTbl();
    if (!written && view_.loaded && prompts_.message(kDiscardOnClose, MsgOkCancelExclamation) != AnswerOk)
        return false;
    undo_.close();
    if (!view_.loaded)
        return true;  // the estimate went while the rows were written
    view_.loaded = false;
    int count = 0;
    bool counted = true;
    std::pair<Currency, Currency> totals;
    try {
        auto rs = shared_.DB_Main->openRecordset(QStringLiteral("SELECT COUNT(*) FROM ") + level_.TblName,
                                                 RecordsetType::Snapshot);
        count = static_cast<int>(rs->field(0).toLong());
        // Another program may have changed rows since the editor last summed
        // them: the index record gets what the rows hold now.
        totals = calc_.storedTotals();
    } catch (const std::exception &e) {
        counted = false;
        showError(e);
    }
    rows_.clearCopy();
    level_.RsLvl.reset();
    blocks_.close();
    // Totals from a pass that failed, or rows that were not written, would
    // put figures into the estimate's record that its rows do not give.
    closing_.U1_Upd = written && counted && calc_.totalsKnown();
    if (!closing_.U1_Upd)
        return true;
    closing_.U1_Kn1 = totals.first;
    closing_.U1_Kn2 = totals.second;
    closing_.U1_Rt1 = calc_.at(0).LvlRt1;
    closing_.U1_Rt2 = calc_.at(0).LvlRt2;
    // The index record counts items in a 16-bit column: a larger estimate
    // shows the most it can hold rather than losing its totals to the overflow.
    closing_.U1_RowCnt = std::min(count, int(std::numeric_limits<qint16>::max()));
    return true;
}

void U1Session::sb_MkGrid1()
{
    const QString b = QStringLiteral(" "), w = QStringLiteral("　");
    auto blanks = [](const QString &s, int n) { return s.repeated(n); };
    const QString qty = w + b + QStringLiteral("数") + blanks(b, 3) + QStringLiteral("量") + blanks(b, 3);
    const QString price = w + QStringLiteral("単") + blanks(b, 2) + QStringLiteral("価") + blanks(b, 2);
    const QString amount = w + QStringLiteral("金") + blanks(b, 6) + QStringLiteral("額") + blanks(b, 2);
    const QStringList heads{
        QStringLiteral("<  "),
        blanks(w, 4) + QStringLiteral("名") + blanks(b, 20) + QStringLiteral("称") + blanks(b, 8),
        blanks(w, 2) + QStringLiteral("摘") + blanks(b, 8) + QStringLiteral("要") + blanks(b, 4),
        qty,
        qty,
        QStringLiteral("単位"),
        price,
        price,
        amount,
        amount,
        blanks(w, 2) + QStringLiteral("備") + blanks(w, 4) + QStringLiteral("考") + blanks(w, 2)};
    grid_.setCols(10);
    grid_.setFormatString(heads.join(u'|'));
    for (int c = 0; c < grid_.cols() && c < int(view_.ColW.size()); ++c)
        view_.ColW[static_cast<size_t>(c)] = grid_.colWidth(c);
    for (int c : {ColSu2, ColTk2, ColKn2}) {
        grid_.setColWidth(c, 0);
        grid_.setCellForeColor(0, c, oleColor(65535));
    }
}

bool U1Session::isInputRow(int row) const
{
    return row >= 1 && row < grid_.rows() && grid_.text(row, ColFlg) == kInputMark;
}

void U1Session::moveCursor(int row, int col)
{
    row = std::clamp(row, 1, std::max(1, grid_.rows() - 1));
    col = std::clamp(col, 1, grid_.cols() - 1);
    if (grid_.colWidth(col) == 0) {
        const std::vector<int> widths = colWidths(grid_);
        const int next = NextVisCol(widths, col, 1);
        col = next > 0 ? next : NextVisCol(widths, col, -1);
    }
    if (row < grid_.rows())
        grid_.setRow(row);
    grid_.setCol(col);
}

void U1Session::gridCellEntered(int row, int col)
{
    // A click on the grid leaves the master's panel as Esc does.
    master_.cancel();
    sb_TextToGrid();
    moveCursor(row, col);
    sb_Editx();
    host_.refresh();
}

void U1Session::Command1_Click(int index)
{
    if (!view_.loaded)
        return;
    // Any command closes the master's panel first; F7 again only closes it.
    if (master_.isOpen()) {
        master_.cancel();
        if (index == 6)
            return;
    }
    sb_TextToGrid();
    switch (index) {
    case 0:
        sb_LevelDown();
        break;
    case 1:
        rows_.createRow();
        break;
    case 2:
        if (page_.sb_WriteUTbl())
            rows_.sb_CopyMenu();
        break;
    case 3:
        if (isInputRow(grid_.row()))
            prompts_.beep();
        else if (page_.sb_WriteUTbl())
            rows_.sb_DelMenu();
        break;
    case 4:
        sb_ChgDsp();
        break;
    case 5:
        calc_.sb_CalcMenu();
        break;
    case 6:
        master_.open();
        if (master_.isOpen())
            return;  // the panel has the keys until it closes
        break;
    case 7:
        printing_.printCommand();
        break;
    case 8:
        if (find_.open())
            host_.showFind();
        break;
    case 9:
        if (page_.sb_WriteUTbl())
            blocks_.sb_EditMenu(buttonLeft(9), kButtonTop + kButtonHeight);
        break;
    case 11:
        goUp();
        if (!view_.loaded)
            return;  // the window is closing
        break;
    default:
        break;
    }
    sb_Editx();
    host_.refresh();
}

void U1Session::Command2_Click(int index)
{
    if (!view_.loaded)
        return;
    master_.cancel();
    // A page key typed in the overlay leaves its cell like any other move.
    sb_TextToGrid();
    const int row = grid_.row();
    if (!isInputRow(row))
        page_.markDirty(row);
    const int pageShown = level_.page();
    if (index == 0) {
        if (page_.rowKey(page_.rows()) != 0) {
            if (page_.sb_WriteUTbl()) {
                setPage(pageShown + 1);
                moveCursor(1, 1);
                sb_DispPage(1);
            }
        } else {
            prompts_.beep();
        }
    } else {
        if (pageShown == 1) {
            prompts_.beep();
        } else if (page_.sb_WriteUTbl()) {
            setPage(pageShown - 1);
            sb_DispPage(1);
            moveCursor(1, 1);
        }
    }
    sb_Editx();
    host_.refresh();
}

bool U1Session::sb_GridKeyDown(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (!view_.loaded)
        return true;  // the window is closing: keys go nowhere
    if (qtKey == Qt::Key_F5 && (modifiers & Qt::ShiftModifier)) {
        sb_FrmWidth();
        return true;
    }
    if (modifiers & Qt::ControlModifier) {
        const bool redo = qtKey == Qt::Key_Y || (qtKey == Qt::Key_Z && (modifiers & Qt::ShiftModifier));
        if (qtKey == Qt::Key_Z || redo) {
            master_.cancel();
            redo ? undo_.redo() : undo_.undo();
            sb_Editx();
            host_.refresh();
            return true;
        }
    }
    if (listCommandKey(qtKey, [this](int i) { Command1_Click(i); }, [this](int i) { Command2_Click(i); }))
        return true;
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Right:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Down:
        break;
    default:
        return false;
    }
    // Leaving the cell commits what was typed into it, before the cursor moves.
    sb_TextToGrid();
    const int last = grid_.rows() - 1;
    const int inputRow = isInputRow(last) ? last : 0;
    const GridPos to = gridKeyMove(Qt::Key(qtKey), GridPos{grid_.row(), grid_.col()}, last, inputRow, colWidths(grid_));
    moveCursor(to.row, to.col);
    host_.processEvents();
    sb_Editx();
    host_.refresh();
    return true;
}

void U1Session::sb_ChgDsp()
{
    level_.DispMode = level_.DispMode == 0 ? 1 : 0;
    for (int c = 0; c < grid_.cols(); ++c)
        grid_.setColWidth(c, view_.ColW[static_cast<size_t>(c)]);
    const int col = grid_.col();
    if (level_.DispMode == 0) {
        for (int c : {ColSu2, ColTk2, ColKn2})
            grid_.setColWidth(c, 0);
        if (col == ColSu2 || col == ColTk2 || col == ColKn2)
            grid_.setCol(col - 1);
    } else {
        for (int c : {ColSu1, ColTk1, ColKn1})
            grid_.setColWidth(c, 0);
        if (col == ColSu1 || col == ColTk1 || col == ColKn1)
            grid_.setCol(col + 1);
    }
    calc_.sb_DispTotal(0);
}

void U1Session::sb_FrmWidth() { host_.setWindowWidth(grid_.totalWidth() + 240); }

void U1Session::showError(const std::exception &e)
{
    if (gone_)
        return;  // said once; every later failure follows from it
    if (const auto *db = dynamic_cast<const DbError *>(&e)) {
        bool tableGone = false;
        if (db->reason() == DbFailure::MissingTable) {
            try {
                tableGone = shared_.DB_Main && !shared_.DB_Main->tableExists(level_.TblName);
            } catch (const std::exception &) {
                // Unknown: told as the failure it is.
            }
        }
        if (tableGone) {
            // Nothing is written or handed over any more; the list fills
            // itself anew without the estimate once the window has closed.
            gone_ = true;
            const bool wasLoaded = view_.loaded;
            view_.loaded = false;
            view_.overlay.EditFlg = false;
            page_.discardChanges();
            closing_.U1_Upd = false;
            closing_.U1_Gone = true;
            prompts_.message(kEstimateGone, MsgExclamation);
            if (wasLoaded)
                host_.closeSoon();
            return;
        }
        if (db->reason() == DbFailure::RecordDeleted && page_.afterRowsGone())
            return;
    }
    rz::showError(prompts_, e);
}

}  // namespace rz
