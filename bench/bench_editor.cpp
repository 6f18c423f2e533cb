// The breakdown editor on an estimate of 100,000 item rows over six levels:
// opening it, going down a level and back up, the whole-estimate
// recalculation from the index window, peak memory, and a bare pass of the
// engine over the same rows (read each row, write its amount back, one
// transaction) as the yardstick for the recalculation.
//
// `rz90-bench editor /path/file.mdb` also keeps the generated estimate file
// at that path, to be opened in the program.
#include "benchmain.h"
#include "estimategen.h"
#include "breakdown/frmu1.h"
#include "index/frmuidx.h"
#include "store/schema.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <sqlite3.h>

namespace {

using rz::Currency;

// 25 x 4 x 5 x 5 x 2 groups, each of the last with 20 items and a subtotal
// row: 100,000 items, 113,125 rows. The first level and every level of items
// take two pages.
const rzbench::Fanout kFanout{25, 4, 5, 5, 2, 20};
using rzbench::CountingPrompts;
using rzbench::kEstimateKey;

// The yardstick: every row read and its amount written back, in one
// committed transaction, straight through the engine.
double barePass(const QString &path)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    QElapsedTimer t;
    t.start();
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *read = nullptr, *write = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid, kn1 FROM TBL00064", -1, &read, nullptr);
    sqlite3_prepare_v2(db, "UPDATE TBL00064 SET kn1 = ? WHERE rowid = ?", -1, &write, nullptr);
    while (sqlite3_step(read) == SQLITE_ROW) {
        sqlite3_bind_int64(write, 1, sqlite3_column_int64(read, 1));
        sqlite3_bind_int64(write, 2, sqlite3_column_int64(read, 0));
        sqlite3_step(write);
        sqlite3_reset(write);
    }
    sqlite3_finalize(read);
    sqlite3_finalize(write);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double ms = t.nsecsElapsed() / 1e6;
    sqlite3_close(db);
    return ms;
}

double timeOnce(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

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
    shared.DB_Main = rz::openEstimateFile(path);
    shared.DB_TblName = rz::itemTableName(kEstimateKey);
    shared.U1_Rt1 = shared.U1_Rt2 = 100;
    shared.formsLoaded = 2;
    auto openEditor = [&] {
        auto w = std::make_unique<rz::frmU1>(shared, prompts);
        if (!w->start())
            throw std::runtime_error("the editor did not open");
        return w;
    };
    const double firstOpenMs = timeOnce([&] { openEditor(); });
    const int runs = 9;
    const double openMs = rzbench::medianMs(runs, [&] { openEditor(); });

    auto editor = openEditor();
    rz::U1Session &s = editor->session();
    const double downMs = rzbench::medianMs(runs, [&] {
        s.Command1_Click(0);
        s.Command1_Click(11);
    });
    // The two moves apart, down from level 1 and from level 5 (the levels with
    // the most rows below them and the most rows on them).
    std::vector<double> down1, up1, down5, up5;
    for (int i = 0; i < runs; ++i) {
        down1.push_back(timeOnce([&] { s.Command1_Click(0); }));
        for (int l = 2; l < 5; ++l)
            s.Command1_Click(0);
        down5.push_back(timeOnce([&] { s.Command1_Click(0); }));
        up5.push_back(timeOnce([&] { s.Command1_Click(11); }));
        for (int l = 2; l < 5; ++l)
            s.Command1_Click(11);
        up1.push_back(timeOnce([&] { s.Command1_Click(11); }));
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    if (s.CurLvl != 0 || prompts.messages != 0 || prompts.beeps != 0) {
        out << "navigation went wrong: level " << s.CurLvl << ", " << prompts.beeps << " beeps" << Qt::endl;
        return 1;
    }
    editor.reset();

    // The whole-estimate recalculation, from the index window's 計算 (F6).
    shared.DB_Main.reset();
    shared.DB_Path = path;
    shared.formsLoaded = 1;
    rz::FrmUidx index(shared, prompts);
    index.setAttribute(Qt::WA_DeleteOnClose, false);
    index.start();
    {
        // One group row with a wrong amount, as a user would meet it.
        auto db = rz::Database::open(path);
        db->execute(QStringLiteral("UPDATE TBL00064 SET kn1 = ? WHERE key1 = 2048 AND key2 = 1024 AND key3 = 0"),
                    {rz::Value(Currency::fromWhole(1))});
    }
    prompts.messages = 0;
    const double recalcMs = timeOnce([&] { index.session().Command1_Click(5); });
    const int recalcMessages = prompts.messages - 1;  // less the question
    const double steadyMs = rzbench::medianMs(3, [&] { index.session().Command1_Click(5); });
    {
        auto db = rz::Database::open(path);
        db->execute(QStringLiteral("UPDATE TBL00064 SET kn1 = 0 WHERE flg = '-         ' AND tk1 <> 0"));
    }
    prompts.beeps = 0;
    const double staleMs = timeOnce([&] { index.session().Command1_Click(5); });
    const int staleBeeps = prompts.beeps;
    const double bareMs = rzbench::medianMs(3, [&] { barePass(path); });

    out << "open the editor, first time (builds the key index): " << firstOpenMs << " ms" << Qt::endl;
    out << "open the editor (session load + first page):        " << openMs << " ms (target < 100)" << Qt::endl;
    out << "down a level and back up, together:                " << downMs << " ms" << Qt::endl;
    out << "  down from level 1 to level 2:                      " << median(down1) << " ms (target < 100)" << Qt::endl;
    out << "  up from level 2 (pass + roll-up into level 1):     " << median(up1) << " ms (target < 100)" << Qt::endl;
    out << "  down from level 5 to the items on level 6:         " << median(down5) << " ms (target < 100)" << Qt::endl;
    out << "  up from the items (pass + roll-up into level 5):   " << median(up5) << " ms (target < 100)" << Qt::endl;
    out << "whole-estimate recalculation (F6, " << recalcMessages << " group row corrected): " << recalcMs
        << " ms (target < 2000)" << Qt::endl;
    out << "  again, nothing to correct:                         " << steadyMs << " ms" << Qt::endl;
    out << "  every item amount stale (" << staleBeeps << " beeps, all rewritten): " << staleMs << " ms" << Qt::endl;
    out << "bare engine pass (read every row, write its amount): " << bareMs << " ms" << Qt::endl;
    out << "  recalculation / bare pass: " << recalcMs / bareMs << " (nothing stale), " << staleMs / bareMs
        << " (all stale)" << Qt::endl;
    out << "peak memory: " << rzbench::peakMiB() << " MiB (target < 300)" << Qt::endl;
    return 0;
}

}  // namespace

RZ_BENCH(editor, benchEditor)
