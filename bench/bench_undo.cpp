// Undo, find and the list filter. On the estimate of the block benchmark
// (nine top groups of 10,125 rows): a block delete of one group undone and
// redone, beside a bare insert and delete of the same rows by rowid in one
// transaction. On an estimate of over 100,000 rows: 検索 (F9) opened (every
// row read and folded) and searched per query, beside a bare read of the
// three searched columns and a bare search of the texts as stored. On a file
// of 10,000 estimates: the list filter per typed character, beside a bare
// read of the four searched columns. The undo is measured on a file and on
// the bench's own server (a store on a server keeps the record of changes on
// the server).
#include "benchmain.h"
#include "benchserver.h"
#include "breakdown/frmu1.h"
#include "estimategen.h"
#include "index/frmuidx.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

const QString kMs = QStringLiteral("ms");

double timeMs(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

struct Editor {
    rzbench::CountingPrompts prompts;
    rz::Shared shared;
    std::unique_ptr<rz::frmU1> window;
    bool open(const QString &path)
    {
        shared.DB_Main = rz::openEstimateFile(path);
        shared.formsLoaded = 2;
        window = std::make_unique<rz::frmU1>(shared, prompts, rz::U1Opening{rz::EstimateRef{rzbench::kEstimateKey}});
        return window->start();
    }
    rz::U1Session &s() { return window->session(); }
    int count()
    {
        return int(shared.DB_Main->openRecordset("SELECT COUNT(*) FROM TBL00064", rz::RecordsetType::Snapshot)->field(0).toLong());
    }
};

// The rows of the first top group inserted again and deleted by rowid, each in one transaction: what an undo and a redo
// of its delete must write at the least.
std::pair<double, double> bareRestore(const QString &path)
{
    auto db = rz::Database::open(path);
    std::vector<std::vector<rz::Value>> rows;
    QStringList names;
    std::vector<rz::ColType> types{rz::ColType::Other};  // the rowid, then each column by its type
    for (const rz::ColumnDef &c : db->columns("TBL00064")) {
        names << c.name;
        types.push_back(c.type());
    }
    {
        // Under a name of its own: a server hides the identity column that `*` brings.
        rz::Statement read(*db, "SELECT _rowid_ AS rid, * FROM TBL00064 WHERE key1 = 1024");
        while (read.step()) {
            rows.emplace_back();
            for (int i = 0; i < read.columnCount(); ++i)
                rows.back().push_back(read.column(i, types[size_t(i)]));
        }
    }
    QStringList marks;
    for (size_t i = 1; i < rows.front().size(); ++i)
        marks << "?";
    const double remove = timeMs([&] {
        rz::Transaction tx(*db);
        rz::Statement st(*db, "DELETE FROM TBL00064 WHERE _rowid_ = ?");
        for (const auto &row : rows) {
            st.bind(1, row[0]);
            st.queue();  // a server takes them in a few exchanges
        }
        tx.commit();
    });
    const double insert = timeMs([&] {
        rz::Transaction tx(*db);
        rz::Statement st(*db, "INSERT INTO TBL00064 (" + names.join(',') + ") VALUES (" + marks.join(',') + ")");
        for (const auto &row : rows) {
            st.bindAll(std::vector<rz::Value>(row.begin() + 1, row.end()));
            st.queue();
        }
        tx.commit();
    });
    return {insert, remove};
}

int benchUndoDelete(QTextStream &out, const QString &path, const QString &engine)
{
    int rows = 0;
    rzbench::makeEstimate(path, &rows, rzbench::Fanout{9, 4, 5, 5, 2, 48});
    std::vector<double> undo, redo, del;
    int block = 0;
    qint64 bytes = 0;
    Editor e;
    if (!e.open(path))
        return 1;
    for (int run = 0; run < 3; ++run) {
        e.s().gridCellEntered(1, 1);
        e.s().blocks().PU10_Click(rz::U1Blocks::PU10_Top);
        e.s().blocks().PU10_Click(rz::U1Blocks::PU10_End);
        block = e.s().blocks().markedRows();
        del.push_back(timeMs([&] { e.s().blocks().PU10_Click(rz::U1Blocks::PU10_BDel); }));
        const int afterDelete = e.count();
        bytes = e.s().undo().bytes();
        undo.push_back(timeMs([&] { e.s().undo().undo(); }));
        const int afterUndo = e.count();
        redo.push_back(timeMs([&] { e.s().undo().redo(); }));
        const int afterRedo = e.count();
        e.s().undo().undo();
        if (afterDelete != rows - block || afterUndo != rows || afterRedo != rows - block || e.prompts.messages != run + 1) {
            out << "the undo went wrong: " << afterDelete << " / " << afterUndo << " / " << afterRedo << " rows" << Qt::endl;
            return 1;
        }
    }
    e.window.reset();
    e.shared.DB_Main.reset();
    std::vector<double> bareInsert, bareDelete;
    for (int run = 0; run < 3; ++run) {
        const auto [insert, remove] = bareRestore(path);
        bareInsert.push_back(insert);
        bareDelete.push_back(remove);
    }
    out << engine << ": generated " << rows << " item rows; the block: " << block << " rows, its step " << bytes / 1024
        << " KiB of row images" << Qt::endl;
    const auto label = [&](const char *what) { return engine + QStringLiteral(": ") + QLatin1String(what); };
    rzbench::reportFigure(label("block delete (the command, recorded)"), rzbench::spread(del), kMs);
    rzbench::reportGoal(label("undo of the block delete"), rzbench::spread(undo), kMs, 1000);
    rzbench::reportFigure(label("  bare insert of the same rows"), rzbench::spread(bareInsert), kMs);
    rzbench::reportFigure(label("redo of the block delete"), rzbench::spread(redo), kMs);
    rzbench::reportFigure(label("  bare delete of the same rows by rowid"), rzbench::spread(bareDelete), kMs);
    return 0;
}

int benchFind(QTextStream &out, const QDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("find.mdb"));
    int rows = 0;
    rzbench::makeEstimate(path, &rows, rzbench::Fanout{10, 4, 5, 5, 2, 48});
    Editor e;
    if (!e.open(path))
        return 1;
    std::vector<double> open, query, bareRead, bareSearch;
    const QStringList queries{QStringLiteral("品目 12345"), QStringLiteral("ひんもく 9"), QStringLiteral("工種 5-3"),
                              QStringLiteral("ｺｳｼｭ"), QStringLiteral("小計")};
    size_t hits = 0;
    volatile size_t found = 0;  // keeps the bare search from being left out
    for (int run = 0; run < 3; ++run) {
        open.push_back(timeMs([&] { e.s().find().open(); }));
        for (const QString &q : queries)
            query.push_back(timeMs([&] { e.s().find().setQuery(q); }));
        hits = e.s().find().hits().size();
        std::vector<QString> texts;
        bareRead.push_back(timeMs([&] {
            rz::Statement read(*e.shared.DB_Main, "SELECT knm, mei, bk1 FROM TBL00064");
            while (read.step())
                texts.push_back(read.column(0, rz::ColType::Text).toString() + read.column(1, rz::ColType::Text).toString() +
                                read.column(2, rz::ColType::Text).toString());
        }));
        for (const QString &q : queries)
            bareSearch.push_back(timeMs([&] {
                size_t n = 0;
                for (const QString &t : texts)
                    n += t.contains(q);
                found = n;
            }));
    }
    out << rows << " item rows; " << hits << " hits of 小計" << Qt::endl;
    rzbench::reportFigure(QStringLiteral("F9 opened: every row read and folded"), rzbench::spread(open), kMs);
    rzbench::reportFigure(QStringLiteral("  bare read of the three columns"), rzbench::spread(bareRead), kMs);
    rzbench::reportGoal(QStringLiteral("find, per query"), rzbench::spread(query), kMs, 100);
    rzbench::reportFigure(QStringLiteral("  bare contains() over the stored texts"), rzbench::spread(bareSearch), kMs);
    return 0;
}

