// Editing in the breakdown editor's cells: the overlay laid over the current
// cell, what its keys do, committing its text into the cell with the row's
// amount and the level total following at once, and the right mouse button.
#include "u1fields.h"

#include "amount.h"
#include "store/rowkind.h"
#include "store/sjis.h"
#include "store/vbconv.h"

namespace rz {

namespace {
// Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z.
bool undoKey(int key, Qt::KeyboardModifiers modifiers)
{
    return (modifiers & Qt::ControlModifier) && (key == Qt::Key_Z || key == Qt::Key_Y);
}

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
    U1Overlay &overlay = view_.overlay;
    if (!view_.loaded)
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
    overlay.EditFlg = true;
    host_.placeOverlay();
}

void U1Session::sb_EditTani()
{
    U1Overlay &overlay = view_.overlay;
    const int row = grid_.row(), col = grid_.col();
    level_.LvlRow[static_cast<size_t>(level_.CurLvl)] = row;
    level_.LvlCol[static_cast<size_t>(level_.CurLvl)] = col;
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
    overlay.EditFlg = true;
    host_.placeOverlay();
}

void U1Session::sb_TextToGrid()
{
    U1Overlay &overlay = view_.overlay;
    if (!overlay.EditFlg || !view_.loaded)
        return;
    const int row = overlay.row, col = overlay.col;
    if (row < 1 || row >= grid_.rows() || isInputRow(row))
        return;
    if (overlay.combo) {
        overlay.EditFlg = false;
        if (commitCell(row, ColTn1, overlay.text, overlay.tag))
            overlay.tag = overlay.text;
        return;
    }
    if (overlay.text == overlay.tag)
        return;
    overlay.EditFlg = false;
    commitCell(row, col, overlay.text, overlay.tag);
}

void U1Session::writeCell(int row, int col, const QString &text)
{
    if (!view_.loaded || row < 1 || row >= grid_.rows() || isInputRow(row) || col < 1 || col >= grid_.cols())
        return;
    // The tag the box would have been placed with on this cell.
    const QString cell = grid_.text(row, col);
    const QString tag = col == ColTn1 ? RTrim(cell) : overlayText(col, cell);
    if (col != ColTn1 && text == tag)
        return;
    commitCell(row, col, text, tag);
}

bool U1Session::commitCell(int row, int col, const QString &text, const QString &tag)
{
    const QString oldName = grid_.text(row, ColKnm);
    if (col == ColTn1) {
        const CellCommit unit = commitUnitText(text, tag, oldName);
        if (unit.outcome != CellCommit::Outcome::Written)
            return false;
        if (!beginsWithTotalMark(oldName) && unitKeyRefused(oldName, false)) {
            prompts_.beep();  // a unit chosen from the list on a row without a name
            return false;
        }
        page_.markDirty(row);
        grid_.setText(row, ColTn1, padBytes(unit.text, cellByteLimit(ColTn1)));
        return true;
    }
    page_.markDirty(row);
    if (isNumberColumn(col) && !isTypedNumber(col, text)) {
        prompts_.beep();  // not a text the number filter builds: the cell keeps its number
        return false;
    }
    const CellCommit commit = commitCellText(col, text, grid_.text(row, col), page_.flag(row), oldName);
    if (commit.outcome == CellCommit::Outcome::Refused)
        prompts_.beep();
    if (commit.outcome != CellCommit::Outcome::Written)
        return false;

    // Everything the commit may change, to put back when the number cannot be kept.
    const int cols[] = {col, ColSu1, ColSu2, ColTk1, ColTk2, ColKn1, ColKn2};
    QString before[7];
    for (int i = 0; i < 7; ++i)
        before[i] = grid_.text(row, cols[i]);
    auto refuse = [&](const QString &message) {
        for (int i = 6; i >= 0; --i)
            grid_.setText(row, cols[i], before[i]);
        prompts_.message(message, MsgExclamation);
        return false;
    };
    const Currency old1 = CellCy(grid_, row, ColKn1), old2 = CellCy(grid_, row, ColKn2);
    const bool countedBefore = page_.rowCounts(row, oldName);

    grid_.setText(row, col, commit.text);
    if (isNumberColumn(col) && !page_.storable(col, CellCy(grid_, row, col)))
        return refuse(kNotStorable);
    // The amount follows its quantity and price at once; a new name may make
    // the row a subtotal row (its numbers go) or an ordinary row again. The
    // specification and the remark leave the amounts alone.
    if (isNumberColumn(col) || col == ColKnm) {
        const int amountCol = (col == ColSu1 || col == ColTk1 || col == ColKn1) ? ColKn1 : ColKn2;
        if (!calc_.sb_DispKn1(row, amountCol))
            return refuse(U1Calc::kAmountTooLarge);
        if (!page_.storable(amountCol, CellCy(grid_, row, amountCol)))
            return refuse(kNotStorable);
    }
    const bool countedAfter = page_.rowCounts(row, grid_.text(row, ColKnm));
    if (!calc_.moveTotals(countedBefore ? old1 : Currency(), countedBefore ? old2 : Currency(),
                          countedAfter ? CellCy(grid_, row, ColKn1) : Currency(),
                          countedAfter ? CellCy(grid_, row, ColKn2) : Currency()))
        return refuse(U1Calc::kAmountTooLarge);
    if (col == ColKnm)
        page_.markTotalColour(row);
    calc_.sb_DispTotal(0);
    return true;
}

bool U1Session::TxtEdit_KeyDown(int qtKey, Qt::KeyboardModifiers modifiers, int caret)
{
    const U1Overlay &overlay = view_.overlay;
    if (overlay.combo)
        return false;
    // While the box holds typing of its own, Ctrl+Z takes back that typing.
    if (undoKey(qtKey, modifiers))
        return overlay.text == overlay.tag && sb_GridKeyDown(qtKey, modifiers);
    const bool arrow = qtKey == Qt::Key_Left || qtKey == Qt::Key_Right;
    if (!alwaysForwarded(qtKey) && !(arrow && overlayForwardsArrow(Qt::Key(qtKey), overlay.col, overlay.text, caret)))
        return false;
    return sb_GridKeyDown(qtKey, modifiers);
}

bool U1Session::TxtEdit_KeyPress(QChar key, bool selected)
{
    U1Overlay &overlay = view_.overlay;
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
    const U1Overlay &overlay = view_.overlay;
    if (!overlay.combo)
        return false;
    if (qtKey == Qt::Key_Down && (modifiers & Qt::AltModifier))
        return false;  // opens the unit list
    if (undoKey(qtKey, modifiers))
        return overlay.text == overlay.tag && sb_GridKeyDown(qtKey, modifiers);
    const bool arrow = qtKey == Qt::Key_Left || qtKey == Qt::Key_Right;
    if (!alwaysForwarded(qtKey) && !(arrow && comboForwardsArrow(Qt::Key(qtKey), overlay.text, caret)))
        return false;
    return sb_GridKeyDown(qtKey, modifiers);
}

bool U1Session::Combo1_KeyPress(QChar key)
{
    const U1Overlay &overlay = view_.overlay;
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
    if (button != Qt::RightButton || !view_.loaded)
        return;
    sb_TextToGrid();
    if (page_.sb_WriteUTbl())
        blocks_.sb_EditMenu(x + 100, y + 750);
    sb_Editx();
    host_.refresh();
}

}  // namespace rz
