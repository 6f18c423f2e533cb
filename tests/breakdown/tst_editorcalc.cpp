// The editor's calculation as a user meets it: amounts from quantity and
// price, subtotal and running-total rows, rates entered for a level, the
// roll-up into parent rows when going back up, and passes that fail whole.
#include "breakdownfixture.h"
#include "store/format.h"
#include "support/testmain.h"

#include <QLabel>
#include <QtTest>

using namespace rz;
using rztest::BreakdownFixture;
using rztest::cy;
using rztest::Item;
using rztest::group;
using rztest::leaf;
using rztest::rowsUnder;

namespace {
void addVariants()
{
    QTest::addColumn<bool>("sqlVariant");
}
}  // namespace

class TestEditorCalc : public QObject {
    Q_OBJECT
private slots:
    void amountRule_data()
    {
        addVariants();
        QTest::addColumn<QString>("su1");
        QTest::addColumn<QString>("tk1");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");
        for (bool sql : {false, true}) {
            const char *v = sql ? "47 columns" : "48 columns";
            QTest::addRow("0.5 x 3, %s", v) << sql << "0.5" << "3" << "0" << "1";
            QTest::addRow("1.25 x 1000, %s", v) << sql << "1.25" << "1000" << "0" << "1250";
            QTest::addRow("-1.5 x 3, %s", v) << sql << "-1.5" << "3" << "0" << "-5";
            QTest::addRow("3.5 x 1001, %s", v) << sql << "3.5" << "1001" << "7" << "3503";
            QTest::addRow("lump sum, %s", v) << sql << "1" << "0" << "50000" << "50000";
        }
    }
    void amountRule()
    {
        QFETCH(bool, sqlVariant);
        QFETCH(QString, su1);
        QFETCH(QString, tk1);
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        BreakdownFixture f(sqlVariant);
        Item row = leaf({1024}, "品目", su1, tk1, stored);
        row.su2 = "2";
        row.tk2 = "10";
        row.kn2 = "999";
        f.add({row});
        QVERIFY(f.openEditor());
        const Currency want = *Currency::parse(expected);
        QCOMPARE(f.money({1024}, "kn1"), want);
        QCOMPARE(f.money({1024}, "kn2"), cy("20"));  // the budget set follows its own price
        QCOMPARE(f.grid().text(1, 8), Format(want, "##,###,###,###"));
        QCOMPARE(f.editor->LblTotal->text(), Format(want, "##,###,###,###"));
        QCOMPARE(f.s().LvlKn2[0], cy("20"));
        // The same rule again on the way out: nothing changes.
        f.press(Qt::Key_F12);
        QCOMPARE(f.money({1024}, "kn1"), want);
        QCOMPARE(f.shared.U1_Kn1, want);
        QCOMPARE(f.shared.U1_Kn2, cy("20"));
    }

    void subtotalsAndRunningTotal_data()
    {
        addVariants();
        QTest::addColumn<QString>("mark");
        QTest::newRow("@, 48 columns") << false << "@";
        QTest::newRow("＠, 48 columns") << false << "＠";
        QTest::newRow("＠, 47 columns") << true << "＠";
    }
    void subtotalsAndRunningTotal()
    {
        QFETCH(bool, sqlVariant);
        QFETCH(QString, mark);
        BreakdownFixture f(sqlVariant);
        Item deleted = leaf({1536}, "撤去", "1", "1000", "1000");
        deleted.flg = "-x        ";
        Item sub1 = leaf({3072}, mark + "小計", "0", "0", "9999");
        Item sub2 = leaf({5120}, mark + "小計", "0", "0", "9999");
        Item running = leaf({6144}, mark + mark + "累計", "0", "0", "1");
        f.add({leaf({1024}, "A", "1", "100"), deleted, leaf({2048}, "B", "2", "100"), sub1,
               leaf({4096}, "C", "1", "0", "50"), sub2, running});
        QVERIFY(f.openEditor());
        QCOMPARE(f.money({3072}, "kn1"), cy("300"));
        QCOMPARE(f.money({5120}, "kn1"), cy("50"));
        QCOMPARE(f.money({6144}, "kn1"), cy("350"));
        QCOMPARE(f.money({1536}, "kn1"), cy("1000"));  // left as it was, and out of every sum
        QCOMPARE(f.s().LvlKn1[0], cy("350"));
        QCOMPARE(f.editor->LblTotal->text(), QString("350"));
        QCOMPARE(f.grid().text(f.rowOf(mark + "小計"), 8), QString("300"));
        QCOMPARE(f.grid().text(7, 8), QString("350"));
        QCOMPARE(f.grid().cellForeColor(7, 1), QColor(0, 0, 255));
        // Going up from a sub-level sums without recalculating: the same totals.
        f.press(Qt::Key_F12);
        QCOMPARE(f.shared.U1_Kn1, cy("350"));
    }

