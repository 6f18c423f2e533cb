#include "currency.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace rz {

namespace {
constexpr __int128 kMin = std::numeric_limits<qint64>::min();
constexpr __int128 kMax = std::numeric_limits<qint64>::max();
constexpr __int128 kMantissaCap = static_cast<__int128>(1000000000000000LL) * 1000000000000000LL;  // 1e30

Currency checked(__int128 v)
{
    if (v < kMin || v > kMax)
        throw OverflowError("金額が通貨型の範囲を超えました");
    return Currency::fromRaw(static_cast<qint64>(v));
}
}  // namespace

__int128 divFloor(__int128 num, __int128 den)
{
    __int128 q = num / den;
    if ((num % den != 0) && (num < 0))
        --q;
    return q;
}

__int128 divRoundHalfEven(__int128 num, __int128 den)
{
    __int128 q = divFloor(num, den);
    __int128 r = num - q * den;  // 0 <= r < den
    if (2 * r > den || (2 * r == den && (q % 2 != 0)))
        ++q;
    return q;
}

Currency Currency::fromWhole(qint64 whole)
{
    return checked(static_cast<__int128>(whole) * Scale);
}

std::optional<Currency> Currency::fromDouble(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // Going through the shortest round-trip text keeps 0.1f-style values at
    // their intended decimals instead of their binary expansion.
    const QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    const double scaled = value * Scale;
    if (scaled > 9.2233720368547e18 || scaled < -9.2233720368547e18)
        return std::nullopt;
    return parse(text);
}

std::optional<Currency> Currency::parse(const QString &input)
{
    const QString t = input.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    int i = 0;
    bool negative = false;
    if (t[i] == u'-' || t[i] == u'+') {
        negative = t[i] == u'-';
        ++i;
    }
    __int128 mantissa = 0;
    int decimals = 0;
    bool seenPoint = false;
    bool anyDigit = false;
    int expSign = 1;
    int exponent = 0;
    int droppedWholeDigits = 0;
    bool sticky = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 128) {
            anyDigit = true;
            if (mantissa >= kMantissaCap) {
                // Digits past 30 significant ones cannot change a value that
                // fits the range except as a tie-breaker: keep only whether
                // any of them is non-zero (whole digits still scale by ten).
                if (!seenPoint)
                    ++droppedWholeDigits;
                if (c != u'0')
                    sticky = true;
                continue;
            }
            mantissa = mantissa * 10 + (c.unicode() - '0');
            if (seenPoint)
                ++decimals;
        } else if (c == u',' && !seenPoint) {
            continue;
        } else if (c == u'.' && !seenPoint) {
            seenPoint = true;
        } else if ((c == u'e' || c == u'E') && anyDigit) {
            ++i;
            if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
                expSign = t[i] == u'-' ? -1 : 1;
                ++i;
            }
            if (i >= t.size())
                return std::nullopt;
            for (; i < t.size(); ++i) {
                if (!(t[i].isDigit() && t[i].unicode() < 128) || exponent > 400)
                    return std::nullopt;
                exponent = exponent * 10 + (t[i].unicode() - '0');
            }
            break;
        } else {
            return std::nullopt;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    int shift = 4 - decimals + droppedWholeDigits + expSign * exponent;  // power of ten to apply
    __int128 raw = mantissa;
    if (shift >= 0) {
        for (int k = 0; k < shift; ++k) {
            raw *= 10;
            if (raw > kMax + 1)
                return std::nullopt;
        }
    } else {
        if (-shift > 36)
            raw = 0;
        else {
            __int128 den = 1;
            for (int k = 0; k < -shift; ++k)
                den *= 10;
            const __int128 q = divFloor(raw, den);
            const __int128 twiceRest = 2 * (raw - q * den);
            // A dropped non-zero digit lifts an exact half above it.
            raw = (twiceRest > den || (twiceRest == den && (sticky || q % 2 != 0))) ? q + 1 : q;
        }
    }
    if (negative)
        raw = -raw;
    if (raw < kMin || raw > kMax)
        return std::nullopt;
    return Currency(static_cast<qint64>(raw));
}

QString Currency::toString() const
{
    const bool neg = raw_ < 0;
    unsigned long long mag = neg ? 0ULL - static_cast<unsigned long long>(raw_)
                                 : static_cast<unsigned long long>(raw_);
    QString s = QString::number(mag / Scale);
    unsigned long long frac = mag % Scale;
    if (frac != 0) {
        QString f = QString::number(frac).rightJustified(4, u'0');
        while (f.endsWith(u'0'))
            f.chop(1);
        s += u'.' + f;
    }
    return neg ? u'-' + s : s;
}

Currency Currency::floorWhole() const
{
    return checked(divFloor(raw_, Scale) * Scale);
}

qint64 Currency::roundHalfEvenWhole() const
{
    return static_cast<qint64>(divRoundHalfEven(raw_, Scale));
}

Currency Currency::multiply(Currency a, Currency b)
{
    const __int128 product = static_cast<__int128>(a.raw_) * b.raw_;  // ten-thousandths squared
    return checked(divRoundHalfEven(product, Scale));
}

Currency Currency::operator-() const { return checked(-static_cast<__int128>(raw_)); }
Currency Currency::operator+(Currency o) const { return checked(static_cast<__int128>(raw_) + o.raw_); }
Currency Currency::operator-(Currency o) const { return checked(static_cast<__int128>(raw_) - o.raw_); }

}  // namespace rz
