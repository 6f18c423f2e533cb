// Finding rows anywhere in an estimate: every row of the item table read
// once with its depth, the names of the rows above it and its amounts, its
// name, specification and remark folded as the unit-price master folds its
// search (width, kana, case, dashes); a query then finds the rows holding
// each of its words in one of the three, in the estimate's order.
#pragma once
#include "store/currency.h"
#include "store/levelkeys.h"

#include <QString>
#include <vector>

namespace rz {

class Database;

class ItemFinder {
public:
    struct Row {
        LevelKeys keys{};
        int level = 0;  // 0 for the first level
        QString path;   // the names of the rows above, "躯体 ＞ 基礎"
        QString name;
        Currency kn1, kn2;
        bool provisional = false;  // provisionally deleted
    };
    static const QString kPathSeparator;

    // Reads the rows of `table`; throws.
    void load(Database &db, const QString &table);
    // The rows (indices into rows()) that hold every word of the query; none for an empty query.
    std::vector<int> find(const QString &query) const;
    const std::vector<Row> &rows() const { return rows_; }

private:
    std::vector<Row> rows_;
    std::vector<QString> folded_;  // name, specification and remark, folded, apart
};

}  // namespace rz
