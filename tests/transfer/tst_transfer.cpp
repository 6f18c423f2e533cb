// The transfer window: copying whole estimates between two files before a
// chosen row, deleting them, and refusing two names of one file.
#include "app/mainsession.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "support/scriptedprompts.h"
#include "support/storefixture.h"
#include "support/testmain.h"
#include "terms/estimateterms.h"
#include "transfer/frmcpy.h"

#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <unistd.h>

using namespace rz;

namespace {

// Two estimate files, the session on them, and a host that moves the focus as the window would.
struct Files : TransferHost, MainHost {
    QTemporaryDir dir;
    Shared shared;
    rztest::ScriptedPrompts prompts;
    std::unique_ptr<TransferSession> s;
    int focused = -1;
    bool opened = false;

    QString engine[3] = {rztest::defaultEngine(), rztest::defaultEngine(), rztest::defaultEngine()};  // where each estimate file is kept ("file" or "server")
    QString path(int n) const { return rztest::storeLocation(engine[n], dir, QStringLiteral("見積%1").arg(n)); }
    // Estimates "工事<key>", each with three rows on three levels.
    void make(int n, const QList<int> &keys)
    {
        sb_MkIdxDB(path(n), 0);
        auto db = openEstimateFile(path(n));
        for (int k : keys) {
            db->execute("INSERT INTO RZTBLIDX (key1, knm, kn1) VALUES (?, ?, ?)",
                        {Value(qint64(k)), Value(QStringLiteral("工事%1").arg(k)), Value(Currency::fromWhole(k))});
            sb_MkUTbl(itemTableName(k), *db);
            for (int i = 1; i <= 3; ++i)
                db->execute("INSERT INTO " + itemTableName(k) + " (key1, key2, key3, knm, kn1) VALUES (1024, ?, ?, ?, ?)",
                            {Value(qint64(i > 1 ? 1024 : 0)), Value(qint64(i > 2 ? 1024 : 0)),
                             Value(QStringLiteral("行%1").arg(i)), Value(Currency::fromWhole(i * 100))});
        }
    }
    bool open()
    {
        shared.DB_Path1 = path(1), shared.DB_Path2 = path(2);
        s = std::make_unique<TransferSession>(shared, prompts, *this);
        return s->load();
    }
    void focus(int l)  // -1: a button takes the focus
    {
        if (focused >= 0 && focused != l)
            s->listLostFocus(focused);
        if ((focused = l) >= 0)
            s->listGotFocus(l);
    }
    // 複　写 with the menu entry chosen.
    void menu(int entry)
    {
        focus(-1);
        prompts.menuAnswers.push_back(entry);
        s->cmdMenu_Click(TransferSession::CmdCopy);
    }
    void copyPaste(int from, int row, int to, int destRow)
    {
        focus(from), s->listClick(from, row), menu(TransferSession::MenuCopy);
        focus(to), s->listClick(to, destRow), menu(TransferSession::MenuPaste);
    }
    QStringList keys(int n) { return rows(n, "SELECT key1 FROM RZTBLIDX ORDER BY key1"); }
    // Every row the statement selects, as text.
    QStringList rows(int n, const QString &sql)
    {
        QStringList out;
        auto db = openEstimateFile(path(n));
        auto rs = db->openRecordset(sql, RecordsetType::Snapshot);
        for (; !rs->eof(); rs->moveNext()) {
            QStringList f;
            for (int i = 0; i < rs->fieldCount(); ++i)
                f << (rs->field(i).isNull() ? "Null" : rs->field(i).toString());
            out << f.join(u'|');
        }
        return out;
    }
    void focusList(int l) override { focus(l); }
    void closeWindow() override {}
    QPoint menuPointBelowButton(int) const override { return {}; }
    QPoint menuPointAtRow(int, int) const override { return {}; }
    void refresh() override {}
    void setButtonsVisible(bool) override {}
    void openIndexWindow() override {}
    void openTransferWindow() override { opened = true; }
    void closeAll() override {}
};

}  // namespace

