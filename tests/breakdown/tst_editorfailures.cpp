// The editor when things go wrong around it: a value it cannot read, a row
// another program deleted, a write-back the file refuses, a window closed
// in the middle of typing; and F2 on a row, which copies what the row shows.
#include "breakdownfixture.h"

#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>


namespace {
QStringList names(BreakdownFixture &f)
{
    QStringList out;
    auto rs = f.db()->openRecordset("SELECT knm FROM TBL00064 ORDER BY key1, key2", RecordsetType::Snapshot);
    for (; !rs->eof(); rs->moveNext())
        out << rs->field(0).toString().trimmed();
    return out;
}

// What a user does, step by step: a word typed into the cell, a key ("F12", "Esc"), a key with the entry
// chosen in its menu ("F10>9"), or "close" for the close box. False when a failure got out of the editor.
bool run(BreakdownFixture &f, const QString &script)
{
    try {
        for (const QString &step : script.split(' ')) {
            const QStringList keyAndEntry = step.split('>');
            if (keyAndEntry.size() > 1)
                f.prompts.menuAnswers.push_back(keyAndEntry[1].toInt());
            if (step == "close")
                f.editor->close();
            else if (step.at(0).unicode() < 128)
                f.key(QKeySequence(keyAndEntry[0])[0].key());
            else
                f.type(step);
        }
    } catch (const std::exception &e) {
        qWarning("let out: %s", e.what());
        return false;
    }
    return true;
}
}  // namespace

