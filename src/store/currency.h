// Exact money: a CURRENCY value is a signed 64-bit count of ten-thousandths.
// Every operation that could leave that range throws OverflowError instead of
// wrapping, so a wrong amount can never reach a file or a printout.
#pragma once
#include <QString>
#include <QtGlobal>
#include <optional>
#include <stdexcept>

namespace rz {

class OverflowError : public std::overflow_error {
public:
    using std::overflow_error::overflow_error;
};

class Currency {
public:
    static constexpr qint64 Scale = 10000;

    constexpr Currency() = default;
    static constexpr Currency fromRaw(qint64 raw) { return Currency(raw); }
    static Currency fromWhole(qint64 whole);  // throws OverflowError
    // CCur of a double: rounded to four decimals, half to even. nullopt when out of range.
    static std::optional<Currency> fromDouble(double value);
    // Exact decimal text: blanks around, a sign, "," grouping and up to any
    // number of decimals (rounded half to even to four). nullopt when not a number.
    static std::optional<Currency> parse(const QString &text);

    constexpr qint64 raw() const { return raw_; }
    double toDouble() const { return static_cast<double>(raw_) / Scale; }
    constexpr bool isZero() const { return raw_ == 0; }
    constexpr bool isNegative() const { return raw_ < 0; }
    bool hasFraction() const { return raw_ % Scale != 0; }

    // Shortest plain decimal text: "1075000", "300000.5", "-1.25", "0".
    QString toString() const;

    // Int(): the greatest whole number not greater than the value.
    Currency floorWhole() const;
    // Whole part rounded half to even (conversion to an integer type).
    qint64 roundHalfEvenWhole() const;

    // Currency x Currency as the engine multiplies it: the exact product
    // rounded half to even to four decimals. Throws OverflowError.
    static Currency multiply(Currency a, Currency b);

    Currency operator-() const;
    Currency operator+(Currency o) const;  // throw OverflowError
    Currency operator-(Currency o) const;
    Currency &operator+=(Currency o) { return *this = *this + o; }
    Currency &operator-=(Currency o) { return *this = *this - o; }

    friend constexpr bool operator==(Currency a, Currency b) { return a.raw_ == b.raw_; }
    friend constexpr bool operator!=(Currency a, Currency b) { return a.raw_ != b.raw_; }
    friend constexpr bool operator<(Currency a, Currency b) { return a.raw_ < b.raw_; }
    friend constexpr bool operator>(Currency a, Currency b) { return a.raw_ > b.raw_; }
    friend constexpr bool operator<=(Currency a, Currency b) { return a.raw_ <= b.raw_; }
    friend constexpr bool operator>=(Currency a, Currency b) { return a.raw_ >= b.raw_; }

private:
    constexpr explicit Currency(qint64 raw) : raw_(raw) {}
    qint64 raw_ = 0;
};

// Rounds num/den (den > 0) to the nearest integer, ties to even, in 128 bits.
__int128 divRoundHalfEven(__int128 num, __int128 den);
// Floor of num/den (den > 0).
__int128 divFloor(__int128 num, __int128 den);

}  // namespace rz
