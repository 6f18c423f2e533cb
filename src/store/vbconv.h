// The value conversions the windows use on texts and numbers: the decimal
// text of a number with its sign column, the leading number of a text, blank
// trimming, character cuts, floor, and the checked conversions to currency,
// double and 16/32-bit integers (half to even), judged as the estimate
// documents always were.
#pragma once
#include "currency.h"

#include <QString>
#include <QtGlobal>
#include <optional>

namespace rz {

// Decimal text with a sign column: " 5", "-5", " 0", " 1.5", " 0.5".
// Doubles keep 15 significant digits and switch to "1E+15" / "1E-05" form
// outside 1e-4 .. 1e15, the way they have always been written.
QString Str(int n);
QString Str(qint64 n);
QString Str(double x);
QString Str(Currency c);
QString Str(bool b);  // True is -1: " 0" / "-1"

// The number at the start of t, 0 when there is none. Blanks, tabs and line
// feeds are skipped anywhere ("1 2" is 12); a sign, digits, one point and an
// exponent (E or D) are read; reading stops at the first other character, so
// "1,234" is 1 and "abc" is 0. Only ASCII digits count.
double Val(const QString &t);

// Blanks are U+0020 only; the full-width blank U+3000 and tabs are kept.
QString Trim(const QString &t);
QString LTrim(const QString &t);
QString RTrim(const QString &t);

// First / last n UTF-16 characters; n <= 0 gives "", n beyond the length the whole text.
QString Left(const QString &t, int n);
QString Right(const QString &t, int n);

// The greatest whole number not greater than x (-2.5 gives -3).
double Int(double x);
Currency Int(Currency c);  // throws OverflowError only below the currency range

// Text to currency: blanks around, a sign, "," grouping in the whole part,
// one point, an exponent; rounded half to even to four decimals. nullopt for
// a text that is not a number or does not fit the currency range.
std::optional<Currency> CCur(const QString &t);
// Double to currency, rounded half to even to four decimals; throws
// OverflowError when out of range (or not finite).
Currency CCur(double x);

// Text to double with the same syntax as CCur; nullopt when not a number or
// beyond the double range.
std::optional<double> CDbl(const QString &t);
double CDbl(Currency c);

// Conversion to 16/32-bit integers, rounding half to even (2.5 -> 2,
// 3.5 -> 4, -2.5 -> -2). On overflow returns 0 and sets *ok to false.
qint16 CInt16(double x, bool *ok = nullptr);
qint16 CInt16(Currency c, bool *ok = nullptr);
qint32 CLng32(double x, bool *ok = nullptr);
qint32 CLng32(Currency c, bool *ok = nullptr);

// The text of a number as CCur/CDbl read it, trimmed and without the ","
// grouping ("-1234.5", "1e3"); nullopt when t is not a number.
std::optional<QString> plainNumberText(const QString &t);

// Whether t converts to a number: blanks around allowed, a sign, ","
// grouping, one point, an exponent. "" and "-" are not numeric.
bool IsNumeric(const QString &t);

}  // namespace rz
