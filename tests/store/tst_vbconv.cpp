// Text and number conversions: sign column, leading number, trims, floor,
// checked conversions and the numeric judgement of typed texts.
#include "store/vbconv.h"
#include "support/testmain.h"

#include <QtTest>
#include <cmath>

using namespace rz;

namespace {
Currency cy(const char *text) { return *Currency::parse(QString::fromUtf8(text)); }
}  // namespace

class TestVbConv : public QObject {
    Q_OBJECT
private slots:
    void strOfNumbers()
    {
        QCOMPARE(Str(5), QStringLiteral(" 5"));
        QCOMPARE(Str(-5), QStringLiteral("-5"));
        QCOMPARE(Str(0), QStringLiteral(" 0"));
        QCOMPARE(Str(Q_INT64_C(9007199254740993)), QStringLiteral(" 9007199254740993"));
        QCOMPARE(Str(std::numeric_limits<qint64>::min()), QStringLiteral("-9223372036854775808"));
        QCOMPARE(Str(cy("1.5")), QStringLiteral(" 1.5"));
        QCOMPARE(Str(cy("-0.25")), QStringLiteral("-0.25"));
        QCOMPARE(Str(cy("1075000")), QStringLiteral(" 1075000"));
        QCOMPARE(Str(Currency::fromRaw(std::numeric_limits<qint64>::min())),
                 QStringLiteral("-922337203685477.5808"));
        QCOMPARE(Str(2.5), QStringLiteral(" 2.5"));
        QCOMPARE(Str(-2.5), QStringLiteral("-2.5"));
        QCOMPARE(Str(-0.0), QStringLiteral(" 0"));
        QCOMPARE(Str(0.1 + 0.2), QStringLiteral(" 0.3"));
        QCOMPARE(Str(123456789012345.0), QStringLiteral(" 123456789012345"));
        QCOMPARE(Str(1e15), QStringLiteral(" 1E+15"));
        QCOMPARE(Str(-1e-5), QStringLiteral("-1E-05"));
        QCOMPARE(Str(true), QStringLiteral("-1"));
        QCOMPARE(Str(false), QStringLiteral(" 0"));
        // The item table name idiom.
        QCOMPARE(Right("00000" + Trim(Str(64)), 5), QStringLiteral("00064"));
    }

