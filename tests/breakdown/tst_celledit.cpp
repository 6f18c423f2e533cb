// Typing into the breakdown editor's cells through the overlay of the real
// window: what each column takes, what a cell shows after it is left, the
// amount and the level total following at once, the overlay's place and
// input method, the caret rules of the arrows, and the right mouse button.
#include "breakdownfixture.h"
#include "store/format.h"
#include "support/testmain.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QtTest>

using namespace rz;
using rztest::BreakdownFixture;
using rztest::cy;
using rztest::Item;
using rztest::group;
using rztest::leaf;

namespace {

// The edited row (key 1024) in one of its kinds, and a row of 300 after it.
void addRows(BreakdownFixture &f, const QString &kind)
{
    if (kind == "group") {
        f.add({group({1024}, "躯体", "5000"), leaf({1024, 1024}, "子", "1", "5000", "5000")});
    } else {
        Item row = leaf({1024}, kind == "nameless" ? "" : "型枠", kind == "item" ? "2" : "0",
                        kind == "item" ? "500" : "0", kind == "item" ? "1000" : "0");
        f.add({row});
    }
    f.add({leaf({2048}, "他", "1", "300", "300")});
}
}  // namespace

class TestCellEdit : public QObject {
    Q_OBJECT
private slots:
    void typingSequences_data()
    {
        QTest::addColumn<QString>("kind");      // item (2 x 500), blank, nameless, group (5,000)
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("keys");      // "^" selects the whole text first
        QTest::addColumn<QString>("typed");     // the box's text before the cell is left
        QTest::addColumn<QString>("cell");      // the cell afterwards, trailing blanks ignored
        QTest::addColumn<QString>("amount");    // column 8 afterwards
        QTest::addColumn<QString>("total");     // the total label afterwards
        QTest::addColumn<int>("beeps");         // while typing, and in all once the cell is left
        QTest::addColumn<QString>("field");     // a column of the record after the write-back
        QTest::addColumn<QString>("stored");
        QTest::newRow("3 in an empty unit cell") << "blank" << 5 << "3" << "3" << "ｍ3" << "" << "300" << 0 << "tn1"
                                                 << "ｍ3 ";
        QTest::newRow("unit on a row without a name") << "nameless" << 5 << "3" << "" << "" << "" << "300" << 1
                                                      << "tn1" << "";
        QTest::newRow("quantity 2.5") << "item" << 3 << "2.5" << "2.5" << "2.500" << "1,250" << "1,550" << 0 << "su1"
                                      << "2.5";
        QTest::newRow("point first") << "item" << 3 << "." << "0." << "" << "" << "300" << 0 << "su1" << "0";
        QTest::newRow("point then a digit") << "item" << 3 << ".5" << "0.5" << "0.500" << "250" << "550" << 0
                                            << "kn1" << "250";
        QTest::newRow("minus in the middle") << "item" << 3 << "1-2" << "12" << "12" << "6,000" << "6,300" << 1
                                             << "su1" << "12";
        QTest::newRow("1 2 3 4 in a unit price") << "item" << 6 << "1234" << "1,234" << "1,234" << "2,468" << "2,768"
                                                 << 0 << "tk1" << "1234";
        QTest::newRow("backspace empties a price") << "item" << 6 << "\b" << "" << "" << "1,000" << "1,300" << 0
                                                   << "tk1" << "0";
        QTest::newRow("0 as unit price keeps the amount") << "item" << 6 << "0" << "0" << "" << "1,000" << "1,300"
                                                          << 0 << "kn1" << "1000";
        QTest::newRow("lump sum typed as amount") << "blank" << 8 << "5000" << "5,000" << "5,000" << "5,000"
                                                  << "5,300" << 0 << "kn1" << "5000";
        QTest::newRow("group renamed @ keeps its name") << "group" << 1 << "^@合計" << "@合計" << "躯体" << "5,000"
                                                        << "5,300" << 1 << "knm" << "躯体";
        QTest::newRow("price typed on a group row") << "group" << 6 << "500" << "500" << "" << "5,000" << "5,300" << 0
                                                    << "tk1" << "0";
        QTest::newRow("item renamed to a subtotal") << "item" << 1 << "^@小計" << "@小計" << "@小計" << ""
                                                    << "300" << 0 << "su1" << "0";
        QTest::newRow("remark") << "item" << 10 << "ＡＢＣＤＥＦＧＨＩＪＫＬ" << "ＡＢＣＤＥＦＧＨＩＪＫＬ"
                                << "ＡＢＣＤＥＦＧＨＩＪ" << "1,000" << "1,300" << 0 << "bk1"
                                << "ＡＢＣＤＥＦＧＨＩＪ";
    }
    void typingSequences()
    {
        QFETCH(QString, kind);
        QFETCH(int, col);
        QFETCH(QString, keys);
        QFETCH(QString, typed);
        QFETCH(QString, cell);
        QFETCH(QString, amount);
        QFETCH(QString, total);
        QFETCH(int, beeps);
        QFETCH(QString, field);
        // A name is judged when it is committed: the refusal beeps then.
        const int typingBeeps = col == 1 ? 0 : beeps;
        QFETCH(QString, stored);
        BreakdownFixture f;
        addRows(f, kind);
        QVERIFY(f.openEditor());
        f.toRow(1, col);
        QCOMPARE(f.s().overlay.combo, col == 5);
        QVERIFY(f.box()->isVisible());
        if (keys.startsWith('^')) {
            f.key(Qt::Key_A, Qt::ControlModifier);
            keys.remove(0, 1);
        }
        f.type(keys);
        QCOMPARE(f.boxText(), typed);
        QCOMPARE(f.prompts.beeps, typingBeeps);
        QCOMPARE(f.grid().row(), 1);
        f.key(Qt::Key_Return);  // leaves the cell
        QVERIFY(f.grid().col() != col || f.grid().row() != 1);
        QCOMPARE(f.grid().text(1, col).trimmed(), cell);
        // The amount and the level total follow before anything is written.
        QCOMPARE(f.grid().text(1, 8), amount);
        QCOMPARE(f.editor->LblTotal->text(), total);
        QCOMPARE(f.prompts.beeps, beeps);
        QCOMPARE(f.prompts.countOf(rztest::PromptRecord::Message), 0);
        f.press(Qt::Key_F12);  // closing writes the row back
        const Value v = f.value({1024}, field.toLatin1().constData());
        if (v.isText())
            QCOMPARE(v.toString().trimmed(), stored.trimmed());
        else
            QCOMPARE(v.toCurrency(), *Currency::parse(stored));
        QCOMPARE(f.shared.U1_Kn1, *Currency::parse(QString(total).remove(',')));
    }

