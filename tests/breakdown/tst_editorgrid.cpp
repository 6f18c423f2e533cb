// The breakdown editor's grid and level navigation driven by keys: pages with the rows they show and the records their rows are
// written to, how rows are shown, F1 refused, empty levels and leaving one, the F5 switch, and what a write-back puts into each
// column.
#include "breakdownfixture.h"

namespace {
struct Pages { bool subLevel; int records; QString label; };
struct Kind { QString flg, name, tk1, tk2, mark; bool grey, blue, opens; };
struct Column { bool sqlVariant; int col; QString cell, field, stored; };  // col 0: nothing changed
}  // namespace
Q_DECLARE_METATYPE(Pages)
Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(Column)

class TestEditorGrid : public QObject {
    Q_OBJECT
private slots:
    // Every page shows the records after the previous page's last one, and a name typed on a page reaches that row's record,
    // not a neighbour's.
    void pagesAndTheirRecords_data() { cases<Pages>({{"level 1, 19 records", {false, 19, "1/1"}}, {"level 1, 20 records", {false, 20, "1/2"}},
                                                     {"level 1, 21 records", {false, 21, "1/2"}}, {"level 1, 45 records", {false, 45, "1/3"}},
                                                     {"sub-level, 18 records", {true, 18, "1/1"}}, {"sub-level, 19 records", {true, 19, "1/2"}},
                                                     {"sub-level, 45 records", {true, 45, "1/3"}}}); }
    void pagesAndTheirRecords()
    {
        QFETCH(Pages, c);
        BreakdownFixture f;
        const std::vector<int> parent = c.subLevel ? std::vector<int>{1024} : std::vector<int>{};
        if (c.subLevel)
            f.add({group(parent, "親")});
        QVERIFY(f.open(rowsUnder(parent, c.records)));
        if (c.subLevel)
            f.press(Qt::Key_F1);
        const int pages = c.label.section('/', 1).toInt();
        QStringList renamed;
        for (int page = 1, before = 0; page <= pages; ++page) {  // before: records on the pages before
            if (page > 1)
                f.key(Qt::Key_PageUp);
            const int size = c.subLevel && page == 1 ? 19 : 20, onPage = std::min(size, c.records - before);
            QCOMPARE(f.editor->LblPage->text(), QString("%1/%2").arg(page).arg(pages));
            QCOMPARE(f.s().page().rowKey(0), before * 1024);
            QCOMPARE(f.grid().rows(), std::min(onPage + 1, size) + 1);  // the input row where there is room
            if (onPage < size)
                QCOMPARE(f.s().page().insertKey(onPage + 1), (c.records + 1) * 1024);
            if (onPage == 0)
                continue;
            QCOMPARE(f.name(1) + ' ' + f.name(onPage), QString("行%1 行%2").arg(before + 1).arg(before + onPage));
            f.toRow(onPage);
            f.type("^改");
            before += onPage;
            renamed << QString::number(before * 1024);
        }
        f.key(Qt::Key_PageUp);  // no page after the last
        QCOMPARE(f.prompts.beeps, 1);
        for (int page = pages; page >= 1; --page)  // down to page 1, and no page before it
            f.key(Qt::Key_PageDown);
        QCOMPARE(f.name(1) + ' ' + QString::number(f.prompts.beeps), QString("行1 2"));
        f.press(Qt::Key_F12);  // writes the page shown
        QCOMPARE(f.rowsOf(QString("SELECT %1 FROM TBL00064 WHERE knm LIKE '改%' ORDER BY %1").arg(c.subLevel ? "key2" : "key1")), renamed);
    }

