// The estimate index window on a file of 10,000 estimates: opening it with
// page 1 shown, paging forward, and jumping to the last page (the return
// from the editor to a remembered page).
#include "benchmain.h"
#include "index/frmuidx.h"
#include "store/schema.h"
#include "ui/qtprompts.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

class QuietPrompts : public rz::Prompts {
public:
    int message(const QString &text, int, const QString &) override
    {
        QTextStream(stderr) << "message: " << text << Qt::endl;
        return rz::AnswerOk;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseFile(const rz::FileDialogRequest &) override { return {}; }
    int popupMenu(const QStringList &, const QList<bool> &, const QPoint &) override { return -1; }
    void beep() override {}
    void setBusy(bool) override {}
};

void makeFile(const QString &path, int estimates)
{
    rz::sb_MkIdxDB(path, 0);
    auto db = rz::openEstimateFile(path);
    rz::Transaction tx(*db);
    for (int i = 1; i <= estimates; ++i) {
        const qint64 key = qint64(i) * 64;
        db->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm, kn1, kn2, int0, int1, int2, dt1, dt3, bk1) "
                                   "VALUES (?, ?, ?, ?, 12, 100, 100, '04-01-2026', '05-20-2026', '備考')"),
                    {rz::Value(key), rz::Value(QStringLiteral("工事名称 第%1号 改修工事").arg(i)),
                     rz::Value(rz::Currency::fromWhole(i * 1000)), rz::Value(rz::Currency::fromWhole(i * 900))});
        rz::sb_MkUTbl(rz::itemTableName(key), *db);
    }
    tx.commit();
}

int benchIndex(const QStringList &)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.mdb"));
    const int estimates = qEnvironmentVariableIntValue("RZ90_BENCH_ESTIMATES") > 0
                              ? qEnvironmentVariableIntValue("RZ90_BENCH_ESTIMATES")
                              : 10000;
    QElapsedTimer build;
    build.start();
    makeFile(path, estimates);
    QTextStream out(stdout);
    out << "generated " << estimates << " estimates with their item tables in " << build.elapsed() << " ms" << Qt::endl;

    QuietPrompts prompts;
    const int runs = 7;
    const double engineMs = rzbench::medianMs(runs, [&] { rz::openEstimateFile(path); });
    const double rawMs = rzbench::medianMs(runs, [&] {
        auto db = rz::Database::open(path, rz::Database::Mode::ReadOnly);
    });
    const double openMs = rzbench::medianMs(runs, [&] {
        rz::Shared shared;
        shared.DB_Path = path;
        shared.formsLoaded = 1;
        rz::FrmUidx w(shared, prompts);
        w.setAttribute(Qt::WA_DeleteOnClose, false);
        if (!w.start())
            throw std::runtime_error("open failed");
    });

    rz::Shared shared;
    shared.DB_Path = path;
    shared.formsLoaded = 1;
    rz::FrmUidx w(shared, prompts);
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.start();
    const double pageMs = rzbench::medianMs(runs, [&] { w.session().Command2_Click(0); });
    const int lastPage = estimates / rz::IndexSession::kPageRows + 1;
    const double lastMs = rzbench::medianMs(runs, [&] {
        // The editor hands back a page; the window shows it on activation.
        shared.DB_TblName = QStringLiteral("TBL00064");
        shared.Idx_Page = w.session().page() == lastPage ? 1 : lastPage;
        shared.Idx_Row = 1;
        w.session().activate();
    });
    if (w.session().page() != lastPage && w.session().page() != 1)
        return 1;
    out << "engine: open and read the schema (read-only, no checks): " << rawMs << " ms" << Qt::endl;
    out << "engine: open as an estimate file (lock and completeness checks): " << engineMs << " ms" << Qt::endl;
    out << "open file + page 1: " << openMs << " ms (target < 100)" << Qt::endl;
    out << "page forward:       " << pageMs << " ms (target < 100)" << Qt::endl;
    out << "jump to last page:  " << lastMs << " ms (target < 100)" << Qt::endl;
    out << "peak memory:        " << rzbench::peakMiB() << " MiB" << Qt::endl;
    return 0;
}

}  // namespace

RZ_BENCH(index, benchIndex)
