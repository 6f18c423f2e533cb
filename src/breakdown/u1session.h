// The procedures of the breakdown editor without any widget: one level of an
// estimate's item table in a grid page by page, going down into a row's
// sub-level and back up with the roll-up, the level calculation and the rate
// entries. The window frmU1 draws this state and forwards keys and clicks.
#pragma once
#include "blocks/blockcopy.h"
#include "blocks/xlsxlaunch.h"
#include "calctbl.h"
#include "print/indexprint.h"
#include "store/levelkeys.h"
#include "store/recordset.h"
#include "store/shared.h"
#include "ui/grid.h"
#include "ui/prompts.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace rz {

class XlsxError;

// What the procedures need from the window around them.
class U1Host {
public:
    virtual ~U1Host() = default;
    virtual void refresh() = 0;      // labels, widths or the cursor changed
    virtual void closeWindow() = 0;  // unload the window (Form_Unload follows)
    // The same once the event being handled is done with.
    virtual void closeSoon() { closeWindow(); }
    // Window coordinates in twips to global screen pixels, for popup menus.
    virtual QPoint globalPointFromTwips(int x, int y) const = 0;
    virtual void setWindowWidth(int twips) = 0;
    // The editing overlay over the current cell; focus back to the window.
    virtual void placeOverlay() = 0;
    // Lets pending window events run after a long write-back.
    virtual void processEvents() {}
    // The window the editor's own dialogs belong to.
    virtual QWidget *dialogParent() { return nullptr; }
};

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
};

class U1Session {
public:
    static constexpr int kPageRows = 20;
    static constexpr int kLevels = 8;
    // Columns of the grid.
    enum Col { ColFlg = 0, ColKnm, ColMei, ColSu1, ColSu2, ColTn1, ColTk1, ColTk2, ColKn1, ColKn2, ColBk1, ColCount };
    // Layout of the window in twips.
    static constexpr int kWidth = 12030, kHeight = 6495;
    static constexpr int kButtonTop = 0, kButtonWidth = 975, kButtonHeight = 375;
    static int buttonLeft(int index);  // Command1(index); -1 for 6, 8 and 10 (no button)

    static const QString kInputMark;    // "＊"
    static const QString kEmptyLevel;   // the message of a level without rows
    static const QString kAmountTooLarge;  // an amount beyond what money can hold
    static const QString kNotStorable;     // a number the estimate file cannot keep as typed
    static const QString kRowsGone;        // rows deleted by another program meanwhile
    static const QString kEstimateGone;    // the whole estimate deleted by another program
    static const QString kTakeTheirs;      // the button that takes another program's value of a cell
    static const QString kStillChanging;   // cells another program keeps changing
    static const QString kDiscardOnClose;  // closing although the changes could not be written
    static const QString kPriceMask;    // unit prices
    static const QString kAmountMask;   // amounts and totals

    U1Session(Shared &shared, Prompts &prompts, U1Host &host);
    ~U1Session();
    U1Session(const U1Session &) = delete;
    U1Session &operator=(const U1Session &) = delete;

    // Form_Load: opens DB_TblName of DB_Main; false (after the message) when
    // the item table cannot be opened.
    bool Form_Load();
    // Form_Unload: commits the cell being edited, writes back and hands the
    // totals to the index window. When the write-back fails the user is
    // asked; false when the window is to stay open. Nothing is handed over
    // unless the totals of the first level are known and every row was written.
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
    void LblTotal_Click();
    void LblRitu_Click();

    // Grid layout and page display.
    void sb_MkGrid1();
    void sb_MkRSSQL(int level);
    void sb_DispPage(int firstRow);
    void sb_DispRow(int row);
    void sb_DispSu1(int row, int col);
    void sb_DispFormat(int row, int col, const QString &pattern);
    void sb_RowBackColor(int row, const QColor &color);
    void sb_RowForeColor(int row, const QColor &color);
    void sb_SetNewRow(int row);
    void sb_GetCurRec(int row);
    // Write-back of changed grid rows; false (after the message) when the
    // file refused them: nothing of them was written and the grid keeps them.
    // A cell another program changed since it was shown is written over
    // only when the user, asked, keeps the value typed.
    bool sb_WriteUTbl();
    void sb_WriteRec(int row, int mode);
    void sb_U1RecClr();
    void sb_ChgDsp();
    void sb_FrmWidth();
    void sb_LevelDown();
    bool sb_LevelUp();  // false when the roll-up into the parent row failed

    // Calculation (modes as the callers name them: 0 sum, 1 and 2
    // recalculate, 3 re-rate from oldRate and recalculate). False after the
    // message when the pass failed; then nothing of it was written.
    bool sb_CalcTotal(int mode, int oldRate = 0);
    bool sb_DispTotal(int mode, int oldRate = 0);
    void sb_Kakeritu(int oldRate, int newRate);
    // False after the message when the amount leaves the currency range;
    // the amount cell is then left as it was.
    bool sb_DispKn1(int row, int amountCol);
    void sb_CalcMenu();
    void PU6_all();

