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
#include <QtEndian>
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

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

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

    // Every field of a four-digit password at its offset, in its own type.
    void recordBytes_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("hex");
        QTest::newRow("1 double 1") << 0 << QByteArray("000000000000f03f");
        QTest::newRow("2 single 2") << 8 << QByteArray("00000040");
        QTest::newRow("3 currency 3") << 12 << QByteArray("3075000000000000");
        QTest::newRow("4 long 4") << 20 << QByteArray("04000000");
        QTest::newRow("5 short -5") << 24 << QByteArray("fbff");
        QTest::newRow("6 double -6") << 26 << QByteArray("00000000000018c0");
        QTest::newRow("7 single -7") << 34 << QByteArray("0000e0c0");
        QTest::newRow("8 currency -8") << 38 << QByteArray("80c7feffffffffff");
        QTest::newRow("9 long -9") << 46 << QByteArray("f7ffffff");
        QTest::newRow("10 short -10") << 50 << QByteArray("f6ff");
    }
    void recordBytes()
    {
        QFETCH(int, offset);
        QFETCH(QByteArray, hex);
        QVERIFY(savePassword(programCopy(), QStringLiteral("1234")));
        const QByteArray bytes = readBytes(programCopy());
        QCOMPARE(bytes.size(), PasswordRecordSize);
        QCOMPARE(bytes.mid(offset, hex.size() / 2).toHex(), hex);
    }

    // What a saved password reads back as, and the fields that prove it.
    void saveAndLoad_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("loaded");
        QTest::addColumn<int>("offset");   // one field worth checking directly
        QTest::addColumn<QByteArray>("hex");
        QTest::newRow("four digits") << "1234" << "1234" << 24 << QByteArray("fbff");
        QTest::newRow("decimal point stores 0") << "12.4" << "1204" << 12 << QByteArray("0000000000000000");
        QTest::newRow("twelve digits keep ten") << "123456789012" << "1234567890" << 50 << QByteArray("0000");
        QTest::newRow("ten digits") << "9876543210" << "9876543210" << 46 << QByteArray("01000000");
        QTest::newRow("zero") << "0" << "0" << 0 << QByteArray("0000000000000000");
        QTest::newRow("sign stores 0") << "-7" << "07" << 8 << QByteArray("0000e040");
        QTest::newRow("empty") << "" << "" << 0 << QByteArray("000000000000f0bf");
    }
    void saveAndLoad()
    {
        QFETCH(QString, password);
        QFETCH(QString, loaded);
        QFETCH(int, offset);
        QFETCH(QByteArray, hex);
        // A second save replaces the first one whole.
        QVERIFY(savePassword(programCopy(), QStringLiteral("5555555555")));
        QVERIFY(savePassword(programCopy(), password));
        const QByteArray bytes = readBytes(programCopy());
        QCOMPARE(bytes.size(), PasswordRecordSize);
        QCOMPARE(bytes.mid(offset, hex.size() / 2).toHex(), hex);
        QCOMPARE(loadPassword(programCopy(), QTime(9, 5)), loaded);
    }

    // A missing or damaged file never stops the program: the password is the time.
    void damagedFile_data()
    {
        const QByteArray good = encodePasswordRecord(QStringLiteral("1234"));
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QTime>("now");
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing") << QByteArray() << false << QTime(9, 5, 59) << "0905";
        QTest::newRow("missing, midnight") << QByteArray() << false << QTime(0, 0) << "0000";
        QTest::newRow("missing, evening") << QByteArray() << false << QTime(23, 59, 1) << "2359";
        QTest::newRow("empty") << QByteArray() << true << QTime(14, 30) << "1430";
        QTest::newRow("short") << good.left(51) << true << QTime(14, 30) << "1430";
        QTest::newRow("long") << good + '\0' << true << QTime(14, 30) << "1430";
        QTest::newRow("text") << QByteArray("password=1234\n").repeated(4).left(52) << true
                              << QTime(14, 30) << "1430";
        QTest::newRow("all ff") << QByteArray(52, '\xff') << true << QTime(14, 30) << "1430";
        QTest::newRow("NaN double") << patched(good, 0, std::numeric_limits<double>::quiet_NaN())
                                    << true << QTime(14, 30) << "1430";
        QTest::newRow("infinite single") << patched(good, 8, std::numeric_limits<float>::infinity())
                                         << true << QTime(14, 30) << "1430";
        QTest::newRow("fraction single") << patched(good, 34, 2.5f) << true << QTime(14, 30) << "1430";
        QTest::newRow("fraction currency") << patched(good, 12, qint64(35000)) << true << QTime(14, 30) << "1430";
        QTest::newRow("huge double") << patched(good, 26, 1e300) << true << QTime(14, 30) << "1430";
        QTest::newRow("large long") << patched(good, 20, qint32(123456)) << true << QTime(14, 30) << "1430";
        QTest::newRow("below -10") << patched(good, 50, qint16(-11)) << true << QTime(14, 30) << "1430";
        // Stray values that are still read the usual way rather than discarded.
        QTest::newRow("two digits read by first") << patched(good, 20, qint32(10)) << true << QTime(14, 30) << "1231";
        QTest::newRow("gap in the middle") << patched(good, 12, qint64(-30000)) << true << QTime(14, 30) << "12 4";
    }
    void damagedFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, exists);
        QFETCH(QTime, now);
        QFETCH(QString, expected);
        if (exists)
            writeBytes(programCopy(), bytes);
        QCOMPARE(loadPassword(programCopy(), now), expected);
        LoginSession session(QStringLiteral("u"), programCopy(), programCopy(), now);
        QCOMPARE(session.password(), expected);
    }

    void unreadablePathGivesTime()
    {
        QVERIFY(QDir(dir->path()).mkdir(FileName));  // a folder where the file should be
        QCOMPARE(loadPassword(programCopy(), QTime(7, 8)), QStringLiteral("0708"));
    }

    // The program folder may be read-only once installed.
    void fileLocation()
    {
        QCOMPARE(programFolder(), dir->path());
        QCOMPARE(writableProgramFile(FileName), programCopy());
        QCOMPARE(readableProgramFile(FileName), programCopy());

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
        QVERIFY(QFileInfo(perUserDataFolder()).isDir());
        QVERIFY(savePassword(target, QStringLiteral("3333")));
        QCOMPARE(readableProgramFile(FileName), perUserCopy());
        QCOMPARE(LoginSession::forProgramFolder(QString()).password(), QStringLiteral("3333"));
    }

    void numericText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::newRow("digits") << "1234" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blanks only") << "   " << false;
        QTest::newRow("blanks around") << " 12 " << true;
        QTest::newRow("minus") << "-5" << true;
        QTest::newRow("plus") << "+5" << true;
        QTest::newRow("point") << "12.4" << true;
        QTest::newRow("leading point") << ".5" << true;
        QTest::newRow("two points") << "1.2.3" << false;
        QTest::newRow("letter") << "12a" << false;
        QTest::newRow("point only") << "." << false;
        QTest::newRow("sign only") << "-" << false;
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
        auto *lbl0 = w.findChild<QLabel *>(QStringLiteral("lblLabels_0"));
        auto *lbl1 = w.findChild<QLabel *>(QStringLiteral("lblLabels_1"));
        auto *user = w.findChild<QLineEdit *>(QStringLiteral("txtUserName"));
        auto *pass = w.findChild<QLineEdit *>(QStringLiteral("txtPassword"));
        auto *ok = w.findChild<QPushButton *>(QStringLiteral("cmdOK"));
        auto *cancel = w.findChild<QPushButton *>(QStringLiteral("cmdCancel"));
        QVERIFY(lbl0 && lbl1 && user && pass && ok && cancel);
        QCOMPARE(lbl0->text(), QStringLiteral("ﾕｰｻﾞｰ名(&U):"));
        QCOMPARE(lbl1->text(), QStringLiteral("ﾊﾟｽﾜｰﾄﾞ(&P):"));
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(cancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));
        QVERIFY(ok->isDefault());
        QCOMPARE(user->text(), systemLoginName());
        QVERIFY(!systemLoginName().isEmpty());  // the test runs as some user
        QTest::keyClicks(pass, QStringLiteral("1234"));
        QCOMPARE(pass->text(), QStringLiteral("1234"));
        QCOMPARE(pass->displayText(), QStringLiteral("****"));
    }

    // Double-click on the password label with some text in the box.
    void changePassword_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("message");   // empty: no message at all
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("stored");    // password file contents afterwards, empty: no file
        QTest::newRow("empty box") << "lblLabels_1" << "" << int(AnswerOk) << DigitsOnly
                                   << "ﾊﾟｽﾜｰﾄﾞ変更" << 48 << "";
        QTest::newRow("letters") << "lblLabels_1" << "12ab" << int(AnswerOk) << DigitsOnly
                                 << "ﾊﾟｽﾜｰﾄﾞ変更" << 48 << "";
        QTest::newRow("digits, OK") << "lblLabels_1" << "1234" << int(AnswerOk) << Confirm
                                    << "ﾊﾟｽﾜｰﾄﾞ入力" << 65 << "1234";
        QTest::newRow("digits, Cancel") << "lblLabels_1" << "1234" << int(AnswerCancel) << Confirm
                                        << "ﾊﾟｽﾜｰﾄﾞ入力" << 65 << "";
        QTest::newRow("decimal point, OK") << "lblLabels_1" << "12.4" << int(AnswerOk) << Confirm
                                           << "ﾊﾟｽﾜｰﾄﾞ入力" << 65 << "1204";
        QTest::newRow("user name label") << "lblLabels_0" << "1234" << int(AnswerOk) << ""
                                         << "" << 0 << "";
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

        ScriptedPrompts prompts;
        prompts.messageAnswers.push_back(answer);
        frmLogin w(prompts);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(typed);
        auto *lbl = w.findChild<QLabel *>(label);
        QVERIFY(lbl);
        QTest::mouseDClick(lbl, Qt::LeftButton);

        if (message.isEmpty()) {
            QCOMPARE(prompts.countOf(PromptRecord::Message), 0);
        } else {
            QCOMPARE(prompts.countOf(PromptRecord::Message), 1);
            QCOMPARE(prompts.lastMessage()->text, message);
            QCOMPARE(prompts.lastMessage()->title, title);
            QCOMPARE(prompts.lastMessage()->style, style);
        }
        QCOMPARE(QFileInfo::exists(programCopy()), !stored.isEmpty());
        if (!stored.isEmpty()) {
            // The next run's window starts from the stored password.
            QCOMPARE(LoginSession::forProgramFolder(QString()).password(), stored);
            QCOMPARE(w.session().password(), typed);
        }
        QVERIFY(w.isVisible());  // changing the password does not close the window
    }

    void cancelledChangeKeepsOldPassword()
    {
        QVERIFY(savePassword(programCopy(), QStringLiteral("5678")));
        ScriptedPrompts prompts;
        prompts.messageAnswers.push_back(AnswerCancel);
        frmLogin w(prompts);
        QCOMPARE(w.session().password(), QStringLiteral("5678"));
        w.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(QStringLiteral("1234"));
        QTest::mouseDClick(w.findChild<QLabel *>(QStringLiteral("lblLabels_1")), Qt::LeftButton);
        QCOMPARE(w.session().password(), QStringLiteral("5678"));
        QCOMPARE(loadPassword(programCopy(), QTime(1, 1)), QStringLiteral("5678"));
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
        QVERIFY(!QFileInfo::exists(unusable));
    }

    // OK accepts any entry, the stored password is never compared.
    void closing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("loginOk");
        QTest::newRow("OK, empty") << "ok" << "" << true;
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
        auto *pass = w.findChild<QLineEdit *>(QStringLiteral("txtPassword"));
        pass->setFocus();
        pass->setText(typed);
        if (how == QLatin1String("ok"))
            QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        else if (how == QLatin1String("cancel"))
            QTest::mouseClick(w.findChild<QPushButton *>(QStringLiteral("cmdCancel")), Qt::LeftButton);
        else if (how == QLatin1String("enter"))
            QTest::keyClick(pass, Qt::Key_Return);
        else
            QTest::keyClick(pass, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.Login_OK(), loginOk);
        QCOMPARE(w.result(), loginOk ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(prompts.countOf(PromptRecord::Message), 0);
        QCOMPARE(loadPassword(programCopy(), QTime(1, 1)), QStringLiteral("5678"));
    }
};

RZ_REGISTER_TEST(TestLogin)
#include "tst_login.moc"
