// rz90-bench server: estimate files kept on a PostgreSQL server, reached
// over the local TCP port, beside estimate files of the embedded engine, in
// one run. A server is usually across a network, so besides milliseconds it
// counts round trips: the editor's moves on a short and a long level must
// take the same few. Then the list of 10,000 estimates, the editor's first
// open, the recalculation of 100,000 rows against a bare pass over the same
// columns, the transfer window's paste of that estimate between stores, and
// two clients writing different estimates at once (two processes). The
// physical limits are measured in the same run with the bare client library:
// a round trip, a sequential read of the same columns, a COPY of the same
// rows, and what two bare clients get at once on this machine (with the
// cores the machine has busy meanwhile).
//
// `rz90-bench server moves list open recalc paste clients` runs the parts
// named only.
#include "barepass.h"
#include "benchmain.h"
#include "benchserver.h"
#include "estimategen.h"
#include "transferrun.h"
#include "breakdown/frmu1.h"
#include "index/frmuidx.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <array>
#include <map>
#include <sys/resource.h>
#include <thread>

namespace {

using rz::Currency;
using rzbench::CountingPrompts;
using rzbench::spread;
using rzbench::timeOnce;

using rzbench::kEngines;
const QString kMs = QStringLiteral("ms");
const int kShort = 200, kLong = 5000;
const qint32 kShortKey = 64, kLongKey = 128;
const std::array<qint32, 2> kClientKeys{192, 256};
const int kClientMs = 2500;  // how long each writing client runs

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

void addIndexRow(rz::Database &db, qint64 key, const QString &name, Currency total)
{
    db.execute(
        QStringLiteral("INSERT INTO RZTBLIDX (key1, knm, kn1, kn2, int0, int1, int2, dt1, dt2, dt3, dt4, bk1, bk2) "
                       "VALUES (?, ?, ?, ?, 0, 100, 100, '04-01-2026', 'YYYY-MM-DD', '05-20-2026', "
                       "'YYYY-MM-DD', '', '')"),
        {rz::Value(key), rz::Value(name), rz::Value(total), rz::Value(total)});
}

// An estimate whose first level has n rows, the first a group with n items
// below it: both levels the editor visits are n rows long.
void addLevels(rz::Database &db, qint64 key, int n)
{
    rz::sb_MkUTbl(rz::itemTableName(key), db);
    rzbench::Generator g(db, {}, key);
    const Currency su = Currency::fromWhole(2), tk = Currency::fromWhole(1500), kn = Currency::multiply(tk, su);
    const QString item = QStringLiteral("-         ");
    Currency group, total;
    for (int j = 1; j <= n; ++j, group += kn)
        g.put({1024, j * 1024}, 1, QStringLiteral("品目 %1").arg(j), item, su, tk, kn, tk, kn);
    g.put({1024}, 0, QStringLiteral("工種 1"), QStringLiteral("+         "), {}, {}, group, {}, group);
    total = group;
    for (int i = 2; i <= n; ++i, total += kn)
        g.put({i * 1024}, 0, QStringLiteral("品目 %1").arg(i), item, su, tk, kn, tk, kn);
    addIndexRow(db, key, QStringLiteral("%1 行の階層").arg(n), total);
}

void makeLevelsStore(const QString &location)
{
    rz::sb_MkIdxDB(location, 0);
    auto db = rz::openEstimateFile(location);
    rz::Transaction tx(*db);
    addLevels(*db, kShortKey, kShort);
    addLevels(*db, kLongKey, kLong);
    for (qint64 key : kClientKeys)
        addLevels(*db, key, kShort);
    tx.commit();
}

// 10,000 estimates with their (empty) item tables, committed in parts: a
// server keeps a lock for every table a transaction made.
void makeListStore(const QString &location, int estimates)
{
    rz::sb_MkIdxDB(location, 0);
    auto db = rz::openEstimateFile(location);
    for (int first = 1; first <= estimates; first += 250) {
        rz::Transaction tx(*db);
        for (int i = first; i < first + 250 && i <= estimates; ++i) {
            addIndexRow(*db, i * 64, QStringLiteral("工事名称 第%1号 改修工事").arg(i), Currency::fromWhole(i * 1000));
            rz::sb_MkUTbl(rz::itemTableName(i * 64), *db);
        }
        tx.commit();
    }
}

// ---- the editor's moves ------------------------------------------------

enum Move { Open, PageForward, PageBack, Down, WritePage, Up, kMoves };
const char *const kMoveNames[kMoves] = {"open the editor on level 1",
                                        "page forward",
                                        "page back",
                                        "down into the group's level",
                                        "write 20 quantities, write back",
                                        "up (pass, roll-up into level 1)"};
struct Figure {
    std::vector<double> ms;
    std::vector<double> trips;
};
using Moves = std::array<Figure, kMoves>;

Moves editorMoves(const QString &location, qint32 key)
{
    CountingPrompts prompts;
    rz::Shared shared;
    shared.formsLoaded = 2;
    shared.DB_Main = rz::openEstimateFile(location);
    rz::Database &db = *shared.DB_Main;
    Moves moves;
    auto timed = [&](Move m, const std::function<void()> &work) {
        const qint64 before = db.traffic().roundTrips;
        moves[m].ms.push_back(timeOnce(work));
        moves[m].trips.push_back(double(db.traffic().roundTrips - before));
    };
    for (int run = 0; run < 5; ++run) {
        std::unique_ptr<rz::frmU1> w;
        timed(Open, [&] {
            w = std::make_unique<rz::frmU1>(shared, prompts, rz::U1Opening{rz::EstimateRef{key}});
            if (!w->start())
                throw std::runtime_error("the editor did not open");
        });
        rz::U1Session &s = w->session();
        timed(PageForward, [&] { s.Command2_Click(0); });
        timed(PageBack, [&] { s.Command2_Click(1); });
        s.moveCursor(1, 1);
        timed(Down, [&] { s.Command1_Click(0); });
        if (s.level().CurLvl != 1)
            throw std::runtime_error("the editor did not go down");
        timed(WritePage, [&] {
            for (int r = 1; r <= rz::U1Session::kPageRows; ++r)
                s.writeCell(r, rz::U1Session::ColSu1, QString::number(3 + run));
            if (!s.page().sb_WriteUTbl())
                throw std::runtime_error("the page was not written");
        });
        timed(Up, [&] { s.Command1_Click(11); });
        if (s.level().CurLvl != 0)
            throw std::runtime_error("the editor did not go up");
    }
    if (prompts.messages != 0 || prompts.beeps != 0)
        throw std::runtime_error("the editor's moves met a message or a beep");
    return moves;
}

double median(std::vector<double> v) { return spread(std::move(v)).median; }

void reportMoves(const std::map<QString, std::array<Moves, 2>> &byEngine)
{
    out() << "editor moves, median of 5: round trips and ms on a level of " << kShort << " rows | of " << kLong
          << " rows" << Qt::endl;
    for (int m = 0; m < kMoves; ++m)
        for (const QString &engine : kEngines) {
            const auto &lv = byEngine.at(engine);
            const bool server = engine == QLatin1String("server");
            QString line = QStringLiteral("  %1 %2").arg(engine.leftJustified(7),
                                                         QString::fromUtf8(kMoveNames[m]).leftJustified(34));
            for (int i = 0; i < 2; ++i) {
                const Figure &f = lv[size_t(i)][size_t(m)];
                line += QStringLiteral("%1 trips %2 ms%3")
                            .arg(server ? QString::number(median(f.trips)) : QStringLiteral("-"), 5)
                            .arg(QString::number(median(f.ms), 'f', 2), 8)
                            .arg(i == 0 ? QStringLiteral("  |") : QString());
            }
            if (server) {
                const double a = median(lv[0][size_t(m)].trips), b = median(lv[1][size_t(m)].trips);
                line += a == b ? QStringLiteral("   same count") : QStringLiteral("   %1 more").arg(b - a);
            }
            out() << line << Qt::endl;
        }
    // A write-back that takes a round trip for each row it writes is the
    // row-by-row update to avoid, however fixed its count.
    const double writeTrips = median(byEngine.at(QStringLiteral("server"))[1][WritePage].trips);
    if (writeTrips >= rz::U1Session::kPageRows)
        out() << "  ** the server's write-back took " << writeTrips << " round trips for " << rz::U1Session::kPageRows
              << " rows written: one per row **" << Qt::endl;
}

// ---- the list of estimates --------------------------------------------

void listOfEstimates(rzbench::BenchServer &server, const QTemporaryDir &dir)
{
    const int estimates = 10000;
    std::map<QString, QString> list;
    for (const QString &engine : kEngines) {
        list[engine] = server.store(engine, dir, QStringLiteral("list"));
        const double ms = timeOnce([&] { makeListStore(list[engine], estimates); });
        out() << engine << ": generated " << estimates << " estimates with their item tables in " << ms << " ms"
              << Qt::endl;
    }
    out() << "the list of " << estimates << " estimates (index window), each run the median of 5:" << Qt::endl;
    CountingPrompts prompts;
    for (const QString &engine : kEngines) {
        std::vector<double> open, openTrips, page, pageTrips;
        for (int run = 0; run < 3; ++run) {
            Figure o, p;
            for (int i = 0; i < 5; ++i) {
                rz::Shared shared;
                shared.DB_Path = list[engine];
                shared.formsLoaded = 1;
                rz::FrmUidx w(shared, prompts);
                w.setAttribute(Qt::WA_DeleteOnClose, false);
                o.ms.push_back(timeOnce([&] {
                    if (!w.start())
                        throw std::runtime_error("the list did not open");
                }));
                o.trips.push_back(double(shared.DB_Main->traffic().roundTrips));
                const qint64 before = shared.DB_Main->traffic().roundTrips;
                p.ms.push_back(timeOnce([&] { w.session().Command2_Click(0); }));
                p.trips.push_back(double(shared.DB_Main->traffic().roundTrips - before));
            }
            open.push_back(median(o.ms));
            openTrips.push_back(median(o.trips));
            page.push_back(median(p.ms));
            pageTrips.push_back(median(p.trips));
        }
        rzbench::reportFigure(QStringLiteral("  %1: open the list (connect, page 1)").arg(engine), spread(open), kMs);
        if (engine == QLatin1String("server"))
            rzbench::reportFigure(QStringLiteral("  %1:   round trips").arg(engine), spread(openTrips), QString());
        rzbench::reportFigure(QStringLiteral("  %1: page forward").arg(engine), spread(page), kMs);
        if (engine == QLatin1String("server"))
            rzbench::reportFigure(QStringLiteral("  %1:   round trips").arg(engine), spread(pageTrips), QString());
    }
}

// ---- two clients writing at once ----------------------------------------

// The client process: the editor on its estimate, down into the group's
// level, writing back a page of changed quantities again and again from the
// agreed moment for the agreed time. Prints "pages N MS LATE REFUSED CPUMS": a
// write-back the store refused (the other client held the file) stays in
// the grid and goes with the next.
int runClient(const QString &spec)
{
    const QStringList p = spec.split(u'|');
    CountingPrompts prompts;
    rz::Shared shared;
    shared.formsLoaded = 2;
    shared.DB_Main = rz::openEstimateFile(p.value(0));
    rz::frmU1 w(shared, prompts, rz::U1Opening{rz::EstimateRef{p.value(1).toInt()}});
    if (!w.start())
        return 1;
    rz::U1Session &s = w.session();
    s.moveCursor(1, 1);
    s.Command1_Click(0);
    const qint64 startAt = p.value(2).toLongLong(), duration = p.value(3).toLongLong();
    const qint64 late = QDateTime::currentMSecsSinceEpoch() - startAt;
    if (late < 0)
        QThread::msleep(static_cast<unsigned long>(-late));
    auto cpuMs = [] {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
    };
    const double cpuBefore = cpuMs();
    QElapsedTimer t;
    t.start();
    int pages = 0, refused = 0;
    while (t.elapsed() < duration) {
        for (int r = 1; r <= rz::U1Session::kPageRows; ++r)
            s.writeCell(r, rz::U1Session::ColSu1, QString::number(3 + (pages + refused) % 5));
        if (s.page().sb_WriteUTbl())
            ++pages;
        else
            ++refused;
    }
    out() << "pages " << pages << ' ' << t.elapsed() << ' ' << std::max<qint64>(late, 0) << ' ' << refused << ' '
          << cpuMs() - cpuBefore << Qt::endl;
    return 0;
}

// Time the machine's cores spent busy and in all since start-up, in ticks.
std::pair<qint64, qint64> cpuTicks()
{
    QFile f(QStringLiteral("/proc/stat"));
    if (!f.open(QIODevice::ReadOnly))
        return {0, 0};
    const QList<QByteArray> v = f.readLine().simplified().split(' ');
    qint64 total = 0;
    for (int i = 1; i < v.size(); ++i)
        total += v[i].toLongLong();
    const qint64 idle = v.value(4).toLongLong() + v.value(5).toLongLong();  // idle, iowait
    return {total - idle, total};
}

// What a run of writing clients measured.
struct ClientRun {
    std::vector<double> rates;  // pages per second of each client
    double busyCores = 0;       // cores of the whole machine busy meanwhile
    double cpuPerPage = 0;      // ms of its own processor time each client spent on a page
};

// The clients started at once on the estimates named; adds the write-backs
// the store refused to `refused`.
ClientRun clientsAtOnce(const QString &location, const std::vector<qint32> &keys, int &refused)
{
    const qint64 start = QDateTime::currentMSecsSinceEpoch() + 3000, duration = kClientMs;
    std::vector<std::unique_ptr<QProcess>> procs;
    for (qint32 key : keys) {
        auto p = std::make_unique<QProcess>();
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("RZ90_BENCH_CLIENT"),
                   QStringLiteral("%1|%2|%3|%4").arg(location).arg(key).arg(start).arg(duration));
        p->setProcessEnvironment(env);
        p->start(QCoreApplication::applicationFilePath(), {QStringLiteral("server")});
        procs.push_back(std::move(p));
    }
    ClientRun run;
    // The busy cores over the middle of the clients' time.
    QThread::msleep(static_cast<unsigned long>(std::max<qint64>(0, start + 300 - QDateTime::currentMSecsSinceEpoch())));
    const auto before = cpuTicks();
    QThread::msleep(static_cast<unsigned long>(duration - 600));
    const auto after = cpuTicks();
    if (after.second > before.second)
        run.busyCores =
            double(after.first - before.first) / double(after.second - before.second) * QThread::idealThreadCount();
    for (auto &p : procs) {
        p->waitForFinished(60000);
        const QStringList last =
            QString::fromUtf8(p->readAllStandardOutput()).trimmed().split(u'\n').last().split(u' ');
        if (p->exitCode() != 0 || last.value(0) != QLatin1String("pages"))
            throw std::runtime_error("a writing client failed: " + last.join(u' ').toStdString());
        if (last.value(3).toInt() > 500)
            out() << "  (a client started " << last.value(3) << " ms late)" << Qt::endl;
        run.rates.push_back(last.value(1).toDouble() * 1000 / last.value(2).toDouble());
        refused += last.value(4).toInt();
        run.cpuPerPage += last.value(5).toDouble() / std::max(1.0, last.value(1).toDouble()) / double(keys.size());
    }
    return run;
}

