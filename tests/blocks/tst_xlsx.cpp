// The editor's exchange with a spreadsheet through .xlsx workbooks: the rows a spreadsheet saved, rows written into a
// workbook it made, a round trip through a new workbook, and damaged, busy or unfit workbooks that change nothing.
#include "blocks/xlsxbook.h"
#include "breakdown/breakdownfixture.h"
#include "store/sjis.h"
#include "store/vbconv.h"

#include <functional>
#include <map>
#include <zip.h>

namespace {
QString data(const char *name) { return QStringLiteral(RZ_TEST_DATA "/") + QString::fromUtf8(name); }

using Entries = std::map<QString, QByteArray>;
Entries entries(const QString &path)
{
    Entries out;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, nullptr);
    for (zip_int64_t i = 0; z && i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(z, zip_uint64_t(i), 0, &st);
        QByteArray bytes(qsizetype(st.size), '\0');
        zip_file_t *f = zip_fopen_index(z, zip_uint64_t(i), 0);
        zip_fread(f, bytes.data(), st.size);
        zip_fclose(f);
        out[QString::fromUtf8(st.name)] = bytes;
    }
    if (z)
        zip_discard(z);
    return out;
}
// A copy of a workbook with some parts changed (an empty text removes the part).
QString edited(const QString &dir, const QString &from, const std::map<QString, QByteArray> &changes)
{
    Entries e = entries(from);
    for (const auto &[name, bytes] : changes)
        bytes.isEmpty() ? void(e.erase(name)) : void(e[name] = bytes);
    const QString path = dir + QStringLiteral("/edited.xlsx");
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    for (const auto &[name, bytes] : e)
        zip_file_add(z, name.toUtf8().constData(), zip_source_buffer(z, bytes.constData(), zip_uint64_t(bytes.size()), 0), 0);
    zip_close(z);
    return path;
}
QByteArray sheet(const char *fixture, const char *part) { return entries(data(fixture)).at(QString::fromLatin1(part)); }
QByteArray replaced(QByteArray bytes, const char *from, const QByteArray &to) { return bytes.replace(from, to); }

// Every exchanged column of every row in key order, texts without their padding.
QStringList rowsOf(const BreakdownFixture &fx)
{
    QStringList out;
    auto db = fx.db();
    auto rs = db->openRecordset("SELECT knm, mei, su1, tn1, tk1, kn1, bk1 FROM " + fx.table() + " ORDER BY key1",
                                RecordsetType::Snapshot);
    for (; !rs->eof(); rs->moveNext()) {
        QStringList row;
        for (int i = 0; i < 7; ++i)
            row << (i == 2 || i == 4 || i == 5 ? rs->field(i).toCurrency().toString() : RTrim(rs->field(i).toString()));
        out << row.join(u'|');
    }
    return out;
}
Item item(int key, const QString &name, const QString &mei, const QString &su1, const QString &tn1, const QString &tk1,
          const QString &kn1, const QString &bk1)
{
    Item it = leaf({key}, name, su1, tk1, kn1);
    it.mei = mei, it.tn1 = tn1, it.bk1 = bk1;
    return it;
}
const QString kLongName = "鉄筋コンクリート工事基礎部分一式あいうえおかきくけこさしすせそ";
}  // namespace

struct Failure {
    bool write;
    std::function<QString(const QString &dir)> file;
    QString message;  // how the message begins
    bool transferColumns = false;
};
Q_DECLARE_METATYPE(Failure)
struct Said { QList<const char *> edits; bool transferColumns; QString said, amounts; };
Q_DECLARE_METATYPE(Said)

