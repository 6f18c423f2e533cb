// The grid model: widths from the captions, figures aligned right, rows dropped with their colours, selection colours.
#include "support/testmain.h"
#include "ui/grid.h"
#include "ui/uifonts.h"

#include <QtTest>

using namespace rz;

class TestGrid : public QObject {
    Q_OBJECT
private slots:
    void formatStringWidthsAndAlignment()
    {
        Grid g;
        g.setFont(gridFont());
        g.setFormatString("<  |　名　称　|数量|>右");
        QCOMPARE(g.text(0, 3), QString("右"));
        // A fixed-pitch face: five full-width characters are as wide as ten half-width ones.
        QCOMPARE(g.colWidth(1), g.headerTextWidthTwips("1234567890"));
        QCOMPARE(g.cellLeft(2), g.colWidth(0) + g.colWidth(1));
        QVERIFY(g.alignment(3) & Qt::AlignRight);
        // Figures stand right in a column without a marker; a "<" keeps its column left.
        const std::tuple<int, const char *, bool> cells[] = {{2, "1,234,567", true},  {2, "-5", true},
                                                             {2, "3    ", true},      {2, "12-06-2026", false},
                                                             {2, "基礎工事", false}, {0, "1,234", false}};
        g.setRows(2);
        for (const auto &[col, text, right] : cells) {
            g.setText(1, col, QString::fromUtf8(text));
            const auto align = g.data(g.index(1, col), Qt::TextAlignmentRole).value<Qt::Alignment>();
            QVERIFY2(bool(align & Qt::AlignRight) == right, text);
        }
    }

    void rowsAndColours()
    {
        Grid g;
        g.setFormatString("<  |a|b|c");
        g.setRows(5);
        g.setText(4, 1, "x");
        for (int r : {2, 4})
            g.setCellBackColor(r, 1, Qt::gray);
        g.setRow(4);
        g.setRows(3);
        QCOMPARE(g.row(), 2);  // the cursor stays inside the grid
        g.setRows(5);          // new rows take neither text nor grey from any row
        QCOMPARE(g.text(4, 1), QString());
        QVERIFY(!g.cellBackColor(4, 1).isValid());
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, g.setText(5, 1, "x"));
        g.setRow(2);
        g.setCol(1);
        g.setColSel(3);
        g.setSelectionBackColor(oleColor(0x00C0FFFF));  // &H00BBGGRR
        for (int c = 0; c <= 3; ++c)
            QCOMPARE(g.cellBackColor(2, c), c ? QColor(0xFF, 0xFF, 0xC0) : QColor());
        QVERIFY(!g.cellBackColor(1, 1).isValid());
    }
};

RZ_REGISTER_TEST(TestGrid)
#include "tst_grid.moc"
