// Typing rules of the breakdown editor's cells: the number overlay's key
// filter, committing a text into its cell, the unit shortcuts and the cursor
// moves. See the header for the choices that keep typed numbers readable.
#include "breakdown/celltyping.h"

#include "store/rowkind.h"
#include "store/format.h"
#include "store/schema.h"
#include "store/sjis.h"
#include "store/vbconv.h"

#include <QRegularExpression>
#include <optional>

namespace rz {

namespace {

constexpr int kMaxDecimals = 3;  // what the quantity cell shows after commit

bool isAsciiDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

// The part before the decimal point, sign and separators included.
int wholeLength(const QString &text)
{
    const int point = text.indexOf(u'.');
    return point < 0 ? int(text.size()) : point;
}

int decimalCount(const QString &text)
{
    const int point = text.indexOf(u'.');
    return point < 0 ? 0 : int(text.size()) - point - 1;
}

// A whole number typed so far ("", "-", "-1,234", "1234") reformatted with the
// mask, the sign kept even on 0 so that "-", "0", "5" still reads -5.
// nullopt when the text is not such a number.
std::optional<QString> formatWhole(const QString &text, const QString &mask)
{
    const bool negative = text.startsWith(u'-');
    QString digits = negative ? text.mid(1) : text;
    digits.remove(u',');
    if (digits.isEmpty())
        return negative ? std::optional<QString>(QStringLiteral("-")) : std::optional<QString>(QString());
    for (QChar c : digits)
        if (!isAsciiDigit(c))
            return std::nullopt;
    while (digits.size() > 1 && digits.startsWith(u'0'))
        digits.remove(0, 1);
    if (digits.size() > 15)  // far beyond every column, and beyond the currency range
        return std::nullopt;
    const auto value = Currency::parse(digits);
    if (!value)
        return std::nullopt;
    const QString shown = Format(*value, mask);
    return negative ? QStringLiteral("-") + shown : shown;
}

NumberKeyResult refused(const QString &text)
{
    NumberKeyResult r;
    r.text = text;
    r.decimal = text.contains(u'.');
    r.beep = true;
    return r;
}

NumberKeyResult accepted(const QString &text)
{
    NumberKeyResult r;
    r.text = text;
    r.decimal = text.contains(u'.');
    return r;
}

// A digit or "-" typed into the whole part of base (the text it extends).
NumberKeyResult typeWhole(int col, const QString &old, const QString &base, QChar key)
{
    if (key == u'-')
        return base.isEmpty() ? accepted(QStringLiteral("-")) : refused(old);
    const auto shown = formatWhole(base + key, typingMask(col));
    if (!shown || shown->size() > maxIntegerChars(col))
        return refused(old);
    return accepted(*shown);
}

NumberKeyResult priceKeyPress(int col, const QString &text, bool selected, QChar key)
{
    if (!selected && text.size() >= maxIntegerChars(col))
        return refused(text);
    if (isAsciiDigit(key) || key == u'-')
        return typeWhole(col, text, selected ? QString() : text, key);
    return accepted(text);  // any other key is ignored
}

NumberKeyResult quantityKeyPress(int col, const QString &text, bool selected, QChar key)
{
    const QString base = selected ? QString() : text;
    const bool decimal = base.contains(u'.');
    if (key == u'.') {
        if (decimal)
            return accepted(text);  // a second point is ignored
        if (base.isEmpty() || base == QLatin1String("-"))
            return accepted(base + QStringLiteral("0."));
        return accepted(base + key);
    }
    if (!decimal && !selected && wholeLength(base) >= maxIntegerChars(col))
        return refused(text);  // the whole part is full: only the point
    if (key == u'-')
        return typeWhole(col, text, base, key);
    if (isAsciiDigit(key)) {
        if (!decimal)
            return typeWhole(col, text, base, key);
        if (decimalCount(base) >= kMaxDecimals)
            return refused(text);
        return accepted(base + key);  // after the point: unformatted
    }
    return accepted(text);
}

}  // namespace

CellKind cellKind(int col)
{
    switch (col) {
    case 0: return CellKind::Marker;
    case 1:
    case 2:
    case 10: return CellKind::Text;
    case 3:
    case 4: return CellKind::Quantity;
    case 5: return CellKind::Unit;
    case 6:
    case 7: return CellKind::UnitPrice;
    case 8:
    case 9: return CellKind::Amount;
    default: return CellKind::None;
    }
}

bool isNumberColumn(int col)
{
    const CellKind k = cellKind(col);
    return k == CellKind::Quantity || k == CellKind::UnitPrice || k == CellKind::Amount;
}

int cellByteLimit(int col)
{
    switch (col) {
    case 1: return kNameBytes;
    case 2: return kSpecBytes;
    case 10: return kRemarkBytes;
    case 5: return kUnitBytes;
    default: return 0;
    }
}

QString typingMask(int col)
{
    switch (col) {
    case 3: return QStringLiteral("#,###,##0");
    case 4: return QStringLiteral("##,##0");
    case 6:
    case 7: return QStringLiteral("##,###,##0");
    case 8:
    case 9: return QStringLiteral("#,###,###,##0");
    default: return QString();
    }
}

int maxIntegerChars(int col)
{
    switch (col) {
    case 3: return 13;
    case 4: return 9;
    case 6:
    case 7: return 10;
    case 8:
    case 9: return 13;
    default: return 0;
    }
}

bool inputMethodOn(int col) { return col == 1 || col == 2; }

QString overlayText(int col, const QString &cellText)
{
    return isNumberColumn(col) ? Trim(cellText) : RTrim(cellText);
}

NumberKeyResult TxtEdit_KeyPress(int col, const QString &text, bool allSelected, bool decimalFlag,
                                 bool inputRow, QChar key)
{
    Q_UNUSED(decimalFlag);  // the text tells whether it has its point
    if (inputRow)
        return refused(text);
    if (key == kBackspaceKey)
        return accepted(QString());
    if (key == kEnterKey)
        return accepted(text);
    const bool selected = allSelected && !text.isEmpty();
    switch (cellKind(col)) {
    case CellKind::UnitPrice:
    case CellKind::Amount: return priceKeyPress(col, text, selected, key);
    case CellKind::Quantity: return quantityKeyPress(col, text, selected, key);
    default: return accepted(text);
    }
}

QString committedNumberText(const QString &text)
{
    const QString t = Trim(text);
    if (t.isEmpty())
        return QString();
    const auto value = CCur(t);
    if (!value || value->isZero())
        return QString();
    return t;
}

bool isTypedNumber(int col, const QString &text)
{
    static const QRegularExpression whole(QStringLiteral("^-?(0|[1-9][0-9]{0,2}(,[0-9]{3})*)?$"));
    static const QRegularExpression quantity(
        QStringLiteral("^-?((0|[1-9][0-9]{0,2}(,[0-9]{3})*)(\\.[0-9]{0,3})?)?$"));
    if (!isNumberColumn(col))
        return false;
    const bool isQuantity = cellKind(col) == CellKind::Quantity;
    if (!(isQuantity ? quantity : whole).match(text).hasMatch())
        return false;
    return wholeLength(text) <= maxIntegerChars(col);
}

QString quantityDisplay(Currency value)
{
    return value.hasFraction() ? Format(value, QStringLiteral("#,###,##0.000"))
                               : Format(value, QStringLiteral("#,###,###    "));
}

QString quantityDisplay(const QString &cellText)
{
    const QString t = Trim(cellText);
    return quantityDisplay(t.isEmpty() ? Currency() : CCur(t).value_or(Currency()));
}

CellCommit commitCellText(int col, const QString &newText, const QString &oldCellText, const QString &rowFlg,
                          const QString &rowName)
{
    using O = CellCommit::Outcome;
    const CellKind kind = cellKind(col);
    if (rowFlg.startsWith(u'*') || kind == CellKind::Marker || kind == CellKind::None
        || newText == overlayText(col, oldCellText))
        return {O::NotWritten, QString()};
    switch (kind) {
    case CellKind::Text:
        if (col == 1) {
            // A group row cannot become a subtotal row: its amounts come
            // from below and a subtotal's from the rows above it.
            if (isGroupRow(rowFlg) && beginsWithTotalMark(newText))
                return {O::Refused, oldCellText};
            return {O::Written, padBytes(newText, cellByteLimit(col))};
        }
        return {O::Written, LeftB(newText, cellByteLimit(col))};
    case CellKind::Unit: return {O::Written, LeftB(newText, cellByteLimit(col))};
    default: break;
    }
    if (beginsWithTotalMark(rowName))
        return {O::NotWritten, QString()};
    if (isGroupRow(rowFlg) && kind != CellKind::Quantity)
        return {O::NotWritten, QString()};
    const QString cell = committedNumberText(newText);
    return {O::Written, kind == CellKind::Quantity ? quantityDisplay(cell) : cell};
}

const QStringList &unitList()
{
    static const QStringList units = {
        QStringLiteral(" ｍ "), QStringLiteral("ｍ2 "), QStringLiteral("ｍ3 "), QStringLiteral(" 式 "),
        QStringLiteral(" Kg "), QStringLiteral("か所"), QStringLiteral(" 個 "), QStringLiteral(" 枚 "),
        QStringLiteral(" 組 "), QStringLiteral(" 本 "), QStringLiteral(" 台 "), QStringLiteral(" 〃 "),
        QStringLiteral(" ｔ "), QStringLiteral("箇所"), QStringLiteral("カ所"), QStringLiteral("ヶ所"),
        QStringLiteral("個所"), QStringLiteral(" 基 "), QStringLiteral(" 組 "), QStringLiteral(" 人 "),
        QStringLiteral("人日"), QStringLiteral("人月"),
    };
    return units;
}

QString unitShortcut(const QString &text)
{
    // Indexed by the digit: "0" is the last key of the row, " 台 ".
    static const QStringList byDigit = {
        QStringLiteral(" 台 "), QStringLiteral(" ｍ "), QStringLiteral("ｍ2 "), QStringLiteral("ｍ3 "),
        QStringLiteral(" 式 "), QStringLiteral("か所"), QStringLiteral(" 個 "), QStringLiteral(" 枚 "),
        QStringLiteral(" 組 "), QStringLiteral(" 本 "),
    };
    if (!text.isEmpty() && isAsciiDigit(text.at(0)))
        return byDigit.at(text.at(0).unicode() - u'0');
    return text;
}

bool unitKeyRefused(const QString &rowName, bool inputRow) { return inputRow || Trim(rowName).isEmpty(); }

CellCommit commitUnitText(const QString &text, const QString &tag, const QString &rowName)
{
    using O = CellCommit::Outcome;
    if (beginsWithTotalMark(rowName))
        return {O::Written, QString(4, u' ')};
    if (text == tag)
        return {O::NotWritten, QString()};
    return {O::Written, LeftB(unitShortcut(text), cellByteLimit(5))};
}

int NextVisCol(const std::vector<int> &widths, int start, int direction)
{
    const int step = direction > 0 ? 1 : -1;
    for (int c = start; c >= 1 && c < int(widths.size()); c += step)
        if (widths[size_t(c)] != 0)
            return c;
    return -1;
}

GridPos gridKeyMove(Qt::Key key, GridPos at, int rowsInUse, int inputRow, const std::vector<int> &widths)
{
    const bool onInputRow = inputRow > 0 && at.row == inputRow;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Right: {
        if (onInputRow)
            break;
        const int next = NextVisCol(widths, at.col + 1, 1);
        if (next < 0) {
            if (at.row < rowsInUse)
                at = {at.row + 1, 1};
        } else {
            at.col = next;
        }
        break;
    }
    case Qt::Key_Left:
        if (at.col <= 1) {
            if (at.row > 1)
                --at.row;
        } else {
            const int prev = NextVisCol(widths, at.col - 1, -1);
            if (prev >= 1)
                at.col = prev;
        }
        break;
    case Qt::Key_Up:
        if (at.row > 1)
            --at.row;
        break;
    case Qt::Key_Down:
        if (!onInputRow && at.row < rowsInUse) {
            ++at.row;
            if (at.row == inputRow)
                at.col = 1;
        }
        break;
    default: break;
    }
    return at;
}

bool overlayForwardsArrow(Qt::Key key, int col, const QString &text, int caret)
{
    if (key != Qt::Key_Left && key != Qt::Key_Right)
        return false;
    if (isNumberColumn(col))
        return true;
    if (key == Qt::Key_Left)
        return caret <= 0;
    return caret >= RTrim(text).size();
}

bool comboForwardsArrow(Qt::Key key, const QString &text, int caret)
{
    if (key == Qt::Key_Left)
        return caret <= 0;
    if (key == Qt::Key_Right)
        return caret >= text.size();
    return false;
}

}  // namespace rz
