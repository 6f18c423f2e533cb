// The procedures of the breakdown editor without any widget: one level of an
// estimate's item table in a grid page by page, going down into a row's
// sub-level and back up with the roll-up, and typing into its cells. The
// window frmU1 draws this state and forwards keys and clicks. This core
// keeps the level, the display, the cell editing and the navigation; the
// page's rows and their write-back, the calculation, the row operations,
// the block commands, the workbook exchange and the printing are parts of
// their own (u1page.h, u1calc.h, ...), which keep their state to themselves.
#pragma once
#include "u1blocks.h"
#include "u1calc.h"
#include "u1find.h"
#include "u1handover.h"
#include "u1master.h"
#include "u1page.h"
#include "u1parts.h"
#include "u1printing.h"
#include "u1rowops.h"
#include "u1undo.h"
#include "u1workbook.h"
#include "ui/grid.h"

namespace rz {

// The editing overlay as the procedures leave it: which box lies over which
// cell with what text. The window shows it and hands typed text back.
struct U1Overlay {
    bool combo = false;        // Combo1 over the unit cell, else TxtEdit
    int row = 0, col = 0;      // the cell it was placed on: a commit goes there
    QString text;              // TxtEdit.Text / Combo1.Text
    QString tag = QStringLiteral("0");  // the text when placed (TxtEdit.Tag / Combo1.Tag)
    bool numbers = false;      // number column: right-aligned, all selected, typed by the filter
    bool inputMethod = false;  // the input method is on (name and specification)
    bool readOnly = false;     // every key is refused (input row; unit of a row without a name)
    bool decimal = false;      // the decimal-point flag of a quantity
    bool EditFlg = false;      // the overlay holds an edit not yet committed into its cell
};

// What the window draws besides the grid and the total labels.
struct U1View {
    QString LblLevel, LblUTitle, LblPage, LblMem, LblMsg;
    U1Overlay overlay;
    std::array<int, 21> ColW{};  // the width of each column as designed (F5 shows the other set)
    bool loaded = false;  // between a successful Form_Load and Form_Unload
};

class U1Session {
public:
    static constexpr int kPageRows = U1Level::kPageRows;
    static constexpr int kLevels = U1Level::kLevels;
    // Columns of the grid.
    enum Col { ColFlg = 0, ColKnm, ColMei, ColSu1, ColSu2, ColTn1, ColTk1, ColTk2, ColKn1, ColKn2, ColBk1, ColCount };
    // Layout of the window in twips.
    static constexpr int kWidth = 12030, kHeight = 6495;
    static constexpr int kButtonTop = 0, kButtonWidth = 975, kButtonHeight = 375;
    static int buttonLeft(int index);  // Command1(index); -1 for 6, 8 and 10 (no button)

    static const QString kInputMark;       // "＊"
    static const QString kEmptyLevel;      // the message of a level without rows
    static const QString kNotStorable;     // a number the estimate file cannot keep as typed
    static const QString kEstimateGone;    // the whole estimate deleted by another program
    static const QString kDiscardOnClose;  // closing although the changes could not be written
    static const QString kPriceMask;       // unit prices
    static const QString kAmountMask;      // amounts and totals

    U1Session(Shared &shared, Prompts &prompts, U1Host &host, const U1Opening &opening);
    ~U1Session();
    U1Session(const U1Session &) = delete;
    U1Session &operator=(const U1Session &) = delete;

    // Form_Load: opens the estimate's item table in DB_Main; false (after the
    // message) when it cannot be opened.
    bool Form_Load();
    // Form_Unload: commits the cell being edited, writes back and makes the
    // closing report (closing()). When the write-back fails the user is
    // asked; false when the window is to stay open. No totals are handed
    // over unless those of the first level are known and every row was written.
    bool Form_Unload();
    void Form_Activate() { sb_Editx(); }

