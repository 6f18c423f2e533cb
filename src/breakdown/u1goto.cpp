// Going straight to a row anywhere in the estimate (an undo, a found row)
// and the roll-up of a level's totals along its path of keys, as going up
// level by level would leave them.
#include "u1fields.h"

namespace rz {

namespace {
int rateOf(const Value &v) { return v.isNull() ? 100 : static_cast<int>(v.toLong()); }
}  // namespace

std::pair<int, int> U1Level::pageAndRow(int level, int index)
{
    // A sub-level's first page holds one row less (room for the input row).
    if (level > 0 && index < kPageRows - 1)
        return {1, index + 1};
    const int at = level > 0 ? index + 1 : index;
    return {at / kPageRows + 1, at % kPageRows + 1};
}

void U1Session::rollUp(int level, const LevelKeys &path, std::optional<std::pair<int, int>> rates)
{
    for (int l = level; l >= 1; --l) {
        level_.sb_MkRSSQL(l);
        const auto [kn1, kn2] = calc_.storedTotals(l, path);
        QString sql = QStringLiteral("UPDATE ") + level_.TblName + QStringLiteral(" SET [kn1] = ?, [kn2] = ?");
        std::vector<Value> values{Value(kn1), Value(kn2)};
        if (rates && l == level) {
            sql += QStringLiteral(", [rt1] = ?, [rt2] = ?");
            values.emplace_back(qint64(rates->first));
            values.emplace_back(qint64(rates->second));
        }
        sql += QStringLiteral(" WHERE ");
        for (int k = 1; k <= kLevels; ++k) {
            sql += QStringLiteral("%1[key%2] = ?").arg(k > 1 ? QStringLiteral(" AND ") : QString()).arg(k);
            values.emplace_back(qint64(k < l + 1 ? path[static_cast<size_t>(k - 1)] : 0));
        }
        shared_.DB_Main->execute(sql, values);
    }
}

int U1Session::indexInLevel(int level, const LevelKeys &path, qint32 key)
{
    level_.sb_MkRSSQL(level);
    auto rs = shared_.DB_Main->openRecordset(level_.LvlSQL[static_cast<size_t>(level)], RecordsetType::Snapshot,
                                             levelParams(level, path));
    const int keyCol = level_.fields->key[static_cast<size_t>(level)];
    int index = 0;
    for (; !rs->eof(); rs->moveNext(), ++index)
        if (rs->field(keyCol).toLong() == key)
            return index;
    throw DbError(QStringLiteral("行が見つかりません。"), DbFailure::RecordDeleted);
}

bool U1Session::goTo(int level, const LevelKeys &path, int page, int row, int col)
{
    if (!view_.loaded)
        return false;
    rows_.clearCopy();
    view_.overlay.EditFlg = false;
    LevelKeys keys{};
    std::array<QString, 9> titles;
    std::array<std::pair<int, int>, 9> rates{};
    std::array<std::pair<int, int>, 9> places{};
    try {
        // Each row of the path: where it stands on its level, its name and rates.
        const U1Fields &f = *level_.fields;
        for (int l = 1; l <= level; ++l) {
            const size_t up = static_cast<size_t>(l - 1);
            keys[up] = path[up];
            places[up] = U1Level::pageAndRow(l - 1, indexInLevel(l - 1, keys, keys[up]));
            std::vector<Value> where = levelParams(l, keys);
            QString sql = QStringLiteral("SELECT * FROM ") + level_.TblName + QStringLiteral(" WHERE ");
            for (int k = 1; k <= kLevels; ++k)
                sql += QStringLiteral("%1[key%2] = %3")
                           .arg(k > 1 ? QStringLiteral(" AND ") : QString())
                           .arg(k)
                           .arg(k <= l ? keys[static_cast<size_t>(k - 1)] : 0);
            auto rs = shared_.DB_Main->openRecordset(sql, RecordsetType::Snapshot);
            if (rs->eof())
                throw DbError(QStringLiteral("行が見つかりません。"), DbFailure::RecordDeleted);
            titles[static_cast<size_t>(l)] = rs->field(f.knm).toString();
            rates[static_cast<size_t>(l)] = {rateOf(rs->field(f.rt1)), rateOf(rs->field(f.rt2))};
        }
    } catch (const std::exception &e) {
        // The path went meanwhile: the first level instead.
        if (level > 0)
            return goTo(0, LevelKeys{}, 1, 1, 1);
        showError(e);
        return false;
    }
    for (int l = 0; l < level; ++l) {
        const size_t ul = static_cast<size_t>(l);
        level_.LvlPage[ul] = places[ul].first;
        level_.LvlRow[ul] = places[ul].second;
        level_.LvlCol[ul] = 1;
    }
    for (int l = 1; l <= level; ++l) {
        level_.LvlTitle[static_cast<size_t>(l)] = titles[static_cast<size_t>(l)];
        calc_.setRates(l, rates[static_cast<size_t>(l)].first, rates[static_cast<size_t>(l)].second);
    }
    for (int l = 0; l <= level; ++l)
        level_.sb_MkRSSQL(l);
    level_.CurLvl = level;
    level_.LvlKey = keys;
    level_.LvlPage[static_cast<size_t>(level)] = std::max(1, page);
    if (!openLevel())
        return false;
    view_.LblUTitle = level_.LvlTitle[static_cast<size_t>(level)];
    view_.LblMsg.clear();  // what it said belonged to the level left
    calc_.sb_CalcTotal(0);
    sb_DispPage(1);
    moveCursor(row, col);
    sb_Editx();
    host_.refresh();
    return true;
}

}  // namespace rz
