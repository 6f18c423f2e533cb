// Estimate files on a server: connection files, what the engine refuses,
// the server's rights, several connections at once (a killed client, a
// stopped server, the notice of another's commit), savepoints after a
// failure, and round trips that do not grow with the size of a level.
#include "store/compaction.h"
#include "store/failuretext.h"
#include "store/levelkeys.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "support/storefixture.h"
#include "support/testmain.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>
#include <csignal>
#include <thread>
#include <sys/wait.h>
#include <unistd.h>

using namespace rz;

namespace {
QString failureOf(const std::function<void()> &f, DbFailure *reason = nullptr)
{
    try {
        f();
    } catch (const DbError &e) {
        if (reason)
            *reason = e.reason();
        return failureText(e);
    }
    return QString();
}

// An item table of n rows on the first level, 1024 apart.
void fillLevel(Database &db, int n)
{
    sb_MkUTbl("TBL00001", db);
    Transaction tx(db);
    Statement insert(db, "INSERT INTO TBL00001 (key1, key2, key3, key4, key5, key6, key7, key8, knm, kn1, flg) "
                         "VALUES (?, 0, 0, 0, 0, 0, 0, 0, ?, ?, '-')");
    for (int i = 1; i <= n; ++i) {
        insert.bindAll({Value(qint64(i) * 1024), Value(QString("項目%1").arg(i)), Value(Currency::fromWhole(i))});
        insert.queue();
    }
    tx.commit();
}
}  // namespace

