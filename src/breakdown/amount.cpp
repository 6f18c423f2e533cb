// Amount rule and re-pricing.
#include "amount.h"

#include <limits>

#include "store/vbconv.h"

namespace rz {

Currency amountOf(Currency unitPrice, Currency quantity)
{
    return Currency::multiply(unitPrice, quantity).floorWhole();
}

std::optional<Currency> recomputedAmount(Currency unitPrice, Currency quantity)
{
    if (unitPrice.isZero())
        return std::nullopt;
    return amountOf(unitPrice, quantity);
}

Currency quantityOf(const Value &stored) { return stored.toCurrency(); }

Repriced repriced(Currency quantity, Currency price, Currency amount, int oldRate, int newRate)
{
    if (oldRate == 0)
        throw OverflowError("0 で除算しました。");
    // Scaled exactly (value x new / old, then down to whole yen): in binary
    // floating point 29 / 100 x 100 is 28.999..., which would take a yen off
    // a price whose rate did not change.
    auto scaled = [&](Currency v) {
        __int128 num = static_cast<__int128>(v.raw()) * newRate;
        __int128 den = static_cast<__int128>(oldRate) * Currency::Scale;
        if (den < 0) {
            num = -num;
            den = -den;
        }
        const __int128 whole = divFloor(num, den);
        if (whole > std::numeric_limits<qint64>::max() / Currency::Scale ||
            whole < std::numeric_limits<qint64>::min() / Currency::Scale)
            throw OverflowError("金額が通貨型の範囲を超えました");
        return Currency::fromWhole(static_cast<qint64>(whole));
    };
    if (!price.isZero()) {
        const Currency newPrice = scaled(price);
        return {newPrice, amountOf(newPrice, quantity)};
    }
    return {price, scaled(amount)};
}

bool fitsColumn(ColType type, bool quantity, Currency value)
{
    try {
        // A value must come back from its column as it was.
        const Value stored = Value(value).convertedFor(type);
        return (quantity ? quantityOf(stored) : stored.toCurrency()) == value;
    } catch (const std::exception &) {
        return false;
    }
}

}  // namespace rz
