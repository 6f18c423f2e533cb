// The filter of the estimate list (F9): the estimates whose 工事名称,
// 発注者, 工事場所 or 備考 hold every word typed, under the fold of the
// unit-price master search (width, kana, case, dashes). The records' texts
// are read and folded once when the filter starts; each typed character
// then only searches them. The list shows the estimates found through a
// statement naming their keys, with those made while the filter is on.
#pragma once
#include <QString>
#include <set>
#include <vector>

namespace rz {

class Database;

class IndexFilter {
public:
    // Reads every estimate's texts; throws.
    void load(Database &db);
    bool loaded() const { return loaded_; }
    void forget();
    // Reads the texts again for the same query (others added or renamed
    // estimates), keeping the estimates made here while it is on.
    void reload(Database &db);
    // The estimates holding the query; false when the query has no words
    // (the filter is then off).
    bool set(const QString &query);
    bool active() const { return active_; }
    const QString &query() const { return query_; }
    int total() const { return int(keys_.size()); }
    // An estimate made while the filter is on stays shown.
    void keep(qint32 key) { kept_.insert(key); }
    // The statement of the list: every estimate, or those found.
    QString listSql() const;
    // The keys next to `key` among all estimates (0: none), for a key
    // made between shown rows that must not meet one hidden between them.
    qint32 keyBefore(qint32 key) const;
    qint32 keyAfter(qint32 key) const;

private:
    std::vector<qint32> keys_;     // every estimate, in key order
    std::vector<QString> folded_;  // their four texts, folded, apart
    std::vector<qint32> found_;
    std::set<qint32> kept_;
    QString query_;
    bool active_ = false;
    bool loaded_ = false;
};

}  // namespace rz