class TestEditorFailures : public QObject {
    Q_OBJECT
private slots:
    // Whichever way the editor closes, the name being typed is stored.
    void closingKeepsTheCellBeingTyped_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : {"F12", "Esc", "close box", "main window closes the child frame"})
            QTest::newRow(how) << QString(how);
    }
    void closingKeepsTheCellBeingTyped()
    {
        QFETCH(QString, how);
        QMdiArea area;  // outlives the fixture, which deletes the editor it frames
        BreakdownFixture f;
        f.add({leaf({1024}, "既存", "1", "100", "100")});
        QVERIFY(f.open({}));
        QMdiSubWindow *sub = area.addSubWindow(f.editor.get());
        sub->setAttribute(Qt::WA_DeleteOnClose, false);
        area.show();
        f.toRow(1, 1);
        f.type("追加工事");
        QVERIFY(f.s().view().overlay.EditFlg);
        if (how == "F12")
            f.key(Qt::Key_F12);
        else if (how == "Esc")
            f.key(Qt::Key_Escape);
        else if (how == "close box")
            f.editor->close();
        else
            QVERIFY(sub->close());
        QVERIFY(!f.s().view().loaded);
        QCOMPARE(names(f), QStringList{"既存追加工事"});
        QVERIFY(f.s().closing().U1_Upd);
    }

    // A quantity another program stored as text: the editor opens and says
    // so, and closing it leaves the estimate's total as it was, not 0.
    void unreadableValueHandsNothingOver()
    {
        RZ_FILE_ONLY("a text in a number column: a server refuses to store it");
        BreakdownFixture f;
        f.add({leaf({1024}, "型枠", "3", "1000", "3000"), leaf({2048}, "鉄筋", "2", "500", "1000")});
        f.db()->execute("UPDATE RZTBLIDX SET kn1 = ?, int0 = 2", {Value(cy("4000"))});
        f.db()->execute("UPDATE TBL00064 SET su1 = '十' WHERE key1 = 2048");
        QVERIFY(f.openIndex({}));
        QTest::keyClick(f.index->Grid1, Qt::Key_F1);
        QVERIFY(f.editor);
        QVERIFY2(!f.prompts.messages().filter("su1").isEmpty(), qPrintable(f.prompts.messages().join('|')));
        QCOMPARE(f.grid().text(2, 1).trimmed(), QString("鉄筋"));
        QCOMPARE(f.grid().text(2, U1Session::ColSu1), QString("？"));
        // Typing in another row still saves it; the unreadable value stays as stored.
        f.toRow(1, U1Session::ColKnm);
        f.type("改");
        f.key(Qt::Key_F12);
        QVERIFY(!f.editor->isVisible());
        QCOMPARE(f.indexField("kn1").toCurrency(), cy("4000"));
        QCOMPARE(f.indexField("int0").toLong(), 2);
        QCOMPARE(names(f), (QStringList{"型枠改", "鉄筋"}));
        auto raw = f.db()->openRecordset("SELECT CAST(su1 AS TEXT) FROM TBL00064 WHERE key1 = 2048", RecordsetType::Snapshot);
        QCOMPARE(raw->field(0).toString(), QString("十"));

        // Typing a quantity over it repairs the row, and the totals count again.
        QTest::keyClick(f.index->Grid1, Qt::Key_F1);
        f.toRow(2, U1Session::ColSu1);
        f.type("4");
        f.key(Qt::Key_F12);
        QCOMPARE(f.indexField("kn1").toCurrency(), cy("5000"));
    }

    // The file refuses the write-back on closing: the user decides, and
    // nothing is handed to the estimate's record when the rows are dropped.
    void refusedWriteBackOnClosing_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("keep the window") << int(AnswerCancel);
        QTest::newRow("close and drop the changes") << int(AnswerOk);
    }
    void refusedWriteBackOnClosing()
    {
        QFETCH(int, answer);
        BreakdownFixture f;
        f.add({leaf({1024}, "型枠", "3", "1000", "3000")});
        f.db()->execute("UPDATE RZTBLIDX SET kn1 = ?", {Value(cy("3000"))});
        QVERIFY(f.openIndex({}));
        QTest::keyClick(f.index->Grid1, Qt::Key_F1);
        QVERIFY(f.editor);
        f.otherProgram("CREATE TRIGGER refuse BEFORE UPDATE ON TBL00064 BEGIN SELECT RAISE(ABORT, 'ディスクがいっぱいです'); END");
        f.toRow(1, U1Session::ColSu1);
        f.type("5");
        f.prompts.messageAnswers = {AnswerOk, answer};  // the engine's message, then the question
        f.editor->close();
        QVERIFY2(f.prompts.messages().contains(U1Session::kDiscardOnClose), qPrintable(f.prompts.messages().join('|')));
        QCOMPARE(f.editor->isVisible(), answer == AnswerCancel);
        QCOMPARE(f.s().view().loaded, answer == AnswerCancel);
        QCOMPARE(f.indexField("kn1").toCurrency(), cy("3000"));
        QCOMPARE(f.money({1024}, "su1"), cy("3"));
        if (answer == AnswerCancel) {
            QCOMPARE(f.grid().text(1, U1Session::ColSu1).trimmed(), QString("5"));  // still there to retry
            f.otherProgram("DROP TRIGGER refuse ON TBL00064");
            f.editor->close();
            QCOMPARE(f.indexField("kn1").toCurrency(), cy("5000"));
        }
    }

    // Another program deletes a row: changed rows reach their own records, never a neighbour's, F1 on the row
    // that is gone opens nothing, and the page is shown anew without it.
    void rowDeletedByAnotherProgram_data()
    {
        QTest::addColumn<bool>("typed");
        QTest::newRow("changed rows written back") << true;
        QTest::newRow("F1 on the deleted row") << false;
    }
    void rowDeletedByAnotherProgram()
    {
        QFETCH(bool, typed);
        BreakdownFixture f;
        f.add(rztest::rowsUnder({}, 4));
        QVERIFY(f.open({}));
        for (int row : {2, 3}) {
            f.toRow(row, U1Session::ColKnm);
            if (typed)
                f.type(QStringLiteral("改%1").arg(row));
        }
        f.toRow(typed ? 4 : 2, U1Session::ColKnm);
        f.db()->execute("DELETE FROM TBL00064 WHERE key1 = 2048");
        QVERIFY(run(f, typed ? "F6 F6" : "F1"));  // 計算 writes the changed rows back first (its menu is dismissed)
        QCOMPARE(f.prompts.messages(), QStringList{U1Page::kRowsGone});
        const QString third = typed ? "行3改3" : "行3";
        QCOMPARE(names(f), (QStringList{"行1", third, "行4"}));
        QCOMPARE(f.grid().text(2, 1).trimmed(), third);
        QCOMPARE(f.grid().rows(), 5);  // three rows and the input row
        QCOMPARE(f.s().level().CurLvl, 0);
        QCOMPARE(f.editor->LblTotal->text(), QString("80"));
    }

    // The server stops under an open window: the next command says the connection is gone, once, and loses
    // nothing (a name typed in the editor stays); once the server is back the same key does its work, with no word
    // of rows deleted by another program.
    void serverRestartedUnderAWindow_data()
    {
        QTest::addColumn<QString>("window");
        QTest::newRow("editor: F12 with a name typed") << "editor";
        QTest::newRow("list: F1") << "list";
    }
    void serverRestartedUnderAWindow()
    {
        QFETCH(QString, window);
        if (!rztest::onServer())
            QSKIP("a server stopped and started: estimate files on a server only");
        QTemporaryDir serverDir;
        const QString state = serverDir.filePath("restart.state"), script = qEnvironmentVariable("RZ_PGSERVER");
        const auto server = [&](const char *cmd) { return QProcess::execute(script, {cmd, state}) == 0; };
        QVERIFY(server("start"));
        auto stop = qScopeGuard([&] { server("stop"); });
        const QByteArray shared = qgetenv("RZ_TEST_PGSTATE");
        qputenv("RZ_TEST_PGSTATE", state.toUtf8());  // the fixture's estimate file on this server
        auto back = qScopeGuard([&] { qputenv("RZ_TEST_PGSTATE", shared); });
        BreakdownFixture f;
        const bool editor = window == "editor";
        if (editor) {
            QVERIFY(f.open(rztest::rowsUnder({}, 3)));
            f.toRow(2, U1Session::ColKnm);
            f.type("改");
        } else {
            QVERIFY(f.openIndex(rztest::rowsUnder({}, 3)));
        }
        const auto command = [&] {
            if (editor)
                return run(f, "F12");
            QTest::keyClick(f.index->Grid1, Qt::Key_F1);
            return true;
        };
        QVERIFY(server("halt"));
        QVERIFY(command());
        const auto said = [&] { return f.prompts.messages().join(" | ").replace(QRegularExpression("\\s+"), " "); };
        const QString lost = said();
        QVERIFY2(f.prompts.messages().size() == 1 && lost.contains("接続が切れました"), qPrintable(lost));
        QCOMPARE(editor ? f.s().view().loaded : bool(f.editor), editor);
        QVERIFY(server("resume"));
        QVERIFY(command());
        QCOMPARE(said(), lost);
        if (editor) {
            QVERIFY(!f.s().view().loaded);
            QCOMPARE(names(f), (QStringList{"行1", "行2改", "行3"}));
        } else {
            QVERIFY(f.editor && f.s().view().loaded);
            QCOMPARE(f.grid().text(3, 1).trimmed(), QString("行3"));
        }
    }

    // Another program deletes a row of the next page: paging there shows the page without it, and says nothing.
    void pageWithoutARowDeletedElsewhere()
    {
        BreakdownFixture f;
        QVERIFY(f.open(rztest::rowsUnder({}, 23)));
        f.db()->execute("DELETE FROM TBL00064 WHERE key1 = 22528");
        QVERIFY(run(f, "PgUp"));
        QCOMPARE(f.prompts.messages(), QStringList());
        QCOMPARE(QStringList({f.name(1), f.name(2), f.grid().text(3, 0)}), QStringList({"行21", "行23", "＊"}));
    }

    // Another program deletes the estimate open in the editor. Whatever the user does next, the editor says so
    // once, writes nothing, and closes; the list no longer shows the estimate.
    void estimateDeletedByAnotherProgram_data()
    {
        QTest::addColumn<QString>("script");
        for (const char *s : {"F2", "改 F12", "改 F1", "F10>9", "改 F10>9", "F4>0", "F3>1", "改 close", "改 F6"})
            QTest::newRow(s) << QString(s);
    }
    void estimateDeletedByAnotherProgram()
    {
        QFETCH(QString, script);
        BreakdownFixture f;
        QVERIFY(f.openIndex(rztest::rowsUnder({}, 2)));
        QTest::keyClick(f.index->Grid1, Qt::Key_F1);
        QVERIFY(f.editor);
        for (const char *sql : {"DELETE FROM RZTBLIDX WHERE key1 = 64", "DROP TABLE TBL00064"})
            f.db()->execute(sql);
        QVERIFY(run(f, script));
        QTRY_VERIFY(!f.editor->isVisible());
        QCOMPARE(f.prompts.messages(), QStringList{U1Session::kEstimateGone});
        QCOMPARE(f.db()->tableNames() + f.db()->indexNames(), QStringList{"RZTBLIDX"});
        QCOMPARE(f.first("SELECT COUNT(*) FROM RZTBLIDX").toLong(), 0);
        QCOMPARE(f.index->session().grid().text(1, 0), QString("＊"));  // the list dropped it
    }

    // Another program changed rows while the editor was open: the totals handed to the list are those of the
    // rows as stored when the editor closes.
    void closingHandsTheStoredTotals_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("script");
        QTest::newRow("row added, F12") << "add" << "F12";
        QTest::newRow("amount changed, F12") << "UPDATE TBL00064 SET kn1 = ?" << "F12";
        QTest::newRow("amount changed, close box") << "UPDATE TBL00064 SET kn1 = ?" << "close";
    }
    void closingHandsTheStoredTotals()
    {
        QFETCH(QString, change);
        QFETCH(QString, script);
        BreakdownFixture f;
        QVERIFY(f.openIndex({leaf({1024}, "一式", "1", "0", "12345")}));
        QTest::keyClick(f.index->Grid1, Qt::Key_F1);
        QCOMPARE(f.total(), QString("12,345"));
        if (change == "add")
            f.add({leaf({2048}, "追加", "1", "0", "1000")});
        else
            f.db()->execute(change, {Value(cy("13345"))});
        QVERIFY(run(f, script));
        QCOMPARE(f.indexField("kn1").toCurrency(), cy("13345"));
        QCOMPARE(f.index->session().grid().text(1, 2), QString("13,345"));
        QCOMPARE(f.indexField("int0").toLong(), f.recordCount());
    }

    // The user and another program changed the same cell since the row was shown: the user is told which row
    // and cell and the other value, and chooses; the other program's change of another column stays.
    void sameCellChangedByTwo_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("keep mine") << int(AnswerOk);
        QTest::newRow("take theirs") << int(AnswerAction);
    }
    void sameCellChangedByTwo()
    {
        QFETCH(int, answer);
        BreakdownFixture f;
        QVERIFY(f.open({leaf({1024}, "型枠", "3", "1000", "3000"), leaf({2048}, "鉄筋", "2", "500", "1000")}));
        f.toRow(2, U1Session::ColKnm);
        f.type("改");
        f.toRow(2, U1Session::ColSu1);
        f.type("^4");
        f.db()->execute("UPDATE TBL00064 SET knm = 'よそ', mei = '他摘要' WHERE key1 = 2048");
        f.prompts.messageAnswers = {answer};
        QVERIFY(run(f, "F6"));
        QCOMPARE(f.prompts.messages().size(), 1);
        const QString asked = f.prompts.lastMessage()->text;
        for (const char *part : {"2 行目", "名称", "よそ", "鉄筋改"})
            QVERIFY2(asked.contains(part), qPrintable(asked));
        const QString kept = answer == AnswerOk ? "鉄筋改" : "よそ";
        QCOMPARE(f.value({2048}, "knm").toString().trimmed(), kept);
        QCOMPARE(f.name(2), kept);
        QCOMPARE(f.value({2048}, "mei").toString(), QString("他摘要"));
        QCOMPARE(f.money({2048}, "su1"), cy("4"));
        QCOMPARE(f.money({2048}, "kn1"), cy("2000"));
    }

    // Another program changed a cell the user also changed: the page write stops before anything of it is stored (the
    // other row typed neither), the user is asked, and the page is then written with the value chosen.
    void conflictingEditStoresNothingUntilDecided_data() { cases<int>({{"keep mine", AnswerOk}, {"take theirs", AnswerAction}}); }
    void conflictingEditStoresNothingUntilDecided()
    {
        QFETCH(int, c);
        BreakdownFixture f;
        QVERIFY(f.open({leaf({1024}, "型枠", "3", "1000", "3000"), leaf({2048}, "鉄筋", "2", "500", "1000")}));
        const QString names = "SELECT knm, su1 FROM TBL00064 ORDER BY key1";
        f.toRow(1, U1Session::ColKnm), f.type("^型枠改"), f.toRow(2, U1Session::ColKnm), f.type("^鉄筋改");
        f.toRow(1, U1Session::ColSu1), f.type("^4");
        f.db()->execute("UPDATE TBL00064 SET knm = 'よそ' WHERE key1 = 2048");
        QStringList stored;
        f.prompts.onMessage = [&] { stored = f.rowsOf(names); };
        f.prompts.messageAnswers = {c};
        QVERIFY(run(f, "F12"));
        QCOMPARE(f.prompts.messages().size(), 1);
        QVERIFY2(f.prompts.messages()[0].contains("他のプログラムが変更しました"), qPrintable(f.prompts.messages()[0]));
        QCOMPARE(stored.join('|').remove(' '), "型枠/3|よそ/2");
        QCOMPARE(f.rowsOf(names).join('|').remove(' '), c == AnswerOk ? "型枠改/4|鉄筋改/2" : "型枠改/4|よそ/2");
    }

    // A file another program holds open for reading: the user is told which file and to try again when that
    // program is done, the engine's words only on a second line; the typing waits in the grid for the retry.
    void fileHeldByAnotherProgram()
    {
        BreakdownFixture f;
        QVERIFY(f.open({leaf({1024}, "型枠", "3", "1000", "3000")}));
        f.shared.DB_Main->setLockWait(50);
        auto reader = f.db();
        reader->execute("BEGIN");
        if (rztest::onServer())  // a server's readers hold up no writer: another program's write to the row does
            reader->execute("UPDATE TBL00064 SET knm = knm");
        else
            QCOMPARE(reader->openRecordset("SELECT COUNT(*) FROM TBL00064", RecordsetType::Snapshot)->field(0).toLong(), 1);
        f.toRow(1, U1Session::ColKnm);
        QVERIFY(run(f, "改 F12"));
        const QStringList lines = f.prompts.lastMessage()->text.split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].contains(f.path()) && lines[0].contains("もう一度"), qPrintable(lines[0]));
        QCOMPARE(lines[1], QString(rztest::onServer() ? "canceling statement due to lock timeout" : "database is locked"));
        QVERIFY(f.editor->isVisible());
        reader->execute("COMMIT");
        QVERIFY(run(f, "F12"));
        QStringList stored;
        QVERIFY_THROWS_NO_EXCEPTION(stored = names(f));  // the file is not left locked
        QCOMPARE(stored, QStringList{"型枠改"});
    }

    // F2 on a row makes a new row before it with what the row shows: an
    // item, whatever the row was, counted in the level total.
    void createRowCopiesTheCursorRow_data()
    {
        QTest::addColumn<QString>("flg");
        QTest::newRow("group row") << rztest::kGroupFlg;
        QTest::newRow("provisionally deleted row") << QString("-x        ");
    }
    void createRowCopiesTheCursorRow()
    {
        QFETCH(QString, flg);
        BreakdownFixture f;
        auto copied = leaf({2048}, "土工事", "2", "250", "500");
        copied.flg = flg;
        copied.mei = "掘削";
        f.add({leaf({1024}, "仮設", "1", "100", "100"), copied, leaf({4096}, "後", "1", "7", "7")});
        if (flg == rztest::kGroupFlg)
            f.add({leaf({2048, 1024}, "下", "1", "500", "500")});
        QVERIFY(f.open({}));
        const QString before = f.editor->LblTotal->text();
        f.toRow(2, U1Session::ColKnm);
        f.press(Qt::Key_F2);
        QCOMPARE(f.prompts.beeps, 0);
        QCOMPARE(f.grid().row(), 2);
        QCOMPARE(f.grid().text(2, 0), QString("－"));
        QCOMPARE(f.grid().text(2, 1).trimmed(), QString("土工事"));
        QCOMPARE(f.grid().text(3, 1).trimmed(), QString("土工事"));
        QCOMPARE(f.value({1536}, "flg").toString(), rztest::kItemFlg);
        QCOMPARE(f.value({1536}, "mei").toString().trimmed(), QString("掘削"));
        QCOMPARE(f.money({1536}, "kn1"), cy("500"));
        QCOMPARE(f.value({2048}, "flg").toString(), flg);  // the original is untouched
        QCOMPARE(f.editor->LblTotal->text(), flg == rztest::kGroupFlg ? QString("1,107") : QString("607"));
        QVERIFY(before != f.editor->LblTotal->text());
        f.key(Qt::Key_F12);
        QCOMPARE(f.s().closing().U1_Kn1, flg == rztest::kGroupFlg ? cy("1107") : cy("607"));
    }
};

RZ_REGISTER_TEST(TestEditorFailures)
#include "tst_editorfailures.moc"
