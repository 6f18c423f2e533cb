// Whole-estimate recalculation on real item tables of both variants: level
// sums with subtotal and running-total rows, corrections of group and item
// amounts with their message and beep, and all-or-nothing on overflow.
#include "breakdown/calctbl.h"
#include "breakdownfixture.h"
#include "store/database.h"
#include "store/recordset.h"
#include "store/sjis.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QtTest>
#include <sqlite3.h>

using namespace rz;

namespace {

const QString kItem = rztest::kItemFlg;
const QString kGroup = rztest::kGroupFlg;

struct Row {
    std::vector<int> path;  // key1, key2, ...
    QString name;
    QString flg;
    QString su1, tk1, kn1;
    QString su2 = "0", tk2 = "0", kn2 = "0";
};

// The estimate file of the editor tests, with one connection kept open so
// that a second pass can be seen to write nothing.
class Estimate : public rztest::BreakdownFixture {
public:
    explicit Estimate(bool sqlVariant) : BreakdownFixture(sqlVariant), db(BreakdownFixture::db()) {}

    void add(const std::vector<Row> &rows)
    {
        std::vector<rztest::Item> items;
        for (const Row &r : rows) {
            rztest::Item i = rztest::leaf(r.path, padBytes(r.name, 40), r.su1, r.tk1, r.kn1);
            i.flg = r.flg;
            i.su2 = r.su2, i.tk2 = r.tk2, i.kn2 = r.kn2;
            items.push_back(i);
        }
        BreakdownFixture::add(items);
    }

    // "kn1/kn2" of the row at the path.
    QString amounts(const std::vector<int> &path) const
    {
        return money(path, "kn1").toString() + "/" + money(path, "kn2").toString();
    }

    // Every stored value of every row, to tell whether anything changed.
    QStringList contents() const
    {
        QStringList out;
        auto rs = db->openRecordset("SELECT * FROM " + kTable + " ORDER BY _rowid_", RecordsetType::Snapshot);
        for (; !rs->eof(); rs->moveNext()) {
            QStringList row;
            for (int i = 0; i < rs->fieldCount(); ++i)
                row << rs->field(i).toString();
            out << row.join('|');
        }
        return out;
    }

    Totals calc(rztest::ScriptedPrompts &prompts, int level = 0, LevelKeys keys = {})
    {
        Totals t;
        sb_CalcTbl(*db, kTable, level, keys, t, prompts);
        return t;
    }

    std::unique_ptr<Database> db;
    const QString kTable = table();
};

void addVariants()
{
    QTest::addColumn<bool>("sqlVariant");
}

}  // namespace

class TestCalcTbl : public QObject {
    Q_OBJECT
private slots:
    // A 100, B 200, a subtotal, C 50 and a running total on one level, with a
    // provisionally deleted group of 1,000 (and a wrong amount below it) among
    // them that must be left out and left alone.
    void subtotalsAndRunningTotals_data()
    {
        addVariants();
        QTest::newRow("table definition") << false;
        QTest::newRow("transfer SQL") << true;
    }
    void subtotalsAndRunningTotals()
    {
        QFETCH(bool, sqlVariant);
        Estimate e(sqlVariant);
        e.add({
            {{1024}, "A", kItem, "2", "50", "100", "1", "80", "80"},
            {{1536}, "仮削除の工事", "+x        ", "0", "0", "1000", "0", "0", "900"},
            {{1536, 1024}, "下の行", kItem, "3", "10", "999", "0", "0", "0"},
            {{2048}, "B 一式", kItem, "1", "0", "200", "1", "0", "150"},
            {{3072}, "@小計", kItem, "0", "0", "0", "0", "0", "0"},
            {{4096}, "C", kItem, "0.5", "100", "50", "0.5", "60", "30"},
            {{5120}, "＠＠合計", kItem, "0", "0", "12345", "0", "0", "0"},
        });
        rztest::ScriptedPrompts prompts;
        const Totals t = e.calc(prompts);

        QCOMPARE(t.estimate.toString(), QString("350"));
        QCOMPARE(t.budget.toString(), QString("260"));
        QCOMPARE(e.amounts({3072}), QString("300/230"));
        QCOMPARE(e.amounts({5120}), QString("350/260"));
        QCOMPARE(e.amounts({1536}), QString("1000/900"));
        QCOMPARE(e.amounts({1536, 1024}), QString("999/0"));
        QCOMPARE(prompts.beeps, 0);
        QCOMPARE(prompts.countOf(rztest::PromptRecord::Message), 0);
    }

