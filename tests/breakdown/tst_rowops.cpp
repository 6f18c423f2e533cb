// Row operations of the breakdown editor driven by keys and scripted menus:
// 作成 and its keys and pages, copying a row with its sub-tree and pasting
// it, deleting with the question for a group row, provisional deletion and
// release, and the edit menu's entries.
#include "breakdownfixture.h"
#include "store/format.h"
#include "store/vbconv.h"
#include "support/testmain.h"

#include <QLabel>
#include <QtTest>

using namespace rz;
using rztest::BreakdownFixture;
using rztest::cy;
using rztest::Item;
using rztest::group;
using rztest::leaf;
using rztest::rowsUnder;

namespace {

enum CopyMenu { Cut, Copy, Paste };
enum DelMenu { Delete, ProvisionalDelete, Release };

// A group of 1,000 at key 1024 with two levels below it, and a row of 500.
std::vector<Item> groupWithSubTree()
{
    return {group({1024}, "躯体", "1000"),
            group({1024, 1024}, "基礎", "700"),
            leaf({1024, 1024, 1024}, "型枠", "1", "700", "700"),
            leaf({1024, 2048}, "鉄筋", "1", "300", "300"),
            leaf({2048}, "仮設", "1", "500", "500")};
}

// Every row of the table as "key1/key2/key3 name", in key order.
QStringList treeOf(BreakdownFixture &f)
{
    auto db = f.db();
    auto rs = db->openRecordset(QStringLiteral("SELECT * FROM %1 ORDER BY key1, key2, key3").arg(f.table()),
                                RecordsetType::Snapshot);
    QStringList out;
    for (; !rs->eof(); rs->moveNext())
        out << QStringLiteral("%1/%2/%3 %4")
                   .arg(rs->field("key1").toLong())
                   .arg(rs->field("key2").toLong())
                   .arg(rs->field("key3").toLong())
                   .arg(rs->field("knm").toString().trimmed());
    return out;
}
}  // namespace

class TestRowOps : public QObject {
    Q_OBJECT
private slots:
    void createRow_data()
    {
        QTest::addColumn<bool>("subLevel");
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("row");      // cursor row for F2
        QTest::addColumn<int>("newKey");   // 0: no key fits, F2 beeps
        QTest::addColumn<int>("toRow");    // cursor afterwards
        QTest::addColumn<int>("toPage");
        QTest::newRow("between 2048 and 3072") << false << QList<int>{1024, 2048, 3072} << 3 << 2560 << 3 << 1;
        QTest::newRow("before the first row") << false << QList<int>{1024, 2048} << 1 << 512 << 1 << 1;
        QTest::newRow("on the input row") << false << QList<int>{1024, 2048, 3072} << 4 << 4096 << 5 << 1;
        QTest::newRow("between adjacent keys") << false << QList<int>{1024, 1025} << 2 << 0 << 2 << 1;
        QList<int> nineteen, eighteen;
        for (int k = 1; k <= 19; ++k)
            nineteen << k * 1024;
        eighteen = nineteen.mid(0, 18);
        QTest::newRow("full page opens the next") << false << nineteen << 20 << 20 * 1024 << 1 << 2;
        QTest::newRow("full first page of a sub-level") << true << eighteen << 19 << 19 * 1024 << 1 << 2;
        QTest::newRow("sub-level input row") << true << QList<int>{1024} << 2 << 2048 << 3 << 1;
    }
    void createRow()
    {
        QFETCH(bool, subLevel);
        QFETCH(QList<int>, keys);
        QFETCH(int, row);
        QFETCH(int, newKey);
        QFETCH(int, toRow);
        QFETCH(int, toPage);
        BreakdownFixture f;
        std::vector<int> parent;
        if (subLevel) {
            parent = {4096};
            f.add({group(parent, "親")});
        }
        for (int i = 0; i < keys.size(); ++i) {
            std::vector<int> path = parent;
            path.push_back(keys[i]);
            f.add({leaf(path, QStringLiteral("行%1").arg(i + 1), "1", "100", "100")});
        }
        QVERIFY(f.openEditor());
        if (subLevel)
            f.press(Qt::Key_F1);
        f.toRow(row, 3);
        const int count = f.recordCount();
        const QString total = f.editor->LblTotal->text();
        f.key(Qt::Key_F2);
        QCOMPARE(f.prompts.beeps, newKey == 0 ? 1 : 0);
        QCOMPARE(f.recordCount(), count + (newKey ? 1 : 0));
        QCOMPARE(f.s().LvlPage[size_t(f.s().CurLvl)], toPage);
        QCOMPARE(f.grid().row(), toRow);
        // On a row the new row copies it, amount included; on the input row it is blank.
        const bool copies = newKey != 0 && row < keys.size() + 1;
        QCOMPARE(f.editor->LblTotal->text(), copies ? Format(*CCur(total) + cy("100"), "##,###,###,###") : total);
        if (newKey == 0)
            return;
        std::vector<int> path = parent;
        path.push_back(newKey);
        QCOMPARE(f.value(path, "knm").toString().trimmed(), copies ? QStringLiteral("行%1").arg(row) : QString());
        QCOMPARE(f.value(path, "flg").toString(), QString("-         "));
        QCOMPARE(f.value(path, "lvl").toLong(), qint64(parent.size() + 1));
        if (toPage == 1 && toRow == row) {
            // Shown where the cursor was; the row that was there moved down.
            QCOMPARE(f.s().RowKey[size_t(row)][0], newKey);
            QCOMPARE(f.grid().text(row, 1).trimmed(), QStringLiteral("行%1").arg(row));
            QCOMPARE(f.grid().text(row + 1, 1).trimmed(), QStringLiteral("行%1").arg(row));
            QCOMPARE(f.grid().col(), 3);
        } else {
            // From the input row onto the new input row, on the next page when this one is full.
            QVERIFY(f.s().isInputRow(toRow));
            QCOMPARE(f.grid().col(), 1);
            QCOMPARE(f.s().RowKey[size_t(toRow)][1], newKey + 1024);
            if (toPage > 1)
                QCOMPARE(f.s().RowKey[0][0], newKey);
        }
        QCOMPARE(f.editor->LblMsg->text(), QString());
    }

