// Start-up and main window: the buttons and their procedures, the estimate
// list in its child window, closing, and the placement kept.
#include "app/appfolders.h"
#include "app/filechoice.h"
#include "app/frmmain.h"
#include "app/guardedapplication.h"
#include "app/frmsplash.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/version.h"
#include "index/frmuidx.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "store/shared.h"
#include "support/scriptedprompts.h"
#include "support/storefixture.h"
#include "support/testmain.h"

#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

using namespace rz;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The main window's procedures with scripted prompts and a host that records what they ask.
struct SessionRun : MainHost {
    Shared shared;
    rztest::ScriptedPrompts prompts;
    MainSession session{shared, prompts, *this};
    QStringList calls;
    bool buttons = true;
    void setButtonsVisible(bool visible) override { buttons = visible; }
    void openIndexWindow() override { calls << QString("index buttons=%1 busy=%2").arg(buttons).arg(prompts.busy); }
    void openTransferWindow() override {}
    void closeAll() override {}
    // The server form's answer: a schema of the test server, or a server that is not there.
    QString server;
    std::optional<ServerLocation> askServerLocation(const ServerForm &proposed) override
    {
        calls << "server form " + proposed.schema;
        ServerLocation s = rztest::testServer(proposed.schema);
        if (server == "unreachable")
            s.keywords["host"] = "/nonexistent";
        return s;
    }
};

// A child window that notes when it closes and may refuse to.
struct ChildProbe : QWidget {
    ChildProbe(int n, QStringList &log, bool refuse) : n(n), log(log), refuse(refuse) {}
    void closeEvent(QCloseEvent *e) override { log << QString::number(n), e->setAccepted(!refuse); }
    int n;
    QStringList &log;
    bool refuse;
};