void twoClients(const std::map<QString, QString> &levels, rzbench::BenchServer &server)
{
    out() << "two clients writing different estimates at once (processes, pages of 20 quantities written back):"
          << Qt::endl;
    // The machine's own limit: bare clients doing round trips alone and two at once.
    std::vector<double> share;
    {
        for (int run = 0; run < 3; ++run) {
            const double alone = double(rzbench::RawClient(server.conninfo()).roundTripsIn(kClientMs));
            qint64 n[2] = {0, 0};
            std::thread a([&] { n[0] = rzbench::RawClient(server.conninfo()).roundTripsIn(kClientMs); });
            std::thread b([&] { n[1] = rzbench::RawClient(server.conninfo()).roundTripsIn(kClientMs); });
            a.join();
            b.join();
            share.push_back(std::min(n[0], n[1]) / alone);
        }
        rzbench::reportFigure(QStringLiteral("  limit: bare SELECT 1 clients, two / one alone"), spread(share),
                              QStringLiteral("(each)"));
    }
    for (const QString &engine : kEngines) {
        std::vector<double> alone, together, ratio, toLimit, coresAlone, coresTogether, cpuAlone, cpuTogether;
        int refused = 0;
        for (int run = 0; run < 3; ++run) {
            const ClientRun a = clientsAtOnce(levels.at(engine), {kClientKeys[0]}, refused);
            const ClientRun b = clientsAtOnce(levels.at(engine), {kClientKeys[1]}, refused);
            const ClientRun both = clientsAtOnce(levels.at(engine), {kClientKeys[0], kClientKeys[1]}, refused);
            alone.push_back((a.rates[0] + b.rates[0]) / 2);
            together.push_back(std::min(both.rates[0], both.rates[1]));
            ratio.push_back(std::min(both.rates[0] / a.rates[0], both.rates[1] / b.rates[0]));
            toLimit.push_back(ratio.back() / share[size_t(run)]);
            coresAlone.push_back((a.busyCores + b.busyCores) / 2);
            coresTogether.push_back(both.busyCores);
            cpuAlone.push_back((a.cpuPerPage + b.cpuPerPage) / 2);
            cpuTogether.push_back(both.cpuPerPage);
        }
        rzbench::reportFigure(QStringLiteral("  %1: one client alone").arg(engine), spread(alone),
                              QStringLiteral("pages/s"));
        rzbench::reportFigure(QStringLiteral("  %1: the slower of two at once").arg(engine), spread(together),
                              QStringLiteral("pages/s"));
        rzbench::reportGoal(QStringLiteral("  %1: two at once / alone (each)").arg(engine), spread(ratio), QString(),
                            0.9, false);
        rzbench::reportFigure(QStringLiteral("  %1:   the same / the bare clients' share").arg(engine), spread(toLimit),
                              QString());
        const QString cores = QStringLiteral("of %1 cores").arg(QThread::idealThreadCount());
        rzbench::reportFigure(QStringLiteral("  %1:   machine busy, one client").arg(engine), spread(coresAlone),
                              cores);
        rzbench::reportFigure(QStringLiteral("  %1:   machine busy, two clients").arg(engine), spread(coresTogether),
                              cores);
        rzbench::reportFigure(QStringLiteral("  %1:   client's own processor time a page, alone").arg(engine),
                              spread(cpuAlone), kMs);
        rzbench::reportFigure(QStringLiteral("  %1:   the same, two at once").arg(engine), spread(cpuTogether), kMs);
        if (refused > 0)
            out() << "  " << engine << ": " << refused << " write-backs refused by the store, written with the next"
                  << Qt::endl;
    }
}

