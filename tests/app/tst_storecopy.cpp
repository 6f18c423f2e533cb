// `rz90 store copy`: an estimate file onto a server, back, and between two of
// either; the copy whole and alike, or nothing at all.
#include "app/serverform.h"
#include "app/storecommand.h"
#include "store/schema.h"
#include "store/serverlocation.h"
#include "store/storecopy.h"
#include "store/tabletally.h"
#include "support/storefixture.h"
#include "support/testmain.h"

#include <QProcess>
#include <QtTest>

using namespace rz;

class TestStoreCopy : public QObject {
    Q_OBJECT
private slots:
    void copy_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("target");  // new, existing (a store is there), spoiled (the check must refuse)
        QTest::addColumn<int>("exit");
        for (const QString &from : rztest::engines())
            for (const QString &to : rztest::engines())
                QTest::addRow("%s to %s", qPrintable(from), qPrintable(to)) << from << to << "new" << int(StoreOk);
        QTest::newRow("over a file") << "server" << "file" << "existing" << int(StoreCannotWrite);
        QTest::newRow("over a schema") << "file" << "server" << "existing" << int(StoreCannotWrite);
        QTest::newRow("spoiled on a server") << "file" << "server" << "spoiled" << int(StoreFailed);
        QTest::newRow("spoiled in a file") << "server" << "file" << "spoiled" << int(StoreFailed);
    }
    void copy()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, target);
        QFETCH(int, exit);
        QTemporaryDir dir;
        QString source;
        {
            auto db = rztest::newEstimateStore(from, dir, "source", &source);
            Transaction tx(*db);
            db->execute("INSERT INTO RZTBLIDX (key1, knm, kn1, kn2, int0) VALUES (7, ?, ?, ?, 2)",
                        {QStringLiteral("市民会館　"), Currency::fromRaw(12345678901234), Currency::fromRaw(-5)});
            sb_MkUTbl(itemTableName(7), *db);
            for (int i = 1; i <= 2; ++i)
                db->execute("INSERT INTO TBL00007 (key1, knm, kn1, kn2) VALUES (?, '型枠  ', ?, ?)",
                            {i * 64, Currency::fromRaw(i * 98765432109LL), Currency::fromRaw(-i)});
            tx.commit();
        }
        const QString copy = rztest::newStoreLocation(to, dir, "copy");
        if (target == "existing")
            sb_MkIdxDB(copy, 0);
        setStoreCopyHookForTesting(target == "spoiled" ? [](Database &db) {
            db.execute("UPDATE TBL00007 SET kn1 = kn1 + 1 WHERE key1 = 128");
        } : std::function<void(Database &)>());
        QString text;
        QTextStream stream(&text);
        const int code = runStoreCommand({"copy", source, copy}, stream, stream);
        setStoreCopyHookForTesting({});
        QVERIFY2(code == exit, qPrintable(QString::number(code) + ' ' + text));
        if (exit != StoreOk) {
            // Nothing made, nothing overwritten: an existing store keeps its empty list.
            QCOMPARE(newStoreAt(copy) == NewStore::Free, target != "existing");
            if (target == "existing")
                QCOMPARE(Database::open(copy)->rowCount(kIndexTable), 0);
            return;
        }
        QVERIFY2(text.contains("見積 1 件"), qPrintable(text));
        auto a = Database::open(source, OpenMode::ReadOnly), b = Database::open(copy, OpenMode::ReadOnly);
        QCOMPARE(b->tableNames(), a->tableNames());
        for (const QString &table : a->tableNames())
            QVERIFY2(tallyOf(*a, table) == tallyOf(*b, table), qPrintable(table));
        // Texts with their padding, and the item table's columns as declared.
        Statement names(*b, "SELECT i.knm, t.knm FROM RZTBLIDX i, TBL00007 t WHERE t.key1 = 64");
        QVERIFY(names.step());
        QCOMPARE(names.column(0, ColType::Text).toString(), QStringLiteral("市民会館　"));
        QCOMPARE(names.column(1, ColType::Text).toString(), QStringLiteral("型枠  "));
        QCOMPARE(b->columns("TBL00007").size(), a->columns("TBL00007").size());
    }

    // The form of 新規作成 for a new connection file: what it refuses, and the connection it names.
    void serverForm_data()
    {
        QTest::addColumn<QStringList>("fields");  // host, port, dbname, schema, user
        QTest::addColumn<QString>("result");      // the keywords and schema, or the refusal
        QTest::newRow("whole") << QStringList{" db1 ", "5433", "見積", "office", "tanaka"}
                               << "dbname=見積 host=db1 port=5433 user=tanaka schema=office";
        QTest::newRow("blanks left out") << QStringList{"db1", "", "", "office", ""} << "host=db1 schema=office";
        QTest::newRow("no server") << QStringList{"", "5432", "", "office", ""} << "サーバーを入力";
        QTest::newRow("port no number") << QStringList{"db1", "54x", "", "office", ""} << "ポート番号";
        QTest::newRow("port too large") << QStringList{"db1", "65536", "", "office", ""} << "ポート番号";
        QTest::newRow("schema in capitals") << QStringList{"db1", "5432", "", "Office", ""} << "スキーマ名 'Office'";
        QTest::newRow("the server's schema") << QStringList{"db1", "5432", "", "pg_office", ""} << "スキーマ名 'pg_office' はサーバーが使う名前";
    }
    void serverForm()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, result);
        QString problem;
        const auto loc = serverLocationOf({fields[0], fields[1], fields[2], fields[3], fields[4]}, &problem);
        QString got = problem;
        if (loc) {
            QStringList words;
            for (const auto &[key, value] : loc->keywords)
                words << key + '=' + value;
            got = words.join(' ') + " schema=" + loc->schema;
        }
        QVERIFY2(got.startsWith(result), qPrintable(got));
        QCOMPARE(loc.has_value(), problem.isEmpty());
        // A schema is proposed from the file's name only when the server would take it.
        QCOMPARE(proposedServerForm("/x/Office_2026.rzdb").schema, QString("office_2026"));
        QCOMPARE(proposedServerForm("/x/見積書.rzdb").schema, QString());
    }

    // A server that wants a password the user's files do not give: asked once in a run, kept for the
    // next connection, and asked again when the server refused it.
    void passwordAskedOncePerRun()
    {
        QTemporaryDir dir;
        QString owned;
        rztest::newEstimateStore("server", dir, "owned", &owned);
        const QString schema = readConnectionFile(owned).schema;
        rztest::asSuperuser({"DO $$BEGIN CREATE ROLE rz_pw LOGIN PASSWORD 'right'; EXCEPTION WHEN duplicate_object THEN NULL; END$$",
                             "GRANT USAGE ON SCHEMA " + schema + " TO rz_pw",
                             "GRANT SELECT ON ALL TABLES IN SCHEMA " + schema + " TO rz_pw"});
        // The test server trusts every role but this one, which must give its password.
        QFile state(rztest::testServerState());
        QVERIFY(state.open(QIODevice::ReadOnly));
        QFile hba(QString::fromUtf8(state.readAll()).trimmed() + "/data/pg_hba.conf");
        QVERIFY(hba.open(QIODevice::ReadWrite));
        const QByteArray rules = hba.readAll();
        if (!rules.startsWith("local all rz_pw")) {
            QVERIFY(hba.seek(0) && hba.resize(0));
            hba.write("local all rz_pw scram-sha-256\n" + rules);
            hba.close();
            rztest::asSuperuser({"SELECT pg_reload_conf()"});
        }
        const QString location = dir.filePath("pw.rzdb");
        writeConnectionFile(location, rztest::testServer(schema, "rz_pw"));
        QStringList answers{"wrong", "right"}, asked;
        setPasswordProvider([&](const QString &server) {
            asked << server;
            return answers.isEmpty() ? std::nullopt : std::optional(answers.takeFirst());
        });
        const std::shared_ptr<void> noProviderAfter(nullptr, [](void *) { setPasswordProvider({}); });
        QStringList opened;
        for (int i = 0; i < 3; ++i) {
            try {
                opened << QString::number(Database::open(location, OpenMode::ReadOnly)->rowCount(kIndexTable));
            } catch (const DbError &) {
                opened << "refused";
            }
        }
        QCOMPARE(opened, QStringList({"refused", "0", "0"}));
        QCOMPARE(asked.size(), 2);
        // A command never waits for one: it says where the password is read from.
        QProcess p;
        p.start(RZ_PROGRAM, {"store", "copy", location, dir.filePath("copy.mdb")});
        if (!p.waitForFinished(30000)) {
            p.kill(), p.waitForFinished();
            QFAIL("the command waited");
        }
        QCOMPARE(p.exitCode(), int(StoreNoSource));
        QVERIFY(p.readAllStandardError().contains("asks for a password; a command reads it only from ~/.pgpass"));
        QVERIFY2(asked[0].startsWith("rz_pw@"), qPrintable(asked[0]));
    }
};

RZ_REGISTER_TEST(TestStoreCopy)
#include "tst_storecopy.moc"
