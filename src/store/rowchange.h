// What a change capture records of one row that a connection changed in the
// table it captures: the row's identity and its images before and after the
// change (none before for a row inserted, none after for a row deleted).
// An image holds the table's columns in their order, each as stored,
// unconverted: a whole number, a floating value, a text or Null.
#pragma once
#include "storetypes.h"

#include <optional>
#include <vector>

namespace rz {

using RowImage = std::vector<Value>;

struct CapturedChange {
    qint64 rowId = 0;
    std::optional<RowImage> before, after;
};

// A stored value as an image holds it. A blob, which this program never
// writes, is taken as the text of its bytes.
inline Value storedValue(const RawCell &c)
{
    switch (c.kind) {
    case RawCell::Null:
        return Value();
    case RawCell::Integer:
        return Value(c.integer);
    case RawCell::Float:
        return Value(c.number);
    case RawCell::Text:
    case RawCell::Blob:
        break;
    }
    return Value(QString::fromUtf8(c.bytes, c.size));
}

}  // namespace rz
