// The arithmetic of an estimate's closing lines: 工事価格 (the total of the
// top level of the breakdown), 諸経費, 法定福利費, 出精値引き, 小計, 消費税 and
// 合計, all exact in CURRENCY. A charge given as a rate is whole yen with
// the fraction dropped; the tax is rounded once, on 小計, by the estimate's
// rule. Every place that shows these figures (the list, the dialog, the
// printout, the covers) takes them from here, so they are the same figures.
#pragma once
#include "estimateterms.h"

#include <vector>

namespace rz {

struct EstimateFigures {
    Currency price;      // 工事価格
    Currency overheads;  // 諸経費
    Currency welfare;    // 法定福利費
    Currency discount;   // 出精値引き, positive
    Currency subtotal;   // 小計 = 工事価格 + 諸経費 + 法定福利費 - 出精値引き
    Currency tax;        // 消費税 on 小計
    Currency total;      // 合計
};

// num / den (den > 0) to a whole number by the rule; a negative quotient is
// rounded as its magnitude is (切り捨て of -2.5 is -2), as a refund is.
__int128 roundQuotient(__int128 num, __int128 den, TaxRounding rule);
// amount x percent / 100 in whole yen by the rule. Throws OverflowError.
Currency percentOf(Currency amount, Currency percent, TaxRounding rule);

Currency overheadsOf(const EstimateTerms &t, Currency price);
Currency welfareOf(const EstimateTerms &t, Currency rowsLabour);
Currency taxOf(const EstimateTerms &t, Currency subtotal);
// All of them; rowsLabour is the labour base of the 人工 rows. Throws OverflowError.
EstimateFigures computeFigures(const EstimateTerms &t, Currency price, Currency rowsLabour);

// Whether the welfare needs the labour of the rows (reading it costs a walk
// through every row of the estimate).
bool needsRowsLabour(const EstimateTerms &t);

// The item table's top level summed as its printed list sums it: every row
// not provisionally deleted and not a subtotal row.
Currency levelOneTotal(Database &db, const QString &table);
// The amounts of the item rows whose unit is 人工, at any level, each row
// counted only where the printout reaches it: not provisionally deleted and
// below group rows that are not either.
Currency labourOfRows(Database &db, const QString &table);

// The estimate's 工事価格: its top level, or the index's amount when its
// item table is missing.
Currency constructionPrice(Database &db, qint32 key);

// The estimate's figures from the file: its conditions or the defaults, its
// top level, and its labour when the welfare needs it. An estimate whose item
// table is missing has the index's amount as its 工事価格. Throws DbError and
// OverflowError.
EstimateFigures figuresOf(Database &db, qint32 key, const EstimateTerms &t);

struct FigureLine {
    QString label;
    Currency amount;  // as printed: the discount negative
};
// The closing lines in their order, without those whose amount is 0.
std::vector<FigureLine> closingLines(const EstimateTerms &t, const EstimateFigures &f);
// "消費税（10%）", the rate as it was given ("8.5").
QString taxLabel(Currency rate);

}  // namespace rz
