// Undo and redo in the breakdown editor on both engines: each command undone after going up a level (the rows, the
// amounts and the roll-up into the rows above as they were) and redone, the edit menu's entries, an undo refused after
// another connection changed the rows, and the bound of the history.
#include "blockscript.h"
#include "master/masterfixture.h"

namespace {
// A group of two levels with two empty rows at its end (keys not yet evenly spaced), and a row beside it.
std::vector<Item> tree()
{
    return {group({1024}, "躯体", "1000"), group({1024, 1024}, "基礎", "700"), leaf({1024, 1024, 1024}, "型枠", "1", "700", "700"),
            leaf({1024, 2048}, "鉄筋", "1", "300", "300"), leaf({1024, 2560}, "", "0", "0"), leaf({1024, 4096}, "", "0", "0"),
            leaf({2048}, "仮設", "1", "500", "500")};
}
// Every row with what the commands change: keys, flag, name, quantities, prices, amounts, rate.
QString dump(BreakdownFixture &f)
{
    QStringList out;
    auto db = f.db();
    auto rs = db->openRecordset("SELECT * FROM TBL00064 ORDER BY key1, key2, key3, key4, key5, key6, key7, key8", RecordsetType::Snapshot);
    for (; !rs->eof(); rs->moveNext()) {
        QStringList row;
        for (int i = 0; i < 8 && rs->field(i).toLong() != 0; ++i)
            row << rs->field(i).toString();
        for (const char *c : {"flg", "knm", "mei", "su1", "tk1", "kn1", "su2", "tk2", "kn2", "rt1"})
            row << rs->field(QString::fromLatin1(c)).toString().trimmed();
        out << row.join('|');
    }
    return out.join('\n');
}
void ctrl(BreakdownFixture &f, Qt::Key key, bool shift = false)
{
    f.key(key, shift ? Qt::ControlModifier | Qt::ShiftModifier : Qt::ControlModifier);
}

struct Command {
    QString name;  // the step's name in the edit menu
    std::function<void(BreakdownFixture &)> run;
};
// An edit-menu entry on a row (0: the cursor stays), its answers queued first.
std::function<void(BreakdownFixture &)> menu(QList<std::pair<int, int>> entries)
{
    return [entries](BreakdownFixture &f) {
        for (auto [row, entry] : entries) {
            if (row)
                f.toRow(row);
            f.s().blocks().PU10_Click(entry);
        }
    };
}
std::function<void(BreakdownFixture &)> keyMenu(int row, Qt::Key key, int answer)
{
    return [=](BreakdownFixture &f) {
        f.toRow(row);
        f.prompts.menuAnswers.push_back(answer);
        f.press(key);
    };
}
}  // namespace
Q_DECLARE_METATYPE(Command)

