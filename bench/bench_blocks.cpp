// Block commands of the breakdown editor on an estimate of 91,125 rows whose
// nine top groups hold 10,125 rows each: copying one group as a block,
// row spacing of the first level (every row of the estimate below it) and
// deleting the copied block, each beside a bare pass of the engine over the
// same rows in one transaction (insert, update, delete by rowid) as the
// physical limit.
#include "benchmain.h"
#include "blocks/blockfile.h"
#include "breakdown/frmu1.h"
#include "estimategen.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <vector>

namespace {

// Nine top groups of 10,125 rows: with the copy, 101,250 rows below the first level.
const rzbench::Fanout kBlockFanout{9, 4, 5, 5, 2, 48};

double timeMs(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e6;
}

// Straight through the store, one committed transaction: `sql` runs once per
// row that `select` gives, bound to that row's values as stored. The rows
// are read before the clock starts: what is timed is the writing alone.
double barePass(const QString &path, const QString &select, const QString &sql)
{
    auto db = rz::Database::open(path);
    std::vector<std::vector<rz::Value>> rows;
    {
        rz::Statement read(*db, select);
        while (read.step()) {
            rows.emplace_back();
            for (int i = 0; i < read.columnCount(); ++i)
                rows.back().push_back(read.column(i, rz::ColType::Other));
        }
    }
    return timeMs([&] {
        rz::Transaction tx(*db);
        rz::Statement write(*db, sql);
        for (const auto &row : rows) {
            write.bindAll(row);
            write.step();
            write.reset();
        }
        tx.commit();
    });
}

void report(QTextStream &out, const QString &what, double ms, double goal, double bare, const QString &bareWhat)
{
    out << what << ": " << ms << " ms (goal < " << goal << " ms, " << ms / goal << " of it"
        << (ms < goal ? "" : "  ** MISSED **") << ")" << Qt::endl;
    out << "  bare " << bareWhat << ": " << bare << " ms; command / bare = " << ms / bare << Qt::endl;
}

// The editor on a generated estimate, its item table's rows counted.
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
    void mark(int row)
    {
        s().gridCellEntered(row, 1);
        s().blocks().PU10_Click(rz::U1Blocks::PU10_Top);
        s().blocks().PU10_Click(rz::U1Blocks::PU10_End);
    }
    void close()
    {
        window.reset();
        shared.DB_Main.reset();
    }
};

int benchBlocks(const QStringList &)
{
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("blocks.mdb"));
    int rows = 0;
    rzbench::makeEstimate(path, &rows, kBlockFanout);
    out << "generated " << rows << " item rows, top groups of " << rows / kBlockFanout[0] << " rows" << Qt::endl;

    rzbench::CountingPrompts prompts;
    rz::Shared shared;
    shared.DB_Main = rz::openEstimateFile(path);
    shared.formsLoaded = 2;
    auto editor = std::make_unique<rz::frmU1>(shared, prompts, rz::U1Opening{rz::EstimateRef{rzbench::kEstimateKey}});
    if (!editor->start())
        return 1;
    rz::U1Session &s = editor->session();
    auto count = [&] {
        return int(shared.DB_Main->openRecordset("SELECT COUNT(*) FROM TBL00064", rz::RecordsetType::Snapshot)->field(0).toLong());
    };
    auto markRow = [&](int row) {
        s.gridCellEntered(row, 1);
        s.blocks().PU10_Click(rz::U1Blocks::PU10_Top);
        s.blocks().PU10_Click(rz::U1Blocks::PU10_End);
    };

    markRow(1);
    const int block = s.blocks().markedRows();
    s.gridCellEntered(2, 1);
    const double copyMs = timeMs([&] { s.blocks().PU10_Click(rz::U1Blocks::PU10_BCopy); });
    const int afterCopy = count();
    // The copy sits at key 1040 between the first two groups: spacing renumbers every row.
    const double spacingMs = timeMs([&] { s.blocks().PU10_Click(rz::U1Blocks::PU10_MkRowSpc); });
    markRow(2);
    const double deleteMs = timeMs([&] { s.blocks().PU10_Click(rz::U1Blocks::PU10_BDel); });
    const int afterDelete = count();
    const qint32 firstGroupKey = s.page().rowKey(1);  // the block of the copy, where the spacing put it
    editor.reset();
    shared.DB_Main.reset();
    if (afterCopy != rows + block || afterDelete != rows || prompts.messages != 1) {
        out << "the block commands went wrong: " << afterCopy << " rows after the copy, " << afterDelete
            << " after the delete" << Qt::endl;
        return 1;
    }

    // The same rows straight through the store.
    const QString firstKey = QString::number(firstGroupKey);
    const double bareInsert = barePass(path, QString("SELECT 1040, key2, key3, key4, key5, key6, key7, key8, knm, mei, tn1, su1, "
                                                     "tk1, kn1, rt1, su2, tk2, kn2, rt2, lvl, bk1, bk2, bk3, flg, int0, int1, int2, "
                                                     "int3, int4, int5, int6, int7, int8, int9, cur0, cur1, cur2, cur3, cur4, cur5, "
                                                     "cur6, cur7, cur8, cur9, curA, curB, curC, bk4 FROM TBL00064 WHERE key1 = ") +
                                           firstKey + " ORDER BY " + QLatin1String(rz::kLevelOrder),
                                       "INSERT INTO TBL00064 VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                       "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const double bareDelete = barePass(path, "SELECT _rowid_ FROM TBL00064 WHERE key1 = 1040", "DELETE FROM TBL00064 WHERE _rowid_ = ?");

    const double bareUpdate = barePass(path, "SELECT key1 + 1, lvl, _rowid_ FROM TBL00064 ORDER BY _rowid_",
                                       "UPDATE TBL00064 SET key1 = ?, lvl = ? WHERE _rowid_ = ?");
    report(out, QStringLiteral("block copy of %1 rows").arg(block), copyMs, 1000, bareInsert,
           QStringLiteral("insert of the same rows"));
    report(out, QStringLiteral("row spacing of the first level, %1 rows below it").arg(afterCopy), spacingMs, 2000,
           bareUpdate, QStringLiteral("update of key1 and lvl of every row"));
    report(out, QStringLiteral("block delete of %1 rows").arg(block), deleteMs, 1000, bareDelete,
           QStringLiteral("delete of the same rows by rowid"));
    out << "peak memory: " << rzbench::peakMiB() << " MiB" << Qt::endl;
    return 0;
}

