// Builds estimate files for the index window tests and opens the window on
// them with scripted prompts.
#pragma once
#include "index/frmuidx.h"
#include "store/schema.h"
#include "support/scriptedprompts.h"
#include "support/storefixture.h"

#include <QTemporaryDir>
#include <memory>

namespace rztest {

struct IndexFixture {
    QTemporaryDir dir;
    rz::Shared shared;
    ScriptedPrompts prompts;
    std::unique_ptr<rz::FrmUidx> window;
    QDate fixedToday{2026, 12, 6};
    QList<qint32> opened;  // the estimates the window asked an editor for (none opens)

    QString engine = defaultEngine();  // "file" or "server": where the estimate file is kept

    QString path() const { return storeLocation(engine, dir, QStringLiteral("見積書")); }

    // A new estimate file with one estimate per key (names "工事<key>"), each
    // with an item table of `items` rows.
    void createFile(const QList<int> &keys, int items = 0)
    {
        rz::sb_MkIdxDB(path(), 0);
        auto db = rz::openEstimateFile(path());
        for (int k : keys) {
            db->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm, kn1, kn2, int0, int1, int2, dt1, dt3, bk1) "
                                       "VALUES (?, ?, 0, 0, ?, 100, 100, '01-02-2025', '01-03-2025', '')"),
                        {rz::Value(qint64(k)), rz::Value(QStringLiteral("工事%1").arg(k)), rz::Value(qint64(items))});
            rz::sb_MkUTbl(rz::itemTableName(k), *db);
            for (int i = 1; i <= items; ++i)
                db->execute(QStringLiteral("INSERT INTO %1 (key1, knm, kn1) VALUES (?, ?, ?)").arg(rz::itemTableName(k)),
                            {rz::Value(qint64(i * 1024)), rz::Value(QStringLiteral("行%1").arg(i)),
                             rz::Value(rz::Currency::fromWhole(i * 100))});
        }
    }

    std::unique_ptr<rz::Database> db() const { return rz::Database::open(path()); }

    // Opens the index window as the main window would.
    bool open()
    {
        shared.DB_Path = path();
        shared.formsLoaded = 1;  // the main window
        window = std::make_unique<rz::FrmUidx>(shared, prompts);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->session().today = [this] { return fixedToday; };
        window->editorOpener = [this](const rz::U1Opening &o, const QString &) { return opened << o.estimate.key, false; };
        window->termsShower = [](rz::TermsSession &, const QString &) {};  // never a modal dialog in a test
        const bool ok = window->start();
        window->show();
        return ok;
    }

    rz::IndexSession &session() { return window->session(); }
    const rz::Grid &grid() { return window->session().grid(); }
};

}  // namespace rztest
