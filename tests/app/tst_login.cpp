// Login window and password file: the record's exact bytes, reading back,
// damaged files, where the file lives, and the window's double-click, OK and Cancel.
#include "app/appfolders.h"
#include "app/frmlogin.h"
#include "app/passwordfile.h"
#include "support/scriptedprompts.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <limits>
#include <memory>

using namespace rz;
using rztest::PromptRecord;
using rztest::ScriptedPrompts;

namespace {

const QString FileName = QStringLiteral("RZDFTPW1.DAT");
const QString DigitsOnly = QStringLiteral("ﾊﾟｽﾜｰﾄﾞは数字のみ、１０桁以内で設定してください。");
const QString Confirm = QStringLiteral("ﾊﾟｽﾜｰﾄﾞを変更します");

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

template <typename T>
QByteArray patched(QByteArray record, int offset, T value)
{
    std::memcpy(record.data() + offset, &value, sizeof value);  // the test machine is little-endian
    return record;
}

template <typename T>
T *child(QWidget &w, const char *name)
{
    return w.findChild<T *>(QString::fromLatin1(name));
}

}  // namespace

class TestLogin : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<QTemporaryDir> dir;
    QString perUserCopy() const
    {
        return QDir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation))
            .filePath(FileName);
    }
    QString programCopy() const { return dir->filePath(FileName); }

