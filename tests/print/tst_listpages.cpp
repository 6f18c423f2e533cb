// The pages of a printed list: twenty bands, where the 計 line goes, page
// numbers and company name, sub-level lists depth first, the ruled frames
// and the printout of the editor's screen page.
#include "print/editorprint.h"
#include "printfixture.h"
#include "support/testmain.h"

#include <set>
#include <tuple>

using namespace rz;
using rztest::Item;
using rztest::PrintFixture;

namespace {
const QString kTotal = QString(19, u' ') + QStringLiteral("計");
const QString kEstHeader[] = {QStringLiteral("    名                            称    "),
                              QStringLiteral("   摘           要  "),
                              QStringLiteral("  数   量  単位  単   価    金       額    備            考")};
}

class TestListPages : public QObject {
    Q_OBJECT
private slots:
    void bands_data()
    {
        QTest::addColumn<bool>("heading");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("deletedLast");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("totalPage");  // 0: no 計 line
        QTest::newRow("20 rows: 計 alone on page 2") << false << 20 << false << 2 << 2;
        QTest::newRow("heading and 19 rows: 計 alone on page 2") << true << 19 << false << 2 << 2;
        QTest::newRow("heading and 18 rows: 計 in band 19") << true << 18 << false << 1 << 1;
        QTest::newRow("deleted 21st record: no 計") << false << 20 << true << 1 << 0;
        QTest::newRow("21 rows: 計 shares page 2") << false << 21 << false << 2 << 2;
        QTest::newRow("heading over deleted rows only: blank 計") << true << 0 << true << 1 << 1;
        QTest::newRow("first level of deleted rows only: nothing") << false << 0 << true << 0 << 0;
    }
    void bands()
    {
        QFETCH(bool, heading);
        QFETCH(int, rows);
        QFETCH(bool, deletedLast);
        QFETCH(int, pages);
        QFETCH(int, totalPage);
        PrintFixture f;
        f.options.range = PrintRange::Top;
        std::vector<int> parent;
        if (heading) {
            f.add({1024}, rztest::group(QStringLiteral("躯体工事"), QStringLiteral("1900")));
            parent = {1024};
        }
        f.addDetails(parent, rows);
        if (deletedLast) {
            Item gone = rztest::detail(QStringLiteral("仮削除行"), QStringLiteral("7"));
            gone.flg = QStringLiteral("-x");
            std::vector<int> p = parent;
            p.push_back((rows + 1) * 1024);
            f.add(p, gone);
        }
        LevelKeys keys{};
        keys[0] = 1024;
        f.printList(heading ? 1 : 0, keys, QStringLiteral("躯体工事"));

        QCOMPARE(f.device.pageCount(), pages);
        QCOMPARE(f.device.endDocs(), 1);
        QVERIFY(!f.device.find(QStringLiteral("仮削除行")));
        int line = 0;
        if (heading && pages > 0) {
            const auto h = f.device.textsAt(1, 7, 7);
            QCOMPARE(h.size(), size_t(1));
            QCOMPARE(h[0].text, QStringLiteral("躯体工事"));
            QVERIFY(h[0].bold);
            line = 1;
        }
        int lastRowPage = 1;
        for (int i = 1; i <= rows; ++i, ++line) {
            const int page = line / 20 + 1, band = line % 20;
            QCOMPARE(f.textAt(page, 7, 7 + 2 * band), QStringLiteral("明細%1").arg(i));
            QVERIFY(!f.device.textsAt(page, 7, 7 + 2 * band)[0].bold);
            lastRowPage = page;
        }
        for (int p = 2; p <= pages; ++p)  // the heading is not repeated
            for (const auto &t : f.device.textsAt(p, 7, 7))
                QVERIFY(!t.bold);
        if (totalPage == 0) {
            QVERIFY(!f.device.find(QStringLiteral("計")));
        } else {
            QCOMPARE(f.textAt(totalPage, 7, 45), kTotal);
            if (totalPage > lastRowPage || rows == 0) {
                for (int r = 7; r <= 43; r += 2)
                    QVERIFY2(!f.inkOnRow(totalPage, r) || (heading && rows == 0 && r == 7), qPrintable(QString::number(r)));
            }
        }
        // Every page is closed with its frame and the company line.
        for (int p = 1; p <= pages; ++p)
            QCOMPARE(f.textAt(p, 7, 5), kEstHeader[0]);
    }

