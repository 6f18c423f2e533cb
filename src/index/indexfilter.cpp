// Reading and searching the estimate list's texts for its filter.
#include "indexfilter.h"

#include "master/masterfold.h"
#include "store/database.h"
#include "store/recordset.h"

#include <algorithm>

namespace rz {

void IndexFilter::load(Database &db)
{
    forget();
    auto rs = db.openRecordset(QStringLiteral("SELECT [key1], [knm], [hat], [ad1], [bk1] FROM RZTBLIDX ORDER BY [key1]"),
                               RecordsetType::Snapshot);
    keys_.reserve(static_cast<size_t>(rs->recordCount()));
    folded_.reserve(static_cast<size_t>(rs->recordCount()));
    for (; !rs->eof(); rs->moveNext()) {
        keys_.push_back(static_cast<qint32>(rs->field(0).toLong()));
        QString texts;
        for (int f = 1; f <= 4; ++f)
            texts += foldForSearch(rs->field(f).toString()) + u'\n';
        folded_.push_back(texts);
    }
    loaded_ = true;
}

void IndexFilter::forget()
{
    keys_.clear();
    folded_.clear();
    found_.clear();
    kept_.clear();
    loaded_ = false;
}

void IndexFilter::reload(Database &db)
{
    const std::set<qint32> kept = kept_;
    const QString query = query_;
    load(db);
    kept_ = kept;
    set(query);
}

bool IndexFilter::set(const QString &query)
{
    query_ = query;
    const QStringList words = foldQuery(query).split(u' ', Qt::SkipEmptyParts);
    active_ = !words.isEmpty();
    found_.clear();
    if (!active_) {
        kept_.clear();
        return false;
    }
    for (size_t i = 0; i < folded_.size(); ++i)
        if (std::all_of(words.begin(), words.end(), [&](const QString &w) { return folded_[i].contains(w); }))
            found_.push_back(keys_[i]);
    return true;
}

QString IndexFilter::listSql() const
{
    if (!active_)
        return QStringLiteral("SELECT * FROM RZTBLIDX ORDER BY [key1]");
    QStringList keys;
    keys.reserve(int(found_.size() + kept_.size()));
    for (qint32 k : found_)
        keys << QString::number(k);
    for (qint32 k : kept_)
        keys << QString::number(k);
    if (keys.isEmpty())
        return QStringLiteral("SELECT * FROM RZTBLIDX WHERE 1 = 0 ORDER BY [key1]");
    return QStringLiteral("SELECT * FROM RZTBLIDX WHERE [key1] IN (%1) ORDER BY [key1]").arg(keys.join(u','));
}

qint32 IndexFilter::keyBefore(qint32 key) const
{
    const auto it = std::lower_bound(keys_.begin(), keys_.end(), key);
    return it == keys_.begin() ? 0 : *std::prev(it);
}

qint32 IndexFilter::keyAfter(qint32 key) const
{
    const auto it = std::upper_bound(keys_.begin(), keys_.end(), key);
    return it == keys_.end() ? 0 : *it;
}

}  // namespace rz
