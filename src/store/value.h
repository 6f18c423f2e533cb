// A field value as the estimate files hold it: Null, a whole number, a
// CURRENCY, a floating value or a text, plus the column types the files declare.
#pragma once
#include "currency.h"

#include <QString>
#include <variant>

namespace rz {

enum class ColType { Long, Short, Currency, Single, Text, Other };

// Maps a declared column type ("LONG", "SHORT", "CURRENCY", "SINGLE",
// "TEXT(60)", and the synonyms INT/INTEGER, MONEY, FLOAT, REAL) to its kind.
ColType colTypeFromDecl(const QString &declared);

class Value {
public:
    Value() = default;  // Null
    Value(qint64 v) : v_(v) {}
    Value(int v) : v_(static_cast<qint64>(v)) {}
    Value(Currency v) : v_(v) {}
    Value(double v) : v_(v) {}
    Value(const QString &v) : v_(v) {}
    Value(const char *v) : v_(QString::fromUtf8(v)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
    bool isText() const { return std::holds_alternative<QString>(v_); }
    bool isInteger() const { return std::holds_alternative<qint64>(v_); }
    bool isCurrency() const { return std::holds_alternative<Currency>(v_); }
    bool isDouble() const { return std::holds_alternative<double>(v_); }

    // Conversions as the engine makes them on assignment. Null converts to 0
    // or "", unconvertible text to 0. Whole numbers round half to even.
    Currency toCurrency() const;
    qint64 toLong() const;
    double toDouble() const;
    QString toString() const;

    // Strict conversion for storing into a column of the given type; throws
    // DbError for text that is not a number and OverflowError out of range.
    Value convertedFor(ColType type) const;

    friend bool operator==(const Value &a, const Value &b) { return a.v_ == b.v_; }
    friend bool operator!=(const Value &a, const Value &b) { return !(a == b); }

private:
    std::variant<std::monostate, qint64, Currency, double, QString> v_;
};

}  // namespace rz
