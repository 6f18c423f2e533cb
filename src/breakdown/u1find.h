// 検索 (F9) in the breakdown editor: a text searched in the name, the
// specification and the remark of every row of the estimate, on all its
// levels; the hits listed with the names of the rows above them and their
// amount, and the chosen one shown where it stands, cursor on it.
#pragma once
#include "itemfind.h"
#include "u1parts.h"

namespace rz {

class U1Find : public U1Part {
public:
    using U1Part::U1Part;

    static const QString kTitle;
    // F9: the rows read as the file holds them now; false after a message.
    bool open();
    bool isOpen() const { return open_; }
    // What the box holds: the hits follow at once.
    void setQuery(const QString &query);
    const QString &query() const { return query_; }
    const std::vector<int> &hits() const { return hits_; }
    const ItemFinder::Row &hit(int i) const { return finder_.rows()[static_cast<size_t>(hits_[static_cast<size_t>(i)])]; }
    // A hit's amount as the grid shows it (the set shown: estimate or budget).
    QString amountText(int i) const;
    // "N 件" or what there is to say about the query.
    QString status() const;
    // Enter on a hit: the editor goes to its level, page and row.
    bool accept(int i);
    void close();

private:
    ItemFinder finder_;
    std::vector<int> hits_;
    QString query_;
    bool open_ = false;
};

}  // namespace rz
