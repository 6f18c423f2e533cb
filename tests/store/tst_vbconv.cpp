// Text and number conversions the windows rely on: the sign column of
// numbers, trims, the checked 16-bit conversion and the numeric judgement of
// typed texts.
#include "store/vbconv.h"
#include "support/testmain.h"

#include <QtTest>
#include <cmath>

using namespace rz;

class TestVbConv : public QObject {
    Q_OBJECT
private slots:
    void trims_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("trim");
        QTest::addColumn<QString>("rtrim");
        QTest::newRow("both sides") << "  a b  " << "a b" << "  a b";
        QTest::newRow("only blanks") << "   " << "" << "";
        QTest::newRow("full-width blank kept") << "　見積　" << "　見積　" << "　見積　";
    }
    void trims()
    {
        QFETCH(QString, text);
        QFETCH(QString, trim);
        QFETCH(QString, rtrim);
        QCOMPARE(Trim(text), trim);
        QCOMPARE(RTrim(text), rtrim);
    }

    // The rate entry and the start page: half to even, refused beyond 16 bits.
    // Val reads the number at the start of a text, as a start page or a typed
    // figure is read; Int floors, also below zero.
    void valAndInt_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("val");
        QTest::newRow("plain") << "12" << 12.0;
        QTest::newRow("stops at letters") << "12abc" << 12.0;
        QTest::newRow("blanks skipped") << " 1 2 " << 12.0;
        QTest::newRow("negative") << "-3.5x" << -3.5;
        QTest::newRow("no number") << "abc" << 0.0;
    }
    void valAndInt()
    {
        QFETCH(QString, text);
        QFETCH(double, val);
        QCOMPARE(Val(text), val);
        QCOMPARE(Int(val), std::floor(val));
        QCOMPARE(Int(-2.5), -3.0);
        QCOMPARE(Int(*CCur(QStringLiteral("-2.5"))), *CCur(QStringLiteral("-3")));
    }

    void cint16_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("expected");
        QTest::newRow("2.5 to even") << 2.5 << true << 2;
        QTest::newRow("-2.5 to even") << -2.5 << true << -2;
        QTest::newRow("32767.4 fits") << 32767.4 << true << 32767;
        QTest::newRow("32767.5 overflows") << 32767.5 << false << 0;
        QTest::newRow("-32768.5 to even fits") << -32768.5 << true << -32768;
        QTest::newRow("not a number") << std::nan("") << false << 0;
    }
    void cint16()
    {
        QFETCH(double, value);
        QFETCH(bool, ok);
        QFETCH(int, expected);
        bool okOut = !ok;
        QCOMPARE(static_cast<int>(CInt16(value, &okOut)), expected);
        QCOMPARE(okOut, ok);
    }

    void isNumeric_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<double>("value");  // CDbl of a numeric text
        QTest::newRow("blanks around") << " 12 " << true << 12.0;
        QTest::newRow("grouped decimal") << "1,234.5" << true << 1234.5;
        QTest::newRow("minus") << "-1" << true << -1.0;
        QTest::newRow("exponent") << "1e5" << true << 1e5;
        QTest::newRow("blanks") << "   " << false << 0.0;
        QTest::newRow("two points") << "1.2.3" << false << 0.0;
        QTest::newRow("number then letters") << "12abc" << false << 0.0;
        QTest::newRow("beyond double") << "1e400" << false << 0.0;
        QTest::newRow("sign after") << "5-" << false << 0.0;
    }
    void isNumeric()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QFETCH(double, value);
        QCOMPARE(IsNumeric(text), numeric);
        // Whatever is judged numeric (and fits) must convert with CCur:
        // the editor converts a cell right after judging it.
        if (numeric) {
            QCOMPARE(*CDbl(text), value);
            QVERIFY(CCur(text).has_value());
        } else {
            QVERIFY(!CCur(text).has_value());
        }
    }
};

RZ_REGISTER_TEST(TestVbConv)
#include "tst_vbconv.moc"
