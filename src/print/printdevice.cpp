#include "printdevice.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>
#include <cmath>

namespace rz {

bool isTwoCellMincho(const QString &family)
{
    if (!QFontDatabase::families().contains(family))
        return false;
    QFont font(family);
    font.setPixelSize(200);  // large enough that hinting cannot hide a difference
    font.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetricsF fm(font);
    const double half = fm.horizontalAdvance(QStringLiteral("A"));
    const double full = fm.horizontalAdvance(QStringLiteral("漢"));
    const double kana = fm.horizontalAdvance(QStringLiteral("あ"));
    return half > 0 && std::abs(full - 2 * half) < 0.5 && std::abs(kana - 2 * half) < 0.5
           && std::abs(fm.horizontalAdvance(QStringLiteral("i")) - half) < 0.5;
}

QString printFontFamily()
{
    static const QString chosen = [] {
        const QStringList candidates{QStringLiteral("ＭＳ 明朝"), QStringLiteral("MS Mincho"), QStringLiteral("IPAMincho"),
                                     QStringLiteral("IPA明朝")};
        for (const QString &f : candidates)
            if (isTwoCellMincho(f))
                return f;
        // Nothing measures right: the packaged face is still the best guess.
        return QStringLiteral("IPAMincho");
    }();
    return chosen;
}

}  // namespace rz
