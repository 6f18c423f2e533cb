// The physical limit of a recalculation, shared by the benchmarks that time
// one: a bare pass through the store reading the columns the recalculation
// reads and writing the rows it changed, and the amounts of every row to
// check that both wrote the same.
#pragma once
#include "estimategen.h"
#include "store/levelkeys.h"
#include "store/schema.h"

#include <QElapsedTimer>
#include <algorithm>
#include <unordered_map>

namespace rzbench {

// kn1 and kn2 of every row as stored, by rowid.
using Amounts = std::unordered_map<qint64, std::pair<qint64, qint64>>;
inline Amounts amountsOf(const QString &path)
{
    auto db = rz::Database::open(path);
    rz::Statement st(*db, QStringLiteral("SELECT _rowid_, kn1, kn2 FROM TBL00064"));
    Amounts out;
    std::array<rz::RawCell, 3> c;
    while (st.step()) {
        // As stored, in whole ten-thousandths whatever the engine's own form of money.
        st.readRaw(0, 3, c.data());
        out[c[0].integer] = {c[1].integer, c[2].integer};
    }
    return out;
}

// The rows whose amounts differ between two states, with the amounts of the second.
struct Change {
    bool kn1 = false, kn2 = false;
    qint64 v1 = 0, v2 = 0;
};
inline std::unordered_map<qint64, Change> changesBetween(const Amounts &before, const Amounts &after)
{
    std::unordered_map<qint64, Change> out;
    for (const auto &[rowid, a] : after) {
        const auto &b = before.at(rowid);
        if (a != b)
            out[rowid] = {a.first != b.first, a.second != b.second, a.first, a.second};
    }
    return out;
}

// The physical limit of the recalculation on this machine: the same columns
// of the same rows read with one statement and put in key order, and the rows
// the recalculation changes written with the same values, in one
// transaction with prepared statements, queued; no calculation at all. It goes
// through the store as the recalculation does (a connection of its own, the
// same bulk read), so that it measures what any engine behind it gives.
inline double barePass(const QString &path, const std::unordered_map<qint64, Change> &changes)
{
    auto db = rz::Database::open(path);
    QElapsedTimer t;
    t.start();
    rz::Transaction tx(*db);
    rz::Statement read(*db, QStringLiteral("SELECT _rowid_, %1, knm, flg, su1, tk1, kn1, su2, tk2, kn2 FROM TBL00064")
                                .arg(QLatin1String(rz::kLevelOrder)));
    struct Row {
        std::array<qint64, 8> key;
        qint64 rowid;
        std::array<qint64, 6> money;
        char knm, flg;
    };
    std::vector<Row> rows;
    rows.reserve(size_t(db->rowCount(QStringLiteral("TBL00064"))));
    std::array<rz::RawCell, 17> c;
    while (read.step()) {
        read.readRaw(0, 9, c.data());
        read.readRaw(9, 2, c.data() + 9, true);
        read.readRaw(11, 6, c.data() + 11);
        Row r;
        r.rowid = c[0].integer;
        for (size_t i = 0; i < 8; ++i)
            r.key[i] = c[i + 1].integer;
        r.knm = c[9].size ? c[9].bytes[0] : 0;
        r.flg = c[10].size ? c[10].bytes[0] : 0;
        for (size_t i = 0; i < 6; ++i)
            r.money[i] = c[i + 11].integer;
        rows.push_back(r);
    }
    std::sort(rows.begin(), rows.end(),
              [](const Row &a, const Row &b) { return a.key != b.key ? a.key < b.key : a.rowid < b.rowid; });
    const char *sql[3] = {"UPDATE TBL00064 SET kn1 = ? WHERE _rowid_ = ?",
                          "UPDATE TBL00064 SET kn2 = ? WHERE _rowid_ = ?",
                          "UPDATE TBL00064 SET kn1 = ?, kn2 = ? WHERE _rowid_ = ?"};
    rz::Statement write[3] = {{*db, QLatin1String(sql[0])}, {*db, QLatin1String(sql[1])}, {*db, QLatin1String(sql[2])}};
    for (const Row &r : rows) {
        const auto it = changes.find(r.rowid);
        if (it == changes.end())
            continue;
        const Change &ch = it->second;
        rz::Statement &w = write[ch.kn1 && ch.kn2 ? 2 : ch.kn1 ? 0 : 1];
        int n = 1;
        if (ch.kn1)
            w.bind(n++, rz::Value(rz::Currency::fromRaw(ch.v1)));
        if (ch.kn2)
            w.bind(n++, rz::Value(rz::Currency::fromRaw(ch.v2)));
        w.bind(n, rz::Value(r.rowid));
        w.queue();  // as the recalculation writes: a server takes many in one exchange
    }
    tx.commit();
    return t.nsecsElapsed() / 1e6;
}

}  // namespace rzbench
