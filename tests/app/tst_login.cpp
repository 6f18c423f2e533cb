// Login window and password file: the record, damaged files, where it lives, the window's double-click, OK, Cancel.
#include "app/appfolders.h"
#include "app/frmlogin.h"
#include "app/passwordfile.h"
#include "support/filelimit.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace rz;
using rztest::PromptRecord;
using rztest::ScriptedPrompts;

class TestLogin : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    QString perUserCopy() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + '/' + PasswordFileName;
    }
    QString programCopy() const { return dir->filePath(PasswordFileName); }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        setProgramFolderForTesting(dir->path());
        QFile::remove(perUserCopy());
    }
    void cleanup()
    {
        setProgramFolderForTesting(QString());
        QFile::remove(perUserCopy());
    }

    // The 52-byte record (double, single, currency, long, short, twice; a digit in its place, -k for an
    // unused place k) written and read back; a missing or damaged file gives the time as the password.
    void passwordFile_data()
    {
        const QByteArray good = encodePasswordRecord(QStringLiteral("1234"));
        QTest::addColumn<QString>("saved");     // empty: `bytes` written as they are
        QTest::addColumn<QByteArray>("bytes");  // hex of the record when saved
        QTest::addColumn<QString>("loaded");
        QTest::newRow("four digits") << "1234"
            << QByteArray("000000000000f03f00000040307500000000000004000000fbff"
                          "00000000000018c00000e0c080c7fefffffffffff7fffffff6ff") << "1234";
        QTest::newRow("twelve digits keep ten") << "123456789012" << QByteArray() << "1234567890";
        QTest::newRow("missing") << "" << QByteArray() << "0905";
        QTest::newRow("short") << "" << good.left(51) << "0905";
        QTest::newRow("single 2.5") << "" << good.left(34) + QByteArray::fromHex("00002040") + good.mid(38) << "0905";
    }
    void passwordFile()
    {
        QFETCH(QString, saved);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, loaded);
        QFile f(programCopy());
        if (!saved.isEmpty()) {
            QVERIFY(savePassword(programCopy(), saved));
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll().toHex(), bytes.isEmpty() ? encodePasswordRecord(saved).toHex() : bytes);
        } else if (!bytes.isEmpty()) {
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
        }
        f.close();
        QCOMPARE(LoginSession(QStringLiteral("u"), programCopy(), programCopy(), QTime(9, 5, 59)).password(), loaded);
    }

    // The program folder may be read-only, or installed; a failed write is reported.
    void fileLocation()
    {
        QCOMPARE(writableProgramFile(PasswordFileName), programCopy());
        // A stale per-user copy must not hide the one the program writes now.
        QDir().mkpath(QFileInfo(perUserCopy()).path());
        QVERIFY(savePassword(perUserCopy(), QStringLiteral("1111")));
        QVERIFY(savePassword(programCopy(), QStringLiteral("2222")));
        QCOMPARE(loadPassword(readableProgramFile(PasswordFileName), QTime(1, 2)), QStringLiteral("2222"));
        {  // a write cut short (the disk full) keeps the earlier file whole
            rztest::FileSizeLimit limit(20);
            QVERIFY(!savePassword(programCopy(), QStringLiteral("9999")));
        }
        QCOMPARE(loadPassword(programCopy(), QTime(1, 2)), QStringLiteral("2222"));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList{PasswordFileName});
        QFile::remove(perUserCopy());
        // Installed, the program keeps its files per user, also when run by root, who may write its folder.
        setProgramFolderForTesting(QStringLiteral("/usr/bin"));
        QCOMPARE(writableProgramFile(PasswordFileName), perUserCopy());
        QCOMPARE(readableProgramFile(PasswordFileName), perUserCopy());
        // An unusable program folder sends writes to the per-user folder.
        setProgramFolderForTesting(dir->filePath(QStringLiteral("not-there")));
        QCOMPARE(writableProgramFile(PasswordFileName), perUserCopy());
        QVERIFY(savePassword(perUserCopy(), QStringLiteral("3333")));
        QCOMPARE(LoginSession::forProgramFolder(QString()).password(), QStringLiteral("3333"));
        // A write that fails is reported and the old password stays.
        const QString unusable = dir->filePath(QStringLiteral("no-such-folder/") + PasswordFileName);
        LoginSession session(QStringLiteral("u"), unusable, unusable, QTime(10, 20));
        ScriptedPrompts prompts;
        QVERIFY(!session.changePassword(QStringLiteral("4321"), prompts));
        QCOMPARE(prompts.countOf(PromptRecord::Message), 2);  // the question, then the failure
        QCOMPARE(prompts.lastMessage()->style, int(MsgExclamation));
        QCOMPARE(session.password(), QStringLiteral("1020"));
    }

    // Typed into the password box, a double-click on a label (none: "") and the answer to the question, then the
    // window closed; the file held "5678". OK accepts any entry: the stored password is never compared.
    void loginWindow_data()
    {
        const QString digitsOnly = QStringLiteral("48|ﾊﾟｽﾜｰﾄﾞ変更|ﾊﾟｽﾜｰﾄﾞは数字のみ、１０桁以内で設定してください。");
        const QString confirm = QStringLiteral("65|ﾊﾟｽﾜｰﾄﾞ入力|ﾊﾟｽﾜｰﾄﾞを変更します");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("message");  // style|title|text; empty: no message at all
        QTest::addColumn<QString>("stored");   // the password afterwards
        QTest::addColumn<QString>("close");    // ok, cancel, or the key that closes
        QTest::addColumn<bool>("loginOk");
        QTest::newRow("wrong password, OK") << "0000" << "" << 0 << "" << "5678" << "ok" << true;
        const QString pw = QStringLiteral("lblLabels_1");
        QTest::newRow("letters, Enter") << "12a" << pw << 0 << digitsOnly << "5678" << "enter" << true;
        QTest::newRow("change, Cancel") << "1234" << pw << int(AnswerOk) << confirm << "1234" << "cancel" << false;
        QTest::newRow("no change, Esc") << "1234" << pw << int(AnswerCancel) << confirm << "5678" << "esc" << false;
        QTest::newRow("user name label") << "1234" << "lblLabels_0" << int(AnswerOk) << "" << "5678" << "ok" << true;
    }
    void loginWindow()
    {
        QFETCH(QString, typed);
        QFETCH(QString, label);
        QFETCH(int, answer);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        QFETCH(QString, close);
        QFETCH(bool, loginOk);
        QVERIFY(savePassword(programCopy(), QStringLiteral("5678")));
        ScriptedPrompts prompts;
        prompts.messageAnswers.push_back(answer);
        frmLogin w(prompts);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *user = w.findChild<QLineEdit *>("txtUserName"), *pass = w.findChild<QLineEdit *>("txtPassword");
        auto *ok = w.findChild<QPushButton *>("cmdOK"), *cancel = w.findChild<QPushButton *>("cmdCancel");
        QVERIFY(user && pass && ok && cancel);
        QCOMPARE(user->text(), systemLoginName());
        pass->setFocus();
        QTest::keyClicks(pass, typed);
        QCOMPARE(pass->displayText(), QString(typed.size(), u'*'));
        if (!label.isEmpty())
            QTest::mouseDClick(w.findChild<QLabel *>(label), Qt::LeftButton);
        QCOMPARE(prompts.countOf(PromptRecord::Message), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            const auto *m = prompts.lastMessage();
            QCOMPARE(QStringLiteral("%1|%2|%3").arg(m->style).arg(m->title, m->text), message);
        }
        QVERIFY(w.isVisible());  // changing the password does not close the window
        if (close == QLatin1String("ok") || close == QLatin1String("cancel"))
            QTest::mouseClick(close == QLatin1String("ok") ? ok : cancel, Qt::LeftButton);
        else
            QTest::keyClick(pass, close == QLatin1String("enter") ? Qt::Key_Return : Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.Login_OK(), loginOk);
        // The next run's window starts from the stored password.
        QCOMPARE(LoginSession::forProgramFolder(QString()).password(), stored);
    }
};

RZ_REGISTER_TEST(TestLogin)
#include "tst_login.moc"
