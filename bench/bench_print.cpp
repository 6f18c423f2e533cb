// Printing a generated estimate of about 10,000 rows over four levels to PDF
// with the estimate layout and the estimate-and-budget layout: pages per
// second and peak memory, which must not grow with the number of pages.
#include "benchmain.h"
#include "print/indexprint.h"
#include "print/painterdevice.h"
#include "store/schema.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// Fan-out per level: 5 x 5 x 10 groups, 39 items under each of the 250.
constexpr int kFan[4] = {5, 5, 10, 39};

int makeEstimate(rz::Database &db, const QString &table)
{
    rz::sb_MkUTbl(table, db);
    rz::Transaction tx(db);
    const QString sql = QStringLiteral("INSERT INTO %1 (key1, key2, key3, key4, key5, key6, key7, key8, knm, mei, tn1, "
                                       "su1, tk1, kn1, su2, tk2, kn2, bk1, flg) VALUES (?, ?, ?, ?, 0, 0, 0, 0, ?, ?, "
                                       "?, ?, ?, ?, ?, ?, ?, ?, ?)")
                            .arg(table);
    int rows = 0;
    std::function<void(int, std::vector<qint64> &)> fill = [&](int level, std::vector<qint64> &path) {
        for (int i = 1; i <= kFan[level]; ++i) {
            path.push_back(qint64(i) * 1024);
            const bool group = level < 3;
            const qint64 qty10 = 10 + (rows % 997);  // tenths
            const rz::Currency su = rz::Currency::fromRaw(qty10 * 1000);
            const rz::Currency tk = rz::Currency::fromWhole(1200 + (rows % 53) * 100);
            const rz::Currency kn = rz::Currency::fromWhole(rz::Currency::multiply(su, tk).roundHalfEvenWhole());
            std::vector<rz::Value> v;
            for (int k = 0; k < 4; ++k)
                v.push_back(rz::Value(k < int(path.size()) ? path[size_t(k)] : qint64(0)));
            v.push_back(rz::Value(group ? QStringLiteral("工種 %1-%2").arg(level).arg(i)
                                        : QStringLiteral("材料・施工 第%1項").arg(rows)));
            v.push_back(rz::Value(group ? QString() : QStringLiteral("規格 %1").arg(rows % 31)));
            v.push_back(rz::Value(group ? QStringLiteral("式") : QStringLiteral("ｍ２")));
            v.push_back(rz::Value(su));
            v.push_back(rz::Value(tk));
            v.push_back(rz::Value(kn));
            v.push_back(rz::Value(su));
            v.push_back(rz::Value(tk));
            v.push_back(rz::Value(kn));
            v.push_back(rz::Value(rows % 7 == 0 ? QStringLiteral("備考あり") : QString()));
            v.push_back(rz::Value(group ? QStringLiteral("+") : QStringLiteral("-")));
            db.execute(sql, v);
            ++rows;
            if (group)
                fill(level + 1, path);
            path.pop_back();
        }
    };
    std::vector<qint64> path;
    fill(0, path);
    tx.commit();
    return rows;
}

int benchPrint(const QStringList &)
{
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.mdb"));
    rz::sb_MkIdxDB(file, 0);
    auto db = rz::openEstimateFile(file);
    const QString table = rz::itemTableName(64);
    QElapsedTimer build;
    build.start();
    const int rows = makeEstimate(*db, table);
    out << "generated " << rows << " rows over four levels in " << build.elapsed() << " ms" << Qt::endl;
    out << "peak memory before printing: " << rzbench::peakMiB() << " MiB" << Qt::endl;

    for (const auto kind : {rz::PrintKind::Estimate, rz::PrintKind::EstimateBudget}) {
        rz::PrintOptions options;
        options.kind = kind;
        options.paper = rz::PaperSize::A4;
        options.startPageText = QStringLiteral("1");
        rz::Shared shared;
        shared.Co_Name = QStringLiteral("東和建設株式会社");
        const QString pdf = dir.filePath(kind == rz::PrintKind::Estimate ? QStringLiteral("est.pdf") : QStringLiteral("bud.pdf"));
        QElapsedTimer t;
        t.start();
        int pages = 0;
        {
            rz::PainterPrintDevice device(pdf, QStringLiteral("bench"));
            rz::printEstimateList(device, options, shared, *db, table);
            pages = device.pageCount();
        }
        const double secs = t.nsecsElapsed() / 1e9;
        out << (kind == rz::PrintKind::Estimate ? "estimate layout:        " : "estimate+budget layout: ") << pages
            << " pages in " << QString::number(secs, 'f', 2) << " s = " << QString::number(pages / secs, 'f', 1)
            << " pages/s, PDF " << QString::number(QFileInfo(pdf).size() / 1048576.0, 'f', 1) << " MiB, peak memory "
            << rzbench::peakMiB() << " MiB" << Qt::endl;
        if (pages == 0)
            return 1;
    }
    return 0;
}

}  // namespace

RZ_BENCH(print, benchPrint)
