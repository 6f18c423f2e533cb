// Shared pieces of the editor's procedures: the texts a stored value shows
// as in the grid (used both to fill a row and to tell an untouched cell on
// the way back), the flags of the two row kinds, a cell's number, and the
// writer that rewrites only the values that changed.
#pragma once
#include "u1session.h"

#include "celltyping.h"

#include "store/currency.h"

#include <QString>
#include <optional>
#include <vector>

namespace rz {

// A unit price or amount: through the mask, an empty cell for 0.
QString moneyText(Currency v, const QString &mask);

// The flag texts of a leaf row and of a row with a sub-level.
extern const QString kItemFlag;   // "-" + 9 blanks
extern const QString kGroupFlag;  // "+" + 9 blanks

// The currency value of a cell, 0 when it is empty or not a number.
Currency CellCy(const Grid &grid, int row, int col);
// The widths of the grid's columns, for the cursor moves that skip hidden ones.
std::vector<int> colWidths(const Grid &grid);

// Writes a value into the current record of a dynaset only when it differs
// from what the record holds, entering Edit on the first change: a pass over
// a level then rewrites only the rows whose numbers really changed.
class FieldWriter {
public:
    explicit FieldWriter(Recordset &rs) : rs_(rs) {}
    // With what the user saw in the column, the write is refused (by a
    // WriteConflictError) when another program changed it since.
    void put(int column, const Value &value, const std::optional<Value> &shown = std::nullopt);
    void putMoney(int column, Currency value);
    void save();

private:
    Recordset &rs_;
};

}  // namespace rz
