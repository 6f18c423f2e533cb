// Row operations of the breakdown editor driven by keys and scripted menus: where 作成 puts a row and its key, copying a row
// with its sub-tree and pasting it, deleting with the question for a group row, and provisional deletion and release.
#include "breakdownfixture.h"

namespace {
enum Menu { Cut = 0, Copy = 1, Paste = 2, Delete = 0, ProvisionalDelete = 1, Release = 2 };
// Rows of level 1, of a sub-level, or of level 1 after visiting deeper levels; the cursor row for F2, the new row's key (0:
// none fits, F2 beeps), and the cursor's row and page afterwards.
struct Create { QString where; QList<int> keys; int row, newKey, toRow, toPage; };
struct Deletion { int row, answer; QString question, left, total; };  // left "": the table unchanged

// A group of 1,000 at key 1024 with two levels below it, and a row of 500.
std::vector<Item> groupWithSubTree()
{
    return {group({1024}, "躯体", "1000"), group({1024, 1024}, "基礎", "700"), leaf({1024, 1024, 1024}, "型枠", "1", "700", "700"),
            leaf({1024, 2048}, "鉄筋", "1", "300", "300"), leaf({2048}, "仮設", "1", "500", "500")};
}
// Every row of the table as "key1/key2/key3 name", in key order.
QString treeOf(BreakdownFixture &f)
{
    QStringList rows = f.rowsOf("SELECT key1, key2, key3, knm FROM TBL00064 ORDER BY key1, key2, key3");
    for (QString &r : rows)
        r[r.lastIndexOf(u'/')] = u' ', r = r.trimmed();
    return rows.join(", ");
}
}  // namespace
Q_DECLARE_METATYPE(Create)
Q_DECLARE_METATYPE(Deletion)

class TestRowOps : public QObject {
    Q_OBJECT
private slots:
    // F2 puts the new row before the cursor row with the key halfway between its neighbours, or after the last row; on the
    // input row the cursor follows onto the new input row, on the next page when this one is full.
    void createRow_data()
    {
        const QList<int> nineteen = [] { QList<int> keys; for (int k = 1; k <= 19; ++k) keys << k * 1024; return keys; }();
        cases<Create>({{"between 2048 and 3072", {"top", {1024, 2048, 3072}, 3, 2560, 3, 1}},
                       {"before the first row", {"top", {1024, 2048}, 1, 512, 1, 1}},
                       {"on the input row", {"top", {1024, 2048, 3072}, 4, 4096, 5, 1}},
                       {"between adjacent keys", {"top", {1024, 1025}, 2, 0, 2, 1}},
                       {"full page opens the next", {"top", nineteen, 20, 20 * 1024, 1, 2}},
                       {"full first page of a sub-level", {"sub", nineteen.mid(0, 18), 19, 19 * 1024, 1, 2}},
                       {"sub-level input row", {"sub", {1024}, 2, 2048, 3, 1}},
                       {"after visiting deeper levels", {"deeper", {1024, 2048}, 3, 3072, 4, 1}}});
    }
    void createRow()
    {
        QFETCH(Create, c);
        BreakdownFixture f;
        const std::vector<int> parent = c.where == "sub" ? std::vector<int>{4096} : std::vector<int>{};
        if (c.where == "sub")
            f.add({group(parent, "親")});
        std::vector<Item> rows = rowsUnder(parent, int(c.keys.size()));  // 行1, 行2... on the keys given
        for (size_t i = 0; i < rows.size(); ++i)
            rows[i].path.back() = c.keys.value(int(i));
        f.add(rows);
        // The path keeps the keys of deeper levels visited before.
        QVERIFY(f.open(c.where == "deeper" ? std::vector<Item>{leaf({1024, 512}, "子", "1", "0"), leaf({1024, 512, 256}, "孫", "1", "0")} : std::vector<Item>{}));
        for (Qt::Key k : c.where == "sub"      ? QList<Qt::Key>{Qt::Key_F1}
                         : c.where == "deeper" ? QList<Qt::Key>{Qt::Key_F1, Qt::Key_F1, Qt::Key_F12, Qt::Key_F12}
                                               : QList<Qt::Key>{})
            f.press(k);
        f.toRow(c.row, 3);
        const int count = f.recordCount();
        f.key(Qt::Key_F2);
        QCOMPARE(QPoint(f.prompts.beeps, f.recordCount() - count), c.newKey ? QPoint(0, 1) : QPoint(1, 0));
        QCOMPARE(QPoint(f.s().level().page(), f.grid().row()), QPoint(c.toPage, c.toRow));
        if (c.newKey == 0)
            return;
        const std::vector<int> path = c.where == "sub" ? std::vector<int>{4096, c.newKey} : std::vector<int>{c.newKey};
        // On a row the new row takes what the row shows; on the input row it is blank.
        QCOMPARE(f.value(path, "knm").toString().trimmed(), c.row <= c.keys.size() ? QStringLiteral("行%1").arg(c.row) : QString());
        QCOMPARE(f.value(path, "flg").toString().left(1) + ' ' + f.value(path, "lvl").toString() + ' ' + f.value(path, "rt1").toString() + '/' +
                     f.value(path, "rt2").toString(), QString("- %1 100/100").arg(parent.size() + 1));
        if (c.toPage == 1 && c.toRow == c.row) {  // shown where the cursor was; the row that was there moved down
            QCOMPARE(QString::number(f.s().page().rowKey(c.row)) + ' ' + f.name(c.row + 1), QString("%1 行%2").arg(c.newKey).arg(c.row));
            QCOMPARE(f.grid().col(), 3);
        } else {  // on the new input row, column 1
            QCOMPARE(QPoint(f.s().isInputRow(c.toRow), f.grid().col()), QPoint(1, 1));
            QCOMPARE(QPoint(f.s().page().insertKey(c.toRow), f.s().page().rowKey(0)), QPoint(c.newKey + 1024, c.toPage > 1 ? c.newKey : 0));
        }
    }

