// Digit-mask formatting on exact decimal digits.
#include "format.h"

#include "vbconv.h"

#include <cmath>
#include <optional>

namespace rz {

namespace {

// A number as its decimal digits: no leading zeros in the whole part, no
// trailing zeros in the fraction.
struct Decimal {
    bool negative = false;
    QString whole;
    QString fraction;

    bool isZero() const
    {
        for (QChar c : whole + fraction)
            if (c != u'0')
                return false;
        return true;
    }
};

void normalise(Decimal &d)
{
    int lead = 0;
    while (lead < d.whole.size() && d.whole[lead] == u'0')
        ++lead;
    d.whole.remove(0, lead);
    int end = d.fraction.size();
    while (end > 0 && d.fraction[end - 1] == u'0')
        --end;
    d.fraction.truncate(end);
}

// Reads "[-]digits[.digits][e[-]digits]" as produced by plainNumberText and
// QString::number. nullopt when the exponent is absurdly large.
std::optional<Decimal> decimalFromPlain(const QString &plain)
{
    Decimal d;
    QString s = plain;
    if (s.startsWith(u'-')) {
        d.negative = true;
        s.remove(0, 1);
    } else if (s.startsWith(u'+')) {
        s.remove(0, 1);
    }
    qint64 exponent = 0;
    const int e = s.indexOf(u'e', 0, Qt::CaseInsensitive);
    if (e >= 0) {
        bool ok = false;
        exponent = s.mid(e + 1).toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        s.truncate(e);
    }
    int point = s.indexOf(u'.');
    if (point < 0)
        point = s.size();
    else
        s.remove(point, 1);
    if (exponent > 400)
        return std::nullopt;
    if (exponent < -400)
        return Decimal{};  // far below any mask's decimals
    const qint64 pos = point + exponent;  // digits before the point
    if (pos <= 0) {
        d.fraction = QString(static_cast<int>(-pos), u'0') + s;
    } else if (pos >= s.size()) {
        d.whole = s + QString(static_cast<int>(pos - s.size()), u'0');
    } else {
        d.whole = s.left(static_cast<int>(pos));
        d.fraction = s.mid(static_cast<int>(pos));
    }
    normalise(d);
    return d;
}

// Rounds to n decimals, half away from zero (the sign is kept apart).
void roundTo(Decimal &d, int n)
{
    if (d.fraction.size() <= n)
        return;
    const bool up = d.fraction[n] >= u'5';
    d.fraction.truncate(n);
    if (up) {
        QString digits = d.whole + d.fraction;
        int i = digits.size() - 1;
        while (i >= 0 && digits[i] == u'9') {
            digits[i] = u'0';
            --i;
        }
        if (i >= 0)
            digits[i] = QChar(digits[i].unicode() + 1);
        else
            digits.prepend(u'1');
        d.whole = digits.left(digits.size() - n);
        d.fraction = digits.right(n);
    }
    normalise(d);
}

bool isPlaceholder(QChar c) { return c == u'#' || c == u'0'; }

QString applyMask(Decimal d, const QString &mask)
{
    if (mask.isEmpty()) {
        QString plain = d.whole.isEmpty() ? QStringLiteral("0") : d.whole;
        if (!d.fraction.isEmpty())
            plain += u'.' + d.fraction;
        return (d.negative && !d.isZero() ? QStringLiteral("-") : QString()) + plain;
    }

    const int pointAt = mask.indexOf(u'.');
    const QString intSection = pointAt < 0 ? mask : mask.left(pointAt);
    const QString decSection = pointAt < 0 ? QString() : mask.mid(pointAt + 1);
    int decPlaces = 0;
    int lastZeroDec = -1;  // last "0" among the decimal placeholders
    for (QChar c : decSection) {
        if (isPlaceholder(c)) {
            if (c == u'0')
                lastZeroDec = decPlaces;
            ++decPlaces;
        }
    }

    roundTo(d, decPlaces);
    const bool zero = d.isZero();
    if (zero && !mask.contains(u'0')) {
        QString literals;
        for (QChar c : mask)
            if (!isPlaceholder(c) && c != u',' && c != u'.')
                literals += c;
        return literals;
    }

    // Whole part: the digits fill the placeholders from the right; the
    // leftmost placeholder takes every digit that is left over.
    const bool grouping = intSection.contains(u',');
    int firstPlaceholder = -1;
    int minDigits = 0;
    for (int i = 0; i < intSection.size(); ++i) {
        if (!isPlaceholder(intSection[i]))
            continue;
        if (firstPlaceholder < 0)
            firstPlaceholder = i;
        if (intSection[i] == u'0' || minDigits > 0)
            ++minDigits;
    }
    QString digits = d.whole;
    if (digits.size() < minDigits)
        digits = QString(minDigits - digits.size(), u'0') + digits;

    QString out;
    if (firstPlaceholder < 0) {
        // No digit positions before the point: the digits follow the literals.
        for (QChar c : intSection)
            if (c != u',')
                out += c;
        for (int i = 0; i < digits.size(); ++i) {
            if (grouping && i > 0 && (digits.size() - i) % 3 == 0)
                out += u',';
            out += digits[i];
        }
    } else {
        QString reversed;  // built from the right
        int remaining = digits.size();
        int emitted = 0;
        auto emitDigit = [&]() {
            if (grouping && emitted > 0 && emitted % 3 == 0)
                reversed += u',';
            reversed += digits[--remaining];
            ++emitted;
        };
        for (int i = intSection.size() - 1; i >= 0; --i) {
            const QChar c = intSection[i];
            if (isPlaceholder(c)) {
                if (i == firstPlaceholder) {
                    while (remaining > 0)
                        emitDigit();
                } else if (remaining > 0) {
                    emitDigit();
                }
            } else if (c != u',') {
                reversed += c;
            }
        }
        out.reserve(reversed.size() + decSection.size() + 2);
        for (int i = reversed.size() - 1; i >= 0; --i)
            out += reversed[i];
    }

    if (pointAt >= 0) {
        out += u'.';
        const QString frac = d.fraction.leftJustified(decPlaces, u'0');
        int lastShown = lastZeroDec;
        for (int j = frac.size() - 1; j > lastShown; --j) {
            if (frac[j] != u'0') {
                lastShown = j;
                break;
            }
        }
        int j = 0;
        for (QChar c : decSection) {
            if (isPlaceholder(c)) {
                if (j <= lastShown)
                    out += frac[j];
                ++j;
            } else {
                out += c;
            }
        }
    }
    if (d.negative && !zero)
        out.prepend(u'-');
    return out;
}

}  // namespace

QString Format(Currency v, const QString &mask)
{
    return applyMask(*decimalFromPlain(v.toString()), mask);
}

QString Format(qint64 v, const QString &mask)
{
    return applyMask(*decimalFromPlain(QString::number(v)), mask);
}

QString Format(int v, const QString &mask) { return Format(static_cast<qint64>(v), mask); }

QString Format(double v, const QString &mask)
{
    if (!std::isfinite(v))
        return QString::number(v);
    auto d = decimalFromPlain(QString::number(v, 'e', 14));
    return d ? applyMask(*d, mask) : QString::number(v);
}

QString Format(const QString &v, const QString &mask)
{
    if (!IsNumeric(v))
        return v;
    const auto plain = plainNumberText(v);
    const auto d = plain ? decimalFromPlain(*plain) : std::nullopt;
    return d ? applyMask(*d, mask) : v;
}

}  // namespace rz
