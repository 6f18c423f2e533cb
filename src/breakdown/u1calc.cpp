// Calculation of one level: amounts from quantity and unit price, subtotal
// and running-total rows, the level totals and their labels, re-pricing by a
// rate (掛率), and the calculation menu.
#include "u1fields.h"

#include "amount.h"
#include "store/rowkind.h"
#include "store/format.h"
#include "store/vbconv.h"

#include <optional>
#include <tuple>

namespace rz {

const QString U1Calc::kAmountTooLarge =
    QStringLiteral("金額が大きすぎて計算できません。数量と単価を確かめてください。");

void U1Calc::setRates(int level, int rt1, int rt2)
{
    lvl_[static_cast<size_t>(level)].LvlRt1 = rt1;
    lvl_[static_cast<size_t>(level)].LvlRt2 = rt2;
}

bool U1Calc::sb_CalcTotal(int mode, int oldRate)
{
    const bool ok = calcPass(mode, oldRate);
    refreshTotalLabels();
    return ok;
}

bool U1Calc::sb_DispTotal(int mode, int oldRate)
{
    bool ok = true;
    if (mode != 0)
        ok = calcPass(mode, oldRate);
    refreshTotalLabels();
    if (mode == 1)
        u1_.sb_DispPage(1);
    return ok;
}

void U1Calc::refreshTotalLabels()
{
    const Level &l = lvl_[curLvl()];
    const bool estimate = lvl().DispMode == 0;
    LblTotal_ = Format(estimate ? l.LvlKn1 : l.LvlKn2, U1Session::kAmountMask);
    LblRitu_ = QString::number(estimate ? l.LvlRt1 : l.LvlRt2);
    host_.refresh();
}

bool U1Calc::moveTotals(Currency out1, Currency out2, Currency in1, Currency in2)
{
    Level &l = lvl_[curLvl()];
    try {
        const Currency total1 = l.LvlKn1 + (in1 - out1);
        const Currency total2 = l.LvlKn2 + (in2 - out2);
        l.LvlKn1 = total1;
        l.LvlKn2 = total2;
        return true;
    } catch (const OverflowError &) {
        return false;
    }
}

bool U1Calc::calcPass(int mode, int oldRate)
{
    if (!lvl().RsLvl)
        return false;
    const bool top = lvl().CurLvl == 0;
    Currency sub1, sub2, tot1, tot2;
    try {
        const U1Fields &f = fields();
        // Every row rewritten by the pass, or none of them.
        std::optional<Transaction> tx;
        if (mode != 0)
            tx.emplace(db(), TxWrites::Batched);
        Recordset &rs = rsLvl();
        if (mode == 0)
            std::tie(tot1, tot2) = sumLevel(rs);
        else if (rs.recordCount() > 0)
            rs.moveFirst();
        for (; mode != 0 && !rs.eof(); rs.moveNext()) {
            const QString flg = rs.field(f.flg).toString();
            const RowKind kind = classifyRow(flg, rs.field(f.knm).toString());
            if (kind == RowKind::ProvisionallyDeleted)
                continue;
            FieldWriter w(rs);
            if (kind == RowKind::RunningTotal) {
                w.putMoney(f.kn1, tot1);
                w.putMoney(f.kn2, tot2);
            } else if (kind == RowKind::Subtotal) {
                w.putMoney(f.kn1, sub1);
                w.putMoney(f.kn2, sub2);
                sub1 = sub2 = Currency();
            } else {
                if (isItemRow(flg)) {
                    if (mode == 3)
                        sb_Kakeritu(oldRate, rateShown());
                    if (auto a = recomputedAmount(rs.field(f.tk1).toCurrency(), quantityOf(rs.field(f.su1))))
                        w.putMoney(f.kn1, *a);
                    if (auto a = recomputedAmount(rs.field(f.tk2).toCurrency(), quantityOf(rs.field(f.su2))))
                        w.putMoney(f.kn2, *a);
                }
                const Currency kn1 = rs.field(f.kn1).toCurrency(), kn2 = rs.field(f.kn2).toCurrency();
                sub1 += kn1;
                sub2 += kn2;
                tot1 += kn1;
                tot2 += kn2;
            }
            w.save();
        }
        if (tx)
            tx->commit();
    } catch (const std::exception &e) {
        // The pass was rolled back: the rows read again show what is stored.
        u1_.reread(&e);
        if (top)
            totalsKnown_ = false;
        u1_.showError(e);
        return false;
    }
    lvl_[curLvl()].LvlKn1 = tot1;
    lvl_[curLvl()].LvlKn2 = tot2;
    if (top)
        totalsKnown_ = true;
    return true;
}

std::pair<Currency, Currency> U1Calc::sumLevel(Recordset &rs)
{
    // Item and group rows count; subtotal, running-total and provisionally
    // deleted rows do not.
    const U1Fields &f = fields();
    Currency tot1, tot2;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        const RowKind kind = classifyRow(rs.field(f.flg).toString(), rs.field(f.knm).toString());
        if (kind == RowKind::ProvisionallyDeleted || kind == RowKind::Subtotal || kind == RowKind::RunningTotal)
            continue;
        tot1 += rs.field(f.kn1).toCurrency();
        tot2 += rs.field(f.kn2).toCurrency();
    }
    return {tot1, tot2};
}

