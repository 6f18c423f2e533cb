// The transfer window copying an estimate of 100,000 item rows from one file
// into another (the whole paste: confirmation, index row, item table, lists
// refilled), against the bare INSERT INTO ... SELECT of the same rows between
// the two files attached to one connection, which is what the engine needs
// at least.
#include "benchmain.h"
#include "store/schema.h"
#include "transfer/transfersession.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <deque>
#include <vector>
#include <sqlite3.h>

namespace {

class AnsweringPrompts : public rz::Prompts, public rz::TransferHost {
public:
    int message(const QString &text, int style, const QString &) override
    {
        if (style == rz::MsgExclamation)
            QTextStream(stderr) << "message: " << text << Qt::endl;
        return rz::AnswerOk;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseFile(const rz::FileDialogRequest &) override { return {}; }
    int popupMenu(const QStringList &, const QList<bool> &enabled, const QPoint &) override
    {
        const int a = menu.empty() ? -1 : menu.front();
        if (!menu.empty())
            menu.pop_front();
        return a >= 0 && enabled.value(a) ? a : -1;
    }
    void beep() override {}
    void setBusy(bool) override {}
    void focusList(int) override {}
    void closeWindow() override {}
    QPoint menuPointBelowButton(int) const override { return {}; }
    QPoint menuPointAtRow(int, int) const override { return {}; }
    void refresh() override {}
    std::deque<int> menu;
};

const int kItems = 100000;

void makeSource(const QString &path)
{
    rz::sb_MkIdxDB(path, 0);
    auto db = rz::openEstimateFile(path);
    rz::Transaction tx(*db);
    // The row count column is 16 bits: an estimate this large keeps 0 there.
    db->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm, kn1, int0, int1, int2) VALUES (64, '大規模工事', 0, 0, 100, 100)"));
    rz::sb_MkUTbl(QStringLiteral("TBL00064"), *db);
    rz::Statement ins(db->handle(),
                      QStringLiteral("INSERT INTO TBL00064 (key1, key2, key3, knm, mei, tn1, su1, tk1, kn1, rt1, "
                                     "su2, tk2, kn2, rt2, lvl, flg) VALUES (?, ?, ?, ?, '仕様', 'm2', ?, ?, ?, 100, "
                                     "?, ?, ?, 100, 3, '-')"));
    for (int i = 0; i < kItems; ++i) {
        const rz::Currency su = rz::Currency::fromWhole(i % 50 + 1), tk = rz::Currency::fromWhole(1200 + i % 700);
        ins.bindAll({rz::Value(qint64(1024 * (i / 10000 + 1))), rz::Value(qint64(1024 * (i / 100 % 100 + 1))),
                     rz::Value(qint64(1024 * (i % 100 + 1))), rz::Value(QStringLiteral("品目 %1 号").arg(i)),
                     rz::Value(su), rz::Value(tk), rz::Value(rz::Currency::fromWhole((i % 50 + 1) * (1200 + i % 700))),
                     rz::Value(su), rz::Value(tk), rz::Value(tk)});
        ins.step();
        ins.reset();
    }
    tx.commit();
}

void exec(sqlite3 *db, const QString &sql)
{
    char *err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err);
        sqlite3_free(err);
        throw std::runtime_error(msg.toStdString());
    }
}

int benchTransfer(const QStringList &)
{
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("source.mdb")), dst = dir.filePath(QStringLiteral("dest.mdb"));
    QElapsedTimer build;
    build.start();
    makeSource(src);
    rz::sb_MkIdxDB(dst, 0);
    rz::openEstimateFile(dst)->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm) VALUES (1024, '既存')"));
    QTextStream out(stdout);
    out << "generated an estimate of " << kItems << " item rows in " << build.elapsed() << " ms" << Qt::endl;

    AnsweringPrompts prompts;
    rz::Shared shared;
    shared.DB_Path1 = src;
    shared.DB_Path2 = dst;
    rz::TransferSession s(shared, prompts, prompts);
    if (!s.load())
        return 1;
    // Each run pastes the estimate before the destination's first row and
    // deletes it again afterwards, untimed.
    const int runs = 7;
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    // The bare statement on a connection of its own, each run right after
    // the paste, so that both see the same load of the machine.
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(dst).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    exec(db, QStringLiteral("ATTACH DATABASE '%1' AS src").arg(src));
    QStringList defs;
    for (const auto &c : rz::itemTableColumns())
        defs << QStringLiteral("\"%1\" %2").arg(c.name, c.declared);
    std::vector<double> pastes, deletes, bare;
    for (int run = 0; run < runs; ++run) {
        s.listGotFocus(0);
        s.listClick(0, 0);
        prompts.menu = {rz::TransferSession::MenuCopy};
        s.cmdMenu_Click(rz::TransferSession::CmdCopy);
        s.listLostFocus(0);
        s.listGotFocus(1);
        s.listClick(1, 0);
        prompts.menu = {rz::TransferSession::MenuPaste};
        QElapsedTimer t;
        t.start();
        s.cmdMenu_Click(rz::TransferSession::CmdCopy);
        pastes.push_back(t.nsecsElapsed() / 1e6);
        if (s.listCount(1) != 2 || s.key(1, 0) != 512) {
            out << "the copy went wrong" << Qt::endl;
            return 1;
        }
        s.listClick(1, 0);
        t.restart();
        s.cmdMenu_Click(rz::TransferSession::CmdDelete);
        deletes.push_back(t.nsecsElapsed() / 1e6);

        exec(db, QStringLiteral("CREATE TABLE bare (%1)").arg(defs.join(QStringLiteral(", "))));
        t.restart();
        exec(db, QStringLiteral("BEGIN; INSERT INTO main.bare SELECT * FROM src.TBL00064; COMMIT"));
        bare.push_back(t.nsecsElapsed() / 1e6);
        exec(db, QStringLiteral("DROP TABLE bare"));
    }
    sqlite3_close(db);
    s.unload();
    const double pasteMs = median(pastes), bareMs = median(bare);

    const double goal = 1000;
    out << "copy an estimate of " << kItems << " item rows (whole paste): " << pasteMs << " ms (goal < " << goal
        << " ms, ratio " << pasteMs / goal << ")" << (pasteMs < goal ? "" : "  ** MISSED **") << Qt::endl;
    out << "bare INSERT INTO ... SELECT between the attached files: " << bareMs << " ms (the engine's limit)"
        << Qt::endl;
    out << "  paste / bare: " << pasteMs / bareMs << Qt::endl;
    out << "delete the copy again (index row and item table): " << median(deletes) << " ms" << Qt::endl;
    out << "peak memory: " << rzbench::peakMiB() << " MiB" << Qt::endl;
    return 0;
}

}  // namespace

RZ_BENCH(transfer, benchTransfer)
