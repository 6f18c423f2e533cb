// The large-estimate parts of `rz90-bench server`, on both engines: the
// editor's first open on an estimate of 100,000 items, the whole-estimate
// recalculation beside the bare pass through the store over the same
// columns (and on the server a bare read of them through the client
// library), and the transfer window's paste of that estimate between stores
// of either engine beside the bare table copy.
#include "barepass.h"
#include "benchmain.h"
#include "benchserver.h"
#include "estimategen.h"
#include "transferrun.h"
#include "breakdown/frmu1.h"
#include "index/frmuidx.h"
#include "store/tablecopy.h"

#include <QTextStream>
#include <map>

namespace rzbench {

namespace {

// 100,000 items over six levels, 113,125 rows (as the editor benchmark).
const Fanout kFanout{25, 4, 5, 5, 2, 20};
const QString kMs = QStringLiteral("ms");
using Stores = std::map<QString, QString>;

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

bool isServer(const QString &engine) { return engine == QLatin1String("server"); }

void firstOpen(const Stores &big)
{
    for (const QString &engine : kEngines) {
        std::vector<double> ms, trips;
        for (int run = 0; run < 3; ++run) {
            CountingPrompts prompts;
            rz::Shared shared;
            shared.formsLoaded = 2;
            shared.DB_Main = rz::openEstimateFile(big.at(engine));
            const qint64 before = shared.DB_Main->traffic().roundTrips;
            ms.push_back(timeOnce([&] {
                rz::frmU1 w(shared, prompts, rz::U1Opening{rz::EstimateRef{kEstimateKey}});
                if (!w.start())
                    throw std::runtime_error("the editor did not open");
            }));
            trips.push_back(double(shared.DB_Main->traffic().roundTrips - before));
        }
        reportGoal(QStringLiteral("%1: editor first open on the file").arg(engine), spread(ms), kMs, 50);
        if (isServer(engine))
            reportFigure(QStringLiteral("%1:   round trips").arg(engine), spread(trips), QString());
    }
}

int recalculation(const Stores &big, int rows, const BenchServer &server)
{
    out() << "recalculation of " << rows
          << " rows (index window, F6) beside the bare pass through the store:" << Qt::endl;
    for (const QString &engine : kEngines) {
        const QString path = big.at(engine);
        CountingPrompts prompts;
        rz::Shared shared;
        shared.DB_Path = path;
        shared.formsLoaded = 1;
        rz::FrmUidx index(shared, prompts);
        index.setAttribute(Qt::WA_DeleteOnClose, false);
        index.start();
        auto makeStale = [&] {
            rz::Database::open(path)->execute(
                QStringLiteral("UPDATE TBL00064 SET kn1 = 0 WHERE flg = '-         ' AND tk1 <> 0"));
        };
        auto recalc = [&](std::vector<double> &ms, std::vector<double> &trips) {
            const qint64 before = shared.DB_Main->traffic().roundTrips;
            ms.push_back(timeOnce([&] { index.session().Command1_Click(5); }));
            trips.push_back(double(shared.DB_Main->traffic().roundTrips - before));
        };
        std::vector<double> clean, cleanTrips, cleanBare, stale, staleTrips, staleBare, cleanRatio, staleRatio;
        std::unordered_map<qint64, Change> staleChanges;
        bool wrong = false;
        QStringList why;
        for (int run = 0; run < 3 && !wrong; ++run) {
            int messages = prompts.messages, beeps = prompts.beeps;
            recalc(clean, cleanTrips);
            if (prompts.messages - messages != 1 || prompts.beeps != beeps)  // the question only
                why << QStringLiteral("nothing stale: %1 messages, %2 beeps")
                           .arg(prompts.messages - messages)
                           .arg(prompts.beeps - beeps);
            cleanBare.push_back(barePass(path, {}));
            makeStale();
            const Amounts before = run == 0 ? amountsOf(path) : Amounts();
            messages = prompts.messages, beeps = prompts.beeps;
            recalc(stale, staleTrips);
            if (prompts.messages - messages != 1 || prompts.beeps - beeps != 100000)
                why << QStringLiteral("all stale: %1 messages, %2 beeps")
                           .arg(prompts.messages - messages)
                           .arg(prompts.beeps - beeps);
            const Amounts after = amountsOf(path);
            if (run == 0)
                staleChanges = changesBetween(before, after);
            makeStale();
            staleBare.push_back(barePass(path, staleChanges));
            if (amountsOf(path) != after)  // the bare pass wrote what the recalculation wrote
                why << QStringLiteral("the bare pass wrote other amounts");
            wrong = !why.isEmpty();
            cleanRatio.push_back(clean.back() / cleanBare.back());
            staleRatio.push_back(stale.back() / staleBare.back());
        }
        if (wrong) {
            out() << engine << ": the recalculation did not do what it should: " << why.join(QStringLiteral("; "))
                  << Qt::endl;
            return 1;
        }
        const QString e = engine + u':';
        reportFigure(QStringLiteral("%1 nothing stale").arg(e), spread(clean), kMs);
        reportFigure(QStringLiteral("%1 bare pass, nothing to write").arg(e), spread(cleanBare), kMs);
        reportGoal(QStringLiteral("%1 recalculation / bare pass").arg(e), spread(cleanRatio), QString(), 1.5);
        reportFigure(QStringLiteral("%1 every item amount stale (%2 rows rewritten)").arg(e).arg(staleChanges.size()),
                     spread(stale), kMs);
        reportFigure(QStringLiteral("%1 bare pass writing the same rows").arg(e), spread(staleBare), kMs);
        reportGoal(QStringLiteral("%1 recalculation / bare pass").arg(e), spread(staleRatio), QString(), 1.5);
        if (!isServer(engine))
            continue;
        reportFigure(QStringLiteral("%1   round trips, nothing stale").arg(e), spread(cleanTrips), QString());
        reportFigure(QStringLiteral("%1   round trips, all stale").arg(e), spread(staleTrips), QString());
        // The physical limit: the same columns read in one statement by the
        // bare client library, every value as text, nothing converted.
        RawClient raw(server.conninfo());
        std::vector<double> read, rate;
        for (int run = 0; run < 3; ++run) {
            int n = 0;
            read.push_back(timeOnce([&] {
                n = raw.exec("SELECT _rowid_, key1, key2, key3, key4, key5, key6, key7, key8, knm, flg, su1, tk1, "
                             "kn1, su2, tk2, kn2 FROM bench_big.tbl00064");
            }));
            rate.push_back(n / read.back());
        }
        reportFigure(QStringLiteral("limit: bare read of the same columns"), spread(read), kMs);
        reportFigure(QStringLiteral("limit:   rate"), spread(rate), QStringLiteral("rows/ms"));
        std::vector<double> toRaw;
        for (size_t i = 0; i < read.size(); ++i)
            toRaw.push_back(clean[i] / read[i]);
        reportFigure(QStringLiteral("%1 nothing stale / bare read").arg(e), spread(toRaw), QString());
    }
    return 0;
}

int transfer(const Stores &big, const BenchServer &server, const QTemporaryDir &dir)
{
    Stores dest;
    for (const QString &engine : kEngines) {
        dest[engine] = server.store(engine, dir, QStringLiteral("dest"));
        rz::sb_MkIdxDB(dest[engine], 0);
        rz::openEstimateFile(dest[engine])
            ->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm) VALUES (1024, '既存')"));
    }
    out() << "transfer window: paste of the estimate of 100,000 items (whole paste), and the bare table copy on "
             "connections of their own:"
          << Qt::endl;
    {
        // The physical limit of writing the rows into the server: the same
        // rows sent by the bare client library with COPY, in one transaction.
        RawClient raw(server.conninfo());
        const QByteArray rows = raw.copyOut("COPY bench_big.tbl00064 TO STDOUT");
        std::vector<double> ms;
        for (int run = 0; run < 3; ++run) {
            raw.exec("DROP TABLE IF EXISTS bench_dest.rawcopy");
            raw.exec("CREATE TABLE bench_dest.rawcopy (LIKE bench_big.tbl00064)");
            ms.push_back(timeOnce([&] {
                raw.exec("BEGIN");
                raw.copyIn("COPY bench_dest.rawcopy FROM STDIN", rows);
                raw.exec("COMMIT");
            }));
        }
        raw.exec("DROP TABLE bench_dest.rawcopy");
        reportFigure(QStringLiteral("limit: bare COPY of the rows into the server"), spread(ms), kMs);
    }
    for (const QString &from : kEngines)
        for (const QString &to : kEngines) {
            AnsweringPrompts prompts;
            rz::Shared shared;
            shared.DB_Path1 = big.at(from);
            shared.DB_Path2 = dest.at(to);
            rz::TransferSession s(shared, prompts, prompts);
            if (!s.load())
                return 1;
            std::vector<double> pastes, deletes, bare, trips;
            for (int run = 0; run < 3; ++run) {
                const auto [pasteMs, deleteMs] = pasteAndDelete(s, prompts);
                if (pasteMs < 0) {
                    out() << "the copy went wrong" << Qt::endl;
                    return 1;
                }
                pastes.push_back(pasteMs);
                deletes.push_back(deleteMs);
            }
            s.unload();
            {
                auto bareFrom = rz::Database::open(big.at(from), rz::Database::Mode::ReadOnly);
                auto bareTo = rz::Database::open(dest.at(to));
                for (int run = 0; run < 3; ++run) {
                    {
                        rz::TableCopy copy(*bareFrom, *bareTo);
                        const qint64 before = bareFrom->traffic().roundTrips + bareTo->traffic().roundTrips;
                        bare.push_back(timeOnce([&] {
                            rz::Transaction tx(*bareTo);
                            copy.copy(QStringLiteral("TBL00064"), QStringLiteral("bare"));
                            tx.commit();
                        }));
                        trips.push_back(double(bareFrom->traffic().roundTrips + bareTo->traffic().roundTrips - before));
                    }
                    bareTo->execute(QStringLiteral("DROP TABLE bare"));
                }
            }
            const QString pair = QStringLiteral("%1 -> %2:").arg(from, to);
            reportGoal(QStringLiteral("%1 paste").arg(pair), spread(pastes), kMs, 2000);
            reportFigure(QStringLiteral("%1 bare table copy (the store's limit)").arg(pair), spread(bare), kMs);
            if (isServer(from) || isServer(to))
                reportFigure(QStringLiteral("%1   its round trips").arg(pair), spread(trips), QString());
            reportFigure(QStringLiteral("%1 delete the copy again").arg(pair), spread(deletes), kMs);
        }
    return 0;
}

}  // namespace

int benchServerBulk(const QStringList &args, BenchServer &server, const QTemporaryDir &dir)
{
    Stores big;
    int rows = 0;
    if (!wantPart(args, "open") && !wantPart(args, "recalc") && !wantPart(args, "paste"))
        return 0;
    for (const QString &engine : kEngines) {
        big[engine] = server.store(engine, dir, QStringLiteral("big"));
        const double ms = timeOnce([&] { makeEstimate(big[engine], &rows, kFanout); });
        out() << engine << ": generated " << rows << " item rows (100,000 items over six levels) in " << ms << " ms"
              << Qt::endl;
    }
    if (wantPart(args, "open"))
        firstOpen(big);
    if (wantPart(args, "recalc") && recalculation(big, rows, server) != 0)
        return 1;
    return wantPart(args, "paste") ? transfer(big, server, dir) : 0;
}

}  // namespace rzbench
