// Creating, opening and compacting estimate files.
#include "store/compaction.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "support/filelimit.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/wait.h>
#include <unistd.h>

using namespace rz;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// An estimate file with one estimate of `rows` item rows, after a large
// estimate was deleted from it: the space that compaction gives back.
QString makeEstimateFile(const QString &dir, int rows = 40)
{
    const QString path = QDir(dir).filePath(QStringLiteral("見積書.mdb"));
    sb_MkIdxDB(path, 0);
    auto db = Database::open(path);
    Transaction tx(*db);
    db->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm, kn1, kn2, int0, int1, bk2) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                {1, QStringLiteral("市民会館改修工事"), Currency::fromRaw(12345678900000), Currency::fromRaw(-50000),
                 rows, 95, QStringLiteral("株式会社 山田建設")});
    sb_MkUTbl(itemTableName(1), *db);
    sb_MkUTbl(itemTableName(2), *db);
    for (int i = 1; i <= rows; ++i)
        db->execute(QStringLiteral("INSERT INTO TBL00001 (key1, key2, knm, su1, tk1, kn1, rt1, flg) "
                                   "VALUES (1, ?, ?, ?, ?, ?, ?, ?)"),
                    {i * 64, QStringLiteral("型枠工 %1").arg(i), Currency::fromRaw(i * 12345), Currency::fromRaw(99990000),
                     Currency::fromRaw(i * 123450000LL), 100 - i, QStringLiteral("-")});
    for (int i = 1; i <= 2000; ++i)
        db->execute(QStringLiteral("INSERT INTO TBL00002 (key1, knm, mei) VALUES (2, ?, ?)"),
                    {QString(60, QChar(u'材')), QString(30, QChar(u'x'))});
    tx.commit();
    db->execute(QStringLiteral("DROP TABLE TBL00002"));
    return path;
}

// The description of the error a refused operation gives, or "" when it ran.
template <typename F>
QString errorOf(F &&operation)
{
    try {
        operation();
    } catch (const DbError &e) {
        return e.description();
    }
    return {};
}

}  // namespace

class TestFileOps : public QObject {
    Q_OBJECT
private slots:
    void compactionKeepsContents()
    {
        QTemporaryDir dir;
        QTemporaryDir workDir;  // the work file lives apart from the estimate file
        const QString path = makeEstimateFile(dir.path());
        const QString work = workDir.filePath(QStringLiteral("wkfile.mdb"));
        for (const char *side : {"", "-journal"}) {  // left over by a run that was cut short
            QFile f(work + QLatin1String(side));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("left over") > 0);
        }
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QFile::Permissions permissions = QFile::permissions(path);
        const qint64 before = QFileInfo(path).size();

        compactEstimateFile(path, work);