    void val_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("whole") << "123" << 123.0;
        QTest::newRow("leading blanks, unit after") << "  12.5kg" << 12.5;
        QTest::newRow("blanks inside digits") << "1 2 3" << 123.0;
        QTest::newRow("tabs and line feeds") << "\t7\n8" << 78.0;
        QTest::newRow("minus") << "-5" << -5.0;
        QTest::newRow("plus") << "+5" << 5.0;
        QTest::newRow("blank after sign") << "- 5" << -5.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("grouping stops") << "1,234" << 1.0;
        QTest::newRow("second point stops") << "1.2.3" << 1.2;
        QTest::newRow("point first") << ".5" << 0.5;
        QTest::newRow("negative point first") << "-.5" << -0.5;
        QTest::newRow("exponent") << "1e3" << 1000.0;
        QTest::newRow("negative exponent") << "1e-2" << 0.01;
        QTest::newRow("D exponent") << "2D2" << 200.0;
        QTest::newRow("exponent without digits") << "1E" << 1.0;
        QTest::newRow("exponent sign only") << "1e+x" << 1.0;
        QTest::newRow("double sign") << "--1" << 0.0;
        QTest::newRow("full-width digits") << "１２" << 0.0;
        QTest::newRow("full-width blank stops") << "12　3" << 12.0;
        QTest::newRow("carriage return stops") << "12\r3" << 12.0;
        QTest::newRow("sign only") << "-" << 0.0;
    }
    void val()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(Val(text), expected);
    }
    void valBeyondDoubleRange()
    {
        QVERIFY(std::isinf(Val("1e400")) && Val("1e400") > 0);
        QVERIFY(std::isinf(Val("-1e400")) && Val("-1e400") < 0);
        QCOMPARE(Val("1e-400"), 0.0);
    }

    void trims_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("trim");
        QTest::addColumn<QString>("ltrim");
        QTest::addColumn<QString>("rtrim");
        QTest::newRow("both sides") << "  a b  " << "a b" << "a b  " << "  a b";
        QTest::newRow("only blanks") << "   " << "" << "" << "";
        QTest::newRow("empty") << "" << "" << "" << "";
        QTest::newRow("full-width blank kept") << "　見積　" << "　見積　" << "　見積　" << "　見積　";
        QTest::newRow("tab kept") << "\tx " << "\tx" << "\tx " << "\tx";
        QTest::newRow("padded name") << QString("工事") + QString(56, u' ') << "工事" << QString("工事") + QString(56, u' ')
                                     << "工事";
    }
    void trims()
    {
        QFETCH(QString, text);
        QFETCH(QString, trim);
        QFETCH(QString, ltrim);
        QFETCH(QString, rtrim);
        QCOMPARE(Trim(text), trim);
        QCOMPARE(LTrim(text), ltrim);
        QCOMPARE(RTrim(text), rtrim);
    }

    void leftRight()
    {
        QCOMPARE(Left("abc", 2), QStringLiteral("ab"));
        QCOMPARE(Left("abc", 9), QStringLiteral("abc"));
        QCOMPARE(Left("abc", 0), QString());
        QCOMPARE(Left("abc", -1), QString());
        QCOMPARE(Right("abc", 2), QStringLiteral("bc"));
        QCOMPARE(Right("abc", 9), QStringLiteral("abc"));
        QCOMPARE(Right("abc", -3), QString());
        QCOMPARE(Right("00000" + Trim(Str(123456)), 5), QStringLiteral("23456"));
    }

    void floorInt_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("floor");
        QTest::newRow("positive half") << "2.5" << "2";
        QTest::newRow("negative half") << "-2.5" << "-3";
        QTest::newRow("tiny negative") << "-0.0001" << "-1";
        QTest::newRow("whole") << "-7" << "-7";
        QTest::newRow("amount 3.5 x 1001") << "3503.5" << "3503";
    }
    void floorInt()
    {
        QFETCH(QString, value);
        QFETCH(QString, floor);
        QCOMPARE(Int(*Currency::parse(value)).toString(), floor);
        QCOMPARE(Int(value.toDouble()), floor.toDouble());
    }

    void ccurText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("value");
        QTest::newRow("grouped with blanks") << " 1,234.5 " << true << "1234.5";
        QTest::newRow("display amount") << "12,345,678,901" << true << "12345678901";
        QTest::newRow("tie to even") << "0.00015" << true << "0.0002";
        QTest::newRow("negative tie to zero") << "-0.00005" << true << "0";
        QTest::newRow("letters") << "abc" << false << "";
        QTest::newRow("empty") << "" << false << "";
        QTest::newRow("beyond range") << "1e20" << false << "";
    }
    void ccurText()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(QString, value);
        const auto c = CCur(text);
        QCOMPARE(c.has_value(), valid);
        if (valid)
            QCOMPARE(c->toString(), value);
    }
    void ccurDouble()
    {
        QCOMPARE(CCur(2.5).toString(), QStringLiteral("2.5"));
        QCOMPARE(CCur(static_cast<double>(0.1f)).toString(), QStringLiteral("0.1"));
        QCOMPARE(CCur(-1.23456).toString(), QStringLiteral("-1.2346"));
        QVERIFY_THROWS_EXCEPTION(OverflowError, CCur(1e20));
        QVERIFY_THROWS_EXCEPTION(OverflowError, CCur(std::nan("")));
        QCOMPARE(CDbl(cy("1234.5")), 1234.5);
        QCOMPARE(CDbl(QStringLiteral(" 1,234.5 ")).value_or(-1), 1234.5);
        QVERIFY(!CDbl(QStringLiteral("x")).has_value());
        QVERIFY(!CDbl(QStringLiteral("1e400")).has_value());
    }

    void cint16_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("expected");
        QTest::newRow("2.5 to even") << "2.5" << true << 2;
        QTest::newRow("3.5 to even") << "3.5" << true << 4;
        QTest::newRow("-2.5 to even") << "-2.5" << true << -2;
        QTest::newRow("-3.5 to even") << "-3.5" << true << -4;
        QTest::newRow("0.5") << "0.5" << true << 0;
        QTest::newRow("2.5001 above half") << "2.5001" << true << 3;
        QTest::newRow("32767.4 fits") << "32767.4" << true << 32767;
        QTest::newRow("32766.5 to even fits") << "32766.5" << true << 32766;
        QTest::newRow("32767.5 overflows") << "32767.5" << false << 0;
        QTest::newRow("-32768.5 to even fits") << "-32768.5" << true << -32768;
        QTest::newRow("-32768.6 overflows") << "-32768.6" << false << 0;
        QTest::newRow("rate 999") << "999" << true << 999;
        QTest::newRow("40000 overflows") << "40000" << false << 0;
    }
    void cint16()
    {
        QFETCH(QString, value);
        QFETCH(bool, ok);
        QFETCH(int, expected);
        bool okD = !ok;
        QCOMPARE(static_cast<int>(CInt16(value.toDouble(), &okD)), expected);
        QCOMPARE(okD, ok);
        bool okC = !ok;
        QCOMPARE(static_cast<int>(CInt16(cy(value.toUtf8().constData()), &okC)), expected);
        QCOMPARE(okC, ok);
    }
    void cint16NotFinite()
    {
        bool ok = true;
        QCOMPARE(CInt16(std::nan(""), &ok), qint16(0));
        QVERIFY(!ok);
        ok = true;
        CInt16(-HUGE_VAL, &ok);
        QVERIFY(!ok);
    }

    void clng32_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("2.5 to even") << "2.5" << true << Q_INT64_C(2);
        QTest::newRow("-3.5 to even") << "-3.5" << true << Q_INT64_C(-4);
        QTest::newRow("max fits") << "2147483647" << true << Q_INT64_C(2147483647);
        QTest::newRow("2147483646.5 to even") << "2147483646.5" << true << Q_INT64_C(2147483646);
        QTest::newRow("2147483647.5 overflows") << "2147483647.5" << false << Q_INT64_C(0);
        QTest::newRow("-2147483648.5 to even fits") << "-2147483648.5" << true << Q_INT64_C(-2147483648);
        QTest::newRow("-2147483649 overflows") << "-2147483649" << false << Q_INT64_C(0);
    }
    void clng32()
    {
        QFETCH(QString, value);
        QFETCH(bool, ok);
        QFETCH(qint64, expected);
        bool okD = !ok;
        QCOMPARE(static_cast<qint64>(CLng32(value.toDouble(), &okD)), expected);
        QCOMPARE(okD, ok);
        bool okC = !ok;
        QCOMPARE(static_cast<qint64>(CLng32(cy(value.toUtf8().constData()), &okC)), expected);
        QCOMPARE(okC, ok);
    }

    void isNumeric_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blanks") << "   " << false;
        QTest::newRow("digits") << "12" << true;
        QTest::newRow("blanks around") << " 12 " << true;
        QTest::newRow("grouped decimal") << "1,234.5" << true;
        QTest::newRow("minus") << "-1" << true;
        QTest::newRow("plus") << "+1" << true;
        QTest::newRow("start page 2.5") << "2.5" << true;
        QTest::newRow("two points") << "1.2.3" << false;
        QTest::newRow("sign only") << "-" << false;
        QTest::newRow("point only") << "." << false;
        QTest::newRow("letters") << "abc" << false;
        QTest::newRow("number then letters") << "12abc" << false;
        QTest::newRow("exponent") << "1e5" << true;
        QTest::newRow("bare exponent") << "1e" << false;
        QTest::newRow("beyond double") << "1e400" << false;
        QTest::newRow("full-width digits") << "１２" << false;
        QTest::newRow("blank inside") << "1 2" << false;
        QTest::newRow("sign after") << "5-" << false;
        QTest::newRow("long zero tail") << "1.0000000000000000000000000000000000000" << true;
    }
    void isNumeric()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QCOMPARE(IsNumeric(text), numeric);
        // Whatever is judged numeric (and fits) must convert with CCur:
        // the editor converts a cell right after judging it.
        if (numeric && std::fabs(*CDbl(text)) < 9e14)
            QVERIFY(CCur(text).has_value());
        if (!numeric)
            QVERIFY(!CCur(text).has_value());
    }
};

RZ_REGISTER_TEST(TestVbConv)
#include "tst_vbconv.moc"