    // The path remembers deeper levels visited before; a new row must still
    // belong to the level it is created on.
    void newRowAfterVisitingDeeperLevels()
    {
        BreakdownFixture f;
        f.add(groupWithSubTree());
        QVERIFY(f.openEditor());
        f.key(Qt::Key_F1);
        f.key(Qt::Key_F1);
        QCOMPARE(f.s().CurLvl, 2);
        f.key(Qt::Key_F12);
        f.key(Qt::Key_F12);
        f.toRow(3, 1);
        f.key(Qt::Key_F2);
        QCOMPARE(f.grid().row(), 4);
        QVERIFY(f.s().isInputRow(4));
        QCOMPARE(f.s().RowKey[3][0], 3072);
        QCOMPARE(f.value({3072}, "flg").toString(), QString("-         "));
    }

    void pasteBringsTheWholeSubTree_data()
    {
        QTest::addColumn<bool>("sqlVariant");
        QTest::newRow("48 columns") << false;
        QTest::newRow("47 columns") << true;
    }
    void pasteBringsTheWholeSubTree()
    {
        QFETCH(bool, sqlVariant);
        BreakdownFixture f(sqlVariant);
        f.add(groupWithSubTree());
        QVERIFY(f.openEditor());
        QCOMPARE(f.editor->LblTotal->text(), QString("1,500"));
        f.prompts.menuAnswers = {Copy};
        f.key(Qt::Key_F3);
        const rztest::PromptRecord *menu = f.prompts.lastMenu();
        QCOMPARE(menu->menuEntries, (QStringList{"切り取り", "コピー", "張り付け"}));
        QCOMPARE(menu->menuEnabled, (QList<bool>{false, true, false}));
        QCOMPARE(menu->menuPos, f.editor->globalPointFromTwips(1920, 375));
        QCOMPARE(f.s().CopyFlg, 1);
        // Pasted before 仮設 (key 2048) and again before the copied row itself.
        f.toRow(2, 1);
        f.prompts.menuAnswers = {Paste};
        f.key(Qt::Key_F3);
        QCOMPARE(f.prompts.lastMenu()->menuEnabled, (QList<bool>{false, true, true}));
        QCOMPARE(f.editor->LblTotal->text(), QString("2,500"));
        QCOMPARE(f.grid().text(2, 1).trimmed(), QString("躯体"));
        QCOMPARE(f.grid().text(2, 0), QString("＋"));
        f.toRow(1, 1);
        f.prompts.menuAnswers = {Paste};
        f.key(Qt::Key_F3);
        QCOMPARE(f.editor->LblTotal->text(), QString("3,500"));
        QCOMPARE(treeOf(f), (QStringList{"512/0/0 躯体", "512/1024/0 基礎", "512/1024/1024 型枠", "512/2048/0 鉄筋",
                                         "1024/0/0 躯体", "1024/1024/0 基礎", "1024/1024/1024 型枠",
                                         "1024/2048/0 鉄筋", "1536/0/0 躯体", "1536/1024/0 基礎",
                                         "1536/1024/1024 型枠", "1536/2048/0 鉄筋", "2048/0/0 仮設"}));
        QCOMPARE(f.money({1536, 1024, 1024}, "su1"), cy("1"));
        QCOMPARE(f.money({1536, 1024}, "kn1"), cy("700"));
        // The pasted group opens onto its own copy of the sub-level.
        f.toRow(3, 1);
        f.key(Qt::Key_F1);
        QCOMPARE(f.editor->LblTotal->text(), QString("1,000"));
        QCOMPARE(f.grid().text(1, 1).trimmed(), QString("基礎"));
        QCOMPARE(f.prompts.beeps, 0);
        QCOMPARE(f.prompts.countOf(rztest::PromptRecord::Message), 0);
    }

