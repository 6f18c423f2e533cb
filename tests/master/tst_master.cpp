// The unit-price master without the editor: what a search finds under each kind of fold, the narrowing of results
// while typing, imports from workbooks and CSV files in both encodings (all or nothing, bad rows named), the round
// trip through an export, and keeping items in the master window where another user may have changed them.
#include "masterfixture.h"

#include "blocks/blockfile.h"
#include "blocks/xlsxbook.h"
#include "master/masterfile.h"
#include "master/mastersession.h"

#include <map>

namespace {
struct Find { QString stored, query; bool found; };
struct Import { QString kind; QStringList lines; QStringList held; QString message; };
struct Keep { std::function<void(MasterFixture &, MasterSession &)> script; QStringList held; QString message; };

const QString kHeader = "大分類,中分類,名称,規格,単位,見積単価,予算単価,備考,更新日";
const QStringList kBefore{"仮設|足場|単管足場|W600|ｍ2|1000|800"};
const QStringList kHeldBefore{"単管足場|W600|ｍ2|1000|800"};

// The lines written as the kind of file asks: CSV in UTF-8 with or without its mark or in Shift-JIS, or a workbook.
QString writeFile(const QString &dir, const Import &c)
{
    const QString path = dir + (c.kind == "xlsx" ? "/取込.xlsx" : "/取込.csv");
    if (c.kind == "xlsx") {
        std::vector<std::vector<XlsxValue>> rows;
        for (const QString &line : c.lines) {
            rows.emplace_back();
            const std::vector<QStringList> cells = readCsvRows(line.toUtf8(), nullptr);
            for (const QString &cell : cells.front())
                rows.back().push_back({cell.isEmpty() ? XlsxValue::Empty : XlsxValue::Text, cell});
        }
        writeNewXlsxBook(path, rows);
        return path;
    }
    QByteArray bytes = c.kind == "utf8bom" ? QByteArray("\xEF\xBB\xBF") : QByteArray();
    Cp932 cp932;
    for (const QString &line : c.lines) {
        bool lossy = false;
        bytes += (c.kind == "sjis" ? cp932.encode(line, &lossy) : line.toUtf8()) + "\r\n";
    }
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}
}  // namespace
Q_DECLARE_METATYPE(Find)
Q_DECLARE_METATYPE(Import)
Q_DECLARE_METATYPE(Keep)

class TestMaster : public QObject {
    Q_OBJECT
private slots:
    void search_data()
    {
        cases<Find>({{"half-width katakana", {"||アシバ", "ｱｼﾊﾞ", true}},
                     {"hiragana typed", {"||アシバ", "あしば", true}},
                     {"hiragana stored", {"||あしば", "アシバ", true}},
                     {"full-width letters and digits", {"||VP50", "ＶＰ５０", true}},
                     {"letter case", {"||VP管", "vp", true}},
                     {"long vowel typed as a hyphen", {"||コンクリート", "ｺﾝｸﾘ-ﾄ", true}},
                     {"long vowel typed as a full-width minus", {"||コンクリート", "コンクリ－ト", true}},
                     {"half-width voiced marks", {"||バルブ", "ﾊﾞﾙﾌﾞ", true}},
                     {"spacing voiced marks", {"||バルブ", "は゛るふ゛", true}},
                     {"voiced marks still count", {"||バルブ", "ハルフ", false}},
                     {"compatibility forms", {"||床|100㎡", "m2", true}},
                     {"blanks inside a text", {"||単管 足場", "単管足場", true}},
                     {"words in any order", {"||単管足場", "足場　単管", true}},
                     {"every word must be there", {"||単管足場", "足場 鉄骨", false}},
                     {"specification", {"||足場|W=600", "w=600", true}},
                     {"major category", {"仮設工事||足場", "仮設", true}},
                     {"minor category", {"|外部足場|足場", "外部", true}},
                     {"never across two fields", {"||単管足|場", "足場", false}}});
    }
    void search()
    {
        QFETCH(Find, c);
        MasterSearch s(std::make_shared<MasterIndex>(std::vector<MasterItem>{masterItem(c.stored), masterItem("||別の品")}));
        const std::vector<int> found = s.search(c.query);
        QCOMPARE(found.size(), size_t(c.found));
        if (c.found)
            QCOMPARE(s.index().item(found.front()).knm, masterItem(c.stored).knm);
        QCOMPARE(s.search(QString()).size(), size_t(2));
    }
    // Typing, Backspace and typing again give what a search from scratch gives, at every step.
    void narrowing()
    {
        std::vector<MasterItem> items;
        const QStringList words{"足場", "あしば板", "コンクリート", "ｺﾝｸﾘｰﾄ杭", "型枠", "鉄筋", "ガラス", "カラー鋼板"};
        for (int i = 0; i < 400; ++i)
            items.push_back(masterItem(QStringLiteral("||%1 %2|%3").arg(words[i % 8]).arg(i).arg(i % 13)));
        auto index = std::make_shared<MasterIndex>(items);
        MasterSearch typing(index);
        for (const char *q : {"ア", "アシ", "アシバ", "アシ", "あしば板", "", "ｺ", "ｺﾝ", "ｺﾝｸ", "ｺﾝｸﾘｰﾄ 1", "ｺﾝｸﾘｰﾄ 12",
                              "ｺﾝｸﾘｰﾄ 1", "カ", "カﾞ", "ガラ", "1", "12", "1 2", "1 2 足"}) {
            MasterSearch fresh(index);
            QVERIFY2(typing.search(q) == fresh.search(q), q);
        }
    }

