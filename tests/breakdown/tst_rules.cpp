// The editor's rules without a window: the amount of a row (exact currency product, rounded down), re-pricing by a rate, the
// number filter key by key, committing a typed text into a cell and the unit shortcuts.
#include "breakdown/amount.h"
#include "breakdown/celltyping.h"
#include "breakdownfixture.h"
#include "store/sjis.h"

namespace {
struct Amount { QString price, quantity, expected; };  // expected "": beyond the currency range, refused
struct Reprice { QString quantity, price, amount; int oldRate, newRate; QString result; };  // "price/amount"; "": refused
// Typed into an overlay holding `start` (all selected or not, with a decimal-point flag left from another cell).
struct Keys { int col; QString start; bool selected, flag; QString keys, text; int beeps; QString committed; };
struct Commit { int col; QString typed, old, flg, name; CellCommit::Outcome outcome; QString cell; };
struct Unit { QString typed, tag, name, unit; };  // unit "": not written
}  // namespace
Q_DECLARE_METATYPE(Amount)
Q_DECLARE_METATYPE(Reprice)
Q_DECLARE_METATYPE(Keys)
Q_DECLARE_METATYPE(Commit)
Q_DECLARE_METATYPE(Unit)

class TestRules : public QObject {
    Q_OBJECT
private slots:
    void amountRule_data() { cases<Amount>({{"negative quantity floors away from 0", {"3", "-1.5", "-5"}}, {"fractional price", {"123.45", "2.5", "308"}},
                                            {"negative price", {"-1000", "0.3333", "-334"}}, {"price without quantity", {"50000", "0", "0"}},
                                            {"product below four decimals", {"0.0001", "0.0001", "0"}},
                                            {"large but in range", {"900000000000", "1000", "900000000000000"}},
                                            {"negative beyond the range", {"-900000000000", "100000", ""}},
                                            {"just over the top", {"922337203685477", "1.0001", ""}}}); }
    void amountRule()
    {
        QFETCH(Amount, c);
        if (c.expected.isEmpty())
            QVERIFY_THROWS_EXCEPTION(OverflowError, amountOf(cy(c.price), cy(c.quantity)));
        else
            QCOMPARE(recomputedAmount(cy(c.price), cy(c.quantity)), std::optional<Currency>(cy(c.expected)));
        QVERIFY(!recomputedAmount(Currency(), cy(c.quantity)).has_value());  // no price: the amount is kept
    }

    void repricing_data() { cases<Reprice>({{"100 -> 90", {"3", "1000", "3000", 100, 90, "900/2700"}}, {"lump sum", {"0", "0", "1005", 100, 90, "0/904"}},
                                            {"negative lump sum floors", {"0", "0", "-1005", 100, 90, "0/-905"}},
                                            {"price rounds down to yen", {"2.5", "999", "0", 100, 110, "1098/2745"}},
                                            {"unchanged rate keeps the price", {"1", "29", "29", 100, 100, "29/29"}},
                                            {"back from 90 to 100", {"3", "900", "2700", 90, 100, "1000/3000"}},
                                            {"stored amount ignored when priced", {"2", "500", "12345", 100, 200, "1000/2000"}},
                                            {"old rate 0", {"1", "1000", "0", 0, 90, ""}}, {"price beyond the range", {"1", "900000000000000", "0", 1, 999, ""}}}); }
    void repricing()
    {
        QFETCH(Reprice, c);
        if (c.result.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(OverflowError, repriced(cy(c.quantity), cy(c.price), cy(c.amount), c.oldRate, c.newRate));
            return;
        }
        const Repriced r = repriced(cy(c.quantity), cy(c.price), cy(c.amount), c.oldRate, c.newRate);
        QCOMPARE(r.price.toString() + "/" + r.amount.toString(), c.result);
    }