    void pasteWithoutAFreeKeyBeeps()
    {
        BreakdownFixture f;
        f.add({leaf({1024}, "型枠", "1", "100", "100"), leaf({1025}, "鉄筋", "1", "200", "200")});
        QVERIFY(f.openEditor());
        f.prompts.menuAnswers = {Copy};
        f.key(Qt::Key_F3);
        f.toRow(2, 1);
        f.prompts.menuAnswers = {Paste};
        f.key(Qt::Key_F3);
        QCOMPARE(f.prompts.beeps, 1);
        QCOMPARE(f.recordCount(), 2);
        QCOMPARE(f.s().CopyFlg, 1);  // the copy is still there for a place with room
    }

    void copyLivesOnlyOnItsLevel()
    {
        BreakdownFixture f;
        f.add(groupWithSubTree());
        QVERIFY(f.openEditor());
        f.toRow(2, 1);
        f.prompts.menuAnswers = {Copy};
        f.key(Qt::Key_F3);
        f.toRow(1, 1);
        f.key(Qt::Key_F1);
        f.key(Qt::Key_F3);
        QCOMPARE(f.prompts.lastMenu()->menuEnabled, (QList<bool>{false, true, false}));
        f.key(Qt::Key_F12);
        f.key(Qt::Key_F3);
        QCOMPARE(f.prompts.lastMenu()->menuEnabled, (QList<bool>{false, true, false}));
        QCOMPARE(f.s().CopyFlg, 0);
        f.s().sb_Paste();  // even called directly: nothing
        QCOMPARE(f.recordCount(), 5);
    }

    void pasteAfterTheCopiedRowWasDeleted_data()
    {
        QTest::addColumn<bool>("byTheEditor");
        QTest::newRow("deleted with F4") << true;
        QTest::newRow("deleted behind the editor's back") << false;
    }
    void pasteAfterTheCopiedRowWasDeleted()
    {
        QFETCH(bool, byTheEditor);
        BreakdownFixture f;
        f.add(groupWithSubTree());
        QVERIFY(f.openEditor());
        f.prompts.menuAnswers = {Copy};
        f.key(Qt::Key_F3);
        if (byTheEditor) {
            f.prompts.menuAnswers = {Delete};
            f.key(Qt::Key_F4);
        } else {
            f.s().db().execute(QStringLiteral("DELETE FROM %1 WHERE key1 = 1024").arg(f.table()));
        }
        QCOMPARE(f.recordCount(), 1);
        f.toRow(1, 1);
        f.s().sb_Paste();
        QCOMPARE(f.recordCount(), 1);
        QCOMPARE(f.s().CopyFlg, 0);
        f.key(Qt::Key_F3);
        QCOMPARE(f.prompts.lastMenu()->menuEnabled, (QList<bool>{false, true, false}));
        QCOMPARE(f.prompts.countOf(rztest::PromptRecord::Message), byTheEditor ? 1 : 0);  // the group's question
        QCOMPARE(f.prompts.beeps, byTheEditor ? 0 : 1);  // a paste that finds its rows gone
    }

