// Estimate-file dialogs by mode.
#include "filechoice.h"

#include <QDir>

namespace rz {

QString estimateFileFilter()
{
    // Both kinds first: an estimate file, or a connection file naming one on a server.
    return QStringLiteral("見積書ファイル(*.mdb *.rzdb)|*.mdb;*.rzdb|mdbﾌｧｲﾙ(*.mdb)|*.mdb|接続ファイル(*.rzdb)|*.rzdb");
}

FileDialogRequest fileDialogForMode(int mode, const QString &programFolder, const QString &DB_Path1)
{
    FileDialogRequest req;
    req.save = mode > 9;
    // Open dialogs accept only an existing file in an existing folder; the
    // save dialog must accept a new name, and the caller refuses existing ones.
    req.mustExist = !req.save;
    req.filter = estimateFileFilter();
    req.initialDir = programFolder;
    switch (mode) {
    case 0:
        req.title = QStringLiteral("見積書ファイルを開く");
        break;
    case 1:
        req.title = QStringLiteral("見積書ファイル(1)を開く");
        break;
    case 2:
        req.title = QStringLiteral("見積書ファイル(2)を開く [") + DB_Path1 + u']';
        break;
    case 3:
        req.title = QStringLiteral("見積書ファイルを最適化する");
        break;
    case 10:
        req.title = QStringLiteral("見積書ファイルを作成する");
        req.proposedName = QStringLiteral("見積書.mdb");
        break;
    default:
        break;
    }
    return req;
}

QString sb_SelFile(int mode, Prompts &prompts, const QString &programFolder, const QString &DB_Path1)
{
    // Relative names typed into the dialog resolve against the program folder.
    if (!programFolder.isEmpty())
        QDir::setCurrent(programFolder);
    return prompts.chooseFile(fileDialogForMode(mode, programFolder, DB_Path1));
}

}  // namespace rz
