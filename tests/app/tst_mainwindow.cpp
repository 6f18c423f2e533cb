// Start-up, splash and main window: the five buttons, their procedures and closing.
#include "app/appfolders.h"
#include "app/frmmain.h"
#include "app/frmsplash.h"
#include "app/settings.h"
#include "app/startup.h"
#include "app/version.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "store/shared.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace rz;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Records what the procedures ask of the main window.
class FakeHost : public MainHost {
public:
    explicit FakeHost(rztest::ScriptedPrompts &p) : prompts(p) {}
    void setButtonsVisible(bool visible) override
    {
        buttonsVisible = visible;
        calls << (visible ? QStringLiteral("show buttons") : QStringLiteral("hide buttons"));
    }
    void openIndexWindow() override
    {
        calls << QStringLiteral("index buttons=%1 busy=%2").arg(buttonsVisible).arg(prompts.busy);
    }
    void openTransferWindow() override { calls << QStringLiteral("transfer"); }
    void closeAll() override { calls << QStringLiteral("close"); }

    rztest::ScriptedPrompts &prompts;
    bool buttonsVisible = true;
    QStringList calls;
};

// The main window's procedures with scripted prompts and a recording host.
struct SessionRun {
    Shared shared;
    rztest::ScriptedPrompts prompts;
    FakeHost host{prompts};
    MainSession session{shared, prompts, host};
};

// A main window whose index window stays open, as the real one will.
class MainWithIndex : public frmMain {
public:
    using frmMain::frmMain;
    void openIndexWindow() override
    {
        auto *child = mdiArea()->addSubWindow(new QLabel(QStringLiteral("一覧")));
        child->show();
    }
};

// A child window that notes when it closes and may refuse to.
class ChildProbe : public QWidget {
public:
    ChildProbe(int n, QStringList &log, bool refuse) : n_(n), log_(log), refuse_(refuse) {}

protected:
    void closeEvent(QCloseEvent *e) override
    {
        log_ << QString::number(n_);
        if (refuse_)
            e->ignore();
    }

private:
    int n_;
    QStringList &log_;
    bool refuse_;
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

