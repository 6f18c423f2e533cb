// Printing a generated estimate of about 10,000 rows over four levels to PDF
// with the estimate layout and the estimate-and-budget layout: pages per
// second, and peak memory, which must not grow with the number of pages (an
// estimate twice as large printed after it).
//
// `rz90-bench preview`: the print preview of that estimate and of one of a
// few pages: time until the first page is on the screen beside the time to
// draw the one page of a one-page estimate (the limit: the first page cannot
// come sooner than one page takes to draw), the pages counted, every page
// turned to, and the peak memory of each, which must not grow with the pages.
#include "benchmain.h"
#include "print/indexprint.h"
#include "print/painterdevice.h"
#include "print/printpreview.h"
#include "store/levelkeys.h"
#include "store/schema.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// Fan-out per level: 5 x 5 x 10 groups, 39 items under each of the 250
// (the first level `top` wide: 5, or 10 for an estimate twice as large).
int makeEstimate(rz::Database &db, const QString &table, int top)
{
    const int kFan[4] = {top, 5, 10, 39};
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

// An estimate file with no estimates in the folder.
std::unique_ptr<rz::Database> newEstimateFile(const QTemporaryDir &dir)
{
    const QString file = dir.filePath(QStringLiteral("bench.mdb"));
    rz::sb_MkIdxDB(file, 0);
    return rz::openEstimateFile(file);
}

int benchPrint(const QStringList &)
{
    QTextStream out(stdout);
    QTemporaryDir dir;
    auto db = newEstimateFile(dir);
    QElapsedTimer build;
    build.start();
    const int rows = makeEstimate(*db, rz::itemTableName(64), 5);
    const int twice = makeEstimate(*db, rz::itemTableName(128), 10);
    out << "generated " << rows << " and " << twice << " rows over four levels in " << build.elapsed() << " ms" << Qt::endl;

    // Pages of one printout to PDF and the seconds it took.
    auto print = [&](rz::PrintKind kind, const rz::EstimateRef &estimate, double *secs) {
        rz::PrintOptions options;
        options.kind = kind;
        options.paper = rz::PaperSize::A4;
        options.startPageText = QStringLiteral("1");
        QElapsedTimer t;
        t.start();
        rz::PainterPrintDevice device(dir.filePath(QStringLiteral("out.pdf")), QStringLiteral("bench"));
        rz::printEstimateList(device, options, QStringLiteral("東和建設株式会社"), *db, estimate);
        *secs = t.nsecsElapsed() / 1e9;
        return device.pageCount();
    };
    const double before = rzbench::peakMiB();
    bool ok = true;
    int pages[2] = {0, 0};
    for (const auto kind : {rz::PrintKind::Estimate, rz::PrintKind::EstimateBudget}) {
        const bool estimate = kind == rz::PrintKind::Estimate;
        std::vector<double> rate;
        for (int run = 0; run < 3; ++run) {
            double secs = 0;
            pages[estimate ? 0 : 1] = print(kind, rz::EstimateRef{64}, &secs);
            rate.push_back(pages[estimate ? 0 : 1] / secs);
        }
        ok &= pages[estimate ? 0 : 1] > 0;
        rzbench::reportGoal(QStringLiteral("%1 layout, %2 pages")
                                .arg(estimate ? QStringLiteral("estimate") : QStringLiteral("estimate-and-budget"))
                                .arg(pages[estimate ? 0 : 1]),
                            rzbench::spread(rate), QStringLiteral("pages/s"), estimate ? 1000 : 800, false);
    }
    // Memory flat in the number of pages: the estimate twice as large in
    // both layouts raises the peak by no more than a tenth.
    const double once = rzbench::peakMiB();
    int twicePages = 0;
    for (const auto kind : {rz::PrintKind::Estimate, rz::PrintKind::EstimateBudget}) {
        double secs = 0;
        twicePages += print(kind, rz::EstimateRef{128}, &secs);
    }
    const double after = rzbench::peakMiB();
    out << "indexes made by printing (estimates of " << rz::kLevelIndexRows << " rows or more): "
        << db->indexNames().join(QStringLiteral(", ")) << Qt::endl;
    out << "peak memory: " << before << " MiB before printing, " << once << " after " << pages[0] + pages[1]
        << " pages, " << after << " after " << twicePages << " pages more" << Qt::endl;
    rzbench::reportGoal(QStringLiteral("peak memory, twice the pages / once"), {after / once, after / once, after / once},
                        QString(), 1.1);
    rzbench::reportGoal(QStringLiteral("peak memory"), {after, after, after}, QStringLiteral("MiB"), 150);
    return ok ? 0 : 1;
}

// Peak resident memory since the last reset, in MiB; the reset lets one
// process measure the peaks of its phases one after another.
double peakSinceResetMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// An estimate of n rows on the first level only.
void makeFlatEstimate(rz::Database &db, const QString &table, int n)
{
    rz::sb_MkUTbl(table, db);
    rz::Transaction tx(db);
    for (int i = 1; i <= n; ++i)
        db.execute(QStringLiteral("INSERT INTO %1 (key1, key2, key3, key4, key5, key6, key7, key8, knm, tn1, su1, tk1, kn1, "
                                  "flg) VALUES (?, 0, 0, 0, 0, 0, 0, 0, ?, 'ｍ２', 10000, 12000000, 120000000, '-')")
                       .arg(table),
                   {rz::Value(qint64(i) * 1024), rz::Value(QStringLiteral("材料・施工 第%1項").arg(i))});
    tx.commit();
}

int benchPreview(const QStringList &)
{
    QTextStream out(stdout);
    QTemporaryDir dir;
    auto db = newEstimateFile(dir);
    makeEstimate(*db, rz::itemTableName(64), 5);
    makeFlatEstimate(*db, rz::itemTableName(128), 155);
    makeFlatEstimate(*db, rz::itemTableName(192), 15);
    rz::PrintOptions options;
    options.paper = rz::PaperSize::A4;
    auto printout = [&](const rz::EstimateRef &estimate) {
        return [&, estimate](rz::PrintDevice &device, const rz::PrintOptions &o) {
            rz::printEstimateList(device, o, QStringLiteral("東和建設株式会社"), *db, estimate);
        };
    };
    using rzbench::reportFigure;
    using rzbench::reportGoal;
    using rzbench::spread;

    // Until the first page is on the screen, with the window made and shown.
    auto firstPage = [&](const rz::EstimateRef &table, bool *shown) {
        QElapsedTimer t;
        t.start();
        rz::PrintPreview preview(printout(table), options);
        preview.show();
        *shown &= !preview.shownPage().isNull();
        return t.nsecsElapsed() / 1e6;
    };
    bool ok = true;
    // The limit: the same for an estimate of one page.
    std::vector<double> limit;
    firstPage(rz::EstimateRef{192}, &ok);  // fonts and the like loaded once, before any figure
    for (int run = 0; run < 3; ++run)
        limit.push_back(firstPage(rz::EstimateRef{192}, &ok));
    reportFigure(QStringLiteral("limit: first page of a one-page estimate"), spread(limit), QStringLiteral("ms"));

    double peak[2] = {0, 0};
    int count[2] = {0, 0};
    for (int big : {0, 1}) {
        const rz::EstimateRef table{big ? 64 : 128};
        resetPeak();
        std::vector<double> first, ratio;
        for (int run = 0; run < 3; ++run) {
            first.push_back(firstPage(table, &ok));
            ratio.push_back(first.back() / spread(limit).median);
        }
        // Counting the pages is a run to the end drawing nothing; turning to
        // the last page, once they are counted, a run to the end drawing the
        // pages around it: nothing can turn there sooner.
        std::vector<double> counting, toLast, lastRatio;
        for (int run = 0; run < 3; ++run) {
            rz::PrintPreview preview(printout(table), options);
            preview.show();
            QElapsedTimer t;
            t.start();
            count[big] = preview.pageCount();
            counting.push_back(t.nsecsElapsed() / 1e6);
            t.restart();
            preview.findChild<QAction *>(QStringLiteral("LastPage"))->trigger();
            toLast.push_back(t.nsecsElapsed() / 1e6);
            ok &= preview.currentPage() == count[big];
        }
        const double bound = spread(counting).median + 5 * spread(limit).median;
        for (double ms : toLast)
            lastRatio.push_back(ms / bound);
        // Every page turned to, one after another, as a reader of the whole
        // printout would: most turns find the page drawn already.
        rz::PrintPreview preview(printout(table), options);
        preview.show();
        std::vector<double> kept, drawn;
        auto *next = preview.findChild<QAction *>(QStringLiteral("NextPage"));
        for (int p = 2; p <= count[big]; ++p) {
            const int runs = preview.pages().runs();
            QElapsedTimer t;
            t.start();
            next->trigger();
            (preview.pages().runs() == runs ? kept : drawn).push_back(t.nsecsElapsed() / 1e6);
        }
        ok &= preview.currentPage() == count[big];
        peak[big] = peakSinceResetMiB();
        const QString what = QStringLiteral("%1 pages: ").arg(count[big]);
        reportGoal(what + QStringLiteral("first page on the screen"), spread(first), QStringLiteral("ms"), 100);
        reportGoal(what + QStringLiteral("  first page / limit"), spread(ratio), QString(), 3);
        reportFigure(what + QStringLiteral("pages counted: a run to the end"), spread(counting), QStringLiteral("ms"));
        reportFigure(what + QStringLiteral("last page turned to"), spread(toLast), QStringLiteral("ms"));
        reportGoal(what + QStringLiteral("  last / (run to the end + 5 pages)"), spread(lastRatio), QString(), 1.5);
        reportGoal(what + QStringLiteral("each page in turn, drawn before"), spread(kept), QStringLiteral("ms"), 20);
        reportFigure(what + QStringLiteral("each page in turn, drawn then"), spread(drawn), QStringLiteral("ms"));
        out << "  " << what << preview.pages().runs() << " runs of the printout to show them all, "
            << preview.pages().keptPages() << " pages kept drawn" << Qt::endl;
    }
    out << "peak memory (each phase on its own): " << peak[0] << " MiB with " << count[0] << " pages viewed, " << peak[1]
        << " MiB with " << count[1] << Qt::endl;
    reportGoal(QStringLiteral("peak memory, %1 pages / %2 pages").arg(count[1]).arg(count[0]),
               {peak[1] / peak[0], peak[1] / peak[0], peak[1] / peak[0]}, QString(), 1.1);
    reportGoal(QStringLiteral("peak memory, %1 pages viewed").arg(count[1]), {peak[1], peak[1], peak[1]},
               QStringLiteral("MiB"), 150);
    return ok ? 0 : 1;
}

}  // namespace

RZ_BENCH(print, benchPrint)
RZ_BENCH(preview, benchPreview)