class TstXlsx : public QObject {
    Q_OBJECT
    QStringList opened;
    void hook(BreakdownFixture &fx)
    {
        opened.clear();
        fx.s().workbook().showWorkbook = [this](const QString &path) { return opened << path, true; };
    }
    void run(BreakdownFixture &fx, int entry, const QString &path, int row = 1)
    {
        hook(fx);
        fx.toRow(row);
        fx.prompts.fileAnswers.push_back(path);
        fx.s().blocks().PU10_Click(entry);
    }

private slots:
    void readsTheRowsASpreadsheetSaved_data()
    {
        // Row 9 again with inline rich text and its reading guide, a formula's cached text with an escape and more
        // than 20 bytes, a boolean and an error in number columns, a unit after a cell without its reference and over
        // 4 bytes, a formula's cached number in exponent form, a number in the remark column.
        const QByteArray row9 =
            R"(<row r="9"><c r="C9" t="inlineStr"><is><r><t>足</t></r><r><t>場</t></r><rPh sb="0" eb="2"><t>アシバ</t></rPh>)"
            R"(</is></c><c r="D9" t="str"><f>A1</f><v>枠_x0031_組ＡＢＣＤＥＦＧＨ</v></c><c r="E9" t="b"><v>1</v></c>)"
            R"(<c t="inlineStr"><is><t>ｍ３／日</t></is></c><c r="G9" t="e"><v>#N/A</v></c>)"
            R"(<c r="H9"><f>1/3</f><v>1.5E-3</v></c><c r="I9"><v>1.25E1</v></c></row>)";
        QTest::addColumn<QByteArray>("row9");
        QTest::addColumn<QString>("read9");
        QTest::addColumn<QString>("total");
        QTest::newRow("as saved") << QByteArray() << "足場|枠組|3|式|120000|360000|" << "1,422,600";
        QTest::newRow("cells of every kind") << row9 << "足場|枠1組ＡＢＣＤＥＦＧ|4|ｍ３|5|0.0015|12.5" << "1,062,600";
    }
    void readsTheRowsASpreadsheetSaved()
    {
        QFETCH(QByteArray, row9);
        QFETCH(QString, read9);
        QFETCH(QString, total);
        BreakdownFixture fx;
        QString path = data("read-sheet2-C7.xlsx");
        if (!row9.isEmpty()) {
            const QByteArray xml = sheet("read-sheet2-C7.xlsx", "xl/worksheets/sheet2.xml");
            const qsizetype at = xml.indexOf(R"(<row r="9")"), end = xml.indexOf("</row>", at) + 6;
            QVERIFY(at >= 0);
            path = edited(fx.dir.path(), path, {{"xl/worksheets/sheet2.xml", QByteArray(xml).replace(at, end - at, row9)}});
        }
        QVERIFY(fx.open({leaf({1024}, "", "0", "0"), leaf({2048}, "", "7", "0", "999"), leaf({3072}, "", "4", "5"),
                         leaf({4096}, "既存", "1", "100", "100")}));
        run(fx, U1Blocks::PU10_ReadXls, path);
        QCOMPARE(fx.prompts.messages(), QStringList());
        // The header above the active cell is not read; the name is cut to 40 bytes, "abc" leaves the quantity and the
        // formula gives its cached amount; the row with a name stops the reading.
        QCOMPARE(rowsOf(fx), QStringList({kLongName.left(20) + "|Ｄ１３　ＳＤ２９５|12.5|ｔ|85000|1062500|備考A",
                                          "型枠工事||7|㎡|-3500.25|0|" + QString(20, u'x'), read9, "既存||1||100|100|"}));
        QCOMPARE(ansiByteLength(fx.value({1024}, "knm").toString()), 40);
        QCOMPARE(fx.total(), total);
        QCOMPARE(fx.name(1), kLongName.left(20));
        QCOMPARE(fx.boxText().trimmed(), kLongName.left(20));
    }