    void importFile_data()
    {
        const QStringList good{kHeader, "仮設,足場,単管足場,W600,ｍ2,1200,900,,2025-05-01",
                               "仮設,養生,養生シート,\"1,8×5.4\",枚,650,500,防炎,2025/5/2"};
        const QStringList after{"単管足場|W600|ｍ2|1200|900", "養生シート|1,8×5.4|枚|650|500"};
        auto with = [&](const QString &row, int at) { QStringList l = good; l.insert(at, row); return l; };
        const QString none = MasterSession::kNothingImported;
        cases<Import>({{"UTF-8 with its mark", {"utf8bom", good, after, "取り込みました（追加 1 件、置き換え 1 件）"}},
                       {"UTF-8 without a mark", {"utf8", good, after, "取り込みました（追加 1 件、置き換え 1 件）"}},
                       {"Shift-JIS", {"sjis", good, after, "取り込みました（追加 1 件、置き換え 1 件）"}},
                       {"workbook", {"xlsx", good, after, "取り込みました（追加 1 件、置き換え 1 件）"}},
                       {"columns in another order, one unknown", {"utf8", {"No,単位,名称,見積単価", "1,本,丸太,300"},
                                                                 kHeldBefore + QStringList{"丸太||本|300|0"}, "取り込みました（追加 1 件、置き換え 0 件）"}},
                       {"a price that is no number", {"sjis", with("仮設,,丸太,,本,abc,,,", 2), kHeldBefore,
                                                      none + "\n3 行目: 見積単価「abc」は数値ではありません"}},
                       {"a name too long", {"xlsx", with(",," + QString(21, u'長') + ",,,,,,", 3), kHeldBefore,
                                            none + "\n4 行目: 名称が長すぎます（40バイト、全角20文字まで）"}},
                       {"a price with sen", {"utf8", with(",,丸太,,本,10.5,,,", 1), kHeldBefore,
                                             none + "\n2 行目: 見積単価は円単位の整数で、-9,999,999 から 99,999,999 までです"}},
                       {"a price wider than its cell", {"xlsx", with(",,丸太,,本,100000000,,,", 1), kHeldBefore,
                                                        none + "\n2 行目: 見積単価は円単位の整数で、-9,999,999 から 99,999,999 までです"}},
                       {"a unit the digit shortcut would take", {"utf8", with(",,丸太,,2t,10,,,", 1), kHeldBefore,
                                                                 none + "\n2 行目: 単位の先頭に半角数字は使えません（単位欄では数字が単位の略号です）"}},
                       {"the same name and specification twice", {"xlsx", with(",,単管足場,W600,,5,,,", 3), kHeldBefore,
                                                                   none + "\n4 行目: 名称と規格が 2 行目と同じです"}},
                       {"a date that is none", {"utf8", with(",,丸太,,本,1,,,2025-02-30", 1), kHeldBefore,
                                                none + "\n2 行目: 更新日「2025-02-30」は日付（2025-04-01 の形）ではありません"}},
                       {"no name column", {"utf8", {"品名,単価", "丸太,300"}, kHeldBefore, "取込.csv を読めません。\n1行目の見出しに「名称」の列がありません（見出しに使える名前: 大分類、中分類、名称、規格、単位、見積単価、予算単価、備考、更新日）"}},
                       {"an open quote", {"utf8", with("\"丸太,,", 3), kHeldBefore, "取込.csv を読めません。\n4行目で始まる引用符（\"）が閉じられていません"}}});
    }
    void importFile()
    {
        QFETCH(Import, c);
        MasterFixture f;
        f.fill(kBefore);
        MasterSession s(*f.catalog, f.prompts);
        QVERIFY(s.load());
        f.prompts.fileAnswers.push_back(writeFile(f.dir.path(), c));
        s.importFile();
        c.held.sort();
        QCOMPARE(f.held(), c.held);
        QCOMPARE(f.prompts.lastMessage()->text, c.message);
        QCOMPARE(s.index()->size(), c.held.size());  // the list shows what the master holds
    }
    // An exported master imports into an empty one as it was, every field.
    void exportImport_data() { cases<QString>({{"workbook", "xlsx"}, {"CSV", "csv"}, {"over an older workbook", "old.xlsx"}}); }
    void exportImport()
    {
        QFETCH(QString, c);
        MasterFixture f;
        MasterItem odd = masterItem("内装|\"クロス\", 張り|ｸﾛｽ|SP-1|ｍ2|-1,500|99,999,999");
        odd.bk1 = " 先頭に空白";
        odd.upd = QDate(2024, 12, 31);
        f.catalog->store().merge({masterItem("仮設|足場|単管足場|W600|ｍ2|1000|800"), odd});
        MasterSession out(*f.catalog, f.prompts);
        QVERIFY(out.load());
        const QString file = f.dir.filePath("書出." + c);
        if (c.startsWith("old"))  // replaced whole: nothing of it is left below the rows written
            writeNewXlsxBook(file, std::vector<std::vector<XlsxValue>>(9, std::vector<XlsxValue>(12, {XlsxValue::Text, "古い"})));
        f.prompts.fileAnswers = {file};
        out.exportFile();
        MasterCatalog other;
        other.setLocation(f.dir.filePath("別.mdb"), true);
        MasterSession in(other, f.prompts);
        f.prompts.fileAnswers = {file};
        in.importFile();
        const auto fields = [](const std::vector<MasterItem> &items) {
            QStringList out;
            for (const MasterItem &i : items)
                for (int k = 0; k < kMasterFields; ++k)
                    out << masterFieldText(i, MasterField(k));
            return out;
        };
        QCOMPARE(fields(other.index()->items()), fields(f.catalog->index()->items()));
    }

