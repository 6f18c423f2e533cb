// Start-up sequence of the program.
#include "startup.h"

#include "appfolders.h"
#include "frmmain.h"
#include "frmsplash.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QIcon>
#include <QPushButton>
#include <QTimer>

namespace rz {

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 256})
        icon.addFile(QStringLiteral(":/icons/rz90-%1.png").arg(size), QSize(size, size));
    return icon;
}

std::unique_ptr<frmMain> Main(Shared &shared, Prompts &prompts, const std::function<bool()> &login, int splashMs)
{
    QApplication::setWindowIcon(programIcon());
    {
        frmSplash splash(shared);
        splash.show();
        QCoreApplication::processEvents();
        // A local loop instead of a blocking sleep, so the splash keeps painting;
        // no other window exists yet that could be used meanwhile.
        if (splashMs > 0) {
            QEventLoop wait;
            QTimer::singleShot(splashMs, &wait, &QEventLoop::quit);
            wait.exec();
        }
        splash.close();
    }

    QDir::setCurrent(programFolder());

    auto window = std::make_unique<frmMain>(shared, prompts);
    window->restorePlacement();
    window->show();
    if (login && !login())
        return nullptr;
    window->Command1[0]->setFocus();
    return window;
}

}  // namespace rz
