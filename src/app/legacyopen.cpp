#include "legacyopen.h"

#include "filechoice.h"
#include "legacy/jetfile.h"
#include "store/partfiles.h"
#include "ui/prompts.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace rz {

QString askToConvertJetFile(const QString &jetPath, Prompts &prompts,
                            const std::function<ConversionProgress()> &progressWindow)
{
    if (jetFormatOf(jetPath) == JetFormat::Unknown) {
        prompts.message(QStringLiteral("'%1' は変換できない版の Jet ファイルです。").arg(jetPath), MsgExclamation);
        return {};
    }
    QString target = convertedFileName(jetPath);
    // A file in a folder the user may not write into (a CD, a shared folder
    // read-only to them): the copy goes where the user says.
    const QString folder = QFileInfo(target).absolutePath();
    const bool beside = canCreateFileAt(target);
    const QString question =
        QStringLiteral("この見積ファイルは旧形式（Jet）です。変換して開きますか\n\n") +
        (beside ? QStringLiteral("変換後のファイル: %1").arg(target)
                : QStringLiteral("このファイルのフォルダ（%1）には書き込めないため、変換後のファイルの保存先を選んでください。")
                      .arg(folder)) +
        QStringLiteral("\n（元のファイルは変更しません）");
    if (prompts.message(question, MsgOkCancelQuestion) != AnswerOk)
        return {};
    if (!beside) {
        FileDialogRequest where;
        where.save = true;
        where.title = QStringLiteral("変換後のファイルの保存先");
        where.filter = estimateFileFilter();
        where.initialDir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        where.proposedName = QFileInfo(convertedFileName(jetPath, where.initialDir)).fileName();
        target = prompts.chooseFile(where);
        if (target.isEmpty())
            return {};
    }
    ConversionSummary summary;
    prompts.setBusy(true);
    try {
        summary = convertJetFile(jetPath, target, progressWindow ? progressWindow() : ConversionProgress());
    } catch (const ConversionCancelled &e) {
        prompts.setBusy(false);
        prompts.message(e.description(), MsgInformation);
        return {};
    } catch (const DbError &e) {
        prompts.setBusy(false);
        prompts.message(e.description() + QStringLiteral("\n変換後のファイルは作られていません。"), MsgExclamation);
        return {};
    }
    prompts.setBusy(false);
    prompts.message(summary.text(), MsgInformation);
    return target;
}

}  // namespace rz
