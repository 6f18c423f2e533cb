// Typing into the breakdown editor's cells through the overlay of the real window: what each column takes, what a cell shows
// after it is left, the amount and the level total following at once, and what reaches the file.
#include "breakdownfixture.h"

#include <QClipboard>
#include <QInputMethodEvent>

namespace {
// The edited row in one of its kinds (item 2 x 500, blank, nameless, group of 5,000) with a row of 300 after it; the keys typed
// ("^" selects all first), the box's text before the cell is left, the cell, amount and total label afterwards, the beeps, and
// a column of the record after closing.
struct Typing { QString kind; int col; QString keys, typed, cell, amount, total; int beeps; QString field, stored; };
struct Storable { bool sqlVariant; QString price; int col; QString keys, message, cell; };  // price "": a lump sum of 1,000
struct Leaving { bool byMouse; int col; QString first, second, firstCell, secondCell; };
}  // namespace
Q_DECLARE_METATYPE(Typing)
Q_DECLARE_METATYPE(Storable)
Q_DECLARE_METATYPE(Leaving)

class TestCellEdit : public QObject {
    Q_OBJECT
private slots:
    void typingSequences_data()
    {
        const QString a25(25, u'あ'), a20(20, u'あ'), remark = "ＡＢＣＤＥＦＧＨＩＪＫＬ", cut = "ＡＢＣＤＥＦＧＨＩＪ";
        cases<Typing>({{"3 in an empty unit cell", {"blank", 5, "3", "3", "ｍ3", "", "300", 0, "tn1", "ｍ3"}},
                       {"unit on a row without a name", {"nameless", 5, "3", "", "", "", "300", 1, "tn1", ""}},
                       {"quantity 2.5", {"item", 3, "2.5", "2.5", "2.500", "1,250", "1,550", 0, "su1", "2.5"}},
                       {"point then a digit", {"item", 3, ".5", "0.5", "0.500", "250", "550", 0, "kn1", "250"}},
                       {"1 2 3 4 in a unit price", {"item", 6, "1234", "1,234", "1,234", "2,468", "2,768", 0, "tk1", "1234"}},
                       {"backspace empties a price", {"item", 6, "\b", "", "", "1,000", "1,300", 0, "tk1", "0"}},
                       {"0 as unit price keeps the amount", {"item", 6, "0", "0", "", "1,000", "1,300", 0, "kn1", "1000"}},
                       {"lump sum typed as amount", {"blank", 8, "5000", "5,000", "5,000", "5,000", "5,300", 0, "kn1", "5000"}},
                       {"group renamed @ keeps its name", {"group", 1, "^@合計", "@合計", "躯体", "5,000", "5,300", 1, "knm", "躯体"}},
                       {"price typed on a group row", {"group", 6, "500", "500", "", "5,000", "5,300", 0, "tk1", "0"}},
                       {"item renamed to a subtotal", {"item", 1, "^@小計", "@小計", "@小計", "", "300", 0, "su1", "0"}},
                       {"name of 50 bytes", {"item", 1, "^" + a25, a25, a20, "1,000", "1,300", 0, "knm", a20}},
                       {"remark", {"item", 10, remark, remark, cut, "1,000", "1,300", 0, "bk1", cut}}});
    }
    void typingSequences()
    {
        QFETCH(Typing, c);
        BreakdownFixture f;
        f.add({leaf({2048}, "他", "1", "300", "300")});
        if (c.kind == "group")
            f.add({leaf({1024, 1024}, "子", "1", "5000", "5000")});
        const Item row = c.kind == "group" ? group({1024}, "躯体", "5000")
                         : c.kind == "item" ? leaf({1024}, "型枠", "2", "500", "1000") : leaf({1024}, c.kind == "nameless" ? "" : "型枠", "0", "0");
        QVERIFY(f.open({row}));
        f.toRow(1, c.col);
        QVERIFY(f.s().view().overlay.combo == (c.col == 5) && f.box()->isVisible());
        // Japanese typed through the input method in the name, the specification and a named row's unit only.
        QCOMPARE(f.box()->testAttribute(Qt::WA_InputMethodEnabled), c.col == 1 || c.col == 2 || (c.col == 5 && c.kind != "nameless"));
        f.type(c.keys);
        QCOMPARE(f.boxText(), c.typed);
        QCOMPARE(f.prompts.beeps, c.col == 1 ? 0 : c.beeps);  // a name is judged when it is committed
        f.key(Qt::Key_Return);  // leaves the cell
        QVERIFY(f.grid().row() != 1 || f.grid().col() != c.col);
        // The cell, and the amount and the level total following before anything is written.
        QCOMPARE(f.grid().text(1, c.col).trimmed() + '|' + f.grid().text(1, 8) + '|' + f.total(), c.cell + '|' + c.amount + '|' + c.total);
        QCOMPARE(QPoint(f.prompts.beeps, f.prompts.countOf(PromptRecord::Message)), QPoint(c.beeps, 0));
        f.press(Qt::Key_F12);  // closing writes the row back
        const Value v = f.value({1024}, c.field.toLatin1().constData());
        QCOMPARE(v.isText() ? v.toString().trimmed() : v.toCurrency().toString(), v.isText() ? c.stored : cy(c.stored).toString());
        QCOMPARE(f.s().closing().U1_Kn1, cy(c.total));
    }

