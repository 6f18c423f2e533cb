// Login window and its procedures.
#include "frmlogin.h"

#include "appfolders.h"
#include "passwordfile.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <pwd.h>
#include <unistd.h>

namespace rz {

QString systemLoginName()
{
    if (const passwd *pw = getpwuid(geteuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

bool isNumericText(const QString &text)
{
    const QString t = text.trimmed();
    int i = 0;
    if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
        ++i;
    while (i < t.size() && t[i] == QLatin1Char(' '))
        ++i;
    int digits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            ++digits;
        else if (c == QLatin1Char('.') && !point)
            point = true;
        else
            return false;
    }
    return digits > 0;
}

LoginSession::LoginSession(const QString &userName, const QString &readPath,
                           const QString &writePath, const QTime &now)
    : userName_(userName), password_(loadPassword(readPath, now)), writePath_(writePath)
{
}

LoginSession LoginSession::forProgramFolder(const QString &userName, const QTime &now)
{
    const QString name = QString::fromLatin1(PasswordFileName);
    return LoginSession(userName, readableProgramFile(name), writableProgramFile(name), now);
}

bool LoginSession::changePassword(const QString &typed, Prompts &prompts)
{
    if (!isNumericText(typed)) {
        prompts.message(QStringLiteral("ﾊﾟｽﾜｰﾄﾞは数字のみ、１０桁以内で設定してください。"),
                        MsgExclamation, QStringLiteral("ﾊﾟｽﾜｰﾄﾞ変更"));
        return false;
    }
    if (prompts.message(QStringLiteral("ﾊﾟｽﾜｰﾄﾞを変更します"), MsgOkCancelInformation,
                        QStringLiteral("ﾊﾟｽﾜｰﾄﾞ入力"))
        != AnswerOk)
        return false;
    QString error;
    if (!savePassword(writePath_, typed, &error)) {
        // The file still holds the old password, so the session keeps it too.
        prompts.message(error, MsgExclamation);
        return false;
    }
    password_ = typed;
    return true;
}

frmLogin::frmLogin(Prompts &prompts, QWidget *parent)
    : frmLogin(LoginSession::forProgramFolder(systemLoginName()), prompts, parent)
{
}

frmLogin::frmLogin(LoginSession session, Prompts &prompts, QWidget *parent)
    : QDialog(parent), session_(std::move(session)), prompts_(prompts)
{
    build();
}

void frmLogin::build()
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("ログインパスワード入力"));
    setModal(true);

    lblLabels[0] = new QLabel(QStringLiteral("ﾕｰｻﾞｰ名(&U):"), this);
    lblLabels[1] = new QLabel(QStringLiteral("ﾊﾟｽﾜｰﾄﾞ(&P):"), this);
    lblLabels[0]->setObjectName(QStringLiteral("lblLabels_0"));
    lblLabels[1]->setObjectName(QStringLiteral("lblLabels_1"));

    txtUserName = new QLineEdit(session_.userName(), this);
    txtUserName->setObjectName(QStringLiteral("txtUserName"));

    txtPassword = new QLineEdit(this);
    txtPassword->setObjectName(QStringLiteral("txtPassword"));
    txtPassword->setEchoMode(QLineEdit::Password);
    // Every typed character shows as "*", whatever the platform's own mask.
    txtPassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    lblLabels[0]->setBuddy(txtUserName);
    lblLabels[1]->setBuddy(txtPassword);
    for (QLabel *label : lblLabels)
        label->installEventFilter(this);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK, &QPushButton::clicked, this, &frmLogin::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &frmLogin::reject);

    auto *fields = new QGridLayout;
    fields->addWidget(lblLabels[0], 0, 0);
    fields->addWidget(txtUserName, 0, 1);
    fields->addWidget(lblLabels[1], 1, 0);
    fields->addWidget(txtPassword, 1, 1);
    fields->setColumnMinimumWidth(1, 200);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto *top = new QVBoxLayout(this);
    top->addLayout(fields);
    top->addLayout(buttons);

    txtPassword->setFocus();
}

void frmLogin::accept()
{
    session_.ok();
    QDialog::accept();
}

void frmLogin::reject()
{
    session_.cancel();
    QDialog::reject();
}

bool frmLogin::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == lblLabels[1]) {
            session_.changePassword(txtPassword->text(), prompts_);
            return true;
        }
        if (watched == lblLabels[0])
            return true;  // the user name label has no double-click action
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace rz
