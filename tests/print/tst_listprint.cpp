// Printouts on the recording device: estimate lists, the closing lines and the covers.
#include "print/coverdetail.h"
#include "store/sjis.h"
#include "printfixture.h"
#include "support/testmain.h"

#include <set>
#include <tuple>

using namespace rz;
using rztest::detail;
using rztest::Item;
using rztest::PrintFixture;

namespace {
// Everything a printout put on paper, in order: what must not change.
QStringList recorded(const RecordingPrintDevice &d)
{
    QStringList out;
    for (const auto &t : d.texts())
        out << QStringLiteral("%1 %2,%3 %4 %5%6 %7").arg(t.page).arg(t.col).arg(t.row).arg(t.size).arg(t.bold).arg(t.underline).arg(t.text);
    for (const auto &l : d.lines())
        out << QStringLiteral("%1 %2,%3-%4,%5 %6 %7").arg(l.page).arg(l.x1).arg(l.y1).arg(l.x2).arg(l.y2).arg(l.width).arg(int(l.style));
    return out;
}

// 工事価格 1,075,000 with a list below its first row; 諸経費 50,000, 出精値引き 25,000, no 法定福利費.
EstimateTerms closingTerms(PrintFixture &f)
{
    f.add({1024}, detail("躯体工事", "700000", {}, "+"));
    f.add({1024, 1024}, detail("型枠", "700000"));
    f.add({2048}, detail("諸雑費", "375000"));
    EstimateTerms t;
    t.overheadKind = ChargeKind::Amount;
    t.overheadAmount = Currency::fromWhole(50000);
    t.welfareRate = Currency::fromWhole(15);  // of no 人工 rows: 0
    t.discount = Currency::fromWhole(25000);
    return t;
}
}  // namespace

