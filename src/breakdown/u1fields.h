// Shared pieces of the editor's procedures: the positions of the item-table
// columns in the level recordset, and the texts a stored value shows as in
// the grid (used both to fill a row and to tell an untouched cell on the
// way back).
#pragma once
#include "u1session.h"

#include "celltyping.h"

#include "store/currency.h"

#include <QString>
#include <array>
#include <optional>

namespace rz {

struct U1Session::Fields {
    explicit Fields(const Recordset &rs);
    static int require(const Recordset &rs, const char *name);
    std::array<int, 8> key{};
    int knm, mei, tn1, su1, tk1, kn1, rt1, su2, tk2, kn2, rt2, lvl, bk1, flg, int0;
    int bk4;  // -1 in tables made by the transfer window's SQL
};

// A unit price or amount: through the mask, an empty cell for 0.
QString moneyText(Currency v, const QString &mask);

// The flag texts of a leaf row and of a row with a sub-level.
extern const QString kItemFlag;   // "-" + 9 blanks
extern const QString kGroupFlag;  // "+" + 9 blanks

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