    void pasteBringsTheWholeSubTree_data() { cases<bool>({{"48 columns", false}, {"47 columns", true}}); }
    void pasteBringsTheWholeSubTree()
    {
        QFETCH(bool, c);
        BreakdownFixture f(c);
        QVERIFY(f.open(groupWithSubTree()));
        f.prompts.menuAnswers = {Copy};
        f.key(Qt::Key_F3);
        const PromptRecord menu = f.last(PromptRecord::Menu);
        QCOMPARE(menu.menuEntries.join('|') + ' ' + QString::number(f.s().rows().copyFlg()), QString("切り取り|コピー|張り付け 1"));
        QCOMPARE(menu.menuEnabled, (QList<bool>{false, true, false}));
        // Pasted before 仮設 (key 2048) and again before the copied row itself.
        f.toRow(2, 1);
        f.prompts.menuAnswers = {Paste};
        f.key(Qt::Key_F3);
        QCOMPARE(f.last(PromptRecord::Menu).menuEnabled, (QList<bool>{false, true, true}));
        QCOMPARE(f.total() + ' ' + f.grid().text(2, 0) + f.name(2), QString("2,500 ＋躯体"));
        f.toRow(1, 1);
        f.prompts.menuAnswers = {Paste};
        f.key(Qt::Key_F3);
        QCOMPARE(f.total(), QString("3,500"));
        QCOMPARE(treeOf(f), QString("512/0/0 躯体, 512/1024/0 基礎, 512/1024/1024 型枠, 512/2048/0 鉄筋, 1024/0/0 躯体, "
                                    "1024/1024/0 基礎, 1024/1024/1024 型枠, 1024/2048/0 鉄筋, 1536/0/0 躯体, 1536/1024/0 基礎, "
                                    "1536/1024/1024 型枠, 1536/2048/0 鉄筋, 2048/0/0 仮設"));
        QCOMPARE(f.money({1536, 1024, 1024}, "su1").toString() + ' ' + f.amounts({1536, 1024}), QString("1 700/0"));
        // The pasted group opens onto its own copy of the sub-level; the copy does not outlive the level it was made on.
        f.toRow(3, 1);
        f.key(Qt::Key_F1);
        QCOMPARE(f.total() + ' ' + f.name(1), QString("1,000 基礎"));
        f.key(Qt::Key_F3);
        QCOMPARE(f.last(PromptRecord::Menu).menuEnabled, (QList<bool>{false, true, false}));
        f.key(Qt::Key_F12);
        f.key(Qt::Key_F3);
        QCOMPARE(f.last(PromptRecord::Menu).menuEnabled, (QList<bool>{false, true, false}));
        QCOMPARE(f.prompts.beeps + f.prompts.countOf(PromptRecord::Message), 0);
    }