class TstUndo : public QObject {
    Q_OBJECT
private slots:
    // Each command on level 2, then 戻る to level 1 (the roll-up), then Ctrl+Z: the editor is back on level 2 where the
    // change was and the file as before the command, totals of every level included; Ctrl+Y (or Ctrl+Shift+Z) makes it
    // again as it was after the roll-up.
    void undoesAndRedoesEachCommand_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<Command>("command");
        using B = U1Blocks;
        const QString book = QStringLiteral(RZ_TEST_DATA) + "/read-sheet2-C7.xlsx";
        const QList<std::pair<const char *, Command>> commands{
            {"typed cell", {"入力", [](BreakdownFixture &f) { f.toRow(2, U1Session::ColSu1), f.type("^4"), f.press(Qt::Key_Down); }}},
            {"F2", {"作成", [](BreakdownFixture &f) { f.toRow(2), f.press(Qt::Key_F2); }}},
            {"F3 paste", {"張り付け", [](BreakdownFixture &f) { keyMenu(1, Qt::Key_F3, 1)(f), keyMenu(3, Qt::Key_F3, 2)(f); }}},
            {"F4 delete", {"削除", keyMenu(1, Qt::Key_F4, 0)}},
            {"F4 provisional", {"仮削除", keyMenu(2, Qt::Key_F4, 1)}},
            {"F6 rate", {"掛率", [](BreakdownFixture &f) { f.prompts.inputAnswers.push_back("50"), keyMenu(2, Qt::Key_F6, 0)(f); }}},
            {"block copy", {"ブロック複写", menu({{1, B::PU10_Top}, {2, B::PU10_End}, {5, B::PU10_BCopy}})}},
            {"block delete", {"ブロック削除", menu({{1, B::PU10_Top}, {2, B::PU10_End}, {0, B::PU10_BDel}})}},
            {"row spacing", {"行間作成", menu({{0, B::PU10_MkRowSpc}})}},
            {"amount copy", {"予算金額－＞見積金額", menu({{0, B::PU10_Copy2}})}},
            {"workbook read", {"Excelﾜｰｸｼｰﾄから読込", [book](BreakdownFixture &f) { f.prompts.fileAnswers.push_back(book), menu({{3, B::PU10_ReadXls}})(f); }}},
            {"block file read", {"ブロック ファイル読込", [](BreakdownFixture &f) {
                 const QString file = f.dir.filePath("block.dat");  // a block file keeps each row's depth
                 f.db()->execute("UPDATE TBL00064 SET lvl = CASE WHEN key2 = 0 THEN 1 WHEN key3 = 0 THEN 2 ELSE 3 END");
                 f.prompts.fileAnswers = {file, file};
                 menu({{1, B::PU10_Top}, {2, B::PU10_End}, {0, B::PU10_BFile}, {5, B::PU10_BRead}})(f);
             }}},
            {"master pick", {"単価マスタ", [](BreakdownFixture &f) {
                 auto catalog = std::make_shared<MasterCatalog>();
                 catalog->setLocation(f.dir.filePath("単価マスタ.mdb"), true);
                 catalog->store().merge({masterItem("土工|掘削|床掘り|機械|m3|1200|1000")});
                 f.s().master().setCatalog(catalog);
                 f.toRow(3), f.press(Qt::Key_F7), f.s().master().accept();
             }}},
        };
        for (const QString &engine : {QStringLiteral("file"), QStringLiteral("server")})
            for (const auto &[name, command] : commands)
                QTest::newRow(qPrintable(engine + ' ' + name)) << engine << command;
    }
    void undoesAndRedoesEachCommand()
    {
        QFETCH(QString, engine);
        QFETCH(Command, command);
        BreakdownFixture f(false, engine);
        QVERIFY(f.open(tree()));
        f.press(Qt::Key_F1);  // into 躯体
        const QString before = dump(f);
        command.run(f);
        f.press(Qt::Key_F12);
        QCOMPARE(f.s().level().CurLvl, 0);
        const QString after = dump(f);
        QVERIFY2(after != before, "the command changed nothing");
        f.press(Qt::Key_F10);  // dismissed: only its entries are looked at
        const PromptRecord *m = f.prompts.lastMenu();
        QCOMPARE(m->menuEntries.mid(19), (QStringList{"元に戻す（" + command.name + "）", "やり直し"}));
        QCOMPARE(m->menuEnabled.mid(19), (QList<bool>{true, false}));

        ctrl(f, Qt::Key_Z);
        QCOMPARE(f.prompts.messages().filter(U1Undo::kRefused), QStringList());
        QCOMPARE(f.s().level().CurLvl, 1);
        QCOMPARE(f.s().view().LblUTitle.trimmed(), QString("躯体"));
        QCOMPARE(dump(f), before);
        ctrl(f, engine == "file" ? Qt::Key_Y : Qt::Key_Z, engine != "file");
        QCOMPARE(dump(f), after);
        QCOMPARE(f.s().undo().undoName(), command.name);
    }

    // Another connection's change of a row the step changed refuses the undo: nothing is written and the history stays.
    // A change of another row does not.
    void refusesWhenAnotherConnectionChangedTheRows_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("otherRow");
        QTest::addColumn<bool>("refused");
        for (const QString &engine : {QStringLiteral("file"), QStringLiteral("server")}) {
            QTest::newRow(qPrintable(engine + " same row")) << engine << "2048" << true;
            QTest::newRow(qPrintable(engine + " another row")) << engine << "1024" << false;
        }
    }
    void refusesWhenAnotherConnectionChangedTheRows()
    {
        QFETCH(QString, engine);
        QFETCH(QString, otherRow);
        QFETCH(bool, refused);
        BreakdownFixture f(false, engine);
        QVERIFY(f.open(tree()));
        f.press(Qt::Key_F1);
        f.toRow(2, U1Session::ColSu1), f.type("^4"), f.press(Qt::Key_Down);  // 鉄筋 at 1024/2048: 4 x 300
        QVERIFY(f.s().page().sb_WriteUTbl());
        f.db()->execute("UPDATE TBL00064 SET knm = '他人' WHERE key1 = 1024 AND key2 = " + otherRow + " AND key3 = 0");
        const QString changed = dump(f);
        ctrl(f, Qt::Key_Z);
        QCOMPARE(f.prompts.messages().contains(U1Undo::kRefused), refused);
        QCOMPARE(dump(f) == changed, refused);
        QCOMPARE(f.s().undo().canUndo(), refused);
        QCOMPARE(f.money({1024, 2048}, "kn1"), cy(refused ? "1200" : "300"));
    }

    // A row made, opened and given a row of its own, then left (going up writes its flag and totals): both steps undo,
    // the second finding the row as going up left it, not as changed by someone else.
    void undoesARowMadeThenOpened_data() { engineRows(); }
    void undoesARowMadeThenOpened()
    {
        QFETCH(QString, engine);
        BreakdownFixture f(false, engine);
        QVERIFY(f.open(tree()));
        const QString before = dump(f);
        f.toRow(1), f.press(Qt::Key_F2), f.toRow(1), f.press(Qt::Key_F1);
        QCOMPARE(f.s().level().CurLvl, 1);
        f.press(Qt::Key_F2), f.press(Qt::Key_F12);
        QVERIFY(dump(f) != before);
        ctrl(f, Qt::Key_Z), ctrl(f, Qt::Key_Z);
        QCOMPARE(f.prompts.messages(), QStringList());
        QCOMPARE(dump(f), before);
    }

    // The history keeps the last 100 steps: after 101 typed cells, 100 undos take the row back to the first value typed,
    // and the next undo finds nothing (the quantity was 1 before).
    void keepsTheLastHundredSteps()
    {
        BreakdownFixture f;
        QVERIFY(f.open({leaf({1024}, "行", "1", "10", "10")}));
        for (int n = 2; n <= 102; ++n) {
            f.s().writeCell(1, U1Session::ColSu1, QString::number(n));
            QVERIFY(f.s().page().sb_WriteUTbl());
        }
        QCOMPARE(f.s().undo().steps(), U1Undo::kMaxSteps);
        QVERIFY(f.s().undo().bytes() > 0 && f.s().undo().bytes() < 100 * 1024);
        for (int n = 0; n < U1Undo::kMaxSteps; ++n)
            QVERIFY(f.s().undo().undo());
        QCOMPARE(f.money({1024}, "su1"), cy("2"));
        const int beeps = f.prompts.beeps;
        QVERIFY(!f.s().undo().undo());
        QCOMPARE(f.prompts.beeps, beeps + 1);
    }
};

RZ_REGISTER_TEST(TstUndo)
#include "tst_undo.moc"