QStringList storedPlacement()
{
    auto s = openUserSettings();
    QStringList values;
    for (const char *key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
        values << s->value(QStringLiteral("Settings/") + QLatin1String(key)).toString();
    return values;
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private:
    QTemporaryDir *program_ = nullptr;

private slots:
    void fileDialogModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("0 open") << 0 << false << QStringLiteral("見積書ファイルを開く") << QString();
        QTest::newRow("1 transfer first") << 1 << false << QStringLiteral("見積書ファイル(1)を開く") << QString();
        QTest::newRow("2 transfer second") << 2 << false << QStringLiteral("見積書ファイル(2)を開く [/data/工事/第一.mdb]") << QString();
        QTest::newRow("3 compact") << 3 << false << QStringLiteral("見積書ファイルを最適化する") << QString();
        QTest::newRow("9 still open") << 9 << false << QString() << QString();
        QTest::newRow("10 new") << 10 << true << QStringLiteral("見積書ファイルを作成する") << QStringLiteral("見積書.mdb");
    }
    void fileDialogModes()
    {
        QFETCH(int, mode);
        QFETCH(bool, save);
        QFETCH(QString, title);
        QFETCH(QString, proposed);
        QTemporaryDir program;
        QTemporaryDir elsewhere;
        QDir::setCurrent(elsewhere.path());
        rztest::ScriptedPrompts prompts;
        prompts.fileAnswers.push_back(program.filePath(QStringLiteral("a.mdb")));

        const QString chosen = sb_SelFile(mode, prompts, program.path(), QStringLiteral("/data/工事/第一.mdb"));

        QCOMPARE(chosen, program.filePath(QStringLiteral("a.mdb")));
        QCOMPARE(prompts.records.size(), size_t(1));
        const FileDialogRequest &req = prompts.records[0].file;
        QCOMPARE(req.save, save);
        QCOMPARE(req.mustExist, !save);
        QCOMPARE(req.title, title);
        QCOMPARE(req.proposedName, proposed);
        QCOMPARE(req.filter.section(u'|', 0, 1), QStringLiteral("見積書ファイル(*.mdb *.rzdb)|*.mdb;*.rzdb"));
        QCOMPARE(req.initialDir, program.path());
        // A relative name typed into the dialog lands in the program folder.
        QCOMPARE(QDir::current().canonicalPath(), QDir(program.path()).canonicalPath());

        // Cancel gives an empty path whatever the mode.
        QCOMPARE(sb_SelFile(mode, prompts, program.path(), QString()), QString());
    }

    void init()
    {
        program_ = new QTemporaryDir;
        setProgramFolderForTesting(program_->path());
        openUserSettings()->clear();
    }
    void cleanup()
    {
        setProgramFolderForTesting(QString());
        delete program_;
    }

    // 内訳書作成: the list in a child window without the buttons; a character typed into the list
    // says where names are entered; F12 closes the child window whole and brings the buttons back.
    void estimateListInItsChildWindow()
    {
        Shared shared;
        rztest::ScriptedPrompts prompts;
        frmMain w(shared, prompts);
        w.show();
        w.Command1[0]->click();  // cancelled: nothing opens
        QVERIFY(w.mdiArea()->subWindowList().isEmpty() && w.Pic1->isVisible());
        const QString path = program_->filePath(QStringLiteral("一覧.mdb"));
        sb_MkIdxDB(path, 0);
        prompts.fileAnswers.push_back(path);
        w.Command1[0]->click();
        QVERIFY(w.Pic1->isHidden());
        QCOMPARE(w.mdiArea()->subWindowList().size(), 1);
        auto *list = qobject_cast<FrmUidx *>(w.mdiArea()->subWindowList().constFirst()->widget());
        QVERIFY(list);
        QTest::keyClick(list->Grid1, Qt::Key_A);
        QVERIFY2(list->LblMsg->text().contains(QStringLiteral("表紙(F11)")), qPrintable(list->LblMsg->text()));
        QTest::keyClick(list->Grid1, Qt::Key_F5);
        QCOMPARE(list->LblMsg->text(), QString());
        QTest::keyClick(list->Grid1, Qt::Key_F12);
        QTRY_VERIFY(w.mdiArea()->subWindowList().isEmpty());
        QVERIFY(w.Pic1->isVisible());
    }

    // 新規作成 never overwrites a file and leaves none behind when it fails; a new file is empty and listed.
    // 最適化 keeps the estimates, and reports a file it cannot compact, leaving it as it was.
    void fileCommands_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("existing");  // empty: no file; "db": an estimate file
        QTest::addColumn<int>("style");            // -1: no message
        QTest::addColumn<QString>("message");      // empty: any text
        const int create = MainSession::NewFile, compact = MainSession::Compact;
        QTest::newRow("new file") << create << "新規工事.mdb" << QByteArray() << -1 << "";
        QTest::newRow("new file with the user's default issuer") << create << "発行者.mdb" << QByteArray("issuer") << -1 << "";
        QTest::newRow("new over an existing file") << create << "既存.mdb" << QByteArray("kept elsewhere")
                                                   << int(MsgCritical) << "ファイルが存在するので新規作成できません";
        QTest::newRow("new in a missing folder") << create << "ない/新規.mdb" << QByteArray() << int(MsgExclamation) << "";
        const QString unique = "t" + QUuid::createUuid().toString(QUuid::Id128).left(12);
        QTest::newRow("new on a server") << create << unique + ".rzdb" << QByteArray("server form") << -1 << "";
        QTest::newRow("new on a server not there") << create << unique + ".rzdb" << QByteArray("unreachable") << int(MsgExclamation) << "";
        QTest::newRow("new for a connection file") << create << "接続.rzdb" << QByteArray("connection") << -1 << "";
        QTest::newRow("new over a schema") << create << "既存.rzdb" << QByteArray("schema") << int(MsgCritical)
                                           << "ファイルが存在するので新規作成できません";
        QTest::newRow("compact on a server") << compact << "工事.rzdb" << QByteArray("schema") << int(MsgInformation)
                                             << "サーバーの保守処理で最適化しました";
        QTest::newRow("compact") << compact << "工事.mdb" << QByteArray("db") << -1 << "";
        QTest::newRow("compact not a database") << compact << "工事.mdb" << QByteArray("x") << int(MsgExclamation) << "";
    }
    void fileCommands()
    {
        QFETCH(int, button);
        QFETCH(QString, name);
        QFETCH(QByteArray, existing);
        QFETCH(int, style);
        QFETCH(QString, message);
        SessionRun r;
        const QString path = program_->filePath(name);
        const Issuer issuer{QStringLiteral("株式会社　東和建設"), {}, {}, {}, QStringLiteral("山田"), QStringLiteral("T7123456789012")};
        r.server = existing;
        if (existing == "schema" || existing == "connection") {
            QCOMPARE(rztest::newStoreLocation("server", *program_, QFileInfo(name).completeBaseName()), path);
            if (existing == "schema")
                sb_MkIdxDB(path, 0);
        } else if (existing == "db") {
            sb_MkIdxDB(path, 0);
        } else if (existing == "issuer") {
            writeDefaultIssuer(*openUserSettings(), issuer);
        } else if (!existing.isEmpty() && existing != "server form" && existing != "unreachable") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(existing) > 0);
        }
        const QByteArray before = readAll(path);
        r.prompts.fileAnswers.push_back(path);
        r.session.Command1_Click(button);
        QVERIFY(!r.prompts.records.empty());
        const QString title = button == MainSession::NewFile ? "見積書ファイルを作成する" : "見積書ファイルを最適化する";
        QCOMPARE(r.prompts.records[0].file.title, title);
        QVERIFY(!r.prompts.busy);
        QVERIFY(!QFileInfo::exists(program_->filePath(QStringLiteral("wkfile.mdb"))));
        QCOMPARE(r.prompts.messages().size(), style < 0 ? 0 : 1);
        if (style >= 0) {
            QCOMPARE(r.prompts.lastMessage()->style, style);
            QVERIFY(r.prompts.lastMessage()->text.contains(message));
            QCOMPARE(readAll(path), before);  // unchanged, or still no file
            QCOMPARE(QFileInfo::exists(path), existing != "unreachable" && !existing.isEmpty());
        }
        const bool created = button == MainSession::NewFile && style < 0;
        QStringList calls = created ? QStringList{"index buttons=0 busy=1"} : QStringList();
        // The form comes for a new connection file only, proposing the file's name as the schema.
        if (existing == "server form" || existing == "unreachable")
            calls.prepend("server form " + name.section('.', 0, 0).toLower());
        QCOMPARE(r.calls, calls);
        if (style >= 0)
            return;
        const bool withIssuer = existing == "issuer";
        const QStringList tables = withIssuer ? QStringList{"RZTBLIDX", "RZTBLISS"} : QStringList{"RZTBLIDX"};
        QCOMPARE(openEstimateFile(path)->tableNames(), tables);
        if (withIssuer)
            QCOMPARE(readIssuer(*openEstimateFile(path)), std::optional(issuer));
    }

    // The splash gone and the window where it was before the login; Cancel ends at once. 終了 closes the
    // children last first, one that refuses keeps the program open; the placement is stored unless minimized.
    void startAndClose_data()
    {
        QTest::addColumn<bool>("loginOk");
        QTest::addColumn<int>("refusing");  // 0 = none
        QTest::addColumn<bool>("minimized");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QStringList>("placement");  // stored afterwards
        const QStringList before{"1500", "750", "9000", "6000"}, moved{"-19200", "-300", "9000", "6000"};
        QTest::newRow("all close") << true << 0 << false << QStringList{"3", "2", "1"} << moved;
        QTest::newRow("the middle one refuses") << true << 2 << false << QStringList{"3", "2"} << before;
        QTest::newRow("minimized stores nothing") << true << 0 << true << QStringList{"3", "2", "1"} << before;
        QTest::newRow("login cancelled") << false << 0 << false << QStringList() << QStringList{"", "", "", ""};
    }
    void startAndClose()
    {
        QFETCH(bool, loginOk);
        QFETCH(int, refusing);
        QFETCH(bool, minimized);
        QFETCH(QStringList, order);
        QFETCH(QStringList, placement);
        if (loginOk) {
            auto s = openUserSettings();
            for (const QString kv : {"MainLeft=1500", "MainTop=750", "MainWidth=9000", "MainHeight=6000"})
                s->setValue("Settings/" + kv.section(u'=', 0, 0), kv.section(u'=', 1));
        }
        QDir::setCurrent(QDir::tempPath());
        Shared shared;
        rztest::ScriptedPrompts prompts;
        bool splashGone = true, mainShown = false;
        auto login = [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                splashGone = splashGone && !(qobject_cast<frmSplash *>(w) && w->isVisible());
                mainShown = mainShown || (qobject_cast<frmMain *>(w) && w->isVisible());
            }
            return loginOk;
        };
        auto w = Main(shared, prompts, login, 10);
        QVERIFY(splashGone && mainShown);
        QCOMPARE(shared.Co_Name, companyName());
        QCOMPARE(QDir::current().canonicalPath(), QDir(program_->path()).canonicalPath());
        QCOMPARE(bool(w), loginOk);
        if (w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("RZ90 Version 1.00"));
            QCOMPARE(QRect(w->pos(), w->size()), QRect(100, 50, 600, 400));
            QCOMPARE(w->focusWidget(), w->Command1[0]);
            // The program's own icon on its windows, not the toolkit's.
            QVERIFY(!programIcon().availableSizes().isEmpty());
            QCOMPARE(w->windowIcon().pixmap(32).toImage(), programIcon().pixmap(32).toImage());
            w->move(-1280, -20);  // on a screen to the left
            if (minimized)
                w->setWindowState(Qt::WindowMinimized);
            QStringList log;
            for (int n = 1; n <= 3; ++n)
                w->mdiArea()->addSubWindow(new ChildProbe(n, log, n == refusing))->show();
            w->Command1[4]->click();
            QCOMPARE(log, order);
            QCOMPARE(w->isVisible(), refusing != 0);
        }
        QCOMPARE(storedPlacement(), placement);
    }

    // Where the main window opens: centred on the first run, stored values as far as they are numbers.
    void readPlacement_data()
    {
        QTest::addColumn<QStringList>("stored");  // key=value
        QTest::addColumn<QSize>("screenPixels");
        QTest::addColumn<QRectF>("expected");  // twips: left, top, width, height
        const QSize hd(1920, 1080);
        QTest::newRow("first run, centred") << QStringList() << hd << QRectF(7525, 3600, 13750, 9000);
        QTest::newRow("window wider than screen") << QStringList() << QSize(800, 600) << QRectF(-875, 0, 13750, 9000);
        QTest::newRow("written by hand") << QStringList{"MainWidth= 14000.5 ", "MainLeft=1.5e3", "MainTop=300"} << hd
                                         << QRectF(1500, 300, 14000.5, 9000);
        QTest::newRow("text falls back") << QStringList{"MainWidth=広い", "MainHeight=0", "MainLeft=x", "MainTop="} << hd
                                         << QRectF(7525, 3600, 13750, 9000);
    }
    void readPlacement()
    {
        QFETCH(QStringList, stored);
        QFETCH(QSize, screenPixels);
        QFETCH(QRectF, expected);
        auto settings = openUserSettings();
        for (const QString &kv : stored)
            settings->setValue("Settings/" + kv.section(u'=', 0, 0), kv.section(u'=', 1));
        const MainGeometry g = readMainGeometry(*settings, screenSizeInTwips(screenPixels));
        QCOMPARE(QRectF(g.left, g.top, g.width, g.height), expected);
    }

    // A failure no procedure caught ends its event as a message in the user's words; it never gets out to end
    // the program.
    void uncaughtFailureBecomesAMessage_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("says");
        QTest::newRow("store") << 0 << "この見積書は他のプログラムで削除されました。\nno such table: TBL00128";
        QTest::newRow("other") << 1 << "予期しないエラーが発生しました。";
        QTest::newRow("not a std::exception") << 2 << "予期しないエラーが発生しました。";
    }
    void uncaughtFailureBecomesAMessage()
    {
        QFETCH(int, kind);
        QFETCH(QString, says);
        QStringList shown;
        bool handled = true;
        try {
            handled = GuardedApplication::deliver(
                [&]() -> bool {
                    if (kind == 0)
                        Database::create(program_->filePath("x.mdb"))->execute("SELECT * FROM TBL00128");
                    if (kind == 1)
                        throw std::runtime_error("boom");
                    throw 7;
                },
                [&](const QString &text) { shown << text; });
        } catch (...) {
            QFAIL("the failure got out");
        }
        QVERIFY(!handled);
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith(says), qPrintable(shown[0]));
    }
};

RZ_REGISTER_TEST(TestMainWindow)
#include "tst_mainwindow.moc"
