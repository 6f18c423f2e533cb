#include "jetfile.h"

#include <QFile>
#include <QFileInfo>

namespace rz {

JetFormat jetFormatOf(const QString &path, QString *why)
{
    QFile f(path);
    // Page 0 begins with a fixed signature; the version follows at 0x14.
    const QByteArray head = f.open(QIODevice::ReadOnly) ? f.read(0x18) : QByteArray();
    if (f.error() != QFileDevice::NoError) {
        if (why)
            *why = f.errorString();
        return JetFormat::Unreadable;
    }
    static const QByteArray signature("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    if (head.size() < 0x18 || !head.startsWith(signature))
        return JetFormat::None;
    switch (static_cast<unsigned char>(head[0x14])) {
    case 0: return JetFormat::Jet3;
    case 1: return JetFormat::Jet4;
    default: return JetFormat::Unknown;
    }
}

QString convertedFileName(const QString &jetPath, const QString &folder)
{
    const QFileInfo fi(jetPath);
    const QString stem = (folder.isEmpty() ? fi.absolutePath() : folder) + u'/' + fi.completeBaseName() + QStringLiteral("_変換");
    const QString suffix = fi.suffix().isEmpty() ? QStringLiteral(".mdb") : u'.' + fi.suffix();
    QString name = stem + suffix;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = stem + QStringLiteral("(%1)").arg(n) + suffix;
    return name;
}

}  // namespace rz