    // A two-level estimate whose group row holds stale amounts and one of
    // whose items holds a wrong amount.
    void correctsWrongAmounts_data()
    {
        addVariants();
        QTest::addColumn<QString>("groupKn1");
        QTest::addColumn<QString>("groupKn2");
        QTest::addColumn<int>("messages");
        QTest::newRow("estimate amount stale") << false << "999" << "2400" << 1;
        QTest::newRow("budget amount stale, transfer SQL") << true << "4250" << "0" << 1;
        QTest::newRow("both stale, transfer SQL") << true << "1" << "2" << 1;
        QTest::newRow("group right") << false << "4250" << "2400" << 0;
    }
    void correctsWrongAmounts()
    {
        QFETCH(bool, sqlVariant);
        QFETCH(QString, groupKn1);
        QFETCH(QString, groupKn2);
        QFETCH(int, messages);
        Estimate e(sqlVariant);
        e.add({
            {{1024}, "躯体工事", kGroup, "0", "0", groupKn1, "0", "0", groupKn2},
            {{1024, 1024}, "型枠", kItem, "3", "1000", "3000", "3", "600", "1800"},
            {{1024, 2048}, "鉄筋", kItem, "1.25", "1000", "1000", "1", "600", "600"},
            {{2048}, "仮設工事", kItem, "1", "500", "500", "1", "400", "400"},
        });
        rztest::ScriptedPrompts prompts;
        const Totals t = e.calc(prompts);

        QCOMPARE(t.estimate.toString(), QString("4750"));
        QCOMPARE(t.budget.toString(), QString("2800"));
        QCOMPARE(e.amounts({1024}), QString("4250/2400"));
        QCOMPARE(e.amounts({1024, 2048}), QString("1250/600"));
        QCOMPARE(prompts.beeps, 1);  // 鉄筋 held 1,000 for 1.25 x 1,000
        QCOMPARE(prompts.countOf(rztest::PromptRecord::Message), messages);
        if (messages) {
            QCOMPARE(prompts.lastMessage()->text, QString("躯体工事の金額を訂正します"));
            QCOMPARE(prompts.lastMessage()->style, int(MsgInformation));
        }

        // A second run finds everything right, complains about nothing and
        // rewrites no row.
        prompts.clear();
        const int changesBefore = sqlite3_total_changes(e.db->handle());
        const Totals again = e.calc(prompts);
        QCOMPARE(again.estimate, t.estimate);
        QCOMPARE(again.budget, t.budget);
        QCOMPARE(prompts.beeps, 0);
        QCOMPARE(prompts.countOf(rztest::PromptRecord::Message), 0);
        QCOMPARE(sqlite3_total_changes(e.db->handle()), changesBefore);

        // The sub-level alone gives the group's totals.
        const Totals sub = e.calc(prompts, 1, LevelKeys{1024});
        QCOMPARE(sub.estimate.toString(), QString("4250"));
        QCOMPARE(sub.budget.toString(), QString("2400"));
    }