    void rateForAllRows_data()
    {
        QTest::addColumn<bool>("budget");
        QTest::newRow("estimate set") << false;
        QTest::newRow("budget set") << true;
    }
    void rateForAllRows()
    {
        QFETCH(bool, budget);
        BreakdownFixture f;
        Item priced = leaf({1024, 1024}, "型枠", "3", "1000");
        priced.su2 = "3";
        priced.tk2 = "1000";
        Item lump = leaf({1024, 2048}, "諸経費", "0", "0", "1005");
        lump.kn2 = "1005";
        f.add({group({1024}, "躯体工事"), priced, lump, group({1024, 3072}, "鉄筋", "500", "500"),
               leaf({1024, 3072, 1024}, "鉄筋加工", "1", "500")});
        QVERIFY(f.openEditor());
        f.press(Qt::Key_F1);
        if (budget)
            f.press(Qt::Key_F5);
        f.prompts.menuAnswers = {0};
        f.prompts.inputAnswers = {QString("90")};
        f.press(Qt::Key_F6);
        const rztest::PromptRecord *menu = f.prompts.lastMenu();
        QVERIFY(menu);
        QCOMPARE(menu->menuEntries, (QStringList{"全行", "指定行", "集計"}));
        QCOMPARE(menu->menuPos, f.editor->mapToGlobal(QPoint(4920 / 15, 375 / 15)));
        QCOMPARE(f.prompts.records.back().kind, rztest::PromptRecord::Input);
        QCOMPARE(f.prompts.records.back().text, QString("掛率を入力して下さい(1-999)"));
        QCOMPARE(f.prompts.records.back().title, QString("掛率入力"));
        QCOMPARE(f.prompts.records.back().file.proposedName, QString("100"));

        const char *tk = budget ? "tk2" : "tk1", *kn = budget ? "kn2" : "kn1";
        const char *otherTk = budget ? "tk1" : "tk2", *otherKn = budget ? "kn1" : "kn2";
        QCOMPARE(f.money({1024, 1024}, tk), cy("900"));
        QCOMPARE(f.money({1024, 1024}, kn), cy("2700"));
        QCOMPARE(f.money({1024, 2048}, kn), cy("904"));
        QCOMPARE(f.money({1024, 1024}, otherTk), cy("1000"));
        QCOMPARE(f.money({1024, 1024}, otherKn), cy("3000"));
        QCOMPARE(f.money({1024, 2048}, otherKn), cy("1005"));
        // The group row keeps its amount; its own rows are not touched.
        QCOMPARE(f.money({1024, 3072}, kn), cy("500"));
        QCOMPARE(f.money({1024, 3072, 1024}, tk), budget ? cy("0") : cy("500"));
        QCOMPARE(f.editor->LblRitu->text(), QString("90"));
        QCOMPARE(f.editor->LblTotal->text(), QString("4,104"));
        QCOMPARE(f.grid().text(1, budget ? 7 : 6), QString("900"));
        QCOMPARE(f.grid().text(1, budget ? 9 : 8), QString("2,700"));
        QCOMPARE(f.s().LvlRt1[1], budget ? 100 : 90);
        QCOMPARE(f.s().LvlRt2[1], budget ? 90 : 100);

        f.press(Qt::Key_F12);  // the rates and totals go into the opened row
        QCOMPARE(f.value({1024}, "rt1").toLong(), budget ? 100 : 90);
        QCOMPARE(f.value({1024}, "rt2").toLong(), budget ? 90 : 100);
        QCOMPARE(f.money({1024}, kn), cy("4104"));
        QCOMPARE(f.money({1024}, otherKn), cy("4505"));
        // Back in, the level shows the rate it was left with.
        f.press(Qt::Key_F1);
        QCOMPARE(f.editor->LblRitu->text(), QString("90"));
    }

