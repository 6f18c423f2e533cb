// Main window placement kept in the settings store.
#include "app/settings.h"
#include "support/testmain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace rz;

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void readPlacement_data()
    {
        QTest::addColumn<QStringList>("stored");  // key=value
        QTest::addColumn<QSize>("screenPixels");
        QTest::addColumn<QRectF>("expected");  // twips: left, top, width, height
        const QSize fullHd(1920, 1080);
        QTest::newRow("first run, centred") << QStringList() << fullHd << QRectF(7525, 3600, 13750, 9000);
        QTest::newRow("window wider than screen") << QStringList() << QSize(800, 600)
                                                  << QRectF(-875, 0, 13750, 9000);
        QTest::newRow("stored size centres with that size")
            << QStringList{"MainWidth=12000", "MainHeight=6001"} << fullHd << QRectF(8400, 5099, 12000, 6001);
        QTest::newRow("all stored") << QStringList{"MainWidth=15000", "MainHeight=10005", "MainLeft=-1500", "MainTop=300"}
                                    << fullHd << QRectF(-1500, 300, 15000, 10005);
        QTest::newRow("written by hand with blanks and decimals")
            << QStringList{"MainWidth= 14000.5 ", "MainLeft=1.5e3"} << fullHd << QRectF(1500, 3600, 14000.5, 9000);
        QTest::newRow("text width falls back") << QStringList{"MainWidth=広い", "MainLeft=100"} << fullHd
                                               << QRectF(100, 3600, 13750, 9000);
        QTest::newRow("text position falls back") << QStringList{"MainWidth=15000", "MainLeft=left", "MainTop="}
                                                  << fullHd << QRectF(6900, 3600, 15000, 9000);
        QTest::newRow("no size is no size") << QStringList{"MainWidth=0", "MainHeight=-9000"} << fullHd
                                            << QRectF(7525, 3600, 13750, 9000);
    }
    void readPlacement()
    {
        QFETCH(QStringList, stored);
        QFETCH(QSize, screenPixels);
        QFETCH(QRectF, expected);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("rz90.ini"));
        {
            QFile f(ini);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("[Settings]\n") + stored.join(u'\n').toUtf8() + '\n');
        }
        QSettings settings(ini, QSettings::IniFormat);
        const MainGeometry g = readMainGeometry(settings, screenSizeInTwips(screenPixels));
        QCOMPARE(g.left, float(expected.left()));
        QCOMPARE(g.top, float(expected.top()));
        QCOMPARE(g.width, float(expected.width()));
        QCOMPARE(g.height, float(expected.height()));
    }

    void savedPlacementComesBack_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QRect>("pixels");
        QTest::addColumn<QStringList>("texts");  // left, top, width, height as stored
        QTest::newRow("normal") << int(Qt::WindowNoState) << QRect(100, 50, 900, 600)
                                << QStringList{"1500", "750", "13500", "9000"};
        QTest::newRow("on a screen to the left") << int(Qt::WindowNoState) << QRect(-1280, -20, 1001, 700)
                                                 << QStringList{"-19200", "-300", "15015", "10500"};
        QTest::newRow("maximized keeps the maximized size") << int(Qt::WindowMaximized) << QRect(0, 0, 1920, 1050)
                                                            << QStringList{"0", "0", "28800", "15750"};
    }
    void savedPlacementComesBack()
    {
        QFETCH(int, state);
        QFETCH(QRect, pixels);
        QFETCH(QStringList, texts);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("rz90.ini"));
        {
            QSettings settings(ini, QSettings::IniFormat);
            saveMainWindowPlacement(settings, Qt::WindowStates(state), pixels);
        }
        QSettings settings(ini, QSettings::IniFormat);
        QCOMPARE(settings.value(QStringLiteral("Settings/MainLeft")).toString(), texts[0]);
        QCOMPARE(settings.value(QStringLiteral("Settings/MainTop")).toString(), texts[1]);
        QCOMPARE(settings.value(QStringLiteral("Settings/MainWidth")).toString(), texts[2]);
        QCOMPARE(settings.value(QStringLiteral("Settings/MainHeight")).toString(), texts[3]);
        QCOMPARE(toPixels(readMainGeometry(settings, QSize(28800, 16200))), pixels);
    }

    void minimizedWindowSavesNothing()
    {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("rz90.ini")), QSettings::IniFormat);
        saveMainWindowPlacement(settings, Qt::WindowNoState, QRect(30, 40, 800, 500));
        saveMainWindowPlacement(settings, Qt::WindowMinimized, QRect(0, 1000, 160, 30));
        saveMainWindowPlacement(settings, Qt::WindowMinimized | Qt::WindowMaximized, QRect(0, 1000, 160, 30));
        QCOMPARE(toPixels(readMainGeometry(settings, QSize(28800, 16200))), QRect(30, 40, 800, 500));
    }
};

RZ_REGISTER_TEST(TestSettings)
#include "tst_settings.moc"
