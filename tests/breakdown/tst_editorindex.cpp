// The editor reached from the estimate index window: 内訳 (F1) opens it on
// the current estimate, closing it puts the totals into the estimate's
// record, and 計算 (F6) recalculates a whole estimate.
#include "breakdownfixture.h"
#include "support/testmain.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace rz;
using rztest::BreakdownFixture;
using rztest::cy;
using rztest::Item;
using rztest::group;
using rztest::leaf;

namespace {
Value indexField(BreakdownFixture &f, const char *column)
{
    auto db = f.db();
    auto rs = db->openRecordset(QStringLiteral("SELECT %1 FROM RZTBLIDX WHERE key1 = 64").arg(column),
                                RecordsetType::Snapshot);
    return rs->field(0);
}
}  // namespace

class TestEditorIndex : public QObject {
    Q_OBJECT
private slots:
    void openWithF1AndCloseWritesTheIndexRecord()
    {
        BreakdownFixture f;
        Item a = leaf({1024}, "型枠", "3", "1000");
        a.su2 = "3";
        a.tk2 = "800";
        f.add({a, leaf({2048}, "諸経費", "0", "0", "500")});
        QVERIFY(f.openIndex());
        f.index->session().today = [] { return QDate(2026, 12, 6); };
        QTest::keyClick(f.index->Grid1, Qt::Key_F1);
        QVERIFY(f.editor);
        QCOMPARE(f.editor->windowTitle(), f.index->session().grid().text(1, 1));
        QVERIFY(f.editor->windowTitle().startsWith("工事六十四"));
        QCOMPARE(f.shared.formsLoaded, 3);
        QCOMPARE(f.shared.DB_TblName, QString("TBL00064"));
        QCOMPARE(f.editor->LblTotal->text(), QString("3,500"));

        // While the editor is open the index window opens no second one and stays open.
        QVERIFY(!f.index->Command1[11]->isEnabled());
        QTest::keyClick(f.index->Grid1, Qt::Key_F1);
        QCOMPARE(f.prompts.beeps, 1);
        QVERIFY(!f.index->close());

        f.prompts.menuAnswers = {0};
        f.prompts.inputAnswers = {QString("90")};
        f.press(Qt::Key_F6);
        QCOMPARE(f.editor->LblTotal->text(), QString("3,150"));
        f.press(Qt::Key_F12);
        QVERIFY(!f.editor->isVisible());
        QCOMPARE(f.shared.formsLoaded, 2);
        QVERIFY(!f.shared.U1_Upd);  // taken over by the index window
        QCOMPARE(indexField(f, "kn1").toCurrency(), cy("3150"));
        QCOMPARE(indexField(f, "kn2").toCurrency(), cy("2400"));
        QCOMPARE(indexField(f, "int0").toLong(), 2);
        QCOMPARE(indexField(f, "int1").toLong(), 90);
        QCOMPARE(indexField(f, "int2").toLong(), 100);
        QCOMPARE(indexField(f, "dt3").toString(), QString("12-06-2026"));
        const Grid &g = f.index->session().grid();
        QCOMPARE(g.text(1, 2), QString("3,150"));
        QCOMPARE(g.text(1, 4), QString("2"));
        QCOMPARE(g.text(1, 6), QString("12-06-2026"));
        QVERIFY(f.index->Command1[11]->isEnabled());

        // Opened again, the level starts at the rate it was left with.
        QTest::keyClick(f.index->Grid1, Qt::Key_F1);
        QCOMPARE(f.editor->LblRitu->text(), QString("90"));
        f.editor->close();  // the window's own close button hands over the same way
        QCOMPARE(f.shared.formsLoaded, 2);
        QVERIFY(f.index->close());
    }

    void editorOnAMissingItemTable()
    {
        BreakdownFixture f;
        f.db()->dropTable("TBL00064");
        QVERIFY(f.openIndex());
        QTest::keyClick(f.index->Grid1, Qt::Key_F1);
        QVERIFY(!f.editor);
        QCOMPARE(f.prompts.countOf(rztest::PromptRecord::Message), 1);
        QCOMPARE(f.prompts.lastMessage()->style, int(MsgExclamation));
        QCOMPARE(f.prompts.beeps, 1);
        QCOMPARE(f.shared.formsLoaded, 2);
        QVERIFY(f.index->Command1[11]->isEnabled());
        QVERIFY(f.index->close());
    }

    void recalculationFromTheIndexWindow_data()
    {
        QTest::addColumn<bool>("sqlVariant");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("48 columns") << false << true;
        QTest::newRow("47 columns") << true << true;
        QTest::newRow("cancelled") << false << false;
    }
    void recalculationFromTheIndexWindow()
    {
        QFETCH(bool, sqlVariant);
        QFETCH(bool, confirm);
        BreakdownFixture f(sqlVariant);
        Item wrongItem = leaf({1024, 2048}, "砕石", "1", "50", "40");
        wrongItem.su2 = "1";
        wrongItem.tk2 = "30";
        f.add({group({1024}, "基礎工事", "999", "0"), leaf({1024, 1024}, "掘削", "2", "100", "200"), wrongItem,
               leaf({2048}, "共通仮設", "1", "1000", "1000")});
        QVERIFY(f.openIndex());
        if (!confirm)
            f.prompts.messageAnswers = {AnswerCancel};
        QTest::keyClick(f.index->Grid1, Qt::Key_F6);
        QVERIFY(f.prompts.countOf(rztest::PromptRecord::Message) >= 1);
        QCOMPARE(f.prompts.records.front().text, QString("再計算処理を開始します"));
        QCOMPARE(f.prompts.records.front().style, int(MsgOkCancelInformation));
        if (!confirm) {
            QCOMPARE(f.prompts.messages().size(), 1);
            QCOMPARE(f.money({1024}, "kn1"), cy("999"));
            QCOMPARE(indexField(f, "kn1").toCurrency(), cy("0"));
            return;
        }
        QCOMPARE(f.prompts.messages(), (QStringList{"再計算処理を開始します", "基礎工事の金額を訂正します"}));
        QCOMPARE(f.prompts.lastMessage()->style, int(MsgInformation));
        QCOMPARE(f.prompts.beeps, 1);  // the item whose amount disagreed with its price
        QCOMPARE(f.money({1024, 2048}, "kn1"), cy("50"));
        QCOMPARE(f.money({1024}, "kn1"), cy("250"));
        QCOMPARE(f.money({1024}, "kn2"), cy("30"));
        QCOMPARE(indexField(f, "kn1").toCurrency(), cy("1250"));
        QCOMPARE(indexField(f, "kn2").toCurrency(), cy("30"));
        QCOMPARE(f.index->session().grid().text(1, 2), QString("1,250"));
        QCOMPARE(f.index->session().grid().text(1, 3), QString("30"));
        // A second run finds nothing to correct.
        f.prompts.clear();
        QTest::keyClick(f.index->Grid1, Qt::Key_F6);
        QCOMPARE(f.prompts.messages(), QStringList{"再計算処理を開始します"});
        QCOMPARE(f.prompts.beeps, 0);
    }
};

RZ_REGISTER_TEST(TestEditorIndex)
#include "tst_editorindex.moc"