class TestTransfer : public QObject {
    Q_OBJECT
private slots:
    // The new key lies halfway between the destination row and the one above it, in 32 bits; no room
    // refuses and keeps the copy pending; a file without estimates takes the first key, 64.
    void pasteKeys_data()
    {
        QTest::addColumn<QList<int>>("dest");
        QTest::addColumn<int>("row");
        QTest::addColumn<qint64>("newKey");  // 0: refused
        QTest::addColumn<QStringList>("after");
        QTest::newRow("before a first row of 1024") << QList<int>{1024} << 0 << qint64(512) << QStringList{"512", "1024"};
        QTest::newRow("between 511 and 512") << QList<int>{511, 512} << 1 << qint64(0) << QStringList{"511", "512"};
        QTest::newRow("above 32767") << QList<int>{40000, 70000} << 1 << qint64(55000)
                                     << QStringList{"40000", "55000", "70000"};
        QTest::newRow("no estimates") << QList<int>{} << -1 << qint64(64) << QStringList{"64"};
    }
    void pasteKeys()
    {
        QFETCH(QList<int>, dest);
        QFETCH(int, row);
        QFETCH(qint64, newKey);
        QFETCH(QStringList, after);
        Files f;
        f.make(1, {64, 128});
        f.make(2, dest);
        QVERIFY(f.open());
        f.copyPaste(0, 1, 1, row);
        QCOMPARE(f.prompts.messages().value(0), QString("工事128を複写します。よろしいですか？"));
        const bool refused = newKey == 0;  // the copy stays pending
        QCOMPARE(f.prompts.lastMessage()->title + f.prompts.lastMessage()->text,
                 QString(refused ? "複写エラー複写先の指定行に挿入できませんでした。" : "複写確認複写を終了しました。"));
        QCOMPARE(f.s->CpyMode() + f.s->lblGuide(), QString(refused ? "Copy工事128をどの行に複写しますか？" : ""));
        QCOMPARE(f.keys(2), after);
        QCOMPARE(f.s->lblDB(1), f.path(2) + QString(" 件数= %1 件").arg(after.size()));
        if (!refused)
            QCOMPARE(f.rows(2, "SELECT * FROM " + itemTableName(newKey)), f.rows(1, "SELECT * FROM TBL00128"));
    }

    // A pending copy keeps its source through clicks on other rows and is not offered for paste on the
    // source list; an empty list offers no copy and deletes nothing.
    void pendingCopy()
    {
        Files f;
        f.make(1, {64, 128, 192});
        f.make(2, {});
        QVERIFY(f.open());
        f.focus(0), f.s->listClick(0, 0), f.menu(TransferSession::MenuCopy);
        f.focus(0), f.s->listClick(0, 2);
        f.s->listRightClick(0, {});
        QCOMPARE(f.prompts.lastMenu()->menuEnabled, (QList<bool>{true, false}));
        QVERIFY(f.s->keyDown(Qt::Key_Space));
        QCOMPARE(f.prompts.lastMenu()->menuEnabled, (QList<bool>{true, false}));
        QCOMPARE(f.s->CpySrcKey(), QString("64"));
        f.focus(1), f.s->cmdMenu_Click(TransferSession::CmdDelete);
        QCOMPARE(f.prompts.beeps, 1);
        f.menu(TransferSession::MenuPaste);
        QCOMPARE(f.rows(2, "SELECT key1, knm FROM RZTBLIDX"), QStringList{"64|工事64"});
        f.focus(1), f.s->listRightClick(1, {});  // nothing pending any more
        QCOMPARE(f.prompts.lastMenu()->menuEnabled, (QList<bool>{true, false}));
    }

