// The estimate index window on a file of 10,000 estimates: opening it with
// page 1 shown before and after every estimate was opened in the editor once
// (opening an estimate must not make the file's schema grow), paging
// forward, and jumping to the last page (the return from the editor to a
// remembered page).
#include "benchmain.h"
#include "breakdown/frmu1.h"
#include "index/frmuidx.h"
#include "store/schema.h"
#include "ui/qtprompts.h"

#include <QElapsedTimer>
#include <QFile>
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

    // A copy that stays as generated, measured beside the file whose
    // estimates were opened, each run alternating between the two.
    const QString untouched = dir.filePath(QStringLiteral("untouched.mdb"));
    QFile::copy(path, untouched);
    QuietPrompts prompts;
    auto openMs = [&](const QString &file) {
        return rzbench::medianMs(5, [&] {
            rz::Shared shared;
            shared.DB_Path = file;
            shared.formsLoaded = 1;
            rz::FrmUidx w(shared, prompts);
            w.setAttribute(Qt::WA_DeleteOnClose, false);
            if (!w.start())
                throw std::runtime_error("open failed");
        });
    };
    auto schemaObjects = [](const QString &file) {
        auto db = rz::Database::open(file, rz::Database::Mode::ReadOnly);
        return db->tableNames().size() + db->indexNames().size();
    };

    // Every estimate opened once in the editor, as a user who has worked
    // through the whole file leaves it.
    QElapsedTimer opening;
    opening.start();
    {
        rz::Shared shared;
        shared.DB_Main = rz::openEstimateFile(path);
        shared.formsLoaded = 2;
        for (int i = 1; i <= estimates; ++i) {
            rz::frmU1 editor(shared, prompts, rz::U1Opening{rz::EstimateRef{i * 64}});
            if (!editor.start())
                throw std::runtime_error("the editor did not open");
        }
    }
    out << "opened every estimate once in the editor in " << opening.elapsed() << " ms; schema objects "
        << schemaObjects(untouched) << " before, " << schemaObjects(path) << " after" << Qt::endl;
    std::vector<double> raw, never, opened, ratio, page, last;
    for (int run = 0; run < 3; ++run) {
        raw.push_back(rzbench::medianMs(5, [&] { rz::Database::open(untouched, rz::Database::Mode::ReadOnly); }));
        never.push_back(openMs(untouched));
        opened.push_back(openMs(path));
        ratio.push_back(opened.back() / never.back());
    }

    rz::Shared shared;
    shared.DB_Path = path;
    shared.formsLoaded = 1;
    rz::FrmUidx w(shared, prompts);
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.start();
    const int lastPage = estimates / rz::IndexSession::kPageRows + 1;
    for (int run = 0; run < 3; ++run) {
        page.push_back(rzbench::medianMs(7, [&] { w.session().Command2_Click(0); }));
        last.push_back(rzbench::medianMs(7, [&] {
            // The editor hands back a page; the window shows it.
            rz::U1Closing closing;
            closing.estimate.key = 64;
            closing.Idx_Page = w.session().page() == lastPage ? 1 : lastPage;
            w.session().editorClosed(closing);
        }));
    }
    if (w.session().page() != lastPage && w.session().page() != 1)
        return 1;
    const QString ms = QStringLiteral("ms");
    rzbench::reportFigure(QStringLiteral("engine: open the file and read its schema"), rzbench::spread(raw), ms);
    rzbench::reportFigure(QStringLiteral("open file + page 1, estimates never opened"), rzbench::spread(never), ms);
    rzbench::reportFigure(QStringLiteral("the same after every estimate was opened"), rzbench::spread(opened), ms);
    rzbench::reportGoal(QStringLiteral("  opened once / never opened"), rzbench::spread(ratio), QString(), 1.1);
    rzbench::reportGoal(QStringLiteral("page forward"), rzbench::spread(page), ms, 5);
    rzbench::reportFigure(QStringLiteral("jump to the last page"), rzbench::spread(last), ms);
    const double peak = rzbench::peakMiB();
    rzbench::reportGoal(QStringLiteral("peak memory"), {peak, peak, peak}, QStringLiteral("MiB"), 150);
    return 0;
}

}  // namespace

RZ_BENCH(index, benchIndex)
