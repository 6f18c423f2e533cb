// The breakdown editor's grid and level navigation driven by keys: empty
// levels, pages and their label, how rows are shown, refusals of F1, leaving
// a level, the F5 switch, the cursor, and write-back of untouched rows.
#include "breakdown/amount.h"
#include "breakdownfixture.h"
#include "store/format.h"
#include "support/testmain.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace rz;
using rztest::BreakdownFixture;
using rztest::Item;
using rztest::group;
using rztest::leaf;
using rztest::rowsUnder;

class TestEditorGrid : public QObject {
    Q_OBJECT
private slots:
    void windowLayout()
    {
        BreakdownFixture f;
        QVERIFY(f.openEditor());
        QCOMPARE(f.editor->windowTitle(), QString("内訳"));
        const QStringList heads{"  ", "　　　　名                    称        ", "　　摘        要    ",
                                "　 数   量   ", "　 数   量   ", "単位", "　単  価  ", "　単  価  ",
                                "　金      額  ", "　金      額  ", "　　備　　　　考　　"};
        QCOMPARE(f.grid().cols(), 11);
        for (int c = 0; c < 11; ++c)
            QCOMPARE(f.grid().text(0, c), heads[c]);
        for (int c : {4, 7, 9}) {
            QCOMPARE(f.grid().colWidth(c), 0);
            QCOMPARE(f.grid().cellForeColor(0, c), QColor(255, 255, 0));
            QVERIFY(f.s().ColW[size_t(c)] > 0);
        }
        // Each column as wide as its header in the grid font: the name column
        // is wider than the specification column, which is wider than the unit.
        QVERIFY(f.s().ColW[1] > f.s().ColW[2] && f.s().ColW[2] > f.s().ColW[5]);
        const struct {
            int index, left;
            const char *caption, *tip;
        } buttons[] = {{0, 0, "内訳(F1)", "下の階層データの表示"},     {1, 960, "作成(F2)", "新しい行の作成"},
                       {2, 1920, "複写(F3)", "行の複写"},               {3, 2880, "削除(F4)", "行の削除"},
                       {4, 3960, "画面(F5)", "数単金の表示切替"},       {5, 4920, "計算(F6)", "掛率計算、再計算処理"},
                       {7, 6840, "印刷(F8)", "印刷処理メニューの表示"}, {9, 8880, "編集(F10)", "各種編集処理"},
                       {11, 10800, "戻る(F12)", "上の階層へ戻る"}};
        for (const auto &b : buttons) {
            auto *w = f.editor->findChild<QPushButton *>(QStringLiteral("Command1_%1").arg(b.index));
            QVERIFY(w);
            QCOMPARE(w->text(), QString(b.caption));
            QCOMPARE(w->toolTip(), QString(b.tip));
            QCOMPARE(w->geometry(), QRect(b.left / 15, 0, 975 / 15, 375 / 15));
        }
        for (int i : {6, 8, 10})
            QVERIFY(!f.editor->findChild<QPushButton *>(QStringLiteral("Command1_%1").arg(i)));
        QCOMPARE(f.editor->Command2[0]->text(), QString("Up"));
        QCOMPARE(f.editor->Command2[1]->text(), QString("Down"));
        QCOMPARE(f.editor->Combo1->count(), 22);
        QCOMPARE(f.editor->Combo1->currentText(), QString("xxxx"));
        // The overlay lies on the first cell; the unit box waits hidden.
        QVERIFY(!f.editor->Combo1->isVisible() && f.editor->TxtEdit->isVisible());
        QCOMPARE(f.editor->Label13->text(), QString("合計"));
        QCOMPARE(f.editor->Label11->text(), QString("掛率"));
        QCOMPARE(f.editor->Label14->text(), QString("Page"));
    }

