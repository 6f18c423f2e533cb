// Level keys: the child query texts, depths and insertion keys.
#include "store/currency.h"
#include "store/levelkeys.h"
#include "support/testmain.h"

#include <QtTest>

using namespace rz;

class TestLevelKeys : public QObject {
    Q_OBJECT
private slots:
    void midKey_data()
    {
        QTest::addColumn<int>("lo");
        QTest::addColumn<int>("hi");
        QTest::addColumn<int>("expected");
        QTest::newRow("room") << 10 << 20 << 15;
        QTest::newRow("adjacent") << 10 << 11 << 0;
        QTest::newRow("equal") << 10 << 10 << 0;
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