    // A sub-tree is pasted or deleted whole: when the file refuses one of its
    // rows half-way, none of it has changed.
    void subTreeChangesAreWhole_data()
    {
        QTest::addColumn<bool>("paste");
        QTest::newRow("paste") << true;
        QTest::newRow("delete") << false;
    }
    void subTreeChangesAreWhole()
    {
        QFETCH(bool, paste);
        BreakdownFixture f;
        f.add(groupWithSubTree());
        const QString when = paste ? "BEFORE INSERT ON %1 WHEN NEW.key1 = 1536 AND NEW.key3 = 1024"
                                   : "BEFORE DELETE ON %1 WHEN OLD.key3 = 1024";
        f.db()->execute(QStringLiteral("CREATE TRIGGER refuse ") + QString(when).arg(f.table()) +
                        QStringLiteral(" BEGIN SELECT RAISE(ABORT, '書き込めません'); END"));
        QVERIFY(f.openEditor());
        const QStringList before = treeOf(f);
        if (paste) {
            f.prompts.menuAnswers = {Copy};
            f.key(Qt::Key_F3);
            f.toRow(2, 1);
            f.prompts.menuAnswers = {Paste};
            f.key(Qt::Key_F3);
        } else {
            f.prompts.menuAnswers = {Delete};
            f.key(Qt::Key_F4);
        }
        QCOMPARE(f.prompts.messages().last(), QString("書き込めません"));
        QCOMPARE(treeOf(f), before);
        QCOMPARE(f.editor->LblTotal->text(), QString("1,500"));
        QCOMPARE(f.grid().text(2, 1).trimmed(), QString("仮設"));
    }