    void pageNumbers_data()
    {
        QTest::addColumn<bool>("budget");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("from 3 across lists") << false << "3" << QStringList{"3", "4", "5", "6"};
        QTest::newRow("from 1, budget layout") << true << "1" << QStringList{"1", "2", "3", "4"};
        QTest::newRow("negative counts up and stops at 0") << false << "-2" << QStringList{"-2", "-1", "", ""};
        QTest::newRow("empty: none") << false << "" << QStringList{"", "", "", ""};
        QTest::newRow("three digits") << false << "998" << QStringList{"998", "999", "1000", "1001"};
    }
    void pageNumbers()
    {
        QFETCH(bool, budget);
        QFETCH(QString, start);
        QFETCH(QStringList, expected);
        PrintFixture f;
        f.options.kind = budget ? PrintKind::EstimateBudget : PrintKind::Estimate;
        f.options.startPageText = start;
        f.shared.Co_Name = QStringLiteral("東和建設株式会社");
        // 25 first-level rows (two pages), two of them with a one-row list below.
        f.addDetails({}, 25);
        f.db->execute(QStringLiteral("UPDATE %1 SET flg = '+' WHERE key1 IN (1024, 2048) AND key2 = 0").arg(f.table));
        f.add({1024, 1024}, rztest::detail(QStringLiteral("下位A"), QStringLiteral("1")));
        f.add({2048, 1024}, rztest::detail(QStringLiteral("下位B"), QStringLiteral("1")));
        f.printAll();

        QCOMPARE(f.device.pageCount(), 4);
        const int ox = budget ? -1 : 0, oy = budget ? 6 : 0;
        const int pageCol = budget ? ox + 146 : 120, nameCol = budget ? ox + 64 : 57;
        for (int p = 1; p <= 4; ++p) {
            const QString n = expected[p - 1];
            QCOMPARE(f.textAt(p, pageCol, oy + 46),
                     n.isEmpty() ? QString() : QStringLiteral("Page ") + n.rightJustified(3, u' '));
            const auto co = f.device.textsAt(p, nameCol, oy + 46);
            QCOMPARE(co.size(), size_t(1));
            QCOMPARE(co[0].text, QStringLiteral("東和建設株式会社"));
            QVERIFY(co[0].bold);
        }
        QCOMPARE(f.textAt(3, ox + 7, oy + 9), QStringLiteral("下位A"));
    }

