// The two list windows as the user sees them: a whole page under a header
// that stays, figures never cut, readable budget captions, grids that grow
// with the window, the unit box inside its column.
#include "breakdown/breakdownfixture.h"
#include "index/indexfixture.h"
#include "support/testmain.h"
#include "ui/gridview.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <cmath>

using namespace rz;
using namespace rztest;

namespace {
// Relative luminance and contrast ratio as the WCAG define them.
double contrast(const QColor &a, const QColor &b)
{
    auto lum = [](const QColor &c) {
        auto lin = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    return (std::max(lum(a), lum(b)) + 0.05) / (std::min(lum(a), lum(b)) + 0.05);
}

// The list (estimates 64, 128, ...) or the editor (rows 行1, 行2, ...) at the
// size it opens with; the first row's amount is `big`.
struct Win {
    IndexFixture list;
    BreakdownFixture ed;
    QWidget *w = nullptr;
    QTableView *view = nullptr;
    QWidget *bottomLine[2] = {};  // the message line and the Down button
    const Grid &grid() const { return *static_cast<GridView *>(view)->grid(); }
    void key(Qt::Key k, Qt::KeyboardModifiers m = {}) { QTest::keyClick(view, k, m); }
    bool open(bool editor, int rows, const QString &big)
    {
        QList<int> keys;
        for (int k = 1; k <= rows; ++k)
            keys << k * 64;
        auto items = rowsUnder({}, rows);
        items[0].kn1 = big;
        if (editor) {
            ed.add(items);
        } else {
            list.createFile(keys);
            list.db()->execute("UPDATE RZTBLIDX SET kn1 = ? WHERE key1 = 64", {Value(*Currency::parse(big))});
        }
        if (!(editor ? ed.open({}) : list.open()))
            return false;
        w = editor ? static_cast<QWidget *>(ed.editor.get()) : list.window.get();
        view = editor ? ed.editor->Grid1 : list.window->Grid1;
        bottomLine[0] = editor ? ed.editor->LblMsg : list.window->LblMsg;
        bottomLine[1] = editor ? ed.editor->Command2[1] : list.window->Command2[1];
        return true;
    }
};
}  // namespace

class TestWindowLayout : public QObject {
    Q_OBJECT
private slots:
    // A whole page under a header that stays, the figures whole, the budget
    // captions readable, and a grid that takes what a larger window gives.
    void pageInSight_data()
    {
        QTest::addColumn<bool>("editor");
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("amount");  // row 1, too wide for its column
        QTest::addColumn<int>("col");
        QTest::newRow("list of 20") << false << 20 << "922,337,203,685,477" << 2;
        QTest::newRow("list of 21, back from page 2") << false << 21 << "922,337,203,685,477" << 2;
        QTest::newRow("editor, 19 rows and the input row") << true << 19 << "92,233,720,368,547" << 8;
    }
    void pageInSight()
    {
        QFETCH(bool, editor);
        QFETCH(int, records);
        QFETCH(QString, amount);
        QFETCH(int, col);
        Win o;
        QVERIFY(o.open(editor, records, QString(amount).remove(u',')));
        if (records == 21) {
            o.key(Qt::Key_PageUp);
            o.key(Qt::Key_PageDown);
            QCOMPARE(o.grid().row(), 20);
        }
        QHeaderView *header = o.view->horizontalHeader();
        QVERIFY(header->isVisibleTo(o.w) && o.view->isRowHidden(0));
        QCOMPARE(header->model()->headerData(1, Qt::Horizontal).toString(), o.grid().text(0, 1));
        for (int r = 1; r <= 20; ++r)
            QVERIFY2(o.view->viewport()->rect().contains(o.view->visualRect(o.grid().index(r, 1))),
                     qPrintable(QString("row %1 is not in sight").arg(r)));
        // Columns drawn as wide as their captions, the two blanks of column 0 too.
        for (int c = 0; c < o.grid().cols(); ++c)
            if (o.grid().colWidth(c) > 0)
                QCOMPARE(header->sectionSize(c), twipsToPixels(o.grid().colWidth(c)));

        // The commas reach below the digits: all four drawn, not the three of a figure cut at the left edge.
        QCOMPARE(o.grid().text(1, col), amount);
        const QImage cell = o.view->viewport()->grab(o.view->visualRect(o.grid().index(1, col))).toImage();
        const QColor paper = cell.pixelColor(cell.width() - 2, 0);
        auto ink = [&](int x, int y) { return contrast(cell.pixelColor(x, y), paper) > 1.5; };
        int lowest = 0, commas = 0;
        for (int y = 1; y < cell.height() - 1; ++y)
            for (int x = 0; x < cell.width() - 1; ++x)
                lowest = ink(x, y) ? y : lowest;
        for (int x = 0, was = 0; x < cell.width() - 1; ++x) {
            const int now = ink(x, lowest) || ink(x, lowest - 1);
            commas += now && !was;
            was = now;
        }
        QCOMPARE(commas, 4);

        // F5: the yellow captions of the budget columns on a cell they can be read on.
        o.key(Qt::Key_F5);
        const QImage shot = header->grab().toImage();
        for (int c : editor ? QList<int>{4, 7, 9} : QList<int>{3}) {
            QCOMPARE(o.grid().cellForeColor(0, c), QColor(Qt::yellow));
            const int left = header->sectionViewportPosition(c);
            const QColor back = shot.pixelColor(left + 2, 2);  // the captions begin with a blank
            QVERIFY2(contrast(back, Qt::yellow) >= 4.5, qPrintable(back.name()));
            int yellow = 0;
            for (int x = left; x < left + header->sectionSize(c); ++x)
                for (int y = 0; y < shot.height(); ++y)
                    yellow += contrast(shot.pixelColor(x, y), Qt::yellow) < 1.2;
            QVERIFY2(yellow > 0, "the caption is not drawn in yellow");
        }

        // A larger window gives the grid the room; the bottom line follows the edge.
        const QRect grid = o.view->geometry();
        const int tops[2] = {o.bottomLine[0]->y(), o.bottomLine[1]->y()};
        o.w->resize(o.w->width() + 300, o.w->height() + 200);
        QCOMPARE(o.view->geometry(), grid.adjusted(0, 0, 300, 200));
        QCOMPARE(o.bottomLine[0]->y(), tops[0] + 200);
        QCOMPARE(o.bottomLine[1]->y(), tops[1] + 200);
        if (!editor)
            return;
        // Shift+F5: the window 240 twips wider than the columns drawn; the unit
        // box inside its column.
        o.key(Qt::Key_F5, Qt::ShiftModifier);
        QCOMPARE(pixelsToTwips(o.w->width() - header->length()), 240);
        o.ed.toRow(1, 5);
        QComboBox *box = o.ed.editor->Combo1;
        const QRect unit = o.view->visualRect(o.grid().index(1, 5));
        const QPoint at = o.view->viewport()->mapTo(o.w, unit.topLeft());
        QVERIFY(box->isVisible() && box->x() >= at.x());
        QVERIFY2(box->geometry().right() < at.x() + unit.width(), "the unit box covers the unit price");
    }
};

RZ_REGISTER_TEST(TestWindowLayout)
#include "tst_windowlayout.moc"