int benchFilter(QTextStream &out, const QDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("list.mdb"));
    const int estimates = 10000;
    rz::sb_MkIdxDB(path, 0);
    {
        auto db = rz::openEstimateFile(path);
        rz::Transaction tx(*db);
        rz::Statement insert(*db, "INSERT INTO RZTBLIDX (key1, knm, hat, ad1, kn1, kn2, int0, int1, int2, dt1, dt3, bk1) "
                                  "VALUES (?, ?, ?, ?, 0, 0, 0, 100, 100, '04-01-2026', '05-20-2026', ?)");
        for (int i = 1; i <= estimates; ++i) {
            insert.bindAll({rz::Value(qint64(i) * 64), rz::Value(QStringLiteral("工事名称 第%1号 改修工事").arg(i)),
                            rz::Value(QStringLiteral("アオバ建設%1").arg(i % 97)), rz::Value(QStringLiteral("東京都港区%1").arg(i % 13)),
                            rz::Value(QStringLiteral("備考%1").arg(i % 7))});
            insert.step();
            insert.reset();
        }
        tx.commit();
    }
    rzbench::CountingPrompts prompts;
    rz::Shared shared;
    shared.DB_Path = path;
    shared.formsLoaded = 1;
    rz::FrmUidx w(shared, prompts);
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    if (!w.start())
        return 1;
    std::vector<double> first, typed, bareRead;
    const QString typing = QStringLiteral("ｱｵﾊﾞ建設1");
    for (int run = 0; run < 3; ++run) {
        first.push_back(timeMs([&] { w.session().setFilter(typing.left(1)); }));
        for (int n = 2; n <= typing.size(); ++n)
            typed.push_back(timeMs([&] { w.session().setFilter(typing.left(n)); }));
        w.session().clearFilter();
        bareRead.push_back(timeMs([&] {
            rz::Statement read(*shared.DB_Main, "SELECT key1, knm, hat, ad1, bk1 FROM RZTBLIDX");
            int n = 0;
            while (read.step())
                n += read.column(1, rz::ColType::Text).toString().size();
        }));
    }
    w.session().setFilter(typing);
    out << estimates << " estimates; " << w.session().lblMsg() << " for " << typing << Qt::endl;
    rzbench::reportFigure(QStringLiteral("filter, first character (texts read, folded)"), rzbench::spread(first), kMs);
    rzbench::reportFigure(QStringLiteral("  bare read of the four columns"), rzbench::spread(bareRead), kMs);
    rzbench::reportGoal(QStringLiteral("filter, per further typed character"), rzbench::spread(typed), kMs, 50);
    return 0;
}

int benchUndo(const QStringList &)
{
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QDir d(dir.path());
    if (benchUndoDelete(out, d.filePath(QStringLiteral("undo.mdb")), QStringLiteral("file")))
        return 1;
    try {
        rzbench::BenchServer server;
        if (benchUndoDelete(out, server.store(QStringLiteral("server"), dir, QStringLiteral("undo")),
                            QStringLiteral("server")))
            return 1;
    } catch (const std::exception &e) {
        out << "server: not measured (" << e.what() << ")" << Qt::endl;
    }
    if (benchFind(out, d) || benchFilter(out, d))
        return 1;
    const double peak = rzbench::peakMiB();
    rzbench::reportFigure(QStringLiteral("peak memory"), {peak, peak, peak}, QStringLiteral("MiB"));
    return 0;
}

}  // namespace

RZ_BENCH(undo, benchUndo)
