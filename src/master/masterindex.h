// The master in memory for searching while the user types: every item with
// its name, specification and categories folded into one text, read once
// (MasterIndex, shared by every window), and a search over it that keeps
// the results of the queries typed on the way (MasterSearch, one per
// window), so that each further character only narrows the results of the
// one before and a Backspace finds them ready.
#pragma once
#include "masteritem.h"

#include <QStringList>
#include <memory>
#include <vector>

namespace rz {

class MasterIndex {
public:
    // The items in the order they are listed: by 大分類, 中分類, 名称, 規格.
    explicit MasterIndex(std::vector<MasterItem> items = {});

    const std::vector<MasterItem> &items() const { return items_; }
    const MasterItem &item(int i) const { return items_[size_t(i)]; }
    int size() const { return int(items_.size()); }
    // Whether item i holds every word somewhere in its name, specification
    // or categories, all folded.
    bool holds(int i, const QStringList &words) const;

private:
    std::vector<MasterItem> items_;
    // The folded texts one after the other: item i is text_[start_[i], start_[i+1]).
    QString text_;
    std::vector<int> start_;
};

class MasterSearch {
public:
    explicit MasterSearch(std::shared_ptr<const MasterIndex> index = std::make_shared<MasterIndex>());
    const MasterIndex &index() const { return *index_; }
    const std::shared_ptr<const MasterIndex> &shared() const { return index_; }
    // The positions of the items that hold every word of the query, in list
    // order; valid until the next search.
    const std::vector<int> &search(const QString &query);

private:
    std::shared_ptr<const MasterIndex> index_;
    // Each query's fold with its results, each one extending the one before;
    // the first is the empty query (every item).
    std::vector<std::pair<QString, std::vector<int>>> steps_;
};

}  // namespace rz