    // Cell editing: placing the overlay, committing it into its cell, and the
    // keys of the two boxes. The KeyDown handlers return true when the key
    // went to sb_GridKeyDown; the KeyPress handlers when the key was consumed
    // (a null key is one without a character: Delete, Home, Ctrl+V...).
    void sb_Editx();
    void sb_EditTani();
    void sb_TextToGrid();
    bool TxtEdit_KeyDown(int qtKey, Qt::KeyboardModifiers modifiers, int caret);
    bool TxtEdit_KeyPress(QChar key, bool selected);
    bool Combo1_KeyDown(int qtKey, Qt::KeyboardModifiers modifiers, int caret);
    bool Combo1_KeyPress(QChar key);
    // Leaving the window commits; the boxes stay over their cell, so the
    // focus comes back to them.
    void TxtEdit_LostFocus() { sb_TextToGrid(); }
    void Combo1_LostFocus() { sb_TextToGrid(); }
    // What the user typed into a box the window lets type by itself.
    void setOverlayText(const QString &text) { overlay.text = text; }

    // Row operations: 作成, the copy menu, the delete menu, the edit menu.
    void createRow();
    void sb_CopyMenu();
    void sb_Copy();
    void sb_Paste();
    void sb_DelMenu();
    void sb_Delete();
    void PU4_KDel_Click();
    void PU4_Kaijyo_Click();
    void sb_EditMenu(int x, int y);  // (x, y): window twips
    enum Pu10Entry { PU10_Top, PU10_End, PU10_BCopy, PU10_BDel, PU10_BFile, PU10_BRead, PU10_MkRowSpc,
                     PU10_Copy1, PU10_Copy2, PU10_WriteXls, PU10_ReadXls, PU10_Count };
    static const QStringList &pu10Captions();
    QList<bool> pu10Enabled() const;
    // The entry chosen in the edit menu: the block operations and exchanges.
    void PU10_Click(int entry);
    // The worksheet exchanges through an .xlsx workbook: every row of the
    // level written from the sheet's active cell on; sheet rows read into
    // the empty rows of the level from the cursor row on.
    void sb_WriteXls();
    void sb_ReadXls();
    static const QString kXlsNotOpened;  // the workbook cannot be found or opened
    static const QString kXlsNoSheet;    // the workbook has no usable active sheet
    // Shows a written workbook in the desktop's spreadsheet program.
    std::function<bool(const QString &path)> showWorkbook = openInSpreadsheet;
    // Whether a column of this type keeps a number exactly as it is.
    static bool fitsColumn(ColType type, bool quantity, Currency value);

    // Block commands of the edit menu: marking the start and the end of a
    // block on the level shown, copying it in front of the cursor row,
    // deleting it, row spacing and the amount copies between the two sets.
    void PU10_Top_Click();
    // The keys of a grid row's record; false once a failure was shown.
    bool readRowKeys(int row, std::array<qint32, 9> &keys);
    void PU10_End_Click();
    void sb_SetBlkRs();
    void PU10_BCopy_Click();
    void PU10_BDel_Click();
    void PU10_MkRowSpc_Click();
    void sb_AmtCopy(int mode);  // 0: estimate to budget, 1: budget to estimate
    // The marked block saved to a block file; a block file read in front of the cursor row.
    void PU10_BFile_Click();
    void PU10_BRead_Click();
    static const QString kBlockRangeWrong;  // end before start
    static const QString kBlockNoRoom;      // a copy stopped for lack of keys
    static const QString kSpacingTooWide;   // row spacing would pass the largest key

    // 印刷 (F8): the print options dialog for the current row and, when it is
    // confirmed, the changed rows written and the printout made.
    void printCommand();
    // The printout the dialog chose, from the current row or of the page shown.
    void sb_Print(const PrintOptions &options);
    // Its pages on a device (the printer, a PDF file or the preview).
    void renderPrintout(PrintDevice &device, const PrintOptions &options);
    // How 印刷 shows its dialog and opens its printer (or PDF file).
    ShowOptionsDialog showPrintOptions = execOptionsDialog;
    OpenPrintDevice openPrintDevice = openDefaultPrintDevice;

    // The next visible column at or after start (direction > 0) or at or
    // before it (direction < 0), or -1.
    int NextVisCol(int start, int direction) const;
    // The currency value of a cell, 0 when it is empty or not a number.
    Currency CellCy(int row, int col) const;
    bool isInputRow(int row) const;
    bool isLoaded() const { return loaded_; }

    Grid &grid() { return grid_; }
    const Grid &grid() const { return grid_; }
    Database &db() { return *shared_.DB_Main; }

    U1Overlay overlay;

    // Labels of the window.
    QString LblLevel, LblUTitle, LblPage, LblMem, LblMsg, LblTotal, LblRitu;

