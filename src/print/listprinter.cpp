// The list routines of the estimate printout; the frames are in listframes.cpp.
#include "listprinter.h"

#include "store/format.h"
#include "store/recordset.h"
#include "store/rowkind.h"
#include "store/sjis.h"
#include "store/vbconv.h"

namespace rz {

namespace {
const QString kQtyTest = QStringLiteral("###,###.000");
const QString kEstPrice = QStringLiteral("###,###,###");
const QString kEstAmount = QStringLiteral("###,###,###,###");
const QString kBudPrice = QStringLiteral("#########");
const QString kBudAmount = QStringLiteral("############");
const QString kBudTotal = QStringLiteral("#############");

QString spaces(int n) { return QString(n, u' '); }

QString text(const Recordset &rs, const char *name) { return rs.field(QString::fromLatin1(name)).toString(); }
Currency money(const Recordset &rs, const char *name) { return rs.field(QString::fromLatin1(name)).toCurrency(); }

bool isZero(const Value &v) { return v.isDouble() ? v.toDouble() == 0 : v.toCurrency().isZero(); }

// Quantities are CURRENCY in most item tables and SINGLE in the ones the
// transfer window creates; each is formatted in its own arithmetic.
QString formatQuantity(const Value &v, const QString &mask, int scale = 1)
{
    if (v.isDouble())
        return Format(v.toDouble() * scale, mask);
    return Format(Currency::multiply(v.toCurrency(), Currency::fromWhole(scale)), mask);
}

// Which decimals a quantity has, judged on its three-decimal text:
// 0 when none, else 1..3.
int quantityDecimals(const Value &v)
{
    const QString t = formatQuantity(v, kQtyTest);
    if (t.endsWith(QLatin1String("000")))
        return 0;
    if (t.endsWith(QLatin1String("00")))
        return 1;
    if (t.endsWith(u'0'))
        return 2;
    return 3;
}
}  // namespace

QString fieldRight(const QString &text, int n) { return text.size() >= n ? text : spaces(n - text.size()) + text; }

QString estimateQuantityText(const Value &quantity)
{
    static const QString masks[4] = {QStringLiteral("###,###    "), QStringLiteral("###,###.#  "),
                                     QStringLiteral("###,###.## "), QStringLiteral("###,###.###")};
    return formatQuantity(quantity, masks[quantityDecimals(quantity)]);
}

int budgetQuantityWidth(const Value &quantity) { return 6 + quantityDecimals(quantity); }

QString budgetQuantityText(const Value &quantity)
{
    const int d = quantityDecimals(quantity);
    static const int scales[4] = {1, 10, 100, 1000};
    return formatQuantity(quantity, QString(6 + d, u'#'), scales[d]);
}

ListPrinter::ListPrinter(PrintDevice &device, const PrintOptions &options, const QString &companyName, Database &db,
                         const EstimateRef &estimate)
    : PagePrinter(device, options, companyName), db_(db), Prt_Tbl(estimate.tableName())
{
}

void ListPrinter::printAt(int col, const QString &text)
{
    sb_PrtLocate(col, -1);
    if (!text.isEmpty())
        device_.print(text);
}

void ListPrinter::printMoney(int col, Currency value, const QString &mask, int width)
{
    // Zero, or prices not wanted, leaves the field empty.
    if (value.isZero() || !options_.prices)
        return;
    printField(col, width, Format(value, mask));
}

void ListPrinter::printField(int col, int width, const QString &number)
{
    // A number wider than its field keeps every digit and starts that much
    // further left, over the neighbouring field: a figure cut short would be
    // a wrong figure on the customer's paper.
    const QString t = fieldRight(number, width);
    printAt(qMax(0, col - int(t.size() - width)), t);
}

void ListPrinter::sb_ListLevel(int level, LevelKeys keys)
{
    if (level == 0)
        ensureLevelIndex(db_, Prt_Tbl);
    auto &tot = Prt_Tot;
    tot[0] = tot[1] = tot[2] = tot[3] = Currency();
    auto rs = db_.openRecordset(LvlSelectShape(Prt_Tbl, level), RecordsetType::Snapshot, levelParams(level, keys));
    if (rs->recordCount() > 0) {
        int lines = 0;
        if (level != 0) {
            sb_PrtLocate(Prt_OffX + 7, Prt_OffY + 7);
            device_.setFontBold(true);
            device_.print(Prt_Name[static_cast<size_t>(level)]);
            device_.setFontBold(false);
            lines = 1;
        }
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            // A full page is closed before the record is looked at, even when
            // the record itself will not be printed.
            if (lines >= kBands) {
                sb_PageEnd();
                lines = 0;
            }
            if (isProvisionallyDeleted(text(*rs, "flg")))
                continue;
            sb_PrtLocate(-1, bandRow(lines));
            if (beginsWithTotalMark(text(*rs, "knm")))
                sb_ListSubTotal(*rs);
            else
                sb_ListRow(*rs);
            ++lines;
        }
        if (lines != 0) {
            if (lines >= kBands)
                sb_PageEnd();
            sb_PrtLocate(-1, totalRow());
            sb_ListTotal();
            sb_PageEnd();
            if (level == 0)
                sb_ListClosing();
        }
    }
    if (options_.range == PrintRange::Top || level >= 7)
        return;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        const QString flg = text(*rs, "flg");
        if (!isGroupRow(flg) || isProvisionallyDeleted(flg))
            continue;
        keys[static_cast<size_t>(level)] = static_cast<qint32>(rs->field(QStringLiteral("key%1").arg(level + 1)).toLong());
        Prt_Name[static_cast<size_t>(level + 1)] = text(*rs, "knm");
        sb_ListLevel(level + 1, keys);
    }
}