    void inputRowRefusesTyping_data()
    {
        QTest::addColumn<int>("col");
        QTest::newRow("name") << 1;
        QTest::newRow("quantity") << 3;
        QTest::newRow("unit") << 5;
        QTest::newRow("price") << 6;
    }
    void inputRowRefusesTyping()
    {
        QFETCH(int, col);
        BreakdownFixture f;
        f.add({leaf({1024}, "型枠", "1", "100", "100")});
        QVERIFY(f.openEditor());
        f.toRow(2, col);
        QVERIFY(f.s().isInputRow(2));
        f.type("5");
        QCOMPARE(f.prompts.beeps, 1);
        QCOMPARE(f.boxText(), QString());
        f.key(Qt::Key_F2);  // the new row is blank: nothing typed reached it
        QCOMPARE(f.grid().text(2, col).trimmed(), QString());
        QCOMPARE(f.money({2048}, "su1"), Currency());
        QCOMPARE(f.value({2048}, "knm").toString().trimmed(), QString());
    }

    // Whatever reaches a number box besides typed characters (editing keys,
    // the clipboard, an input method, a text put in from outside) never
    // becomes a cell the file would refuse or read differently.
    void numberCellsTakeOnlyTypedNumbers_data()
    {
        QTest::addColumn<bool>("sqlVariant");
        QTest::addColumn<QString>("price");  // of a row of quantity 2; none: a lump sum of 1,000
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("cell");
        const QString tooLarge = U1Session::kAmountTooLarge, notStorable = U1Session::kNotStorable;
        QTest::newRow("amount beyond LONG") << true << "" << 8 << "3000000000" << notStorable << "1,000";
        QTest::newRow("amount within LONG") << true << "" << 8 << "2000000000" << "" << "2,000,000,000";
        QTest::newRow("amount beyond LONG fits CURRENCY") << false << "" << 8 << "3000000000" << "" << "3,000,000,000";
        QTest::newRow("quantity SINGLE cannot hold") << true << "100" << 3 << "12345.678" << notStorable << "2";
        QTest::newRow("quantity SINGLE holds") << true << "100" << 3 << "1234.5" << "" << "1,234.500";
        QTest::newRow("computed amount beyond LONG") << true << "99999999" << 3 << "30" << notStorable << "2";
        QTest::newRow("price times quantity overflows") << false << "99999999" << 3 << "9999999999" << tooLarge << "2";
    }
    void numberCellsTakeOnlyTypedNumbers()
    {
        QFETCH(bool, sqlVariant);
        QFETCH(QString, price);
        QFETCH(int, col);
        QFETCH(QString, keys);
        QFETCH(QString, message);
        QFETCH(QString, cell);
        BreakdownFixture f(sqlVariant);
        f.add({price.isEmpty() ? leaf({1024}, "型枠", "0", "0", "1000") : leaf({1024}, "型枠", "2", price, "0")});
        QVERIFY(f.openEditor());
        f.toRow(1, col);
        const QString amountBefore = f.grid().text(1, 8), priceBefore = f.grid().text(1, 6);
        // Keys that would edit the text themselves do nothing.
        QGuiApplication::clipboard()->setText("1,34");
        f.key(Qt::Key_V, Qt::ControlModifier);
        f.key(Qt::Key_Delete);
        QInputMethodEvent im;
        im.setCommitString(QStringLiteral("９９"));
        QApplication::sendEvent(f.editor->TxtEdit, &im);
        QCOMPARE(f.boxText(), QString(f.grid().text(1, col)).trimmed());
        QVERIFY(f.editor->TxtEdit->hasSelectedText());
        f.type(keys);
        f.key(Qt::Key_Return);
        QCOMPARE(f.prompts.messages(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(f.grid().text(1, col).trimmed(), cell);
        if (!message.isEmpty())
            QCOMPARE(f.grid().text(1, 8), amountBefore);
        // A text that reached the box some other way is refused when the cell is left.
        f.toRow(1, 6);
        f.s().setOverlayText("1,34");
        f.key(Qt::Key_Return);
        QCOMPARE(f.grid().text(1, 6), priceBefore);
        // Whatever stayed in the grid is written without a complaint.
        const int messages = f.prompts.countOf(rztest::PromptRecord::Message);
        f.press(Qt::Key_F12);
        QCOMPARE(f.prompts.countOf(rztest::PromptRecord::Message), messages);
        QVERIFY(!f.s().isLoaded());
    }

    void overlayLiesOnTheCell_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<bool>("numbers");
        QTest::addColumn<bool>("inputMethod");
        QTest::addColumn<QString>("text");
        QTest::newRow("name") << 1 << false << true << "型枠工事";
        QTest::newRow("specification") << 2 << false << true << "W300";
        QTest::newRow("quantity") << 3 << true << false << "2.500";
        QTest::newRow("price") << 6 << true << false << "1,000";
        QTest::newRow("amount") << 8 << true << false << "2,500";
        QTest::newRow("remark") << 10 << false << false << "別途";
    }
    void overlayLiesOnTheCell()
    {
        QFETCH(int, col);
        QFETCH(bool, numbers);
        QFETCH(bool, inputMethod);
        QFETCH(QString, text);
        BreakdownFixture f;
        Item row = leaf({1024}, "型枠工事", "2.5", "1000", "2500");
        row.mei = "W300";
        row.bk1 = "別途";
        f.add({leaf({512}, "上", "0", "0"), row});
        QVERIFY(f.openEditor());
        f.toRow(2, col);
        QLineEdit *edit = f.editor->TxtEdit;
        QVERIFY(edit->isVisible() && !f.editor->Combo1->isVisible());
        QVERIFY(edit->hasFocus() || !f.editor->isActiveWindow());
        QCOMPARE(edit->text(), text);
        QCOMPARE(edit->testAttribute(Qt::WA_InputMethodEnabled), inputMethod);
        QCOMPARE(bool(edit->alignment() & Qt::AlignRight), numbers);
        QCOMPARE(edit->hasSelectedText(), numbers);
        if (!numbers)
            QCOMPARE(edit->cursorPosition(), int(text.size()));
        // Over the cell as the grid draws it, 40 twips higher and 20 taller.
        QTableView *view = f.editor->Grid1;
        const QRect cell = view->visualRect(view->model()->index(2, col));
        const QPoint at = view->viewport()->mapTo(f.editor.get(), cell.topLeft());
        QCOMPARE(edit->geometry(), QRect(at.x(), at.y() - 40 / 15, cell.width(), cell.height() + 20 / 15));
        // The unit cell takes the combo box instead, at the same place.
        f.toRow(2, 5);
        QVERIFY(!edit->isVisible() && f.editor->Combo1->isVisible());
        QCOMPARE(f.editor->Combo1->count(), 22);
        const QRect unit = view->visualRect(view->model()->index(2, 5));
        QCOMPARE(f.editor->Combo1->pos(), view->viewport()->mapTo(f.editor.get(), unit.topLeft()) - QPoint(0, 2));
    }

    void arrowsMoveTheCaretFirst()
    {
        BreakdownFixture f;
        f.add({leaf({1024}, "型枠工事", "0", "0"), leaf({2048}, "鉄筋", "0", "0")});
        QVERIFY(f.openEditor());
        QLineEdit *edit = f.editor->TxtEdit;
        QCOMPARE(edit->cursorPosition(), 4);
        f.key(Qt::Key_Left);
        f.key(Qt::Key_Left);
        QCOMPARE(edit->cursorPosition(), 2);
        QList<int> cols;
        for (int i = 0; i < 3; ++i) {
            f.key(Qt::Key_Right);
            cols << f.grid().col();
        }
        // The caret walks to the end of the name, then the cursor moves on.
        QCOMPARE(cols, (QList<int>{1, 1, 2}));
        // Left at caret 0 of the empty specification goes back to the name.
        f.key(Qt::Key_Left);
        QCOMPARE(f.grid().col(), 1);
        f.key(Qt::Key_Home);
        f.key(Qt::Key_Left);  // column 1, caret 0: the row above (none: stays)
        QCOMPARE(f.grid().row(), 1);
        // In a number column the arrows always move the cursor.
        f.toRow(2, 6);
        f.key(Qt::Key_Left);
        QCOMPARE(f.grid().col(), 5);
        QVERIFY(f.s().overlay.combo);
        f.key(Qt::Key_Right);
        QCOMPARE(f.grid().col(), 6);
        // With the budget set shown, Right from column 2 skips column 3.
        f.key(Qt::Key_F5);
        f.toRow(1, 2);
        f.key(Qt::Key_Right);
        QCOMPARE(f.grid().col(), 4);
        QCOMPARE(f.prompts.beeps, 0);
    }

    void leavingByMouseCommits()
    {
        BreakdownFixture f;
        f.add({leaf({1024}, "型枠", "3", "0"), leaf({2048}, "鉄筋", "1", "0")});
        QVERIFY(f.openEditor());
        f.toRow(1, 6);
        f.type("250");
        QTableView *view = f.editor->Grid1;
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(2, 1)).center());
        QCOMPARE(f.grid().row(), 2);
        QCOMPARE(f.grid().text(1, 6), QString("250"));
        QCOMPARE(f.grid().text(1, 8), QString("750"));
        QCOMPARE(f.editor->LblTotal->text(), QString("750"));
        QCOMPARE(f.editor->TxtEdit->text(), QString("鉄筋"));
    }

    // The focus going to another window commits the cell; when it comes
    // back, what is typed next is committed too.
    void focusLeavingAndComingBack_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("firstCell");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("secondCell");
        QTest::newRow("unit price") << 6 << "120" << "120" << "80" << "80";
        QTest::newRow("unit") << 5 << "3" << "ｍ3" << "1" << "ｍ";
    }
    void focusLeavingAndComingBack()
    {
        QFETCH(int, col);
        QFETCH(QString, first);
        QFETCH(QString, firstCell);
        QFETCH(QString, second);
        QFETCH(QString, secondCell);
        BreakdownFixture f;
        f.add({leaf({1024}, "型枠", "2", "0")});
        QVERIFY(f.openEditor());
        f.toRow(1, col);
        f.type(first);
        QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(f.box(), &out);
        QCOMPARE(f.grid().text(1, col).trimmed(), firstCell);
        QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(f.box(), &in);
        QCOMPARE(f.boxText(), f.grid().text(1, col).trimmed());
        f.key(Qt::Key_A, Qt::ControlModifier);
        f.type(second);
        f.key(Qt::Key_Return);
        QCOMPARE(f.grid().text(1, col).trimmed(), secondCell);
        f.press(Qt::Key_F12);
        QCOMPARE(f.value({1024}, col == 5 ? "tn1" : "tk1").toString().trimmed(), secondCell.remove(','));
    }

    void rightButtonCommitsAndOpensTheEditMenu()
    {
        BreakdownFixture f;
        f.add({leaf({1024}, "型枠", "3", "100", "300")});
        QVERIFY(f.openEditor());
        f.toRow(1, 6);
        f.type("200");
        f.prompts.menuAnswers.push_back(0);  // ブロック範囲指定開始: nothing happens yet
        QTableView *view = f.editor->Grid1;
        const QPoint click = view->visualRect(view->model()->index(1, 3)).center();
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, click);
        const rztest::PromptRecord *menu = f.prompts.lastMenu();
        QVERIFY(menu);
        QStringList withoutLines = menu->menuEntries;
        withoutLines.removeAll(QStringLiteral("-"));
        QCOMPARE(withoutLines, U1Session::pu10Captions());
        QCOMPARE(menu->menuEntries.count(QStringLiteral("-")), 5);
        const QPoint inGrid = view->viewport()->mapTo(view, click);
        QCOMPARE(menu->menuPos, f.editor->globalPointFromTwips(pixelsToTwips(inGrid.x()) + 100,
                                                              pixelsToTwips(inGrid.y()) + 750));
        // Committed and written before the menu opened.
        QCOMPARE(f.grid().text(1, 8), QString("600"));
        QCOMPARE(f.money({1024}, "tk1"), cy("200"));
        QCOMPARE(f.money({1024}, "kn1"), cy("600"));
        QCOMPARE(f.grid().row(), 1);
        QCOMPARE(f.grid().col(), 6);
        QVERIFY(f.editor->TxtEdit->isVisible());
    }
};

RZ_REGISTER_TEST(TestCellEdit)
#include "tst_celledit.moc"
