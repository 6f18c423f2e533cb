// Closing figures in CURRENCY: rounding, charges, tax, and the sums read from the item table.
#include "termsmath.h"

#include "store/levelkeys.h"
#include "store/recordset.h"
#include "store/rowkind.h"
#include "store/schema.h"
#include "store/vbconv.h"

#include <limits>

namespace rz {

__int128 roundQuotient(__int128 num, __int128 den, TaxRounding rule)
{
    const bool negative = num < 0;
    const __int128 magnitude = negative ? -num : num;
    __int128 q = magnitude / den;
    const __int128 rest = magnitude % den;
    if ((rule == TaxRounding::HalfUp && 2 * rest >= den) || (rule == TaxRounding::Up && rest != 0))
        ++q;
    return negative ? -q : q;
}

Currency percentOf(Currency amount, Currency percent, TaxRounding rule)
{
    // Ten-thousandths of yen times ten-thousandths of a percent: 1e10 of
    // them make one yen. Exact in 128 bits for any two CURRENCY values.
    const __int128 yen = roundQuotient(static_cast<__int128>(amount.raw()) * percent.raw(),
                                       static_cast<__int128>(100) * Currency::Scale * Currency::Scale, rule);
    if (yen > std::numeric_limits<qint64>::max() || yen < std::numeric_limits<qint64>::min())
        throw OverflowError("金額が通貨型の範囲を超えました");
    return Currency::fromWhole(static_cast<qint64>(yen));
}

Currency overheadsOf(const EstimateTerms &t, Currency price)
{
    return t.overheadKind == ChargeKind::Amount ? t.overheadAmount
                                                : percentOf(price, t.overheadRate, TaxRounding::Down);
}

Currency welfareOf(const EstimateTerms &t, Currency rowsLabour)
{
    if (t.welfareKind == ChargeKind::Amount)
        return t.welfareAmount;
    return percentOf(t.welfareBase == LabourBase::Rows ? rowsLabour : t.welfareBaseAmount, t.welfareRate,
                     TaxRounding::Down);
}

Currency taxOf(const EstimateTerms &t, Currency subtotal) { return percentOf(subtotal, t.taxRate, t.taxRounding); }

EstimateFigures computeFigures(const EstimateTerms &t, Currency price, Currency rowsLabour)
{
    EstimateFigures f;
    f.price = price;
    f.overheads = overheadsOf(t, price);
    f.welfare = welfareOf(t, rowsLabour);
    f.discount = t.discount;
    f.subtotal = f.price + f.overheads + f.welfare - f.discount;
    f.tax = taxOf(t, f.subtotal);
    f.total = f.subtotal + f.tax;
    return f;
}

bool needsRowsLabour(const EstimateTerms &t)
{
    return t.welfareKind == ChargeKind::Rate && t.welfareBase == LabourBase::Rows && !t.welfareRate.isZero();
}

Currency levelOneTotal(Database &db, const QString &table)
{
    Currency sum;
    auto rs = db.openRecordset(LvlSelectShape(table, 0), RecordsetType::Snapshot);
    for (; !rs->eof(); rs->moveNext()) {
        if (!isProvisionallyDeleted(rs->field(QStringLiteral("flg")).toString())
            && !beginsWithTotalMark(rs->field(QStringLiteral("knm")).toString()))
            sum += rs->field(QStringLiteral("kn1")).toCurrency();
    }
    return sum;
}

Currency labourOfRows(Database &db, const QString &table)
{
    // The rows in tree order, each right after its parent: a row counts when
    // the row its keys name as parent was open (a group reached this way and
    // not deleted). keys[d] and open[d] belong to the last row seen at depth d.
    Currency sum;
    std::array<LevelKeys, 9> keys{};
    std::array<bool, 9> open{};
    open[0] = true;  // the top level hangs below the estimate itself
    auto rs = db.openRecordset(QStringLiteral("SELECT key1, key2, key3, key4, key5, key6, key7, key8, knm, tn1, kn1, "
                                              "flg FROM %1 ORDER BY %2")
                                   .arg(table, QLatin1String(kLevelOrder)),
                               RecordsetType::Snapshot);
    for (; !rs->eof(); rs->moveNext()) {
        const int depth = GetLvl(*rs);
        if (depth == 0)
            continue;  // a row without a key belongs nowhere
        LevelKeys k{};
        for (int i = 0; i < depth; ++i)
            k[static_cast<size_t>(i)] = static_cast<qint32>(rs->field(i).toLong());
        const size_t d = static_cast<size_t>(depth);
        bool reached = open[d - 1];
        for (size_t i = 0; reached && i + 1 < d; ++i)
            reached = keys[d - 1][i] == k[i];
        const QString flg = rs->field(QStringLiteral("flg")).toString();
        const QString knm = rs->field(QStringLiteral("knm")).toString();
        const bool counted = reached && !isProvisionallyDeleted(flg);
        keys[d] = k;
        open[d] = counted && isGroupRow(flg) && !beginsWithTotalMark(knm);
        if (counted && !isGroupRow(flg) && !beginsWithTotalMark(knm)
            && Trim(rs->field(QStringLiteral("tn1")).toString()) == QStringLiteral("人工"))
            sum += rs->field(QStringLiteral("kn1")).toCurrency();
    }
    return sum;
}

Currency constructionPrice(Database &db, qint32 key)
{
    const QString table = itemTableName(key);
    if (db.tableExists(table))
        return levelOneTotal(db, table);
    auto rs = db.openRecordset(QStringLiteral("SELECT kn1 FROM RZTBLIDX WHERE [key1] = ?"), RecordsetType::Snapshot,
                               {Value(qint64(key))});
    return rs->eof() ? Currency() : rs->field(0).toCurrency();
}

EstimateFigures figuresOf(Database &db, qint32 key, const EstimateTerms &t)
{
    const QString table = itemTableName(key);
    const Currency labour = needsRowsLabour(t) && db.tableExists(table) ? labourOfRows(db, table) : Currency();
    return computeFigures(t, constructionPrice(db, key), labour);
}

QString taxLabel(Currency rate) { return QStringLiteral("消費税（%1%）").arg(rate.toString()); }

std::vector<FigureLine> closingLines(const EstimateTerms &t, const EstimateFigures &f)
{
    const std::vector<FigureLine> all{{QStringLiteral("工事価格"), f.price},
                                      {t.overheadLabel, f.overheads},
                                      {t.welfareLabel, f.welfare},
                                      {QStringLiteral("出精値引き"), -f.discount},
                                      {QStringLiteral("小計"), f.subtotal},
                                      {taxLabel(t.taxRate), f.tax},
                                      {QStringLiteral("合計"), f.total}};
    std::vector<FigureLine> lines;
    for (const FigureLine &l : all)
        if (!l.amount.isZero())
            lines.push_back(l);
    return lines;
}

}  // namespace rz
