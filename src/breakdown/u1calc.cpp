// Calculation of one level: amounts from quantity and unit price, subtotal
// and running-total rows, the level totals and their labels, re-pricing by a
// rate (掛率), and the calculation menu.
#include "u1fields.h"

#include "amount.h"
#include "rowkind.h"
#include "store/format.h"
#include "store/vbconv.h"

#include <optional>
#include <tuple>

namespace rz {

bool U1Session::sb_CalcTotal(int mode, int oldRate)
{
    const bool ok = calcPass(mode, oldRate);
    refreshTotalLabels();
    return ok;
}

bool U1Session::sb_DispTotal(int mode, int oldRate)
{
    bool ok = true;
    if (mode != 0)
        ok = calcPass(mode, oldRate);
    refreshTotalLabels();
    if (mode == 1)
        sb_DispPage(1);
    return ok;
}

void U1Session::refreshTotalLabels()
{
    const size_t lvl = static_cast<size_t>(CurLvl);
    LblTotal = Format(DispMode == 0 ? LvlKn1[lvl] : LvlKn2[lvl], kAmountMask);
    LblRitu = QString::number(DispMode == 0 ? LvlRt1[lvl] : LvlRt2[lvl]);
    host_.refresh();
}

bool U1Session::calcPass(int mode, int oldRate)
{
    if (!RsLvl)
        return false;
    Currency sub1, sub2, tot1, tot2;
    try {
        const Fields &f = fields();
        // Every row rewritten by the pass, or none of them.
        std::optional<Transaction> tx;
        if (mode != 0)
            tx.emplace(db());
        Recordset &rs = *RsLvl;
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
        reread();
        if (CurLvl == 0)
            totalsKnown_ = false;
        showError(e);
        return false;
    }
    LvlKn1[static_cast<size_t>(CurLvl)] = tot1;
    LvlKn2[static_cast<size_t>(CurLvl)] = tot2;
    if (CurLvl == 0)
        totalsKnown_ = true;
    return true;
}

std::pair<Currency, Currency> U1Session::sumLevel(Recordset &rs)
{
    // Item and group rows count; subtotal, running-total and provisionally
    // deleted rows do not.
    const Fields &f = fields();
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

std::pair<Currency, Currency> U1Session::storedTotals()
{
    auto rs = db().openRecordset(LvlSQL[0], RecordsetType::Snapshot, levelParams(0, LvlKey));
    return sumLevel(*rs);
}

void U1Session::sb_Kakeritu(int oldRate, int newRate)
{
    const Fields &f = fields();
    Recordset &rs = *RsLvl;
    const bool estimate = DispMode == 0;
    const int su = estimate ? f.su1 : f.su2, tk = estimate ? f.tk1 : f.tk2, kn = estimate ? f.kn1 : f.kn2;
    const Repriced r = repriced(quantityOf(rs.field(su)), rs.field(tk).toCurrency(), rs.field(kn).toCurrency(),
                                oldRate, newRate);
    FieldWriter w(rs);
    w.putMoney(tk, r.price);
    w.putMoney(kn, r.amount);
}

bool U1Session::sb_DispKn1(int row, int amountCol)
{
    if (dispKn1(row, amountCol))
        return true;
    prompts_.message(kAmountTooLarge, MsgExclamation);
    return false;
}

bool U1Session::dispKn1(int row, int amountCol)
{
    if (amountCol != ColKn1 && amountCol != ColKn2) {
        prompts_.beep();
        return true;
    }
    if (beginsWithTotalMark(grid_.text(row, ColKnm))) {
        // A subtotal row takes its numbers from the calculation, never from cells.
        for (int c : {ColSu1, ColSu2, ColTk1, ColTk2, ColKn1, ColKn2})
            grid_.setText(row, c, QString());
        return true;
    }
    const bool estimate = amountCol == ColKn1;
    const Currency quantity = CellCy(row, estimate ? ColSu1 : ColSu2);
    const Currency price = CellCy(row, estimate ? ColTk1 : ColTk2);
    Currency amount = CellCy(row, amountCol);
    try {
        if (auto a = recomputedAmount(price, quantity))
            amount = *a;
    } catch (const OverflowError &) {
        return false;  // never a wrapped or cut number: the cell keeps what it showed
    }
    grid_.setText(row, amountCol, moneyText(amount, kAmountMask));
    return true;
}

std::optional<int> U1Session::askRate(const QString &title)
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

void U1Session::PU6_all()
{
    const auto rate = askRate(QStringLiteral("掛率入力"));
    if (!rate)
        return;
    const size_t lvl = static_cast<size_t>(CurLvl);
    int &shown = DispMode == 0 ? LvlRt1[lvl] : LvlRt2[lvl];
    const int old = shown;
    shown = *rate;
    prompts_.setBusy(true);
    if (!sb_CalcTotal(3, old)) {
        shown = old;  // nothing was re-priced
        refreshTotalLabels();
    }
    sb_DispPage(1);
    prompts_.setBusy(false);
}

void U1Session::LblRitu_Click()
{
    if (const auto rate = askRate(QStringLiteral("掛率修正"))) {
        const size_t lvl = static_cast<size_t>(CurLvl);
        (DispMode == 0 ? LvlRt1[lvl] : LvlRt2[lvl]) = *rate;
        refreshTotalLabels();
    }
    sb_Editx();
}

void U1Session::LblTotal_Click()
{
    const int row = grid_.row();
    if (!isInputRow(row))
        RowDirty[static_cast<size_t>(row)] = true;
    sb_TextToGrid();
    if (sb_WriteUTbl())
        sb_DispTotal(1);
    sb_Editx();
}

void U1Session::sb_CalcMenu()
{
    if (!sb_WriteUTbl())
        return;
    const QPoint at = host_.globalPointFromTwips(buttonLeft(5), kButtonTop + kButtonHeight);
    const int choice = prompts_.popupMenu({QStringLiteral("全行"), QStringLiteral("指定行"), QStringLiteral("集計")},
                                          {true, true, true}, at);
    // 指定行 and 集計 are listed but have no action of their own.
    if (choice == 0)
        PU6_all();
}

}  // namespace rz
