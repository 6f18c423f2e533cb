// Shift-JIS byte widths and byte-position cuts on Unicode text.
#include "sjis.h"

#include <limits>

namespace rz {

int ansiByteWidth(char32_t codePoint)
{
    if (codePoint < 0x80)
        return 1;
    if (codePoint >= 0xFF61 && codePoint <= 0xFF9F)
        return 1;
    return 2;
}

int ansiByteWidth(QChar c)
{
    if (c.isLowSurrogate())
        return 0;
    return ansiByteWidth(static_cast<char32_t>(c.unicode()));
}

namespace {

// Length in UTF-16 units of the character starting at i (2 for a valid pair).
int unitLength(const QString &s, int i)
{
    if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate())
        return 2;
    return 1;
}

int widthAt(const QString &s, int i, int units)
{
    // A lone surrogate has no single-byte form either: it counts 2.
    return units == 2 || s[i].isSurrogate() ? 2 : ansiByteWidth(static_cast<char32_t>(s[i].unicode()));
}

}  // namespace

int ansiByteLength(const QString &s)
{
    int total = 0;
    for (int i = 0; i < s.size();) {
        const int units = unitLength(s, i);
        total += widthAt(s, i, units);
        i += units;
    }
    return total;
}

QString MidBAnsi(const QString &s, int start, int length)
{
    if (length == 0)
        return QString();
    const qint64 from = start < 1 ? 0 : static_cast<qint64>(start) - 1;  // 0-based first byte
    const qint64 to = length < 0 ? std::numeric_limits<qint64>::max() : from + length;
    QString out;
    qint64 pos = 0;  // byte offset of the character at i
    for (int i = 0; i < s.size() && pos < to;) {
        const int units = unitLength(s, i);
        const int width = widthAt(s, i, units);
        const qint64 end = pos + width;
        if (end > from) {
            if (pos >= from && end <= to)
                out += QStringView(s).mid(i, units);
            else
                out += u' ';  // the half of a cut full-width character inside the range
        }
        pos = end;
        i += units;
    }
    return out;
}

QString LeftB(const QString &s, int n) { return MidBAnsi(s, 1, n < 0 ? 0 : n); }

QString padBytes(const QString &s, int n)
{
    if (n <= 0)
        return QString();
    return LeftB(s + QString(n, u' '), n);
}

}  // namespace rz