    // Rows pasted afterwards, the copy still held, beeps and messages.
    void pasteRefused_data() { cases<QStringList>({{"no free key", {"key", "0 1 2 "}}, {"copied row deleted with F4", {"F4", "0 0 0 躯体を削除します"}},
                                                   {"copied row deleted behind the editor's back", {"sql", "0 0 1 "}}}); }
    void pasteRefused()
    {
        QFETCH(QStringList, c);
        const QString why = c.value(0);
        BreakdownFixture f;
        QVERIFY(f.open(why == "key" ? std::vector<Item>{leaf({1024}, "型枠", "1", "100"), leaf({1025}, "鉄筋", "1", "200")} : groupWithSubTree()));
        f.prompts.menuAnswers = {Copy, Delete};
        f.key(Qt::Key_F3);
        if (why == "F4")
            f.key(Qt::Key_F4);  // asks for the group: OK
        if (why == "sql")
            f.shared.DB_Main->execute("DELETE FROM TBL00064 WHERE key1 = 1024");
        const int count = f.recordCount();
        f.toRow(why == "key" ? 2 : 1, 1);
        f.prompts.menuAnswers = {Paste};
        f.key(Qt::Key_F3);
        f.s().rows().sb_Paste();  // even called directly
        QCOMPARE(QString("%1 %2 %3 ").arg(f.recordCount() - count).arg(f.s().rows().copyFlg()).arg(f.prompts.beeps) + f.prompts.messages().join(""), c.value(1));
    }

    // A sub-tree pasted or deleted, the changed rows of a page written back, and a level's pass with its roll-up into the row it
    // was opened from each change the file whole: when the file refuses a row half-way, nothing of the change is kept.
    void changesAreWhole_data() { cases<QStringList>({{"paste", {"INSERT ON TBL00064 WHEN NEW.key1 = 1536 AND NEW.key3 = 1024", "1,500 仮設"}},
                                                      {"delete", {"DELETE ON TBL00064 WHEN OLD.key3 = 1024", "1,500 仮設"}},
                                                      {"write-back", {"UPDATE ON TBL00064 WHEN NEW.key1 = 2048", "1,500 改2"}},  // the grid keeps the rows
                                                      {"roll-up", {"UPDATE ON TBL00064 WHEN NEW.key1 = 1024 AND NEW.key2 = 0", ""}}}); }
    void changesAreWhole()
    {
        QFETCH(QStringList, c);
        const QString tag = QTest::currentDataTag(), all = "SELECT key1, key2, key3, knm, kn1, flg FROM TBL00064 ORDER BY key1, key2, key3, knm";
        BreakdownFixture f;
        f.otherProgram("CREATE TRIGGER refuse BEFORE " + c.value(0) + " BEGIN SELECT RAISE(ABORT, '書き込めません'); END");
        QVERIFY(f.open(groupWithSubTree()));
        QStringList before = f.rowsOf(all);
        f.prompts.menuAnswers = {tag == "paste" ? Copy : Delete, Paste};
        if (tag == "paste" || tag == "delete") {
            f.key(tag == "paste" ? Qt::Key_F3 : Qt::Key_F4);
            f.toRow(2, 1);
            f.key(Qt::Key_F3);  // pastes before row 2, or (the group deleted or not) shows the copy menu
        } else if (tag == "write-back") {
            f.type("^改1");
            f.toRow(2);
            f.type("^改2");
            f.key(Qt::Key_F10);  // every command writes the changed rows back first
        } else {
            f.press(Qt::Key_F1);
            f.db()->execute("UPDATE TBL00064 SET tk1 = ? WHERE key2 = 2048", {Value(cy("400"))});  // behind the grid: the pass changes 鉄筋
            before = f.rowsOf(all);
            f.press(Qt::Key_F12);
        }
        QCOMPARE(f.prompts.messages(), (tag == "delete" ? QStringList{"躯体を削除します"} : QStringList{}) << "書き込めません");
        QCOMPARE(f.rowsOf(all), before);
        QVERIFY2(c.value(1).isEmpty() || f.total() + ' ' + f.name(2) == c.value(1), qPrintable(f.total() + ' ' + f.name(2)));
    }