std::pair<Currency, Currency> U1Calc::storedTotals(int level, const LevelKeys &keys)
{
    auto rs = db().openRecordset(lvl().LvlSQL[static_cast<size_t>(level)], RecordsetType::Snapshot,
                                 levelParams(level, keys));
    return sumLevel(*rs);
}

void U1Calc::sb_Kakeritu(int oldRate, int newRate)
{
    const U1Fields &f = fields();
    Recordset &rs = rsLvl();
    const bool estimate = lvl().DispMode == 0;
    const int su = estimate ? f.su1 : f.su2, tk = estimate ? f.tk1 : f.tk2, kn = estimate ? f.kn1 : f.kn2;
    const Repriced r = repriced(quantityOf(rs.field(su)), rs.field(tk).toCurrency(), rs.field(kn).toCurrency(),
                                oldRate, newRate);
    FieldWriter w(rs);
    w.putMoney(tk, r.price);
    w.putMoney(kn, r.amount);
}

bool U1Calc::sb_DispKn1(int row, int amountCol)
{
    Grid &g = grid();
    if (amountCol != U1Session::ColKn1 && amountCol != U1Session::ColKn2) {
        prompts_.beep();
        return true;
    }
    if (beginsWithTotalMark(g.text(row, U1Session::ColKnm))) {
        // A subtotal row takes its numbers from the calculation, never from cells.
        for (int c : {U1Session::ColSu1, U1Session::ColSu2, U1Session::ColTk1, U1Session::ColTk2, U1Session::ColKn1,
                      U1Session::ColKn2})
            g.setText(row, c, QString());
        return true;
    }
    const bool estimate = amountCol == U1Session::ColKn1;
    const Currency quantity = CellCy(g, row, estimate ? U1Session::ColSu1 : U1Session::ColSu2);
    const Currency price = CellCy(g, row, estimate ? U1Session::ColTk1 : U1Session::ColTk2);
    Currency amount = CellCy(g, row, amountCol);
    try {
        if (auto a = recomputedAmount(price, quantity))
            amount = *a;
    } catch (const OverflowError &) {
        return false;  // never a wrapped or cut number: the cell keeps what it showed
    }
    g.setText(row, amountCol, moneyText(amount, U1Session::kAmountMask));
    return true;
}

int &U1Calc::rateShown()
{
    Level &l = lvl_[curLvl()];
    return lvl().DispMode == 0 ? l.LvlRt1 : l.LvlRt2;
}

std::optional<int> U1Calc::askRate(const QString &title)
{
    const auto answer =
        prompts_.input(QStringLiteral("掛率を入力して下さい(1-999)"), title, QString::number(rateShown()));
    if (!answer || Trim(*answer).isEmpty() || !IsNumeric(*answer))
        return std::nullopt;
    const std::optional<double> v = CDbl(*answer);
    if (!v || *v < 1 || *v > 999)
        return std::nullopt;
    return int(CInt16(*v));
}

void U1Calc::PU6_all()
{
    const auto rate = askRate(QStringLiteral("掛率入力"));
    if (!rate)
        return;
    U1Undo::Scope step(u1_, QStringLiteral("掛率"));
    int &shown = rateShown();
    const int old = shown;
    shown = *rate;
    prompts_.setBusy(true);
    if (!sb_CalcTotal(3, old)) {
        shown = old;  // nothing was re-priced
        refreshTotalLabels();
    }
    u1_.sb_DispPage(1);
    prompts_.setBusy(false);
}

void U1Calc::LblRitu_Click()
{
    if (const auto rate = askRate(QStringLiteral("掛率修正"))) {
        rateShown() = *rate;
        refreshTotalLabels();
    }
    u1_.sb_Editx();
}

void U1Calc::LblTotal_Click()
{
    const int row = grid().row();
    if (!u1_.isInputRow(row))
        u1_.page().markDirty(row);
    u1_.sb_TextToGrid();
    U1Undo::Scope step(u1_, QStringLiteral("再計算"));
    if (step.ok())
        sb_DispTotal(1);
    u1_.sb_Editx();
}

void U1Calc::sb_CalcMenu()
{
    if (!u1_.page().sb_WriteUTbl())
        return;
    const QPoint at = host_.globalPointFromTwips(U1Session::buttonLeft(5), U1Session::kButtonTop + U1Session::kButtonHeight);
    const int choice = prompts_.popupMenu({QStringLiteral("全行"), QStringLiteral("指定行"), QStringLiteral("集計")},
                                          {true, true, true}, at);
    // 指定行 and 集計 are listed but have no action of their own.
    if (choice == 0)
        PU6_all();
}

}  // namespace rz
