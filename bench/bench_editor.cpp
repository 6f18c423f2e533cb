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
#include "barepass.h"
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
using rzbench::timeOnce;

// 25 x 4 x 5 x 5 x 2 groups, each of the last with 20 items and a subtotal
// row: 100,000 items, 113,125 rows. The first level and every level of items
// take two pages.
const rzbench::Fanout kFanout{25, 4, 5, 5, 2, 20};
using rzbench::CountingPrompts;
using rzbench::kEstimateKey;
using rzbench::Amounts;
using rzbench::amountsOf;
using rzbench::barePass;
using rzbench::Change;
using rzbench::changesBetween;


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