    // How each kind of row is shown, and whether F1 opens it: not a provisionally deleted row, nor a row with a unit price (an
    // item).
    void rowKinds_data() { cases<Kind>({{"item", {kItemFlg, "型枠", "", "", "－", false, false, true}}, {"group", {kGroupFlg, "躯体", "", "", "＋", false, false, true}},
                                        {"deleted item", {kDeletedFlg, "型枠", "", "", "×", true, false, false}},
                                        {"deleted subtotal", {kDeletedFlg, "@小計", "", "", "×", true, false, false}},
                                        {"subtotal ＠", {kItemFlg, "＠小計", "", "", "－", false, true, true}},
                                        {"running total ＠@", {kItemFlg, "＠@累計", "", "", "－", false, true, true}},
                                        {"capital X is no deletion", {"-X        ", "型枠", "", "", "－", false, false, true}},
                                        {"blank before @", {kItemFlg, " @小計", "", "", "－", false, false, true}},
                                        {"estimate unit price", {kItemFlg, "型枠", "500", "0", "－", false, false, false}},
                                        {"budget unit price only", {kItemFlg, "型枠", "0", "400", "－", false, false, false}}}); }
    void rowKinds()
    {
        QFETCH(Kind, c);
        BreakdownFixture f;
        Item row = leaf({1024}, c.name, "1", c.tk1.isEmpty() ? "0" : c.tk1, "500");
        row.flg = c.flg, row.tk2 = c.tk2.isEmpty() ? "0" : c.tk2;
        QVERIFY(f.open({row, leaf({2048}, "普通", "0", "0")}));
        QCOMPARE(f.grid().text(1, 0), c.mark);
        for (int col = 1; col <= 10; ++col) {
            QCOMPARE(f.grid().cellBackColor(1, col), c.grey ? QColor(160, 160, 160) : QColor());
            QCOMPARE(f.grid().cellForeColor(1, col), c.blue ? QColor(0, 0, 255) : QColor());
        }
        // The fixed column keeps its own colours; the next row is not coloured.
        QVERIFY(!f.grid().cellBackColor(1, 0).isValid() && !f.grid().cellBackColor(2, 1).isValid() && !f.grid().cellForeColor(2, 1).isValid());
        f.press(Qt::Key_F1);
        QCOMPARE(QPoint(f.s().level().CurLvl, f.prompts.beeps), c.opens ? QPoint(1, 0) : QPoint(0, 1));
        QCOMPARE(f.value({1024}, "flg").toString(), c.opens ? kGroupFlg : c.flg);
    }

    // The eighth level has no level below it.
    void noNinthLevel()
    {
        BreakdownFixture f;
        for (size_t depth = 1; depth <= 8; ++depth)
            f.add({group(std::vector<int>(depth, 1024), QStringLiteral("階層%1").arg(depth))});
        QVERIFY(f.open({}));
        for (int i = 0; i < 8; ++i)
            f.press(Qt::Key_F1);
        QCOMPARE(f.editor->LblLevel->text() + ' ' + f.name(1), QString("8 階層8"));
        QCOMPARE(QPoint(f.s().level().CurLvl, f.prompts.beeps), QPoint(7, 1));
    }

    // An empty level shows only the input row; leaving an empty sub-level makes the row it was opened from an item again. The
    // flag of the row opened ("": an estimate without rows) and its amount afterwards.
    void emptyLevel_data() { cases<QStringList>({{"estimate without rows", {"", ""}}, {"item opened by mistake keeps its lump sum", {kItemFlg, "5000"}},
                                                 {"bare + loses its amounts", {"+", "0"}}}); }
    void emptyLevel()
    {
        QFETCH(QStringList, c);
        const QString flg = c.value(0), kept = c.value(1);
        BreakdownFixture f;
        Item row = leaf({1024}, "仮設工事", "0", "0", "5000");
        row.flg = flg, row.rt1 = 80, row.rt2 = 70;
        QVERIFY(f.open(flg.isEmpty() ? std::vector<Item>{} : std::vector<Item>{row}));
        if (!flg.isEmpty()) {
            QCOMPARE(f.editor->LblMsg->text(), QString());
            f.press(Qt::Key_F1);
            QCOMPARE(f.editor->LblLevel->text() + ' ' + f.editor->LblUTitle->text().trimmed(), QString("2 仮設工事"));
            QCOMPARE(QPoint(f.s().calc().at(1).LvlRt1, f.s().calc().at(1).LvlRt2), QPoint(80, 70));
            QCOMPARE(f.value({1024}, "flg").toString().left(1), QString("+"));
        }
        QCOMPARE(QString::number(f.grid().rows()) + ' ' + f.grid().text(1, 0) + ' ' + f.editor->LblPage->text() + '|', QString("2 ＊ 1/1  |"));
        QCOMPARE(f.s().page().insertKey(1), 1024);
        QCOMPARE(f.editor->LblMsg->text(), QString("行がありません　作成をクリックしてください"));
        f.press(Qt::Key_F1);  // the input row has no level below it
        QCOMPARE(QPoint(f.s().level().CurLvl, f.prompts.beeps), QPoint(flg.isEmpty() ? 0 : 1, 1));
        if (flg.isEmpty())
            return;
        f.press(Qt::Key_F12);
        QCOMPARE(f.value({1024}, "flg").toString() + f.value({1024}, "rt1").toString() + f.value({1024}, "rt2").toString() + ' ' +
                     f.money({1024}, "kn1").toString(), kItemFlg + "100100 " + kept);
        QCOMPARE(f.grid().text(1, 0) + ' ' + f.total(), "－ " + shown(cy(kept)));
    }