    void emptyLevel_data()
    {
        QTest::addColumn<bool>("subLevel");
        QTest::newRow("level 1") << false;
        QTest::newRow("sub-level") << true;
    }
    void emptyLevel()
    {
        QFETCH(bool, subLevel);
        BreakdownFixture f;
        if (subLevel)
            f.add({leaf({2048}, "基礎工事", "0", "0")});
        QVERIFY(f.openEditor());
        if (subLevel) {
            QCOMPARE(f.editor->LblMsg->text(), QString());
            f.press(Qt::Key_F1);
            QCOMPARE(f.s().CurLvl, 1);
            QCOMPARE(f.editor->LblLevel->text(), QString("2"));
            QCOMPARE(f.editor->LblUTitle->text().trimmed(), QString("基礎工事"));
        }
        QCOMPARE(f.grid().rows(), 2);
        QCOMPARE(f.grid().text(1, 0), QString("＊"));
        QCOMPARE(f.s().RowKey[1][1], 1024);
        QCOMPARE(f.s().RowFlg[1], QString("* "));
        QCOMPARE(f.editor->LblPage->text(), QString("1/1  "));
        QCOMPARE(f.editor->LblMsg->text(), QString("行がありません　作成をクリックしてください"));
        QCOMPARE(f.prompts.beeps, 0);
    }

    void pagesAndPageLabel_data()
    {
        QTest::addColumn<bool>("subLevel");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("page1Records");
        QTest::addColumn<QString>("label");
        QTest::newRow("level 1, 19 records") << false << 19 << 19 << "1/1";
        QTest::newRow("level 1, 20 records") << false << 20 << 20 << "1/2";
        QTest::newRow("sub-level, 18 records") << true << 18 << 18 << "1/1";
        QTest::newRow("sub-level, 19 records") << true << 19 << 19 << "1/2";
        QTest::newRow("sub-level, 38 records") << true << 38 << 19 << "1/2";
        QTest::newRow("level 1, 45 records") << false << 45 << 20 << "1/3";
    }
    void pagesAndPageLabel()
    {
        QFETCH(bool, subLevel);
        QFETCH(int, records);
        QFETCH(int, page1Records);
        QFETCH(QString, label);
        BreakdownFixture f;
        std::vector<int> parent;
        if (subLevel) {
            parent = {1024};
            f.add({group(parent, "親")});
        }
        f.add(rowsUnder(parent, records));
        QVERIFY(f.openEditor());
        if (subLevel)
            f.press(Qt::Key_F1);
        QCOMPARE(f.editor->LblPage->text(), label);
        const bool inputOnPage1 = page1Records == records && page1Records < (subLevel ? 19 : 20);
        QCOMPARE(f.grid().rows(), page1Records + (inputOnPage1 ? 1 : 0) + 1);
        QCOMPARE(f.grid().text(page1Records, 1).trimmed(), QString("行%1").arg(page1Records));
        QCOMPARE(f.s().RowKey[size_t(page1Records)][0], page1Records * 1024);
        // Insertion keys halve the gap to the row above; the input row extends by 1024.
        QCOMPARE(f.s().RowKey[1][1], 512);
        QCOMPARE(f.s().RowKey[2][1], 1024 + 512);
        if (inputOnPage1) {
            QCOMPARE(f.grid().text(records + 1, 0), QString("＊"));
            QCOMPARE(f.s().RowKey[size_t(records + 1)][1], records * 1024 + 1024);
            f.press(Qt::Key_PageUp);  // no next page
            QCOMPARE(f.prompts.beeps, 1);
            return;
        }
        // Walk every page: each starts with the record after the previous
        // page's last one, whose key it carries as its row 0.
        const int pages = label.section('/', 1).toInt();
        int shown = page1Records;
        for (int page = 2; page <= pages; ++page) {
            f.press(Qt::Key_PageUp);
            QCOMPARE(f.s().LvlPage[size_t(f.s().CurLvl)], page);
            QCOMPARE(f.editor->LblPage->text(), QString("%1/%2").arg(page).arg(pages));
            QCOMPARE(f.s().RowKey[0][0], shown * 1024);
            QCOMPARE(f.grid().row(), 1);
            const int onPage = std::min(20, records - shown);
            if (onPage > 0)
                QCOMPARE(f.grid().text(1, 1).trimmed(), QString("行%1").arg(shown + 1));
            if (onPage < 20) {
                QCOMPARE(f.grid().text(onPage + 1, 0), QString("＊"));
                QCOMPARE(f.s().RowKey[size_t(onPage + 1)][1], records * 1024 + 1024);
            } else {
                QCOMPARE(f.grid().rows(), 21);
                QVERIFY(f.grid().text(20, 0) != QString("＊"));
            }
            shown += onPage;
        }
        QCOMPARE(shown, records);
        QCOMPARE(f.prompts.beeps, 0);
        f.press(Qt::Key_PageUp);
        QCOMPARE(f.prompts.beeps, 1);
        f.editor->Command2[1]->click();  // Down: back one page
        QCOMPARE(f.s().LvlPage[size_t(f.s().CurLvl)], pages - 1);
        for (int page = pages - 1; page > 1; --page)
            f.press(Qt::Key_PageDown);
        QCOMPARE(f.grid().text(1, 1).trimmed(), QString("行1"));
        f.press(Qt::Key_PageDown);  // no page 0
        QCOMPARE(f.prompts.beeps, 2);
    }