    void Command1_Click(int index);
    void Command2_Click(int index);
    // The shared key handler; true when the key was taken.
    bool sb_GridKeyDown(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // The user put the cursor on a cell with the mouse.
    void gridCellEntered(int row, int col);
    // A mouse button released over the grid at (x, y) twips from its corner.
    void Grid1_MouseUp(Qt::MouseButton button, int x, int y);

    // The keys of the two boxes of the overlay. The KeyDown handlers return
    // true when the key went to sb_GridKeyDown; the KeyPress handlers when
    // the key was consumed (a null key is one without a character: Delete,
    // Home, Ctrl+V...). Leaving a box (TxtEdit_LostFocus, Combo1_LostFocus)
    // is sb_TextToGrid: the boxes stay over their cell, so the focus comes back.
    bool TxtEdit_KeyDown(int qtKey, Qt::KeyboardModifiers modifiers, int caret);
    bool TxtEdit_KeyPress(QChar key, bool selected);
    bool Combo1_KeyDown(int qtKey, Qt::KeyboardModifiers modifiers, int caret);
    bool Combo1_KeyPress(QChar key);
    // What the user typed into a box the window lets type by itself.
    void setOverlayText(const QString &text) { view_.overlay.text = text; }

    const U1View &view() const { return view_; }
    // What the editor hands the index window once Form_Unload has let it close.
    const U1Closing &closing() const { return closing_; }
    Grid &grid() { return grid_; }
    const U1Level &level() const { return level_; }
    bool isInputRow(int row) const;

    // What the parts ask of the core.
    void sb_DispPage(int firstRow);
    // Places the overlay over the current cell, and commits it into its cell.
    void sb_Editx();
    void sb_TextToGrid();
    // The cell-writing path of typing: `text` committed into the cell at
    // (row, col) as if typed into the box over it and the cell left, with
    // everything a commit does (byte widths, refusals, the row's amount,
    // the level total).
    void writeCell(int row, int col, const QString &text);
    void moveCursor(int row, int col);
    // A failure told to the user; an estimate or rows another program
    // deleted meanwhile are told as such and dealt with.
    void showError(const std::exception &e);
    // The level read again as the file holds it; a failure of that is shown, never thrown.
    // `after`: the failure the caller is about to show, when it read again because of one.
    void reread(const std::exception *after = nullptr);
    void setMessage(const QString &text) { view_.LblMsg = text; }
    void setPage(int page) { level_.LvlPage[static_cast<size_t>(level_.CurLvl)] = page; }
    U1Page &page() { return page_; }
    U1Calc &calc() { return calc_; }
    U1RowOps &rows() { return rows_; }
    U1Blocks &blocks() { return blocks_; }
    U1Workbook &workbook() { return workbook_; }
    U1Printing &printing() { return printing_; }
    U1Master &master() { return master_; }
    U1Undo &undo() { return undo_; }
    U1Find &find() { return find_; }

    // The level with this path shown at a page, the cursor on (row, col),
    // its rows above it, their names and rates read from the file; the first
    // level when the path went meanwhile. False after a message.
    bool goTo(int level, const LevelKeys &path, int page, int row, int col);
    // The totals of the level with this path, and of each level above it,
    // written into the row each was opened from, as going up writes them. Throws.
    // With rates, the row the level was opened from also gets them.
    void rollUp(int level, const LevelKeys &path, std::optional<std::pair<int, int>> rates = std::nullopt);
    // The position of the row with `key` among the rows of the level with this path. Throws.
    int indexInLevel(int level, const LevelKeys &path, qint32 key);
    // Before going straight to another level: the totals of the level shown
    // rolled up into the rows above it. Throws.
    void leaveLevel() { rollUp(level_.CurLvl, level_.LvlKey); }

private:
    // Grid layout, the F5 switch of the two sets and the window width.
    void sb_MkGrid1();
    void sb_ChgDsp();
    void sb_FrmWidth();
    // Level navigation.
    void sb_LevelDown();
    bool sb_LevelUp();  // false when the roll-up into the parent row failed
    void goUp();        // 戻る (F12): the pass, the roll-up, or closing on the first level
    bool openLevel();
    void sb_EditTani();
    // sb_TextToGrid's commit of a text into its cell (the unit cell as the
    // combo box commits it); false when nothing was written.
    bool commitCell(int row, int col, const QString &text, const QString &tag);

    Shared &shared_;
    Prompts &prompts_;
    U1Host &host_;
    const U1Opening opening_;
    Grid grid_;
    U1Level level_;
    U1View view_;
    U1Closing closing_;
    bool gone_ = false;  // the estimate was deleted by another program; said once
    U1Page page_;
    U1Calc calc_;
    U1RowOps rows_;
    U1Blocks blocks_;
    U1Workbook workbook_;
    U1Printing printing_;
    U1Master master_;
    U1Undo undo_;
    U1Find find_;
};

}  // namespace rz
