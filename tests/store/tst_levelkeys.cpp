// Level keys: the child query texts, depths and insertion keys.
#include "store/currency.h"
#include "store/levelkeys.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "support/testmain.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace rz;

class TestLevelKeys : public QObject {
    Q_OBJECT
private slots:
    void childQueryTexts_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("expected");
        const QString z = " = 0";
        QTest::newRow("0") << 0
            << "SELECT * FROM T WHERE [key1] <> 0 AND [key2] = 0 AND [key3] = 0 AND [key4] = 0 AND [key5] = 0 "
               "AND [key6] = 0 AND [key7] = 0 AND [key8] = 0 ORDER BY [key1]";
        QTest::newRow("out of range") << 8 << "SELECT * FROM T WHERE ";
    }
    void childQueryTexts()
    {
        QFETCH(int, level);
        QFETCH(QString, expected);
        const LevelKeys keys{-5, 20, 300, 4000, 50000, 600000, 7000000, 0};
        QCOMPARE(LvlSelectSQL("T", level, keys), expected);
    }

    // The queries select exactly the children of a node, in key order, and
    // GetLvl gives each row's depth, on a real item table.
    void childrenAndDepthsOnATable()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("t.mdb");
        sb_MkIdxDB(path, 0);
        auto db = openEstimateFile(path);
        sb_MkUTbl("TBL00001", *db);
        const std::vector<std::array<int, 8>> rows = {
            {3, 0, 0, 0, 0, 0, 0, 0},        {3, 7, 0, 0, 0, 0, 0, 0},         {3, 2, 0, 0, 0, 0, 0, 0},
            {3, 7, 1, 1, 1, 1, 1, 9},        {3, 7, 1, 1, 1, 1, 1, -4},        {3, 7, 1, 1, 1, 1, 1, 0},
            {5, 0, 9, 0, 0, 0, 0, 0},        {0, 6, 0, 0, 0, 0, 0, 0}};
        for (const auto &r : rows) {
            std::vector<Value> v;
            for (int k : r)
                v.push_back(Value(qint64(k)));
            db->execute("INSERT INTO TBL00001 (key1,key2,key3,key4,key5,key6,key7,key8) VALUES (?,?,?,?,?,?,?,?)", v);
        }
        // The query with the keys written in and the one statement per level with the keys bound (-1 when they differ).
        auto read = [](std::unique_ptr<Recordset> rs, int col) {
            QList<int> out;
            for (; !rs->eof(); rs->moveNext())
                out << int(rs->field(col).toLong());
            return out;
        };
        auto keysOf = [&](int level, const LevelKeys &parent, int col) {
            const QList<int> bound = read(db->openRecordset(LvlSelectShape("TBL00001", level), RecordsetType::Dynaset, levelParams(level, parent)), col);
            return read(db->openRecordset(LvlSelectSQL("TBL00001", level, parent)), col) == bound ? bound : QList<int>{-1};
        };
        QCOMPARE(keysOf(0, {}, 0), QList<int>{3});  // 5 has a stray key3, so it is no top row
        QCOMPARE(keysOf(1, {3}, 1), (QList<int>{2, 7}));
        QCOMPARE(keysOf(7, {3, 7, 1, 1, 1, 1, 1}, 7), (QList<int>{-4, 9}));
        QCOMPARE(keysOf(1, {6}, 1), QList<int>{});

        auto rs = db->openRecordset("SELECT * FROM TBL00001", RecordsetType::Snapshot);
        QList<int> depths;
        for (; !rs->eof(); rs->moveNext())
            depths << GetLvl(*rs);
        QCOMPARE(depths, (QList<int>{1, 2, 2, 8, 8, 7, 1, 0}));
        db->execute("INSERT INTO TBL00001 (key1, key2, key3) VALUES (4, NULL, 0)");
        auto withNull = db->openRecordset("SELECT * FROM TBL00001 WHERE key1 = 4");
        QCOMPARE(GetLvl(*withNull), 2);  // a Null key is passed over
    }

    void midKey_data()
    {
        QTest::addColumn<int>("lo");
        QTest::addColumn<int>("hi");
        QTest::addColumn<int>("expected");
        QTest::newRow("room") << 10 << 20 << 15;
        QTest::newRow("adjacent") << 10 << 11 << 0;
        QTest::newRow("reversed") << 20 << 10 << 15;
        QTest::newRow("around zero gives 0") << -4 << 4 << 0;
        QTest::newRow("first row of page 1") << 0 << 64 << 32;
        QTest::newRow("no room below 1") << 0 << 1 << 0;
    }
    void midKey()
    {
        QFETCH(int, lo);
        QFETCH(int, hi);
        QFETCH(int, expected);
        QCOMPARE(MidKey(lo, hi), expected);
    }
    void midKeyOverflow()
    {
        QVERIFY_THROWS_EXCEPTION(rz::OverflowError, MidKey(-2147483647, 2147483647));
    }
};

RZ_REGISTER_TEST(TestLevelKeys)
#include "tst_levelkeys.moc"
