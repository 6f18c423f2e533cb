// The lines of a printed list: quantities with their decimal point, blank
// fields, the columns left out by the options, subtotals and running totals.
#include "printfixture.h"
#include "store/sjis.h"
#include "support/testmain.h"

using namespace rz;
using rztest::Item;
using rztest::PrintFixture;

class TestListLines : public QObject {
    Q_OBJECT
private slots:
    void quantity_data()
    {
        QTest::addColumn<bool>("budget");
        QTest::addColumn<bool>("single");
        QTest::addColumn<QString>("su1");
        QTest::addColumn<QString>("expected");
        // Estimate layout: 11 cells from column 67, the point or its place in cell 74.
        QTest::newRow("12") << false << false << "12" << "     12    ";
        QTest::newRow("12.5") << false << false << "12.5" << "     12.5  ";
        QTest::newRow("12.25") << false << false << "12.25" << "     12.25 ";
        QTest::newRow("12.125") << false << false << "12.125" << "     12.125";
        QTest::newRow("12.0004 rounds to whole") << false << false << "12.0004" << "     12    ";
        QTest::newRow("grouped") << false << false << "1234.5" << "  1,234.5  ";
        QTest::newRow("negative") << false << false << "-12.5" << "    -12.5  ";
        QTest::newRow("single 12.1") << false << true << "12.1" << "     12.1  ";
        // Budget layout: digits only from column 66, the units digit in cell 71.
        QTest::newRow("budget 12") << true << false << "12" << "    12";
        QTest::newRow("budget 12.5") << true << false << "12.5" << "    125";
        QTest::newRow("budget single 12.1") << true << true << "12.1" << "    121";
        QTest::newRow("budget 1234.5") << true << false << "1234.5" << "  12345";
    }
    void quantity()
    {
        QFETCH(bool, budget);
        QFETCH(bool, single);
        QFETCH(QString, su1);
        QFETCH(QString, expected);
        PrintFixture f(single);
        f.options.kind = budget ? PrintKind::EstimateBudget : PrintKind::Estimate;
        Item it = rztest::detail("鉄筋", "1000");
        it.su1 = su1;
        it.su2 = su1;
        f.add({1024}, it);
        f.printAll();
        const int col = budget ? 66 : 67, row = budget ? 13 : 7;
        QCOMPARE(f.textAt(1, col, row), expected);
        if (su1 == QLatin1String("12") || su1.startsWith(QLatin1String("12."))) {
            // The units digit of 12 always stands in the same cell.
            const int units = budget ? 71 : 73;
            QCOMPARE(expected.at(units - col), QChar(u'2'));
            if (!budget)
                QVERIFY(expected.at(74 - col) == u'.' || expected.at(74 - col) == u' ');
        }
        if (budget)
            QCOMPARE(f.textAt(1, 122, row), expected);  // the budget quantity by the same rule
    }

    // Zeros, and the columns the options leave out, print nothing, on detail,
    // subtotal and total lines alike.
    void blanks_data()
    {
        QTest::addColumn<bool>("budget");
        QTest::addColumn<bool>("quantities");
        QTest::addColumn<bool>("prices");
        QTest::addColumn<bool>("remarks");
        for (bool budget : {false, true}) {
            const char *l = budget ? "budget" : "estimate";
            QTest::addRow("%s, all printed", l) << budget << true << true << true;
            QTest::addRow("%s, no quantities", l) << budget << false << true << true;
            QTest::addRow("%s, no prices", l) << budget << true << false << true;
            QTest::addRow("%s, no remarks", l) << budget << true << true << false;
        }
    }
    void blanks()
    {
        QFETCH(bool, budget);
        QFETCH(bool, quantities);
        QFETCH(bool, prices);
        QFETCH(bool, remarks);
        PrintFixture f;
        f.options.kind = budget ? PrintKind::EstimateBudget : PrintKind::Estimate;
        f.options.quantities = quantities;
        f.options.prices = prices;
        f.options.remarks = remarks;
        Item full{"型枠", "合板", "3", "ｍ２", "1500", "4500", "3", "1200", "3600", "雨天注意", "-"};
        Item zero{"予備", "", "", "式", "", "", "", "", "", "", "-"};
        f.add({1024}, full);
        f.add({2048}, zero);
        f.add({3072}, rztest::detail("＠小計", ""));
        f.printAll();

        const int oy = budget ? 6 : 0, ox = budget ? -1 : 0;
        const QList<int> qtyCols = budget ? QList<int>{66, 122} : QList<int>{67};
        const QList<int> moneyCols = budget ? QList<int>{79, 88, 131, 140} : QList<int>{82, 93};
        const int remarksCol = budget ? 101 : 108, unitCol = budget ? 75 : 78;
        const int r1 = oy + 7, r2 = oy + 9, sub = oy + 11, total = oy + 45;

        for (int c : qtyCols)
            QCOMPARE(f.inkOnRow(1, r1, c, c + 1), quantities);
        for (int c : moneyCols)
            QCOMPARE(f.inkOnRow(1, r1, c, c + 1), prices);
        QCOMPARE(f.inkOnRow(1, r1, remarksCol, remarksCol + 1), remarks);
        if (remarks)
            QCOMPARE(f.textAt(1, remarksCol, r1), QStringLiteral("雨天注意") + QString(16, u' '));
        QCOMPARE(f.textAt(1, unitCol, r1), QStringLiteral("ｍ２  "));
        if (prices) {
            QCOMPARE(f.textAt(1, budget ? 88 : 93, r1), budget ? QStringLiteral("         4500")
                                                               : QStringLiteral("          4,500"));
            if (budget)
                QCOMPARE(f.textAt(1, 140, r1), QStringLiteral("         3600"));
        }
        // The zero row: name and unit only.
        QCOMPARE(f.textAt(1, ox + 7, r2), QStringLiteral("予備"));
        QCOMPARE(f.inkOnRow(1, r2, ox + 48, unitCol), false);
        QCOMPARE(f.inkOnRow(1, r2, unitCol + 1, 200), false);
        // Subtotal and total lines carry amounts only when prices are printed.
        for (int row : {sub, total}) {
            QVERIFY(f.inkOnRow(1, row, ox + 7, ox + 8));
            QCOMPARE(f.inkOnRow(1, row, ox + 40, 200), prices);
        }
        if (prices) {
            const QString sum = budget ? QStringLiteral("         4500") : QStringLiteral("          4,500");
            QCOMPARE(f.textAt(1, budget ? 88 : 93, total), sum);
            QCOMPARE(f.textAt(1, budget ? 88 : 93, sub), sum);
        }
    }

