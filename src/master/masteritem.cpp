// The unit-price master's fields, their texts and their limits.
#include "masteritem.h"

#include "store/format.h"
#include "store/schema.h"
#include "store/sjis.h"
#include "store/vbconv.h"

#include <algorithm>

namespace rz {

namespace {

const QString kDateForm = QStringLiteral("yyyy-MM-dd");

bool isPrice(MasterField f) { return f == MasterField::Tk1 || f == MasterField::Tk2; }

QString *textOf(MasterItem &item, MasterField f)
{
    switch (f) {
    case MasterField::Dai: return &item.dai;
    case MasterField::Chu: return &item.chu;
    case MasterField::Knm: return &item.knm;
    case MasterField::Mei: return &item.mei;
    case MasterField::Tn1: return &item.tn1;
    case MasterField::Bk1: return &item.bk1;
    default: return nullptr;
    }
}

// "2025-04-01", "2025/4/1": a date of the calendar, or an invalid one.
QDate parseDate(const QString &text)
{
    const QStringList parts = QString(text).replace(u'/', u'-').split(u'-');
    if (parts.size() != 3)
        return {};
    bool y = false, m = false, d = false;
    return QDate(parts[0].toInt(&y), parts[1].toInt(&m), parts[2].toInt(&d));
}

QString priceRangeText()
{
    return QStringLiteral("%1 から %2 まで").arg(Format(kTypedPriceMin, QStringLiteral("#,##0")),
                                                 Format(kTypedPriceMax, QStringLiteral("#,##0")));
}

}  // namespace

QString masterCaption(MasterField field)
{
    static const char16_t *const captions[kMasterFields] = {u"大分類", u"中分類",   u"名称",     u"規格",  u"単位",
                                                            u"見積単価", u"予算単価", u"備考", u"更新日"};
    const int i = int(field);
    return i >= 0 && i < kMasterFields ? QString::fromUtf16(captions[i]) : QString();
}

int masterFieldBytes(MasterField field)
{
    switch (field) {
    case MasterField::Knm: return kNameBytes;
    case MasterField::Mei: return kSpecBytes;
    case MasterField::Tn1: return kUnitBytes;
    case MasterField::Dai:
    case MasterField::Chu:
    case MasterField::Bk1: return 40;
    default: return 0;
    }
}

QString typedPriceText(Currency price) { return Format(price, QStringLiteral("##,###,##0")); }

QString masterFieldText(const MasterItem &item, MasterField field)
{
    switch (field) {
    case MasterField::Tk1: return item.tk1.isZero() ? QString() : typedPriceText(item.tk1);
    case MasterField::Tk2: return item.tk2.isZero() ? QString() : typedPriceText(item.tk2);
    case MasterField::Upd: return item.upd.isValid() ? item.upd.toString(kDateForm) : QString();
    default: return *textOf(const_cast<MasterItem &>(item), field);
    }
}

QString setMasterField(MasterItem &item, MasterField field, const QString &text)
{
    const QString caption = masterCaption(field);
    if (isPrice(field)) {
        // Full-width digits and separators typed by hand count as the plain ones.
        const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
        const QString plain = (ascii ? text : text.normalized(QString::NormalizationForm_KC)).trimmed();
        const auto value = plain.isEmpty() ? std::optional<Currency>(Currency()) : Currency::parse(plain);
        if (!value)
            return QStringLiteral("%1「%2」は数値ではありません").arg(caption, text);
        (field == MasterField::Tk1 ? item.tk1 : item.tk2) = *value;
        return QString();
    }
    if (field == MasterField::Upd) {
        const QString plain = text.trimmed();
        const QDate date = plain.isEmpty() ? QDate() : parseDate(plain);
        if (!plain.isEmpty() && !date.isValid())
            return QStringLiteral("%1「%2」は日付（2025-04-01 の形）ではありません").arg(caption, text);
        item.upd = date;
        return QString();
    }
    if (QString *target = textOf(item, field)) {
        *target = RTrim(text);
        return QString();
    }
    return QString();
}

QString masterItemProblem(const MasterItem &item)
{
    if (Trim(item.knm).isEmpty())
        return QStringLiteral("名称がありません");
    // A name of a subtotal row, or a unit the unit cell would take for its
    // digit shortcut, could never reach a row as the master holds it.
    if (item.knm.startsWith(u'@') || item.knm.startsWith(u'＠'))
        return QStringLiteral("名称の先頭に＠は使えません（小計行の印です）");
    if (!item.tn1.isEmpty() && item.tn1[0].unicode() >= u'0' && item.tn1[0].unicode() <= u'9')
        return QStringLiteral("単位の先頭に半角数字は使えません（単位欄では数字が単位の略号です）");
    for (int f = 0; f < kMasterFields; ++f) {
        const auto field = MasterField(f);
        const QString caption = masterCaption(field);
        if (const int bytes = masterFieldBytes(field)) {
            const QString &text = *textOf(const_cast<MasterItem &>(item), field);
            for (QChar c : text)
                if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                    return QStringLiteral("%1に改行などの制御文字があります").arg(caption);
            if (ansiByteLength(text) > bytes)
                return QStringLiteral("%1が長すぎます（%2バイト、全角%3文字まで）").arg(caption).arg(bytes).arg(bytes / 2);
        } else if (isPrice(field)) {
            const Currency price = field == MasterField::Tk1 ? item.tk1 : item.tk2;
            if (price.hasFraction() || price < Currency::fromWhole(kTypedPriceMin) ||
                price > Currency::fromWhole(kTypedPriceMax))
                return QStringLiteral("%1は円単位の整数で、%2です").arg(caption, priceRangeText());
        }
    }
    return QString();
}

}  // namespace rz
