// Editing in the breakdown editor's cells: the overlay laid over the current
// cell, what its keys do, committing its text into the cell with the row's
// amount and the level total following at once, and the right mouse button.
#include "u1fields.h"

#include "amount.h"
#include "rowkind.h"
#include "store/sjis.h"
#include "store/vbconv.h"

namespace rz {

namespace {
const quint32 kTotalFore = 16711680;  // &HFF0000, blue

// The keys TxtEdit and Combo1 always hand to the grid's key handler.
bool alwaysForwarded(int key)
{
    switch (key) {
    case Qt::Key_Escape:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return key >= Qt::Key_F1 && key <= Qt::Key_F12;
    }
}
}  // namespace

void U1Session::sb_Editx()
{
    if (!loaded_)
        return;
    const int row = grid_.row(), col = grid_.col();
    if (row < 1 || row >= grid_.rows() || col < 1 || col >= grid_.cols())
        return;
    overlay.row = row;
    overlay.col = col;
    if (col == ColTn1) {
        sb_EditTani();
        return;
    }
    const bool inputRow = isInputRow(row);
    overlay.combo = false;
    overlay.numbers = isNumberColumn(col);
    // Nothing typed on the input row could reach a record: its keys are
    // refused, and an input method must not slip text past that.
    overlay.readOnly = inputRow;
    overlay.inputMethod = inputMethodOn(col) && !inputRow;
    overlay.text = overlayText(col, grid_.text(row, col));
    overlay.tag = overlay.text;
    overlay.decimal = overlay.text.contains(u'.');
    EditFlg = true;
    host_.placeOverlay();
}

void U1Session::sb_EditTani()
{
    const int row = grid_.row(), col = grid_.col();
    LvlRow[static_cast<size_t>(CurLvl)] = row;
    LvlCol[static_cast<size_t>(CurLvl)] = col;
    overlay.row = row;
    overlay.col = col;
    overlay.combo = true;
    overlay.numbers = false;
    overlay.readOnly = unitKeyRefused(grid_.text(row, ColKnm), isInputRow(row));
    overlay.inputMethod = !overlay.readOnly;
    // Combo1_GotFocus: the cell without its trailing blanks, caret at the end.
    overlay.text = RTrim(grid_.text(row, col));
    overlay.tag = overlay.text;
    overlay.decimal = false;
    EditFlg = true;
    host_.placeOverlay();
}

bool U1Session::rowCounts(int row, const QString &name) const
{
    // Subtotal and running-total rows are never part of the level total.
    return !isProvisionallyDeleted(RowFlg[static_cast<size_t>(row)]) && !beginsWithTotalMark(name);
}

int U1Session::fieldOfCol(int col)
{
    const Fields &f = fields();
    switch (col) {
    case ColSu1: return f.su1;
    case ColSu2: return f.su2;
    case ColTk1: return f.tk1;
    case ColTk2: return f.tk2;
    case ColKn1: return f.kn1;
    case ColKn2: return f.kn2;
    default: return -1;
    }
}

bool U1Session::storable(int col, Currency value)
{
    const int field = fieldOfCol(col);
    if (field < 0 || !RsLvl)
        return true;
    return fitsColumn(RsLvl->fieldType(field), cellKind(col) == CellKind::Quantity, value);
}

void U1Session::markTotalColour(int row)
{
    if (isProvisionallyDeleted(RowFlg[static_cast<size_t>(row)]))
        return;
    sb_RowForeColor(row, beginsWithTotalMark(grid_.text(row, ColKnm)) ? oleColor(kTotalFore) : QColor());
}

void U1Session::sb_TextToGrid()
{
    if (!EditFlg || !loaded_)
        return;
    const int row = overlay.row, col = overlay.col;
    if (row < 1 || row >= grid_.rows() || isInputRow(row))
        return;
    if (overlay.combo) {
        commitUnit(row);
        return;
    }
    if (overlay.text == overlay.tag)
        return;
    EditFlg = false;
    const size_t r = static_cast<size_t>(row);
    RowDirty[r] = true;
    const QString oldName = grid_.text(row, ColKnm);
    if (isNumberColumn(col) && !isTypedNumber(col, overlay.text)) {
        prompts_.beep();  // not a text the number filter builds: the cell keeps its number
        return;
    }
    const CellCommit commit = commitCellText(col, overlay.text, grid_.text(row, col), RowFlg[r], oldName);
    if (commit.outcome == CellCommit::Outcome::Refused)
        prompts_.beep();
    if (commit.outcome != CellCommit::Outcome::Written)
        return;

    // Everything the commit may change, to put back when the number cannot be kept.
    const int cols[] = {col, ColSu1, ColSu2, ColTk1, ColTk2, ColKn1, ColKn2};
    QString before[7];
    for (int i = 0; i < 7; ++i)
        before[i] = grid_.text(row, cols[i]);
    auto restore = [&] {
        for (int i = 6; i >= 0; --i)
            grid_.setText(row, cols[i], before[i]);
    };
    const Currency old1 = CellCy(row, ColKn1), old2 = CellCy(row, ColKn2);
    const bool countedBefore = rowCounts(row, oldName);

    grid_.setText(row, col, commit.text);
    if (isNumberColumn(col) && !storable(col, CellCy(row, col))) {
        restore();
        prompts_.message(kNotStorable, MsgExclamation);
        return;
    }
    // The amount follows its quantity and price at once; a new name may make
    // the row a subtotal row (its numbers go) or an ordinary row again. The
    // specification and the remark leave the amounts alone.
    if (isNumberColumn(col) || col == ColKnm) {
        const int amountCol = (col == ColSu1 || col == ColTk1 || col == ColKn1) ? ColKn1 : ColKn2;
        if (!dispKn1(row, amountCol)) {
            restore();
            prompts_.message(kAmountTooLarge, MsgExclamation);
            return;
        }
        if (!storable(amountCol, CellCy(row, amountCol))) {
            restore();
            prompts_.message(kNotStorable, MsgExclamation);
            return;
        }
    }
    const QString newName = grid_.text(row, ColKnm);
    const bool countedAfter = rowCounts(row, newName);
    const size_t lvl = static_cast<size_t>(CurLvl);
    try {
        const Currency total1 = LvlKn1[lvl] + ((countedAfter ? CellCy(row, ColKn1) : Currency()) -
                                               (countedBefore ? old1 : Currency()));
        const Currency total2 = LvlKn2[lvl] + ((countedAfter ? CellCy(row, ColKn2) : Currency()) -
                                               (countedBefore ? old2 : Currency()));
        LvlKn1[lvl] = total1;
        LvlKn2[lvl] = total2;
    } catch (const OverflowError &) {
        restore();
        prompts_.message(kAmountTooLarge, MsgExclamation);
        return;
    }
    if (col == ColKnm)
        markTotalColour(row);
    sb_DispTotal(0);
}

bool U1Session::commitUnit(int row)
{
    EditFlg = false;
    const size_t r = static_cast<size_t>(row);
    const QString name = grid_.text(row, ColKnm);
    const CellCommit commit = commitUnitText(overlay.text, overlay.tag, name);
    if (commit.outcome != CellCommit::Outcome::Written)
        return false;
    if (!beginsWithTotalMark(name) && unitKeyRefused(name, false)) {
        prompts_.beep();  // a unit chosen from the list on a row without a name
        return false;
    }
    RowDirty[r] = true;
    grid_.setText(row, ColTn1, padBytes(commit.text, cellByteLimit(ColTn1)));
    overlay.tag = overlay.text;
    return true;
}

bool U1Session::TxtEdit_KeyDown(int qtKey, Qt::KeyboardModifiers modifiers, int caret)
{
    if (overlay.combo)
        return false;
    const bool arrow = qtKey == Qt::Key_Left || qtKey == Qt::Key_Right;
    if (!alwaysForwarded(qtKey) && !(arrow && overlayForwardsArrow(Qt::Key(qtKey), overlay.col, overlay.text, caret)))
        return false;
    return sb_GridKeyDown(qtKey, modifiers);
}

bool U1Session::TxtEdit_KeyPress(QChar key, bool selected)
{
    if (overlay.combo)
        return false;
    const bool inputRow = isInputRow(overlay.row);
    if (!isNumberColumn(overlay.col)) {
        if (key == kEnterKey)
            return true;
        if (inputRow && !key.isNull()) {
            prompts_.beep();
            return true;
        }
        return false;
    }
    // The box never edits a number itself: keys without a character
    // (Delete, Home, Ctrl+V...) do nothing.
    if (key.isNull())
        return true;
    const NumberKeyResult typed = rz::TxtEdit_KeyPress(overlay.col, overlay.text, selected, overlay.decimal, inputRow, key);
    overlay.text = typed.text;
    overlay.decimal = typed.decimal;
    if (typed.beep)
        prompts_.beep();
    return true;
}

bool U1Session::Combo1_KeyDown(int qtKey, Qt::KeyboardModifiers modifiers, int caret)
{
    if (!overlay.combo)
        return false;
    if (qtKey == Qt::Key_Down && (modifiers & Qt::AltModifier))
        return false;  // opens the unit list
    const bool arrow = qtKey == Qt::Key_Left || qtKey == Qt::Key_Right;
    if (!alwaysForwarded(qtKey) && !(arrow && comboForwardsArrow(Qt::Key(qtKey), overlay.text, caret)))
        return false;
    return sb_GridKeyDown(qtKey, modifiers);
}

bool U1Session::Combo1_KeyPress(QChar key)
{
    if (!overlay.combo)
        return false;
    if (key == kEnterKey)
        return true;
    if (key.isNull())
        return false;
    if (unitKeyRefused(grid_.text(overlay.row, ColKnm), isInputRow(overlay.row))) {
        prompts_.beep();
        return true;
    }
    return false;
}

void U1Session::Grid1_MouseUp(Qt::MouseButton button, int x, int y)
{
    if (button != Qt::RightButton || !loaded_)
        return;
    sb_TextToGrid();
    if (sb_WriteUTbl())
        sb_EditMenu(x + 100, y + 750);
    sb_Editx();
    host_.refresh();
}

}  // namespace rz