    void numberTyping_data() { cases<Keys>({{"point then digits", {3, "", true, false, ".25", "0.25", 0, "0.25"}},
                                            {"second point ignored", {3, "", true, false, "1..5", "1.5", 0, "1.5"}},
                                            {"fourth decimal refused", {3, "", true, false, "1.2345", "1.234", 1, "1.234"}},
                                                                   {"appends without selection", {3, "1,234", false, false, "5", "12,345", 0, "12,345"}},
                                            {"stale flag, point", {3, "", false, true, ".", "0.", 0, ""}},
                                                                   {"enter swallowed", {6, "", true, false, "12\r3", "123", 0, "123"}},
                                            {"column 3 whole part full", {3, "", true, false, "99999999999", "9,999,999,999", 1, "9,999,999,999"}},
                                            {"column 4 negative one digit less", {4, "", true, false, "-9999999", "-999,999", 1, "-999,999"}},
                                            {"sign kept through a zero", {3, "", true, false, "-05", "-5", 0, "-5"}},
                                            {"minus after the point", {3, "", true, false, "1.-5", "1.5", 1, "1.5"}},
                                            {"lone minus commits empty", {3, "", true, false, "-", "-", 0, ""}},
                                            {"backspace clears the point", {3, "", true, false, "2.5\b1234", "1,234", 0, "1,234"}},
                                            {"unit price ignores the point", {6, "", true, false, "12.5", "125", 0, "125"}},
                                            {"full unit price can be emptied", {6, "99,999,999", false, false, "\b7", "7", 0, "7"}},
                                                                   {"negative amount one digit less", {8, "", true, false, "-9999999999", "-999,999,999", 1, "-999,999,999"}}}); }
    void numberTyping()
    {
        QFETCH(Keys, c);
        NumberKeyResult r{c.start, c.flag, false};
        int beeps = 0;
        bool selected = c.selected;  // only the first key meets the selection the overlay was placed with
        for (QChar k : c.keys) {
            r = TxtEdit_KeyPress(c.col, r.text, selected, r.decimal, false, k);
            beeps += r.beep ? 1 : 0;
            selected = false;
        }
        QCOMPARE(r.text + '|' + committedNumberText(r.text), c.text + '|' + c.committed);
        QCOMPARE(beeps, c.beeps);
        QCOMPARE(r.decimal, c.text.contains(u'.'));
    }

    void commit_data()
    {
        using O = CellCommit::Outcome;
        const QString n = QStringLiteral("型枠工事"), padded = padBytes(n, 40);
        cases<Commit>({{"whole quantity", {4, "3", "", kItemFlg, n, O::Written, "3    "}},
                       {"quantity with point only", {3, "2.", "", kItemFlg, n, O::Written, "2    "}},
                       {"negative quantity", {3, "-1,234.5", "", kItemFlg, n, O::Written, "-1,234.500"}},
                       {"emptied quantity", {3, "", "2.500", kItemFlg, n, O::Written, "    "}},
                       {"unchanged quantity", {3, "2.500", "2.500", kItemFlg, n, O::NotWritten, ""}},
                       {"amount on a group row", {9, "800", "", kGroupFlg, n, O::NotWritten, ""}},
                       {"quantity on a group row", {3, "2", "", kGroupFlg, n, O::Written, "2    "}},
                       {"quantity on a ＠ subtotal row", {3, "1", "", kItemFlg, "＠小計", O::NotWritten, ""}},
                       {"group renamed ＠", {1, "＠合計", padded, kGroupFlg, n, O::Refused, padded}},
                       {"deleted group renamed @", {1, "@合計", padded, "+x        ", n, O::Refused, padded}},
                       {"name cut to 40 bytes", {1, QString(25, u'あ'), "", kItemFlg, "", O::Written, QString(20, u'あ')}}});
    }
    void commit()
    {
        QFETCH(Commit, c);
        const CellCommit r = commitCellText(c.col, c.typed, c.old, c.flg, c.name);
        QCOMPARE(r.outcome, c.outcome);
        QCOMPARE(c.outcome == CellCommit::Outcome::NotWritten ? QString() : r.text, c.cell);
    }

    void unitCell_data() { cases<Unit>({{"1", {"1", "", "型枠", " ｍ "}}, {"2", {"2", "", "型枠", "ｍ2 "}}, {"3", {"3", "", "型枠", "ｍ3 "}},
                                        {"4", {"4", "", "型枠", " 式 "}}, {"5", {"5", "", "型枠", "か所"}}, {"6", {"6", "", "型枠", " 個 "}},
                                        {"7", {"7", "", "型枠", " 枚 "}}, {"8", {"8", "", "型枠", " 組 "}}, {"9", {"9", "", "型枠", " 本 "}},
                                        {"0", {"0", "", "型枠", " 台 "}}, {"rest dropped", {"3x", "", "型枠", "ｍ3 "}},
                                        {"typed unit cut to 4 bytes", {"Kilogram", "", "型枠", "Kilo"}}, {"full-width digit", {"３", "", "型枠", "３"}},
                                        {"unchanged", {"3", "3", "型枠", ""}}, {"subtotal row", {" 式", " 式", "@小計", "    "}}}); }
    void unitCell()
    {
        QFETCH(Unit, c);
        const CellCommit r = commitUnitText(c.typed, c.tag, c.name);
        QCOMPARE(r.outcome, c.unit.isEmpty() ? CellCommit::Outcome::NotWritten : CellCommit::Outcome::Written);
        QCOMPARE(r.text, c.unit);
        QVERIFY(!c.tag.isEmpty() || !QStringLiteral("0123456789").contains(c.typed) || unitList().contains(c.unit));  // a shortcut's unit is listed
    }
};

RZ_REGISTER_TEST(TestRules)
#include "tst_rules.moc"
