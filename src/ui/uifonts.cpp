#include "uifonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace rz {

namespace {
QFont firstInstalled(const QStringList &families, int pointSize)
{
    const QStringList installed = QFontDatabase::families();
    for (const QString &f : families) {
        if (installed.contains(f)) {
            QFont font(f, pointSize);
            font.setStyleHint(QFont::TypeWriter);
            return font;
        }
    }
    QFont font(families.constLast(), pointSize);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}
}  // namespace

QFont gridFont()
{
    return firstInstalled({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic")}, 9);
}

QFont buttonFont()
{
    return firstInstalled({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                           QStringLiteral("IPAGothic")},
                          9);
}

}  // namespace rz
