// Value conversions between texts and numbers used by every window.
#include "vbconv.h"

#include <QByteArray>
#include <cmath>
#include <limits>

namespace rz {

namespace {

bool isAsciiDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }

QString signColumn(bool negative, const QString &magnitude)
{
    return (negative ? QStringLiteral("-") : QStringLiteral(" ")) + magnitude;
}

template <typename T>
T roundToInt(double x, bool *ok)
{
    if (ok)
        *ok = false;
    if (!std::isfinite(x))
        return 0;
    double r = std::floor(x);
    const double diff = x - r;  // exact: x and floor(x) share their exponent range
    if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0.0))
        r += 1.0;
    if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
        r > static_cast<double>(std::numeric_limits<T>::max()))
        return 0;
    if (ok)
        *ok = true;
    return static_cast<T>(r);
}

template <typename T>
T roundToInt(Currency c, bool *ok)
{
    const qint64 r = c.roundHalfEvenWhole();
    const bool fits = r >= std::numeric_limits<T>::min() && r <= std::numeric_limits<T>::max();
    if (ok)
        *ok = fits;
    return fits ? static_cast<T>(r) : 0;
}

}  // namespace

QString Str(int n) { return Str(static_cast<qint64>(n)); }

QString Str(qint64 n)
{
    if (n < 0)
        return QString::number(n);
    return u' ' + QString::number(n);
}

QString Str(double x)
{
    if (x == 0.0)
        return QStringLiteral(" 0");  // also for -0.0
    QString s = QString::number(std::fabs(x), 'g', 15);
    s.replace(u'e', u'E');
    return signColumn(std::signbit(x), s);
}

QString Str(Currency c)
{
    if (c.isNegative())
        return c.toString();
    return u' ' + c.toString();
}

QString Str(bool b) { return b ? QStringLiteral("-1") : QStringLiteral(" 0"); }

double Val(const QString &t)
{
    const int n = t.size();
    int i = 0;
    auto skipBlanks = [&](int &k) {
        while (k < n && (t[k] == u' ' || t[k] == u'\t' || t[k] == u'\n'))
            ++k;
    };
    QByteArray num;
    skipBlanks(i);
    if (i < n && (t[i] == u'-' || t[i] == u'+')) {
        if (t[i] == u'-')
            num += '-';
        ++i;
    }
    QByteArray whole, fraction;
    bool point = false;
    for (;;) {
        skipBlanks(i);
        if (i >= n)
            break;
        if (isAsciiDigit(t[i])) {
            (point ? fraction : whole) += static_cast<char>(t[i].unicode());
            ++i;
        } else if (t[i] == u'.' && !point) {
            point = true;
            ++i;
        } else {
            break;
        }
    }
    if (whole.isEmpty() && fraction.isEmpty())
        return 0.0;
    num += whole.isEmpty() ? QByteArray("0") : whole;
    if (!fraction.isEmpty())
        num += '.' + fraction;

    // An exponent counts only when at least one of its digits follows.
    int k = i;
    if (k < n && (t[k] == u'e' || t[k] == u'E' || t[k] == u'd' || t[k] == u'D')) {
        ++k;
        QByteArray exponent("e");
        skipBlanks(k);
        if (k < n && (t[k] == u'-' || t[k] == u'+')) {
            if (t[k] == u'-')
                exponent += '-';
            ++k;
        }
        bool anyExpDigit = false;
        for (;;) {
            skipBlanks(k);
            if (k >= n || !isAsciiDigit(t[k]))
                break;
            exponent += static_cast<char>(t[k].unicode());
            anyExpDigit = true;
            ++k;
        }
        if (anyExpDigit)
            num += exponent;
    }
    bool ok = false;
    // QString (not QByteArray) reports an overflow as the infinity of its sign.
    const double v = QString::fromLatin1(num).toDouble(&ok);
    if (!ok && !std::isfinite(v))
        return v;  // beyond the double range: the infinity of that sign
    return ok ? v : 0.0;
}

QString LTrim(const QString &t)
{
    int i = 0;
    while (i < t.size() && t[i] == u' ')
        ++i;
    return t.mid(i);
}

QString RTrim(const QString &t)
{
    int e = t.size();
    while (e > 0 && t[e - 1] == u' ')
        --e;
    return t.left(e);
}

QString Trim(const QString &t) { return LTrim(RTrim(t)); }

QString Left(const QString &t, int n) { return n <= 0 ? QString() : t.left(n); }
QString Right(const QString &t, int n) { return n <= 0 ? QString() : t.right(n); }

double Int(double x) { return std::floor(x); }
Currency Int(Currency c) { return c.floorWhole(); }

std::optional<Currency> CCur(const QString &t) { return Currency::parse(t); }

Currency CCur(double x)
{
    const auto c = Currency::fromDouble(x);
    if (!c)
        throw OverflowError("金額が通貨型の範囲を超えました");
    return *c;
}

std::optional<QString> plainNumberText(const QString &input)
{
    // The same syntax Currency::parse accepts, so that a text judged numeric
    // here always converts with CCur (range permitting).
    const QString t = input.trimmed();
    int i = 0;
    const int n = t.size();
    QString sign;
    if (i < n && (t[i] == u'-' || t[i] == u'+')) {
        if (t[i] == u'-')
            sign = QStringLiteral("-");
        ++i;
    }
    QString whole, fraction, exponent;
    bool point = false;
    for (; i < n; ++i) {
        const QChar c = t[i];
        if (isAsciiDigit(c)) {
            (point ? fraction : whole) += c;
        } else if (c == u',' && !point) {
            continue;
        } else if (c == u'.' && !point) {
            point = true;
        } else if ((c == u'e' || c == u'E') && !(whole.isEmpty() && fraction.isEmpty())) {
            ++i;
            exponent = QStringLiteral("e");
            if (i < n && (t[i] == u'-' || t[i] == u'+')) {
                if (t[i] == u'-')
                    exponent += u'-';
                ++i;
            }
            if (i >= n)
                return std::nullopt;
            for (; i < n; ++i) {
                if (!isAsciiDigit(t[i]))
                    return std::nullopt;
                exponent += t[i];
            }
            break;
        } else {
            return std::nullopt;
        }
    }
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    QString out = sign + (whole.isEmpty() ? QStringLiteral("0") : whole);
    if (!fraction.isEmpty())
        out += u'.' + fraction;
    return out + exponent;
}

std::optional<double> CDbl(const QString &t)
{
    const auto plain = plainNumberText(t);
    if (!plain)
        return std::nullopt;
    bool ok = false;
    const double v = plain->toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        // toDouble refuses an underflow; such a text is still the number 0.
        if (!ok && std::isfinite(v) && v == 0.0)
            return 0.0;
        return std::nullopt;
    }
    return v;
}

double CDbl(Currency c) { return c.toDouble(); }

qint16 CInt16(double x, bool *ok) { return roundToInt<qint16>(x, ok); }
qint16 CInt16(Currency c, bool *ok) { return roundToInt<qint16>(c, ok); }
qint32 CLng32(double x, bool *ok) { return roundToInt<qint32>(x, ok); }
qint32 CLng32(Currency c, bool *ok) { return roundToInt<qint32>(c, ok); }

bool IsNumeric(const QString &t) { return CDbl(t).has_value(); }

}  // namespace rz
