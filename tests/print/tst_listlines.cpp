// The lines of a printed list: numbers in their fields, blank fields and the
// columns left out by the options, subtotals and running totals; and the
// cover page.
#include "print/coverprint.h"
#include "printfixture.h"
#include "store/sjis.h"
#include "support/testmain.h"

using namespace rz;
using rztest::detail;
using rztest::Item;
using rztest::PrintFixture;

class TestListLines : public QObject {
    Q_OBJECT
private slots:
    // Numbers right-aligned in their fields, quantities with their decimal
    // point (or its place) on the rule; a number wider than its field keeps
    // every digit and starts further left, as a cut figure would be a wrong one.
    void numbers_data()
    {
        QTest::addColumn<bool>("budget");
        QTest::addColumn<bool>("single");  // the table as the transfer window makes it (SINGLE quantities)
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("col");  // where the printed text starts
        QTest::addColumn<QString>("text");
        // Estimate layout: the quantity in 11 cells from 67, the point in cell 74.
        QTest::newRow("12") << false << false << "su1" << "12" << 67 << "     12    ";
        QTest::newRow("12.5") << false << false << "su1" << "12.5" << 67 << "     12.5  ";
        QTest::newRow("12.25") << false << false << "su1" << "12.25" << 67 << "     12.25 ";
        QTest::newRow("12.125") << false << false << "su1" << "12.125" << 67 << "     12.125";
        QTest::newRow("12.0004 rounds to whole") << false << false << "su1" << "12.0004" << 67 << "     12    ";
        QTest::newRow("grouped") << false << false << "su1" << "1234.5" << 67 << "  1,234.5  ";
        QTest::newRow("negative") << false << false << "su1" << "-12.5" << 67 << "    -12.5  ";
        QTest::newRow("single 12.1") << false << true << "su1" << "12.1" << 67 << "     12.1  ";
        QTest::newRow("wide quantity") << false << false << "su1" << "1234567" << 65 << "1,234,567    ";
        QTest::newRow("wide unit price") << false << false << "tk1" << "98765432100" << 79 << "98,765,432,100";
        QTest::newRow("amount") << false << false << "kn1" << "1234" << 93 << "          1,234";
        QTest::newRow("wide amount") << false << false << "kn1" << "922337203685477" << 89 << "922,337,203,685,477";
        // Budget layout: digits only, the units digit of a quantity in cell 71.
        QTest::newRow("budget 12") << true << false << "su1" << "12" << 66 << "    12";
        QTest::newRow("budget 12.5") << true << false << "su1" << "12.5" << 66 << "    125";
        QTest::newRow("budget single 12.1") << true << true << "su1" << "12.1" << 66 << "    121";
        QTest::newRow("budget 1234.5") << true << false << "su1" << "1234.5" << 66 << "  12345";
        QTest::newRow("budget wide quantity") << true << false << "su1" << "1234567" << 65 << "1234567";
        QTest::newRow("budget wide quantity .5") << true << false << "su1" << "1234567.5" << 65 << "12345675";
        QTest::newRow("budget wide unit price") << true << false << "tk1" << "98765432100" << 77 << "98765432100";
        QTest::newRow("budget wide amount") << true << false << "kn1" << "922337203685477" << 86 << "922337203685477";
        QTest::newRow("budget side quantity") << true << false << "su2" << "12.5" << 122 << "    125";
        QTest::newRow("budget side wide quantity") << true << false << "su2" << "1234567" << 121 << "1234567";
        QTest::newRow("budget side wide price") << true << false << "tk2" << "98765432100" << 129 << "98765432100";
        QTest::newRow("budget side wide amount") << true << false << "kn2" << "922337203685477" << 138 << "922337203685477";
    }
    void numbers()
    {
        QFETCH(bool, budget);
        QFETCH(bool, single);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(int, col);
        QFETCH(QString, text);
        PrintFixture f(single);
        f.setBudget(budget);
        f.add({1024}, detail("鉄骨", ""));
        f.add({2048}, detail("＠小計", ""));
        f.db->execute(QStringLiteral("UPDATE %1 SET %2 = ? WHERE key1 = 1024").arg(f.table, field),
                      {single ? Value(value.toDouble()) : Value(*Currency::parse(value))});
        f.printAll();
        QCOMPARE(f.textAt(1, col, f.oy() + 7), text);
        if (field.startsWith(QLatin1String("kn"))) {  // the subtotal and the 計 line carry it too
            QCOMPARE(f.textAt(1, col, f.oy() + 9), text);
            QCOMPARE(f.textAt(1, col, f.oy() + 45), text);
        }
    }

    // Zeros, and the columns the options leave out, print nothing, on detail,
    // subtotal and total lines alike; a long name is not cut.
    void blanks_data()
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
    void blanks()
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
        f.add({1024}, Item{name, "合板", "3", "ｍ２", "1500", "4500", "3", "1200", "3600", "雨天注意"});
        f.add({2048}, Item{"予備", "", "", "式", "", "", "", "", "", ""});
        f.add({3072}, detail("＠小計", ""));
        f.printAll();