    // Editor state, by the names every part of the editor uses.
    QString TblName;
    int CurLvl = 0;
    LevelKeys LvlKey{};
    std::array<QString, 9> LvlSQL;
    std::array<QString, 9> LvlTitle;
    std::array<int, 9> LvlRow{}, LvlCol{}, LvlPage{};
    std::array<Currency, 9> LvlKn1{}, LvlKn2{};
    std::array<int, 9> LvlRt1{}, LvlRt2{};
    std::array<std::array<qint32, 2>, 22> RowKey{};
    std::array<QString, 22> RowFlg;
    std::array<int, 22> RowInt0{};
    std::array<bool, 22> RowDirty{};
    int PageRows = 0;
    int DispMode = 0;
    std::array<int, 21> ColW{};
    std::unique_ptr<Recordset> RsLvl;
    std::unique_ptr<Recordset> RS_UTbl;  // the whole item table (the block operations' rows)
    bool EditFlg = false;
    int CopyFlg = 0;
    // The copied row with everything below it (rows kept by identity), the
    // copied row's keys, its depth and amounts.
    std::unique_ptr<Recordset> RsCopy;
    LevelKeys CopyKeys{};
    int CopyDepth = 0;
    Currency CopyKn1, CopyKn2;
    // The block range of the edit menu: start and end keys, whether the end
    // is marked, where the start was marked and the depth of the block's top rows.
    std::array<qint32, 9> BlkTop{}, BlkEnd{};
    bool BlkFlg = false;
    int BlkPage = 0, BlkRow = 0, BlkLvl = 0;
    QString BlkTopName;  // the start row's name, for the message line
    int keptIdxPage = 0, keptIdxRow = 0;

    // Rows of the current page: page size and the record count of the level.
    int pageSize() const;
    int pageCount() const;

private:
    struct Fields;
    // Moves RsLvl to the record of a grid row by its position and makes sure
    // it is the record with `key` at the current level (0: no check).
    void locateRecord(int row, qint32 key);
    void fillPage(int firstRow);  // sb_DispPage without its labels; throws
    // The level read again as the file holds it; a failure of that is shown, never thrown.
    void reread();
    // Grid text of a row as read from its record; the write-back writes a
    // cell only when it no longer shows this.
    void showCell(int row, int col, const QString &text);
    void showCell(int row, int col, const Value &value);
    // A stored value as its cell shows it, and a cell's text as its column stores it.
    QString cellText(int col, const Value &value);
    Value storedForm(int col, const QString &text);
    int fieldOfCell(int col);
    int cellOfField(int field);
    // The cells another program changed since they were shown, that the
    // user changed too: each one asked, keep the user's value or take the other.
    struct CellConflict {
        int row;
        WriteConflict conflict;
    };
    void resolveConflicts(const std::vector<CellConflict> &conflicts);
    bool writePage(int last, std::vector<CellConflict> &conflicts, bool &gone);
    // The estimate's rows at the first level as stored now: their totals.
    std::pair<Currency, Currency> storedTotals();
    std::pair<Currency, Currency> sumLevel(Recordset &rs);
    void leaveDeletedEstimate();
    void refreshAfterRowsGone();
    bool openLevel();
    void showError(const std::exception &e);
    bool calcPass(int mode, int oldRate);
    void refreshTotalLabels();
    void goUp();
    void moveCursor(int row, int col);
    std::vector<int> colWidths() const;
    void clearCopy();
    // Block commands: where a block goes in front of a row, a dot on the
    // message line with the window repainted, and the level shown again
    // after the command (requeried, summed, page from row 1, overlay placed).
    BlockPlace blockPlace(int row) const;
    void progressDot();
    void afterBlockCommand(bool clearMessage = true);
    bool blockOnLevelShown() const;
    void forgetBlock();  // after a block delete or a row spacing
    bool copiedRows(std::vector<std::vector<Value>> &rows, std::vector<QString> &names);
    QString subtreeWhere(int row);
    void addBlankRecord(qint32 key);
    bool rowCounts(int row, const QString &name) const;
    bool commitUnit(int row);
    bool storable(int col, Currency value);
    bool dispKn1(int row, int amountCol);  // sb_DispKn1 without the message
    int fieldOfCol(int col);
    void markTotalColour(int row);
    int rateShown() const { return DispMode == 0 ? LvlRt1[static_cast<size_t>(CurLvl)] : LvlRt2[static_cast<size_t>(CurLvl)]; }
    std::optional<int> askRate(const QString &title);
    const Fields &fields();
    QString printDocumentName(const PrintOptions &options);
    QString chooseWorkbook(bool save);
    void xlsxMessage(const XlsxError &e, const QString &path);
    bool takesSheetRow();

    Shared &shared_;
    Prompts &prompts_;
    U1Host &host_;
    Grid grid_;
    std::unique_ptr<Fields> fields_;
    bool loaded_ = false;
    // The first level's totals come from a pass that read every row; until
    // then (a value that does not convert) there is nothing to hand back.
    bool totalsKnown_ = false;
    std::array<std::array<QString, ColCount>, 22> shown_{};
    // The values the cells showed as read, where they could be read: a
    // write-back never puts the user's value over another program's change
    // of the same cell without asking.
    std::array<std::array<std::optional<Value>, ColCount>, 22> shownValue_{};
    bool gone_ = false;        // the estimate was deleted by another program; said once
    bool refreshing_ = false;  // showing the level again after rows went
    std::array<QString, 22> shownFlg_;
    std::array<int, 22> shownInt0_{};
};

}  // namespace rz
