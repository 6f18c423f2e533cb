#pragma once

#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace rz {

// QSaveFile::commit() of Qt 6.4 puts the new file in place even when its last
// buffered bytes could not be written (disk full, a size limit), so a file cut
// short would replace the earlier one. Flushing first makes that a failure;
// the uncommitted temporary file is then removed and the earlier file stays.
inline bool commitWhole(QSaveFile &file)
{
    return file.flush() && file.commit();
}

// Why a write failed, in words the user can act on. `error` is the system's
// error number taken right after the failing call (0 when unknown); a write
// that a full disk cut short reaches Qt's error text only as "Unknown error".
inline QString writeFailure(int error, const QString &systemText)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("ディスクがいっぱいです。不要なファイルを削除して空きを作るか、別の場所に保存してください。");
    case EDQUOT:
        return QStringLiteral("ディスクの使用量が上限に達しました。不要なファイルを削除して空きを作るか、別の場所に保存してください。");
    case EFBIG:
        return QStringLiteral("ファイルの大きさが、この場所に書ける上限を超えました。");
    default:
        break;
    }
    if (error != 0 && (systemText.isEmpty() || systemText == QLatin1String("Unknown error")))
        return QString::fromLocal8Bit(std::strerror(error));
    return systemText;
}

}  // namespace rz
