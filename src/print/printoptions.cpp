#include "printoptions.h"

#include "store/vbconv.h"

namespace rz {

int PrintOptions::startPageNumber(const QString &text)
{
    if (!IsNumeric(text))
        return 0;
    const std::optional<double> v = CDbl(text);
    if (!v)
        return 0;
    bool ok = true;
    const int n = CInt16(*v, &ok);
    return ok ? n : 0;
}

QString heiseiDate(const QDate &date)
{
    return QStringLiteral("平成") + QString::number(date.year() - 1988) + u'年'
           + QString::number(date.month()).rightJustified(2, u' ') + u'月'
           + QString::number(date.day()).rightJustified(2, u' ') + u'日';
}

}  // namespace rz
