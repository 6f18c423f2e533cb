// Entry point of the program: the start-up sequence with the real prompts
// and the login window.
#include "frmlogin.h"
#include "frmmain.h"
#include "legacy/importcommand.h"
#include "print/batchprint.h"
#include "startup.h"
#include "store/shared.h"
#include "store/stopsignals.h"
#include "ui/qtprompts.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTextStream>
#include <QTranslator>

int main(int argc, char **argv)
{
    // `rz90 print FILE.mdb ...`: batch printing to PDF, no windows.
    if (rz::isBatchPrintCommand(argc, argv)) {
        rz::prepareBatchPrintPlatform();
        QApplication app(argc, argv);
        QTextStream err(stderr);
        return rz::runBatchPrint(QCoreApplication::arguments().mid(2), err);
    }
    // `rz90 import OLD.mdb [NEW.mdb]`: converting an old Jet estimate file.
    if (rz::isImportCommand(argc, argv)) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout), err(stderr);
        return rz::runImport(QCoreApplication::arguments().mid(2), out, err);
    }
    QApplication app(argc, argv);
    rz::stopSignalsWaitForCreations();
    QApplication::setApplicationName(QStringLiteral("RZ90"));
    QApplication::setOrganizationName(QStringLiteral("RZ90"));
    // Qt's own buttons and dialogs (キャンセル, file dialog) in Japanese.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
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
