// Block commands of the editor's edit menu driven through F10 as a user chooses them: marking a block, copying it to any level,
// deleting it, row spacing and the amount copy, checked on the rows of the file they leave added and removed.
#include "blockscript.h"

namespace {
// P with 24 rows below, Q with a unit price, X with a sub-tree of three, Y, Z, and W (32 after Z: room for one copied row)
// with a chain down to depth 8.
std::vector<Item> base()
{
    std::vector<Item> items{group({1024}, "P", "24", "9"), leaf({2048}, "Q", "2", "500", "1000"), group({3072}, "X", "300"),
                            group({3072, 1024}, "x1", "100"), leaf({3072, 1024, 512}, "x11", "0", "0", "100"),
                            leaf({3072, 2048}, "x2", "0", "0", "200"), leaf({4096}, "Y", "0", "0", "40"),
                            leaf({5120}, "Z", "0", "0", "50"), group({5152}, "W", "7")};
    for (int k = 1; k <= 24; ++k)
        items.push_back(leaf({1024, k * 1024}, QStringLiteral("p%1").arg(k), "0", "0", "1"));
    for (std::vector<int> path{5152, 1}; path.size() <= 8; path.push_back(1))
        items.push_back(path.size() < 8 ? group(path, QStringLiteral("w%1").arg(path.size()), "7")
                                        : leaf(path, "w8", "0", "0", "7"));
    return items;
}
// The editor on the base rows, each with its depth in lvl.
bool open(BreakdownFixture &f)
{
    f.add(base());
    f.db()->execute(depthOf(8));
    return f.open({});
}
struct Case { QString script, sql, diff, messages{}, total{}, probe{}, probeValue{}, enabled{}; int answer = AnswerOk, beeps = 0; };
const char *kRefuse = "CREATE TRIGGER refuse BEFORE %1 ON TBL00064 WHEN %2.knm = 'Y' BEGIN SELECT RAISE(ABORT, '拒否'); END";
const char *kMany = "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 5800) INSERT INTO TBL00064 "
                    "(key1, key2, lvl, key3, key4, key5, key6, key7, key8, knm, flg, kn1, kn2) SELECT %1, 0, 0, 0, 0, 0, 0, 'n', "
                    "'-         ', 0, 0 FROM n";
const QString kAll = "SELECT DISTINCT key1 FROM TBL00064 ORDER BY key1";
}  // namespace
Q_DECLARE_METATYPE(Case)