private slots:
    void init()
    {
        QVERIFY(QSysInfo::ByteOrder == QSysInfo::LittleEndian);
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        setProgramFolderForTesting(dir->path());
        QFile::remove(perUserCopy());
    }
    void cleanup()
    {
        setProgramFolderForTesting(QString());
        QFile::remove(perUserCopy());
        dir.reset();
    }

    // The whole 52-byte record: double, single, currency, long, short, twice;
    // a digit in its place, -k for an unused place k.
    void saveAndLoad_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<QByteArray>("hex");
        QTest::newRow("four digits") << "1234" << "1234"
            << QByteArray("000000000000f03f00000040307500000000000004000000fbff"
                          "00000000000018c00000e0c080c7fefffffffffff7fffffff6ff");
        QTest::newRow("decimal point stores 0") << "12.4" << "1204"
            << QByteArray("000000000000f03f00000040000000000000000004000000fbff"
                          "00000000000018c00000e0c080c7fefffffffffff7fffffff6ff");
        QTest::newRow("twelve digits keep ten") << "123456789012" << "1234567890"
            << QByteArray("000000000000f03f000000403075000000000000040000000500"
                          "00000000000018400000e0408038010000000000090000000000");
    }
    void saveAndLoad()
    {
        QFETCH(QString, password);
        QFETCH(QString, loaded);
        QFETCH(QByteArray, hex);
        // A second save replaces the first one whole.
        QVERIFY(savePassword(programCopy(), QStringLiteral("5555555555")));
        QVERIFY(savePassword(programCopy(), password));
        QCOMPARE(readBytes(programCopy()).toHex(), hex);
        QCOMPARE(loadPassword(programCopy(), QTime(9, 5)), loaded);
    }

    // A missing or damaged file never stops the program: the password is the time.
    void damagedFile_data()
    {
        const QByteArray good = encodePasswordRecord(QStringLiteral("1234"));
        QTest::addColumn<QByteArray>("bytes");  // empty: no file
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << QByteArray() << "0905";
        QTest::newRow("short") << good.left(51) << "0905";
        QTest::newRow("long") << good + '\0' << "0905";
        QTest::newRow("NaN double") << patched(good, 0, std::numeric_limits<double>::quiet_NaN()) << "0905";
        QTest::newRow("fraction single") << patched(good, 34, 2.5f) << "0905";
        QTest::newRow("fraction currency") << patched(good, 12, qint64(35000)) << "0905";
        QTest::newRow("huge double") << patched(good, 26, 1e300) << "0905";
        QTest::newRow("large long") << patched(good, 20, qint32(123456)) << "0905";
        QTest::newRow("below -10") << patched(good, 50, qint16(-11)) << "0905";
        // Stray values that are still read the usual way rather than discarded.
        QTest::newRow("two digits read by first") << patched(good, 20, qint32(10)) << "1231";
        QTest::newRow("gap in the middle") << patched(good, 12, qint64(-30000)) << "12 4";
    }
    void damagedFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        if (!bytes.isEmpty()) {
            QFile f(programCopy());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }
        LoginSession session(QStringLiteral("u"), programCopy(), programCopy(), QTime(9, 5, 59));
        QCOMPARE(session.password(), expected);
    }

    // The program folder may be read-only once installed.
    void fileLocation()
    {
        QCOMPARE(writableProgramFile(FileName), programCopy());

        // A stale per-user copy must not hide the one the program writes now.
        QDir().mkpath(QFileInfo(perUserCopy()).path());
        QVERIFY(savePassword(perUserCopy(), QStringLiteral("1111")));
        QVERIFY(savePassword(writableProgramFile(FileName), QStringLiteral("2222")));
        QCOMPARE(loadPassword(readableProgramFile(FileName), QTime(1, 2)), QStringLiteral("2222"));
        QFile::remove(perUserCopy());

        // An unusable program folder sends writes to the per-user folder.
        const QString lockedFolder = dir->filePath(QStringLiteral("not-there"));
        setProgramFolderForTesting(lockedFolder);
        QCOMPARE(readableProgramFile(FileName), QDir(lockedFolder).filePath(FileName));
        const QString target = writableProgramFile(FileName);
        QCOMPARE(target, perUserCopy());
        QVERIFY(savePassword(target, QStringLiteral("3333")));
        QCOMPARE(LoginSession::forProgramFolder(QString()).password(), QStringLiteral("3333"));
    }

    void numericText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::newRow("blanks around") << " 12 " << true;
        QTest::newRow("minus") << "-5" << true;
        QTest::newRow("leading point") << ".5" << true;
        QTest::newRow("blanks only") << "   " << false;
        QTest::newRow("two points") << "1.2.3" << false;
        QTest::newRow("letter") << "12a" << false;
        QTest::newRow("point only") << "." << false;
        QTest::newRow("sign in middle") << "1-2" << false;
        QTest::newRow("full-width digits") << "１２３" << false;
    }
    void numericText()
    {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QCOMPARE(isNumericText(text), numeric);
    }

    void windowControls()
    {
        ScriptedPrompts prompts;
        frmLogin w(prompts);
        QCOMPARE(w.windowTitle(), QStringLiteral("ログインパスワード入力"));
        QCOMPARE(child<QLabel>(w, "lblLabels_0")->text(), QStringLiteral("ﾕｰｻﾞｰ名(&U):"));
        QCOMPARE(child<QLabel>(w, "lblLabels_1")->text(), QStringLiteral("ﾊﾟｽﾜｰﾄﾞ(&P):"));
        QCOMPARE(child<QPushButton>(w, "cmdOK")->text(), QStringLiteral("OK"));
        QCOMPARE(child<QPushButton>(w, "cmdCancel")->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        QVERIFY(child<QPushButton>(w, "cmdOK")->isDefault());
        QVERIFY(!systemLoginName().isEmpty());  // the test runs as some user
        QCOMPARE(child<QLineEdit>(w, "txtUserName")->text(), systemLoginName());
        auto *pass = child<QLineEdit>(w, "txtPassword");
        QTest::keyClicks(pass, QStringLiteral("1234"));
        QCOMPARE(pass->displayText(), QStringLiteral("****"));
    }

    // Double-click on a label with some text in the password box; the file
    // held "5678" before.
    void changePassword_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("message");   // empty: no message at all
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("stored");    // the password afterwards
        QTest::newRow("empty box") << "lblLabels_1" << "" << int(AnswerOk) << DigitsOnly
                                   << "ﾊﾟｽﾜｰﾄﾞ変更" << 48 << "5678";
        QTest::newRow("digits, OK") << "lblLabels_1" << "1234" << int(AnswerOk) << Confirm
                                    << "ﾊﾟｽﾜｰﾄﾞ入力" << 65 << "1234";
        QTest::newRow("digits, Cancel") << "lblLabels_1" << "1234" << int(AnswerCancel) << Confirm
                                        << "ﾊﾟｽﾜｰﾄﾞ入力" << 65 << "5678";
        QTest::newRow("user name label") << "lblLabels_0" << "1234" << int(AnswerOk) << ""
                                         << "" << 0 << "5678";
    }
    void changePassword()
    {
        QFETCH(QString, label);
        QFETCH(QString, typed);
        QFETCH(int, answer);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QFETCH(int, style);
        QFETCH(QString, stored);

        QVERIFY(savePassword(programCopy(), QStringLiteral("5678")));
        ScriptedPrompts prompts;
        prompts.messageAnswers.push_back(answer);
        frmLogin w(prompts);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        child<QLineEdit>(w, "txtPassword")->setText(typed);
        QTest::mouseDClick(w.findChild<QLabel *>(label), Qt::LeftButton);

        if (message.isEmpty()) {
            QCOMPARE(prompts.countOf(PromptRecord::Message), 0);
        } else {
            QCOMPARE(prompts.countOf(PromptRecord::Message), 1);
            QCOMPARE(prompts.lastMessage()->text, message);
            QCOMPARE(prompts.lastMessage()->title, title);
            QCOMPARE(prompts.lastMessage()->style, style);
        }
        QCOMPARE(w.session().password(), stored);
        // The next run's window starts from the stored password.
        QCOMPARE(LoginSession::forProgramFolder(QString()).password(), stored);
        QVERIFY(w.isVisible());  // changing the password does not close the window
    }

    void failedWriteIsReported()
    {
        const QString unusable = dir->filePath(QStringLiteral("no-such-folder/") + FileName);
        LoginSession session(QStringLiteral("u"), unusable, unusable, QTime(10, 20));
        ScriptedPrompts prompts;
        QVERIFY(!session.changePassword(QStringLiteral("4321"), prompts));
        QCOMPARE(prompts.countOf(PromptRecord::Message), 2);  // the question, then the failure
        QCOMPARE(prompts.lastMessage()->style, int(MsgExclamation));
        QVERIFY(!prompts.lastMessage()->text.isEmpty());
        QCOMPARE(session.password(), QStringLiteral("1020"));
    }

    // OK accepts any entry, the stored password is never compared.
    void closing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("loginOk");
        QTest::newRow("OK, wrong password") << "ok" << "0000000" << true;
        QTest::newRow("Enter") << "enter" << "12" << true;
        QTest::newRow("Cancel") << "cancel" << "5678" << false;
        QTest::newRow("Esc") << "escape" << "" << false;
    }
    void closing()
    {
        QFETCH(QString, how);
        QFETCH(QString, typed);
        QFETCH(bool, loginOk);
        QVERIFY(savePassword(programCopy(), QStringLiteral("5678")));
        ScriptedPrompts prompts;
        frmLogin w(prompts);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto *pass = child<QLineEdit>(w, "txtPassword");
        pass->setFocus();
        pass->setText(typed);
        if (how == QLatin1String("ok"))
            QTest::mouseClick(child<QPushButton>(w, "cmdOK"), Qt::LeftButton);
        else if (how == QLatin1String("cancel"))
            QTest::mouseClick(child<QPushButton>(w, "cmdCancel"), Qt::LeftButton);
        else
            QTest::keyClick(pass, how == QLatin1String("enter") ? Qt::Key_Return : Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.Login_OK(), loginOk);
        QCOMPARE(prompts.countOf(PromptRecord::Message), 0);
        QCOMPARE(loadPassword(programCopy(), QTime(1, 1)), QStringLiteral("5678"));
    }
};

RZ_REGISTER_TEST(TestLogin)
#include "tst_login.moc"