        QVERIFY(!QFileInfo::exists(work) && !QFileInfo::exists(work + QStringLiteral("-journal")));
        QVERIFY2(QFileInfo(path).size() < before / 2, "the space of the deleted estimate was not given back");
        QCOMPARE(QFile::permissions(path), permissions);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("見積書.mdb")});

        auto db = openEstimateFile(path);
        QCOMPARE(db->tableNames(), (QStringList{QStringLiteral("RZTBLIDX"), QStringLiteral("TBL00001")}));
        QCOMPARE(db->columns(QStringLiteral("TBL00001")).back().declared, QStringLiteral("TEXT(30)"));
        auto idx = db->openRecordset(QStringLiteral("SELECT * FROM RZTBLIDX"), RecordsetType::Snapshot);
        QCOMPARE(idx->recordCount(), 1);
        QCOMPARE(idx->field("knm"), Value(QStringLiteral("市民会館改修工事")));
        QVERIFY(idx->field("kn1") == Value(Currency::fromRaw(12345678900000)) && idx->field("kn2") == Value(Currency::fromRaw(-50000)));
        QVERIFY(idx->field("ad1").isNull());

        auto items = db->openRecordset(QStringLiteral("SELECT * FROM TBL00001 ORDER BY key2"), RecordsetType::Snapshot);
        QCOMPARE(items->recordCount(), 40);
        items->move(16);  // row 17
        QCOMPARE(items->field("knm"), Value(QStringLiteral("型枠工 17")));
        QCOMPARE(items->field("su1"), Value(Currency::fromRaw(17 * 12345)));
        QCOMPARE(items->field("rt1").toLong(), 83);
    }

    void damagedFileIsLeftAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("not a database") << QStringLiteral("text");
        QTest::newRow("cut short") << QStringLiteral("truncated");
        QTest::newRow("damaged page") << QStringLiteral("page");
        QTest::newRow("missing") << QStringLiteral("missing");
    }
    void damagedFileIsLeftAlone()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("壊れた.mdb"));
        const QByteArray whole = readAll(makeEstimateFile(dir.path()));
        const QMap<QString, QByteArray> damaged{{"text", QStringLiteral("工事名称,金額\n市民会館,1000\n").toUtf8()},
                                                {"truncated", whole.left(whole.size() / 2 + 100)},
                                                {"page", whole.left(8192) + QByteArray(4096, '\xA5') + whole.mid(12288)}};
        QFile f(path);
        QVERIFY(kind == QLatin1String("missing") || (f.open(QIODevice::WriteOnly) && f.write(damaged[kind]) > 0));
        f.close();
        const QByteArray before = readAll(path);
        const QString work = dir.filePath(QStringLiteral("wkfile.mdb"));

        QVERIFY_THROWS_EXCEPTION(DbError, compactEstimateFile(path, work));

        QCOMPARE(readAll(path), before);
        QVERIFY(!QFileInfo::exists(work));
    }

    // The compacted copy replaces the file only when it holds what the file held and the whole of it was
    // written; a work path that names the file itself (under any of its names) is refused before anything
    // is removed. Each time the file stays as it was and no work file remains.
    void compactionRefusesABadCopy_data()
    {
        QTest::addColumn<QString>("fault");  // an SQL statement run on the copy, or (lower case) a fault
        QTest::addColumn<QString>("message");
        const QString differs = QStringLiteral("内容が元のファイルと一致しません"), same = QStringLiteral("作業ファイルと同じ");
        QTest::newRow("a row lost") << "DELETE FROM TBL00001 WHERE key2 = 64" << differs;
        QTest::newRow("a table lost") << "DROP TABLE TBL00001" << differs;
        QTest::newRow("a column more") << "ALTER TABLE RZTBLIDX ADD COLUMN x" << differs;
        QTest::newRow("another version") << "PRAGMA user_version = 7" << differs;
        QTest::newRow("a damaged page") << "page" << QStringLiteral("問題があります");
        QTest::newRow("disk full while replacing") << "full" << QStringLiteral("書き換えられません");
        QTest::newRow("work path is the file") << "same" << same;
        QTest::newRow("with ./") << "dot" << same;
        QTest::newRow("through a linked folder") << "folder link" << same;
        QTest::newRow("hard link") << "hard link" << same;
        QTest::newRow("other case is another file") << "case" << QString();
    }
    void compactionRefusesABadCopy()
    {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = makeEstimateFile(dir.path(), 5), name = QFileInfo(path).fileName();
        QString work = dir.filePath(QStringLiteral("wkfile.mdb"));
        if (fault == "same" || fault == "dot")
            work = fault == "same" ? path : dir.path() + "/./" + name;
        if (fault == "folder link")
            QVERIFY(QFile::link(dir.path(), dir.filePath("link")) && !(work = dir.filePath("link/" + name)).isEmpty());
        if (fault == "hard link")
            QVERIFY(::link(QFile::encodeName(path), QFile::encodeName(work)) == 0);
        if (fault == "case")
            QVERIFY(QFile::copy(path, work = dir.filePath(QStringLiteral("見積書.MDB"))));
        const QByteArray before = readAll(path);
        std::unique_ptr<rztest::FileSizeLimit> limit;
        setCompactedCopyHookForTesting([&](const QString &copy) {
            if (fault == "page") {
                QFile f(copy);
                f.open(QIODevice::ReadWrite) && f.seek(2 * 4096) && f.write(QByteArray(4096, '\xA5'));
            } else if (fault == "full") {
                limit = std::make_unique<rztest::FileSizeLimit>(QFileInfo(copy).size() / 2);
            } else if (fault.front().isUpper()) {
                auto db = Database::open(copy);
                db->execute(fault);
            }
        });
        const QString error = errorOf([&] { compactEstimateFile(path, work); });
        setCompactedCopyHookForTesting({});
        limit.reset();
        QVERIFY2(message.isEmpty() ? error.isEmpty() : error.contains(message), qPrintable(error));
        if (!message.isEmpty())
            QCOMPARE(readAll(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), fault == "hard link" ? 2 : 1);
    }

    // A file another connection is using is refused and left as it was; that
    // connection, in this program or another, goes on working.
    void fileInUseIsLeftAlone_data()
    {
        QTest::addColumn<bool>("otherProcess");
        QTest::addColumn<bool>("writing");
        QTest::newRow("open write transaction") << false << true;
        QTest::newRow("open read transaction") << false << false;
        QTest::newRow("another program writing") << true << true;
    }
    void fileInUseIsLeftAlone()
    {
        QFETCH(bool, otherProcess);
        QFETCH(bool, writing);
        QTemporaryDir dir;
        const QString path = makeEstimateFile(dir.path(), 5);
        const QString work = dir.filePath(QStringLiteral("wkfile.mdb"));
        const QByteArray before = readAll(path);
        QString message;
        if (otherProcess) {
            int ready[2], done[2];
            QVERIFY(pipe(ready) == 0 && pipe(done) == 0);
            const pid_t child = fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                // The other program: holds a write transaction until told to stop.
                char ok = 0;
                try {
                    auto db = Database::open(path);
                    db->execute(QStringLiteral("BEGIN"));
                    db->execute(QStringLiteral("DELETE FROM TBL00001"));
                    ok = 1;
                    (void)!write(ready[1], &ok, 1);
                    char c;
                    (void)!read(done[0], &c, 1);
                    db->execute(QStringLiteral("ROLLBACK"));
                } catch (const DbError &) {
                    (void)!write(ready[1], &ok, 1);
                }
                _exit(0);
            }
            char ok = 0;
            QCOMPARE(read(ready[0], &ok, 1), ssize_t(1));
            QCOMPARE(ok, char(1));
            message = errorOf([&] { compactEstimateFile(path, work); });
            (void)!write(done[1], "x", 1);
            int status = 0;
            waitpid(child, &status, 0);
            for (int fd : {ready[0], ready[1], done[0], done[1]})
                close(fd);
        } else {
            auto other = Database::open(path);
            other->execute(QStringLiteral("BEGIN"));
            if (writing)
                other->execute(QStringLiteral("DELETE FROM TBL00001 WHERE key2 = 64"));
            else
                QCOMPARE(other->openRecordset(QStringLiteral("SELECT * FROM TBL00001"))->recordCount(), 5);
            message = errorOf([&] { compactEstimateFile(path, work); });
            other->execute(QStringLiteral("ROLLBACK"));
            QCOMPARE(other->openRecordset(QStringLiteral("SELECT * FROM TBL00001"))->recordCount(), 5);
        }
        QVERIFY2(message.contains(QStringLiteral("使用中")), qPrintable(message));
        QVERIFY(!QFileInfo::exists(work));
        QCOMPARE(readAll(path), before);
    }

    // A file in a folder where no journal can be written is refused for
    // writing when it is opened, in Japanese, instead of failing at the first
    // save with the engine's English; it can still be read. The folder's
    // permission bits decide, so the refusal holds for root as well.
    void readOnlyFolder()
    {
        QTemporaryDir dir;
        const QString path = makeEstimateFile(dir.path(), 3);
        const QByteArray before = readAll(path);
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        auto restore = qScopeGuard([&] { QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
        const QString message = errorOf([&] { openEstimateFile(path); });
        QVERIFY2(message.contains(QStringLiteral("読み取り専用のフォルダ")) && message.contains(path), qPrintable(message));
        QVERIFY(readAll(path) == before && !QFileInfo::exists(path + QStringLiteral("-journal")));
        auto db = Database::open(path, Database::Mode::ReadOnly);
        QCOMPARE(db->openRecordset(QStringLiteral("SELECT * FROM TBL00001"))->recordCount(), 3);
    }
};

RZ_REGISTER_TEST(TestFileOps)
#include "tst_fileops.moc"