    void subtotals_data()
    {
        QTest::addColumn<bool>("budget");
        QTest::newRow("estimate layout") << false;
        QTest::newRow("budget layout") << true;
    }
    void subtotals()
    {
        QFETCH(bool, budget);
        PrintFixture f;
        f.options.kind = budget ? PrintKind::EstimateBudget : PrintKind::Estimate;
        f.add({1024}, rztest::detail("土工", "100", "10"));
        f.add({2048}, rztest::detail("基礎", "200", "20"));
        f.add({3072}, rztest::detail("＠小計", ""));
        f.add({4096}, rztest::detail("外構", "50", "5"));
        f.add({5120}, rztest::detail("＠＠累計", ""));
        f.add({6144}, rztest::detail("@小計2", ""));
        f.printAll();

        const int ox = budget ? -1 : 0, oy = budget ? 6 : 0;
        const int estCol = budget ? 88 : 93, width = budget ? 13 : 15;
        auto field = [width](const QString &n) { return QString(width - n.size(), u' ') + n; };
        struct Expect {
            int band;
            QString name, est, bud;
        };
        const Expect expect[] = {{2, "小計", "300", "30"}, {4, "累計", "350", "35"}, {5, "小計2", "50", "5"}};
        for (const Expect &e : expect) {
            const int row = oy + 7 + 2 * e.band;
            QCOMPARE(f.textAt(1, ox + 7, row), e.name + QString(30 - e.name.size(), u' '));
            QCOMPARE(f.textAt(1, estCol, row), field(e.est));
            if (budget)
                QCOMPARE(f.textAt(1, 140, row), field(e.bud));
        }
        QCOMPARE(f.textAt(1, ox + 7, oy + 45), QString(19, u' ') + QStringLiteral("計"));
        QCOMPARE(f.textAt(1, estCol, oy + 45), field(QStringLiteral("350")));
        if (budget)
            QCOMPARE(f.textAt(1, 140, oy + 45), field(QStringLiteral("35")));
        // Subtotal rows add nothing: the next list starts from zero again.
        QVERIFY(f.shared.Prt_Tot[0].isZero());
        QVERIFY(f.shared.Prt_Tot[2].isZero());
    }

    // A name longer than its column is not cut: the 摘要 text overprints it.
    void longNameRunsOn()
    {
        PrintFixture f;
        const QString name = QString(25, u'長');  // 50 cells
        Item it = rztest::detail(name, "10");
        it.mei = QStringLiteral("仕様");
        f.add({1024}, it);
        f.printAll();
        QCOMPARE(f.textAt(1, 7, 7), name);
        QCOMPARE(f.textAt(1, 47, 7), QStringLiteral("仕様"));
        const QString image = f.device.rowImage(1, 7);
        QCOMPARE(ansiByteLength(image.left(image.indexOf(QStringLiteral("仕様")))), 47);
    }
};

RZ_REGISTER_TEST(TestListLines)
#include "tst_listlines.moc"
