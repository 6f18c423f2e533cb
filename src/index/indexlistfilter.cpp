// The estimate list's filter in the index window: narrowing the list,
// taking the filter off, and the message line's count.
#include "indexsession.h"

#include "store/database.h"

namespace rz {

QString IndexSession::filterMessage(int total, int shown)
{
    return QStringLiteral("%1 件中 %2 件を表示").arg(total).arg(shown);
}

void IndexSession::reopenList()
{
    rs_ = shared_.DB_Main->openRecordset(filter_.listSql());
}

void IndexSession::setFilter(const QString &text)
{
    if (!rs_ || !sb_WriteUIdx())
        return;
    try {
        // The texts are read once per filter, not per typed character.
        if (!filter_.loaded())
            filter_.load(*shared_.DB_Main);
        if (!filter_.set(text))
            filter_.forget();
        reopenList();
    } catch (const std::exception &e) {
        showError(e);
        return;
    }
    page_ = 1;
    sb_DispList();
    selectWholeRow(1);
    lblMsg_ = filter_.active() ? filterMessage(filter_.total(), rs_->recordCount()) : QString();
    host_.refresh();
}

void IndexSession::clearFilter()
{
    if (!rs_ || !filter_.active() || !sb_WriteUIdx())
        return;
    const qint32 key = isEstimateRow(grid_.row()) ? rowKey(grid_.row()) : 0;
    filter_.set(QString());
    filter_.forget();
    int at = 0;
    try {
        reopenList();
        for (rs_->moveFirst(); key != 0 && !rs_->eof(); rs_->moveNext(), ++at)
            if (rs_->field("key1").toLong() == key)
                break;
        if (rs_->eof())
            at = 0;
    } catch (const std::exception &e) {
        showError(e);
    }
    page_ = at / kPageRows + 1;
    sb_DispList();
    selectWholeRow(at % kPageRows + 1);
    lblMsg_.clear();
    host_.refresh();
}

}  // namespace rz