class TestServer : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    // A connection file holds where the server is and which schema, never a password.
    void connectionFiles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("refusal");  // empty: read
        QTest::newRow("keywords and schema") << "; 事務所\n[server]\nhost = db1\nPort=5433\nschema=office_1\n" << "";
        QTest::newRow("password") << "[server]\nhost=db1\npassword=secret\nschema=a\n" << "パスワード";
        QTest::newRow("unknown keyword") << "[server]\nhots=db1\nschema=a\n" << "hots";
        QTest::newRow("schema of the server") << "[server]\nschema=pg_catalog\n" << "サーバーが使う名前";
        QTest::newRow("schema with a quote") << "[server]\nschema=a\"b\n" << "使えません";
        QTest::newRow("no group") << "host=db1\nschema=a\n" << "[server]";
    }
    void connectionFiles()
    {
        QFETCH(QString, text);
        QFETCH(QString, refusal);
        const QString path = dir.filePath(QString(QTest::currentDataTag()) + ".rzdb");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) > 0);
        f.close();
        const QString said = failureOf([&] {
            const ServerLocation loc = readConnectionFile(path);
            writeConnectionFile(path + "2.rzdb", loc);
            const ServerLocation again = readConnectionFile(path + "2.rzdb");
            QCOMPARE(again.keywords, loc.keywords);
            QCOMPARE(loc.value("port") + ' ' + again.schema, QString("5433 office_1"));
        });
        QVERIFY2(refusal.isEmpty() ? said.isEmpty() : said.contains(refusal), qPrintable(said));
    }

    // Statements and names the server store does not take are refused with a message, and the store goes on.
    void refusedStatements_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("engine's own") << "PRAGMA integrity_check";
        QTest::newRow("case-blind collation") << "SELECT * FROM RZTBLIDX ORDER BY knm COLLATE NOCASE";
        QTest::newRow("another file") << "SELECT * FROM [;DATABASE=/tmp/x.mdb].[RZTBLIDX]";
        QTest::newRow("copy from another file") << "SELECT * INTO TBL00009 FROM [;DATABASE=/tmp/x.mdb].[TBL00001]";
        QTest::newRow("name not the program's") << "SELECT * FROM \"RZTBLIDX; DROP SCHEMA public\"";
        QTest::newRow("row identity as a column") << "CREATE TABLE TBL00009 (_rowid_ LONG)";
    }
    void refusedStatements()
    {
        QFETCH(QString, sql);
        auto db = rztest::newEstimateStore("server", dir, "refused");
        QVERIFY(!failureOf([&] { db->execute(sql); }).isEmpty());
        QVERIFY(!failureOf([&] { db->tableExists("RZ TBLIDX"); }).isEmpty());
        QCOMPARE(db->tableNames(), QStringList{"RZTBLIDX"});
    }

    // A role the server lets only read opens the store read-only, with the words for a read-only file.
    void roleWithoutWriteRights()
    {
        QString path;
        auto db = rztest::newEstimateStore("server", dir, "rights", &path);
        db->execute("INSERT INTO RZTBLIDX (key1, knm) VALUES (1, '工事')");
        const QString schema = readConnectionFile(path).schema;
        rztest::asSuperuser({"DO $$BEGIN CREATE ROLE rz_reader LOGIN; EXCEPTION WHEN duplicate_object THEN NULL; END$$",
                             "GRANT USAGE ON SCHEMA " + schema + " TO rz_reader",
                             "GRANT SELECT ON ALL TABLES IN SCHEMA " + schema + " TO rz_reader"});
        const QString reader = dir.filePath("reader.rzdb");
        writeConnectionFile(reader, rztest::testServer(schema, "rz_reader"));
        DbFailure reason = DbFailure::Other;
        const QString said = failureOf([&] { openEstimateFile(reader); }, &reason);
        QVERIFY2(said.contains("読み取り専用のため開けません") && reason == DbFailure::ReadOnly, qPrintable(said));
        auto ro = Database::open(reader, Database::Mode::ReadOnly);
        QCOMPARE(ro->openRecordset("SELECT knm FROM RZTBLIDX", RecordsetType::Snapshot)->field(0), Value("工事"));
        ro->execute("SELECT 1");
        failureOf([&] { ro->execute("UPDATE RZTBLIDX SET knm = 'x'"); }, &reason);
        QCOMPARE(reason, DbFailure::ReadOnly);
    }

    // A failed statement inside a nested transaction is undone alone: the caller goes on and commits the rest.
    void failureInsideASavepoint_data() { rztest::engineRows(); }
    void failureInsideASavepoint()
    {
        QFETCH(QString, engine);
        auto db = rztest::newEstimateStore(engine, dir, "savepoint");
        {
            Transaction tx(*db);
            db->execute("INSERT INTO RZTBLIDX (key1) VALUES (1)");
            DbFailure reason = DbFailure::Other;
            failureOf([&] {
                Transaction inner(*db);
                db->execute("INSERT INTO RZTBLIDX (key1) VALUES (2)");
                db->execute("SELECT * FROM TBL00320");
            }, &reason);
            QCOMPARE(reason, DbFailure::MissingTable);
            db->execute("INSERT INTO RZTBLIDX (key1) VALUES (3)");
            tx.commit();
        }
        auto rs = db->openRecordset("SELECT key1 FROM RZTBLIDX ORDER BY key1", RecordsetType::Snapshot);
        QStringList keys;
        for (; !rs->eof(); rs->moveNext())
            keys << rs->field(0).toString();
        QCOMPARE(keys, QStringList({"1", "3"}));
    }

    // A write-back over a row another program is changing waits for that change and then refuses it as a conflict,
    // rather than writing over a value the user never saw.
    void writeBackWaitsForAChangeUnderWay_data() { rztest::engineRows(); }
    void writeBackWaitsForAChangeUnderWay()
    {
        QFETCH(QString, engine);
        QString path;
        auto db = rztest::newEstimateStore(engine, dir, "underway", &path);
        db->execute("INSERT INTO RZTBLIDX (key1, knm, bk1) VALUES (64, '元', '元')");
        auto rs = db->openRecordset("SELECT * FROM RZTBLIDX");
        auto other = Database::open(path);
        other->execute("BEGIN");
        other->execute("UPDATE RZTBLIDX SET knm = 'よそ'");
        std::thread committer([&] { QThread::msleep(300), other->execute("COMMIT"); });
        DbFailure reason = DbFailure::Other;
        failureOf([&] {
            Transaction tx(*db);
            rs->edit();
            rs->setField(rs->fieldIndex("knm"), Value("わたし"), rs->field("knm"));
            rs->setField(rs->fieldIndex("bk1"), Value("わたし"), rs->field("bk1"));
            rs->update();
            tx.commit();
        }, &reason);
        committer.join();
        QCOMPARE(reason, engine == "file" ? DbFailure::Busy : DbFailure::WriteConflict);  // a file's lock cannot wait for a reader turned writer
        QCOMPARE(rztest::rowsOf(*Database::open(path), "SELECT knm, bk1 FROM RZTBLIDX"), QStringList{"よそ/元"});
    }

    // A client killed in the middle of a change leaves the estimate as it was, and holds no lock.
    void killedClientLeavesTheEstimate()
    {
        QString path;
        auto db = rztest::newEstimateStore("server", dir, "killed", &path);
        db->execute("INSERT INTO RZTBLIDX (key1, knm) VALUES (1, '元')");
        int ready[2];
        QVERIFY(pipe(ready) == 0);
        const pid_t child = fork();
        if (child == 0) {
            auto mine = Database::open(path);
            Transaction tx(*mine);
            mine->execute("UPDATE RZTBLIDX SET knm = '途中'");
            mine->execute("INSERT INTO RZTBLIDX (key1) VALUES (2)");
            _exit(write(ready[1], "+", 1) == 1 ? pause() : 1);
        }
        char c = 0;
        QVERIFY(read(ready[0], &c, 1) == 1);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        db->setLockWait(3000);
        QCOMPARE(db->execute("UPDATE RZTBLIDX SET bk1 = 'x' WHERE knm = '元'"), 1);
        QCOMPARE(db->rowCount("RZTBLIDX"), 1);
    }

    // A server stopped while the store is open: a clear failure within seconds, never a wait without end; the next
    // command after its start connects again, once, and finds what was committed. A server that stops answering
    // (its process frozen) is given up within ten seconds.
    void stoppedServer()
    {
        const QString state = dir.filePath("second.state"), script = qEnvironmentVariable("RZ_PGSERVER");
        const auto server = [&](const char *cmd) { return QProcess::execute(script, {cmd, state}) == 0; };
        QVERIFY(server("start"));
        auto stop = qScopeGuard([&] { server("stop"); });
        QFile f(state);
        QVERIFY(f.open(QIODevice::ReadOnly));
        ServerLocation loc = rztest::testServer("halted");
        loc.keywords["host"] = QString::fromUtf8(f.readAll()).trimmed();
        const QString path = dir.filePath("halted.rzdb");
        writeConnectionFile(path, loc);
        sb_MkIdxDB(path, 0);
        auto db = openEstimateFile(path);
        db->execute("INSERT INTO RZTBLIDX (key1) VALUES (1)");
        QVERIFY(server("halt"));
        QElapsedTimer clock;
        clock.start();
        DbFailure reason = DbFailure::Other;
        const QString said = failureOf([&] { db->execute("INSERT INTO RZTBLIDX (key1) VALUES (2)"); }, &reason);
        QVERIFY2(reason == DbFailure::ConnectionLost && said.contains("接続が切れました"), qPrintable(said));
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY(server("resume"));
        const qint64 before = db->traffic().reconnects;
        db->execute("INSERT INTO RZTBLIDX (key1) VALUES (3)");
        // Statements run before, and so kept prepared on the old connection, run again after a restart
        // between two commands: a query and a queued write.
        Statement count(*db, "SELECT count(*) FROM RZTBLIDX"), add(*db, "INSERT INTO RZTBLIDX (key1) VALUES (?)");
        for (int run = 0; run < 2; ++run) {
            QVERIFY(count.step());
            count.reset();
            add.bind(1, Value(qint64(10 + run)));
            add.queue();
            db->flush();
        }
        QVERIFY(server("halt") && server("resume"));  // a restart between two commands
        QVERIFY(count.step());
        QCOMPARE(count.column(0, ColType::Long).toLong(), 4);
        count.reset();
        QVERIFY(server("halt") && server("resume"));
        add.bind(1, Value(qint64(12)));
        add.queue();
        db->flush();
        QCOMPARE(db->rowCount("RZTBLIDX"), 5);
        QCOMPARE(db->traffic().reconnects - before, 3);
        Statement pid(*db, "SELECT pg_backend_pid()");
        QVERIFY(pid.step());
        const pid_t backend = pid_t(pid.columnInt64(0));
        kill(backend, SIGSTOP);
        clock.restart();
        failureOf([&] { db->rowCount("RZTBLIDX"); }, &reason);
        kill(backend, SIGCONT);
        QCOMPARE(reason, DbFailure::ConnectionLost);
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(db->rowCount("RZTBLIDX"), 5);
        // A recordset read again while the server is gone keeps its records: after the restart a write through it
        // finds its row instead of taking it for one another program deleted.
        auto rs = db->openRecordset("SELECT * FROM RZTBLIDX ORDER BY key1");
        QCOMPARE(rs->recordCount(), 5);
        QVERIFY(server("halt"));
        QVERIFY_THROWS_EXCEPTION(DbError, rs->requery());
        QVERIFY(server("resume"));
        QCOMPARE(rs->recordCount(), 5);
        rs->moveFirst();
        rs->edit();
        rs->setField("knm", Value("再接続"));
        rs->update();
        Statement named(*db, "SELECT count(*) FROM RZTBLIDX WHERE knm = '再接続'");
        QVERIFY(named.step());
        QCOMPARE(named.column(0, ColType::Long).toLong(), 1);
    }

    // Another connection's commit to the list of estimates is told within a second or so.
    void changeWatch_data() { rztest::engineRows(); }
    void changeWatch()
    {
        QFETCH(QString, engine);
        QString path;
        auto db = rztest::newEstimateStore(engine, dir, "watched", &path);
        auto watch = db->watchChanges();
        QSignalSpy spy(watch.get(), &ChangeWatch::changed);
        QTest::qWait(100);
        QCOMPARE(spy.count(), 0);
        Database::open(path)->execute("INSERT INTO RZTBLIDX (key1, knm) VALUES (64, 'よそ')");
        QVERIFY(spy.wait(1500));
    }

    // The round trips of the editor's work on a level are the same for a short and a long level (a long one only
    // reads a full pass in a few more, growing blocks); a row-by-row read or write would grow with the level.
    // A write-back of a page's checked rows goes together: 5 rows written cost what 20 cost.
    void roundTripsDoNotGrowWithTheLevel_data()
    {
        QTest::addColumn<QString>("work");
        for (const char *w : {"open and first page", "last page", "write back a page", "full pass", "recalculation"})
            QTest::newRow(w) << w;
    }
    void roundTripsDoNotGrowWithTheLevel()
    {
        QFETCH(QString, work);
        std::vector<qint64> trips;
        for (int n : {60, 3000}) {
            auto db = rztest::newEstimateStore("server", dir, QString("trips%1").arg(n));
            fillLevel(*db, n);
            const QString sql = LvlSelectShape("TBL00001", 0);
            auto rs = db->openRecordset(sql, RecordsetType::Dynaset, levelParams(0, {}));
            rs->moveFirst();
            rs->field(0);
            const qint64 start = db->traffic().roundTrips;
            if (work == "open and first page" || work == "full pass" || work == "recalculation") {
                rs = db->openRecordset(sql, RecordsetType::Dynaset, levelParams(0, {}));
                Transaction tx(*db, TxWrites::Batched);
                for (rs->moveFirst(); !rs->eof() && (work != "open and first page" || rs->absolutePosition() < 21);
                     rs->moveNext()) {
                    const Currency kn1 = rs->field("kn1").toCurrency();
                    if (work == "recalculation") {
                        rs->edit();
                        rs->setField("kn1", Value(kn1 + Currency::fromWhole(1)));
                        rs->update();
                    }
                }
                tx.commit();
            } else {
                rs->move(work == "last page" ? n - 20 : 0);
                const bool page = work == "write back a page";
                Transaction tx(*db, page ? TxWrites::Together : TxWrites::Immediate);
                for (int r = 0; r < (page && n == 60 ? 5 : 20); ++r, rs->moveNext()) {
                    if (work == "last page") {
                        rs->field("knm");
                        continue;
                    }
                    rs->edit();
                    rs->setField(rs->fieldIndex("knm"), Value("改"), rs->field("knm"));
                    rs->update();
                }
                tx.commit();
            }
            trips.push_back(db->traffic().roundTrips - start);
        }
        qInfo("%s: %lld round trips for 60 rows, %lld for 3000", qPrintable(work), trips[0], trips[1]);
        if (work == "full pass" || work == "recalculation")
            QVERIFY2(trips[1] <= trips[0] + 8, qPrintable(QString::number(trips[1])));
        else
            QCOMPARE(trips[1], trips[0]);
    }

    // Compacting a store on a server runs the server's own maintenance and keeps every row.
    void compactionOnAServer()
    {
        QString path;
        auto db = rztest::newEstimateStore("server", dir, "compact", &path);
        fillLevel(*db, 50);
        db->execute("DELETE FROM TBL00001 WHERE key1 > 10240");
        QVERIFY(failureOf([&] { compactEstimateFile(path, dir.filePath("work.mdb")); }).isEmpty());
        QCOMPARE(db->rowCount("TBL00001"), 10);
        QVERIFY(!QFile::exists(dir.filePath("work.mdb")));
    }
};

RZ_REGISTER_TEST(TestServer)
#include "tst_server.moc"