    // The same three-level estimate in both variants, with quantities that a
    // SINGLE column cannot hold exactly, gives the same totals.
    void bothVariantsAgree()
    {
        const std::vector<Row> rows = {
            {{10}, "建築", kGroup, "0", "0", "0", "0", "0", "0"},
            {{10, 10}, "躯体", kGroup, "0", "0", "0", "0", "0", "0"},
            {{10, 10, 10}, "砂", kItem, "0.7", "10", "0", "2.3", "100", "0"},
            {{10, 10, 20}, "砂利", kItem, "1.1", "1000", "0", "-0.7", "10", "0"},
            {{10, 10, 30}, "＠小計", kItem, "0", "0", "0", "0", "0", "0"},
            {{10, 20}, "手間", kItem, "0", "0", "70000", "0", "0", "65000"},
            {{20}, "設備", kGroup, "0", "0", "0", "0", "0", "0"},
            {{20, 5}, "配管", kItem, "12.5", "3333", "0", "12.5", "3000", "0"},
        };
        QStringList results;
        for (bool sql : {false, true}) {
            Estimate e(sql);
            e.add(rows);
            rztest::ScriptedPrompts prompts;
            const Totals t = e.calc(prompts);
            results << t.estimate.toString() + "/" + t.budget.toString() + " " + e.amounts({10, 10}) + " " +
                           e.amounts({10, 10, 30});
        }
        // 7 + 1,100 + 70,000 + 41,662 and 230 - 7 + 65,000 + 37,500.
        QCOMPARE(results.at(0), QString("112769/102723 1107/223 1107/223"));
        QCOMPARE(results.at(1), results.at(0));
    }

    // An amount that cannot be held stops the recalculation and leaves every
    // row as it was, including rows already corrected before it was met.
    void overflowChangesNothing_data()
    {
        addVariants();
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<int>("copies");
        QTest::newRow("beyond the currency range") << false << "900000000000" << "100000" << 1;
        QTest::newRow("beyond the currency range, SQL table") << true << "900000000000" << "100000" << 1;
        QTest::newRow("item beyond a LONG amount") << true << "3000000" << "1000" << 1;
        QTest::newRow("group sum beyond a LONG amount") << true << "1000000000" << "2" << 2;
        QTest::newRow("level sum beyond the currency range") << false << "500000000000000" << "1" << 2;
    }
    void overflowChangesNothing()
    {
        QFETCH(bool, sqlVariant);
        QFETCH(QString, price);
        QFETCH(QString, quantity);
        QFETCH(int, copies);
        Estimate e(sqlVariant);
        std::vector<Row> rows = {
            {{1}, "先の行", kItem, "2", "100", "1", "0", "0", "0"},
            {{2}, "工事", kGroup, "0", "0", "0", "0", "0", "0"},
            {{2, 1}, "正しい行", kItem, "1", "10", "999", "0", "0", "0"},
        };
        for (int i = 0; i < copies; ++i)
            rows.push_back({{2, 10 + i}, "大きな行", kItem, quantity, price, "0", "0", "0", "0"});
        rows.push_back({{3}, "後の行", kItem, "1", "7", "0", "0", "0", "0"});
        e.add(rows);
        const QStringList before = e.contents();

        rztest::ScriptedPrompts prompts;
        Totals totals{Currency::fromWhole(11), Currency::fromWhole(22)};
        QVERIFY_THROWS_EXCEPTION(OverflowError, sb_CalcTbl(*e.db, e.kTable, 0, LevelKeys{}, totals, prompts));
        QCOMPARE(e.contents(), before);
        QCOMPARE(totals.estimate, Currency::fromWhole(11));
        QCOMPARE(totals.budget, Currency::fromWhole(22));

        // The file is still usable: nothing was left half open.
        QCOMPARE(e.db->transactionDepth(), 0);
        e.db->execute("DELETE FROM " + e.kTable + " WHERE key2 >= 10");
        const Totals t = e.calc(prompts);
        QCOMPARE(t.estimate.toString(), QString("217"));
        QCOMPARE(e.amounts({1}), QString("200/0"));
    }

    void missingTableIsADatabaseError()
    {
        Estimate e(false);
        rztest::ScriptedPrompts prompts;
        Totals t;
        QVERIFY_THROWS_EXCEPTION(DbError, sb_CalcTbl(*e.db, "TBL09999", 0, LevelKeys{}, t, prompts));
        QCOMPARE(e.db->transactionDepth(), 0);
    }
};

RZ_REGISTER_TEST(TestCalcTbl)
#include "tst_calctbl.moc"