    void rowKindsAndColours_data()
    {
        QTest::addColumn<QString>("flg");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("mark");
        QTest::addColumn<bool>("grey");
        QTest::addColumn<bool>("blue");
        QTest::newRow("item") << "-         " << "型枠" << "－" << false << false;
        QTest::newRow("group") << "+         " << "躯体" << "＋" << false << false;
        QTest::newRow("deleted item") << "-x        " << "型枠" << "×" << true << false;
        QTest::newRow("deleted subtotal") << "-x        " << "@小計" << "×" << true << false;
        QTest::newRow("subtotal @") << "-         " << "@小計" << "－" << false << true;
        QTest::newRow("subtotal ＠") << "-         " << "＠小計" << "－" << false << true;
        QTest::newRow("running total") << "-         " << "＠＠累計" << "－" << false << true;
        // Only the marks themselves count: a capital X, a blank before "@" or a mark later in the name do not.
        QTest::newRow("capital X is no deletion") << "-X        " << "型枠" << "－" << false << false;
        QTest::newRow("blank before @") << "-         " << " @小計" << "－" << false << false;
        QTest::newRow("@ later in the name") << "-         " << "小計@" << "－" << false << false;
        QTest::newRow("running total ＠@") << "-         " << "＠@合計" << "－" << false << true;
    }
    void rowKindsAndColours()
    {
        QFETCH(QString, flg);
        QFETCH(QString, name);
        QFETCH(QString, mark);
        QFETCH(bool, grey);
        QFETCH(bool, blue);
        BreakdownFixture f;
        Item row = leaf({1024}, name, "0", "0", "500");
        row.flg = flg;
        f.add({row, leaf({2048}, "普通", "0", "0")});
        QVERIFY(f.openEditor());
        QCOMPARE(f.grid().text(1, 0), mark);
        for (int c = 1; c <= 10; ++c) {
            QCOMPARE(f.grid().cellBackColor(1, c), grey ? QColor(160, 160, 160) : QColor());
            QCOMPARE(f.grid().cellForeColor(1, c), blue ? QColor(0, 0, 255) : QColor());
        }
        // The fixed column keeps its own colours; the next row is not coloured.
        QCOMPARE(f.grid().cellBackColor(1, 0), QColor());
        QCOMPARE(f.grid().cellBackColor(2, 1), QColor());
        QCOMPARE(f.grid().cellForeColor(2, 1), QColor());
    }