    void subLevels_data()
    {
        QTest::addColumn<bool>("budget");
        QTest::addColumn<bool>("topOnly");
        QTest::addColumn<QStringList>("headings");  // heading of each page, "" for none
        QTest::newRow("full, depth first") << false << false << QStringList{"", "躯体工事", "基礎", "仕上工事"};
        QTest::newRow("full, budget layout") << true << false << QStringList{"", "躯体工事", "基礎", "仕上工事"};
        QTest::newRow("first list only") << false << true << QStringList{""};
    }
    void subLevels()
    {
        QFETCH(bool, budget);
        QFETCH(bool, topOnly);
        QFETCH(QStringList, headings);
        PrintFixture f;
        f.options.kind = budget ? PrintKind::EstimateBudget : PrintKind::Estimate;
        f.options.range = topOnly ? PrintRange::Top : PrintRange::Full;
        f.add({1024}, rztest::group(QStringLiteral("躯体工事"), QStringLiteral("600")));
        f.add({2048}, rztest::detail(QStringLiteral("仮設工事"), QStringLiteral("50")));
        f.add({3072}, rztest::group(QStringLiteral("仕上工事"), QStringLiteral("80")));
        Item deletedGroup = rztest::group(QStringLiteral("取止め工事"), QStringLiteral("9"));
        deletedGroup.flg = QStringLiteral("+x");
        f.add({4096}, deletedGroup);
        f.add({1024, 1024}, rztest::group(QStringLiteral("基礎"), QStringLiteral("400")));
        f.add({1024, 2048}, rztest::detail(QStringLiteral("型枠"), QStringLiteral("200")));
        f.add({1024, 1024, 1024}, rztest::detail(QStringLiteral("鉄筋"), QStringLiteral("400")));
        f.add({3072, 1024}, rztest::detail(QStringLiteral("内装"), QStringLiteral("80")));
        f.add({4096, 1024}, rztest::detail(QStringLiteral("取止め明細"), QStringLiteral("9")));
        f.printAll();

        const int ox = budget ? -1 : 0, oy = budget ? 6 : 0;
        QCOMPARE(f.device.pageCount(), headings.size());
        QVERIFY(!f.device.find(QStringLiteral("取止め明細")));
        for (int p = 1; p <= headings.size(); ++p) {
            const auto first = f.device.textsAt(p, ox + 7, oy + 7);
            QVERIFY(!first.empty());
            QCOMPARE(first[0].bold, !headings[p - 1].isEmpty());
            if (!headings[p - 1].isEmpty())
                QCOMPARE(first[0].text, headings[p - 1]);
        }
        if (!topOnly) {
            QCOMPARE(f.textAt(2, ox + 7, oy + 9), QStringLiteral("基礎"));
            QCOMPARE(f.textAt(2, ox + 7, oy + 11), QStringLiteral("型枠"));
            QCOMPARE(f.textAt(3, ox + 7, oy + 9), QStringLiteral("鉄筋"));
            QCOMPARE(f.textAt(4, ox + 7, oy + 9), QStringLiteral("内装"));
            // Each list has its own 計, from its own rows only.
            const int col = budget ? 88 : 93, w = budget ? 13 : 15;
            QCOMPARE(f.textAt(2, col, oy + 45), QStringLiteral("600").rightJustified(w, u' '));
            QCOMPARE(f.textAt(3, col, oy + 45), QStringLiteral("400").rightJustified(w, u' '));
        }
        QCOMPARE(f.textAt(1, budget ? 88 : 93, oy + 45), QStringLiteral("730").rightJustified(budget ? 13 : 15, u' '));
    }