    // The message line says what was read: the rows, or that the sheet holds nothing from the active cell down; a fraction
    // for amounts of whole yen is rounded half to even, as the column converts it, and counted.
    void messageLineSaysWhatWasRead_data()
    {
        cases<Said>({{"active cell at the sheet's last cell", {{R"(activeCell="C7")", R"(activeCell="XFD1048576")"}, false,
                                                               "ワークシート「見積」のセル XFD1048576 から下に読み込む値がありません", "0,999,20,5,100"}},
                     {"fractions for whole yen", {{R"(<c r="H8" s="0" t="n"><v>0<)", R"(<c r="H8" s="0" t="n"><v>1.5<)", "<v>360000</v>", "<v>360000.5</v>"},
                                                  true, "3 行を読み込みました。金額 2 件の円未満を丸めました（0.5 は偶数の側へ）", "1062500,2,360000,5,100"}}});
    }
    void messageLineSaysWhatWasRead()
    {
        QFETCH(Said, c);
        BreakdownFixture fx(c.transferColumns);
        QByteArray xml = sheet("read-sheet2-C7.xlsx", "xl/worksheets/sheet2.xml");
        for (int i = 0; i + 1 < c.edits.size(); i += 2)
            xml = replaced(xml, c.edits[i], c.edits[i + 1]);
        QVERIFY(fx.open({leaf({1024}, "", "0", "0"), leaf({2048}, "", "7", "0", "999"), leaf({3072}, "", "4", "5"),
                         leaf({3584}, "", "0", "0", "5"), leaf({4096}, "既存", "1", "100", "100")}));
        run(fx, U1Blocks::PU10_ReadXls, edited(fx.dir.path(), data("read-sheet2-C7.xlsx"), {{"xl/worksheets/sheet2.xml", xml}}));
        QCOMPARE(fx.prompts.messages(), QStringList());
        QCOMPARE(fx.editor->LblMsg->text(), c.said);
        QCOMPARE(rowsOf(fx).replaceInStrings(QRegularExpression(R"(^(?:[^|]*\|){5}([^|]*).*)"), "\\1").join(u','), c.amounts);
    }

    void writesAtTheActiveCellAndKeepsTheRest()
    {
        BreakdownFixture fx;
        // A price of 0.1, and a lump sum with four decimals that the subtotal row takes over when the editor opens.
        QVERIFY(fx.open({item(1024, "基礎工事", "Ｄ１３", "1.25", "ｍ", "0.1", "0", "備考"),
                         item(2048, "一式", "", "0", "式", "0", "12345.6789", "x"), item(3072, "＠小計", "", "0", "", "0", "0", "")}));
        // Totals of the amounts beside the rows and on the other sheet, with the results of the rows that were there.
        const QByteArray total = R"(<row r="10"><c r="G10" t="n"><f>SUM(G5:G9)</f><v>0</v></c></row></sheetData>)";
        const QByteArray other = R"(</row><row r="2"><c r="A2" t="str"><f>"計 "&amp;SUM(内訳!G5:G9)</f><v>計 0</v></c></row></sheetData>)";
        const QString path = edited(fx.dir.path(), data("write-into-B5.xlsx"),
                                    {{"xl/worksheets/sheet1.xml", replaced(sheet("write-into-B5.xlsx", "xl/worksheets/sheet1.xml"), "</sheetData>", total)},
                                     {"xl/worksheets/sheet2.xml", replaced(sheet("write-into-B5.xlsx", "xl/worksheets/sheet2.xml"), "</row></sheetData>", other)}});
        const Entries before = entries(path);
        run(fx, U1Blocks::PU10_WriteXls, path);
        QCOMPARE(fx.prompts.messages(), QStringList());
        QCOMPARE(opened, QStringList{path});
        const XlsxBook book = XlsxBook::open(path);
        const QStringList want{"基礎工事|Ｄ１３|1.25|ｍ|0.1|0|備考", "一式||0|式|0|12345.6789|x", "＠小計||0||0|12345.6789|"};
        for (int r = 0; r < 3; ++r) {
            QStringList cells;
            for (int c = 2; c <= 8; ++c)
                cells << book.cell(5 + r, c).text;
            QCOMPARE(cells.join(u'|'), want[r]);
        }
        // Four cells were there before, one of them a formula that has no result until a spreadsheet computes it; four
        // of the new ones are empty.
        QCOMPARE(book.cellCount(), 3 + 21 - 4);
        QCOMPARE(book.cell(5, 10).text, "右側は残す");
        const Entries after = entries(path);
        QCOMPARE(after.size(), before.size());
        for (const auto &[name, bytes] : before)
            if (!name.startsWith("xl/worksheets/") && !name.endsWith("workbook.xml"))
                QVERIFY2(after.at(name) == bytes, qPrintable(name));
        for (const char *kept : {R"(<c r="A1" s="0" t="s"><v>0</v></c>)", R"(<c r="C2" s="0"><f aca="false">B2*2</f></c>)",
                                 R"(<c r="J5" s="0" t="s"><v>1</v></c>)"})
            QVERIFY2(after.at("xl/worksheets/sheet1.xml").contains(kept), kept);
        // No formula keeps a result: every spreadsheet program computes the totals of the new rows.
        const QRegularExpression cell(R"(<c\b[^>]*[^/]>((?:(?!</c>).)*)</c>)");
        int formulas = 0;
        for (const auto &[name, bytes] : after)
            for (const auto &m : cell.globalMatch(QString::fromUtf8(bytes)))
                if (name.startsWith("xl/worksheets/") && m.captured(1).contains("<f"))
                    QVERIFY2(++formulas && !m.captured(1).contains("<v"), qPrintable(name + ": " + m.captured(0)));
        QCOMPARE(formulas, 4);
        if (QStandardPaths::findExecutable("soffice").isEmpty())
            QSKIP("LibreOffice is not installed: the totals it computes are not checked");
        QProcess lo;
        lo.start("soffice", {"-env:UserInstallation=" + QUrl::fromLocalFile(fx.dir.filePath("lo")).toString(), "--headless", "--convert-to",
                             "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1", "--outdir", fx.dir.path(), path});
        QVERIFY2(lo.waitForFinished(180000), "LibreOffice did not finish converting the workbook");
        QFile rows(fx.dir.filePath("edited-内訳.csv")), sums(fx.dir.filePath("edited-集計.csv"));
        QVERIFY(rows.open(QIODevice::ReadOnly) && sums.open(QIODevice::ReadOnly));
        QCOMPARE(rows.readAll().split('\n').value(9).split(',').value(6) + '|' + sums.readAll().trimmed().replace('\n', '|'),
                 "24691.3578|1234.5|計 24691.3578");
    }