    void deleteRow_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");  // empty: deleted without asking
        QTest::addColumn<int>("left");          // records afterwards
        QTest::addColumn<QString>("total");
        QTest::newRow("group row, OK") << 1 << int(AnswerOk) << "躯体を削除します" << 1 << "500";
        QTest::newRow("group row, Cancel") << 1 << int(AnswerCancel) << "躯体を削除します" << 5 << "1,500";
        QTest::newRow("item row") << 2 << int(AnswerOk) << "" << 4 << "1,000";
    }
    void deleteRow()
    {
        QFETCH(int, row);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(int, left);
        QFETCH(QString, total);
        BreakdownFixture f;
        f.add(groupWithSubTree());
        QVERIFY(f.openEditor());
        f.toRow(row, 1);
        f.prompts.messageAnswers = {answer};
        f.prompts.menuAnswers = {Delete};
        f.key(Qt::Key_F4);
        const rztest::PromptRecord *menu = f.prompts.lastMenu();
        QCOMPARE(menu->menuEntries, (QStringList{"削除", "仮削除", "解除"}));
        QCOMPARE(menu->menuEnabled, (QList<bool>{true, true, false}));
        QCOMPARE(menu->menuPos, f.editor->globalPointFromTwips(2880, 375));
        if (question.isEmpty()) {
            QCOMPARE(f.prompts.countOf(rztest::PromptRecord::Message), 0);
        } else {
            QCOMPARE(f.prompts.messages(), QStringList{question});
            QCOMPARE(f.prompts.lastMessage()->style, int(MsgOkCancelInformation));
        }
        QCOMPARE(f.recordCount(), left);
        QCOMPARE(f.editor->LblTotal->text(), total);
        if (left == 1)
            QCOMPARE(treeOf(f), QStringList{"2048/0/0 仮設"});
        // F4 on the input row only beeps.
        f.toRow(f.grid().rows() - 1, 1);
        f.key(Qt::Key_F4);
        QCOMPARE(f.prompts.beeps, 1);
    }

    void provisionalDeletionAndRelease_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("lowered");  // the total while the row is provisionally deleted
        QTest::newRow("item of 1,000") << "撤去" << "1,500";    // 2,500 less the row
        QTest::newRow("subtotal row") << "@小計" << "1,500";  // never part of the total
    }
    void provisionalDeletionAndRelease()
    {
        QFETCH(QString, name);
        QFETCH(QString, lowered);
        BreakdownFixture f;
        f.add({leaf({1024}, "基礎", "1", "1000", "1000"), leaf({2048}, "仮設", "1", "500", "500"),
               leaf({3072}, name, "1", "1000", "1000")});
        QVERIFY(f.openEditor());
        const QString shownTotal = f.editor->LblTotal->text();
        const int row = 3;
        const bool subtotal = name.startsWith('@');
        QCOMPARE(shownTotal, subtotal ? QString("1,500") : QString("2,500"));
        f.toRow(row, 1);
        f.prompts.menuAnswers = {ProvisionalDelete};
        f.key(Qt::Key_F4);
        QCOMPARE(f.editor->LblTotal->text(), lowered);
        QCOMPARE(f.grid().text(row, 0), QString("×"));
        QCOMPARE(f.grid().cellBackColor(row, 1), QColor(160, 160, 160));
        // Written back with the next command; the menu now only offers the release.
        f.prompts.menuAnswers = {Delete};  // disabled: nothing happens
        f.key(Qt::Key_F4);
        QCOMPARE(f.prompts.lastMenu()->menuEnabled, (QList<bool>{false, false, true}));
        QCOMPARE(f.value({3072}, "flg").toString(), QString("-x        "));
        QCOMPARE(f.recordCount(), 3);
        f.key(Qt::Key_F1);  // a provisionally deleted row cannot be opened
        QCOMPARE(f.prompts.beeps, 1);
        f.prompts.menuAnswers = {Release};
        f.key(Qt::Key_F4);
        QCOMPARE(f.editor->LblTotal->text(), shownTotal);
        QCOMPARE(f.grid().text(row, 0), QString("－"));
        QCOMPARE(f.grid().cellBackColor(row, 1), QColor());
        QCOMPARE(f.grid().cellForeColor(row, 1), subtotal ? QColor(0, 0, 255) : QColor());
        f.key(Qt::Key_F12);
        QCOMPARE(f.value({3072}, "flg").toString(), QString("-         "));
        QCOMPARE(f.shared.U1_Kn1, *Currency::parse(QString(shownTotal).remove(u',')));
    }

    void editMenuEnabling_data()
    {
        QTest::addColumn<bool>("inputRow");
        QTest::addColumn<bool>("budget");
        QTest::addColumn<bool>("blockMarked");
        QTest::addColumn<int>("blockLevel");
        QTest::addColumn<QList<bool>>("enabled");
        // 開始 終了 複写 削除 保存 読込 行間 見→予 予→見 Excel保存 Excel読込
        const bool T = true, F = false;
        QTest::newRow("data row") << F << F << F << 0 << QList<bool>{T, T, F, F, F, T, T, F, T, T, T};
        QTest::newRow("input row") << T << F << F << 0 << QList<bool>{F, F, F, F, F, T, T, F, T, T, T};
        QTest::newRow("budget shown") << F << T << F << 0 << QList<bool>{T, T, F, F, F, T, T, T, F, T, T};
        QTest::newRow("block marked here") << F << F << T << 1 << QList<bool>{T, F, T, T, T, T, T, F, T, T, T};
        QTest::newRow("block marked elsewhere") << F << F << T << 2 << QList<bool>{T, F, T, F, T, T, T, F, T, T, T};
    }
    void editMenuEnabling()
    {
        QFETCH(bool, inputRow);
        QFETCH(bool, budget);
        QFETCH(bool, blockMarked);
        QFETCH(int, blockLevel);
        QFETCH(QList<bool>, enabled);
        BreakdownFixture f;
        f.add({leaf({1024}, "型枠", "1", "100", "100")});
        QVERIFY(f.openEditor());
        if (budget)
            f.key(Qt::Key_F5);
        f.s().BlkFlg = blockMarked;
        f.s().BlkLvl = blockLevel;
        f.toRow(inputRow ? 2 : 1, 1);
        f.key(Qt::Key_F10);
        const rztest::PromptRecord *menu = f.prompts.lastMenu();
        QVERIFY(menu);
        QCOMPARE(menu->menuEntries,
                 (QStringList{"ブロック範囲指定開始", "ブロック範囲指定終了", "-", "ブロック複写", "ブロック削除", "-",
                              "ブロック ファイル保存", "ブロック ファイル読込", "-", "行間作成", "-",
                              "見積金額－＞予算金額", "予算金額－＞見積金額", "-", "Excelﾜｰｸｼｰﾄに保存",
                              "Excelﾜｰｸｼｰﾄから読込"}));
        QList<bool> entriesEnabled;  // the separator lines are never enabled
        for (int i = 0; i < menu->menuEntries.size(); ++i)
            if (menu->menuEntries[i] != QStringLiteral("-"))
                entriesEnabled << menu->menuEnabled[i];
            else
                QVERIFY(!menu->menuEnabled[i]);
        QCOMPARE(entriesEnabled, enabled);
        QCOMPARE(menu->menuPos, f.editor->globalPointFromTwips(8880, 375));
    }
};

RZ_REGISTER_TEST(TestRowOps)
#include "tst_rowops.moc"
