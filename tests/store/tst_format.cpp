// Digit masks of the grids and printouts: grouping, forced digits, decimals,
// trailing blanks that line columns up, zero as blanks, exact rounding.
#include "store/format.h"
#include "store/vbconv.h"
#include "support/testmain.h"

#include <QtTest>

using namespace rz;

class TestFormat : public QObject {
    Q_OBJECT
private slots:
    // kind: "int" (qint64), "cur" (Currency), "dbl" (double), "str" (text)
    void format_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("expected");

        QTest::newRow("count zero") << "int" << "0" << "##,##0" << "0";
        QTest::newRow("quantity decimals") << "dbl" << "2.5" << "#,###,##0.000" << "2.500";
        QTest::newRow("whole quantity blanks") << "int" << "3" << "#,###,###    " << "3    ";
        QTest::newRow("millions") << "int" << "1234567" << "##,###,###,###" << "1,234,567";

        QTest::newRow("zero amount is empty") << "int" << "0" << "##,###,###,###" << "";
        QTest::newRow("zero quantity is blanks") << "int" << "0" << "#,###,###    " << "    ";
        QTest::newRow("rounds to zero, no sign") << "cur" << "-0.4" << "##,##0" << "0";
        QTest::newRow("point kept without decimals") << "int" << "12" << "###,###.###" << "12.";
        QTest::newRow("fraction without whole digit") << "cur" << "0.5" << "###,###.###" << ".5";
        QTest::newRow("forced whole digit") << "cur" << "0.5" << "#,###,##0.000" << "0.500";
        QTest::newRow("negative decimals") << "cur" << "-1234.5" << "#,###,##0.000" << "-1,234.500";

        QTest::newRow("half away from zero up") << "cur" << "0.0005" << "#,###,##0.000" << "0.001";
        QTest::newRow("half away from zero down") << "cur" << "-0.0005" << "#,###,##0.000" << "-0.001";
        QTest::newRow("whole half up") << "cur" << "2.5" << "0" << "3";
        QTest::newRow("carry into new group") << "cur" << "999.9996" << "#,###,##0.000" << "1,000.000";
        QTest::newRow("carry with hash decimal") << "cur" << "999999.95" << "###,###.#  " << "1,000,000.  ";
        QTest::newRow("binary 2.675 still rounds up") << "dbl" << "2.675" << "###,###.## " << "2.68 ";
        QTest::newRow("0.1 + 0.2") << "dbl" << "0.30000000000000004" << "###,###.###" << ".3";

        QTest::newRow("trailing decimal zero dropped") << "cur" << "12.30" << "###,###.## " << "12.3 ";
        QTest::newRow("one hash decimal two blanks") << "cur" << "7.25" << "###,###.#  " << "7.3  ";
        QTest::newRow("grouped with blanks") << "int" << "1234567" << "#,###,###    " << "1,234,567    ";

        QTest::newRow("digits beyond mask") << "int" << "1234567890123" << "##,###,###" << "1,234,567,890,123";
        QTest::newRow("largest whole") << "int" << "9223372036854775807" << "###,###,###,###"
                                       << "9,223,372,036,854,775,807";
        QTest::newRow("currency maximum") << "cur" << "922337203685477.5807" << "##,###,###,###"
                                          << "922,337,203,685,478";
        QTest::newRow("empty mask") << "cur" << "1.5" << "" << "1.5";

        QTest::newRow("text number") << "str" << "1234" << "##,###,###,###" << "1,234";
        QTest::newRow("text grouped decimal") << "str" << " 1,234.5 " << "#,###,##0.000" << "1,234.500";
        QTest::newRow("text beyond double precision") << "str" << "12345678901234567890.5" << "##,###,###,###"
                                                      << "12,345,678,901,234,567,891";
        QTest::newRow("text zero") << "str" << "0" << "##,###,###,###" << "";
        QTest::newRow("text not a number") << "str" << "abc" << "##,###" << "abc";
    }
    void format()
    {
        QFETCH(QString, kind);
        QFETCH(QString, value);
        QFETCH(QString, mask);
        QFETCH(QString, expected);
        QString got;
        if (kind == "int")
            got = Format(value.toLongLong(), mask);
        else if (kind == "cur")
            got = Format(*Currency::parse(value), mask);
        else if (kind == "dbl")
            got = Format(value.toDouble(), mask);
        else
            got = Format(value, mask);
        QCOMPARE(got, expected);
    }

    // The grids show amounts through a mask and read the cells back with CCur:
    // the round trip must give the same amount.
    void amountRoundTrip_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::newRow("zero-free") << "1234567";
        QTest::newRow("quantity") << "1234.567";
        QTest::newRow("max whole") << "922337203685477";
    }
    void amountRoundTrip()
    {
        QFETCH(QString, amount);
        const Currency c = *Currency::parse(amount);
        const QString mask = c.hasFraction() ? QStringLiteral("#,###,##0.000") : QStringLiteral("##,###,###,###");
        const QString shown = Format(c, mask);
        const auto back = CCur(shown);
        QVERIFY(back.has_value());
        QCOMPARE(*back, c);
    }
};

RZ_REGISTER_TEST(TestFormat)
#include "tst_format.moc"
