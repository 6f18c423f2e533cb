#include "value.h"

#include "dberror.h"

#include <cmath>
#include <limits>

namespace rz {

ColType colTypeFromDecl(const QString &declared)
{
    const QString d = declared.trimmed().toUpper();
    if (d == "LONG" || d == "INTEGER" || d == "LONG INTEGER" || d == "COUNTER")
        return ColType::Long;
    if (d == "SHORT" || d == "INT" || d == "SMALLINT")
        return ColType::Short;
    if (d == "CURRENCY" || d == "MONEY")
        return ColType::Currency;
    if (d == "SINGLE" || d == "FLOAT" || d == "REAL" || d == "DOUBLE")
        return ColType::Single;
    if (d.startsWith("TEXT") || d.startsWith("VARCHAR") || d.startsWith("CHAR") || d == "MEMO")
        return ColType::Text;
    return ColType::Other;
}

Currency Value::toCurrency() const
{
    if (auto c = std::get_if<Currency>(&v_))
        return *c;
    if (auto i = std::get_if<qint64>(&v_))
        return Currency::fromWhole(*i);
    if (auto d = std::get_if<double>(&v_)) {
        auto c = Currency::fromDouble(*d);
        if (!c)
            throw OverflowError("金額が通貨型の範囲を超えました");
        return *c;
    }
    if (auto s = std::get_if<QString>(&v_))
        return Currency::parse(*s).value_or(Currency());
    return Currency();
}

qint64 Value::toLong() const
{
    if (auto i = std::get_if<qint64>(&v_))
        return *i;
    if (auto c = std::get_if<Currency>(&v_))
        return c->roundHalfEvenWhole();
    if (auto d = std::get_if<double>(&v_)) {
        if (!std::isfinite(*d) || std::fabs(*d) > 9.2e18)
            throw OverflowError("数値が整数の範囲を超えました");
        return static_cast<qint64>(std::nearbyint(*d));  // default rounding mode: half to even
    }
    if (auto s = std::get_if<QString>(&v_)) {
        auto c = Currency::parse(*s);
        return c ? c->roundHalfEvenWhole() : 0;
    }
    return 0;
}

double Value::toDouble() const
{
    if (auto d = std::get_if<double>(&v_))
        return *d;
    if (auto i = std::get_if<qint64>(&v_))
        return static_cast<double>(*i);
    if (auto c = std::get_if<Currency>(&v_))
        return c->toDouble();
    if (auto s = std::get_if<QString>(&v_)) {
        bool ok = false;
        double d = QString(*s).remove(u',').trimmed().toDouble(&ok);
        return ok ? d : 0.0;
    }
    return 0.0;
}

QString Value::toString() const
{
    if (auto s = std::get_if<QString>(&v_))
        return *s;
    if (auto i = std::get_if<qint64>(&v_))
        return QString::number(*i);
    if (auto c = std::get_if<Currency>(&v_))
        return c->toString();
    if (auto d = std::get_if<double>(&v_))
        return QString::number(*d, 'g', 7);
    return QString();
}

Value Value::convertedFor(ColType type) const
{
    if (isNull())
        return Value();
    if (auto s = std::get_if<QString>(&v_); s && type != ColType::Text && type != ColType::Other) {
        const QString t = s->trimmed();
        if (t.isEmpty())
            return Value();  // an empty text stores as Null in a number column
        if (!Currency::parse(t) && type != ColType::Single)
            throw DbError(QStringLiteral("データ型が一致しません: '%1'").arg(*s));
    }
    switch (type) {
    case ColType::Long: {
        const qint64 v = toLong();
        if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
            throw OverflowError("数値が長整数型の範囲を超えました");
        return Value(v);
    }
    case ColType::Short: {
        const qint64 v = toLong();
        if (v < std::numeric_limits<qint16>::min() || v > std::numeric_limits<qint16>::max())
            throw OverflowError("数値が整数型の範囲を超えました");
        return Value(v);
    }
    case ColType::Currency:
        return Value(toCurrency());
    case ColType::Single: {
        const double d = toDouble();
        if (std::fabs(d) > std::numeric_limits<float>::max())
            throw OverflowError("数値が単精度浮動小数点型の範囲を超えました");
        return Value(static_cast<double>(static_cast<float>(d)));
    }
    case ColType::Text:
        return Value(toString());
    case ColType::Other:
        return *this;
    }
    return *this;
}

}  // namespace rz
