// The editor's life and dispatch: opening and closing with the hand-over to
// the index window, the buttons, the keys, the cursor and the F5 switch.
#include "u1fields.h"

#include "rowkind.h"
#include "store/failuretext.h"
#include "store/sjis.h"
#include "store/vbconv.h"
#include "ui/uifonts.h"

#include <limits>

namespace rz {

const QString U1Session::kInputMark = QStringLiteral("＊");
const QString U1Session::kEmptyLevel = QStringLiteral("行がありません　作成をクリックしてください");
const QString U1Session::kAmountTooLarge =
    QStringLiteral("金額が大きすぎて計算できません。数量と単価を確かめてください。");
const QString U1Session::kNotStorable =
    QStringLiteral("この数値は見積書ファイルに保存できません。桁数を減らしてください。");
const QString U1Session::kRowsGone =
    QStringLiteral("他のプログラムで削除された行がありました。表示を更新します。");
const QString U1Session::kEstimateGone = QStringLiteral("この見積書は他のプログラムで削除されました。");
const QString U1Session::kTakeTheirs = QStringLiteral("他のプログラムの値にする");
const QString U1Session::kStillChanging =
    QStringLiteral("他のプログラムが同じ行を変更し続けているため、書き込めませんでした。しばらくしてから、もう一度操作してください。");
const QString U1Session::kDiscardOnClose =
    QStringLiteral("変更した行を見積書ファイルに書き込めませんでした。変更を破棄して閉じますか");
const QString U1Session::kPriceMask = QStringLiteral("##,###,###");
const QString U1Session::kAmountMask = QStringLiteral("##,###,###,###");

int U1Session::buttonLeft(int index)
{
    // F7, F9 and F11 have no button; their places stay empty.
    static const int lefts[12] = {0, 960, 1920, 2880, 3960, 4920, -1, 6840, -1, 8880, -1, 10800};
    return index >= 0 && index < 12 ? lefts[index] : -1;
}

U1Session::U1Session(Shared &shared, Prompts &prompts, U1Host &host)
    : shared_(shared), prompts_(prompts), host_(host)
{
    grid_.setFont(gridFont());
    // Until the editing overlay marks it, the cursor cell is shown by its colour.
    grid_.setBackColorSel(oleColor(0x00C0FFFF));
    RowFlg.fill(QString());
}

U1Session::~U1Session() = default;

const U1Session::Fields &U1Session::fields()
{
    if (!fields_)
        fields_ = std::make_unique<Fields>(*RsLvl);
    return *fields_;
}

bool U1Session::Form_Load()
{
    overlay = U1Overlay();
    EditFlg = false;
    DispMode = 0;
    clearCopy();
    BlkTop.fill(0);
    BlkEnd.fill(0);
    BlkFlg = false;
    BlkPage = BlkRow = BlkLvl = 0;
    sb_MkGrid1();
    CurLvl = 0;
    LvlPage.fill(1);
    TblName = shared_.DB_TblName;
    LvlRt1[0] = shared_.U1_Rt1;
    LvlRt2[0] = shared_.U1_Rt2;
    keptIdxPage = shared_.Idx_Page;
    keptIdxRow = shared_.Idx_Row;
    sb_MkRSSQL(0);
    try {
        if (!shared_.DB_Main)
            throw DbError(QStringLiteral("見積書ファイルが開かれていません。"));
        RsLvl = db().openRecordset(LvlSQL[0]);
        RS_UTbl = db().openRecordset(QStringLiteral("SELECT * FROM ") + TblName);
        fields();
    } catch (const std::exception &e) {
        RsLvl.reset();
        RS_UTbl.reset();
        showError(e);
        return false;
    }
    loaded_ = true;
    totalsKnown_ = false;
    sb_CalcTotal(1);
    sb_DispPage(1);
    moveCursor(1, 1);
    LvlRow[0] = 1;
    LvlCol[0] = 1;
    if (isInputRow(1))
        LblMsg = kEmptyLevel;
    sb_Editx();
    host_.refresh();
    return true;
}

bool U1Session::Form_Unload()
{
    if (!loaded_)
        return true;
    // Whichever way the window closes, what was typed into the cell counts.
    sb_TextToGrid();
    const bool written = sb_WriteUTbl();
    if (!written && loaded_ && prompts_.message(kDiscardOnClose, MsgOkCancelExclamation) != AnswerOk)
        return false;
    if (!loaded_)
        return true;  // the estimate went while the rows were written
    loaded_ = false;
    int count = 0;
    bool counted = true;
    std::pair<Currency, Currency> totals;
    try {
        auto rs = db().openRecordset(QStringLiteral("SELECT COUNT(*) FROM ") + TblName, RecordsetType::Snapshot);
        count = static_cast<int>(rs->field(0).toLong());
        // Another program may have changed rows since the editor last summed
        // them: the index record gets what the rows hold now.
        totals = storedTotals();
    } catch (const std::exception &e) {
        counted = false;
        showError(e);
    }
    clearCopy();
    RsLvl.reset();
    RS_UTbl.reset();
    shared_.DB_TblName = TblName;
    shared_.Idx_Page = keptIdxPage;
    shared_.Idx_Row = keptIdxRow;
    // Totals from a pass that failed, or rows that were not written, would
    // put figures into the estimate's record that its rows do not give.
    shared_.U1_Upd = written && counted && totalsKnown_;
    if (!shared_.U1_Upd)
        return true;
    shared_.U1_Kn1 = totals.first;
    shared_.U1_Kn2 = totals.second;
    shared_.U1_Rt1 = LvlRt1[0];
    shared_.U1_Rt2 = LvlRt2[0];
    // The index record counts items in a 16-bit column: a larger estimate
    // shows the most it can hold rather than losing its totals to the overflow.
    shared_.U1_RowCnt = std::min(count, int(std::numeric_limits<qint16>::max()));
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
    for (int c = 0; c < grid_.cols() && c < int(ColW.size()); ++c)
        ColW[static_cast<size_t>(c)] = grid_.colWidth(c);
    for (int c : {ColSu2, ColTk2, ColKn2}) {
        grid_.setColWidth(c, 0);
        grid_.setCellForeColor(0, c, oleColor(65535));
    }
}

bool U1Session::isInputRow(int row) const
{
    return row >= 1 && row < grid_.rows() && grid_.text(row, ColFlg) == kInputMark;
}

std::vector<int> U1Session::colWidths() const
{
    std::vector<int> widths(static_cast<size_t>(grid_.cols()));
    for (int c = 0; c < grid_.cols(); ++c)
        widths[static_cast<size_t>(c)] = grid_.colWidth(c);
    return widths;
}

int U1Session::NextVisCol(int start, int direction) const { return rz::NextVisCol(colWidths(), start, direction); }

Currency U1Session::CellCy(int row, int col) const
{
    const QString t = Trim(grid_.text(row, col));
    if (t.isEmpty())
        return Currency();
    return CCur(t).value_or(Currency());
}

void U1Session::moveCursor(int row, int col)
{
    row = std::clamp(row, 1, std::max(1, grid_.rows() - 1));
    col = std::clamp(col, 1, grid_.cols() - 1);
    if (grid_.colWidth(col) == 0) {
        const int next = NextVisCol(col, 1);
        col = next > 0 ? next : NextVisCol(col, -1);
    }
    if (row < grid_.rows())
        grid_.setRow(row);
    grid_.setCol(col);
}

void U1Session::gridCellEntered(int row, int col)
{
    sb_TextToGrid();
    moveCursor(row, col);
    sb_Editx();
    host_.refresh();
}

void U1Session::Command1_Click(int index)
{
    if (!loaded_)
        return;
    sb_TextToGrid();
    switch (index) {
    case 0:
        sb_LevelDown();
        break;
    case 1:
        createRow();
        break;
    case 2:
        if (sb_WriteUTbl())
            sb_CopyMenu();
        break;
    case 3:
        if (isInputRow(grid_.row()))
            prompts_.beep();
        else if (sb_WriteUTbl())
            sb_DelMenu();
        break;
    case 4:
        sb_ChgDsp();
        break;
    case 5:
        sb_CalcMenu();
        break;
    case 7:
        printCommand();
        break;
    case 9:
        if (sb_WriteUTbl())
            sb_EditMenu(buttonLeft(9), kButtonTop + kButtonHeight);
        break;
    case 11:
        goUp();
        if (!loaded_)
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
    if (!loaded_)
        return;
    // A page key typed in the overlay leaves its cell like any other move.
    sb_TextToGrid();
    const int row = grid_.row();
    if (!isInputRow(row))
        RowDirty[static_cast<size_t>(row)] = true;
    const size_t lvl = static_cast<size_t>(CurLvl);
    if (index == 0) {
        if (RowKey[static_cast<size_t>(PageRows)][0] != 0) {
            if (sb_WriteUTbl()) {
                ++LvlPage[lvl];
                moveCursor(1, 1);
                sb_DispPage(1);
            }
        } else {
            prompts_.beep();
        }
    } else {
        if (LvlPage[lvl] == 1) {
            prompts_.beep();
        } else if (sb_WriteUTbl()) {
            --LvlPage[lvl];
            sb_DispPage(1);
            moveCursor(1, 1);
        }
    }
    sb_Editx();
    host_.refresh();
}

bool U1Session::sb_GridKeyDown(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (!loaded_)
        return true;  // the window is closing: keys go nowhere
    if (qtKey == Qt::Key_Escape) {
        Command1_Click(11);
        return true;
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) {
        if (qtKey == Qt::Key_F5 && (modifiers & Qt::ShiftModifier))
            sb_FrmWidth();
        else
            Command1_Click(qtKey - Qt::Key_F1);
        return true;
    }
    if (qtKey == Qt::Key_PageUp) {
        Command2_Click(0);
        return true;
    }
    if (qtKey == Qt::Key_PageDown) {
        Command2_Click(1);
        return true;
    }
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
    const GridPos to = gridKeyMove(Qt::Key(qtKey), GridPos{grid_.row(), grid_.col()}, last, inputRow, colWidths());
    moveCursor(to.row, to.col);
    host_.processEvents();
    sb_Editx();
    host_.refresh();
    return true;
}

void U1Session::sb_ChgDsp()
{
    DispMode = DispMode == 0 ? 1 : 0;
    for (int c = 0; c < grid_.cols(); ++c)
        grid_.setColWidth(c, ColW[static_cast<size_t>(c)]);
    const int col = grid_.col();
    if (DispMode == 0) {
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
    sb_DispTotal(0);
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
                tableGone = shared_.DB_Main && !this->db().tableExists(TblName);
            } catch (const std::exception &) {
                // Unknown: told as the failure it is.
            }
        }
        if (tableGone) {
            leaveDeletedEstimate();
            return;
        }
        if (db->reason() == DbFailure::RecordDeleted && !refreshing_) {
            refreshAfterRowsGone();
            return;
        }
    }
    prompts_.message(failureText(e), MsgExclamation);
}

void U1Session::leaveDeletedEstimate()
{
    // Nothing is written or handed over any more; the list fills itself anew
    // without the estimate once the window has closed.
    gone_ = true;
    const bool wasLoaded = loaded_;
    loaded_ = false;
    EditFlg = false;
    RowDirty.fill(false);
    shared_.U1_Upd = false;
    shared_.U1_Gone = true;
    shared_.DB_TblName = TblName;
    shared_.Idx_Page = keptIdxPage;
    shared_.Idx_Row = keptIdxRow;
    prompts_.message(kEstimateGone, MsgExclamation);
    if (wasLoaded)
        host_.closeSoon();
}

}  // namespace rz