void ListPrinter::sb_ListRow(const Recordset &rs)
{
    // On a page laid out but not drawn only the sums go on.
    if (device_.drawing()) {
        const int ox = Prt_OffX;
        printAt(ox + 7, text(rs, "knm"));
        printAt(ox + 47, text(rs, "mei"));
        if (options_.estimateLayout())
            rowEstimate(rs);
        else
            rowBudget(rs);
    }
    const Currency kn1 = money(rs, "kn1"), kn2 = money(rs, "kn2");
    auto &tot = Prt_Tot;
    tot[0] += kn1;
    tot[1] += kn1;
    tot[2] += kn2;
    tot[3] += kn2;
}

void ListPrinter::rowEstimate(const Recordset &rs)
{
    const Value su1 = rs.field(QStringLiteral("su1"));
    if (!isZero(su1) && options_.quantities)
        printField(67, 11, estimateQuantityText(su1));
    printAt(78, Left(text(rs, "tn1") + spaces(4), 4));
    printMoney(82, money(rs, "tk1"), kEstPrice, 11);
    printMoney(93, money(rs, "kn1"), kEstAmount, 15);
    if (options_.remarks)
        printAt(108, Left(text(rs, "bk1") + spaces(20), 20));
}

void ListPrinter::rowBudget(const Recordset &rs)
{
    const int ox = Prt_OffX;
    const Value su1 = rs.field(QStringLiteral("su1")), su2 = rs.field(QStringLiteral("su2"));
    if (!isZero(su1) && options_.quantities)
        printField(ox + 67, budgetQuantityWidth(su1), budgetQuantityText(su1));
    printAt(ox + 76, Left(text(rs, "tn1") + spaces(4), 4));
    printMoney(ox + 80, money(rs, "tk1"), kBudPrice, 9);
    printMoney(ox + 89, money(rs, "kn1"), kBudAmount, 13);
    if (options_.remarks)
        printAt(ox + 102, Left(text(rs, "bk1") + spaces(20), 20));
    if (!isZero(su2) && options_.quantities)
        printField(ox + 123, budgetQuantityWidth(su2), budgetQuantityText(su2));
    printMoney(ox + 132, money(rs, "tk2"), kBudPrice, 9);
    printMoney(ox + 141, money(rs, "kn2"), kBudAmount, 13);
}

void ListPrinter::sb_ListSubTotal(const Recordset &rs)
{
    const int ox = Prt_OffX;
    const QString knm = text(rs, "knm");
    const bool running = isRunningTotalName(knm);
    printAt(ox + 7, Left(knm.mid(running ? 2 : 1) + spaces(30), 30));
    auto &tot = Prt_Tot;
    // A running total shows the list so far; a subtotal the rows since the
    // last subtotal, and starts that count again.
    const Currency est = running ? tot[0] : tot[1];
    const Currency bud = running ? tot[2] : tot[3];
    if (options_.estimateLayout()) {
        printMoney(93, est, kEstAmount, 15);
        if (!running)
            tot[1] = Currency();
    } else {
        printMoney(ox + 89, est, kBudTotal, 13);
        printMoney(ox + 141, bud, kBudTotal, 13);
        if (!running)
            tot[1] = tot[3] = Currency();
    }
}

void ListPrinter::sb_ListTotal()
{
    const int ox = Prt_OffX;
    printAt(ox + 7, spaces(19) + QStringLiteral("計"));
    auto &tot = Prt_Tot;
    if (options_.estimateLayout()) {
        printMoney(93, tot[0], kEstAmount, 15);
    } else {
        printMoney(ox + 89, tot[0], kBudTotal, 13);
        printMoney(ox + 141, tot[2], kBudTotal, 13);
    }
    tot[0] = tot[2] = Currency();
}

void ListPrinter::sb_ListClosing()
{
    // Amounts not printed would leave a page of bare names.
    if (closing_.empty() || !options_.prices)
        return;
    const int ox = Prt_OffX;
    int band = 0;
    for (const FigureLine &line : closing_) {
        sb_PrtLocate(-1, bandRow(band++));
        printAt(ox + 7, line.label);
        if (options_.estimateLayout())
            printMoney(93, line.amount, kEstAmount, 15);
        else
            printMoney(ox + 89, line.amount, kBudTotal, 13);
    }
    sb_PageEnd();
}

void ListPrinter::sb_PageEnd()
{
    const bool est = options_.estimateLayout();
    const int ox = est ? 0 : Prt_OffX, oy = est ? 0 : Prt_OffY;
    sb_PrtLocate(est ? 57 : ox + 64, oy + 46);
    device_.setFontBold(true);
    if (!Co_Name.isEmpty())
        device_.print(Co_Name);
    device_.setFontBold(false);
    if (Prt_Pno != 0) {
        sb_PrtLocate(est ? 120 : ox + 146, oy + 46);
        device_.print(QStringLiteral("Page ") + QString::number(Prt_Pno).rightJustified(3, u' '));
        ++Prt_Pno;
    }
    if (est)
        sb_FrameEst();
    else
        sb_FrameEstBud();
}

}  // namespace rz