    // Whatever reaches a number box besides typed characters (editing keys, the clipboard, an input method, a text put in from
    // outside) never becomes a cell the file would refuse or read differently.
    void numberCellsTakeOnlyTypedNumbers_data()
    {
        const QString tooLarge = U1Calc::kAmountTooLarge, notStorable = U1Session::kNotStorable;
        cases<Storable>({{"amount beyond LONG", {true, "", 8, "3000000000", notStorable, "1,000"}},
                         {"amount within LONG", {true, "", 8, "2000000000", "", "2,000,000,000"}},
                         {"amount beyond LONG fits CURRENCY", {false, "", 8, "3000000000", "", "3,000,000,000"}},
                         {"quantity SINGLE cannot hold", {true, "100", 3, "12345.678", notStorable, "2"}},
                         {"quantity SINGLE holds", {true, "100", 3, "1234.5", "", "1,234.500"}},
                         {"computed amount beyond LONG", {true, "99999999", 3, "30", notStorable, "2"}},
                         {"price times quantity overflows", {false, "99999999", 3, "9999999999", tooLarge, "2"}}});
    }
    void numberCellsTakeOnlyTypedNumbers()
    {
        QFETCH(Storable, c);
        BreakdownFixture f(c.sqlVariant);
        QVERIFY(f.open({c.price.isEmpty() ? leaf({1024}, "型枠", "0", "0", "1000") : leaf({1024}, "型枠", "2", c.price, "0")}));
        f.toRow(1, c.col);
        const QString amountBefore = f.grid().text(1, 8), priceBefore = f.grid().text(1, 6);
        QGuiApplication::clipboard()->setText("1,34");  // keys that would edit the text themselves do nothing
        f.key(Qt::Key_V, Qt::ControlModifier);
        f.key(Qt::Key_Delete);
        QInputMethodEvent im;
        im.setCommitString(QStringLiteral("９９"));
        QApplication::sendEvent(f.editor->TxtEdit, &im);
        QCOMPARE(f.boxText(), f.grid().text(1, c.col).trimmed());
        f.type(c.keys);
        f.key(Qt::Key_Return);
        QCOMPARE(f.prompts.messages().join("") + '|' + f.grid().text(1, c.col).trimmed(), c.message + '|' + c.cell);
        QVERIFY(c.message.isEmpty() || f.grid().text(1, 8) == amountBefore);  // a refused number leaves the amount as it was
        f.toRow(1, 6);  // a text that reached the box some other way is refused when the cell is left
        f.s().setOverlayText("1,34");
        f.key(Qt::Key_Return);
        QCOMPARE(f.grid().text(1, 6), priceBefore);
        f.press(Qt::Key_F12);  // whatever stayed in the grid is written without a complaint
        QCOMPARE(QPoint(f.prompts.countOf(PromptRecord::Message), f.s().view().loaded), QPoint(c.message.isEmpty() ? 0 : 1, 0));
    }

    // Leaving the cell by the mouse or by the focus going to another window commits it; coming back, what is typed next is
    // committed too.
    void leavingTheCellCommits_data() { cases<Leaving>({{"unit price, mouse", {true, 6, "250", "80", "250", "80"}}, {"unit price, focus", {false, 6, "120", "80", "120", "80"}},
                                                        {"unit, focus", {false, 5, "3", "1", "ｍ3", "ｍ"}}}); }
    void leavingTheCellCommits()
    {
        QFETCH(Leaving, c);
        BreakdownFixture f;
        QVERIFY(f.open({leaf({1024}, "型枠", "1", "0"), leaf({2048}, "鉄筋", "1", "0")}));
        f.toRow(1, c.col);
        f.type(c.first);
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason), in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        if (c.byMouse) {
            QTest::mouseClick(f.editor->Grid1->viewport(), Qt::LeftButton, {}, f.editor->Grid1->visualRect(f.editor->Grid1->model()->index(2, 1)).center());
            QCOMPARE(f.boxText(), QString("鉄筋"));
            f.toRow(1, c.col);
        } else {
            QApplication::sendEvent(f.box(), &out);
            QApplication::sendEvent(f.box(), &in);
        }
        // Committed, shown again in the box, and (quantity 1) the price is the amount.
        QCOMPARE(f.grid().text(1, c.col).trimmed() + '|' + f.boxText() + '|' + f.total(),
                 c.firstCell + '|' + c.firstCell + '|' + (c.col == 6 ? c.firstCell : QString()));
        f.type("^" + c.second);
        f.key(Qt::Key_Return);
        QCOMPARE(f.grid().text(1, c.col).trimmed(), c.secondCell);
        f.press(Qt::Key_F12);
        QCOMPARE(f.value({1024}, c.col == 5 ? "tn1" : "tk1").toString().trimmed(), c.secondCell);
    }
};

RZ_REGISTER_TEST(TestCellEdit)
#include "tst_celledit.moc"
