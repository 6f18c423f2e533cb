// Main window button procedures.
#include "mainsession.h"

#include "appfolders.h"
#include "filechoice.h"
#include "legacyopen.h"
#include "settings.h"
#include "legacy/jetfile.h"
#include "store/compaction.h"
#include "store/schema.h"
#include "store/serverlocation.h"
#include "store/shared.h"
#include "store/storecopy.h"
#include "transfer/transfersession.h"
#include "ui/prompts.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace rz {

MainSession::MainSession(Shared &shared, Prompts &prompts, MainHost &host)
    : shared_(shared), prompts_(prompts), host_(host)
{
}

void MainSession::Command1_Click(int index)
{
    switch (index) {
    case Open: openEstimateFile(); break;
    case Transfer: openTransfer(); break;
    case Compact: compactFile(); break;
    case NewFile: createEstimateFile(); break;
    case Quit: quit(); break;
    default: break;
    }
}

void MainSession::showIndexWindow()
{
    host_.setButtonsVisible(false);
    prompts_.setBusy(true);
    host_.openIndexWindow();
    prompts_.setBusy(false);
}

QString MainSession::chooseEstimateFile(int mode)
{
    const QString path = sb_SelFile(mode, prompts_, programFolder(), shared_.DB_Path1);
    if (path.isEmpty() || !isJetFile(path))
        return path;
    // Chosen again in this run (the second file of 編集, say): the copy made then.
    const QString original = QFileInfo(path).canonicalFilePath();
    const auto made = converted_.find(original);
    if (made != converted_.end() && QFileInfo::exists(made->second))
        return made->second;
    const QString copy = askToConvertJetFile(path, prompts_, [this] { return host_.conversionProgress(); });
    if (!copy.isEmpty())
        converted_[original] = copy;
    return copy;
}

void MainSession::openEstimateFile()
{
    shared_.DB_Path = chooseEstimateFile(0);
    if (shared_.DB_Path.isEmpty())
        return;
    showIndexWindow();
}

void MainSession::openTransfer()
{
    shared_.DB_Path = chooseEstimateFile(1);
    if (shared_.DB_Path.isEmpty())
        return;
    shared_.DB_Path1 = shared_.DB_Path;
    shared_.DB_Path = chooseEstimateFile(2);
    if (shared_.DB_Path.isEmpty())
        return;
    // The same file twice, however named, or a file the index window holds.
    if (const QString why = TransferSession::refusal(shared_.DB_Path1, shared_.DB_Path, shared_); !why.isEmpty()) {
        prompts_.message(why, MsgExclamation);
        return;
    }
    shared_.DB_Path2 = shared_.DB_Path;
    host_.openTransferWindow();
}

void MainSession::compactFile()
{
    shared_.DB_Path = chooseEstimateFile(3);
    if (shared_.DB_Path.isEmpty())
        return;
    const QString workPath = writableProgramFile(QStringLiteral("wkfile.mdb"));
    // Let the closed dialog disappear before the wait.
    QCoreApplication::processEvents();
    prompts_.setBusy(true);
    try {
        compactEstimateFile(shared_.DB_Path, workPath);
    } catch (const DbError &e) {
        prompts_.setBusy(false);
        prompts_.message(e.description(), MsgExclamation);
        return;
    }
    prompts_.setBusy(false);
    // A server's maintenance leaves no new file to see: the user is told it ran.
    if (isServerLocation(shared_.DB_Path))
        prompts_.message(QStringLiteral("サーバーの見積書ファイル %1 を、サーバーの保守処理で最適化しました。")
                             .arg(QFileInfo(shared_.DB_Path).fileName()),
                         MsgInformation);
}

void MainSession::createEstimateFile()
{
    shared_.DB_Path = sb_SelFile(10, prompts_, programFolder(), shared_.DB_Path1);
    if (shared_.DB_Path.isEmpty())
        return;
    const QString &path = shared_.DB_Path;
    bool madeConnectionFile = false;
    QString why;
    // A connection file may exist before its store: one naming a schema not
    // yet on the server is made now; a new one asks where the store goes.
    const NewStore state = isServerLocation(path) ? newStoreAt(path, &why)
                           : QFileInfo::exists(path) ? NewStore::Exists
                                                     : NewStore::Free;
    if (state == NewStore::Exists) {
        prompts_.message(QStringLiteral("ファイルが存在するので新規作成できません"), MsgCritical);
        return;
    }
    if (state == NewStore::Unusable) {
        prompts_.message(why, MsgExclamation);
        return;
    }
    if (state == NewStore::NoConnectionFile) {
        const std::optional<ServerLocation> server = host_.askServerLocation(proposedServerForm(path));
        if (!server)
            return;
        try {
            writeConnectionFile(path, *server);
        } catch (const DbError &e) {
            prompts_.message(e.description(), MsgExclamation);
            return;
        }
        madeConnectionFile = true;
    }
    try {
        // A new file has the user's default issuer from the start.
        const Issuer issuer = readDefaultIssuer(*openUserSettings());
        createWholeFile(shared_.DB_Path, [&issuer](Database &db) {
            db.createTable(QString::fromLatin1(kIndexTable), indexTableColumns());
            if (!issuer.isEmpty())
                writeIssuer(db, issuer);
        });
    } catch (const DbError &e) {
        // Nothing was made under the chosen name: the file is created whole
        // or not at all, and a connection file written for it goes again.
        if (madeConnectionFile)
            QFile::remove(path);
        prompts_.message(e.description(), MsgExclamation);
        return;
    }
    showIndexWindow();
}

void MainSession::quit()
{
    host_.closeAll();
}

}  // namespace rz
