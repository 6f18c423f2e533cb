// Free memory percentage: exact half-up rounding and reading the kernel report.
#include "store/memfree.h"
#include "support/testmain.h"

#include <QtTest>

using namespace rz;

class TestMemFree : public QObject {
    Q_OBJECT
private slots:
    void percent_data()
    {
        QTest::addColumn<quint64>("available");
        QTest::addColumn<quint64>("total");
        QTest::addColumn<int>("expected");
        QTest::newRow("one third") << quint64(1) << quint64(3) << 33;
        QTest::newRow("half a percent rounds up") << quint64(1) << quint64(200) << 1;
        QTest::newRow("99.5 rounds to 100") << quint64(199) << quint64(200) << 100;
        QTest::newRow("total zero") << quint64(0) << quint64(0) << 0;
        QTest::newRow("more than total") << quint64(9) << quint64(4) << 100;
    }
    void percent()
    {
        QFETCH(quint64, available);
        QFETCH(quint64, total);
        QFETCH(int, expected);
        QCOMPARE(memFreePercent(available, total), expected);
    }

    void fromMeminfo_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("available") << QByteArray("MemTotal:       16000000 kB\n"
                                                 "MemFree:         1000000 kB\n"
                                                 "MemAvailable:    8000000 kB\n"
                                                 "Buffers:          200000 kB\n")
                                   << 50;
        QTest::newRow("old kernel without available") << QByteArray("MemTotal: 16000000 kB\nMemFree: 1000000 kB\n")
                                                      << 6;
        QTest::newRow("no total") << QByteArray("MemFree: 1000000 kB\n") << 0;
        QTest::newRow("garbage") << QByteArray("MemTotal: lots\nMemAvailable: some\n") << 0;
    }
    void fromMeminfo()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, expected);
        QCOMPARE(memFreePercentFromMeminfo(text), expected);
    }

    void thisMachine()
    {
        // A running system always has some memory available and reports it.
        const int p = MemFree();
        QVERIFY2(p > 0 && p <= 100, qPrintable(QString::number(p)));
    }
};

RZ_REGISTER_TEST(TestMemFree)
#include "tst_memfree.moc"
