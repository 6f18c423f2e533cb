// Typing into the breakdown editor's cells through the overlay of the real
// window: what each column takes, what a cell shows after it is left, the
// amount and the level total following at once, what reaches the file, the
// overlay's place, the caret rules of the arrows, and the right mouse button.
#include "breakdownfixture.h"

#include <QClipboard>
#include <QInputMethodEvent>

namespace {
// The edited row in one of its kinds (item 2 x 500, blank, nameless, group of
// 5,000) with a row of 300 after it; the keys typed ("^" selects all first),
// the box's text before the cell is left, the cell, amount and total label
// afterwards, the beeps, and a column of the record after closing.
struct Typing { QString kind; int col; QString keys, typed, cell, amount, total; int beeps; QString field, stored; };
struct Storable { bool sqlVariant; QString price; int col; QString keys, message, cell; };  // price "": a lump sum of 1,000
struct Overlay { int col; bool numbers, inputMethod; QString text; };
struct Leaving { bool byMouse; int col; QString first, second, firstCell, secondCell; };
}  // namespace
Q_DECLARE_METATYPE(Typing)
Q_DECLARE_METATYPE(Storable)
Q_DECLARE_METATYPE(Overlay)
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
        QCOMPARE(f.s().overlay.combo, c.col == 5);
        QVERIFY(f.box()->isVisible());
        f.type(c.keys);
        QCOMPARE(f.boxText(), c.typed);
        QCOMPARE(f.prompts.beeps, c.col == 1 ? 0 : c.beeps);  // a name is judged when it is committed
        f.key(Qt::Key_Return);  // leaves the cell
        QVERIFY(f.cursor() != QPoint(1, c.col));
        // The cell, and the amount and the level total following before anything is written.
        QCOMPARE(f.grid().text(1, c.col).trimmed() + '|' + f.grid().text(1, 8) + '|' + f.total(), c.cell + '|' + c.amount + '|' + c.total);
        QCOMPARE(f.prompts.beeps, c.beeps);
        QCOMPARE(f.prompts.countOf(PromptRecord::Message), 0);
        f.press(Qt::Key_F12);  // closing writes the row back
        const Value v = f.value({1024}, c.field.toLatin1().constData());
        QCOMPARE(v.isText() ? v.toString().trimmed() : v.toCurrency().toString(), v.isText() ? c.stored : cy(c.stored).toString());
        QCOMPARE(f.shared.U1_Kn1, cy(c.total));
    }

    void inputRowRefusesTyping_data() { cases<int>({{"name", 1}, {"quantity", 3}, {"unit", 5}, {"price", 6}}); }
    void inputRowRefusesTyping()
    {
        QFETCH(int, c);
        BreakdownFixture f;
        QVERIFY(f.open({leaf({1024}, "型枠", "1", "100", "100")}));
        f.toRow(2, c);
        f.type("5");
        QCOMPARE(f.prompts.beeps, 1);
        QCOMPARE(f.boxText(), QString());
        f.key(Qt::Key_Up);
        QCOMPARE(f.grid().text(2, c) + f.grid().text(2, 0), QString("＊"));
        QCOMPARE(f.recordCount(), 1);
    }

    // Whatever reaches a number box besides typed characters (editing keys,
    // the clipboard, an input method, a text put in from outside) never
    // becomes a cell the file would refuse or read differently.
    void numberCellsTakeOnlyTypedNumbers_data()
    {
        const QString tooLarge = U1Session::kAmountTooLarge, notStorable = U1Session::kNotStorable;
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
        QCOMPARE(f.prompts.messages(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        QCOMPARE(f.grid().text(1, c.col).trimmed(), c.cell);
        if (!c.message.isEmpty())
            QCOMPARE(f.grid().text(1, 8), amountBefore);
        f.toRow(1, 6);  // a text that reached the box some other way is refused when the cell is left
        f.s().setOverlayText("1,34");
        f.key(Qt::Key_Return);
        QCOMPARE(f.grid().text(1, 6), priceBefore);
        const int messages = f.prompts.countOf(PromptRecord::Message);
        f.press(Qt::Key_F12);  // whatever stayed in the grid is written without a complaint
        QCOMPARE(f.prompts.countOf(PromptRecord::Message), messages);
        QVERIFY(!f.s().isLoaded());
    }

    void overlayLiesOnTheCell_data()
    {
        cases<Overlay>({{"name", {1, false, true, "型枠工事"}}, {"specification", {2, false, true, "W300"}}, {"quantity", {3, true, false, "2.500"}},
                        {"price", {6, true, false, "1,000"}}, {"remark", {10, false, false, "別途"}}, {"unit", {5, false, true, "ｍ3"}}});
    }
    void overlayLiesOnTheCell()
    {
        QFETCH(Overlay, c);
        BreakdownFixture f;
        Item row = leaf({1024}, "型枠工事", "2.5", "1000", "2500");
        row.mei = "W300", row.bk1 = "別途", row.tn1 = "ｍ3 ";
        QVERIFY(f.open({leaf({512}, "上", "0", "0"), row}));
        f.toRow(2, c.col);
        QLineEdit *edit = f.editor->TxtEdit;
        QCOMPARE(edit->isVisible(), c.col != 5);
        QCOMPARE(f.editor->Combo1->isVisible(), c.col == 5);
        QCOMPARE(f.boxText(), c.text);
        QCOMPARE(f.box()->testAttribute(Qt::WA_InputMethodEnabled), c.inputMethod);
        QCOMPARE(bool(edit->alignment() & Qt::AlignRight) && edit->hasSelectedText(), c.numbers);
        // Over the cell as the grid draws it, 40 twips higher (and the text box 20 taller).
        QTableView *view = f.editor->Grid1;
        const QRect cell = view->visualRect(view->model()->index(2, c.col)).translated(view->viewport()->mapTo(f.editor.get(), QPoint()));
        QCOMPARE(f.box()->pos(), cell.topLeft() - QPoint(0, 40 / 15));
        if (c.col != 5)
            QCOMPARE(edit->size(), QSize(cell.width(), cell.height() + 20 / 15));
    }

    void arrowsMoveTheCaretFirst()
    {
        BreakdownFixture f;
        QVERIFY(f.open({leaf({1024}, "型枠工事", "0", "0"), leaf({2048}, "鉄筋", "0", "0")}));
        QList<int> at;  // caret position * 100 + column
        for (Qt::Key k : {Qt::Key_Left, Qt::Key_Left, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Left}) {
            f.key(k);
            at << f.editor->TxtEdit->cursorPosition() * 100 + f.grid().col();
        }
        // The caret walks to the ends of the name, then the cursor moves; the empty specification goes back.
        QCOMPARE(at, (QList<int>{301, 201, 301, 401, 2, 401}));
        f.toRow(2, 6);  // in number columns the arrows always move the cursor, also into the unit box
        f.key(Qt::Key_Left);
        QVERIFY(f.grid().col() == 5 && f.s().overlay.combo);
        f.key(Qt::Key_Right);
        QCOMPARE(QPoint(f.grid().col(), f.prompts.beeps), QPoint(6, 0));  // column 6, and nothing refused
    }

    // Leaving the cell by the mouse or by the focus going to another window
    // commits it; coming back, what is typed next is committed too.
    void leavingTheCellCommits_data()
    {
        cases<Leaving>({{"unit price, mouse", {true, 6, "250", "80", "250", "80"}}, {"unit price, focus", {false, 6, "120", "80", "120", "80"}},
                        {"unit, focus", {false, 5, "3", "1", "ｍ3", "ｍ"}}});
    }
    void leavingTheCellCommits()
    {
        QFETCH(Leaving, c);
        BreakdownFixture f;
        QVERIFY(f.open({leaf({1024}, "型枠", "1", "0"), leaf({2048}, "鉄筋", "1", "0")}));
        f.toRow(1, c.col);
        f.type(c.first);
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason), in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        if (c.byMouse) {
            f.click(2, 1);
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

    void rightButtonCommitsAndOpensTheEditMenu()
    {
        BreakdownFixture f;
        QVERIFY(f.open({leaf({1024}, "型枠", "3", "100", "300")}));
        f.toRow(1, 6);
        f.type("200");
        f.click(1, 3, Qt::RightButton);
        const PromptRecord menu = f.last(PromptRecord::Menu);
        QCOMPARE(menu.menuEntries.count(QStringLiteral("-")), 5);
        QCOMPARE(QStringList(menu.menuEntries).filter(QRegularExpression("^[^-]")), U1Session::pu10Captions());
        QTableView *view = f.editor->Grid1;
        const QPoint at = view->viewport()->mapTo(view, view->visualRect(view->model()->index(1, 3)).center());
        QCOMPARE(menu.menuPos, f.editor->globalPointFromTwips(pixelsToTwips(at.x()) + 100, pixelsToTwips(at.y()) + 750));
        // Committed and written before the menu opened; the cursor stays.
        QCOMPARE(f.grid().text(1, 8) + ' ' + f.amounts({1024}) + ' ' + f.money({1024}, "tk1").toString(), QString("600 600/0 200"));
        QCOMPARE(f.cursor(), QPoint(1, 6));
        QVERIFY(f.editor->TxtEdit->isVisible());
    }
};

RZ_REGISTER_TEST(TestCellEdit)
#include "tst_celledit.moc"
