// Shift-JIS byte widths and byte cuts on Unicode text: full-width 2,
// half-width 1, characters outside the code page kept, cuts never broken.
#include "store/sjis.h"
#include "support/testmain.h"

#include <QtTest>

using namespace rz;

class TestSjis : public QObject {
    Q_OBJECT
private slots:
    void byteLength_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bytes");
        QTest::newRow("ASCII") << "ABC" << 3;
        QTest::newRow("kanji") << "見積書" << 6;
        QTest::newRow("just outside katakana range") << QString::fromUtf8("\uFF60\uFFA0") << 4;
        QTest::newRow("surrogate pair") << "𠮷" << 2;
        QTest::newRow("accented letter") << "é" << 2;
        QTest::newRow("lone high surrogate") << QString(QChar(0xD842)) << 2;
    }
    void byteLength()
    {
        QFETCH(QString, text);
        QFETCH(int, bytes);
        QCOMPARE(ansiByteLength(text), bytes);
        int sum = 0;
        for (QChar c : text)
            sum += ansiByteWidth(c);
        if (!text.isEmpty() && !(text.size() == 1 && text[0].isSurrogate()))
            QCOMPARE(sum, bytes);
    }
    void midB_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("expected");
        QTest::newRow("second full-width") << "見積書" << 3 << 2 << "積";
        QTest::newRow("rest from 3") << "見積書" << 3 << -1 << "積書";
        QTest::newRow("start below 1") << "ABC" << 0 << 2 << "AB";
        QTest::newRow("both halves cut") << "見積書" << 2 << 2 << "  ";
        QTest::newRow("leading half cut") << "見積書" << 2 << 3 << " 積";
        QTest::newRow("trailing half cut") << "見積書" << 1 << 3 << "見 ";
        QTest::newRow("surrogate pair whole") << "A𠮷B" << 2 << 2 << "𠮷";
        QTest::newRow("surrogate pair cut") << "A𠮷B" << 3 << 2 << " B";
        QTest::newRow("outside code page kept") << "é𠮷x" << 1 << -1 << "é𠮷x";
    }
    void midB()
    {
        QFETCH(QString, text);
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, expected);
        const QString got = length < 0 ? MidBAnsi(text, start) : MidBAnsi(text, start, length);
        QCOMPARE(got, expected);
        QVERIFY(!got.contains(QChar(u'?')));
    }

    void padBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::newRow("short padded") << "見積" << 6 << "見積  ";
        QTest::newRow("cut on a boundary") << "見積書" << 4 << "見積";
        QTest::newRow("cut through a character") << "見積書" << 5 << "見積 ";
        QTest::newRow("ASCII then cut") << "ABC見" << 4 << "ABC ";
        QTest::newRow("31 full-width cut to 60") << QString(31, QChar(0x5DE5)) << 60 << QString(30, QChar(0x5DE5));
        QTest::newRow("odd cut of a long name") << QString("A") + QString(30, QChar(0x5DE5)) << 60
                                                << QString("A") + QString(29, QChar(0x5DE5)) + " ";
    }
    void padBytes()
    {
        QFETCH(QString, text);
        QFETCH(int, bytes);
        QFETCH(QString, expected);
        const QString got = rz::padBytes(text, bytes);
        QCOMPARE(got, expected);
        QCOMPARE(ansiByteLength(got), bytes);
        QCOMPARE(LeftB(text + QString(bytes, u' '), bytes), expected);
    }

    // Whatever the cut, the piece is exactly as wide as the range asked for,
    // so fixed-width columns never shift.
    void cutWidthIsExact()
    {
        const QString text = QStringLiteral("ｱ見A𠮷é積ｲ書");
        const int total = ansiByteLength(text);
        QCOMPARE(total, 13);
        for (int start = 1; start <= total + 1; ++start) {
            for (int len = 0; len <= total + 1; ++len) {
                const int want = qMax(0, qMin(len, total - start + 1));
                QCOMPARE(ansiByteLength(MidBAnsi(text, start, len)), want);
            }
            QCOMPARE(ansiByteLength(MidBAnsi(text, start)), qMax(0, total - start + 1));
        }
    }
};

RZ_REGISTER_TEST(TestSjis)
#include "tst_sjis.moc"
