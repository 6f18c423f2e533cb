// The grid model: column widths from the header texts, rows dropped with
// their colours, the current cell and the selection colours.
#include "support/testmain.h"
#include "ui/grid.h"
#include "ui/uifonts.h"

#include <QtTest>

using namespace rz;

class TestGrid : public QObject {
    Q_OBJECT
private slots:
    void formatStringGivesColumnsAlignmentAndWidths()
    {
        Grid g;
        g.setFont(gridFont());
        g.setFormatString("<  |　名　称　|数量|>右");
        QCOMPARE(g.cols(), 4);
        QCOMPARE(g.text(0, 1), QString("　名　称　"));
        QCOMPARE(g.text(0, 3), QString("右"));
        QVERIFY(g.alignment(0) & Qt::AlignLeft);
        QVERIFY(g.alignment(3) & Qt::AlignRight);
        // A fixed-pitch face: five full-width characters are as wide as ten
        // half-width ones, so the name column is wider than the quantity column.
        QVERIFY(g.colWidth(1) > g.colWidth(2));
        QCOMPARE(g.colWidth(1), g.headerTextWidthTwips("1234567890"));
        QCOMPARE(g.cellLeft(2), g.colWidth(0) + g.colWidth(1));
    }

    void numbersAreRightAlignedInGeneralColumns_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("right");
        QTest::newRow("amount") << 2 << "1,234,567" << true;
        QTest::newRow("negative") << 2 << "-5" << true;
        QTest::newRow("quantity with blanks") << 2 << "3    " << true;
        QTest::newRow("fraction") << 2 << "2.500" << true;
        QTest::newRow("date") << 2 << "12-06-2026" << false;
        QTest::newRow("name") << 2 << "基礎工事" << false;
        QTest::newRow("left marker wins") << 1 << "1,234" << false;
    }
    void numbersAreRightAlignedInGeneralColumns()
    {
        QFETCH(int, col);
        QFETCH(QString, text);
        QFETCH(bool, right);
        Grid g;
        g.setFormatString("<  |<name|amount");
        g.setRows(2);
        g.setText(1, col, text);
        const auto a = g.data(g.index(1, col), Qt::TextAlignmentRole).value<Qt::Alignment>();
        QCOMPARE(bool(a & Qt::AlignRight), right);
    }

    void shrinkingDropsRowsWithTheirColours()
    {
        Grid g;
        g.setFormatString("<  |a|b");
        g.setRows(5);
        g.setText(4, 1, "x");
        g.setCellBackColor(4, 1, Qt::gray);
        g.setRow(4);
        g.setRows(3);
        QCOMPARE(g.row(), 2);  // the cursor stays inside the grid
        g.setRows(5);
        QCOMPARE(g.text(4, 1), QString());
        QVERIFY(!g.cellBackColor(4, 1).isValid());
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, g.setText(5, 1, "x"));
    }

    void selectionColoursTheWholeRow()
    {
        Grid g;
        g.setFormatString("<  |a|b|c");
        g.setRows(4);
        g.setRow(2);
        g.setCol(1);
        g.setColSel(3);
        g.setSelectionBackColor(oleColor(0x00C0FFFF));
        for (int c = 1; c <= 3; ++c)
            QCOMPARE(g.cellBackColor(2, c), QColor(0xFF, 0xFF, 0xC0));
        QVERIFY(!g.cellBackColor(2, 0).isValid());
        QVERIFY(!g.cellBackColor(1, 1).isValid());
        QCOMPARE(oleColor(0x0000FFFF), QColor(Qt::yellow));
        QCOMPARE(oleColor(0x00FF0000), QColor(Qt::blue));
    }
};

RZ_REGISTER_TEST(TestGrid)
#include "tst_grid.moc"