    void keepItems_data()
    {
        const QStringList texts{"仮設", "", "丸太", "末口9", "本", "300", "240", "", ""};
        // The form of a new item (row -1) or of a listed one, with some fields typed over.
        auto form = [texts](int row, std::map<int, QString> typed) {
            return [=](MasterFixture &, MasterSession &s) {
                MasterTexts t;
                for (int i = 0; i < kMasterFields; ++i)
                    t[size_t(i)] = typed.count(i) ? typed.at(i) : row < 0 ? texts[i] : masterFieldText(s.itemAt(row), MasterField(i));
                s.keepForm(row, t);
            };
        };
        // Another user changes the first item's price after the list was shown.
        auto meanwhile = [](MasterFixture &f, MasterSession &) {
            MasterItem item = *f.catalog->store().find("単管足場", "W600");
            item.tk1 = cy("1,111");
            f.catalog->store().update(item);
        };
        cases<Keep>({{"added", {form(-1, {}), kHeldBefore + QStringList{"丸太|末口9|本|300|240"}, ""}},
                     {"a name and specification taken", {form(-1, {{2, "単管足場"}, {3, "W600"}}), kHeldBefore, MasterSession::kDuplicate}},
                     {"full-width digits in a price", {form(0, {{5, "１，５００"}}), {"単管足場|W600|ｍ2|1500|800"}, ""}},
                     {"a price that is no number", {form(0, {{5, "千円"}}), kHeldBefore, "見積単価「千円」は数値ではありません"}},
                     {"changed by another user meanwhile", {[=](MasterFixture &f, MasterSession &s) { meanwhile(f, s), form(0, {{6, "700"}})(f, s); },
                                                           {"単管足場|W600|ｍ2|1111|800"}, MasterSession::kChangedMeanwhile}},
                     {"deleted", {[](MasterFixture &, MasterSession &s) { s.deleteRows({0}); }, {}, "「単管足場」を単価マスタから削除します"}},
                     {"deleted after another's change", {[=](MasterFixture &f, MasterSession &s) { meanwhile(f, s), s.deleteRows({0}); },
                                                         {"単管足場|W600|ｍ2|1111|800"}, MasterSession::kChangedMeanwhile}}});
    }
    void keepItems()
    {
        QFETCH(Keep, c);
        MasterFixture f;
        f.fill(kBefore);
        MasterSession s(*f.catalog, f.prompts);
        QVERIFY(s.load());
        c.script(f, s);
        c.held.sort();
        QCOMPARE(f.held(), c.held);
        QCOMPARE(f.prompts.lastMessage()->text, c.message);
    }
};

RZ_REGISTER_TEST(TestMaster)
#include "tst_master.moc"
