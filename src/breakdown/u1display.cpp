// One level in the grid: the level's SQL, a page of at most twenty rows with
// its keys and flags, how a record becomes a grid row, and the page label.
#include "u1fields.h"

#include "rowkind.h"
#include "amount.h"
#include "store/format.h"
#include "store/memfree.h"
#include "store/sjis.h"
#include "store/vbconv.h"

#include <limits>
#include <optional>

namespace rz {

const QString kItemFlag = QStringLiteral("-         ");
const QString kGroupFlag = QStringLiteral("+         ");

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

U1Session::Fields::Fields(const Recordset &rs)
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

int U1Session::Fields::require(const Recordset &rs, const char *name)
{
    const int i = rs.fieldIndex(QString::fromLatin1(name));
    if (i < 0)
        throw DbError(QStringLiteral("項目 '%1' はこのコレクションにありません。").arg(QString::fromLatin1(name)));
    return i;
}

QString moneyText(Currency v, const QString &mask) { return v.isZero() ? QString() : Format(v, mask); }

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

void U1Session::sb_MkRSSQL(int level)
{
    // The path's keys are bound when the level is opened: one statement text
    // per level, prepared once however many rows the user opens.
    QString sql = QStringLiteral("SELECT * FROM ") + TblName + QStringLiteral(" WHERE ");
    for (int i = 1; i <= level; ++i)
        sql += QStringLiteral("[key%1] = ? AND ").arg(i);
    sql += level < 7 ? QStringLiteral("[key%1] <> 0 AND ").arg(level + 1) : QStringLiteral("[key8] <> 0 ");
    for (int j = level + 2; j <= 7; ++j)
        sql += QStringLiteral("[key%1] = 0 AND ").arg(j);
    if (level < 7)
        sql += QStringLiteral("[key8] = 0 ");
    sql += QStringLiteral("order by ") + QLatin1String(kLevelOrder);
    LvlSQL[static_cast<size_t>(level)] = sql;
}

bool U1Session::openLevel()
{
    try {
        RsLvl = db().openRecordset(LvlSQL[static_cast<size_t>(CurLvl)], RecordsetType::Dynaset,
                                   levelParams(CurLvl, LvlKey));
        return true;
    } catch (const std::exception &e) {
        showError(e);
        return false;
    }
}

int U1Session::pageSize() const
{
    return CurLvl > 0 && LvlPage[static_cast<size_t>(CurLvl)] == 1 ? kPageRows - 1 : kPageRows;
}

int U1Session::pageCount() const
{
    // Always room for the input row: on a sub-level page 1 holds one row less.
    const int count = RsLvl ? RsLvl->recordCount() : 0;
    return CurLvl > 0 ? (count + 1) / kPageRows + 1 : count / kPageRows + 1;
}

void U1Session::sb_DispPage(int firstRow)
{
    const size_t lvl = static_cast<size_t>(CurLvl);
    LblLevel = QString::number(CurLvl + 1);
    const int curRow = grid_.row(), curCol = grid_.col();
    // A row another program deleted since the level was read is simply not
    // shown: the level is read again and the page filled anew.
    for (int attempt = 1;; ++attempt) {
        try {
            if (!RsLvl)
                throw DbError(QStringLiteral("オブジェクトが閉じています。"));
            fillPage(firstRow);
            break;
        } catch (const DbError &e) {
            if (e.reason() != DbFailure::RecordDeleted || attempt == 3) {
                showError(e);
                break;
            }
            reread();
            firstRow = 1;
        } catch (const std::exception &e) {
            showError(e);
            break;
        }
    }
    const int row = curRow < grid_.rows() ? curRow : grid_.rows() - 1;
    if (row >= 1)
        grid_.setRow(row);
    if (curCol >= 1 && curCol < grid_.cols())
        grid_.setCol(curCol);
    LblMem = QString::number(MemFree()) + QStringLiteral("%");
    const int count = RsLvl ? RsLvl->recordCount() : 0;
    LblPage = QString::number(LvlPage[lvl]) + (count == 0 ? QStringLiteral("/1  ")
                                                          : QStringLiteral("/") + QString::number(pageCount()));
    host_.refresh();
}

void U1Session::fillPage(int firstRow)
{
    const size_t lvl = static_cast<size_t>(CurLvl);
    // A level that lost rows since it was left shows its last page, all of it.
    const int page = std::clamp(LvlPage[lvl], 1, pageCount());
    if (page != LvlPage[lvl])
        firstRow = 1;
    LvlPage[lvl] = page;
    const int size = pageSize();
    grid_.setRows(firstRow);
    grid_.setRows(size + 1);
    const Fields &f = fields();
    const int keyCol = f.key[lvl];
    if (RsLvl->recordCount() > 0)
        RsLvl->moveFirst();
    if (LvlPage[lvl] != 1) {
        RsLvl->move((LvlPage[lvl] - 1) * kPageRows - (CurLvl > 0 ? 2 : 1));
        RowKey[0][0] = RsLvl->eof() ? 0 : static_cast<qint32>(RsLvl->field(keyCol).toLong());
        if (!RsLvl->eof())
            RsLvl->moveNext();
    } else {
        RowKey[0][0] = 0;
    }
    PageRows = size;
    for (int r = 1; r <= size; ++r) {
        const size_t ur = static_cast<size_t>(r);
        if (RsLvl->eof()) {
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
        const qint32 key = static_cast<qint32>(RsLvl->field(keyCol).toLong());
        RowKey[ur][0] = key;
        RowKey[ur][1] = safeMidKey(RowKey[ur - 1][0], key);
        RowFlg[ur] = RsLvl->field(f.flg).toString();
        try {
            RowInt0[ur] = static_cast<int>(RsLvl->field(f.int0).toLong());
        } catch (const DbError &e) {
            if (e.reason() != DbFailure::TypeMismatch)
                throw;
            RowInt0[ur] = 0;  // unreadable: left as stored, since it shows unchanged
        }
        shownFlg_[ur] = RowFlg[ur];
        shownInt0_[ur] = RowInt0[ur];
        if (r >= firstRow)
            sb_DispRow(r);
        RsLvl->moveNext();
    }
    grid_.setRows(PageRows + 1);
}

void U1Session::showCell(int row, int col, const QString &text)
{
    grid_.setText(row, col, text);
    shown_[static_cast<size_t>(row)][static_cast<size_t>(col)] = text;
    shownValue_[static_cast<size_t>(row)][static_cast<size_t>(col)] = std::nullopt;
}

void U1Session::showCell(int row, int col, const Value &value)
{
    showCell(row, col, cellText(col, value));
    shownValue_[static_cast<size_t>(row)][static_cast<size_t>(col)] = value;
}

QString U1Session::cellText(int col, const Value &value)
{
    switch (col) {
    case ColFlg:
        if (isProvisionallyDeleted(value.toString()))
            return QStringLiteral("×");
        return MidBAnsi(value.toString(), 1, 1) == QLatin1String("+") ? QStringLiteral("＋") : QStringLiteral("－");
    case ColSu1:
    case ColSu2:
        return quantityDisplay(quantityOf(value));
    case ColTk1:
    case ColTk2:
        return moneyText(value.toCurrency(), kPriceMask);
    case ColKn1:
    case ColKn2:
        return moneyText(value.toCurrency(), kAmountMask);
    default:
        return padBytes(value.toString(), cellByteLimit(col));
    }
}

void U1Session::sb_DispRow(int row)
{
    const Fields &f = fields();
    const QString flg = RsLvl->field(f.flg).toString();
    const QString knm = RsLvl->field(f.knm).toString();
    showCell(row, ColFlg, Value(flg));
    if (isProvisionallyDeleted(flg))
        sb_RowBackColor(row, oleColor(kDeletedBack));
    else if (beginsWithTotalMark(knm))
        sb_RowForeColor(row, oleColor(kTotalFore));
    // A number another program stored in a form its column cannot hold
    // shows as "？" and stays as stored until the user types a new one.
    for (int col = ColKnm; col < ColCount; ++col) {
        try {
            showCell(row, col, RsLvl->field(fieldOfCell(col)));
        } catch (const DbError &e) {
            if (e.reason() != DbFailure::TypeMismatch)
                throw;
            showCell(row, col, QStringLiteral("？"));
        }
    }
}

void U1Session::sb_DispSu1(int row, int col) { grid_.setText(row, col, quantityDisplay(CellCy(row, col))); }

void U1Session::sb_DispFormat(int row, int col, const QString &pattern)
{
    grid_.setText(row, col, moneyText(CellCy(row, col), pattern));
}

void U1Session::sb_RowBackColor(int row, const QColor &color)
{
    for (int c = 1; c < grid_.cols(); ++c)
        grid_.setCellBackColor(row, c, color);
}

void U1Session::sb_RowForeColor(int row, const QColor &color)
{
    for (int c = 1; c < grid_.cols(); ++c)
        grid_.setCellForeColor(row, c, color);
}

void U1Session::sb_SetNewRow(int row)
{
    showCell(row, ColFlg, kInputMark);
    for (int c = 1; c < grid_.cols(); ++c)
        showCell(row, c, QString());
}

void U1Session::sb_GetCurRec(int row)
{
    locateRecord(row, row >= 0 && row < int(RowKey.size()) ? RowKey[static_cast<size_t>(row)][0] : 0);
}

void U1Session::locateRecord(int row, qint32 key)
{
    if (RsLvl->recordCount() > 0)
        RsLvl->moveFirst();
    const int page = LvlPage[static_cast<size_t>(CurLvl)];
    if (page == 1)
        RsLvl->move(row - 1);
    else if (CurLvl > 0)
        RsLvl->move((page - 1) * kPageRows + row - 2);
    else
        RsLvl->move((page - 1) * kPageRows + row - 1);
    // Positions count on the level as it was shown; after a requery (another
    // program deleted rows) a row must still reach its own record or none.
    const int keyCol = fields().key[static_cast<size_t>(CurLvl)];
    if (key == 0 || (!RsLvl->eof() && RsLvl->field(keyCol).toLong() == key))
        return;
    for (RsLvl->moveFirst(); !RsLvl->eof(); RsLvl->moveNext())
        if (RsLvl->field(keyCol).toLong() == key)
            return;
    throw recordDeletedError();
}

}  // namespace rz