    void overwrittenFormulasLeaveNoDanglingReferences()
    {
        // B5 starts a formula shared with K5, and Excel's calculation chain lists both.
        BreakdownFixture fx;
        QVERIFY(fx.open({item(1024, "名", "", "1", "", "2", "2", "")}));
        const QByteArray xml = replaced(sheet("write-into-B5.xlsx", "xl/worksheets/sheet1.xml"), R"(<c r="J5" s="0" t="s"><v>1</v></c>)",
                                        R"(<c r="B5"><f t="shared" ref="B5:K5" si="0">A1</f><v>0</v></c><c r="K5"><f t="shared" si="0"/><v>3</v></c>)");
        const auto rels = replaced(sheet("write-into-B5.xlsx", "xl/_rels/workbook.xml.rels"), "</Relationships>",
                                   R"(<Relationship Id="rId9" Type="relationships/calcChain" Target="calcChain.xml"/></Relationships>)");
        const auto types = replaced(sheet("write-into-B5.xlsx", "[Content_Types].xml"), "</Types>",
                                    R"(<Override PartName="/xl/calcChain.xml" ContentType="x"/></Types>)");
        const QString path = edited(fx.dir.path(), data("write-into-B5.xlsx"),
                                    {{"xl/worksheets/sheet1.xml", xml}, {"xl/_rels/workbook.xml.rels", rels},
                                     {"[Content_Types].xml", types}, {"xl/calcChain.xml", R"(<calcChain><c r="B5" i="1"/></calcChain>)"}});
        run(fx, U1Blocks::PU10_WriteXls, path);
        const Entries after = entries(path);
        QVERIFY(!after.count("xl/calcChain.xml"));
        QVERIFY(!after.at("xl/_rels/workbook.xml.rels").contains("calcChain"));
        QVERIFY(!after.at("[Content_Types].xml").contains("calcChain"));
        QVERIFY(after.at("xl/worksheets/sheet1.xml").contains(R"(<c r="K5"><v>3</v></c>)"));
        QCOMPARE(XlsxBook::open(path).cell(5, 2).text, "名");
    }