    // F5 shows the other set; the cursor keys skip the columns of the set not shown, so nothing is typed into a hidden cell.
    void f5AndTheCursorKeys()
    {
        BreakdownFixture f;
        Item row = leaf({1024}, "鉄筋", "2", "300", "0");
        row.su2 = "2", row.tk2 = "250";
        QVERIFY(f.open({row}));
        const auto colW = f.s().view().ColW;
        f.toRow(1, 6);
        for (int mode : {1, 0}) {
            f.press(Qt::Key_F5);
            QList<int> widths;
            for (int c = 0; c < 11; ++c)
                widths << (f.grid().colWidth(c) == colW[size_t(c)] ? 1 : f.grid().colWidth(c));
            QCOMPARE(widths, (mode ? QList<int>{1, 1, 1, 0, 1, 1, 0, 1, 0, 1, 1} : QList<int>{1, 1, 1, 1, 0, 1, 1, 0, 1, 0, 1}));
            QCOMPARE(QString::number(f.grid().col()) + ' ' + f.total(), QString(mode ? "7 500" : "6 600"));  // off the hidden price column
        }
        f.toRow(1, 1);
        QStringList moves;
        for (Qt::Key k : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_Down, Qt::Key_Up, Qt::Key_Left}) {
            f.press(k);
            moves << QString("%1/%2").arg(f.grid().row()).arg(f.grid().col());
        }
        QCOMPARE(moves.join(' '), QString("1/2 1/3 1/5 1/3 2/1 1/1 1/1"));  // down onto the input row in column 1
    }

    // A changed cell reaches its own column in its width; every other column keeps what it holds, also what the grid cannot
    // show (a long name, a fourth decimal, yen fractions).
    void writeBackColumns_data() { cases<Column>({{"untouched", {false, 0, "", "", ""}}, {"untouched, 47 columns", {true, 0, "", "", ""}},
                                                  {"name", {false, 1, "型枠工事", "knm", "型枠工事"}}, {"name of 40 bytes", {false, 1, QString(20, u'あ'), "knm", QString(20, u'あ')}},
                                                  {"specification", {false, 2, "Ｗ３００", "mei", "Ｗ３００"}}, {"quantity", {false, 3, "4.500", "su1", "4.5"}},
                                                  {"budget quantity", {false, 4, "2    ", "su2", "2"}}, {"unit", {false, 5, "ｍ3 ", "tn1", "ｍ3"}},
                                                  {"unit price", {false, 6, "1,200", "tk1", "1200"}}, {"budget unit price", {false, 7, "800", "tk2", "800"}},
                                                  {"amount", {false, 8, "5,000", "kn1", "5000"}}, {"budget amount", {false, 9, "7,000", "kn2", "7000"}},
                                                  {"budget amount, 47 columns", {true, 9, "7,000", "kn2", "7000"}}, {"remark", {false, 10, "別途", "bk1", "別途"}}}); }
    void writeBackColumns()
    {
        QFETCH(Column, c);
        BreakdownFixture f(c.sqlVariant);
        Item a = leaf({1024}, "鉄筋コンクリート造基礎打設工事延長部分ＡＢＣＤ", "1.2345", "0", "0");  // 46 bytes
        a.kn2 = c.sqlVariant ? "100" : "100.5";
        a.mei = "ＡＢＣＤＥＦＧＨＩＪＫＬ";  // 24 bytes
        QVERIFY(f.open({leaf({512}, "上", "1", "0", "10"), a}));
        QCOMPARE(QStringList({f.grid().text(2, 1), f.grid().text(2, 2), f.grid().text(2, 3)}).join('|'),
                 QString("鉄筋コンクリート造基礎打設工事延長部分Ａ|ＡＢＣＤＥＦＧＨＩＪ|1.235"));  // cut to 40 and 20 bytes
        const char *fields[] = {"knm", "mei", "tn1", "su1", "tk1", "kn1", "su2", "tk2", "kn2", "bk1", "flg"};
        QStringList before;
        for (const char *field : fields)
            before << f.value({1024}, field).toString();
        if (c.col > 0)
            f.s().grid().setText(2, c.col, c.cell);
        f.s().page().markDirty(2);
        QVERIFY(f.s().page().sb_WriteUTbl());
        for (int i = 0; i < 11; ++i) {
            const Value v = f.value({1024}, fields[i]);
            if (c.field != QLatin1String(fields[i]))
                QCOMPARE(v.toString(), before.value(i));
            else
                QCOMPARE(v.isText() ? v.toString().trimmed() : v.toCurrency().toString(), v.isText() ? c.stored : cy(c.stored).toString());
        }
        QCOMPARE(f.value({512}, "knm").toString() + f.prompts.messages().join(""), QString("上"));
    }
};

RZ_REGISTER_TEST(TestEditorGrid)
#include "tst_editorgrid.moc"
