// Free memory percentage from the kernel report: exact half-up rounding,
// the figure older kernels give, and reports that say nothing usable.
#include "store/memfree.h"
#include "support/testmain.h"

#include <QtTest>

using namespace rz;

class TestMemFree : public QObject {
    Q_OBJECT
private slots:
    void fromMeminfo_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("available") << QByteArray("MemTotal: 16000000 kB\nMemFree: 1000000 kB\nMemAvailable: 8000000 kB\n") << 50;
        QTest::newRow("one third") << QByteArray("MemTotal: 3 kB\nMemAvailable: 1 kB\n") << 33;
        QTest::newRow("half a percent rounds up") << QByteArray("MemTotal: 200 kB\nMemAvailable: 1 kB\n") << 1;
        QTest::newRow("99.5 rounds to 100") << QByteArray("MemTotal: 200 kB\nMemAvailable: 199 kB\n") << 100;
        QTest::newRow("more than total") << QByteArray("MemTotal: 4 kB\nMemAvailable: 9 kB\n") << 100;
        QTest::newRow("old kernel without available") << QByteArray("MemTotal: 16000000 kB\nMemFree: 1000000 kB\n") << 6;
        QTest::newRow("total zero") << QByteArray("MemTotal: 0 kB\nMemAvailable: 0 kB\n") << 0;
        QTest::newRow("no total") << QByteArray("MemFree: 1000000 kB\n") << 0;
        QTest::newRow("garbage") << QByteArray("MemTotal: lots\nMemAvailable: some\n") << 0;
    }
    void fromMeminfo()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, expected);
        QCOMPARE(memFreePercentFromMeminfo(text), expected);
        // A running system always has some memory available and reports it.
        const int p = MemFree();
        QVERIFY2(p > 0 && p <= 100, qPrintable(QString::number(p)));
    }
};

RZ_REGISTER_TEST(TestMemFree)
#include "tst_memfree.moc"
