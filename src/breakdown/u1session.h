// The procedures of the breakdown editor without any widget: one level of an
// estimate's item table in a grid page by page, going down into a row's
// sub-level and back up with the roll-up, the level calculation and the rate
// entries. The window frmU1 draws this state and forwards keys and clicks.
#pragma once
#include "calctbl.h"
#include "store/levelkeys.h"
#include "store/recordset.h"
#include "store/shared.h"
#include "ui/grid.h"
#include "ui/prompts.h"

#include <array>
#include <memory>
#include <optional>

namespace rz {

// What the procedures need from the window around them.
class U1Host {
public:
    virtual ~U1Host() = default;
    virtual void refresh() = 0;      // labels, widths or the cursor changed
    virtual void closeWindow() = 0;  // unload the window (Form_Unload follows)
    // Window coordinates in twips to global screen pixels, for popup menus.
    virtual QPoint globalPointFromTwips(int x, int y) const = 0;
    virtual void setWindowWidth(int twips) = 0;
    // The editing overlay over the current cell; focus back to the window.
    virtual void placeOverlay() = 0;
    // Lets pending window events run after a long write-back.
    virtual void processEvents() {}
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
    static const QString kPriceMask;    // unit prices
    static const QString kAmountMask;   // amounts and totals

    U1Session(Shared &shared, Prompts &prompts, U1Host &host);
    ~U1Session();
    U1Session(const U1Session &) = delete;
    U1Session &operator=(const U1Session &) = delete;

    // Form_Load: opens DB_TblName of DB_Main; false (after the message) when
    // the item table cannot be opened.
    bool Form_Load();
    // Form_Unload: writes back, hands the totals to the index window.
    void Form_Unload();
    void Form_Activate() { sb_Editx(); }

    void Command1_Click(int index);
    void Command2_Click(int index);
    // The shared key handler; true when the key was taken.
    bool sb_GridKeyDown(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // The user put the cursor on a cell with the mouse.
    void gridCellEntered(int row, int col);
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
    void sb_DispKn1(int row, int amountCol);
    void sb_CalcMenu();
    void PU6_all();

    // Cell editing arrives with the overlay; these keep their places.
    void sb_TextToGrid() {}
    void sb_Editx();

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
    int keptIdxPage = 0, keptIdxRow = 0;

    // Rows of the current page: page size and the record count of the level.
    int pageSize() const;
    int pageCount() const;

private:
    struct Fields;
    bool openLevel();
    void showError(const std::exception &e);
    bool calcPass(int mode, int oldRate);
    void refreshTotalLabels();
    void goUp();
    void moveCursor(int row, int col);
    int rateShown() const { return DispMode == 0 ? LvlRt1[static_cast<size_t>(CurLvl)] : LvlRt2[static_cast<size_t>(CurLvl)]; }
    std::optional<int> askRate(const QString &title);
    const Fields &fields();

    Shared &shared_;
    Prompts &prompts_;
    U1Host &host_;
    Grid grid_;
    std::unique_ptr<Fields> fields_;
    bool loaded_ = false;
};

}  // namespace rz
