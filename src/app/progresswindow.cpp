#include "progresswindow.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <memory>

namespace rz {

ConversionProgress conversionProgressWindow(QWidget *parent)
{
    auto dialog = std::make_shared<QProgressDialog>(QStringLiteral("旧形式の見積ファイルを変換中！！"),
                                                    QStringLiteral("キャンセル"), 0, 1000, parent);
    dialog->setObjectName(QStringLiteral("ConversionProgress"));
    dialog->setWindowTitle(QStringLiteral("見積ファイルの変換"));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(400);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    dialog->setValue(0);
    return [dialog](qint64 done, qint64 total) {
        // Per mille, so that any number of rows fits the bar.
        dialog->setValue(total > 0 ? static_cast<int>(done * 1000 / total) : 0);
        QCoreApplication::processEvents();
        return !dialog->wasCanceled();
    };
}

}  // namespace rz