    // The editor's printout below its current row: that row's list headed by
    // its name, then depth first the lists below it.
    void fromEditorRow_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("key");  // the row's key at its level
        QTest::addColumn<QStringList>("headings");
        QTest::newRow("first-level group") << 0 << 1024 << QStringList{"躯体工事", "基礎"};
        QTest::newRow("second-level group") << 1 << 1024 << QStringList{"基礎"};
        QTest::newRow("row without a sub-level") << 0 << 2048 << QStringList{};
    }
    void fromEditorRow()
    {
        QFETCH(int, level);
        QFETCH(int, key);
        QFETCH(QStringList, headings);
        PrintFixture f;
        f.add({1024}, rztest::group(QStringLiteral("躯体工事"), QStringLiteral("600")));
        f.add({2048}, rztest::detail(QStringLiteral("仮設工事"), QStringLiteral("50")));
        f.add({1024, 1024}, rztest::group(QStringLiteral("基礎"), QStringLiteral("400")));
        f.add({1024, 2048}, rztest::detail(QStringLiteral("型枠"), QStringLiteral("200")));
        f.add({1024, 1024, 1024}, rztest::detail(QStringLiteral("鉄筋"), QStringLiteral("400")));
        LevelKeys lvlKey{};
        if (level == 1)
            lvlKey[0] = 1024;
        auto rs = f.db->openRecordset(LvlSelectSQL(f.table, level, lvlKey));
        while (!rs->eof() && rs->field(level).toLong() != key)
            rs->moveNext();
        QVERIFY(!rs->eof());
        f.printWith([&](ListPrinter &p) { sb_PrtFromRow(p, f.table, level, lvlKey, *rs); });
        QCOMPARE(f.device.pageCount(), headings.size());
        for (int p = 1; p <= headings.size(); ++p) {
            const auto h = f.device.textsAt(p, 7, 7);
            QVERIFY(!h.empty() && h[0].bold);
            QCOMPARE(h[0].text, headings[p - 1]);
        }
        QVERIFY(!f.device.find(QStringLiteral("仮設工事")));
    }

    void frames_data()
    {
        QTest::addColumn<bool>("budget");
        QTest::newRow("estimate") << false;
        QTest::newRow("estimate and budget") << true;
    }
    void frames()
    {
        QFETCH(bool, budget);
        PrintFixture f;
        f.options.kind = budget ? PrintKind::EstimateBudget : PrintKind::Estimate;
        f.add({1024}, rztest::detail(QStringLiteral("土工"), QStringLiteral("10")));
        f.printAll();
        QCOMPARE(f.device.pageCount(), 1);

        using L = std::tuple<int, int, int, int, int, int>;  // x1, y1, x2, y2, width, dotted
        std::multiset<L> expected;
        auto box = [&](int l, int t, int r, int b, int w) {
            expected.insert({l, t, r, t, w, 0});
            expected.insert({r, t, r, b, w, 0});
            expected.insert({r, b, l, b, w, 0});
            expected.insert({l, b, l, t, w, 0});
        };
        std::vector<std::pair<int, QString>> header;
        int headerRow = 5;
        if (!budget) {
            expected.insert({47, 4, 47, 46, 1, 0});
            expected.insert({67, 4, 67, 46, 2, 0});
            expected.insert({74, 6, 74, 46, 1, 1});
            for (int x : {78, 82, 93, 108, 128})
                expected.insert({x, 4, x, 46, 2, 0});
            for (int y = 6; y <= 44; y += 2)
                expected.insert({7, y, 128, y, 2, 0});
            box(7, 4, 128, 46, 4);
            header = {{7, kEstHeader[0]}, {47, kEstHeader[1]}, {67, kEstHeader[2]}};
        } else {
            // Offsets -1 and 6: the frame columns start at 2, the rows at 3.
            expected.insert({46, 10, 46, 52, 1, 0});
            for (int x : {66, 75, 79, 88, 101, 131, 140})
                expected.insert({x, 10, x, 52, 2, 0});
            for (int x : {72, 128})
                expected.insert({x, 12, x, 52, 1, 0});
            for (int x : {69, 82, 85, 92, 95, 98, 125, 134, 137, 144, 147, 150})
                expected.insert({x, 12, x, 52, 1, 1});
            for (int y = 12; y <= 50; y += 2) {
                expected.insert({6, y, 121, y, 2, 0});
                expected.insert({122, y, 153, y, 2, 0});
            }
            box(6, 10, 121, 52, 3);
            box(122, 10, 153, 52, 3);
            headerRow = 11;
            header = {{6, "        名                    称        "}, {46, "    摘        要    "},
                      {66, " 数   量 "}, {75, "単位"}, {79, " 単   価 "}, {88, "  金     額  "},
                      {101, "    備        考    "}, {122, " 数   量 "}, {131, " 単   価 "}, {140, "  金     額  "}};
        }
        std::multiset<L> actual;
        for (const auto &l : f.device.linesOn(1))
            actual.insert({qRound(l.x1), qRound(l.y1), qRound(l.x2), qRound(l.y2), l.width, l.style == PenStyle::Dotted});
        QCOMPARE(actual.size(), expected.size());
        QVERIFY(actual == expected);
        for (const auto &[col, text] : header)
            QCOMPARE(f.textAt(1, col, headerRow), text);
        // The set-up: landscape, the paper and the size of the layout.
        QVERIFY(f.device.landscape());
        QCOMPARE(f.device.cellFontSize(), budget ? 10.5 : 12.0);
    }

    // The editor's screen page: its rows in their bands, subtotals carrying
    // the rows of the earlier pages, 計 only on the level's last page.
    void screenPage_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("firstName");  // name in the first row band
        QTest::addColumn<int>("subBand");        // band of a subtotal to check, -1 none
        QTest::addColumn<QString>("subAmount");
        QTest::addColumn<QString>("total");  // "" when no 計 line
        QTest::newRow("level 0, page 1") << 0 << 1 << "明細1" << -1 << "" << "";
        QTest::newRow("level 0, page 2 carries page 1") << 0 << 2 << "明細21" << 5 << "240" << "";
        QTest::newRow("level 0, last page") << 0 << 3 << "明細41" << 4 << "420" << "420";
        QTest::newRow("sub-level, page 1 under its title") << 1 << 1 << "明細1" << -1 << "" << "";
        QTest::newRow("sub-level, page 2 from row 20") << 1 << 2 << "明細20" << 6 << "240" << "";
    }
    void screenPage()
    {
        QFETCH(int, level);
        QFETCH(int, page);
        QFETCH(QString, firstName);
        QFETCH(int, subBand);
        QFETCH(QString, subAmount);
        QFETCH(QString, total);
        PrintFixture f;
        std::vector<int> parent;
        if (level == 1) {
            f.add({1024}, rztest::group(QStringLiteral("躯体工事")));
            parent = {1024};
        }
        // 45 rows: details of 10, the third provisionally deleted, a subtotal
        // as row 26 and a running total as row 45.
        for (int i = 1; i <= 45; ++i) {
            Item it = rztest::detail(QStringLiteral("明細%1").arg(i), QStringLiteral("10"));
            if (i == 3) {
                it.flg = QStringLiteral("-x");
                it.kn1 = QStringLiteral("999");
            }
            if (i == 26)
                it = rztest::detail(QStringLiteral("＠小計"), QString());
            if (i == 45)
                it = rztest::detail(QStringLiteral("＠＠累計"), QString());
            std::vector<int> p = parent;
            p.push_back(i * 1024);
            f.add(p, it);
        }
        LevelKeys keys{};
        keys[0] = 1024;
        auto rs = f.db->openRecordset(LvlSelectSQL(f.table, level, keys));
        f.printWith([&](ListPrinter &p) {
            sb_PrtScreen(p, *rs, level, page, QStringLiteral("躯体工事"), *Currency::parse(QStringLiteral("420")));
        });

        QCOMPARE(f.device.pageCount(), 1);
        int firstBand = 0;
        if (level == 1 && page == 1) {
            const auto title = f.device.textsAt(1, 7, 7);
            QCOMPARE(title.size(), size_t(1));
            QCOMPARE(title[0].text, QStringLiteral("躯体工事"));
            QVERIFY(!title[0].bold);
            firstBand = 1;
        }
        QCOMPARE(f.textAt(1, 7, 7 + 2 * firstBand), firstName);
        if (page == 1) {
            // The deleted row keeps its band empty.
            QVERIFY(!f.inkOnRow(1, 7 + 2 * (firstBand + 2)));
            QCOMPARE(f.textAt(1, 7, 7 + 2 * (firstBand + 3)), QStringLiteral("明細4"));
        }
        if (subBand >= 0)
            QCOMPARE(f.textAt(1, 93, 7 + 2 * subBand), subAmount.rightJustified(15, u' '));
        if (total.isEmpty()) {
            QVERIFY(!f.device.find(QStringLiteral("計")) || f.device.find(QStringLiteral("計"))->irow() != 45);
        } else {
            QCOMPARE(f.textAt(1, 7, 45), kTotal);
            QCOMPARE(f.textAt(1, 93, 45), total.rightJustified(15, u' '));
        }
    }
};

RZ_REGISTER_TEST(TestListPages)
#include "tst_listpages.moc"
