// The transfer window copying an estimate of 100,000 item rows from one file
// into another (the whole paste: confirmation, index row, item table, lists
// refilled), against the bare copy of the same table between the two files
// on connections of their own, which is what the store needs at least.
#include "benchmain.h"
#include "transferrun.h"
#include "store/schema.h"
#include "store/tablecopy.h"
#include "transfer/transfersession.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <deque>
#include <vector>

namespace {

using rzbench::AnsweringPrompts;

const int kItems = 100000;

void makeSource(const QString &path)
{
    rz::sb_MkIdxDB(path, 0);
    auto db = rz::openEstimateFile(path);
    rz::Transaction tx(*db);
    // The row count column is 16 bits: an estimate this large keeps 0 there.
    db->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm, kn1, int0, int1, int2) VALUES (64, '大規模工事', 0, 0, 100, 100)"));
    rz::sb_MkUTbl(QStringLiteral("TBL00064"), *db);
    rz::Statement ins(*db,
                      QStringLiteral("INSERT INTO TBL00064 (key1, key2, key3, knm, mei, tn1, su1, tk1, kn1, rt1, "
                                     "su2, tk2, kn2, rt2, lvl, flg) VALUES (?, ?, ?, ?, '仕様', 'm2', ?, ?, ?, 100, "
                                     "?, ?, ?, 100, 3, '-')"));
    for (int i = 0; i < kItems; ++i) {
        const rz::Currency su = rz::Currency::fromWhole(i % 50 + 1), tk = rz::Currency::fromWhole(1200 + i % 700);
        ins.bindAll({rz::Value(qint64(1024 * (i / 10000 + 1))), rz::Value(qint64(1024 * (i / 100 % 100 + 1))),
                     rz::Value(qint64(1024 * (i % 100 + 1))), rz::Value(QStringLiteral("品目 %1 号").arg(i)),
                     rz::Value(su), rz::Value(tk), rz::Value(rz::Currency::fromWhole((i % 50 + 1) * (1200 + i % 700))),
                     rz::Value(su), rz::Value(tk), rz::Value(tk)});
        ins.step();
        ins.reset();
    }
    tx.commit();
}

int benchTransfer(const QStringList &)
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("source.mdb")), dst = dir.filePath(QStringLiteral("dest.mdb"));
    QElapsedTimer build;
    build.start();
    makeSource(src);
    rz::sb_MkIdxDB(dst, 0);
    rz::openEstimateFile(dst)->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm) VALUES (1024, '既存')"));
    QTextStream out(stdout);
    out << "generated an estimate of " << kItems << " item rows in " << build.elapsed() << " ms" << Qt::endl;

    AnsweringPrompts prompts;
    rz::Shared shared;
    shared.DB_Path1 = src;
    shared.DB_Path2 = dst;
    rz::TransferSession s(shared, prompts, prompts);
    if (!s.load())
        return 1;
    // Each run pastes the estimate before the destination's first row and
    // deletes it again afterwards, untimed.
    const int runs = 7;
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    // The bare copy on connections of its own, each run right after the
    // paste, so that both see the same load of the machine.
    auto bareFrom = rz::Database::open(src, rz::Database::Mode::ReadOnly), bareTo = rz::Database::open(dst);
    std::vector<double> pastes, deletes, bare;
    for (int run = 0; run < runs; ++run) {
        const auto [pasteMs, deleteMs] = rzbench::pasteAndDelete(s, prompts);
        if (pasteMs < 0) {
            out << "the copy went wrong" << Qt::endl;
            return 1;
        }
        pastes.push_back(pasteMs);
        deletes.push_back(deleteMs);
        {
            rz::TableCopy copy(*bareFrom, *bareTo);
            QElapsedTimer t;
            t.start();
            rz::Transaction tx(*bareTo);
            copy.copy(QStringLiteral("TBL00064"), QStringLiteral("bare"));
            tx.commit();
            bare.push_back(t.nsecsElapsed() / 1e6);
        }
        bareTo->execute(QStringLiteral("DROP TABLE bare"));
    }
    bareFrom.reset();
    bareTo.reset();
    s.unload();
    const double pasteMs = median(pastes), bareMs = median(bare);

    const double goal = 1000;
    out << "copy an estimate of " << kItems << " item rows (whole paste): " << pasteMs << " ms (goal < " << goal
        << " ms, ratio " << pasteMs / goal << ")" << (pasteMs < goal ? "" : "  ** MISSED **") << Qt::endl;
    out << "bare copy of the item table between the two files: " << bareMs << " ms (the store's limit)"
        << Qt::endl;
    out << "  paste / bare: " << pasteMs / bareMs << Qt::endl;
    out << "delete the copy again (index row and item table): " << median(deletes) << " ms" << Qt::endl;
    out << "peak memory: " << rzbench::peakMiB() << " MiB" << Qt::endl;
    return 0;
}

}  // namespace

RZ_BENCH(transfer, benchTransfer)
