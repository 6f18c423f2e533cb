// Calculation of the level shown: amounts from quantity and unit price,
// subtotal and running-total rows, the level totals and rates of every
// level of the path with their labels, re-pricing by a rate (掛率), and the
// calculation menu.
#pragma once
#include "u1parts.h"

#include "store/currency.h"

#include <optional>
#include <utility>

namespace rz {

class U1Calc : public U1Part {
public:
    using U1Part::U1Part;

    static const QString kAmountTooLarge;  // an amount beyond what money can hold

    // The totals and rates of one level of the path.
    struct Level {
        Currency LvlKn1, LvlKn2;
        int LvlRt1 = 0, LvlRt2 = 0;
    };
    const Level &at(int level) const { return lvl_[static_cast<size_t>(level)]; }
    void setRates(int level, int rt1, int rt2);

    // A pass over the level (modes: 0 sum, 1 and 2 recalculate, 3 re-rate
    // from oldRate and recalculate). False after the message when the pass
    // failed; then nothing of it was written.
    bool sb_CalcTotal(int mode, int oldRate = 0);
    // The same with the labels; mode 1 shows the page again.
    bool sb_DispTotal(int mode, int oldRate = 0);
    // The amount cell of a grid row from its quantity and price; false when
    // the amount leaves the currency range (the cell is then left as it was).
    bool sb_DispKn1(int row, int amountCol);
    void sb_CalcMenu();
    void LblTotal_Click();
    void LblRitu_Click();
    void refreshTotalLabels();
    const QString &LblTotal() const { return LblTotal_; }
    const QString &LblRitu() const { return LblRitu_; }

    // The level total moved by a row's amounts leaving and entering it;
    // false (nothing moved) when it would leave the currency range.
    bool moveTotals(Currency out1, Currency out2, Currency in1, Currency in2);
    // The first level's totals come from a pass that read every row; until
    // then (a value that does not convert) there is nothing to hand back.
    bool totalsKnown() const { return totalsKnown_; }
    void forgetTotals() { totalsKnown_ = false; }
    // The estimate's rows at the first level as stored now: their totals.
    std::pair<Currency, Currency> storedTotals() { return storedTotals(0, LevelKeys{}); }
    // The same of the level with this path.
    std::pair<Currency, Currency> storedTotals(int level, const LevelKeys &keys);

private:
    bool calcPass(int mode, int oldRate);
    std::pair<Currency, Currency> sumLevel(Recordset &rs);
    void sb_Kakeritu(int oldRate, int newRate);
    void PU6_all();
    int &rateShown();
    std::optional<int> askRate(const QString &title);

    std::array<Level, 9> lvl_{};
    bool totalsKnown_ = false;
    QString LblTotal_, LblRitu_;
};

}  // namespace rz
