#include "failuretext.h"

#include "dberror.h"

#include <QRegularExpression>

namespace rz {

namespace {
// What happened and what to do, for the failures the user can do something about.
QString whatHappened(const DbError &e)
{
    const QString file = e.file();
    switch (e.reason()) {
    case DbFailure::Busy:
        return QStringLiteral("見積書ファイル '%1' は他のプログラムが使用中のため、読み書きできませんでした。"
                              "そのプログラムの処理が終わってから、もう一度操作してください。")
            .arg(file);
    case DbFailure::DiskFull:
        return QStringLiteral("ディスクがいっぱいのため、見積書ファイル '%1' に書き込めませんでした。"
                              "不要なファイルを削除して空きを作ってから、もう一度操作してください。")
            .arg(file);
    case DbFailure::MissingTable: {
        // An item table is the estimate itself; any other table is part of the file.
        static const QRegularExpression itemTable(QStringLiteral(R"(^TBL\d{5}$)"),
                                                  QRegularExpression::CaseInsensitiveOption);
        if (itemTable.match(e.table()).hasMatch())
            return QStringLiteral("この見積書は他のプログラムで削除されました。");
        return QStringLiteral("見積書ファイル '%1' に必要な表がありません。他のプログラムで削除された可能性があります。")
            .arg(file);
    }
    case DbFailure::ReadOnly:
        return QStringLiteral("見積書ファイル '%1' は読み取り専用のため、書き込めませんでした。").arg(file);
    case DbFailure::Damaged:
        return QStringLiteral("見積書ファイル '%1' は壊れています。").arg(file);
    case DbFailure::NotADatabase:
        return QStringLiteral("ファイル '%1' は見積書ファイル（データベース）ではありません。").arg(file);
    case DbFailure::ConnectionLost:
        return QStringLiteral("見積書ファイル '%1' のサーバーとの接続が切れました。"
                              "保存していない変更は書き込まれていません。"
                              "ネットワークとサーバーを確かめてから、もう一度操作してください。")
            .arg(file);
    case DbFailure::IoError:
        return QStringLiteral("見積書ファイル '%1' の読み書きに失敗しました。"
                              "ディスクや接続先を確かめてから、もう一度操作してください。")
            .arg(file);
    default:
        break;
    }
    // A failure of another kind: the program's own failures, and texts a
    // file's triggers raise, say what happened themselves; the engine's own
    // words are English.
    bool english = true;
    for (QChar c : e.description())
        english = english && c.unicode() < 0x80;
    return file.isEmpty() || !english ? QString()
                                      : QStringLiteral("見積書ファイル '%1' の処理に失敗しました。").arg(file);
}
}  // namespace

QString failureText(const std::exception &e)
{
    const auto *db = dynamic_cast<const DbError *>(&e);
    if (!db)
        return QString::fromUtf8(e.what());
    const QString said = whatHappened(*db);
    return said.isEmpty() ? db->description() : said + u'\n' + db->description();
}

}  // namespace rz
