// Exact money: parsing, text, limits, overflow and rounding of rz::Currency.
#include "store/currency.h"
#include "support/testmain.h"

#include <QtTest>
#include <cmath>
#include <limits>

using namespace rz;

namespace {
constexpr qint64 kMaxRaw = std::numeric_limits<qint64>::max();
constexpr qint64 kMinRaw = std::numeric_limits<qint64>::min();
Currency cy(qint64 raw) { return Currency::fromRaw(raw); }
}  // namespace

class TestCurrency : public QObject {
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("raw");
        QTest::newRow("whole") << "1075000" << true << Q_INT64_C(10750000000);
        QTest::newRow("grouped, blanks, sign") << " -1,234.5 " << true << Q_INT64_C(-12345000);
        QTest::newRow("exponent") << "1.5E-2" << true << Q_INT64_C(150);
        QTest::newRow("fifth decimal half to even down") << "0.00005" << true << Q_INT64_C(0);
        QTest::newRow("fifth decimal half to even up") << "0.00015" << true << Q_INT64_C(2);
        QTest::newRow("maximum") << "922337203685477.5807" << true << kMaxRaw;
        QTest::newRow("minimum") << "-922337203685477.5808" << true << kMinRaw;
        QTest::newRow("max rounds beyond") << "922337203685477.58075" << false << Q_INT64_C(0);
        QTest::newRow("just beyond max") << "922337203685477.5808" << false << Q_INT64_C(0);
        QTest::newRow("long tail above half")
            << "0.000050000000000000000000000000000000001" << true << Q_INT64_C(1);
        QTest::newRow("empty") << "" << false << Q_INT64_C(0);
        QTest::newRow("two points") << "1.2.3" << false << Q_INT64_C(0);
        QTest::newRow("trailing letters") << "12abc" << false << Q_INT64_C(0);
        QTest::newRow("full-width digits") << "１２" << false << Q_INT64_C(0);
        QTest::newRow("blank inside") << "1 2" << false << Q_INT64_C(0);
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(qint64, raw);
        const auto c = Currency::parse(text);
        QCOMPARE(c.has_value(), valid);
        if (!valid)
            return;
        QCOMPARE(c->raw(), raw);
        QCOMPARE(Currency::parse(c->toString())->raw(), raw);  // the text it writes reads back exactly
    }

    void overflowThrows()
    {
        const Currency max = cy(kMaxRaw);
        const Currency min = cy(kMinRaw);
        QVERIFY_THROWS_EXCEPTION(OverflowError, max + cy(1));
        QVERIFY_THROWS_EXCEPTION(OverflowError, min - cy(1));
        QVERIFY_THROWS_EXCEPTION(OverflowError, min + cy(-1));
        QVERIFY_THROWS_EXCEPTION(OverflowError, -min);
        QVERIFY_THROWS_EXCEPTION(OverflowError, Currency::fromWhole(922337203685478));
        QVERIFY_THROWS_EXCEPTION(OverflowError, Currency::multiply(max, cy(20000)));
        QVERIFY_THROWS_EXCEPTION(OverflowError, min.floorWhole());
        Currency acc = max;
        QVERIFY_THROWS_EXCEPTION(OverflowError, acc += cy(1));
        QCOMPARE(acc, max);  // a failed += leaves the total as it was

        // The edges themselves are fine.
        QCOMPARE((max - cy(1)) + cy(1), max);
        QCOMPARE(-max, cy(-kMaxRaw));
        QCOMPARE(Currency::fromWhole(922337203685477).raw(), Q_INT64_C(9223372036854770000));
        QCOMPARE(Currency::fromWhole(-922337203685477).raw(), Q_INT64_C(-9223372036854770000));
    }

    void multiply_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("product");
        QTest::newRow("price x quantity") << "3.5" << "1001" << "3503.5";
        QTest::newRow("tie rounds to even 0") << "0.0001" << "0.5" << "0";
        QTest::newRow("tie rounds to even 2") << "0.0003" << "0.5" << "0.0002";
        QTest::newRow("above half") << "1.2345" << "1.2345" << "1.524";
        QTest::newRow("large exact") << "92233720368547" << "10" << "922337203685470";
    }
    void multiply()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, product);
        QCOMPARE(Currency::multiply(*Currency::parse(a), *Currency::parse(b)).toString(), product);
        QCOMPARE(Currency::multiply(*Currency::parse(b), *Currency::parse(a)).toString(), product);
    }

    void wholeParts_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("floor");
        QTest::addColumn<qint64>("halfEven");
        QTest::newRow("2.5") << "2.5" << "2" << Q_INT64_C(2);
        QTest::newRow("3.5") << "3.5" << "3" << Q_INT64_C(4);
        QTest::newRow("-2.5") << "-2.5" << "-3" << Q_INT64_C(-2);
        QTest::newRow("2.5001") << "2.5001" << "2" << Q_INT64_C(3);
        QTest::newRow("maximum") << "922337203685477.5807" << "922337203685477" << Q_INT64_C(922337203685478);
    }
    void wholeParts()
    {
        QFETCH(QString, value);
        QFETCH(QString, floor);
        QFETCH(qint64, halfEven);
        const Currency c = *Currency::parse(value);
        QCOMPARE(c.floorWhole().toString(), floor);
        QCOMPARE(c.roundHalfEvenWhole(), halfEven);
    }

    void fromDouble_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("text");
        QTest::newRow("single 0.1") << static_cast<double>(0.1f) << true << "0.1";
        QTest::newRow("0.1 + 0.2") << 0.1 + 0.2 << true << "0.3";
        QTest::newRow("rounded to four") << 1.23456 << true << "1.2346";
        QTest::newRow("tie on the decimal 0.00025") << 0.00025 << true << "0.0002";
        QTest::newRow("negative") << -1234.5 << true << "-1234.5";
        QTest::newRow("too large") << 1e15 << false << "";
        QTest::newRow("not a number") << std::nan("") << false << "";
    }
    void fromDouble()
    {
        QFETCH(double, value);
        QFETCH(bool, valid);
        QFETCH(QString, text);
        const auto c = Currency::fromDouble(value);
        QCOMPARE(c.has_value(), valid);
        if (valid)
            QCOMPARE(c->toString(), text);
    }
};

RZ_REGISTER_TEST(TestCurrency)
#include "tst_currency.moc"
