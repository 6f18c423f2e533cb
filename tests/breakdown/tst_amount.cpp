// The amount rule (exact currency product, rounded down) at its edges, the
// currency range, and re-pricing by a rate.
#include "breakdown/amount.h"
#include "breakdownfixture.h"
#include "support/testmain.h"

#include <QtTest>

using namespace rz;
using rztest::cy;

class TestAmount : public QObject {
    Q_OBJECT
private slots:
    void amountRule_data()
    {
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("expected");
        QTest::newRow("negative quantity floors away from 0") << "3" << "-1.5" << "-5";
        QTest::newRow("fractional price") << "123.45" << "2.5" << "308";
        QTest::newRow("negative price") << "-1000" << "0.3333" << "-334";
        QTest::newRow("quantity 0") << "1500" << "0" << "0";
        QTest::newRow("product below four decimals") << "0.0001" << "0.0001" << "0";
        QTest::newRow("large but in range") << "900000000000" << "1000" << "900000000000000";
        // "" expects the product to be refused as beyond the currency range.
        QTest::newRow("negative beyond the range") << "-900000000000" << "100000" << "";
        QTest::newRow("just over the top") << "922337203685477" << "1.0001" << "";
    }
    void amountRule()
    {
        QFETCH(QString, price);
        QFETCH(QString, quantity);
        QFETCH(QString, expected);
        const auto p = Currency::parse(price);
        const auto q = Currency::parse(quantity);
        QVERIFY(p && q);
        if (expected.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(OverflowError, amountOf(*p, *q));
            return;
        }
        QCOMPARE(amountOf(*p, *q).toString(), expected);
        QCOMPARE(recomputedAmount(*p, *q)->toString(), expected);
    }

    void lumpSumKeepsItsAmount()
    {
        // Price 0: nothing to recompute, whatever the quantity.
        QVERIFY(!recomputedAmount(Currency(), cy("5")).has_value());
        QVERIFY(!recomputedAmount(Currency(), Currency()).has_value());
        // A price with no quantity is an amount of 0, not a kept one.
        QCOMPARE(recomputedAmount(cy("50000"), Currency()), std::optional<Currency>(Currency()));
    }

    void repricing_data()
    {
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<int>("oldRate");
        QTest::addColumn<int>("newRate");
        QTest::addColumn<QString>("newPrice");
        QTest::addColumn<QString>("newAmount");
        QTest::newRow("negative lump sum floors") << "0" << "0" << "-1005" << 100 << 90 << "0" << "-905";
        QTest::newRow("price rounds down to yen") << "2.5" << "999" << "0" << 100 << 110 << "1098" << "2745";
        QTest::newRow("unchanged rate keeps the price") << "1" << "29" << "29" << 100 << 100 << "29" << "29";
        QTest::newRow("unchanged rate keeps a lump sum") << "0" << "0" << "57" << 100 << 100 << "0" << "57";
        QTest::newRow("back from 90 to 100") << "3" << "900" << "2700" << 90 << 100 << "1000" << "3000";
        QTest::newRow("stored amount ignored when priced") << "2" << "500" << "12345" << 100 << 200 << "1000"
                                                            << "2000";
    }
    void repricing()
    {
        QFETCH(QString, quantity);
        QFETCH(QString, price);
        QFETCH(QString, amount);
        QFETCH(int, oldRate);
        QFETCH(int, newRate);
        QFETCH(QString, newPrice);
        QFETCH(QString, newAmount);
        const Repriced r = repriced(*Currency::parse(quantity), *Currency::parse(price), *Currency::parse(amount),
                                    oldRate, newRate);
        QCOMPARE(r.price.toString(), newPrice);
        QCOMPARE(r.amount.toString(), newAmount);
    }

    void repricingRefusesWhatCannotBeHeld()
    {
        QVERIFY_THROWS_EXCEPTION(OverflowError, repriced(cy("1"), cy("1000"), cy("0"), 0, 90));
        QVERIFY_THROWS_EXCEPTION(OverflowError, repriced(cy("0"), cy("0"), cy("1000"), 0, 90));
        QVERIFY_THROWS_EXCEPTION(OverflowError, repriced(cy("1"), cy("900000000000000"), cy("0"), 1, 999));
        QVERIFY_THROWS_EXCEPTION(OverflowError, repriced(cy("100000"), cy("900000000000"), cy("0"), 100, 100));
    }
};

RZ_REGISTER_TEST(TestAmount)
#include "tst_amount.moc"
