// The program started from a terminal: usage, version, commands, and the
// words it refuses; none of these may open a window.
#include "app/version.h"
#include "support/testmain.h"

#include <QProcess>
#include <QtTest>

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void words_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("stream");  // where the text goes: out or err; the other stays empty
        QTest::addColumn<QStringList>("says");
        const QString version = QStringLiteral("rz90 %1.%2.%3\n").arg(rz::kVersionMajor).arg(rz::kVersionMinor).arg(rz::kVersionRevision);
        const QStringList usage{"usage: rz90", "rz90 import OLD.mdb [NEW.mdb]", "--help"};
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "out"
                                << QStringList{"usage: rz90", "--start-page N|none", " 8  FILE.mdb is in the old Jet",
                                               "rz90 import OLD.mdb [NEW.mdb]", " 9  interrupted"};
        QTest::newRow("-h after a Qt option") << QStringList{"-style", "fusion", "-h"} << 0 << "out" << usage;
        QTest::newRow("--version") << QStringList{"--version"} << 0 << "out" << QStringList{version};
        QTest::newRow("-V") << QStringList{"-V"} << 0 << "out" << QStringList{version};
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2 << "err"
                                         << QStringList{"rz90: unknown command 'frobnicate'"} + usage;
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2 << "err"
                                        << QStringList{"unknown option '--frobnicate'"} + usage;
        QTest::newRow("after a Qt option") << QStringList{"-platform", "offscreen", "-x"} << 2 << "err"
                                           << QStringList{"unknown option '-x'"};
        QTest::newRow("Qt option without value") << QStringList{"-platform"} << 2 << "err" << QStringList{"needs a value"};
        QTest::newRow("print --help") << QStringList{"print", "a.mdb", "--help"} << 0 << "out"
                                      << QStringList{"rz90 print FILE.mdb", "--no-remarks", " 6  the estimate has no rows"};
        QTest::newRow("import -h") << QStringList{"import", "a.mdb", "-h"} << 0 << "out"
                                   << QStringList{"rz90 import OLD.mdb", " 7  OLD.mdb is damaged"};
        QTest::newRow("print without file") << QStringList{"print"} << 2 << "err" << QStringList{"no estimate file given"};
        QTest::newRow("store --help") << QStringList{"store", "copy", "--help"} << 0 << "out"
                                      << QStringList{"rz90 store copy SRC DST", "NAME.rzdb", " 7  the copy failed"};
        QTest::newRow("store without words") << QStringList{"store"} << 2 << "err" << QStringList{"usage: rz90 store copy"};
        QTest::newRow("store copy of nothing") << QStringList{"store", "copy", "/nonexistent.mdb", "/tmp/x.mdb"} << 3 << "err"
                                               << QStringList{"file not found"};
        QTest::newRow("import without file") << QStringList{"import"} << 2 << "err" << QStringList{"rz90 import OLD.mdb"};
    }
    void words()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, stream);
        QFETCH(QStringList, says);
        // Without a display a window could not open: the program would end at once instead of waiting.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(RZ_PROGRAM), args);
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            QFAIL("the program did not end");
        }
        const QString out = QString::fromUtf8(p.readAllStandardOutput()), err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), code);
        const QString &text = stream == QLatin1String("out") ? out : err;
        for (const QString &s : says)
            QVERIFY2(text.contains(s), qPrintable(s + QStringLiteral(" not in:\n") + text));
        QVERIFY2((stream == QLatin1String("out") ? err : out).isEmpty(), qPrintable(out + err));
    }
};

RZ_REGISTER_TEST(TestCommandLine)
#include "tst_commandline.moc"
