// Text widths as the Japanese double-byte code page (Shift-JIS) counts them,
// while the text itself stays Unicode: fixed-width fields and printed columns
// are measured and cut in these bytes.
#pragma once
#include <QChar>
#include <QString>

namespace rz {

// 1 for ASCII and half-width katakana (U+FF61..U+FF9F), 2 for everything
// else, including characters the code page lacks ("é", "𠮷"): they keep
// their place and width instead of turning into "?".
int ansiByteWidth(char32_t codePoint);
// For one UTF-16 unit: a high surrogate counts the 2 of its pair and a low
// surrogate 0, so summing the units of a valid text gives ansiByteLength.
int ansiByteWidth(QChar c);
int ansiByteLength(const QString &s);

// The piece of s from byte position start (1-based) for length bytes, or to
// the end when length is negative. A start beyond the end, or a length of 0,
// gives "". A start below 1 is taken as 1.
//
// A cut through the middle of a full-width character cannot be expressed in
// Unicode; instead of a broken character the half that falls inside the range
// becomes one blank. The result is then always exactly as many bytes wide as
// the range asked for (limited by the end of s), which keeps columns aligned.
QString MidBAnsi(const QString &s, int start, int length = -1);

// The first n bytes of s.
QString LeftB(const QString &s, int n);

// The first n bytes of (s followed by n blanks): s cut or padded to exactly
// n bytes, the way fixed-width columns are filled.
QString padBytes(const QString &s, int n);

}  // namespace rz
