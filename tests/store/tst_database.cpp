// The store layer: typed values in both item-table variants, recordset moves
// and edits, SELECT * INTO within and across files, transactions and the
// refusal of files that are not estimate files.
#include "store/database.h"
#include "store/failuretext.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "store/tablecopy.h"
#include "support/storefixture.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace rz;
Q_DECLARE_METATYPE(rz::Value)
Q_DECLARE_METATYPE(rz::DbFailure)

namespace QTest {
template <> inline char *toString(const rz::Value &v)
{
    return qstrdup(QString("%1%2").arg(v.isNull() ? "Null" : "", v.toString()).toUtf8().constData());
}
}  // namespace QTest

namespace {
const Currency kMax = Currency::fromRaw(std::numeric_limits<qint64>::max());
const Currency kMin = Currency::fromRaw(std::numeric_limits<qint64>::min());

std::unique_ptr<Database> newEstimateFile(const QString &path)
{
    sb_MkIdxDB(path, 0);
    return openEstimateFile(path);
}
}  // namespace

class TestDatabase : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString file(const QString &name) const { return dir.filePath(name); }

private slots:
    void newFileHoldsTheIndexTableOnly_data() { rztest::engineRows(); }
    void newFileHoldsTheIndexTableOnly()
    {
        QFETCH(QString, engine);
        QString path;
        auto db = rztest::newEstimateStore(engine, dir, "new", &path);
        QCOMPARE(db->tableNames(), QStringList{"RZTBLIDX"});
        const auto cols = db->columns("RZTBLIDX");
        QCOMPARE(int(cols.size()), 41);
        QCOMPARE(cols[21].name, QString("cur0"));
        QCOMPARE(cols[21].declared, QString("CURRENCY"));
        QCOMPARE(cols.back().name + ' ' + cols.back().declared, QString("bk4 TEXT(40)"));
        const QString block = rztest::newStoreLocation(engine, dir, "block");
        sb_MkIdxDB(block, 1);
        QVERIFY(Database::open(block)->tableNames().isEmpty());
        QVERIFY_THROWS_EXCEPTION(DbError, sb_MkIdxDB(path, 0));  // never over an existing file
    }

    // A creation killed at its first step on disk leaves either nothing
    // under the chosen name or a whole estimate file, and can be repeated.
    void newFileAppearsWholeOrNotAtAll()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("killed.mdb");
        const int watch = inotify_init1(0);
        QVERIFY(watch >= 0);
        QVERIFY(inotify_add_watch(watch, QFile::encodeName(folder.path()).constData(), IN_CREATE) >= 0);
        const pid_t child = fork();
        if (child == 0) {
            sb_MkIdxDB(path, 0);
            _exit(0);
        }
        char event[4096];
        QVERIFY(read(watch, event, sizeof event) > 0);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(watch);
        if (!QFile::exists(path))
            QVERIFY_THROWS_NO_EXCEPTION(sb_MkIdxDB(path, 0));
        QVERIFY_THROWS_NO_EXCEPTION(openEstimateFile(path));
        // The next creation in the folder removes what the killed one left.
        QVERIFY_THROWS_NO_EXCEPTION(sb_MkIdxDB(folder.filePath("next.mdb"), 0));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"killed.mdb", "next.mdb"}));
    }

    // Part files of creations killed half way go when the next creation in their folder starts, with the engine's
    // files beside them; a part file locked by a live writer (the creation around this one, this test, or another
    // process as SQLite locks it) and files of other names stay.
    void leftoverPartFiles_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("lock");  // of the first file: 0 none, 1 a writer's (flock), 2 SQLite's in another process
        QTest::addColumn<bool>("stay");
        const QString part = ".a.mdb.Ab3dE9.part";
        QTest::newRow("part and journal") << QStringList{part, part + "-journal"} << 0 << false;
        QTest::newRow("part in WAL mode") << QStringList{part, part + "-wal", part + "-shm"} << 0 << false;
        QTest::newRow("journal alone") << QStringList{part + "-journal"} << 0 << false;
        QTest::newRow("writer's lock") << QStringList{part, part + "-journal"} << 1 << true;
        QTest::newRow("SQLite's lock") << QStringList{part, part + "-journal"} << 2 << true;
        QTest::newRow("not hidden") << QStringList{"a.mdb.Ab3dE9.part"} << 0 << true;
        QTest::newRow("other end") << QStringList{".a.mdb.Ab3dE9.partial"} << 0 << true;
        QTest::newRow("no random part") << QStringList{".a.mdb.part", ".a.mdb.part-journal"} << 0 << true;
    }
    void leftoverPartFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(int, lock);
        QFETCH(bool, stay);
        QTemporaryDir folder;
        QList<std::shared_ptr<QFile>> open;
        for (const QString &name : files) {
            open << std::make_shared<QFile>(folder.filePath(name));
            QVERIFY(open.back()->open(QIODevice::WriteOnly) && open.back()->write("SQLite format 3") > 0);
        }
        QVERIFY(lock != 1 || flock(open.front()->handle(), LOCK_EX | LOCK_NB) == 0);
        pid_t holder = 0;
        auto reap = qScopeGuard([&holder] { holder > 0 && kill(holder, SIGKILL) == 0 && waitpid(holder, nullptr, 0); });
        int ready[2];
        if (lock == 2 && pipe(ready) == 0 && (holder = fork()) == 0) {
            struct flock range = {};
            range.l_type = F_WRLCK;
            _exit(fcntl(open.front()->handle(), F_SETLK, &range) == 0 && write(ready[1], "+", 1) == 1 ? pause() : 1);
        }
        char c;
        QVERIFY(lock != 2 || (holder > 0 && read(ready[0], &c, 1) == 1));
        QStringList during;
        QVERIFY_THROWS_NO_EXCEPTION(createWholeFile(folder.filePath("outer.mdb"), [&](Database &) {
            sb_MkIdxDB(folder.filePath("inner.mdb"), 0);
            during = QDir(folder.path()).entryList({".outer.mdb.*.part"}, QDir::Files | QDir::Hidden);
        }));
        QCOMPARE(during.size(), 1);
        QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(left.removeAll("outer.mdb") + left.removeAll("inner.mdb"), 2);
        QCOMPARE(left, stay ? files : QStringList());  // rows list their files sorted
    }

    // A row another program deleted or filled with a value its column cannot
    // hold fails where it is read, and leaves the recordset whole: the other
    // rows read and write as before.
    void failedReadsLeaveTheRecordsetWhole_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("change");
        QTest::addColumn<DbFailure>("reason");
        for (const QString &e : rztest::engines())
            QTest::newRow(qPrintable(e + " row deleted")) << e << "DELETE FROM RZTBLIDX WHERE key1 = 128" << DbFailure::RecordDeleted;
        // A server's columns hold only their type.
        QTest::newRow("number column holds text") << "file" << "UPDATE RZTBLIDX SET int0 = 'abc' WHERE key1 = 128" << DbFailure::TypeMismatch;
    }
    void failedReadsLeaveTheRecordsetWhole()
    {
        QFETCH(QString, engine);
        QFETCH(QString, change);
        QFETCH(DbFailure, reason);
        QString path;
        auto db = rztest::newEstimateStore(engine, dir, QString("gone_%1").arg(int(reason)), &path);
        for (int k : {64, 128, 192})
            db->execute("INSERT INTO RZTBLIDX (key1, knm, int0) VALUES (?, ?, 5)", {Value(qint64(k)), Value(QString("工事%1").arg(k))});
        auto rs = db->openRecordset("SELECT * FROM RZTBLIDX ORDER BY [key1]");
        rs->moveFirst();
        QCOMPARE(rs->field("int0").toLong(), 5);
        Database::open(path)->execute(change);
        rs->moveNext();
        DbFailure thrown = DbFailure::Other;
        try {
            rs->field("int0");
        } catch (const DbError &e) {
            thrown = e.reason();
        }
        QCOMPARE(thrown, reason);
        if (reason == DbFailure::TypeMismatch) {
            // The rest of the row reads, and a change elsewhere in it keeps the value as stored.
            QCOMPARE(rs->field("knm").toString(), QString("工事128"));
            rs->edit();
            rs->setField("knm", Value("改名"));
            rs->update();
        } else {
            QVERIFY_THROWS_EXCEPTION(DbError, rs->edit());
            QVERIFY_THROWS_EXCEPTION(DbError, rs->setField("knm", Value("x")));
        }
        for (int i = 0; i < 2; ++i) {  // the rows around it, read and written again
            i == 0 ? rs->movePrevious() : rs->move(2);
            rs->edit();
            rs->setField("kn1", Value(Currency::fromWhole(100 + i)));
            rs->update();
            QCOMPARE(rs->field("int0").toLong(), 5);
        }
        auto check = Database::open(path)->openRecordset(
            "SELECT key1, knm, kn1, CAST(int0 AS TEXT) FROM RZTBLIDX ORDER BY key1", RecordsetType::Snapshot);
        QStringList rows;
        for (; !check->eof(); check->moveNext())
            rows << QString("%1 %2 %3 %4").arg(check->field(0).toString(), check->field(1).toString(),
                                               check->field(2).toString(), check->field(3).toString());
        QStringList expected{"64 工事64 100 5", "192 工事192 101 5"};
        if (reason == DbFailure::TypeMismatch)
            expected.insert(1, "128 改名  abc");
        QCOMPARE(rows, expected);
    }

    // Values written through a recordset come back as the declared type
    // converts them, in the 48-column and the 47-column item tables alike.
    void typedRoundTrip_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<bool>("sqlVariant");
        QTest::addColumn<QString>("column");
        QTest::addColumn<Value>("written");
        QTest::addColumn<Value>("expected");
        for (const QString &engine : rztest::engines())
        for (bool sqlVariant : {false, true}) {
            const QByteArray v = (engine + (sqlVariant ? " 47 " : " 48 ")).toUtf8();
            auto row = [&](const char *name) -> QTestData & { return QTest::newRow(QByteArray(v).append(name).constData()) << engine; };
            row("key negative") << sqlVariant << "key1" << Value(qint64(-5)) << Value(qint64(-5));
            row("key max") << sqlVariant << "key2" << Value(qint64(2147483647)) << Value(qint64(2147483647));
            row("price max") << sqlVariant << "tk1" << Value(kMax) << Value(kMax);
            row("price min") << sqlVariant << "tk2" << Value(kMin) << Value(kMin);
            row("price fraction") << sqlVariant << "tk1" << Value(Currency::fromRaw(12345)) << Value(Currency::fromRaw(12345));
            row("null price") << sqlVariant << "tk1" << Value() << Value();
            row("rate half even") << sqlVariant << "rt1" << Value(2.5) << Value(qint64(2));
            row("text quotes") << sqlVariant << "knm" << Value("O'Brien \"様\" 邸") << Value("O'Brien \"様\" 邸");
            row("empty text is not null") << sqlVariant << "mei" << Value("") << Value("");
            row("null text") << sqlVariant << "mei" << Value() << Value();
        }
        for (const QString &e : rztest::engines()) {
            auto row = [&](const char *name) -> QTestData & { return QTest::newRow(qPrintable(e + ' ' + name)) << e; };
            // The variants differ where their types differ.
            row("48 quantity keeps four decimals") << false << "su1" << Value(Currency::fromRaw(25001)) << Value(Currency::fromRaw(25001));
            row("47 quantity is single") << true << "su1" << Value(Currency::fromRaw(25000)) << Value(2.5);
            row("47 quantity single fraction") << true << "su1" << Value(0.1) << Value(double(0.1f));
            row("48 amount currency") << false << "kn1" << Value(Currency::fromWhole(1075000)) << Value(Currency::fromWhole(1075000));
            row("47 amount long rounds half even") << true << "kn1" << Value(Currency::fromRaw(25000)) << Value(qint64(2));
            // Out of range or not a number: refused, never wrapped or read as 0.
            row("48 short out of range") << false << "rt1" << Value(qint64(32768)) << Value("refused");
            row("48 long out of range") << false << "key1" << Value(qint64(2147483648LL)) << Value("refused");
            row("48 text in a price") << false << "tk1" << Value("abc") << Value("refused");
        }
    }
    void typedRoundTrip()
    {
        QFETCH(QString, engine);
        QFETCH(bool, sqlVariant);
        QFETCH(QString, column);
        QFETCH(Value, written);
        QFETCH(Value, expected);
        QString path;
        auto db = rztest::newEstimateStore(engine, dir, QString("rt%1").arg(QTest::currentDataTag()).replace(' ', '_'), &path);
        if (sqlVariant)
            db->execute(itemTableCreateSql(7));
        else
            sb_MkUTbl("TBL00007", *db);
        QCOMPARE(int(db->columns("TBL00007").size()), sqlVariant ? 47 : 48);
        {
            auto rs = db->openRecordset("SELECT * FROM TBL00007");
            rs->addNew();
            rs->setField("key1", Value(qint64(1024)));
            if (expected == Value("refused")) {
                QVERIFY_THROWS_EXCEPTION(std::exception, rs->setField(column, written));
                return;
            }
            rs->setField(column, written);
            rs->update();
        }
        db.reset();
        auto again = openEstimateFile(path);
        auto rs = again->openRecordset("SELECT * FROM TBL00007", RecordsetType::Snapshot);
        QCOMPARE(rs->recordCount(), 1);
        QCOMPARE(rs->field(column.toUpper()), expected);  // names compare without case
    }

    void dynasetMovesEditsAndDeletes_data() { rztest::engineRows(); }
    void dynasetMovesEditsAndDeletes()
    {
        QFETCH(QString, engine);
        QString path;
        auto db = rztest::newEstimateStore(engine, dir, "moves", &path);
        auto rs = db->openRecordset("SELECT * FROM RZTBLIDX ORDER BY [key1]");
        for (int k : {192, 64, 128}) {
            rs->addNew();
            rs->setField("key1", Value(qint64(k)));
            rs->setField("knm", Value(QString("工事%1").arg(k)));
            rs->update();
        }
        QCOMPARE(rs->recordCount(), 3);  // each new record joins the set once
        rs->requery();
        QCOMPARE(rs->recordCount(), 3);
        rs->moveFirst();
        QCOMPARE(rs->field("key1").toLong(), 64);
        rs->move(2);
        QCOMPARE(rs->field(0).toLong(), 192);
        rs->moveNext();
        QVERIFY(rs->eof());
        rs->moveFirst();
        rs->moveNext();
        rs->edit();
        rs->setField("kn1", Value(Currency::fromWhole(300000)));
        rs->update();
        QCOMPARE(rs->field("kn1").toCurrency(), Currency::fromWhole(300000));
        rs->deleteRecord();
        rs->moveNext();
        QCOMPARE(rs->field("key1").toLong(), 192);  // the row after the deleted one
        Database::open(path)->execute("UPDATE RZTBLIDX SET knm = 'よそ' WHERE key1 = 192");
        rs->moveFirst();
        rs->moveNext();
        QCOMPARE(rs->field("knm").toString(), QString("よそ"));  // a row moved onto is read as it is stored now
        auto check = db->openRecordset("SELECT [key1] FROM RZTBLIDX ORDER BY [key1]", RecordsetType::Snapshot);
        QCOMPARE(check->recordCount(), 2);
        QVERIFY_THROWS_EXCEPTION(DbError, check->edit());
        // A row deleted behind an edit is reported, never saved into nothing.
        rs->moveFirst();
        rs->edit();
        db->execute("DELETE FROM RZTBLIDX WHERE key1 = 64");
        rs->setField("knm", Value("x"));
        QVERIFY_THROWS_EXCEPTION(DbError, rs->update());
    }

    // An estimate deleted and made again by another program with the other column set is read with its new columns, though
    // this connection read the same statement before.
    void tableMadeAgainByAnotherProgram_data() { rztest::engineRows(); }
    void tableMadeAgainByAnotherProgram()
    {
        QFETCH(QString, engine);
        QString path;
        auto db = rztest::newEstimateStore(engine, dir, "again", &path);
        sb_MkUTbl("TBL00064", *db);
        QCOMPARE(db->openRecordset("SELECT * FROM TBL00064")->fieldCount(), 48);
        auto other = Database::open(path);
        other->execute("DROP TABLE TBL00064");
        other->execute(itemTableCreateSql(64));
        other->execute("INSERT INTO TBL00064 (key1, kn1, flg) VALUES (64, 5, '+')");
        auto rs = db->openRecordset("SELECT * FROM TBL00064");
        QCOMPARE(QString::number(rs->fieldCount()) + ' ' + rs->field("kn1").toString(), QString("47 5"));
    }

    void selectIntoWithinOneFileKeepsTypesAndRows_data() { rztest::engineRows(); }
    void selectIntoWithinOneFileKeepsTypesAndRows()
    {
        QFETCH(QString, engine);
        auto db = rztest::newEstimateStore(engine, dir, "copy");
        db->execute(itemTableCreateSql(64));
        db->execute("INSERT INTO TBL00064 (key1, knm, su1, tk1) VALUES (?, ?, ?, ?)",
                    {Value(qint64(1024)), Value("O'Brien"), Value(12.5), Value(Currency::fromWhole(18000))});
        db->execute("INSERT INTO TBL00064 (key1, knm) VALUES (2048, '基礎')");
        db->execute("SELECT * INTO TBL00128 FROM TBL00064");
        const auto src = db->columns("TBL00064");
        const auto dst = db->columns("TBL00128");
        QCOMPARE(int(dst.size()), 47);
        for (size_t i = 0; i < src.size(); ++i) {
            QCOMPARE(dst[i].name, src[i].name);
            QCOMPARE(dst[i].declared, src[i].declared);
        }
        auto rs = db->openRecordset("SELECT * FROM TBL00128 ORDER BY key1", RecordsetType::Snapshot);
        QCOMPARE(rs->recordCount(), 2);
        QCOMPARE(rs->field("knm").toString(), QString("O'Brien"));
        QCOMPARE(rs->field("tk1").toCurrency(), Currency::fromWhole(18000));
        QCOMPARE(rs->field("su1").toDouble(), 12.5);
        // A second copy onto an existing table fails and changes nothing.
        QVERIFY_THROWS_EXCEPTION(DbError, db->execute("SELECT * INTO TBL00128 FROM TBL00064"));
        QCOMPARE(db->openRecordset("SELECT * FROM TBL00128")->recordCount(), 2);
    }

    // A table copied into another store keeps its declared types and every value as stored (a text another program
    // left in a number column too), and its indexes unless it is the Jet statement; the engine's own copy and the
    // copy row by row (between stores no engine joins) give the same, between engines too. A missing source leaves
    // no table behind.
    void copyAcrossStores_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("indexes");
        QTest::addColumn<int>("more");  // rows besides the two odd ones: more than one statement carries
        const QStringList ix{"rzix_key\"key1\" DESC"};
        QTest::newRow("SELECT * INTO") << "file" << "file" << "into" << QStringList() << 0;
        QTest::newRow("joined by the engine") << "file" << "file" << "join" << ix << 0;
        QTest::newRow("row by row") << "file" << "file" << "rows" << ix << 2500;
        QTest::newRow("server joined by the engine") << "server" << "server" << "join" << ix << 0;
        QTest::newRow("server row by row") << "server" << "server" << "rows" << ix << 0;
        QTest::newRow("file to server") << "file" << "server" << "join" << ix << 2500;
        QTest::newRow("server to file") << "server" << "file" << "join" << ix << 2500;
    }
    void copyAcrossStores()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, how);
        QFETCH(QStringList, indexes);
        QFETCH(int, more);
        QString one, two;
        const QString tag = QString(QTest::currentDataTag()).replace(' ', '_');
        auto db1 = rztest::newEstimateStore(from, dir, tag + "one", &one);
        auto db2 = rztest::newEstimateStore(to, dir, tag + "two 'quoted' ", &two);
        sb_MkUTbl("TBL00064", *db1);
        // Another program's text in a number column only where the column can hold it.
        const Value odd = from == "file" && to == "file" ? Value("12abc") : Value(Currency::fromRaw(125001));
        db1->execute("INSERT INTO TBL00064 (key1, tk1, su1, bk4) VALUES (1024, ?, ?, 'x'), (2048, ?, ?, NULL)",
                     {Value(kMax), odd, Value(kMin), Value(Currency::fromRaw(-25000))});
        {
            Transaction tx(*db1);
            Statement add(*db1, "INSERT INTO TBL00064 (key1, knm, tk1) VALUES (?, ?, ?)");
            for (int k = 0; k < more; ++k) {
                add.bindAll({Value(qint64(4096 + k)), Value(QString("行\t%1\\\n\r ").arg(k)), Value(Currency::fromRaw(-12345 * k))});
                add.queue();
            }
            tx.commit();
        }
        db1->execute("CREATE INDEX rzix_key ON TBL00064 (key1 DESC)");
        const auto copy = [&](const QString &src, const QString &dst) {
            if (how == "into")
                db2->execute("SELECT * INTO [;DATABASE=" + two + "].[" + dst + "] FROM [;DATABASE=" + one + "].[" + src + "]");
            else if (how == "join")
                TableCopy(*db1, *db2).copy(src, dst);
            else
                copyTableByRows(*db1, *db2, src, dst);
        };
        copy("TBL00064", "TBL00100");
        const auto rows = [](Database &db, const QString &table) {
            QStringList out;
            Statement st(db, "SELECT * FROM " + table + " ORDER BY key1");
            while (st.step())
                for (int i = 0; i < st.columnCount(); ++i) {
                    const Value v = st.column(i, ColType::Other);
                    out << st.columnName(i).toLower() + '=' + (v.isNull() ? "Null" : v.toString()) + '|' + st.columnDecl(i);
                }
            return out;
        };
        QCOMPARE(rows(*db2, "TBL00100"), rows(*db1, "TBL00064"));
        QStringList made;
        for (const IndexDef &ix : db2->indexes("TBL00100"))
            made << ix.name + ix.columns.join(',');
        QCOMPARE(made, indexes);
        QVERIFY_THROWS_EXCEPTION(DbError, copy("TBL99999", "TBL00200"));
        QVERIFY(!db2->tableExists("TBL00200"));
    }

    // A file can hold what a server refuses (another program's text longer than its column). A copy onto the server
    // that fails on such a row, at the start or after rows already sent, leaves no table, and the same connection
    // goes on working: the next copy and query succeed.
    void refusedCopyOntoAServerLeavesNothing_data()
    {
        QTest::addColumn<int>("before");  // good rows ahead of the refused one
        QTest::newRow("refused at once") << 0;
        QTest::newRow("refused after a megabyte sent") << 4000;
    }
    void refusedCopyOntoAServerLeavesNothing()
    {
        QFETCH(int, before);
        const QString tag = QString(QTest::currentDataTag()).replace(' ', '_');
        auto file = rztest::newEstimateStore("file", dir, tag + "src");
        auto server = rztest::newEstimateStore("server", dir, tag + "dst");
        sb_MkUTbl("TBL00064", *file);
        {
            Transaction tx(*file);
            Statement add(*file, "INSERT INTO TBL00064 (key1, knm) VALUES (?, ?)");
            for (int k = 0; k <= before; ++k) {
                add.bindAll({Value(qint64(k)), Value(k < before ? QString(60, u'見') : QString(61, u'x'))});
                add.queue();
            }
            tx.commit();
        }
        {
            TableCopy copy(*file, *server);
            Transaction tx(*server);
            QVERIFY_THROWS_EXCEPTION(DbError, copy.copy("TBL00064", "TBL00100"));
        }
        QVERIFY(!server->tableExists("TBL00100"));
        file->execute("DELETE FROM TBL00064 WHERE key1 = ?", {Value(qint64(before))});
        {
            TableCopy copy(*file, *server);
            Transaction tx(*server);
            copy.copy("TBL00064", "TBL00100");
            tx.commit();
        }
        Statement count(*server, "SELECT count(*) FROM TBL00100");
        QVERIFY(count.step());
        QCOMPARE(count.column(0, ColType::Long).toLong(), before);
    }

    // A file that cannot be read past its first rows (a damaged page) stops a copy onto a server half-way: the rows
    // already sent are dropped with the table, and the connection goes on working.
    void unreadableSourceStopsACopyOntoAServer()
    {
        QString path;
        auto server = rztest::newEstimateStore("server", dir, "fromdamaged");
        {
            auto db = rztest::newEstimateStore("file", dir, "damaged", &path);
            sb_MkUTbl("TBL00064", *db);
            Transaction tx(*db);
            Statement add(*db, "INSERT INTO TBL00064 (key1, knm) VALUES (?, ?)");
            for (int k = 0; k < 3000; ++k) {
                add.bindAll({Value(qint64(k)), Value(QString(50, u'損'))});
                add.queue();
            }
            tx.commit();
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const qint64 pages = f.size() / 4096;
        QVERIFY(pages > 20);
        f.seek(pages * 3 / 4 * 4096);  // a leaf of the table, well after its first rows
        f.write(QByteArray(4096, '\xA5'));
        f.close();
        auto source = Database::open(path, Database::Mode::ReadOnly);
        const qint64 reconnects = server->traffic().reconnects;
        DbFailure reason = DbFailure::Other;
        try {
            TableCopy copy(*source, *server);
            Transaction tx(*server);
            copy.copy("TBL00064", "TBL00100");
            tx.commit();
        } catch (const DbError &e) {
            reason = e.reason();
        }
        QCOMPARE(reason, DbFailure::Damaged);  // the file's failure, not the server's
        QVERIFY(!server->tableExists("TBL00100"));
        QCOMPARE(server->traffic().reconnects, reconnects);  // the same connection, not one made again
        sb_MkUTbl("TBL00128", *server);
        server->execute("INSERT INTO TBL00128 (key1, knm) VALUES (1, 'ok')");
        QCOMPARE(server->rowCount("TBL00128"), 1);
    }

    void transactionRollsBackUnlessCommitted_data() { rztest::engineRows(); }
    void transactionRollsBackUnlessCommitted()
    {
        QFETCH(QString, engine);
        auto db = rztest::newEstimateStore(engine, dir, "tx");
        {
            Transaction tx(*db);
            db->execute("INSERT INTO RZTBLIDX (key1) VALUES (1)");
            {
                Transaction inner(*db);
                db->execute("INSERT INTO RZTBLIDX (key1) VALUES (2)");
                inner.commit();
            }
        }  // not committed: both inserts vanish
        QCOMPARE(db->openRecordset("SELECT * FROM RZTBLIDX")->recordCount(), 0);
        {
            Transaction tx(*db);
            db->execute("INSERT INTO RZTBLIDX (key1) VALUES (3)");
            tx.commit();
        }
        QCOMPARE(db->openRecordset("SELECT * FROM RZTBLIDX")->recordCount(), 1);
    }

    // Files that are no estimate files are refused with a message naming
    // them and left as they were (damaged and busy files: the file tests).
    // A write-back over a value another program changed since it was read is refused with what each side
    // wrote; a value still as read, or changed alike by the other program, is written.
    void writeBackOverAnotherProgramsChange_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("theirs");  // what the other program stores meanwhile
        for (const QString &e : rztest::engines()) {
            QTest::newRow(qPrintable(e + " unchanged")) << e << "元";
            QTest::newRow(qPrintable(e + " changed alike")) << e << "わたし";
            QTest::newRow(qPrintable(e + " changed otherwise")) << e << "よそ";
        }
    }
    void writeBackOverAnotherProgramsChange()
    {
        QFETCH(QString, engine);
        QFETCH(QString, theirs);
        QString path;
        auto db = rztest::newEstimateStore(engine, dir, QString("conflict %1").arg(QTest::currentDataTag()), &path);
        db->execute("INSERT INTO RZTBLIDX (key1, knm, bk1) VALUES (64, '元', '元')");
        auto rs = db->openRecordset("SELECT * FROM RZTBLIDX");
        const Value shown = rs->field("knm");
        Database::open(path)->execute("UPDATE RZTBLIDX SET knm = ?, bk1 = '他'", {Value(theirs)});
        rs->edit();
        rs->setField(rs->fieldIndex("knm"), Value("わたし"), shown);
        std::vector<WriteConflict> conflicts;
        try {
            rs->update();
        } catch (const WriteConflictError &e) {
            conflicts = e.conflicts();
        }
        const bool conflict = theirs == "よそ";
        QCOMPARE(int(conflicts.size()), int(conflict));
        if (conflict) {
            QCOMPARE(conflicts[0].columnName, QString("knm"));
            QCOMPARE(conflicts[0].theirs, Value(theirs));
            QCOMPARE(conflicts[0].mine, Value("わたし"));
        }
        auto now = Database::open(path)->openRecordset("SELECT knm, bk1 FROM RZTBLIDX", RecordsetType::Snapshot);
        QCOMPARE(now->field(0), Value(conflict ? theirs : QString("わたし")));
        QCOMPARE(now->field(1), Value("他"));  // the other program's change of another column stays
    }

    // The engine's failures in the user's words: what happened, which file and what to do, with the engine's
    // own text only as a second line.
    void failuresInTheUsersWords_data()
    {
        QTest::addColumn<QString>("store");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("engine");
        QTest::newRow("locked") << "file" << "locked" << "他のプログラムが使用中" << "database is locked";
        QTest::newRow("disk full") << "file" << "full" << "ディスクがいっぱい" << "database or disk is full";
        QTest::newRow("estimate deleted") << "file" << "missing" << "この見積書は他のプログラムで削除されました。"
                                          << "no such table: TBL00320";
        QTest::newRow("server estimate deleted") << "server" << "missing" << "この見積書は他のプログラムで削除されました。"
                                                 << "relation \"tbl00320\" does not exist";
        QTest::newRow("server row locked") << "server" << "locked" << "他のプログラムが使用中"
                                           << "canceling statement due to lock timeout";
    }
    void failuresInTheUsersWords()
    {
        QFETCH(QString, store);
        QFETCH(QString, failure);
        QFETCH(QString, says);
        QFETCH(QString, engine);
        QString path;
        auto db = rztest::newEstimateStore(store, dir, QString("words %1").arg(QTest::currentDataTag()), &path);
        db->execute("INSERT INTO RZTBLIDX (key1) VALUES (1)");
        db->setLockWait(store == "file" ? 0 : 200);
        auto other = Database::open(path);
        QString text;
        try {
            if (failure == "locked" && store == "file") {
                other->execute("BEGIN");
                other->tableNames();  // a read transaction stays open
            } else if (failure == "locked") {
                other->execute("BEGIN");
                other->execute("UPDATE RZTBLIDX SET knm = 'よそ'");  // a row lock held until its commit
                db->execute("UPDATE RZTBLIDX SET knm = 'わたし'");
            }
            if (failure == "full")
                db->execute("PRAGMA max_page_count = 1");
            if (failure == "missing")
                db->execute("SELECT * FROM TBL00320");
            else
                db->execute("INSERT INTO RZTBLIDX (knm) VALUES (?)", {Value(QString(8000, u'長'))});
        } catch (const std::exception &e) {
            text = failureText(e);
        }
        const QStringList lines = text.split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].contains(says) && (failure == "missing" || lines[0].contains(path)), qPrintable(lines[0]));
        QCOMPARE(lines[1], engine);
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text file") << "text";
        QTest::newRow("no index table") << "noindex";
        QTest::newRow("read-only") << "readonly";
    }
    void refusedFiles()
    {
        QFETCH(QString, kind);
        const QString path = file("refused_" + kind + ".mdb");
        if (kind == "text") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("これは見積書ではありません\n") > 0);
        } else if (kind == "noindex") {
            sb_MkIdxDB(path, 1);
        } else {
            newEstimateFile(path);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        QString message;
        try {
            openEstimateFile(path);
        } catch (const DbError &e) {
            message = e.description();
        }
        QVERIFY2(message.contains(path), qPrintable(message));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        QVERIFY(!QFile::exists(path + "-journal"));
    }
};

RZ_REGISTER_TEST(TestDatabase)
#include "tst_database.moc"
