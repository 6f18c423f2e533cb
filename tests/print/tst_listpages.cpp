// The pages of a printed list: twenty bands, where the 計 line goes,
// sub-level lists depth first, and the end of every page: company name,
// page number and the ruled frame.
#include "printfixture.h"
#include "support/testmain.h"

#include <set>
#include <tuple>

using namespace rz;
using rztest::detail;
using rztest::PrintFixture;

namespace {
const QString kTotal = QString(19, u' ') + QStringLiteral("計");
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
        std::vector<int> path = heading ? std::vector<int>{1024} : std::vector<int>{};
        QStringList lines;  // of the bands in order, the heading first
        if (heading)
            f.add(path, rztest::group(lines.emplace_back(QStringLiteral("躯体工事")), QStringLiteral("1900")));
        f.addDetails(path, rows);
        for (int i = 1; i <= rows; ++i)
            lines << QStringLiteral("明細%1").arg(i);
        path.push_back((rows + 1) * 1024);
        if (deletedLast)
            f.add(path, detail(QStringLiteral("仮削除行"), QStringLiteral("7"), {}, QStringLiteral("-x")));
        f.shared.Prt_Tbl = f.table;
        f.shared.Prt_Name[1] = QStringLiteral("躯体工事");
        ListPrinter printer(f.device, f.options, f.shared, *f.db);
        printer.sb_PrtInit();
        printer.sb_ListLevel(heading ? 1 : 0, LevelKeys{1024});

