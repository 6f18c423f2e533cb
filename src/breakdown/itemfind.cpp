// Reading an estimate's rows for finding them, and the search itself.
#include "itemfind.h"

#include "master/masterfold.h"
#include "store/database.h"
#include "store/recordset.h"
#include "store/rowkind.h"

namespace rz {

const QString ItemFinder::kPathSeparator = QStringLiteral(" ＞ ");

void ItemFinder::load(Database &db, const QString &table)
{
    rows_.clear();
    folded_.clear();
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" ORDER BY ") +
                                   QLatin1String(kLevelOrder),
                               RecordsetType::Snapshot);
    const int knm = rs->fieldIndex(QStringLiteral("knm")), mei = rs->fieldIndex(QStringLiteral("mei")),
              bk1 = rs->fieldIndex(QStringLiteral("bk1")), flg = rs->fieldIndex(QStringLiteral("flg")),
              kn1 = rs->fieldIndex(QStringLiteral("kn1")), kn2 = rs->fieldIndex(QStringLiteral("kn2"));
    const int count = rs->recordCount();
    rows_.reserve(static_cast<size_t>(count));
    folded_.reserve(static_cast<size_t>(count));
    // Rows come in tree order: each row's path is the names last seen above its depth.
    std::array<QString, 8> above;
    for (; !rs->eof(); rs->moveNext()) {
        Row r;
        int depth = 0;
        for (int k = 0; k < 8; ++k) {
            r.keys[static_cast<size_t>(k)] = static_cast<qint32>(rs->field(k).toLong());
            if (r.keys[static_cast<size_t>(k)] != 0)
                depth = k + 1;
        }
        if (depth == 0)
            continue;  // no row of the tree
        r.level = depth - 1;
        r.name = rs->field(knm).toString().trimmed();
        QStringList path;
        for (int k = 0; k < r.level; ++k)
            path << above[static_cast<size_t>(k)];
        r.path = path.join(kPathSeparator);
        above[static_cast<size_t>(r.level)] = r.name;
        r.kn1 = rs->field(kn1).toCurrency();
        r.kn2 = rs->field(kn2).toCurrency();
        r.provisional = isProvisionallyDeleted(rs->field(flg).toString());
        // The three apart: a word is never found across two of them.
        folded_.push_back(foldForSearch(rs->field(knm).toString()) + u'\n' + foldForSearch(rs->field(mei).toString()) +
                          u'\n' + foldForSearch(bk1 >= 0 ? rs->field(bk1).toString() : QString()));
        rows_.push_back(std::move(r));
    }
}

std::vector<int> ItemFinder::find(const QString &query) const
{
    std::vector<int> hits;
    const QStringList words = foldQuery(query).split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return hits;
    for (size_t i = 0; i < folded_.size(); ++i) {
        bool all = true;
        for (const QString &w : words)
            if (!folded_[i].contains(w)) {
                all = false;
                break;
            }
        if (all)
            hits.push_back(static_cast<int>(i));
    }
    return hits;
}

}  // namespace rz
