// Typing into the breakdown editor's cells: the number filter key by key,
// committing into a cell, the unit shortcuts and the cursor keys.
#include "breakdown/celltyping.h"
#include "store/sjis.h"
#include "store/vbconv.h"
#include "support/testmain.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

using namespace rz;

Q_DECLARE_METATYPE(rz::CellCommit::Outcome)

namespace {

const QString kItem = QStringLiteral("-         ");
const QString kGroup = QStringLiteral("+         ");
const QString kInputFlag = QStringLiteral("* ");

struct Typed {
    QString text;
    bool decimal = false;
    int beeps = 0;
};

// Keys typed one after another into the overlay; only the first meets the
// selection the overlay was placed with.
Typed typeKeys(int col, const QString &start, bool selected, const QString &keys, bool flag = false,
               bool inputRow = false)
{
    Typed t{start, flag, 0};
    for (QChar k : keys) {
        const NumberKeyResult r = TxtEdit_KeyPress(col, t.text, selected, t.decimal, inputRow, k);
        t.text = r.text;
        t.decimal = r.decimal;
        t.beeps += r.beep ? 1 : 0;
        selected = false;
    }
    return t;
}

// Column widths as built: estimate set shown (4, 7, 9 hidden) or budget set (3, 6, 8 hidden).
std::vector<int> widths(bool budget)
{
    std::vector<int> w = {450, 3000, 1500, 1000, 1000, 500, 900, 900, 1200, 1200, 1300};
    for (int c : budget ? std::vector<int>{3, 6, 8} : std::vector<int>{4, 7, 9})
        w[size_t(c)] = 0;
    return w;
}

}  // namespace

