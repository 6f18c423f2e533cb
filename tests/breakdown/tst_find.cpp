// 検索 (F9) in the breakdown editor: hits on every level with their path and amount under the master search's fold, a
// provisionally deleted row among them, and Enter going to the hit's level, page and row.
#include "breakdownfixture.h"

namespace {
// Rows "層1".."層8" each under the one before; under 層5 (level 6) 25 rows, the 22nd with a specification and a remark;
// a provisionally deleted row on level 1.
std::vector<Item> deepTree()
{
    std::vector<Item> items;
    std::vector<int> path;
    for (int l = 1; l <= 8; ++l) {
        path.push_back(1024);
        items.push_back(l < 8 ? group(path, QString("層%1").arg(l), "0") : leaf(path, "層8", "2", "50", "100"));
    }
    for (int k = 2; k <= 26; ++k) {
        items.push_back(leaf({1024, 1024, 1024, 1024, 1024, k * 1024}, QString("材%1").arg(k), "1", "7", "7"));
        if (k == 23)
            items.back().mei = "ｓｕｓ304", items.back().bk1 = "現場あわせ";
    }
    items.push_back(leaf({2048}, "仮の足場", "1", "300", "300"));
    items.back().flg = kDeletedFlg;
    return items;
}
struct Found { QString query; QStringList hits; int goLevel, goPage, goRow; };  // hits "level|path|name|amount"
}  // namespace
Q_DECLARE_METATYPE(Found)

class TestFind : public QObject {
    Q_OBJECT
private slots:
    void findsOnEveryLevelAndGoesThere_data()
    {
        const QString path7 = "層1 ＞ 層2 ＞ 層3 ＞ 層4 ＞ 層5 ＞ 層6 ＞ 層7";
        cases<Found>({{"level 8", {"層８", {"8|" + path7 + "|層8|100"}, 7, 1, 1}},
                      {"level 1 only", {"層1", {"1||層1|"}, 0, 1, 1}},
                      {"specification, width and case", {"SUS３０４", {"6|層1 ＞ 層2 ＞ 層3 ＞ 層4 ＞ 層5|材23|7"}, 5, 2, 4}},
                      {"remark, kana", {"アワセ 現場", {"6|層1 ＞ 層2 ＞ 層3 ＞ 層4 ＞ 層5|材23|7"}, 5, 2, 4}},
                      {"provisionally deleted", {"足場", {"1||仮の足場|300"}, 0, 1, 2}},
                      {"nothing", {"鉄骨", {}, -1, 0, 0}}});
    }
    void findsOnEveryLevelAndGoesThere()
    {
        QFETCH(Found, c);
        BreakdownFixture f;
        QVERIFY(f.open(deepTree()));
        f.press(Qt::Key_F1);  // into 層1: the find leaves from a sub-level
        QVERIFY(f.s().find().open());
        f.s().find().setQuery(c.query);
        QStringList hits;
        for (int i = 0; i < int(f.s().find().hits().size()); ++i) {
            const ItemFinder::Row &r = f.s().find().hit(i);
            hits << QString("%1|%2|%3|%4").arg(r.level + 1).arg(r.path, r.name, f.s().find().amountText(i).trimmed());
        }
        QCOMPARE(hits, c.hits);
        if (c.goLevel < 0) {
            QVERIFY(!f.s().find().accept(0));
            return;
        }
        QVERIFY(f.s().find().accept(0));
        QCOMPARE(f.s().level().CurLvl, c.goLevel);
        QCOMPARE(f.s().level().page(), c.goPage);
        QCOMPARE(f.grid().row(), c.goRow);
        QCOMPARE(f.name(f.grid().row()), c.hits.first().section('|', 2, 2));
        if (c.goLevel > 0) {  // up from the level the hit was on, as from any other
            f.press(Qt::Key_F12);
            QCOMPARE(f.s().level().CurLvl, c.goLevel - 1);
        }
    }
};

RZ_REGISTER_TEST(TestFind)
#include "tst_find.moc"
