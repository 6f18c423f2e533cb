// The amount of an item row and the re-pricing by a rate (掛率). One rule for
// the grid, the level pass and the whole-estimate recalculation: the product
// is formed exactly in currency and rounded down to whole yen.
#pragma once
#include "store/currency.h"
#include "store/value.h"

#include <optional>

namespace rz {

// Int(CCur(unitPrice) x CCur(quantity)): exact product (four decimals), then
// floor, so -4.5 becomes -5. Throws OverflowError outside the currency range.
Currency amountOf(Currency unitPrice, Currency quantity);

// The amount a row gets from its price and quantity, or nullopt when the
// price is 0: a lump sum typed straight into the amount keeps its value.
std::optional<Currency> recomputedAmount(Currency unitPrice, Currency quantity);

// A quantity as stored (CURRENCY, or SINGLE in tables made by the transfer
// window) as currency with four decimals; Null is 0. Throws OverflowError.
Currency quantityOf(const Value &stored);

struct Repriced {
    Currency price;
    Currency amount;
};

// Re-prices one row from oldRate to newRate percent. With a price, the new
// price is Int(price / oldRate * newRate) in double precision and the amount
// follows from it by the amount rule; without one, the amount itself is scaled
// the same way and the price stays 0. Throws OverflowError when a result leaves
// the currency range or oldRate is 0.
Repriced repriced(Currency quantity, Currency price, Currency amount, int oldRate, int newRate);

// Whether a column of this type keeps a number exactly as it is: amounts are
// LONG and quantities SINGLE in the tables the transfer window makes.
bool fitsColumn(ColType type, bool quantity, Currency value);

}  // namespace rz