    void rateAnswersThatChangeNothing_data()
    {
        QTest::addColumn<bool>("viaLabel");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("0") << false << "0" << false;
        QTest::newRow("1000") << false << "1000" << false;
        QTest::newRow("abc") << false << "abc" << false;
        QTest::newRow("empty") << false << "" << false;
        QTest::newRow("999.5") << false << "999.5" << false;
        QTest::newRow("cancelled") << false << "" << true;
        QTest::newRow("1000, rate label") << true << "1000" << false;
        QTest::newRow("blanks, rate label") << true << "   " << false;
        QTest::newRow("cancelled, rate label") << true << "" << true;
    }
    void rateAnswersThatChangeNothing()
    {
        QFETCH(bool, viaLabel);
        QFETCH(QString, answer);
        QFETCH(bool, cancel);
        BreakdownFixture f;
        f.add({leaf({1024}, "型枠", "3", "1000"), leaf({2048}, "諸経費", "0", "0", "1005")});
        QVERIFY(f.openEditor());
        if (cancel)
            f.prompts.inputAnswers = {std::nullopt};
        else
            f.prompts.inputAnswers = {answer};
        if (viaLabel) {
            QTest::mouseClick(f.editor->LblRitu, Qt::LeftButton);
            QCOMPARE(f.prompts.records.back().title, QString("掛率修正"));
        } else {
            f.prompts.menuAnswers = {0};
            f.press(Qt::Key_F6);
            QCOMPARE(f.prompts.records.back().title, QString("掛率入力"));
        }
        QCOMPARE(f.prompts.countOf(rztest::PromptRecord::Input), 1);
        QCOMPARE(f.s().LvlRt1[0], 100);
        QCOMPARE(f.editor->LblRitu->text(), QString("100"));
        QCOMPARE(f.money({1024}, "tk1"), cy("1000"));
        QCOMPARE(f.money({1024}, "kn1"), cy("3000"));
        QCOMPARE(f.money({2048}, "kn1"), cy("1005"));
        QCOMPARE(f.prompts.countOf(rztest::PromptRecord::Message), 0);
        QCOMPARE(f.prompts.beeps, 0);
    }

    void rateLabelOnlyStoresTheRate()
    {
        BreakdownFixture f;
        f.add({leaf({1024}, "型枠", "3", "1000")});
        QVERIFY(f.openEditor(100, 100));
        f.prompts.inputAnswers = {QString("80")};
        QTest::mouseClick(f.editor->LblRitu, Qt::LeftButton);
        QCOMPARE(f.editor->LblRitu->text(), QString("80"));
        QCOMPARE(f.money({1024}, "tk1"), cy("1000"));
        // A later entry re-prices from the rate the level now has: 80 -> 100.
        f.prompts.menuAnswers = {0};
        f.prompts.inputAnswers = {QString("100")};
        f.press(Qt::Key_F6);
        QCOMPARE(f.prompts.records.back().file.proposedName, QString("80"));
        QCOMPARE(f.money({1024}, "tk1"), cy("1250"));
        QCOMPARE(f.money({1024}, "kn1"), cy("3750"));
        f.press(Qt::Key_F12);
        QCOMPARE(f.shared.U1_Rt1, 100);
    }

    void totalLabelRecalculatesTheLevel()
    {
        BreakdownFixture f;
        f.add({leaf({1024}, "型枠", "3", "1000"), leaf({2048}, "足場", "2", "500")});
        QVERIFY(f.openEditor());
        QCOMPARE(f.editor->LblTotal->text(), QString("4,000"));
        // Someone changed a price in the file behind the grid.
        f.db()->execute("UPDATE TBL00064 SET tk1 = ? WHERE key1 = 2048", {Value(cy("700"))});
        QTest::mouseClick(f.editor->LblTotal, Qt::LeftButton);
        QCOMPARE(f.money({2048}, "kn1"), cy("1400"));
        QCOMPARE(f.grid().text(2, 8), QString("1,400"));
        QCOMPARE(f.editor->LblTotal->text(), QString("4,400"));
    }