class TestCellTyping : public QObject {
    Q_OBJECT
private slots:
    void numberTyping_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("beeps");
        QTest::addColumn<QString>("committed");
        QTest::newRow("point then digits") << 3 << "" << true << ".25" << "0.25" << 0 << "0.25";
        QTest::newRow("second point ignored") << 3 << "" << true << "1..5" << "1.5" << 0 << "1.5";
        QTest::newRow("fourth decimal refused") << 3 << "" << true << "1.2345" << "1.234" << 1 << "1.234";
        QTest::newRow("digit replaces selection") << 3 << "1,234.5" << true << "8" << "8" << 0 << "8";
        QTest::newRow("appends without selection") << 3 << "1,234" << false << "5" << "12,345" << 0 << "12,345";
        QTest::newRow("enter swallowed") << 6 << "" << true << "12\r3" << "123" << 0 << "123";
        QTest::newRow("column 3 whole part full") << 3 << "" << true << "99999999999" << "9,999,999,999" << 1
                                                  << "9,999,999,999";
        QTest::newRow("column 3 full takes the point")
            << 3 << "" << true << "9999999999.125" << "9,999,999,999.125" << 0 << "9,999,999,999.125";
        QTest::newRow("column 4 whole part full") << 4 << "" << true << "99999999" << "9,999,999" << 1 << "9,999,999";
        QTest::newRow("column 4 negative one digit less") << 4 << "" << true << "-9999999" << "-999,999" << 1
                                                          << "-999,999";
        QTest::newRow("sign kept through a zero") << 3 << "" << true << "-05" << "-5" << 0 << "-5";
        QTest::newRow("second minus") << 3 << "" << true << "--3" << "-3" << 1 << "-3";
        QTest::newRow("minus after the point") << 3 << "" << true << "1.-5" << "1.5" << 1 << "1.5";
        QTest::newRow("lone minus commits empty") << 3 << "" << true << "-" << "-" << 0 << "";
        QTest::newRow("minus then point") << 3 << "" << true << "-.5" << "-0.5" << 0 << "-0.5";
        // Backspace clears the point: what follows is a fresh whole number.
        QTest::newRow("backspace clears the point") << 3 << "" << true << "2.5\b1234" << "1,234" << 0 << "1,234";
        QTest::newRow("unit price ignores the point") << 6 << "" << true << "12.5" << "125" << 0 << "125";
        QTest::newRow("unit price full") << 6 << "" << true << "999999999" << "99,999,999" << 1 << "99,999,999";
        QTest::newRow("full unit price can be emptied") << 6 << "99,999,999" << false << "\b7" << "7" << 0 << "7";
        QTest::newRow("negative unit price") << 7 << "" << true << "-1500" << "-1,500" << 0 << "-1,500";
        QTest::newRow("minus after digits in a price") << 6 << "" << true << "15-" << "15" << 1 << "15";
        QTest::newRow("amount full") << 9 << "" << true << "99999999999" << "9,999,999,999" << 1 << "9,999,999,999";
        QTest::newRow("negative amount one digit less")
            << 8 << "" << true << "-9999999999" << "-999,999,999" << 1 << "-999,999,999";
    }
    void numberTyping()
    {
        QFETCH(int, col);
        QFETCH(QString, start);
        QFETCH(bool, selected);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QFETCH(int, beeps);
        QFETCH(QString, committed);
        const Typed t = typeKeys(col, start, selected, keys);
        QCOMPARE(t.text, text);
        QCOMPARE(t.beeps, beeps);
        QCOMPARE(t.decimal, text.contains(u'.'));
        QCOMPARE(committedNumberText(t.text), committed);
    }

    // A flag left over from a quantity typed elsewhere must not block the
    // point or push digits into the decimals.
    void staleDecimalFlag()
    {
        QCOMPARE(typeKeys(3, "", false, ".", true).text, QStringLiteral("0."));
        const Typed t = typeKeys(3, "1,234", false, "5", true);
        QVERIFY(t.text == QStringLiteral("12,345") && !t.decimal);
    }

    // Whatever is typed, the cell commits to a number that reads as shown,
    // within the column's width, and a quantity survives its three-decimal display.
    void randomTypingStaysReadable()
    {
        const QString alphabet = QStringLiteral("0123456789-.\b");
        const QRegularExpression whole(QStringLiteral("^-?(0|[1-9][0-9]{0,2}(,[0-9]{3})*)?$"));
        const QRegularExpression quantity(
            QStringLiteral("^-?((0|[1-9][0-9]{0,2}(,[0-9]{3})*)(\\.[0-9]{0,3})?)?$"));
        for (int col : {3, 4, 6, 7, 8, 9}) {
            QRandomGenerator gen(quint32(20240 + col));
            const bool isQuantity = cellKind(col) == CellKind::Quantity;
            QString cell;
            for (int seq = 0; seq < 10000; ++seq) {
                // Re-enter the cell as committed; now and then the caret was moved off the selection.
                QString text = overlayText(col, cell);
                bool selected = gen.bounded(4) != 0;
                bool flag = gen.bounded(2) != 0;
                const int len = 1 + int(gen.bounded(20));
                for (int i = 0; i < len; ++i) {
                    const QChar k = alphabet.at(int(gen.bounded(alphabet.size())));
                    const NumberKeyResult r = TxtEdit_KeyPress(col, text, selected, flag, false, k);
                    text = r.text;
                    flag = r.decimal;
                    selected = false;
                    const QString where = QStringLiteral("col %1 seq %2 text '%3'").arg(col).arg(seq).arg(text);
                    QVERIFY2((isQuantity ? quantity : whole).match(text).hasMatch(), qPrintable(where));
                    const int point = text.indexOf(u'.');
                    QVERIFY2((point < 0 ? text.size() : point) <= maxIntegerChars(col), qPrintable(where));
                    QVERIFY2(flag == (point >= 0), qPrintable(where));
                    const QString c = committedNumberText(text);
                    QVERIFY2(c.isEmpty() || CCur(c).has_value(), qPrintable(where));
                }
                const CellCommit commit = commitCellText(col, text, cell, kItem, QStringLiteral("型枠"));
                if (commit.outcome == CellCommit::Outcome::Written)
                    cell = commit.text;
                if (isQuantity) {
                    const QString c = committedNumberText(text);
                    QCOMPARE(CCur(quantityDisplay(c)).value_or(Currency()), CCur(c).value_or(Currency()));
                }
            }
        }
    }

    void commit_data()
    {
        using O = CellCommit::Outcome;
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("flg");
        QTest::addColumn<QString>("name");
        QTest::addColumn<O>("outcome");
        QTest::addColumn<QString>("cell");
        const QString name = QStringLiteral("型枠工事");
        const QString padded = padBytes(name, 40);
        QTest::newRow("whole quantity") << 4 << "3" << "" << kItem << name << O::Written << "3    ";
        QTest::newRow("quantity with point only") << 3 << "2." << "" << kItem << name << O::Written << "2    ";
        QTest::newRow("emptied quantity") << 3 << "" << "2.500" << kItem << name << O::Written << "    ";
        QTest::newRow("lone minus") << 3 << "-" << "" << kItem << name << O::Written << "    ";
        QTest::newRow("unchanged quantity") << 3 << "2.500" << "2.500" << kItem << name << O::NotWritten << "";
        QTest::newRow("amount -0 empties") << 8 << "-0" << "500" << kItem << name << O::Written << "";
        QTest::newRow("amount on a group row") << 9 << "800" << "" << kGroup << name << O::NotWritten << "";
        QTest::newRow("quantity on a group row") << 3 << "2" << "" << kGroup << name << O::Written << "2    ";
        QTest::newRow("price on a subtotal row") << 7 << "100" << "" << kItem << "@小計" << O::NotWritten << "";
        QTest::newRow("quantity on a full-width subtotal row")
            << 3 << "1" << "" << kItem << "＠小計" << O::NotWritten << "";
        QTest::newRow("group renamed ＠") << 1 << "＠合計" << padded << kGroup << name << O::Refused << padded;
        QTest::newRow("deleted group renamed @") << 1 << "@合計" << padded << "+x        " << name << O::Refused
                                                 << padded;
        QTest::newRow("name cut to 40 bytes") << 1 << QString(25, u'あ') << "" << kItem << "" << O::Written
                                              << QString(20, u'あ');
        QTest::newRow("unchanged name") << 1 << name << padded << kItem << name << O::NotWritten << "";
        QTest::newRow("specification cut") << 2 << "ＡＢＣＤＥＦＧＨＩＪＫ" << "" << kItem << name << O::Written
                                           << "ＡＢＣＤＥＦＧＨＩＪ";
        QTest::newRow("unit cut") << 5 << "ｍ3 x" << "" << kItem << name << O::Written << "ｍ3 ";
        QTest::newRow("marker column") << 0 << "x" << "" << kItem << name << O::NotWritten << "";
    }
    void commit()
    {
        QFETCH(int, col);
        QFETCH(QString, typed);
        QFETCH(QString, old);
        QFETCH(QString, flg);
        QFETCH(QString, name);
        QFETCH(CellCommit::Outcome, outcome);
        QFETCH(QString, cell);
        const CellCommit c = commitCellText(col, typed, old, flg, name);
        QCOMPARE(c.outcome, outcome);
        if (outcome != CellCommit::Outcome::NotWritten)
            QCOMPARE(c.text, cell);
    }

    void unitShortcuts_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("unit");
        QTest::newRow("3") << "3" << "ｍ3 ";
        QTest::newRow("1") << "1" << " ｍ ";
        QTest::newRow("2") << "2" << "ｍ2 ";
        QTest::newRow("5") << "5" << "か所";
        QTest::newRow("8") << "8" << " 組 ";
        QTest::newRow("9") << "9" << " 本 ";
        QTest::newRow("0") << "0" << " 台 ";
        QTest::newRow("rest dropped") << "3x" << "ｍ3 ";
        QTest::newRow("typed unit") << "kg" << "kg";
        QTest::newRow("full-width digit") << "３" << "３";
    }
    void unitShortcuts()
    {
        QFETCH(QString, typed);
        QFETCH(QString, unit);
        QCOMPARE(unitShortcut(typed), unit);
    }

    void unitCell()
    {
        // Every digit shortcut is a unit of the list, filling the cell's four bytes.
        for (QChar d : QStringLiteral("0123456789"))
            QVERIFY(unitList().contains(unitShortcut(d)) && ansiByteLength(unitShortcut(d)) == 4);

        QVERIFY(unitKeyRefused(QString(), false));
        QVERIFY(unitKeyRefused(QString(40, u' '), false));
        QVERIFY(unitKeyRefused(QStringLiteral("型枠"), true));
        QVERIFY(!unitKeyRefused(QStringLiteral("型枠"), false));

        using O = CellCommit::Outcome;
        const CellCommit typed3 = commitUnitText("3", "", "型枠");
        QCOMPARE(typed3.outcome, O::Written);
        QCOMPARE(typed3.text, QStringLiteral("ｍ3 "));
        QCOMPARE(commitUnitText("3", "3", "型枠").outcome, O::NotWritten);
        QCOMPARE(commitUnitText("Kilogram", "", "型枠").text, QStringLiteral("Kilo"));
        const CellCommit subtotal = commitUnitText(" 式", " 式", "@小計");
        QCOMPARE(subtotal.outcome, O::Written);
        QCOMPARE(subtotal.text, QString(4, u' '));
    }

    void keyMoves_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("budget");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("rowsInUse");
        QTest::addColumn<int>("inputRow");
        QTest::addColumn<int>("toRow");
        QTest::addColumn<int>("toCol");
        const int right = Qt::Key_Right, left = Qt::Key_Left, up = Qt::Key_Up, down = Qt::Key_Down;
        const int enter = Qt::Key_Return;
        QTest::newRow("right last column wraps") << right << false << 3 << 10 << 5 << 5 << 4 << 1;
        QTest::newRow("enter wraps onto input row") << enter << false << 19 << 10 << 20 << 20 << 20 << 1;
        QTest::newRow("keypad enter like right") << int(Qt::Key_Enter) << true << 1 << 2 << 5 << 5 << 1 << 4;
        QTest::newRow("right on last row of full page") << right << false << 20 << 10 << 20 << 0 << 20 << 10;
        QTest::newRow("right on input row") << right << false << 5 << 1 << 5 << 5 << 5 << 1;
        QTest::newRow("left column 1 row 1") << left << false << 1 << 1 << 5 << 5 << 1 << 1;
        QTest::newRow("left on input row") << left << false << 5 << 3 << 5 << 5 << 5 << 2;
        QTest::newRow("up at row 1") << up << false << 1 << 6 << 5 << 5 << 1 << 6;
        QTest::newRow("down on input row") << down << false << 5 << 3 << 5 << 5 << 5 << 3;
        QTest::newRow("down at full page end") << down << false << 20 << 6 << 20 << 0 << 20 << 6;
    }
    void keyMoves()
    {
        QFETCH(int, key);
        QFETCH(bool, budget);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(int, rowsInUse);
        QFETCH(int, inputRow);
        QFETCH(int, toRow);
        QFETCH(int, toCol);
        const GridPos to = gridKeyMove(Qt::Key(key), GridPos{row, col}, rowsInUse, inputRow, widths(budget));
        QCOMPARE(to.row, toRow);
        QCOMPARE(to.col, toCol);
    }

    void arrowForwarding_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<bool>("forwarded");
        const int right = Qt::Key_Right, left = Qt::Key_Left;
        QTest::newRow("right before trailing blanks") << right << 2 << "型枠  " << 2 << true;
        QTest::newRow("right inside before blanks") << right << 2 << "型枠  " << 1 << false;
        QTest::newRow("left inside a remark") << left << 10 << "abc" << 1 << false;
        QTest::newRow("left at start of a remark") << left << 10 << "abc" << 0 << true;
        QTest::newRow("number right at start") << right << 3 << "2.5" << 0 << true;
    }
    void arrowForwarding()
    {
        QFETCH(int, key);
        QFETCH(int, col);
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(bool, forwarded);
        QCOMPARE(overlayForwardsArrow(Qt::Key(key), col, text, caret), forwarded);
    }

    void comboArrows()
    {
        QVERIFY(!comboForwardsArrow(Qt::Key_Right, QStringLiteral("ｍ3 "), 2));
        QVERIFY(comboForwardsArrow(Qt::Key_Right, QStringLiteral("ｍ3 "), 3));
        QVERIFY(comboForwardsArrow(Qt::Key_Left, QStringLiteral("ｍ3 "), 0));
        QVERIFY(!comboForwardsArrow(Qt::Key_Left, QStringLiteral("ｍ3 "), 1));
    }

    // The overlay starts from the cell without the blanks that pad it.
    void overlayStart()
    {
        QCOMPARE(overlayText(1, QStringLiteral(" 型枠  ")), QStringLiteral(" 型枠"));
        QCOMPARE(overlayText(3, QStringLiteral("3    ")), QStringLiteral("3"));
        QCOMPARE(overlayText(8, QStringLiteral(" 1,000")), QStringLiteral("1,000"));
    }
};

RZ_REGISTER_TEST(TestCellTyping)
#include "tst_celltyping.moc"