        QCOMPARE(f.device.pageCount(), pages);
        QVERIFY(!f.device.find(QStringLiteral("仮削除行")));
        for (int line = 0; pages > 0 && line < lines.size(); ++line) {
            const auto t = f.device.textsAt(line / 20 + 1, 7, 7 + 2 * (line % 20));
            QVERIFY2(!t.empty(), qPrintable(lines[line]));
            QCOMPARE(t.back().text, lines[line]);
            QCOMPARE(t.back().bold, heading && line == 0);  // the heading, in bold, on page 1 only
        }
        for (const auto &t : f.device.textsAt(2, 7, 7))
            QVERIFY(!t.bold);
        QCOMPARE(f.textAt(totalPage, 7, 45), totalPage ? kTotal : QString());
        QVERIFY(totalPage || !f.device.find(kTotal));
        if (totalPage > (lines.size() - 1) / 20 + 1)  // alone on its page
            for (int r = 7; r <= 43; r += 2)
                QVERIFY2(!f.inkOnRow(totalPage, r), qPrintable(QString::number(r)));
        for (int p = 1; p <= pages; ++p)  // every page closed with its frame
            QCOMPARE(f.textAt(p, 7, 5), ListPrinter::kEstHeader[0]);
    }

    // Lists depth first, each on its own pages headed by its parent's name,
    // with its own 計; every page ends with the company name, its number
    // (counted on across the lists) and the ruled frame. The editor's
    // printouts are driven through the editor in the breakdown tests.
    void pages_data()
    {
        QTest::addColumn<bool>("budget");
        QTest::addColumn<bool>("topOnly");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QStringList>("numbers");  // of the pages
        QTest::newRow("from 3") << false << false << "3" << QStringList{"3", "4", "5", "6"};
        QTest::newRow("budget layout, from 1") << true << false << "1" << QStringList{"1", "2", "3", "4"};
        QTest::newRow("negative counts up, none from 0") << false << false << "-2" << QStringList{"-2", "-1", "", ""};
        QTest::newRow("budget layout, no numbers") << true << false << "" << QStringList{"", "", "", ""};
        QTest::newRow("three digits") << false << false << "998" << QStringList{"998", "999", "1000", "1001"};
        QTest::newRow("first list only") << false << true << "1" << QStringList{"1"};
    }
    void pages()
    {
        QFETCH(bool, budget);
        QFETCH(bool, topOnly);
        QFETCH(QString, start);
        QFETCH(QStringList, numbers);
        PrintFixture f;
        f.setBudget(budget);
        f.options.range = topOnly ? PrintRange::Top : PrintRange::Full;
        f.options.startPageText = start;
        f.shared.Co_Name = QStringLiteral("東和建設株式会社");
        const std::pair<std::vector<int>, rztest::Item> rows[] = {
            {{1024}, rztest::group("躯体工事", "600")}, {{2048}, detail("仮設工事", "50")},
            {{3072}, rztest::group("仕上工事", "80")},  {{4096}, detail("取止め工事", "9", {}, "+x")},
            {{1024, 1024}, rztest::group("基礎", "400")}, {{1024, 2048}, detail("型枠", "200")},
            {{1024, 1024, 1024}, detail("鉄筋", "400")}, {{3072, 1024}, detail("内装", "80")},
            {{4096, 1024}, detail("取止め明細", "9")}};
        for (const auto &[path, item] : rows)
            f.add(path, item);
        f.printAll();

        using L = std::tuple<int, int, int, int, int, bool>;  // x1, y1, x2, y2, width, dotted
        std::multiset<L> frame;
        auto rules = [&](std::initializer_list<int> xs, int top, int bottom, int width, bool dotted = false) {
            for (int x : xs)
                frame.insert({x, top, x, bottom, width, dotted});
        };
        auto box = [&](int l, int t, int r, int b, int w) {
            for (const L &side : {L{l, t, r, t, w, false}, L{r, t, r, b, w, false}, L{r, b, l, b, w, false},
                                 L{l, b, l, t, w, false}})
                frame.insert(side);
        };
        std::vector<std::pair<int, QString>> header;
        if (!budget) {
            rules({47}, 4, 46, 1);
            rules({67, 78, 82, 93, 108, 128}, 4, 46, 2);
            rules({74}, 6, 46, 1, true);
            for (int y = 6; y <= 44; y += 2)
                frame.insert({7, y, 128, y, 2, false});
            box(7, 4, 128, 46, 4);
            header = {{7, "    名                            称    "}, {47, "   摘           要  "},
                      {67, "  数   量  単位  単   価    金       額    備            考"}};
        } else {  // offsets -1 and 6: the frame columns start at 2, the rows at 3
            rules({46}, 10, 52, 1);
            rules({66, 75, 79, 88, 101, 131, 140}, 10, 52, 2);
            rules({72, 128}, 12, 52, 1);
            rules({69, 82, 85, 92, 95, 98, 125, 134, 137, 144, 147, 150}, 12, 52, 1, true);
            for (int y = 12; y <= 50; y += 2) {
                frame.insert({6, y, 121, y, 2, false});
                frame.insert({122, y, 153, y, 2, false});
            }
            box(6, 10, 121, 52, 3);
            box(122, 10, 153, 52, 3);
            header = {{6, "        名                    称        "}, {46, "    摘        要    "},
                      {66, " 数   量 "}, {75, "単位"}, {79, " 単   価 "}, {88, "  金     額  "},
                      {101, "    備        考    "}, {122, " 数   量 "}, {131, " 単   価 "}, {140, "  金     額  "}};
        }
        // By heading: the list's first row and its 計.
        const QStringList headings{"", "躯体工事", "基礎", "仕上工事"};
        const QMap<QString, QStringList> list{{"", {"躯体工事", "730"}}, {"躯体工事", {"基礎", "600"}},
                                              {"基礎", {"鉄筋", "400"}}, {"仕上工事", {"内装", "80"}}};
        QCOMPARE(f.device.pageCount(), numbers.size());
        QVERIFY(f.device.landscape());
        QCOMPARE(f.device.cellFontSize(), budget ? 10.5 : 12.0);
        QVERIFY(!f.device.find(QStringLiteral("取止め明細")));
        const int ox = f.ox(), oy = f.oy();
        for (int p = 1; p <= numbers.size(); ++p) {
            const QString &h = headings[p - 1], &n = numbers[p - 1];
            const auto first = f.device.textsAt(p, ox + 7, oy + 7);
            QVERIFY(!first.empty() && first[0].bold == !h.isEmpty());
            QCOMPARE(first[0].text, h.isEmpty() ? list[h][0] : h);
            QCOMPARE(f.textAt(p, ox + 7, oy + (h.isEmpty() ? 7 : 9)), list[h][0]);
            QCOMPARE(f.textAt(p, budget ? 88 : 93, oy + 45), list[h][1].rightJustified(budget ? 13 : 15, u' '));
            QCOMPARE(f.textAt(p, budget ? ox + 146 : 120, oy + 46),
                     n.isEmpty() ? QString() : QStringLiteral("Page ") + n.rightJustified(3, u' '));
            const auto co = f.device.textsAt(p, budget ? ox + 64 : 57, oy + 46);
            QVERIFY(co.size() == 1 && co[0].bold && co[0].text == QStringLiteral("東和建設株式会社"));
            std::multiset<L> drawn;
            for (const auto &l : f.device.linesOn(p))
                drawn.insert({qRound(l.x1), qRound(l.y1), qRound(l.x2), qRound(l.y2), l.width, l.style == PenStyle::Dotted});
            QCOMPARE(drawn.size(), frame.size());
            QVERIFY(drawn == frame);
            for (const auto &[col, text] : header)
                QCOMPARE(f.textAt(p, col, budget ? 11 : 5), text);
        }
    }
};

RZ_REGISTER_TEST(TestListPages)
#include "tst_listpages.moc"