        const int ox = f.ox(), oy = f.oy(), remarksCol = budget ? 101 : 108, unitCol = budget ? 75 : 78;
        QCOMPARE(f.textAt(1, ox + 7, oy + 7), name);
        QCOMPARE(f.textAt(1, ox + 47, oy + 7), QStringLiteral("合板"));
        for (int c : budget ? QList<int>{66, 122} : QList<int>{67})
            QCOMPARE(f.inkOnRow(1, oy + 7, c, c + 1), quantities);
        for (int c : budget ? QList<int>{79, 88, 131, 140} : QList<int>{82, 93})
            QCOMPARE(f.inkOnRow(1, oy + 7, c, c + 1), prices);
        QCOMPARE(f.textAt(1, remarksCol, oy + 7), remarks ? QStringLiteral("雨天注意") + QString(16, u' ') : QString());
        QCOMPARE(f.textAt(1, unitCol, oy + 7), QStringLiteral("ｍ２  "));
        // The zero row: name and unit only.
        QCOMPARE(f.textAt(1, ox + 7, oy + 9), QStringLiteral("予備"));
        QVERIFY(!f.inkOnRow(1, oy + 9, ox + 48, unitCol) && !f.inkOnRow(1, oy + 9, unitCol + 1, 200));
        // Detail, subtotal and total lines carry amounts only when prices are printed.
        const QString sum = budget ? QStringLiteral("         4500") : QStringLiteral("          4,500");
        for (int row : {oy + 7, oy + 11, oy + 45}) {
            QVERIFY(f.inkOnRow(1, row, ox + 7, ox + 8));
            QCOMPARE(f.textAt(1, budget ? 88 : 93, row), prices ? sum : QString());
            QVERIFY(row == oy + 7 || f.inkOnRow(1, row, ox + 40, 200) == prices);
        }
        QCOMPARE(f.textAt(1, 140, oy + 7), budget && prices ? QStringLiteral("         3600") : QString());
    }

    void subtotals_data()
    {
        QTest::addColumn<bool>("budget");
        QTest::newRow("estimate layout") << false;
        QTest::newRow("budget layout") << true;
    }
    void subtotals()
    {
        QFETCH(bool, budget);
        PrintFixture f;
        f.setBudget(budget);
        const Item rows[] = {detail("土工", "100", "10"), detail("基礎", "200", "20"), detail("＠小計", ""),
                             detail("外構", "50", "5"),   detail("＠＠累計", ""),     detail("@小計2", "")};
        for (int i = 0; i < 6; ++i)
            f.add({(i + 1) * 1024}, rows[i]);
        f.printAll();
        // Band, name, estimate and budget amount; band 19 holds the 計 line.
        const std::tuple<int, QString, QString, QString> expect[] = {
            {2, "小計", "300", "30"}, {4, "累計", "350", "35"}, {5, "小計2", "50", "5"}, {19, "", "350", "35"}};
        for (const auto &[band, name, est, bud] : expect) {
            const int row = f.oy() + 7 + 2 * band, width = budget ? 13 : 15;
            QCOMPARE(f.textAt(1, f.ox() + 7, row), band == 19 ? QString(19, u' ') + "計" : name.leftJustified(30));
            QCOMPARE(f.textAt(1, budget ? 88 : 93, row), est.rightJustified(width));
            QCOMPARE(f.textAt(1, 140, row), budget ? bud.rightJustified(width) : QString());
        }
    }

    // The cover: its texts at their cells and sizes on both papers, the
    // underlines, the amount written 一金…円也, the 60-byte name and site.
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
        Shared shared;
        shared.Co_Name = QStringLiteral("印刷されない会社");
        RecordingPrintDevice d;
        PrintOptions options;
        options.kind = PrintKind::Cover;
        options.paper = a4 ? PaperSize::A4 : PaperSize::B5;
        PagePrinter p(d, options, shared);
        sb_Hyousi(p, {QStringLiteral("株式会社　東和建設"), *Currency::parse(kn1), knm, knm});

        const double s = a4 ? 10.5 : 8.5;
        QVERIFY(d.pageCount() == 1 && d.endDocs() == 1 && d.landscape() && d.paper() == options.paper);
        QCOMPARE(d.cellFontSize(), s);
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
            QVERIFY(t[0].size == size && t[0].underline == underline && !t[0].bold);
            QCOMPARE(t[0].fontName, QStringLiteral("ＭＳ 明朝"));
        }
        QCOMPARE(ansiByteLength(field), 60);
        // The border: a box from (4, 5) to (132, 46), width 4, solid.
        QCOMPARE(d.lines().size(), size_t(4));
        for (const auto &l : d.lines())
            QVERIFY(l.width == 4 && l.style == PenStyle::Solid && (l.x1 == 4 || l.x1 == 132) && (l.x2 == 4 || l.x2 == 132)
                    && (l.y1 == 5 || l.y1 == 46) && (l.y2 == 5 || l.y2 == 46) && (l.x1 == l.x2) != (l.y1 == l.y2));
    }
};

RZ_REGISTER_TEST(TestListLines)
#include "tst_listlines.moc"