class TestListPrint : public QObject {
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
        QTest::newRow("heading and 20 rows: 計 shares page 2") << true << 20 << false << 2 << 2;
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
            f.add(path, detail(lines.emplace_back(QStringLiteral("躯体工事")), QStringLiteral("1900"), {}, "+"));
        f.addDetails(path, rows);
        for (int i = 1; i <= rows; ++i)
            lines << QStringLiteral("明細%1").arg(i);
        path.push_back((rows + 1) * 1024);
        if (deletedLast)
            f.add(path, detail(QStringLiteral("仮削除行"), QStringLiteral("7"), {}, QStringLiteral("-x")));
        ListPrinter printer(f.device, f.options, f.shared.Co_Name, *f.db, EstimateRef{64});
        printer.sb_PrtInit();
        // The heading's row as the editor's print from a row stands on it.
        auto parent = f.db->openRecordset("SELECT * FROM TBL00064 WHERE key2 = 0", RecordsetType::Snapshot);
        if (heading)
            printer.sb_PrtFromRow(0, LevelKeys{}, *parent);
        else
            printer.sb_ListLevel(0, LevelKeys{});

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
        const QString total = QString(19, u' ') + QStringLiteral("計");
        QCOMPARE(f.textAt(totalPage, 7, 45), totalPage ? total : QString());
        QVERIFY(totalPage || !f.device.find(total));
        if (totalPage > (lines.size() - 1) / 20 + 1)  // alone on its page
            for (int r = 7; r <= 43; r += 2)
                QVERIFY2(f.device.rowImage(totalPage, r).trimmed().isEmpty(), qPrintable(QString::number(r)));
    }

    // Lists depth first, each on its own pages under its parent's name, with its own 計; every
    // page ends with the company name, its number and the frame. (The editor's printouts:
    // breakdown tests.)
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
        QTest::newRow("2.5 rounds half to even") << false << false << "2.5" << QStringList{"2", "3", "4", "5"};
        QTest::newRow("3.5 rounds half to even") << true << false << "3.5" << QStringList{"4", "5", "6", "7"};
        QTest::newRow("letters: no numbers") << false << false << "abc" << QStringList{"", "", "", ""};
        QTest::newRow("beyond an integer: none") << false << false << "40000" << QStringList{"", "", "", ""};
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
            {{1024}, detail("躯体工事", "600", {}, "+")}, {{2048}, detail("仮設工事", "50")},
            {{3072}, detail("仕上工事", "80", {}, "+")},  {{4096}, detail("取止め工事", "9", {}, "+x")},
            {{1024, 1024}, detail("基礎", "400", {}, "+")}, {{1024, 2048}, detail("型枠", "200")},
            {{1024, 1024, 1024}, detail("鉄筋", "400")}, {{3072, 1024}, detail("内装", "80")},
            {{4096, 1024}, detail("取止め明細", "9")}};
        for (const auto &[path, item] : rows)
            f.add(path, item);
        f.printAll();
        QCOMPARE(f.db->indexNames(), QStringList());  // a small estimate gets no index

        using L = std::tuple<int, int, int, int, int, bool>;  // x1, y1, x2, y2, width, dotted
        std::multiset<L> frame;
        auto rules = [&](std::initializer_list<int> xs, int top, int bottom, int width, bool dotted = false) {
            for (int x : xs)
                frame.insert({x, top, x, bottom, width, dotted});
        };
        auto box = [&](int l, int t, int r, int b, int w) {
            frame.insert({L{l, t, r, t, w, false}, L{r, t, r, b, w, false}, L{r, b, l, b, w, false}, L{l, b, l, t, w, false}});
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
        QVERIFY(f.device.landscape() && f.device.cellFontSize() == (budget ? 10.5 : 12.0));
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
            QVERIFY2(drawn == frame, qPrintable(QString::number(drawn.size())));
            for (const auto &[col, text] : header)
                QCOMPARE(f.textAt(p, col, budget ? 11 : 5), text);
        }
    }

    // Numbers right-aligned in their fields, a quantity's point on its rule; a number wider than
    // its field keeps every digit and starts further left: a cut figure is a wrong figure.
    void numbers_data()
    {
        QTest::addColumn<bool>("budget");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");  // "f" at the end: in a table as the transfer window makes it (SINGLE)
        QTest::addColumn<int>("col");  // where the printed text starts
        QTest::addColumn<QString>("text");
        // Estimate layout: the quantity in 11 cells from 67, the point in cell 74.
        QTest::newRow("12") << false << "su1" << "12" << 67 << "     12    ";
        QTest::newRow("12.5") << false << "su1" << "12.5" << 67 << "     12.5  ";
        QTest::newRow("12.25") << false << "su1" << "12.25" << 67 << "     12.25 ";
        QTest::newRow("12.125") << false << "su1" << "12.125" << 67 << "     12.125";
        QTest::newRow("12.0004 rounds to whole") << false << "su1" << "12.0004" << 67 << "     12    ";
        QTest::newRow("negative") << false << "su1" << "-12.5" << 67 << "    -12.5  ";
        QTest::newRow("single 12.1") << false << "su1" << "12.1f" << 67 << "     12.1  ";
        QTest::newRow("wide quantity") << false << "su1" << "1234567" << 65 << "1,234,567    ";
        QTest::newRow("wide unit price") << false << "tk1" << "98765432100" << 79 << "98,765,432,100";
        QTest::newRow("amount") << false << "kn1" << "1234" << 93 << "          1,234";
        QTest::newRow("wide amount") << false << "kn1" << "922337203685477" << 89 << "922,337,203,685,477";
        // Budget layout: digits only, the units digit of a quantity in cell 71.
        QTest::newRow("budget 12") << true << "su1" << "12" << 66 << "    12";
        QTest::newRow("budget 12.5") << true << "su1" << "12.5" << 66 << "    125";
        QTest::newRow("budget single 12.1") << true << "su1" << "12.1f" << 66 << "    121";
        QTest::newRow("budget wide quantity") << true << "su1" << "1234567" << 65 << "1234567";
        QTest::newRow("budget wide quantity .5") << true << "su1" << "1234567.5" << 65 << "12345675";
        QTest::newRow("budget wide unit price") << true << "tk1" << "98765432100" << 77 << "98765432100";
        QTest::newRow("budget wide amount") << true << "kn1" << "922337203685477" << 86 << "922337203685477";
        QTest::newRow("budget side wide quantity") << true << "su2" << "1234567" << 121 << "1234567";
        QTest::newRow("budget side wide price") << true << "tk2" << "98765432100" << 129 << "98765432100";
        QTest::newRow("budget side wide amount") << true << "kn2" << "922337203685477" << 138 << "922337203685477";
    }
    void numbers()
    {
        QFETCH(bool, budget);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(int, col);
        QFETCH(QString, text);
        const bool single = value.endsWith(u'f');
        PrintFixture f(single);
        f.setBudget(budget);
        f.add({1024}, detail("鉄骨", ""));
        f.add({2048}, detail("＠小計", ""));
        const Value stored = single ? Value(value.chopped(1).toDouble()) : Value(*Currency::parse(value));
        f.db->execute(QStringLiteral("UPDATE %1 SET %2 = ? WHERE key1 = 1024").arg(f.table, field), {stored});
        f.printAll();
        QCOMPARE(f.textAt(1, col, f.oy() + 7), text);
        if (field.startsWith(QLatin1String("kn"))) {  // the subtotal and the 計 line carry it too
            QCOMPARE(f.textAt(1, col, f.oy() + 9), text);
            QCOMPARE(f.textAt(1, col, f.oy() + 45), text);
        }
    }

    // Detail, subtotal, running-total and 計 lines; zeros and the columns the options leave
    // out print nothing; a long name is not cut.
    void lines_data()
    {
        QTest::addColumn<bool>("budget");
        QTest::addColumn<bool>("quantities");
        QTest::addColumn<bool>("prices");
        QTest::addColumn<bool>("remarks");
        for (bool budget : {false, true}) {
            const char *l = budget ? "budget" : "estimate";
            QTest::addRow("%s, all printed", l) << budget << true << true << true;
            QTest::addRow("%s, no quantities", l) << budget << false << true << true;
            QTest::addRow("%s, no prices", l) << budget << true << false << true;
            QTest::addRow("%s, no remarks", l) << budget << true << true << false;
        }
    }
    void lines()
    {
        QFETCH(bool, budget);
        QFETCH(bool, quantities);
        QFETCH(bool, prices);
        QFETCH(bool, remarks);
        PrintFixture f;
        f.setBudget(budget);
        f.options.quantities = quantities;
        f.options.prices = prices;
        f.options.remarks = remarks;
        const QString name = QString(25, u'長');  // 50 cells, into the specification column
        const Item rows[] = {Item{name, "合板", "3", "ｍ２", "1500", "4500", "3", "1200", "3600", "雨天注意"},
                             Item{"予備", "", "", "式", "", "", "", "", "", ""},
                             detail("＠小計", ""), detail("外構", "50", "5"), detail("＠＠累計", ""), detail("@小計2", "")};
        for (int i = 0; i < 6; ++i)
            f.add({(i + 1) * 1024}, rows[i]);
        f.printAll();

        const int ox = f.ox(), oy = f.oy(), remarksCol = budget ? 101 : 108, unitCol = budget ? 75 : 78;
        QCOMPARE(f.textAt(1, ox + 47, oy + 7), QStringLiteral("合板"));
        for (int c : budget ? QList<int>{66, 122} : QList<int>{67})
            QCOMPARE(!f.textAt(1, c, oy + 7).isEmpty(), quantities);
        for (int c : budget ? QList<int>{79, 88, 131, 140} : QList<int>{82, 93})
            QCOMPARE(!f.textAt(1, c, oy + 7).isEmpty(), prices);
        QCOMPARE(f.textAt(1, remarksCol, oy + 7), remarks ? QStringLiteral("雨天注意") + QString(16, u' ') : QString());
        QCOMPARE(f.textAt(1, unitCol, oy + 7), QStringLiteral("ｍ２  "));
        QCOMPARE(f.device.rowImage(1, oy + 9).simplified(), QStringLiteral("予備 式"));  // zeros print nothing
        // By band: a subtotal shows the rows since the last one, a running total the list so far.
        auto sub = [](const char *n) { return QString::fromUtf8(n).leftJustified(30); };
        const std::tuple<int, QString, QString, QString> lines[] = {
            {0, name, "4,500", "3600"},      {2, sub("小計"), "4,500", "3600"}, {3, "外構", "50", "5"},
            {4, sub("累計"), "4,550", "3605"}, {5, sub("小計2"), "50", "5"}, {19, QString(19, u' ') + "計", "4,550", "3605"}};
        for (const auto &[band, text, est, bud] : lines) {
            const int row = oy + 7 + 2 * band, width = budget ? 13 : 15;
            QCOMPARE(f.textAt(1, ox + 7, row), text);
            QCOMPARE(f.textAt(1, budget ? 88 : 93, row), prices ? (budget ? QString(est).remove(u',') : est).rightJustified(width) : QString());
            QCOMPARE(f.textAt(1, 140, row), budget && prices ? bud.rightJustified(width) : QString());
        }
    }

    // The closing lines on a page of their own right after the top list, before the lists below
    // it, in the list's columns; 0 lines left out; none for an estimate without conditions, and
    // none when amounts are not printed.
    void closingPage_data()
    {
        QTest::addColumn<bool>("budget");
        QTest::addColumn<bool>("topOnly");
        QTest::addColumn<bool>("prices");
        QTest::addColumn<bool>("conditions");
        QTest::addColumn<int>("pages");
        QTest::newRow("estimate layout, lists below after it") << false << false << true << true << 3;
        QTest::newRow("budget layout, first list only") << true << true << true << true << 2;
        QTest::newRow("no conditions") << false << false << true << false << 2;
        QTest::newRow("no amounts printed") << true << false << false << true << 2;
    }
    void closingPage()
    {
        QFETCH(bool, budget);
        QFETCH(bool, topOnly);
        QFETCH(bool, prices);
        QFETCH(bool, conditions);
        QFETCH(int, pages);
        PrintFixture f;
        f.setBudget(budget);
        f.options.range = topOnly ? PrintRange::Top : PrintRange::Full;
        f.options.prices = prices;
        const EstimateTerms t = closingTerms(f);
        writeTerms(*f.db, conditions ? 64 : 128, t);  // another estimate's conditions change nothing here
        f.printAll();
        QCOMPARE(f.device.pageCount(), pages);
        const bool closing = conditions && prices;
        QCOMPARE(bool(f.device.find(QStringLiteral("工事価格"))), closing);
        if (!closing)
            return;
        const QStringList lines[] = {{"工事価格", "1,075,000"}, {"諸経費", "50,000"}, {"出精値引き", "-25,000"},
                                     {"小計", "1,100,000"},     {"消費税（10%）", "110,000"}, {"合計", "1,210,000"}};
        const int ox = f.ox(), oy = f.oy();
        for (int band = 0; band < 20; ++band) {
            const int row = oy + 7 + 2 * band;
            const QStringList line = band < int(std::size(lines)) ? lines[band] : QStringList{"", ""};
            QCOMPARE(f.textAt(2, ox + 7, row), line[0]);
            const QString amount = budget ? QString(line[1]).remove(u',') : line[1];
            QCOMPARE(f.textAt(2, budget ? ox + 89 : 93, row), amount.isEmpty() ? amount : amount.rightJustified(budget ? 13 : 15));
        }
        QCOMPARE(f.textAt(2, budget ? ox + 146 : 120, oy + 46), QStringLiteral("Page   2"));  // a page like the others
        QCOMPARE(f.device.linesOn(2).size(), f.device.linesOn(1).size());
        if (!topOnly)
            QCOMPARE(f.textAt(3, ox + 7, oy + 7), QStringLiteral("躯体工事"));
    }

    // An estimate without conditions prints exactly as it always has, in a file with or without
    // the table of conditions, and printing makes no table.
    void withoutConditionsAsBefore()
    {
        PrintFixture f;
        closingTerms(f);
        const QStringList tables = f.db->tableNames();
        f.printAll();
        QCOMPARE(f.device.pageCount(), 2);  // the top list and the list below it, nothing more
        const QStringList before = recorded(f.device);
        QCOMPARE(f.db->tableNames(), tables);
        writeTerms(*f.db, 128, EstimateTerms());
        RecordingPrintDevice again;
        printEstimateList(again, f.options, f.shared.Co_Name, *f.db, EstimateRef{64});
        QCOMPARE(recorded(again), before);
    }

    // The detailed cover: its texts at their cells, sizes and underlines, on both papers; without
    // conditions the default tax, 10 % rounded down, and no other lines.
    void coverDetail_data()
    {
        QTest::addColumn<bool>("a4");
        QTest::addColumn<bool>("conditions");
        QTest::newRow("A4, no conditions") << true << false;
        QTest::newRow("B5, no conditions") << false << false;
        QTest::newRow("A4, conditions and issuer") << true << true;
        QTest::newRow("B5, conditions and issuer") << false << true;
    }
    void coverDetail()
    {
        QFETCH(bool, a4);
        QFETCH(bool, conditions);
        PrintFixture f;
        f.options.kind = PrintKind::CoverDetail;
        f.options.paper = a4 ? PaperSize::A4 : PaperSize::B5;
        f.add({1024}, detail("本体工事", "1075000"));
        EstimateTerms t;
        t.estimateNo = QStringLiteral("No.2026-015");
        t.issueDate = QStringLiteral("2026-12-06");
        t.validUntil = QStringLiteral("2027-01-05");
        t.workPeriod = QStringLiteral("着工より60日");
        t.payment = QStringLiteral("月末締め翌月末払い");
        t.overheadRate = Currency::fromWhole(5);  // 53,750
        const Issuer issuer{QStringLiteral("株式会社　東和建設"), QStringLiteral("100-0001"),
                            QStringLiteral("東京都千代田区千代田一丁目一番一号　東和ビルディング八階"), QStringLiteral("03-1234-5678"),
                            QStringLiteral("山田"), QStringLiteral("T7123456789012")};
        if (conditions) {
            writeTerms(*f.db, 64, t);
            writeIssuer(*f.db, issuer);
        }
        auto index = f.db->openRecordset("SELECT * FROM RZTBLIDX WHERE key1 = 64", RecordsetType::Snapshot);
        PagePrinter p(f.device, f.options, QStringLiteral("印刷されない会社"));
        printCoverDetail(p, CoverDetailData::fromFile(*f.db, *index));
        const double s = a4 ? 10.5 : 8.5;
        auto sixty = [](const QString &v) { return padBytes(v, 60); };
        auto amount = [](const char *v) { return QString::fromUtf8(v).rightJustified(22); };
        using T = std::tuple<int, int, double, bool, QString>;  // col, row, size, underline, text
        std::vector<T> expect{{41, 10, 2 * s, false, "      御  見  積  書      "},
                              {8, 14, 1.5 * s, true, "株式会社　東和建設 御中"},
                              {8, 17, s, false, "下記のとおり御見積致します"},
                              {10, 25, s, false, "工事価格"}, {35, 25, s, false, amount("1,075,000")},
                              {61, 25, s, true, "工事名称 " + sixty("本社改修工事")},
                              {61, 28, s, true, "工事場所 " + sixty("東京都千代田区")}};
        QStringList table{"消費税（10%）", "合計"};
        if (!conditions) {
            expect.insert(expect.end(), {{8, 20, 2 * s, true, "一金1,182,500円也（消費税込）"},
                                         {10, 27, s, false, "消費税（10%）"}, {35, 27, s, false, amount("107,500")},
                                         {10, 29, s, false, "合計"}, {35, 29, s, false, amount("1,182,500")}});
        } else {  // 1,075,000 + 53,750 = 1,128,750; tax 112,875
            expect.insert(expect.end(), {{96, 7, s, false, "見積番号　No.2026-015"}, {96, 8, s, false, "発 行 日　2026年12月6日"},
                                         {8, 20, 2 * s, true, "一金1,241,625円也（消費税込）"},
                                         {76, 13, s, false, "株式会社　東和建設"}, {76, 14, s, false, "〒100-0001"},
                                         {76, 15, s, false, "東京都千代田区千代田一丁目一番一号　東和ビルディング"},
                                         {76, 16, s, false, "八階"}, {76, 17, s, false, "TEL 03-1234-5678"},
                                         {76, 18, s, false, "担当 山田"}, {76, 19, s, false, "登録番号 T7123456789012"},
                                         {10, 27, s, false, "諸経費"}, {35, 27, s, false, amount("53,750")},
                                         {10, 29, s, false, "消費税（10%）"}, {35, 29, s, false, amount("112,875")},
                                         {10, 31, s, false, "合計"}, {35, 31, s, false, amount("1,241,625")},
                                         {61, 31, s, true, "工　　期 " + sixty("着工より60日")},
                                         {61, 34, s, true, "支払条件 " + sixty("月末締め翌月末払い")},
                                         {61, 37, s, true, "有効期限 " + sixty("2027年1月5日")}});
        }
        const RecordingPrintDevice &d = f.device;
        QVERIFY(d.pageCount() == 1 && d.endDocs() == 1 && d.landscape() && d.cellFontSize() == s);
        QCOMPARE(d.texts().size(), expect.size());
        for (const auto &[col, row, size, underline, text] : expect) {
            const auto at = d.textsAt(1, col, row);
            QVERIFY2(at.size() == 1 && at[0].text == text, qPrintable(text + " / " + (at.empty() ? "" : at[0].text)));
            QVERIFY2(at[0].size == size && at[0].underline == underline && at[0].bold == (col == 76 && row == 13), qPrintable(text));
        }
        // The border, and the table's box, its divider and a rule between its rows.
        const int rows = conditions ? 4 : 3, bottom = 24 + 2 * rows;
        QCOMPARE(d.lines().size(), size_t(4 + 4 + 1 + rows - 1));
        std::set<std::tuple<int, int, int, int, int>> drawn;
        for (const auto &l : d.lines())
            drawn.insert({qRound(l.x1), qRound(l.y1), qRound(l.x2), qRound(l.y2), l.width});
        for (const auto &l : {std::tuple{4, 5, 132, 5, 4}, {132, 46, 4, 46, 4}, {8, 24, 58, 24, 2}, {58, bottom, 8, bottom, 2},
                              {34, 24, 34, bottom, 1}, {8, 26, 58, 26, 1}})
            QVERIFY(drawn.count(l));
    }

    // The cover: texts at their cells and sizes, underlines, 一金…円也, the 60-byte name and site.
    void cover_data()
    {
        QTest::addColumn<bool>("a4");
        QTest::addColumn<QString>("kn1");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("knm");
        QTest::addColumn<QString>("field");  // the name and site as printed, 60 bytes
        const QString thirty = QString(30, u'工'), name = QStringLiteral("本社ビル改修工事");
        QTest::newRow("A4") << true << "12345678" << "一金12,345,678円也" << name << name + QString(44, u' ');
        QTest::newRow("B5, zero, 31 full-width cut") << false << "0" << "一金円也" << thirty + "事" << thirty;
        QTest::newRow("part of a yen, cut inside a character")
            << false << "1000.4" << "一金1,000円也" << "a" + thirty << "a" + QString(29, u'工') + " ";
        QTest::newRow("every digit of the largest amount")
            << true << "922337203685477" << "一金922,337,203,685,477円也" << name << name + QString(44, u' ');
    }
    void cover()
    {
        QFETCH(bool, a4);
        QFETCH(QString, kn1);
        QFETCH(QString, amount);
        QFETCH(QString, knm);
        QFETCH(QString, field);
        PrintFixture f;
        f.shared.Co_Name = QStringLiteral("印刷されない会社");
        f.options.kind = PrintKind::Cover;
        f.options.paper = a4 ? PaperSize::A4 : PaperSize::B5;
        PagePrinter p(f.device, f.options, f.shared.Co_Name);
        sb_Hyousi(p, {QStringLiteral("株式会社　東和建設"), *Currency::parse(kn1), knm, knm});
        const RecordingPrintDevice &d = f.device;
        const double s = a4 ? 10.5 : 8.5;
        QVERIFY(d.pageCount() == 1 && d.endDocs() == 1 && d.landscape() && d.paper() == f.options.paper
                && d.cellFontSize() == s);
        const std::tuple<int, int, double, bool, QString> expect[] = {
            {41, 10, 2 * s, false, QStringLiteral("      御  見  積  書      ")},
            {24, 16, 1.5 * s, true, QStringLiteral("株式会社　東和建設 御中")},
            {24, 18, s, false, QStringLiteral("下記のとおり御見積致します")},
            {24, 25, 2 * s, true, amount},
            {24, 29, s + 1, true, QStringLiteral("工事名称 ") + field},
            {24, 32, s + 1, true, QStringLiteral("工事場所 ") + field}};
        QCOMPARE(d.texts().size(), std::size(expect));
        for (const auto &[col, row, size, underline, text] : expect) {
            const auto t = d.textsAt(1, col, row);
            QVERIFY2(t.size() == 1, qPrintable(text));
            QCOMPARE(t[0].text, text);
            QVERIFY(t[0].size == size && t[0].underline == underline && !t[0].bold && t[0].fontName == "ＭＳ 明朝");
        }
        // The border: a box from (4, 5) to (132, 46), width 4, solid.
        QCOMPARE(d.lines().size(), size_t(4));
        for (const auto &l : d.lines())
            QVERIFY(l.width == 4 && l.style == PenStyle::Solid && (l.x1 == 4 || l.x1 == 132) && (l.x2 == 4 || l.x2 == 132)
                    && (l.y1 == 5 || l.y1 == 46) && (l.y2 == 5 || l.y2 == 46) && (l.x1 == l.x2) != (l.y1 == l.y2));
    }
};

RZ_REGISTER_TEST(TestListPrint)
#include "tst_listprint.moc"
