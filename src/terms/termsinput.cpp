// Strict reading of typed rates, amounts, dates and registration numbers.
#include "termsinput.h"

#include <QRegularExpression>

namespace rz {

QString halfWidth(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(u - 0xFEE0);
        else if (u == 0x3000)
            c = u' ';
    }
    return out;
}

namespace {
// Digits with "," grouping and one point, a sign in front: nothing else a
// figure on an estimate is written with.
const QRegularExpression kNumber(QStringLiteral(R"(^[+-]?(\d[\d,]*)?(\.\d*)?$)"));

NumberInput readNumber(const QString &text, int maxDecimals, const QString &tooLarge)
{
    const QString t = halfWidth(text).trimmed();
    if (t.isEmpty())
        return {Currency(), {}};
    const auto m = kNumber.match(t);
    if (!m.hasMatch() || (m.captured(1).isEmpty() && m.captured(2).size() <= 1))
        return {std::nullopt, QStringLiteral("は数値で入力してください")};
    if (t.startsWith(u'-'))
        return {std::nullopt, QStringLiteral("に負の値は入力できません")};
    if (m.captured(2).size() - 1 > maxDecimals)
        return {std::nullopt, maxDecimals == 0 ? QStringLiteral("は円単位で入力してください")
                                               : QStringLiteral("の小数は%1桁までです").arg(maxDecimals)};
    const std::optional<Currency> v = Currency::parse(t);
    if (!v)
        return {std::nullopt, tooLarge};
    return {v, {}};
}
}  // namespace

NumberInput readRate(const QString &text) { return readNumber(text, 4, QStringLiteral("が大きすぎます")); }

NumberInput readAmount(const QString &text)
{
    return readNumber(text, 0, QStringLiteral("が大きすぎます（922,337,203,685,477 円まで）"));
}

DateInput readDate(const QString &text)
{
    static const QRegularExpression date(QStringLiteral(R"(^(\d{4})\s*[-/.年]\s*(\d{1,2})\s*[-/.月]\s*(\d{1,2})\s*日?$)"));
    const auto m = date.match(halfWidth(text).trimmed());
    if (!m.hasMatch())
        return {};
    return {true, QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt())};
}

QString isoDate(const QDate &d) { return d.toString(QStringLiteral("yyyy-MM-dd")); }

QString printedDate(const QString &iso)
{
    const QDate d = QDate::fromString(iso, QStringLiteral("yyyy-MM-dd"));
    return d.isValid() ? QStringLiteral("%1年%2月%3日").arg(d.year()).arg(d.month()).arg(d.day()) : iso;
}

std::optional<QString> normalRegistration(const QString &text)
{
    QString t = halfWidth(text).toUpper();
    t.remove(QRegularExpression(QStringLiteral("[\\s\\-－‐]")));
    static const QRegularExpression form(QStringLiteral("^T?\\d{13}$"));
    if (!form.match(t).hasMatch())
        return std::nullopt;
    return t.startsWith(u'T') ? t : u'T' + t;
}

bool registrationCheckDigitOk(const QString &normal)
{
    const QString digits = normal.mid(1);
    int sum = 0;
    for (int n = 1; n <= 12; ++n)  // Pn: the n-th of the last twelve digits counted from the right
        sum += digits.at(13 - n).digitValue() * (n % 2 == 1 ? 1 : 2);
    return digits.at(0).digitValue() == 9 - sum % 9;
}

}  // namespace rz