    void newWorkbookReadsBackEqual_data() { cases<bool>({{"currency columns", false}, {"transfer window's columns", true}}); }
    void newWorkbookReadsBackEqual()
    {
        QFETCH(bool, c);
        // A price with more digits than a double holds must arrive as it left.
        BreakdownFixture from(c), to(c);
        QVERIFY(from.open({item(1024, "基礎工事", "Ｄ１３　ＳＤ２９５", "0.1", "ｍ", "0.1", "0", "備考"),
                           item(2048, "ｶﾀﾜｸ _x0041_", "", "-1.5", "", "12345678901234.5678", "-127500", "半角ｶﾅ"),
                           item(3072, "一式", "", "0", "", "0", "12345.6789", "")}));
        const QString path = from.dir.filePath("新規.xlsx");
        run(from, U1Blocks::PU10_WriteXls, path);
        QCOMPARE(opened, QStringList{path});
        QVERIFY(XlsxBook::open(path).activeCell() == XlsxPos{});
        QVERIFY(to.open({leaf({1024}, "", "0", "0"), leaf({2048}, "", "5", "5", "5"), leaf({3072}, "", "0", "0")}));
        run(to, U1Blocks::PU10_ReadXls, path);
        QCOMPARE(rowsOf(to), rowsOf(from));
        QCOMPARE(to.prompts.messages(), QStringList());
    }

