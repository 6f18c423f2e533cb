#include "legacyopen.h"

#include "legacy/jetfile.h"
#include "ui/prompts.h"

namespace rz {

QString askToConvertJetFile(const QString &jetPath, Prompts &prompts,
                            const std::function<ConversionProgress()> &progressWindow)
{
    if (jetFormatOf(jetPath) == JetFormat::Unknown) {
        prompts.message(QStringLiteral("'%1' は変換できない版の Jet ファイルです。").arg(jetPath), MsgExclamation);
        return {};
    }
    const QString target = convertedFileName(jetPath);
    const QString question = QStringLiteral("この見積ファイルは旧形式（Jet）です。変換して開きますか") +
                             QStringLiteral("\n\n変換後のファイル: %1\n（元のファイルは変更しません）").arg(target);
    if (prompts.message(question, MsgOkCancelQuestion) != AnswerOk)
        return {};
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
