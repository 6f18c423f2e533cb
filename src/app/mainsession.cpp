// Main window button procedures.
#include "mainsession.h"

#include "appfolders.h"
#include "filechoice.h"
#include "legacyopen.h"
#include "settings.h"
#include "legacy/jetfile.h"
#include "store/compaction.h"
#include "store/schema.h"
#include "store/shared.h"
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
}

void MainSession::createEstimateFile()
{
    shared_.DB_Path = sb_SelFile(10, prompts_, programFolder(), shared_.DB_Path1);
    if (shared_.DB_Path.isEmpty())
        return;
    if (QFileInfo::exists(shared_.DB_Path)) {
        prompts_.message(QStringLiteral("ファイルが存在するので新規作成できません"), MsgCritical);
        return;
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
        // Nothing was made under the chosen name: the file is created whole or not at all.
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
