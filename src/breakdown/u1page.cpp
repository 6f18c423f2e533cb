// The page in the grid: at most twenty rows of the level with their keys and
// flags, how a record becomes a grid row, the row colours, and finding a
// grid row's record again.
#include "u1fields.h"

#include "amount.h"
#include "store/rowkind.h"
#include "store/sjis.h"

#include <limits>

namespace rz {

static_assert(U1Session::ColCount <= 11, "a page row keeps what each of its cells showed");

namespace {
const quint32 kDeletedBack = 10526880;  // RGB(160,160,160)
const quint32 kTotalFore = 16711680;    // &HFF0000, blue

qint32 keyAfter(qint32 key)
{
    // Rows appended at the end are 1024 apart; past the largest key there is
    // no room, which row creation reports with a beep.
    const qint64 next = static_cast<qint64>(key) + 1024;
    return next > std::numeric_limits<qint32>::max() ? 0 : static_cast<qint32>(next);
}

qint32 safeMidKey(qint32 lo, qint32 hi)
{
    try {
        return MidKey(lo, hi);
    } catch (const OverflowError &) {
        return 0;  // keys too far apart to halve: no insertion here
    }
}
}  // namespace

void U1Page::fill(int firstRow)
{
    const U1Level &level = lvl();
    Recordset &rs = rsLvl();
    const int size = level.pageSize();
    grid().setRows(firstRow);
    grid().setRows(size + 1);
    const U1Fields &f = fields();
    const int keyCol = f.key[curLvl()];
    if (rs.recordCount() > 0)
        rs.moveFirst();
    if (level.page() != 1) {
        rs.move((level.page() - 1) * U1Level::kPageRows - (level.CurLvl > 0 ? 2 : 1));
        RowKey[0][0] = rs.eof() ? 0 : static_cast<qint32>(rs.field(keyCol).toLong());
        if (!rs.eof())
            rs.moveNext();
    } else {
        RowKey[0][0] = 0;
    }
    PageRows = size;
    for (int r = 1; r <= size; ++r) {
        const size_t ur = static_cast<size_t>(r);
        if (rs.eof()) {
            RowKey[ur][0] = 0;
            RowKey[ur][1] = keyAfter(RowKey[ur - 1][0]);
            sb_SetNewRow(r);
            RowDirty[ur] = false;
            RowFlg[ur] = QStringLiteral("* ");
            RowInt0[ur] = 0;
            shownFlg_[ur] = RowFlg[ur];
            shownInt0_[ur] = 0;
            PageRows = r;
            break;
        }
        const qint32 key = static_cast<qint32>(rs.field(keyCol).toLong());
        RowKey[ur][0] = key;
        RowKey[ur][1] = safeMidKey(RowKey[ur - 1][0], key);
        RowFlg[ur] = rs.field(f.flg).toString();
        try {
            RowInt0[ur] = static_cast<int>(rs.field(f.int0).toLong());
        } catch (const DbError &e) {
            if (e.reason() != DbFailure::TypeMismatch)
                throw;
            RowInt0[ur] = 0;  // unreadable: left as stored, since it shows unchanged
        }
        shownFlg_[ur] = RowFlg[ur];
        shownInt0_[ur] = RowInt0[ur];
        if (r >= firstRow)
            sb_DispRow(r);
        rs.moveNext();
    }
    grid().setRows(PageRows + 1);
}

void U1Page::showCell(int row, int col, const QString &text)
{
    grid().setText(row, col, text);
    shown_[static_cast<size_t>(row)][static_cast<size_t>(col)] = text;
    shownValue_[static_cast<size_t>(row)][static_cast<size_t>(col)] = std::nullopt;
}

void U1Page::showCell(int row, int col, const Value &value)
{
    showCell(row, col, cellText(col, value));
    shownValue_[static_cast<size_t>(row)][static_cast<size_t>(col)] = value;
}

QString U1Page::cellText(int col, const Value &value)
{
    switch (col) {
    case U1Session::ColFlg:
        if (isProvisionallyDeleted(value.toString()))
            return QStringLiteral("×");
        return MidBAnsi(value.toString(), 1, 1) == QLatin1String("+") ? QStringLiteral("＋") : QStringLiteral("－");
    case U1Session::ColSu1:
    case U1Session::ColSu2:
        return quantityDisplay(quantityOf(value));
    case U1Session::ColTk1:
    case U1Session::ColTk2:
        return moneyText(value.toCurrency(), U1Session::kPriceMask);
    case U1Session::ColKn1:
    case U1Session::ColKn2:
        return moneyText(value.toCurrency(), U1Session::kAmountMask);
    default:
        return padBytes(value.toString(), cellByteLimit(col));
    }
}

void U1Page::sb_DispRow(int row)
{
    const U1Fields &f = fields();
    Recordset &rs = rsLvl();
    const QString flg = rs.field(f.flg).toString();
    const QString knm = rs.field(f.knm).toString();
    showCell(row, U1Session::ColFlg, Value(flg));
    if (isProvisionallyDeleted(flg))
        sb_RowBackColor(row, oleColor(kDeletedBack));
    else if (beginsWithTotalMark(knm))
        sb_RowForeColor(row, oleColor(kTotalFore));
    // A number another program stored in a form its column cannot hold
    // shows as "？" and stays as stored until the user types a new one.
    for (int col = U1Session::ColKnm; col < U1Session::ColCount; ++col) {
        try {
            showCell(row, col, rs.field(fieldOfCell(col)));
        } catch (const DbError &e) {
            if (e.reason() != DbFailure::TypeMismatch)
                throw;
            showCell(row, col, QStringLiteral("？"));
        }
    }
}

void U1Page::sb_RowBackColor(int row, const QColor &color)
{
    for (int c = 1; c < grid().cols(); ++c)
        grid().setCellBackColor(row, c, color);
}

void U1Page::sb_RowForeColor(int row, const QColor &color)
{
    for (int c = 1; c < grid().cols(); ++c)
        grid().setCellForeColor(row, c, color);
}

void U1Page::markTotalColour(int row)
{
    if (isProvisionallyDeleted(flag(row)))
        return;
    sb_RowForeColor(row, beginsWithTotalMark(grid().text(row, U1Session::ColKnm)) ? oleColor(kTotalFore) : QColor());
}

void U1Page::sb_SetNewRow(int row)
{
    showCell(row, U1Session::ColFlg, U1Session::kInputMark);
    for (int c = 1; c < grid().cols(); ++c)
        showCell(row, c, QString());
}

void U1Page::sb_GetCurRec(int row)
{
    locateRecord(row, row >= 0 && row < int(RowKey.size()) ? rowKey(row) : 0);
}

void U1Page::locateRecord(int row, qint32 key)
{
    Recordset &rs = rsLvl();
    if (rs.recordCount() > 0)
        rs.moveFirst();
    const int page = lvl().page();
    if (page == 1)
        rs.move(row - 1);
    else if (lvl().CurLvl > 0)
        rs.move((page - 1) * U1Level::kPageRows + row - 2);
    else
        rs.move((page - 1) * U1Level::kPageRows + row - 1);
    // Positions count on the level as it was shown; after a requery (another
    // program deleted rows) a row must still reach its own record or none.
    const int keyCol = fields().key[curLvl()];
    if (key == 0 || (!rs.eof() && rs.field(keyCol).toLong() == key))
        return;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        if (rs.field(keyCol).toLong() == key)
            return;
    throw recordDeletedError();
}

bool U1Page::rowCounts(int row, const QString &name) const
{
    // Subtotal and running-total rows are never part of the level total.
    return !isProvisionallyDeleted(flag(row)) && !beginsWithTotalMark(name);
}

int U1Page::fieldOfCol(int col) const
{
    const U1Fields &f = fields();
    switch (col) {
    case U1Session::ColSu1: return f.su1;
    case U1Session::ColSu2: return f.su2;
    case U1Session::ColTk1: return f.tk1;
    case U1Session::ColTk2: return f.tk2;
    case U1Session::ColKn1: return f.kn1;
    case U1Session::ColKn2: return f.kn2;
    default: return -1;
    }
}

int U1Page::fieldOfCell(int col) const
{
    const U1Fields &f = fields();
    switch (col) {
    case U1Session::ColFlg: return f.flg;
    case U1Session::ColKnm: return f.knm;
    case U1Session::ColMei: return f.mei;
    case U1Session::ColTn1: return f.tn1;
    case U1Session::ColBk1: return f.bk1;
    default: return fieldOfCol(col);
    }
}

int U1Page::cellOfField(int field) const
{
    for (int col = 0; col < U1Session::ColCount; ++col)
        if (fieldOfCell(col) == field)
            return col;
    return -1;
}

bool U1Page::storable(int col, Currency value) const
{
    const int field = fieldOfCol(col);
    if (field < 0 || !lvl().RsLvl)
        return true;
    return fitsColumn(rsLvl().fieldType(field), cellKind(col) == CellKind::Quantity, value);
}

}  // namespace rz
