// Row kinds of an item row from its flag and name.
#include "rowkind.h"

#include "sjis.h"

namespace rz {

bool isProvisionallyDeleted(const QString &flg) { return MidBAnsi(flg, 2, 1) == QLatin1String("x"); }

bool isGroupRow(const QString &flg) { return MidBAnsi(flg, 1, 1) == QLatin1String("+"); }

bool isItemRow(const QString &flg) { return MidBAnsi(flg, 1, 1) == QLatin1String("-"); }

bool isTotalMark(QChar c) { return c == u'@' || c == u'\uFF20'; }

bool beginsWithTotalMark(const QString &knm) { return !knm.isEmpty() && isTotalMark(knm.at(0)); }

bool isRunningTotalName(const QString &knm)
{
    return knm.size() >= 2 && isTotalMark(knm.at(0)) && isTotalMark(knm.at(1));
}

bool isSubtotalName(const QString &knm) { return beginsWithTotalMark(knm) && !isRunningTotalName(knm); }

RowKind classifyRow(const QString &flg, const QString &knm)
{
    if (isProvisionallyDeleted(flg))
        return RowKind::ProvisionallyDeleted;
    if (isRunningTotalName(knm))
        return RowKind::RunningTotal;
    if (isSubtotalName(knm))
        return RowKind::Subtotal;
    if (isGroupRow(flg))
        return RowKind::Group;
    if (isItemRow(flg))
        return RowKind::Item;
    return RowKind::Unmarked;
}

}  // namespace rz
