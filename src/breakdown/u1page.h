// The rows of the page the editor shows: the grid filled from the level
// recordset with each row's keys and flags and what each cell showed as
// read, finding a row's record again, and writing the rows the user changed
// back into the item table. A cell another program changed since it was
// shown is written over only when the user, asked, keeps the value typed.
#pragma once
#include "u1parts.h"

#include "store/currency.h"

#include <QColor>
#include <optional>
#include <vector>

namespace rz {

class U1Page : public U1Part {
public:
    using U1Part::U1Part;

    static const QString kRowsGone;       // rows deleted by another program meanwhile
    static const QString kTakeTheirs;     // the button that takes another program's value of a cell
    static const QString kStillChanging;  // cells another program keeps changing

    // sb_DispPage's filling: the page of the level from grid row firstRow
    // on, ending with the input row when the level ends on it. Throws.
    void fill(int firstRow);
    // Moves RsLvl to the record of a grid row by its position and makes sure
    // it is the record with `key` at the current level (0: no check).
    void sb_GetCurRec(int row);
    void locateRecord(int row, qint32 key);
    // Write-back of changed grid rows; false (after the message) when the
    // file refused them: nothing of them was written and the grid keeps them.
    bool sb_WriteUTbl();
    // Mode 1: a new record in front of the row with the row's cells; mode 0:
    // the row's changed cells into its record.
    void sb_WriteRec(int row, int mode);

    void sb_RowBackColor(int row, const QColor &color);
    void sb_RowForeColor(int row, const QColor &color);
    void markTotalColour(int row);  // blue for a subtotal name, else the grid's colour

    // RowKey(r, 0): the key of the record in grid row r (0 for none; row 0
    // the last of the previous page); RowKey(r, 1): the key a row inserted
    // in front of row r gets (0 when none is free).
    qint32 rowKey(int row) const { return RowKey[static_cast<size_t>(row)][0]; }
    qint32 insertKey(int row) const { return RowKey[static_cast<size_t>(row)][1]; }
    const QString &flag(int row) const { return RowFlg[static_cast<size_t>(row)]; }
    int rows() const { return PageRows; }  // grid rows in use, the input row included
    void markDirty(int row) { RowDirty[static_cast<size_t>(row)] = true; }
    void setFlag(int row, const QString &flg)
    {
        RowFlg[static_cast<size_t>(row)] = flg;
        markDirty(row);
    }
    void discardChanges() { RowDirty.fill(false); }
    // Whether the row counts in the level total under this name.
    bool rowCounts(int row, const QString &name) const;
    // Whether the column of a number cell keeps this value exactly.
    bool storable(int col, Currency value) const;
    // Rows another program deleted: said, then the level shown again; false
    // (nothing done) while that is already under way.
    bool afterRowsGone();

private:
    struct CellConflict {
        int row;
        WriteConflict conflict;
    };
    void sb_DispRow(int row);
    void sb_SetNewRow(int row);
    // Grid text of a row as read from its record; the write-back writes a
    // cell only when it no longer shows this.
    void showCell(int row, int col, const QString &text);
    void showCell(int row, int col, const Value &value);
    // A stored value as its cell shows it, and a cell's text as its column stores it.
    static QString cellText(int col, const Value &value);
    Value storedForm(int col, const QString &text) const;
    int fieldOfCell(int col) const;
    int cellOfField(int field) const;
    int fieldOfCol(int col) const;
    bool writePage(int last, std::vector<CellConflict> &conflicts, bool &gone);
    // The cells another program changed since they were shown, that the
    // user changed too: each one asked, keep the user's value or take the other.
    void resolveConflicts(const std::vector<CellConflict> &conflicts);
    void refreshAfterRowsGone();
    void addBlankRecord(qint32 key);
    void sb_U1RecClr();

    std::array<std::array<qint32, 2>, 22> RowKey{};
    std::array<QString, 22> RowFlg;
    std::array<int, 22> RowInt0{};
    std::array<bool, 22> RowDirty{};
    int PageRows = 0;
    static constexpr int kCols = 11;
    std::array<std::array<QString, kCols>, 22> shown_{};
    // The values the cells showed as read, where they could be read: a
    // write-back never puts the user's value over another program's change
    // of the same cell without asking.
    std::array<std::array<std::optional<Value>, kCols>, 22> shownValue_{};
    std::array<QString, 22> shownFlg_;
    std::array<int, 22> shownInt0_{};
    bool refreshing_ = false;  // showing the level again after rows went
};

}  // namespace rz
