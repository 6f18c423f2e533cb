// Searching the master in memory.
#include "masterindex.h"

#include "masterfold.h"

#include <algorithm>
#include <numeric>

namespace rz {

namespace {
// Between the folded fields, so that no word is found across two of them:
// a fold never keeps a control character.
constexpr QChar kFieldBreak = QChar(0x1F);
}  // namespace

MasterIndex::MasterIndex(std::vector<MasterItem> items) : items_(std::move(items))
{
    std::sort(items_.begin(), items_.end(), [](const MasterItem &a, const MasterItem &b) {
        if (int c = a.dai.compare(b.dai))
            return c < 0;
        if (int c = a.chu.compare(b.chu))
            return c < 0;
        if (int c = a.knm.compare(b.knm))
            return c < 0;
        return a.mei < b.mei;
    });
    start_.reserve(items_.size() + 1);
    for (const MasterItem &item : items_) {
        start_.push_back(int(text_.size()));
        text_ += foldForSearch(item.knm) + kFieldBreak + foldForSearch(item.mei) + kFieldBreak +
                 foldForSearch(item.dai) + kFieldBreak + foldForSearch(item.chu);
    }
    start_.push_back(int(text_.size()));
}

bool MasterIndex::holds(int i, const QStringList &words) const
{
    const QStringView text = QStringView(text_).mid(start_[size_t(i)], start_[size_t(i) + 1] - start_[size_t(i)]);
    for (const QString &w : words)
        if (!text.contains(w))
            return false;
    return true;
}

MasterSearch::MasterSearch(std::shared_ptr<const MasterIndex> index) : index_(std::move(index))
{
    std::vector<int> all(size_t(index_->size()));
    std::iota(all.begin(), all.end(), 0);
    steps_.emplace_back(QString(), std::move(all));
}

const std::vector<int> &MasterSearch::search(const QString &query)
{
    const QString folded = foldQuery(query);
    // Back to the longest query on the way that this one extends.
    while (steps_.size() > 1 && !folded.startsWith(steps_.back().first))
        steps_.pop_back();
    if (steps_.back().first == folded)
        return steps_.back().second;
    const QStringList words = folded.split(u' ', Qt::SkipEmptyParts);
    std::vector<int> found;
    for (int i : steps_.back().second)
        if (index_->holds(i, words))
            found.push_back(i);
    steps_.emplace_back(folded, std::move(found));
    return steps_.back().second;
}

}  // namespace rz
