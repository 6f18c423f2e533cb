// The breakdown editor on an estimate of 100,000 item rows over six levels:
// opening it, going down a level and back up, the whole-estimate
// recalculation from the index window with nothing stale and with every item
// amount stale, each beside the physical limit measured in the same run (a
// bare pass reading the same columns of the same rows in key order and
// writing the same rows), and peak memory.
//
// `rz90-bench editor /path/file.mdb` also keeps the generated estimate file
// at that path, to be opened in the program.
#include "benchmain.h"
#include "estimategen.h"
#include "breakdown/frmu1.h"
#include "index/frmuidx.h"
#include "store/levelkeys.h"
#include "store/schema.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <unordered_map>

namespace {

using rz::Currency;

// 25 x 4 x 5 x 5 x 2 groups, each of the last with 20 items and a subtotal
// row: 100,000 items, 113,125 rows. The first level and every level of items
// take two pages.
const rzbench::Fanout kFanout{25, 4, 5, 5, 2, 20};
using rzbench::CountingPrompts;
using rzbench::kEstimateKey;

// kn1 and kn2 of every row as stored, by rowid.
using Amounts = std::unordered_map<qint64, std::pair<qint64, qint64>>;
Amounts amountsOf(const QString &path)
{
    auto db = rz::Database::open(path);
    rz::Statement st(*db, QStringLiteral("SELECT _rowid_, kn1, kn2 FROM TBL00064"));
    Amounts out;
    while (st.step())
        out[st.columnInt64(0)] = {st.columnInt64(1), st.columnInt64(2)};
    return out;
}

// The rows whose amounts differ between two states, with the amounts of the second.
struct Change {
    bool kn1 = false, kn2 = false;
    qint64 v1 = 0, v2 = 0;
};
std::unordered_map<qint64, Change> changesBetween(const Amounts &before, const Amounts &after)
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
// transaction with prepared statements; no calculation at all. It goes
// through the store as the recalculation does (a connection of its own, the
// same bulk read), so that it measures what any engine behind it gives.
double barePass(const QString &path, const std::unordered_map<qint64, Change> &changes)
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
    const char *sql[3] = {"UPDATE TBL00064 SET kn1 = ? WHERE _rowid_ = ?", "UPDATE TBL00064 SET kn2 = ? WHERE _rowid_ = ?",
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
            w.bind(n++, rz::Value(ch.v1));
        if (ch.kn2)
            w.bind(n++, rz::Value(ch.v2));
        w.bind(n, rz::Value(r.rowid));
        w.step();
        w.reset();
    }
    tx.commit();
    return t.nsecsElapsed() / 1e6;
}