int benchWith(const QStringList &args, rzbench::BenchServer &server)
{
    QTemporaryDir dir;
    out() << "server: PostgreSQL on 127.0.0.1:" << server.port()
          << " (started by the bench unless RZ90_BENCH_PGSTATE names one)" << Qt::endl;
    {
        rzbench::RawClient raw(server.conninfo());
        std::vector<double> trip;
        for (int run = 0; run < 3; ++run)
            trip.push_back(raw.roundTripUs(2000));
        rzbench::reportFigure(QStringLiteral("limit: bare round trip (SELECT 1)"), spread(trip), QStringLiteral("us"));
    }

    std::map<QString, QString> levels;
    std::map<QString, std::array<Moves, 2>> moves;
    const bool wantMoves = rzbench::wantPart(args, "moves"), wantClients = rzbench::wantPart(args, "clients");
    for (const QString &engine : kEngines) {
        if (!wantMoves && !wantClients)
            break;
        levels[engine] = server.store(engine, dir, QStringLiteral("levels"));
        const double ms = timeOnce([&] { makeLevelsStore(levels[engine]); });
        out() << engine << ": generated estimates with levels of " << kShort << " and " << kLong << " rows in " << ms
              << " ms" << Qt::endl;
        if (wantMoves)
            moves[engine] = {editorMoves(levels[engine], kShortKey), editorMoves(levels[engine], kLongKey)};
    }
    if (wantMoves)
        reportMoves(moves);
    if (rzbench::wantPart(args, "list"))
        listOfEstimates(server, dir);
    const int failed = rzbench::benchServerBulk(args, server, dir);
    if (wantClients)
        twoClients(levels, server);
    return failed;
}

int benchServer(const QStringList &args)
{
    const QString client = qEnvironmentVariable("RZ90_BENCH_CLIENT");
    if (!client.isEmpty())
        return runClient(client);
    try {
        rzbench::BenchServer server;
        // A failure ends the run here, where the server the bench started is stopped.
        try {
            return benchWith(args, server);
        } catch (const std::exception &e) {
            out() << "failed: " << e.what() << Qt::endl;
            return 1;
        }
    } catch (const std::exception &e) {
        out() << "no server: " << e.what() << Qt::endl;
        return 1;
    }
}

}  // namespace

RZ_BENCH(server, benchServer)
