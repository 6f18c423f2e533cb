// The login window shown before any estimate work: the user's login name, a
// password box, OK to continue and Cancel to end the program. A double-click on
// the password label stores the typed digits as the new password.
#pragma once
#include "ui/prompts.h"

#include <QDialog>
#include <QString>
#include <QTime>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace rz {

// The login name of the user running the program, empty when none is known.
QString systemLoginName();

// VB-style numeric test for the password box: blanks around, an optional sign,
// digits with at most one decimal point.
bool isNumericText(const QString &text);

// What the login window does, without widgets.
class LoginSession {
public:
    // Loads the current password from `readPath`; a changed one is written to `writePath`.
    LoginSession(const QString &userName, const QString &readPath, const QString &writePath,
                 const QTime &now = QTime::currentTime());
    // The session for the password file kept with the program.
    static LoginSession forProgramFolder(const QString &userName,
                                         const QTime &now = QTime::currentTime());

    const QString &userName() const { return userName_; }
    const QString &password() const { return password_; }
    const QString &passwordFile() const { return writePath_; }

    // Double-click on the password label with `typed` in the password box.
    // Returns true when the password was changed and written.
    bool changePassword(const QString &typed, Prompts &prompts);

    void ok() { Login_OK = true; }
    void cancel() { Login_OK = false; }

    bool Login_OK = false;

private:
    QString userName_;
    QString password_;
    QString writePath_;
};

class frmLogin : public QDialog {
    Q_OBJECT
public:
    explicit frmLogin(Prompts &prompts, QWidget *parent = nullptr);
    frmLogin(LoginSession session, Prompts &prompts, QWidget *parent = nullptr);

    bool Login_OK() const { return session_.Login_OK; }
    const LoginSession &session() const { return session_; }

    void accept() override;
    void reject() override;  // Cancel, Esc and the close box alike

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();

    LoginSession session_;
    Prompts &prompts_;
    std::array<QLabel *, 2> lblLabels{};
    QLineEdit *txtUserName = nullptr;
    QLineEdit *txtPassword = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
};

}  // namespace rz
