// The search fold of the unit-price master.
#include "masterfold.h"

namespace rz {

namespace {

bool isDash(char16_t c)
{
    switch (c) {
    case u'-':
    case 0x2010:  // hyphen
    case 0x2011:  // non-breaking hyphen
    case 0x2012:  // figure dash
    case 0x2013:  // en dash
    case 0x2014:  // em dash
    case 0x2015:  // horizontal bar
    case 0x2212:  // minus sign
    case 0x30FC:  // katakana long vowel mark (NFKC makes "ｰ" this one)
        return true;
    default:
        return false;
    }
}

// The fold of one text; blanks become single separators (kept) or vanish.
QString fold(const QString &text, bool keepBlanks)
{
    QString s = text;
    bool plainAscii = true;
    for (QChar &c : s) {
        // The spacing voiced marks are joined to their kana by NFKC only in
        // their combining form.
        if (c.unicode() == 0x309B)
            c = QChar(0x3099);
        else if (c.unicode() == 0x309C)
            c = QChar(0x309A);
        plainAscii = plainAscii && c.unicode() < 0x80;
    }
    if (!plainAscii)
        s = s.normalized(QString::NormalizationForm_KC);
    QString out;
    out.reserve(s.size());
    bool blank = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        char16_t c = s[i].unicode();
        if (s[i].isSpace() || c < 0x20) {
            blank = true;
            continue;
        }
        if (blank && keepBlanks && !out.isEmpty())
            out += u' ';
        blank = false;
        if (c >= 0x3041 && c <= 0x3096)  // hiragana ぁ..ゖ
            c = char16_t(c + 0x60);
        else if (c == 0x309D || c == 0x309E)  // ゝ ゞ
            c = char16_t(c + 0x60);
        else if (isDash(c))
            c = u'-';
        else if (c < 0x80)
            c = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        else if (!QChar::isSurrogate(c))
            c = QChar(c).toCaseFolded().unicode();
        out += QChar(c);
    }
    return out;
}

}  // namespace

QString foldForSearch(const QString &text) { return fold(text, false); }

QString foldQuery(const QString &query) { return fold(query, true); }

}  // namespace rz