    void deleteRow_data() { cases<Deletion>({{"group row, OK", {1, AnswerOk, "躯体を削除します", "2048/0/0 仮設", "500"}},
                                             {"group row, Cancel", {1, AnswerCancel, "躯体を削除します", "", "1,500"}},
                                             {"item row", {2, AnswerOk, "", "1024/0/0 躯体, 1024/1024/0 基礎, 1024/1024/1024 型枠, 1024/2048/0 鉄筋", "1,000"}}}); }
    void deleteRow()
    {
        QFETCH(Deletion, c);
        BreakdownFixture f;
        QVERIFY(f.open(groupWithSubTree()));
        const QString before = treeOf(f);
        f.toRow(c.row, 1);
        f.prompts.messageAnswers = {c.answer};
        f.prompts.menuAnswers = {Delete};
        f.key(Qt::Key_F4);
        QCOMPARE(f.last(PromptRecord::Menu).menuEntries.join('|'), QString("削除|仮削除|解除"));
        QCOMPARE(f.last(PromptRecord::Menu).menuEnabled, (QList<bool>{true, true, false}));
        QCOMPARE(f.prompts.messages().join("") + ' ' + QString::number(f.last(PromptRecord::Message).style),
                 c.question + ' ' + QString::number(c.question.isEmpty() ? -1 : int(MsgOkCancelInformation)));
        QCOMPARE(treeOf(f) + ' ' + f.total(), (c.left.isEmpty() ? before : c.left) + ' ' + c.total);
        f.toRow(f.grid().rows() - 1, 1);  // F4 on the input row only beeps
        f.key(Qt::Key_F4);
        QCOMPARE(f.prompts.beeps, 1);
    }

    // The total before, and while the row of 1,000 is provisionally deleted.
    void provisionalDeletionAndRelease_data() { cases<QStringList>({{"item", {"撤去", "2,500", "1,500"}}, {"subtotal row", {"@小計", "1,500", "1,500"}}}); }
    void provisionalDeletionAndRelease()
    {
        QFETCH(QStringList, c);
        BreakdownFixture f;
        QVERIFY(f.open({leaf({1024}, "基礎", "1", "1000"), leaf({2048}, "仮設", "1", "500"), leaf({3072}, c.value(0), "1", "1000")}));
        QCOMPARE(f.total(), c.value(1));
        f.toRow(3, 1);
        f.prompts.menuAnswers = {ProvisionalDelete};
        f.key(Qt::Key_F4);
        QCOMPARE(f.total() + ' ' + f.grid().text(3, 0) + ' ' + f.grid().cellBackColor(3, 1).name(), c.value(2) + " × #a0a0a0");
        f.prompts.menuAnswers = {Delete};  // disabled now: nothing happens, but the row is written back
        f.key(Qt::Key_F4);
        QCOMPARE(f.last(PromptRecord::Menu).menuEnabled, (QList<bool>{false, false, true}));
        f.key(Qt::Key_F1);  // a provisionally deleted row cannot be opened: a beep
        QCOMPARE(f.value({3072}, "flg").toString() + QString(" %1 %2").arg(f.recordCount()).arg(f.prompts.beeps), kDeletedFlg + " 3 1");
        f.prompts.menuAnswers = {Release};
        f.key(Qt::Key_F4);
        QCOMPARE(f.total() + ' ' + f.grid().text(3, 0) + ' ' + f.grid().cellBackColor(3, 1).name() + ' ' + f.grid().cellForeColor(3, 1).name(),
                 c.value(1) + " － #000000 " + (c.value(0).startsWith('@') ? "#0000ff" : "#000000"));  // grey no more; a subtotal blue again
        f.key(Qt::Key_F12);
        QCOMPARE(f.value({3072}, "flg").toString() + ' ' + f.s().closing().U1_Kn1.toString(), kItemFlg + ' ' + cy(c.value(1)).toString());
    }
};

RZ_REGISTER_TEST(TestRowOps)
#include "tst_rowops.moc"