    void numberCells_data()
    {
        QTest::addColumn<bool>("sqlVariant");
        QTest::addColumn<QString>("su1");
        QTest::addColumn<QString>("tk1");
        QTest::addColumn<QString>("quantityCell");
        QTest::addColumn<QString>("priceCell");
        QTest::addColumn<QString>("amountCell");
        for (bool sql : {false, true}) {
            const char *v = sql ? "47 columns" : "48 columns";
            QTest::addRow("2.5, %s", v) << sql << "2.5" << "1000" << "2.500" << "1,000" << "2,500";
            QTest::addRow("3, %s", v) << sql << "3" << "1200" << "3    " << "1,200" << "3,600";
            QTest::addRow("0, %s", v) << sql << "0" << "1200" << "    " << "1,200" << "";
            QTest::addRow("1234.25, %s", v) << sql << "1234.25" << "0" << "1,234.250" << "" << "";
            QTest::addRow("-1.5, %s", v) << sql << "-1.5" << "3" << "-1.500" << "3" << "-5";
        }
    }
    void numberCells()
    {
        QFETCH(bool, sqlVariant);
        QFETCH(QString, su1);
        QFETCH(QString, tk1);
        QFETCH(QString, quantityCell);
        QFETCH(QString, priceCell);
        QFETCH(QString, amountCell);
        BreakdownFixture f(sqlVariant);
        Item row = leaf({1024}, "品目", su1, tk1, "0");
        row.mei = "W300×H600 コンクリート打設";  // longer than the 20 bytes shown
        row.tn1 = "ｍ3 ";
        f.add({row});
        QVERIFY(f.openEditor());
        QCOMPARE(f.grid().text(1, 3), quantityCell);
        QCOMPARE(f.grid().text(1, 4), QString("    "));  // budget quantity 0
        QCOMPARE(f.grid().text(1, 6), priceCell);
        QCOMPARE(f.grid().text(1, 8), amountCell);
        QCOMPARE(f.grid().text(1, 9), QString());
        QCOMPARE(f.grid().text(1, 1), QString("品目") + QString(36, ' '));
        QCOMPARE(f.grid().text(1, 2), QString("W300×H600 コンクリ "));
        QCOMPARE(f.grid().text(1, 5), QString("ｍ3 "));
    }