double timeOnce(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

double median(std::vector<double> v) { return rzbench::spread(std::move(v)).median; }

int benchEditor(const QStringList &args)
{
    QTextStream out(stdout);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("bench.mdb"));
    for (const QString &a : args)
        if (a.endsWith(QStringLiteral(".mdb"), Qt::CaseInsensitive))
            path = a;
    QFile::remove(path);
    int rows = 0;
    const double genMs = timeOnce([&] { rzbench::makeEstimate(path, &rows, kFanout); });
    out << "generated " << rows << " item rows (100,000 items over six levels) in " << genMs << " ms" << Qt::endl;

    CountingPrompts prompts;
    rz::Shared shared;
    shared.formsLoaded = 2;
    auto openEditor = [&] {
        auto w = std::make_unique<rz::frmU1>(shared, prompts, rz::U1Opening{rz::EstimateRef{kEstimateKey}});
        if (!w->start())
            throw std::runtime_error("the editor did not open");
        return w;
    };
    // Three runs, each on the file opened anew: the first open of the editor
    // then meets nothing prepared; the moves are the medians of five.
    std::vector<double> firstOpen, open, down1, up1, down5, up5;
    for (int run = 0; run < 3; ++run) {
        shared.DB_Main = rz::openEstimateFile(path);
        firstOpen.push_back(timeOnce([&] { openEditor(); }));
        std::vector<double> o, d1, u1, d5, u5;
        for (int i = 0; i < 5; ++i)
            o.push_back(timeOnce([&] { openEditor(); }));
        auto editor = openEditor();
        rz::U1Session &s = editor->session();
        for (int i = 0; i < 5; ++i) {
            d1.push_back(timeOnce([&] { s.Command1_Click(0); }));
            for (int l = 2; l < 5; ++l)
                s.Command1_Click(0);
            d5.push_back(timeOnce([&] { s.Command1_Click(0); }));
            u5.push_back(timeOnce([&] { s.Command1_Click(11); }));
            for (int l = 2; l < 5; ++l)
                s.Command1_Click(11);
            u1.push_back(timeOnce([&] { s.Command1_Click(11); }));
        }
        if (s.level().CurLvl != 0 || prompts.messages != 0 || prompts.beeps != 0) {
            out << "navigation went wrong: level " << s.level().CurLvl << ", " << prompts.beeps << " beeps" << Qt::endl;
            return 1;
        }
        open.push_back(median(o));
        down1.push_back(median(d1));
        up1.push_back(median(u1));
        down5.push_back(median(d5));
        up5.push_back(median(u5));
    }
    shared.DB_Main.reset();

    // The whole-estimate recalculation, from the index window's 計算 (F6),
    // with nothing to correct and with every item amount stale, each beside
    // the bare pass that reads the same and writes the same rows.
    shared.DB_Path = path;
    shared.formsLoaded = 1;
    rz::FrmUidx index(shared, prompts);
    index.setAttribute(Qt::WA_DeleteOnClose, false);
    index.start();
    auto makeStale = [&] {
        auto db = rz::Database::open(path);
        db->execute(QStringLiteral("UPDATE TBL00064 SET kn1 = 0 WHERE flg = '-         ' AND tk1 <> 0"));
    };
    std::vector<double> clean, cleanBare, stale, staleBare, cleanRatio, staleRatio;
    std::unordered_map<qint64, Change> staleChanges;
    bool wrong = false;
    for (int run = 0; run < 3; ++run) {
        int messages = prompts.messages, beeps = prompts.beeps;
        clean.push_back(timeOnce([&] { index.session().Command1_Click(5); }));
        wrong |= prompts.messages - messages != 1 || prompts.beeps != beeps;  // the question only
        cleanBare.push_back(barePass(path, {}));
        makeStale();
        const Amounts before = run == 0 ? amountsOf(path) : Amounts();
        messages = prompts.messages, beeps = prompts.beeps;
        stale.push_back(timeOnce([&] { index.session().Command1_Click(5); }));
        wrong |= prompts.messages - messages != 1 || prompts.beeps - beeps != 100000;
        const Amounts after = amountsOf(path);
        if (run == 0)
            staleChanges = changesBetween(before, after);
        makeStale();
        staleBare.push_back(barePass(path, staleChanges));
        wrong |= amountsOf(path) != after;  // the bare pass wrote what the recalculation wrote
        cleanRatio.push_back(clean.back() / cleanBare.back());
        staleRatio.push_back(stale.back() / staleBare.back());
    }
    if (wrong) {
        out << "the recalculation did not do what it should: " << prompts.messages << " messages, " << prompts.beeps
            << " beeps" << Qt::endl;
        return 1;
    }

    using rzbench::reportFigure;
    using rzbench::reportGoal;
    using rzbench::spread;
    const QString ms = QStringLiteral("ms");
    reportGoal(QStringLiteral("open the editor, first time on the file"), spread(firstOpen), ms, 50);
    reportGoal(QStringLiteral("open the editor again"), spread(open), ms, 50);
    reportGoal(QStringLiteral("down from level 1 to level 2"), spread(down1), ms, 50);
    reportGoal(QStringLiteral("up from level 2 (pass, roll-up into level 1)"), spread(up1), ms, 50);
    reportGoal(QStringLiteral("down from level 5 to the items on level 6"), spread(down5), ms, 50);
    reportGoal(QStringLiteral("up from the items (pass, roll-up into 5)"), spread(up5), ms, 50);
    out << "recalculation of " << rows << " rows (F6), " << staleChanges.size() << " rows rewritten when stale:" << Qt::endl;
    reportFigure(QStringLiteral("  nothing stale"), spread(clean), ms);
    reportFigure(QStringLiteral("  bare pass, nothing to write"), spread(cleanBare), ms);
    reportGoal(QStringLiteral("  recalculation / bare pass, nothing stale"), spread(cleanRatio), QString(), 1.5);
    reportFigure(QStringLiteral("  every item amount stale"), spread(stale), ms);
    reportFigure(QStringLiteral("  bare pass writing the same rows"), spread(staleBare), ms);
    reportGoal(QStringLiteral("  recalculation / bare pass, all stale"), spread(staleRatio), QString(), 1.5);
    reportGoal(QStringLiteral("peak memory"), {rzbench::peakMiB(), rzbench::peakMiB(), rzbench::peakMiB()},
               QStringLiteral("MiB"), 150);
    return 0;
}

}  // namespace

RZ_BENCH(editor, benchEditor)