    // Bound values: apostrophes and statement text intact, Null text as "", Null number as Null. The
    // item table keeps its variant, a missing one arrives empty; a refused one leaves no index row.
    void copiedValues_data()
    {
        QTest::addColumn<QString>("table");  // "" none, "sql" the 47-column variant
        QTest::newRow("definition variant") << "def";
        QTest::newRow("SQL variant") << "sql";
        QTest::newRow("missing item table") << "";
        QTest::newRow("destination refuses the table") << "refused";
    }
    void copiedValues()
    {
        QFETCH(QString, table);
        Files f;
        f.make(1, {});
        f.make(2, {1024});
        auto db = openEstimateFile(f.path(1));
        db->execute("INSERT INTO RZTBLIDX (key1, knm, ad1, hat, kn1, int0) VALUES (64, ?, NULL, ?, NULL, 3)",
                    {Value(" O'Hara's 工事'); DROP TABLE RZTBLIDX; --   "), Value("  発注者  ")});
        if (table == "def" || table == "refused")
            sb_MkUTbl("TBL00064", *db);
        db->execute(itemTableCreateSql(table == "sql" ? 64 : 99));
        if (!table.isEmpty())
            db->execute("INSERT INTO TBL00064 (key1, knm, su1, kn1) VALUES (1, 'a''b', 1.5, 150)");
        EstimateTerms terms;
        terms.issueDate = QStringLiteral("2026-12-06");
        terms.discount = Currency::fromWhole(5000);
        writeTerms(*db, 64, terms);
        const bool refused = table == "refused";
        if (refused)
            openEstimateFile(f.path(2))->execute("CREATE TABLE TBL00512 (x LONG)");
        QVERIFY(f.open());
        f.copyPaste(0, 0, 1, 0);
        QCOMPARE(f.prompts.lastMessage()->style, int(refused ? MsgExclamation : MsgOkCancelExclamation));
        QCOMPARE(f.prompts.messages().contains("複写を終了しました。"), !refused);
        QCOMPARE(f.rows(2, "SELECT knm, ad1, hat, kn1, int0 FROM RZTBLIDX WHERE key1 = 512"),
                 refused ? QStringList() : QStringList{" O'Hara's 工事'); DROP TABLE RZTBLIDX; --||発注者|Null|3"});
        const auto columns = [&](int n, const QString &name) {
            QStringList defs;
            for (const ColumnDef &c : openEstimateFile(f.path(n))->columns(name))
                defs << c.name + '|' + c.declared;
            return defs;
        };
        if (!refused)
            QCOMPARE(columns(2, "TBL00512"), columns(1, table.isEmpty() ? "TBL00099" : "TBL00064"));
        QCOMPARE(f.rows(2, "SELECT * FROM TBL00512"),
                 table.isEmpty() || refused ? QStringList() : f.rows(1, "SELECT * FROM TBL00064"));
        // The conditions go with the estimate, and with a refused copy nowhere.
        QCOMPARE(readTerms(*openEstimateFile(f.path(2)), 512), refused ? std::nullopt : std::optional(terms));
    }

