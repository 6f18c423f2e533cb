// Entry point of the program: the command line, then the start-up sequence
// with the real prompts and the login window.
#include "commandline.h"
#include "frmlogin.h"
#include "frmmain.h"
#include "guardedapplication.h"
#include "serverformdialog.h"
#include "startup.h"
#include "store/serverlocation.h"
#include "store/shared.h"
#include "store/stopsignals.h"
#include "ui/qtprompts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char **argv)
{
    // `rz90 print ...`, `rz90 import ...`, the usage and the version end here.
    if (const std::optional<int> code = rz::runCommandLine(argc, argv))
        return *code;
    rz::GuardedApplication app(argc, argv);
    rz::stopSignalsWaitForCreations();
    QApplication::setApplicationName(QStringLiteral("RZ90"));
    QApplication::setOrganizationName(QStringLiteral("RZ90"));
    // Qt's own buttons and dialogs (キャンセル, file dialog) in Japanese.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    // A server that wants a password the user's files do not give asks for
    // it once in this run; it stays in memory only.
    rz::setPasswordProvider([](const QString &server) {
        return rz::askServerPassword(QApplication::activeWindow(), server);
    });
    rz::Shared shared;
    rz::QtPrompts prompts;
    auto login = [&prompts] {
        rz::frmLogin dialog(prompts);
        dialog.exec();
        return dialog.Login_OK();
    };
    std::unique_ptr<rz::frmMain> mainWindow = rz::Main(shared, prompts, login);
    if (!mainWindow)
        return 0;
    prompts.setParent(mainWindow.get());
    return app.exec();
}
