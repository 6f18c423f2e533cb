// The shared pieces of the editor's procedures (u1fields.h) and the
// positions of the item-table columns.
#include "u1fields.h"

#include "store/format.h"
#include "store/vbconv.h"

namespace rz {

const QString kItemFlag = QStringLiteral("-         ");
const QString kGroupFlag = QStringLiteral("+         ");

U1Fields::U1Fields(const Recordset &rs)
{
    static const char *const keys[8] = {"key1", "key2", "key3", "key4", "key5", "key6", "key7", "key8"};
    for (int i = 0; i < 8; ++i)
        key[static_cast<size_t>(i)] = require(rs, keys[i]);
    knm = require(rs, "knm");
    mei = require(rs, "mei");
    tn1 = require(rs, "tn1");
    su1 = require(rs, "su1");
    tk1 = require(rs, "tk1");
    kn1 = require(rs, "kn1");
    rt1 = require(rs, "rt1");
    su2 = require(rs, "su2");
    tk2 = require(rs, "tk2");
    kn2 = require(rs, "kn2");
    rt2 = require(rs, "rt2");
    lvl = require(rs, "lvl");
    bk1 = require(rs, "bk1");
    flg = require(rs, "flg");
    int0 = require(rs, "int0");
    bk4 = rs.fieldIndex(QStringLiteral("bk4"));
}

int U1Fields::require(const Recordset &rs, const char *name)
{
    const int i = rs.fieldIndex(QString::fromLatin1(name));
    if (i < 0)
        throw DbError(QStringLiteral("項目 '%1' はこのコレクションにありません。").arg(QString::fromLatin1(name)));
    return i;
}

QString moneyText(Currency v, const QString &mask) { return v.isZero() ? QString() : Format(v, mask); }

Currency CellCy(const Grid &grid, int row, int col)
{
    const QString t = Trim(grid.text(row, col));
    if (t.isEmpty())
        return Currency();
    return CCur(t).value_or(Currency());
}

std::vector<int> colWidths(const Grid &grid)
{
    std::vector<int> widths(static_cast<size_t>(grid.cols()));
    for (int c = 0; c < grid.cols(); ++c)
        widths[static_cast<size_t>(c)] = grid.colWidth(c);
    return widths;
}

namespace {
// The stored value, or none when another program left one there that the
// column's type cannot hold: such a value is always replaced.
std::optional<Value> storedValue(const Recordset &rs, int column)
{
    try {
        return rs.field(column);
    } catch (const DbError &e) {
        if (e.reason() != DbFailure::TypeMismatch)
            throw;
        return std::nullopt;
    }
}
}  // namespace

void FieldWriter::put(int column, const Value &value, const std::optional<Value> &shown)
{
    const std::optional<Value> stored = storedValue(rs_, column);
    const Value wanted = value.convertedFor(rs_.fieldType(column));
    if (stored && *stored == wanted)
        return;
    if (!rs_.isEditing())
        rs_.edit();
    if (shown)
        rs_.setField(column, value, *shown);
    else
        rs_.setField(column, value);
}

void FieldWriter::putMoney(int column, Currency value)
{
    // A Null amount is written, so the row holds the number it is counted with.
    const std::optional<Value> stored = storedValue(rs_, column);
    if (stored && !stored->isNull() && stored->toCurrency() == value)
        return;
    if (!rs_.isEditing())
        rs_.edit();
    rs_.setField(column, Value(value));
}

void FieldWriter::save()
{
    if (rs_.isEditing())
        rs_.update();
}

}  // namespace rz