    // Between an estimate file and a server store, either way: the estimate and its rows arrive as they were.
    void betweenEngines_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("file to server") << "file" << "server";
        QTest::newRow("server to file") << "server" << "file";
    }
    void betweenEngines()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        Files f;
        f.engine[1] = from, f.engine[2] = to;
        f.make(1, {64});
        f.make(2, {1024});
        QVERIFY(f.open());
        f.copyPaste(0, 0, 1, 0);
        QVERIFY(f.prompts.messages().contains("複写を終了しました。"));
        QCOMPARE(f.keys(2), QStringList({"512", "1024"}));
        const QString sql = "SELECT key1, key2, key3, knm, kn1 FROM %1 ORDER BY key2, key3";
        QCOMPARE(f.rows(2, sql.arg("TBL00512")), f.rows(1, sql.arg("TBL00064")));
        QCOMPARE(f.rows(2, "SELECT knm, kn1 FROM RZTBLIDX WHERE key1 = 512"), f.rows(1, "SELECT knm, kn1 FROM RZTBLIDX"));
    }

    // Delete takes the row and its table (also a missing one), also from a list its menu left uncoloured.
    void deleteEstimate_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("dropTable");
        QTest::addColumn<bool>("afterMenu");
        QTest::newRow("OK") << int(AnswerOk) << false << false;
        QTest::newRow("Cancel") << int(AnswerCancel) << false << false;
        QTest::newRow("item table missing") << int(AnswerOk) << true << false;
        QTest::newRow("after the popup menu") << int(AnswerOk) << false << true;
    }
    void deleteEstimate()
    {
        QFETCH(int, answer);
        QFETCH(bool, dropTable);
        QFETCH(bool, afterMenu);
        Files f;
        f.make(1, {64});
        f.make(2, {64, 128});
        if (dropTable)
            openEstimateFile(f.path(2))->dropTable("TBL00128");
        writeTerms(*openEstimateFile(f.path(2)), 128, EstimateTerms());
        QVERIFY(f.open());
        f.focus(1), f.s->listClick(1, 1);
        if (afterMenu)
            f.s->listRightClick(1, {}), f.s->listLostFocus(1);  // the menu dismissed, then 削　除 clicked
        f.prompts.messageAnswers.push_back(answer);
        f.s->cmdMenu_Click(TransferSession::CmdDelete);
        QCOMPARE(f.prompts.messages().value(0), QString("工事128を削除します。よろしいですか？"));
        const bool gone = answer == AnswerOk;
        QCOMPARE(f.keys(2).join(" "), QString(gone ? "64" : "64 128"));
        QCOMPARE(openEstimateFile(f.path(2))->tableExists("TBL00128"), !gone && !dropTable);
        QCOMPARE(bool(readTerms(*openEstimateFile(f.path(2)), 128)), !gone);
        QCOMPARE(f.s->lblDB(1), f.path(2) + QString(" 件数= %1 件").arg(gone ? 1 : 2));
        QCOMPARE(f.prompts.messages().size(), 1);
    }

    // 編集 refuses one file under two names, and a file the index window holds.
    void sameFileRefused_data()
    {
        QTest::addColumn<QString>("second");  // the name chosen for file (2)
        QTest::addColumn<QString>("made");    // a link to file (1), or file (2) open in the index window
        QTest::newRow("different files") << "見積2.mdb" << "";
        QTest::newRow("same path") << "見積1.mdb" << "";
        QTest::newRow("with ./") << "./見積1.mdb" << "";
        QTest::newRow("symbolic link") << "link.mdb" << "symbolic";
        QTest::newRow("hard link") << "hard.mdb" << "hard";
        QTest::newRow("open in the index window") << "見積2.mdb" << "index";
        QTest::newRow("two connection files, one schema") << "copy.rzdb" << "connection";
    }
    void sameFileRefused()
    {
        RZ_FILE_ONLY("one file under two names: paths and links");
        QFETCH(QString, second);
        QFETCH(QString, made);
        Files f;
        f.engine[1] = made == "connection" ? "server" : "file";
        f.make(1, {64});
        f.make(2, {64});
        const QString p2 = f.dir.filePath(second);
        if (made == "connection")
            writeConnectionFile(p2, readConnectionFile(f.path(1)));
        if (made == "symbolic")
            QVERIFY(QFile::link(f.path(1), p2));
        if (made == "hard")
            QVERIFY(::link(QFile::encodeName(f.path(1)), QFile::encodeName(p2)) == 0);
        if (made == "index")
            f.shared.DB_Main = openEstimateFile(f.dir.filePath("./見積2.mdb"));
        MainSession main(f.shared, f.prompts, f);
        f.prompts.fileAnswers = {f.path(1), p2};
        main.Command1_Click(MainSession::Transfer);
        const bool refused = second != "見積2.mdb" || made == "index";
        QCOMPARE(f.opened, !refused);
        QCOMPARE(f.prompts.messages().size(), refused ? 1 : 0);
        f.shared.DB_Path2 = p2;
        f.s = std::make_unique<TransferSession>(f.shared, f.prompts, f);
        QCOMPARE(f.s->load(), !refused);
    }

    // The window: the right button selects the row under it, Right and Left move the active (light
    // green) list, a name pasted into a list that was empty fills the list's width, Esc closes.
    void windowKeys()
    {
        Files f;
        f.make(1, {64, 128});
        f.make(2, {});
        openEstimateFile(f.path(1))->execute("UPDATE RZTBLIDX SET knm = '第一見積 ＡＢＣＤ' WHERE key1 = 64");
        f.shared.DB_Path1 = f.path(1), f.shared.DB_Path2 = f.path(2);
        frmCpy w(f.shared, f.prompts);
        QVERIFY(w.start());
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(w.lblDB[1]->text(), f.path(2) + " 件数= 0 件");
        QTest::mouseClick(w.Lst1->viewport(), Qt::RightButton, {}, w.Lst1->visualRect(w.session().list(0).index(2, 1)).center());
        QCOMPARE(w.session().listIndex(0), 1);
        QVERIFY(f.prompts.lastMenu()->kind == rztest::PromptRecord::Menu);
        const QColor green = oleColor(TransferSession::kActiveColour);
        QTest::keyClick(w.Lst1, Qt::Key_Right);
        QTRY_VERIFY(w.Lst2->hasFocus());
        QCOMPARE(w.Lst2->palette().color(QPalette::Base), green);
        QVERIFY(w.Lst1->palette().color(QPalette::Base) != green);
        QTest::keyClick(w.Lst2, Qt::Key_Left);
        QTRY_COMPARE(w.Lst1->palette().color(QPalette::Base), green);
        f.prompts.menuAnswers = {TransferSession::MenuCopy, TransferSession::MenuPaste};
        w.session().listClick(0, 0), w.session().cmdMenu_Click(TransferSession::CmdCopy);
        w.session().listGotFocus(1), w.session().cmdMenu_Click(TransferSession::CmdCopy);
        QCOMPARE(w.session().list(1).text(1, 1), "第一見積 ＡＢＣＤ");
        for (const int width : {w.width(), w.width() + 300}) {
            w.resize(width, w.height());
            QTRY_VERIFY(qAbs(w.Lst2->columnWidth(1) - w.Lst2->viewport()->width()) <= 1);
        }
        QTest::keyClick(w.Lst1, Qt::Key_Escape);
        QTRY_VERIFY(!w.isVisible());
    }
};

RZ_REGISTER_TEST(TestTransfer)
#include "tst_transfer.moc"