class TestBlockOps : public QObject {
    Q_OBJECT
private slots:
    void blockCommands_data()
    {
        const QString x = "+X, %1/1024 +x1, %1/1024/512 -x11, %1/2048 -x2", gone = "!3072 +X, !3072/1024 +x1, !3072/1024/512 -x11, !3072/2048 -x2";
        cases<Case>({
            {"three top rows, work columns 0", {"Q S3 E5 C2", "UPDATE TBL00064 SET int0 = 5, cur0 = 70000, bk4 = 'memo'", "1040 " + x.arg(1040) + ", 1056 -Y, 1072 -Z",
                                                "", "1,811", "SELECT int0, cur0, bk4 FROM TBL00064 WHERE key1 = 1040 AND key3 = 512", "0/0/0"}},
            {"one row with its sub-tree", {"S3 E3 C2", "", "1040 " + x.arg(1040), "", "1,721"}},
            {"in front of the input row", {"S4 E5 C7", "", "5168 -Y, 5184 -Z", "", "1,511"}},
            {"no room after the first", {"S3 E4 C6", "", "5136 " + x.arg(5136), U1Blocks::kBlockNoRoom, "1,721"}},
            {"end before start", {"S4 E3 C2", "", "", U1Blocks::kBlockRangeWrong, "1,421", "", "", "11000110111100"}},
            {"start on another level", {"D3 S1 U E3", "", "", U1Blocks::kBlockRangeWrong}},
            {"level 2 onto level 1", {"D3 S1 E1 U C2", "", "1040 +x1, 1040/512 -x11", "", "1,521"}},
            {"one level deeper", {"S3 E3 D4 C1", "", "4096 +Y, 4096/16 " + x.arg("4096/16") + ", !4096 -Y", "", "300"}},
            {"depth 8 '+' row a leaf", {"S6 E6 D4 C1", "", "4096 +Y, 4096/16 +W, 4096/16/1 +w2, 4096/16/1/1 +w3, 4096/16/1/1/1 +w4, 4096/16/1/1/1/1 +w5, "
                                        "4096/16/1/1/1/1/1 +w6, 4096/16/1/1/1/1/1/1 -w7, 4096/16/1/1/1/1/1/1 -w8, !4096 -Y", "", "7"}},
            {"rows deleted and added since marked", {"S3 E5 Q C2", "DELETE FROM TBL00064 WHERE knm = 'Y'|INSERT INTO TBL00064 (key1, key2, key3, key4, key5, "
                                                     "key6, key7, key8, lvl, knm, flg) VALUES (4600, 0, 0, 0, 0, 0, 0, 0, 1, 'V', '-'), (4096, 5, 0, 0, 0, 0, 0, 0, 2, 'y1', '-')",
                                                     "1040 " + x.arg(1040) + ", 1056 -V, 1072 -Z", "", "1,731"}},
            {"end after a row spacing", {"S3 R E5", "", "?", U1Blocks::kBlockRangeWrong}},
            {"a block without rows", {"S3 E3 Q C2", "DELETE FROM TBL00064 WHERE key1 = 3072", "", "", "1,121"}},
            {"copy refused half-way", {"Q S3 E5 C2", QString(kRefuse).arg("INSERT", "NEW"), "", "拒否", "1,421"}},
            {"delete refused half-way", {"Q S3 E5 X", QString(kRefuse).arg("DELETE", "OLD"), "", "指定ブロックを削除します  6|拒否", "1,421"}},
            {"spacing refused half-way", {"Q R", QString(kRefuse).arg("UPDATE", "NEW").replace("'Y'", "'w8'"), "", "拒否", "1,421"}},
            {"delete of 25 cancelled", {"S1 E1 X", "", "", "指定ブロックを削除します  25", "1,421", "", "", "", AnswerCancel}},
            {"delete", {"S3 E3 X", "", gone, "指定ブロックを削除します  4", "1,121", "", "", "11000110111110"}},
            {"delete only where marked", {"D3 S1 E1 U D4 X", "", "4096 +Y, !4096 -Y", "", "", "", "", "00101110111100"}},
            {"spacing of a block of 40", {"S1 E6 R", "", "?", "", "", kAll, "2560,5120,7680,10240,12800,15360", "11000110111110"}},
            {"spacing of a block of 10", {"S4 E6 R", "", "?", "", "", kAll, "1024,2048,3072,4096,5120,6144"}},
            {"rows 1, 2, 3", {"Q R", "DELETE FROM TBL00064|INSERT INTO TBL00064 (key1, key2, key3, key4, key5, key6, key7, key8, lvl, knm, flg) "
                              "VALUES (1, 0, 0, 0, 0, 0, 0, 0, 1, 'a', '-'), (2, 0, 0, 0, 0, 0, 0, 0, 1, 'b', '+'), (2, 5, 0, 0, 0, 0, 0, 0, 2, 'b1', '-'), "
                              "(3, 0, 0, 0, 0, 0, 0, 0, 1, 'c', '-')", "1024 -a, 2048 +b, 2048/5 -b1, 3072 -c, !1 -a, !2 +b, !2/5 -b1, !3 -c"}},
            {"wrong lvl corrected", {"Q R", "UPDATE TBL00064 SET lvl = 2 WHERE knm = 'x11'", "?", "", "", "SELECT lvl FROM TBL00064 WHERE knm = 'x11'", "3", "", AnswerOk, 1}},
            {"spacing past the largest key", {"Q S1 E1 R", QString(kMany).arg("1024, 100000 + x, 2").append('|').append(QString(kMany).arg("100000 + x, 0, 1")),
                                              "", U1Blocks::kSpacingTooWide}},
            {"estimate to budget", {"V A", "", "?", "", "1,099", "SELECT knm, su2, tk2, kn2 FROM TBL00064 WHERE key2 = 0 ORDER BY key1",
                                    "P/0/0/9,Q/2/500/1000,X/0/0/0,Y/0/0/40,Z/0/0/50,W/0/0/0", "11000111011110"}},
        });
    }
    void blockCommands()
    {
        QFETCH(Case, c);
        BreakdownFixture f;
        QVERIFY(open(f));
        f.prompts.messageAnswers.push_back(c.answer);
        QStringList before = rows(f);
        QVERIFY(run(f, c.script, c.sql, before));
        if (c.diff != "?")
            QCOMPARE(diff(before, rows(f)), c.diff);
        QCOMPARE(f.prompts.messages().join('|'), c.messages);
        QCOMPARE(f.prompts.beeps, c.beeps);
        if (!c.total.isEmpty())
            QCOMPARE(f.total(), c.total);
        if (!c.probe.isEmpty())
            QCOMPARE(f.rowsOf(c.probe).join(','), c.probeValue);
        QString on;
        for (bool b : f.s().blocks().pu10Enabled())
            on += b ? '1' : '0';
        if (!c.enabled.isEmpty())
            QCOMPARE(on, c.enabled);
    }
    // On a server the block commands and F3's paste send their rows together: a block of 400 rows costs the round
    // trips of a block of 10 (a few more to read it in growing blocks), never one per row.
    void blockCommandsOnAServerGoTogether_data()
    {
        cases<QString>({{"block copy", "copy"}, {"block delete", "delete"}, {"estimate to budget", "amounts"}, {"F3 paste of a group", "paste"}});
    }
    void blockCommandsOnAServerGoTogether()
    {
        QFETCH(QString, c);
        if (!rztest::onServer())
            QSKIP("round trips to a server: estimate files on a server only");
        std::vector<qint64> trips;
        for (int n : {10, 400}) {
            BreakdownFixture f;
            // The amount copy works on the level's own rows, the block commands on a group's sub-tree.
            std::vector<Item> items = rztest::rowsUnder(c == "amounts" ? std::vector<int>{} : std::vector<int>{1024}, n);
            if (c != "amounts")
                items.push_back(group({1024}, "G", "0"));
            QVERIFY(f.open(items));
            U1Blocks &b = f.s().blocks();
            f.s().gridCellEntered(1, 1);
            if (c == "paste") {
                f.prompts.menuAnswers = {1};  // コピー
                f.s().Command1_Click(2);
            } else {
                b.PU10_Click(U1Blocks::PU10_Top);
                b.PU10_Click(U1Blocks::PU10_End);
            }
            f.s().gridCellEntered(2, 1);
            const qint64 before = f.shared.DB_Main->traffic().roundTrips;
            if (c == "paste") {
                f.prompts.menuAnswers = {2};  // 張り付け
                f.s().Command1_Click(2);
            } else {
                b.PU10_Click(c == "copy" ? U1Blocks::PU10_BCopy : c == "delete" ? U1Blocks::PU10_BDel : U1Blocks::PU10_Copy1);
            }
            trips.push_back(f.shared.DB_Main->traffic().roundTrips - before);
            const int expected = c == "copy" || c == "paste" ? 2 * (n + 1) : c == "delete" ? 0 : n;
            QCOMPARE(f.recordCount(), expected);
            if (c == "amounts")
                QCOMPARE(f.first("SELECT COUNT(*) FROM TBL00064 WHERE kn2 = kn1 AND kn1 <> 0").toLong(), qint64(n));
        }
        const QString said = QStringLiteral("%1 round trips for 10 rows, %2 for 400").arg(trips[0]).arg(trips[1]);
        qInfo("%s: %s", qPrintable(c), qPrintable(said));
        QVERIFY2(trips[1] <= trips[0] + 8, qPrintable(said));
    }
    // The start and the end of a block on the message line.
    void messageLine()
    {
        BreakdownFixture f;
        QVERIFY(open(f));
        QStringList before;
        QVERIFY(run(f, "S3", "", before));
        QCOMPARE(f.editor->LblMsg->text(), "選択ブロック X～");
        QVERIFY(run(f, "E5", "", before));
        QCOMPARE(f.editor->LblMsg->text(), "選択ブロック X～Z");
    }
};

RZ_REGISTER_TEST(TestBlockOps)
#include "tst_blockops.moc"
