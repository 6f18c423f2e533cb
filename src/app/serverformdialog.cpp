#include "serverformdialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace rz {

std::optional<ServerLocation> askServerLocation(QWidget *parent, const ServerForm &proposed)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("サーバーに見積書ファイルを作成する"));
    auto *layout = new QFormLayout(&dialog);
    auto field = [&](const QString &label, const QString &text) {
        auto *edit = new QLineEdit(text, &dialog);
        layout->addRow(label, edit);
        return edit;
    };
    QLineEdit *host = field(QStringLiteral("サーバー"), proposed.host);
    QLineEdit *port = field(QStringLiteral("ポート"), proposed.port);
    QLineEdit *dbname = field(QStringLiteral("データベース"), proposed.dbname);
    dbname->setPlaceholderText(QStringLiteral("（ユーザー名と同じ）"));
    QLineEdit *schema = field(QStringLiteral("スキーマ"), proposed.schema);
    QLineEdit *user = field(QStringLiteral("ユーザー"), proposed.user);
    user->setPlaceholderText(QStringLiteral("（ログイン名）"));
    auto *problem = new QLabel(&dialog);
    problem->setStyleSheet(QStringLiteral("color: #b00020"));
    problem->setWordWrap(true);
    layout->addRow(problem);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    layout->addRow(buttons);
    std::optional<ServerLocation> chosen;
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        QString why;
        chosen = serverLocationOf({host->text(), port->text(), dbname->text(), schema->text(), user->text()}, &why);
        if (chosen)
            dialog.accept();
        else
            problem->setText(why);
    });
    (proposed.schema.isEmpty() ? schema : host)->setFocus();
    return dialog.exec() == QDialog::Accepted ? chosen : std::nullopt;
}

std::optional<QString> askServerPassword(QWidget *parent, const QString &server)
{
    bool ok = false;
    const QString password = QInputDialog::getText(parent, QStringLiteral("パスワード"),
                                                   QStringLiteral("サーバー %1 のパスワード:").arg(server),
                                                   QLineEdit::Password, QString(), &ok);
    return ok ? std::optional<QString>(password) : std::nullopt;
}

}  // namespace rz