    void levelDownRefused_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("input row") << "input";
        QTest::newRow("provisionally deleted row") << "deleted";
        QTest::newRow("eighth level") << "level8";
        QTest::newRow("estimate unit price") << "price1";
        QTest::newRow("budget unit price only") << "price2";
    }
    void levelDownRefused()
    {
        QFETCH(QString, what);
        BreakdownFixture f;
        std::vector<int> path{1024};
        if (what == "level8") {
            for (int depth = 1; depth <= 8; ++depth) {
                f.add({group(std::vector<int>(size_t(depth), 1024), QStringLiteral("階層%1").arg(depth))});
            }
        } else {
            Item row = leaf(path, "対象", "1", what == "price1" ? "500" : "0");
            if (what == "deleted")
                row.flg = "-x        ";
            if (what == "price2") {
                row.su2 = "1";
                row.tk2 = "400";
            }
            f.add({row});
        }
        QVERIFY(f.openEditor());
        if (what == "level8") {
            for (int i = 0; i < 7; ++i)
                f.press(Qt::Key_F1);
            QCOMPARE(f.s().CurLvl, 7);
            QCOMPARE(f.editor->LblLevel->text(), QString("8"));
            QCOMPARE(f.prompts.beeps, 0);
        }
        if (what == "input")
            f.toRow(2);
        const QString flgBefore = f.value(what == "level8" ? std::vector<int>(8, 1024) : path, "flg").toString();
        const int level = f.s().CurLvl;
        f.press(Qt::Key_F1);
        QCOMPARE(f.prompts.beeps, 1);
        QCOMPARE(f.s().CurLvl, level);
        QCOMPARE(f.value(what == "level8" ? std::vector<int>(8, 1024) : path, "flg").toString(), flgBefore);
    }

    void leavingEmptySubLevel_data()
    {
        QTest::addColumn<QString>("flg");
        QTest::addColumn<QString>("keptAmount");
        QTest::newRow("item opened by mistake keeps its lump sum") << "-         " << "5000";
        QTest::newRow("bare + loses its amounts") << "+" << "0";
    }
    void leavingEmptySubLevel()
    {
        QFETCH(QString, flg);
        QFETCH(QString, keptAmount);
        BreakdownFixture f;
        Item row = leaf({1024}, "仮設工事", "0", "0", "5000");
        row.flg = flg;
        row.rt1 = 80;
        row.rt2 = 70;
        f.add({row});
        QVERIFY(f.openEditor());
        f.press(Qt::Key_F1);
        QCOMPARE(f.s().CurLvl, 1);
        QCOMPARE(f.s().LvlRt1[1], 80);
        if (flg != "+")
            QCOMPARE(f.value({1024}, "flg").toString(), QString("+         "));
        f.press(Qt::Key_F12);
        QCOMPARE(f.s().CurLvl, 0);
        QCOMPARE(f.value({1024}, "flg").toString(), QString("-         "));
        QCOMPARE(f.value({1024}, "rt1").toLong(), 100);
        QCOMPARE(f.value({1024}, "rt2").toLong(), 100);
        QCOMPARE(f.money({1024}, "kn1"), *Currency::parse(keptAmount));
        QCOMPARE(f.grid().text(1, 0), QString("－"));
        QCOMPARE(f.editor->LblTotal->text(), Format(*Currency::parse(keptAmount), "##,###,###,###"));
    }

    void f5SwitchesTheSetsAndBack()
    {
        BreakdownFixture f;
        Item row = leaf({1024}, "鉄筋", "2", "300", "0");
        row.su2 = "2";
        row.tk2 = "250";
        f.add({row});
        QVERIFY(f.openEditor());
        const auto colW = f.s().ColW;
        QCOMPARE(f.editor->LblTotal->text(), QString("600"));
        f.toRow(1, 6);
        f.press(Qt::Key_F5);
        QCOMPARE(f.s().DispMode, 1);
        for (int c = 0; c < 11; ++c)
            QCOMPARE(f.grid().colWidth(c), (c == 3 || c == 6 || c == 8) ? 0 : colW[size_t(c)]);
        QCOMPARE(f.grid().col(), 7);  // off the hidden price column to the budget one
        QCOMPARE(f.editor->LblTotal->text(), QString("500"));
        f.press(Qt::Key_F5);
        QCOMPARE(f.s().DispMode, 0);
        for (int c = 0; c < 11; ++c)
            QCOMPARE(f.grid().colWidth(c), (c == 4 || c == 7 || c == 9) ? 0 : colW[size_t(c)]);
        QCOMPARE(f.grid().col(), 6);
        QCOMPARE(f.editor->LblTotal->text(), QString("600"));
        // Shift+F5 fits the window to the columns shown.
        f.press(Qt::Key_F5, Qt::ShiftModifier);
        QCOMPARE(f.s().DispMode, 0);
        QCOMPARE(f.editor->width(), twipsToPixels(f.grid().totalWidth() + 240));
    }

    void cursorKeysSkipHiddenColumns()
    {
        BreakdownFixture f;
        f.add(rowsUnder({}, 2));
        QVERIFY(f.openEditor());
        QCOMPARE(f.grid().row(), 1);
        QCOMPARE(f.grid().col(), 1);
        QList<int> cols;
        for (int i = 0; i < 6; ++i) {
            f.press(Qt::Key_Right);
            cols << f.grid().col();
        }
        QCOMPARE(cols, (QList<int>{2, 3, 5, 6, 8, 10}));
        f.press(Qt::Key_Right);  // last visible column: first column of the next row
        QCOMPARE(f.grid().row(), 2);
        QCOMPARE(f.grid().col(), 1);
        f.press(Qt::Key_Left);  // column 1: the row above
        QCOMPARE(f.grid().row(), 1);
        f.toRow(1, 8);
        f.press(Qt::Key_Left);
        QCOMPARE(f.grid().col(), 6);
        f.press(Qt::Key_Down);
        f.press(Qt::Key_Down);  // onto the input row, in column 1
        QCOMPARE(f.grid().row(), 3);
        QCOMPARE(f.grid().col(), 1);
        f.press(Qt::Key_Down);
        QCOMPARE(f.grid().row(), 3);
        f.press(Qt::Key_Up);
        f.press(Qt::Key_Up);
        f.press(Qt::Key_Up);
        QCOMPARE(f.grid().row(), 1);
        f.press(Qt::Key_F5);
        f.toRow(1, 2);
        f.press(Qt::Key_Right);  // budget shown: column 3 is skipped
        QCOMPARE(f.grid().col(), 4);
        // A mouse click on a cell moves the cursor there.
        auto *view = f.editor->Grid1;
        const QRect cell = view->visualRect(view->model()->index(2, 5));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(f.grid().row(), 2);
        QCOMPARE(f.grid().col(), 5);
        QCOMPARE(f.prompts.beeps, 0);
    }

    void writeBackKeepsWhatTheGridCannotShow_data()
    {
        QTest::addColumn<bool>("sqlVariant");
        QTest::newRow("48 columns") << false;
        QTest::newRow("47 columns") << true;
    }
    void writeBackKeepsWhatTheGridCannotShow()
    {
        QFETCH(bool, sqlVariant);
        BreakdownFixture f(sqlVariant);
        const QString longName = QString("鉄筋コンクリート造基礎打設工事延長部分ＡＢＣＤ");  // 46 bytes: 40 shown
        Item a = leaf({1024}, longName, "1.2345", "0", "0");
        a.tk2 = "0";
        a.kn2 = sqlVariant ? "100" : "100.5";  // amount with decimals (LONG has none)
        a.mei = QString("ＡＢＣＤＥＦＧＨＩＪＫＬ");  // 24 bytes > 20
        Item b = leaf({2048}, "型枠", "3", "1000");
        f.add({a, b});
        QVERIFY(f.openEditor());
        const Value nameBefore = f.value({1024}, "knm"), meiBefore = f.value({1024}, "mei");
        const Value su1Before = f.value({1024}, "su1"), kn2Before = f.value({1024}, "kn2");
        // Row 1 is marked changed and written back by a click on the total.
        QTest::mouseClick(f.editor->LblTotal, Qt::LeftButton);
        QCOMPARE(f.value({1024}, "knm"), nameBefore);
        QCOMPARE(f.value({1024}, "mei"), meiBefore);
        QCOMPARE(f.value({1024}, "su1"), su1Before);
        QCOMPARE(f.value({1024}, "kn2"), kn2Before);
        QCOMPARE(f.grid().text(1, 3), QString("1.235"));
        // A cell that now shows something else is written, in its column's width.
        f.toRow(2);
        Grid &g = f.s().grid();
        g.setText(2, 1, "型枠工事");
        g.setText(2, 3, "4.5");
        f.s().RowDirty[2] = true;
        QTest::mouseClick(f.editor->LblTotal, Qt::LeftButton);
        QCOMPARE(f.value({2048}, "knm").toString(), QString("型枠工事") + QString(32, ' '));
        QCOMPARE(f.money({2048}, "su1"), *Currency::parse("4.5"));
        QCOMPARE(f.money({2048}, "kn1"), *Currency::parse("4500"));  // recalculated by the click
        QCOMPARE(f.grid().text(2, 8), QString("4,500"));
        QCOMPARE(f.money({1024}, "su1"), quantityOf(su1Before));
        QCOMPARE(f.prompts.countOf(rztest::PromptRecord::Message), 0);
    }
};

RZ_REGISTER_TEST(TestEditorGrid)
#include "tst_editorgrid.moc"