    void nothingToExchange_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("row");
        QTest::newRow("write an empty level") << int(U1Blocks::PU10_WriteXls) << 1;
        QTest::newRow("read on a row with a name") << int(U1Blocks::PU10_ReadXls) << 1;
        QTest::newRow("read on a row with a sub-level") << int(U1Blocks::PU10_ReadXls) << 2;
        QTest::newRow("read on the input row") << int(U1Blocks::PU10_ReadXls) << 3;
    }
    void nothingToExchange()
    {
        QFETCH(int, entry);
        QFETCH(int, row);
        BreakdownFixture fx;
        const bool write = entry == U1Blocks::PU10_WriteXls;
        QVERIFY(fx.open(write ? std::vector<Item>{} : std::vector<Item>{leaf({1024}, "名前", "1", "1", "1"), group({2048}, "")}));
        const QStringList before = rowsOf(fx);
        const QString path = fx.dir.filePath("x.xlsx");
        run(fx, entry, write ? path : data("read-sheet2-C7.xlsx"), row);
        QCOMPARE(fx.prompts.countOf(PromptRecord::File), 0);
        QCOMPARE(fx.prompts.beeps, write ? 0 : 1);
        QCOMPARE(rowsOf(fx), before);
        QVERIFY(!QFile::exists(path) && opened.isEmpty());
    }

    void unfitWorkbooksChangeNothing_data()
    {
        const QString kOpen = U1Workbook::kXlsNotOpened, kSheet = U1Workbook::kXlsNoSheet;
        const QString read = data("read-sheet2-C7.xlsx"), write = data("write-into-B5.xlsx");
        const char *part = "xl/worksheets/sheet2.xml";
        auto file = [](const QByteArray &bytes) {
            return [bytes](const QString &dir) {
                QFile f(dir + "/raw.xlsx");
                return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? f.fileName() : QString();
            };
        };
        auto change = [](const QString &from, const char *name, std::function<QByteArray(QByteArray)> how) {
            return [=](const QString &dir) {
                return edited(dir, from, {{QString::fromLatin1(name), how(entries(from).at(QString::fromLatin1(name)))}});
            };
        };
        QByteArray fixture;
        if (QFile f(read); f.open(QIODevice::ReadOnly))
            fixture = f.readAll();
        QTest::addColumn<Failure>("c");
        QTest::newRow("missing file") << Failure{false, [](const QString &dir) { return dir + "/none.xlsx"; }, kOpen};
        QTest::newRow("not a zip") << Failure{false, file("工事名,数量\r\n"), kOpen};
        QTest::newRow("truncated zip") << Failure{false, file(fixture.left(fixture.size() / 2)), kOpen};
        QTest::newRow("zip without a workbook") << Failure{false, change(read, "xl/workbook.xml", [](QByteArray) { return QByteArray(); }), kOpen};
        QTest::newRow("broken xml") << Failure{false, change(read, part, [](QByteArray x) { return x.left(x.size() - 20); }), kOpen};
        QTest::newRow("missing sheet") << Failure{false, change(read, part, [](QByteArray) { return QByteArray(); }), kSheet};
        QTest::newRow("active tab out of range") << Failure{false, change(read, "xl/workbook.xml", [](QByteArray x) {
            return replaced(x, R"(activeTab="1")", R"(activeTab="7")"); }), kSheet};
        QTest::newRow("active cell out of range") << Failure{false, change(read, part, [](QByteArray x) {
            return replaced(x, R"(activeCell="C7")", R"(activeCell="XFE7")"); }), kSheet};
        QTest::newRow("shared string out of range") << Failure{false, change(read, part, [](QByteArray x) {
            return replaced(x, R"(t="s"><v>6</v>)", R"(t="s"><v>60</v>)"); }), kOpen};
        QTest::newRow("a 65 MB cell") << Failure{false, change(read, part, [](QByteArray x) {
            return replaced(x, "<v>85000</v>", "<v>" + QByteArray(65 << 20, ' ') + "85000</v>"); }), kOpen};
        QTest::newRow("a price beyond money") << Failure{false, change(read, part, [](QByteArray x) {
            return replaced(x, "<v>120000</v>", "<v>1E+20</v>"); }), "ワークシートの 9 行目: セル G9 の 1E+20 は単価の列に入りません"};
        QTest::newRow("an amount beyond whole yen") << Failure{false, change(read, part, [](QByteArray x) {
            return replaced(x, "<v>360000</v>", "<v>2147483647.5</v>"); }), "ワークシートの 9 行目: セル H9 の 2147483647.5 は金額の列に入りません", true};
        QTest::newRow("write into a damaged workbook") << Failure{true, file(fixture.left(fixture.size() / 2)), kOpen};
        QTest::newRow("write into an open workbook") << Failure{true, [write](const QString &dir) {
            QFile(dir + "/.~lock.b.xlsx#").open(QIODevice::WriteOnly);
            return QFile::copy(write, dir + "/b.xlsx") ? dir + "/b.xlsx" : QString(); }, "ワークブックが表計算ソフトで開かれています"};
    }
    void unfitWorkbooksChangeNothing()
    {
        QFETCH(Failure, c);
        BreakdownFixture fx(c.transferColumns);
        QVERIFY(fx.open({leaf({1024}, "", "1", "2", "2"), leaf({2048}, "", "3", "4", "12"), leaf({3072}, "", "5", "6", "30")}));
        const QString path = c.file(fx.dir.path());
        QVERIFY(!path.isEmpty());
        QFile f(path);
        const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        const QStringList before = rowsOf(fx);
        run(fx, c.write ? U1Blocks::PU10_WriteXls : U1Blocks::PU10_ReadXls, path);
        QVERIFY2(fx.prompts.lastMessage()->text.startsWith(c.message), qPrintable(fx.prompts.lastMessage()->text));
        QVERIFY(fx.prompts.lastMessage()->text.endsWith(path));
        QCOMPARE(fx.prompts.countOf(PromptRecord::Message), 1);
        QCOMPARE(rowsOf(fx), before);
        QCOMPARE(fx.total(), "44");
        f.close();
        QCOMPARE(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(), bytes);
        QVERIFY(opened.isEmpty());
    }
};

RZ_REGISTER_TEST(TstXlsx)
#include "tst_xlsx.moc"
