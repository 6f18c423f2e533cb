// The large estimate the editor and block benchmarks share: a tree of
// groups with items and a subtotal row under each group of the last group
// level, built straight through the engine, and prompts that answer OK and
// count what they were asked.
#pragma once
#include "store/schema.h"
#include "ui/prompts.h"

#include <QTextStream>
#include <array>
#include <vector>

namespace rzbench {

using rz::Currency;

class CountingPrompts : public rz::Prompts {
public:
    int message(const QString &text, int, const QString &) override
    {
        if (++messages <= 3)
            QTextStream(stdout) << "  message: " << text << Qt::endl;
        return rz::AnswerOk;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseFile(const rz::FileDialogRequest &) override { return fileAnswer; }
    int popupMenu(const QStringList &, const QList<bool> &, const QPoint &) override { return -1; }
    void beep() override { ++beeps; }
    void setBusy(bool) override {}
    int messages = 0;
    int beeps = 0;
    QString fileAnswer;  // the path every file dialog answers
};

// Rows per node on each of six levels; the last level holds the items.
using Fanout = std::array<int, 6>;
const qint64 kEstimateKey = 64;

struct Generator {
    rz::Statement insert;
    Fanout fanout;
    int items = 0, rows = 0;

    Generator(rz::Database &db, const Fanout &f, qint64 estimate = kEstimateKey)
        : insert(db,
                 QStringLiteral("INSERT INTO ") + rz::itemTableName(estimate) +
                     QStringLiteral(" (key1, key2, key3, key4, key5, key6, key7, key8, knm, mei, tn1, su1, tk1, kn1, "
                                    "rt1, su2, tk2, kn2, rt2, lvl, bk1, flg, int0) "
                                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, '', '', ?, ?, ?, 100, ?, ?, ?, 100, ?, '', ?, 0)")),
          fanout(f)
    {
    }

    void put(const std::array<qint64, 8> &keys, int level, const QString &name, const QString &flg, Currency su,
             Currency tk, Currency kn1, Currency tk2, Currency kn2)
    {
        std::vector<rz::Value> v;
        for (qint64 k : keys)
            v.emplace_back(k);
        v.insert(v.end(), {rz::Value(name), rz::Value(su), rz::Value(tk), rz::Value(kn1), rz::Value(su),
                           rz::Value(tk2), rz::Value(kn2), rz::Value(qint64(level + 1)), rz::Value(flg)});
        insert.reset();
        insert.bindAll(v);
        insert.queue();  // a server takes the rows in a few exchanges
        ++rows;
    }

    // The rows under keys[0 .. level-1]; returns their estimate and budget totals.
    std::pair<Currency, Currency> node(std::array<qint64, 8> keys, int level)
    {
        Currency t1, t2;
        const bool leafLevel = level == 5;
        int k = 0;
        for (int i = 0; i < fanout[size_t(level)]; ++i) {
            keys[size_t(level)] = ++k * 1024;
            if (leafLevel) {
                ++items;
                const Currency su = *Currency::parse(QString::number(items % 7) + QStringLiteral(".5"));
                const Currency tk = Currency::fromWhole(1000 + items % 5000);
                const Currency tk2 = Currency::fromWhole((1000 + items % 5000) * 8 / 10);
                const Currency kn1 = Currency::multiply(tk, su).floorWhole();
                const Currency kn2 = Currency::multiply(tk2, su).floorWhole();
                put(keys, level, QStringLiteral("品目 %1").arg(items), QStringLiteral("-         "), su, tk, kn1, tk2,
                    kn2);
                t1 += kn1;
                t2 += kn2;
            } else {
                std::array<qint64, 8> below = keys;
                const auto [s1, s2] = node(below, level + 1);
                put(keys, level, QStringLiteral("工種 %1-%2").arg(level + 1).arg(k), QStringLiteral("+         "),
                    Currency(), Currency(), s1, Currency(), s2);
                t1 += s1;
                t2 += s2;
            }
        }
        if (leafLevel) {
            keys[size_t(level)] = ++k * 1024;
            put(keys, level, QStringLiteral("＠小計"), QStringLiteral("-         "), Currency(), Currency(), t1,
                Currency(), t2);
        }
        return {t1, t2};
    }
};

inline Currency makeEstimate(const QString &path, int *rowCount, const Fanout &fanout)
{
    rz::sb_MkIdxDB(path, 0);
    auto db = rz::openEstimateFile(path);
    rz::Transaction tx(*db);
    rz::sb_MkUTbl(rz::itemTableName(kEstimateKey), *db);
    Generator g(*db, fanout);
    const auto [t1, t2] = g.node({}, 0);
    db->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm, kn1, kn2, int0, int1, int2, dt1, dt2, dt3, dt4, bk1, bk2) "
                               "VALUES (?, '大規模改修工事（ベンチマーク）', ?, ?, 0, 100, 100, '04-01-2026', 'YYYY-MM-DD', "
                               "'05-20-2026', 'YYYY-MM-DD', '', '')"),
                {rz::Value(kEstimateKey), rz::Value(t1), rz::Value(t2)});
    tx.commit();
    *rowCount = g.rows;
    return t1;
}

}  // namespace rzbench