    void rollUpThroughTwoLevels_data()
    {
        addVariants();
        QTest::newRow("48 columns") << false;
        QTest::newRow("47 columns") << true;
    }
    void rollUpThroughTwoLevels()
    {
        QFETCH(bool, sqlVariant);
        BreakdownFixture f(sqlVariant);
        // 21 rows before the group put it on page 2 of level 1.
        f.add(rowsUnder({}, 21));
        const int a = 22 * 1024;
        Item b = group({a, 1024}, "基礎");
        f.add({group({a}, "建築工事", "7"), b, leaf({a, 1024, 1024}, "掘削", "2", "100"),
               leaf({a, 1024, 2048}, "砕石", "3", "50"), leaf({a, 2048}, "共通仮設", "1", "1000")});
        QVERIFY(f.openEditor());
        const Currency before = f.s().LvlKn1[0];
        f.press(Qt::Key_PageUp);
        QCOMPARE(f.editor->LblPage->text(), QString("2/2"));
        f.toRow(2);
        QCOMPARE(f.grid().text(2, 1).trimmed(), QString("建築工事"));
        f.press(Qt::Key_F1);
        QCOMPARE(f.editor->LblUTitle->text().trimmed(), QString("建築工事"));
        QCOMPARE(f.editor->LblTotal->text(), QString("1,000"));  // 基礎 still holds 0
        f.press(Qt::Key_F1);
        QCOMPARE(f.s().CurLvl, 2);
        QCOMPARE(f.editor->LblLevel->text(), QString("3"));
        QCOMPARE(f.editor->LblTotal->text(), QString("350"));
        f.press(Qt::Key_F12);
        QCOMPARE(f.s().CurLvl, 1);
        QCOMPARE(f.money({a, 1024}, "kn1"), cy("350"));
        QCOMPARE(f.value({a, 1024}, "flg").toString(), QString("+         "));
        QCOMPARE(f.grid().text(1, 8), QString("350"));
        QCOMPARE(f.editor->LblTotal->text(), QString("1,350"));
        f.press(Qt::Key_F12);
        QCOMPARE(f.s().CurLvl, 0);
        QCOMPARE(f.editor->LblPage->text(), QString("2/2"));  // back on the page that was left
        QCOMPARE(f.grid().row(), 2);
        QCOMPARE(f.money({a}, "kn1"), cy("1350"));
        QCOMPARE(f.grid().text(2, 8), QString("1,350"));
        QCOMPARE(f.s().LvlKn1[0], before - cy("7") + cy("1350"));
        f.press(Qt::Key_F12);
        QVERIFY(!f.editor->isVisible());
        QVERIFY(f.shared.U1_Upd);
        QCOMPARE(f.shared.U1_Kn1, before - cy("7") + cy("1350"));
        QCOMPARE(f.shared.U1_RowCnt, 26);
        QCOMPARE(f.shared.formsLoaded, 2);
        QCOMPARE(f.prompts.countOf(rztest::PromptRecord::Message), 0);
    }

    void failedPassWritesNothing_data()
    {
        addVariants();
        QTest::addColumn<QString>("tk1");
        QTest::addColumn<QString>("su1");
        QTest::addColumn<QString>("message");
        QTest::newRow("sum beyond the currency range") << false << "600000000000000" << "1"
                                                       << "金額が通貨型の範囲を超えました";
        QTest::newRow("product beyond the currency range") << false << "900000000000000" << "2"
                                                           << "金額が通貨型の範囲を超えました";
        QTest::newRow("amount beyond a LONG column") << true << "3000000" << "1000"
                                                     << "数値が長整数型の範囲を超えました";
    }
    void failedPassWritesNothing()
    {
        QFETCH(bool, sqlVariant);
        QFETCH(QString, tk1);
        QFETCH(QString, su1);
        QFETCH(QString, message);
        BreakdownFixture f(sqlVariant);
        f.add({group({512}, "前段"), leaf({512, 1024}, "普通", "1", "100"), leaf({512, 2048}, "巨額", su1, tk1),
               leaf({512, 3072}, "巨額2", su1, tk1)});
        QVERIFY(f.openEditor());
        f.press(Qt::Key_F1);
        QCOMPARE(f.prompts.messages(), QStringList{message});
        // The first row would have been recalculated first: it was rolled back with the rest.
        QCOMPARE(f.money({512, 1024}, "kn1"), cy("0"));
        QCOMPARE(f.money({512, 2048}, "kn1"), cy("0"));
        QCOMPARE(f.grid().text(1, 8), QString());
        // Going up runs the pass again: the message again, and the parent row stays as it was.
        f.press(Qt::Key_F12);
        QCOMPARE(f.prompts.messages().size(), 2);
        QCOMPARE(f.s().CurLvl, 1);
        QCOMPARE(f.money({512}, "kn1"), cy("0"));
        QCOMPARE(f.value({512}, "flg").toString(), QString("+         "));
    }
};

RZ_REGISTER_TEST(TestEditorCalc)
#include "tst_editorcalc.moc"