    void buttonsOfTheMainWindow()
    {
        Shared shared;
        rztest::ScriptedPrompts prompts;
        frmMain w(shared, prompts);
        QCOMPARE(w.windowTitle(), QStringLiteral("RZ90 Version 1.00"));
        QVERIFY(qobject_cast<QMdiArea *>(w.centralWidget()));
        const QStringList captions{"内訳書作成", "編集", "最適化", "新規作成", "終了"};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(w.Command1[i]->text(), captions[i]);
            QCOMPARE(w.Command1[i]->parentWidget(), w.Pic1);
        }
    }

    void openShowsIndexWithButtonsHidden()
    {
        SessionRun r;
        auto &[shared, prompts, host, session] = r;

        session.Command1_Click(MainSession::Open);  // cancelled
        QVERIFY(host.calls.isEmpty());
        QCOMPARE(shared.DB_Path, QString());

        prompts.fileAnswers.push_back(QStringLiteral("/data/見積.mdb"));
        session.Command1_Click(MainSession::Open);
        QCOMPARE(shared.DB_Path, QStringLiteral("/data/見積.mdb"));
        QCOMPARE(host.calls, (QStringList{"hide buttons", "index buttons=0 busy=1"}));
        QVERIFY(!prompts.busy);
        QCOMPARE(prompts.records[1].file.title, QStringLiteral("見積書ファイルを開く"));
    }

    void transferNeedsTwoDifferentFiles_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<bool>("opens");
        QTest::newRow("first cancelled") << QStringList() << false;
        QTest::newRow("second cancelled") << QStringList{"/d/a.mdb"} << false;
        QTest::newRow("same file twice") << QStringList{"/d/a.mdb", "/d/a.mdb"} << false;
        QTest::newRow("differs only in case") << QStringList{"/d/a.mdb", "/d/A.mdb"} << true;
        QTest::newRow("two files") << QStringList{"/d/a.mdb", "/e/b.mdb"} << true;
    }
    void transferNeedsTwoDifferentFiles()
    {
        QFETCH(QStringList, answers);
        QFETCH(bool, opens);
        SessionRun r;
        auto &[shared, prompts, host, session] = r;
        for (const QString &a : answers)
            prompts.fileAnswers.push_back(a);

        session.Command1_Click(MainSession::Transfer);

        QCOMPARE(host.calls, opens ? QStringList{"transfer"} : QStringList());
        if (!answers.isEmpty()) {
            QCOMPARE(prompts.records.size(), size_t(2));
            QCOMPARE(prompts.records[1].file.title, QStringLiteral("見積書ファイル(2)を開く [/d/a.mdb]"));
            QCOMPARE(shared.DB_Path1, QStringLiteral("/d/a.mdb"));
        }
        if (opens)
            QCOMPARE(shared.DB_Path2, answers[1]);
        else
            QCOMPARE(shared.DB_Path2, QString());
    }

    // 新規作成: an existing file is never overwritten, a failure leaves no
    // file behind, a new file holds only the empty index table.
    void newFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("existing");  // empty: no file there yet
        QTest::addColumn<int>("style");            // -1: no message
        QTest::addColumn<QString>("message");      // empty: any text
        QTest::newRow("new file") << "新規工事.mdb" << QByteArray() << -1 << "";
        QTest::newRow("over an existing file") << "既存.mdb" << QByteArray("estimates kept elsewhere")
                                               << int(MsgCritical) << "ファイルが存在するので新規作成できません";
        QTest::newRow("in a missing folder") << "ない/新規.mdb" << QByteArray() << int(MsgExclamation) << "";
    }
    void newFile()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, existing);
        QFETCH(int, style);
        QFETCH(QString, message);
        SessionRun r;
        auto &[shared, prompts, host, session] = r;
        const QString path = program_->filePath(name);
        if (!existing.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(existing);
        }
        prompts.fileAnswers.push_back(path);

        session.Command1_Click(MainSession::NewFile);

        QVERIFY(prompts.records[0].file.save);
        QCOMPARE(prompts.records[0].file.proposedName, QStringLiteral("見積書.mdb"));
        if (style < 0) {
            QVERIFY(prompts.messages().isEmpty());
            QCOMPARE(host.calls, (QStringList{"hide buttons", "index buttons=0 busy=1"}));
            auto db = openEstimateFile(path);
            QCOMPARE(db->tableNames(), QStringList{"RZTBLIDX"});
            QCOMPARE(db->openRecordset(QStringLiteral("SELECT * FROM RZTBLIDX"))->recordCount(), 0);
            return;
        }
        QCOMPARE(prompts.countOf(rztest::PromptRecord::Message), 1);
        QCOMPARE(prompts.lastMessage()->style, style);
        QVERIFY(!prompts.lastMessage()->text.isEmpty());
        if (!message.isEmpty())
            QCOMPARE(prompts.lastMessage()->text, message);
        QVERIFY(host.calls.isEmpty());
        QCOMPARE(readAll(path), existing);  // unchanged, or still no file
        QCOMPARE(QFileInfo::exists(path), !existing.isEmpty());
    }

    void compactFromTheMainWindow_data()
    {
        QTest::addColumn<bool>("database");
        QTest::newRow("estimate file") << true;
        QTest::newRow("not a database") << false;
    }
    void compactFromTheMainWindow()
    {
        QFETCH(bool, database);
        SessionRun r;
        auto &[shared, prompts, host, session] = r;
        QTemporaryDir data;
        const QString path = data.filePath(QStringLiteral("工事.mdb"));
        if (database) {
            sb_MkIdxDB(path, 0);
            auto db = Database::open(path);
            db->execute(QStringLiteral("INSERT INTO RZTBLIDX (key1, knm, kn1) VALUES (7, ?, ?)"),
                        {QStringLiteral("倉庫新築"), Currency::fromRaw(98760000)});
        } else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not an estimate file at all, just text");
        }
        const QByteArray before = readAll(path);
        prompts.fileAnswers.push_back(path);

        session.Command1_Click(MainSession::Compact);

        QCOMPARE(prompts.records[0].file.title, QStringLiteral("見積書ファイルを最適化する"));
        QVERIFY(!prompts.busy);
        QVERIFY(!QFileInfo::exists(program_->filePath(QStringLiteral("wkfile.mdb"))));
        QVERIFY(host.calls.isEmpty());
        if (database) {
            QVERIFY(prompts.messages().isEmpty());
            auto db = openEstimateFile(path);
            auto rs = db->openRecordset(QStringLiteral("SELECT * FROM RZTBLIDX"));
            QCOMPARE(rs->field("kn1"), Value(Currency::fromRaw(98760000)));
        } else {
            QCOMPARE(prompts.countOf(rztest::PromptRecord::Message), 1);
            QCOMPARE(prompts.lastMessage()->style, int(MsgExclamation));
            QCOMPARE(readAll(path), before);
        }
    }

    void buttonsHiddenWhileIndexIsOpen()
    {
        Shared shared;
        rztest::ScriptedPrompts prompts;
        MainWithIndex w(shared, prompts);
        w.show();
        const int fullHeight = w.mdiArea()->height();
        prompts.fileAnswers.push_back(program_->filePath(QStringLiteral("一覧.mdb")));

        w.Command1[0]->click();

        QVERIFY(w.Pic1->isHidden());
        QCOMPARE(w.mdiArea()->subWindowList().size(), 1);
        QTRY_VERIFY(w.mdiArea()->height() > fullHeight);  // the children get the room
        w.setButtonsVisible(true);  // what the index window does when it closes
        QVERIFY(w.Pic1->isVisible());
    }

    void closingClosesChildrenLastFirst_data()
    {
        QTest::addColumn<int>("refusing");  // 0 = none
        QTest::addColumn<bool>("minimized");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QStringList>("placement");  // stored afterwards
        const QStringList none{"", "", "", ""};
        QTest::newRow("all close") << 0 << false << QStringList{"3", "2", "1"}
                                   << QStringList{"675", "900", "10500", "7500"};
        QTest::newRow("the middle one refuses") << 2 << false << QStringList{"3", "2"} << none;
        QTest::newRow("minimized stores nothing") << 0 << true << QStringList{"3", "2", "1"} << none;
    }
    void closingClosesChildrenLastFirst()
    {
        QFETCH(int, refusing);
        QFETCH(bool, minimized);
        QFETCH(QStringList, order);
        QFETCH(QStringList, placement);
        Shared shared;
        rztest::ScriptedPrompts prompts;
        frmMain w(shared, prompts);
        w.resize(700, 500);
        w.move(45, 60);
        w.show();
        if (minimized)
            w.setWindowState(Qt::WindowMinimized);
        QStringList log;
        for (int n = 1; n <= 3; ++n)
            w.mdiArea()->addSubWindow(new ChildProbe(n, log, n == refusing))->show();

        w.Command1[4]->click();

        QCOMPARE(log, order);
        QCOMPARE(w.isVisible(), refusing != 0);
        QCOMPARE(storedPlacement(), placement);
    }

    void startUp_data()
    {
        QTest::addColumn<bool>("loginOk");
        QTest::newRow("login") << true;
        QTest::newRow("login cancelled") << false;
    }
    void startUp()
    {
        QFETCH(bool, loginOk);
        if (loginOk) {
            auto s = openUserSettings();
            s->setValue(QStringLiteral("Settings/MainLeft"), QStringLiteral("1500"));
            s->setValue(QStringLiteral("Settings/MainTop"), QStringLiteral("750"));
            s->setValue(QStringLiteral("Settings/MainWidth"), QStringLiteral("9000"));
            s->setValue(QStringLiteral("Settings/MainHeight"), QStringLiteral("6000"));
        }
        QDir::setCurrent(QDir::tempPath());
        Shared shared;
        rztest::ScriptedPrompts prompts;
        bool splashGone = true;
        bool mainShown = false;
        auto login = [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (qobject_cast<frmSplash *>(w) && w->isVisible())
                    splashGone = false;
                if (qobject_cast<frmMain *>(w) && w->isVisible())
                    mainShown = true;
            }
            return loginOk;
        };

        auto w = Main(shared, prompts, login, 10);

        QVERIFY(splashGone);
        QVERIFY(mainShown);
        QCOMPARE(shared.Co_Name, companyName());
        QCOMPARE(QDir::current().canonicalPath(), QDir(program_->path()).canonicalPath());
        if (!loginOk) {
            QVERIFY(!w);
            QCOMPARE(storedPlacement(), (QStringList{"", "", "", ""}));
            return;
        }
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("RZ90 Version 1.00"));
        QCOMPARE(QRect(w->pos(), w->size()), QRect(100, 50, 600, 400));
        QCOMPARE(w->focusWidget(), w->Command1[0]);
    }

    void splashWindow()
    {
        Shared shared;
        frmSplash splash(shared);
        QCOMPARE(shared.Co_Name, companyName());
        QCOMPARE(splash.LblApname->text(), QStringLiteral("見積書作成システム"));
        QCOMPARE(splash.LblVer->text(), QStringLiteral("Version 1.00"));
        QCOMPARE(versionText(2, 1, 3), QStringLiteral("2.13"));  // minor and revision run together
        QCOMPARE(splash.lblpro->text(), QStringLiteral("Produced by tavro"));
        QVERIFY(splash.LblUser);
        const QImage shot = splash.grab().toImage();
        const auto rows = splashPixelRows(splash.height(), splash.colourSeconds());
        QCOMPARE(QColor(shot.pixel(0, 0)), rows.front());
        QCOMPARE(QColor(shot.pixel(0, shot.height() - 1)), rows.back());
    }

    void splashGradient_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("y");
        QTest::addColumn<QColor>("colour");
        // 1020 lines: a step every 2 lines from the top; full colour by the middle.
        QTest::newRow("top edge") << 1020 << 0 << 0 << QColor(0, 0, 0);
        QTest::newRow("tenth of the way") << 1020 << 0 << 100 << QColor(0, 0, 50);
        QTest::newRow("red") << 1020 << 3 << 100 << QColor(50, 0, 0);
        QTest::newRow("seconds 59 is red") << 1020 << 59 << 100 << QColor(50, 0, 0);
        QTest::newRow("bottom edge") << 1020 << 0 << 1020 << QColor(0, 0, 255);
        // 200 lines: one line per step; the lower half goes on from where the upper stopped.
        QTest::newRow("short: bottom edge") << 200 << 3 << 200 << QColor(101, 0, 0);
        QTest::newRow("short: middle drawn last") << 200 << 3 << 100 << QColor(201, 0, 0);
    }
    void splashGradient()
    {
        QFETCH(int, height);
        QFETCH(int, seconds);
        QFETCH(int, y);
        QFETCH(QColor, colour);
        const auto lines = splashLineColours(height, seconds);
        QCOMPARE(int(lines.size()), height + 1);
        QCOMPARE(lines[static_cast<size_t>(y)], colour);
    }

    void splashPixelRowsShowLastLineDrawn()
    {
        // 40 pixels = 600 twip lines, a step every line from the top.
        const auto rows = splashPixelRows(40, 0);
        QCOMPARE(rows.size(), size_t(40));
        QCOMPARE(rows[0], QColor(0, 0, 7));    // lines 0..7, 7 drawn last
        QCOMPARE(rows[1], QColor(0, 0, 22));   // lines 8..22
        QCOMPARE(rows[10], QColor(0, 0, 157));
        QCOMPARE(rows[39], QColor(0, 0, 255));
    }
};

RZ_REGISTER_TEST(TestMainWindow)
#include "tst_mainwindow.moc"