// A block file of one top group of 100,125 rows saved and read back in
// front of the group, beside a bare write and read of the same bytes and a
// bare insert of the same rows.
int benchBlockFile(const QStringList &)
{
    QTextStream out(stdout);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("blocks.mdb")), file = dir.filePath(QStringLiteral("内訳.dat"));
    int rows = 0;
    rzbench::makeEstimate(path, &rows, rzbench::Fanout{1, 4, 5, 5, 20, 48});
    out << "generated " << rows << " item rows in one top group" << Qt::endl;
    Editor e;
    if (!e.open(path))
        return 1;
    e.prompts.fileAnswer = file;
    e.mark(1);
    const double saveMs = timeMs([&] { e.s().blocks().PU10_Click(rz::U1Blocks::PU10_BFile); });
    e.s().gridCellEntered(1, 1);
    const double readMs = timeMs([&] { e.s().blocks().PU10_Click(rz::U1Blocks::PU10_BRead); });
    const int after = e.count();
    const double commandsMiB = rzbench::peakMiB();
    e.close();
    QFile saved(file);
    if (saved.size() != qint64(rows) * rz::kBlockRecordSize || after != 2 * rows || e.prompts.messages != 0) {
        out << "the block file went wrong: " << saved.size() << " bytes, " << after << " rows after reading" << Qt::endl;
        return 1;
    }
    QByteArray bytes;
    const double bareRead = timeMs([&] {
        saved.open(QIODevice::ReadOnly);
        bytes = saved.readAll();
        saved.close();
    });
    const double bareWrite = timeMs([&] {
        QFile copy(dir.filePath(QStringLiteral("copy.dat")));
        copy.open(QIODevice::WriteOnly);
        copy.write(bytes);
    });
    const double bareInsert = barePass(path, "SELECT * FROM TBL00064 WHERE key1 = 1024",
                                       "INSERT INTO TBL00064 VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                       "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    report(out, QStringLiteral("block file save of %1 rows (%2 bytes)").arg(rows).arg(bytes.size()), saveMs, 1000,
           bareWrite, QStringLiteral("write of the same bytes"));
    report(out, QStringLiteral("block file read of %1 rows").arg(rows), readMs, 1000, bareRead,
           QStringLiteral("read of the same bytes"));
    out << "  bare engine insert of the same rows: " << bareInsert << " ms; read / bare insert = " << readMs / bareInsert
        << Qt::endl;
    out << "peak memory of the commands: " << commandsMiB << " MiB" << Qt::endl;
    return 0;
}

}  // namespace

RZ_BENCH(blocks, benchBlocks)
RZ_BENCH(blockfile, benchBlockFile)
