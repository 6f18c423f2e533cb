// Free physical memory in percent, read from the kernel's memory report.
#include "memfree.h"

#include <QFile>
#include <QList>

namespace rz {

int memFreePercent(quint64 available, quint64 total)
{
    if (total == 0)
        return 0;
    // floor(available / total * 100 + 0.5) = floor((200 * available + total) / (2 * total))
    using U128 = unsigned __int128;
    const U128 percent = (U128(available) * 200 + total) / (U128(total) * 2);
    return percent > 100 ? 100 : static_cast<int>(percent);
}

int memFreePercentFromMeminfo(const QByteArray &meminfo)
{
    quint64 total = 0;
    quint64 available = 0;
    quint64 free = 0;
    bool haveTotal = false;
    bool haveAvailable = false;
    bool haveFree = false;
    for (const QByteArray &line : meminfo.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray key = line.left(colon).trimmed();
        // "MemTotal:       16318412 kB": the unit is the same on every line.
        const QList<QByteArray> fields = line.mid(colon + 1).simplified().split(' ');
        bool ok = false;
        const quint64 value = fields.isEmpty() ? 0 : fields.first().toULongLong(&ok);
        if (!ok)
            continue;
        if (key == "MemTotal") {
            total = value;
            haveTotal = true;
        } else if (key == "MemAvailable") {
            available = value;
            haveAvailable = true;
        } else if (key == "MemFree") {
            free = value;
            haveFree = true;
        }
    }
    if (!haveTotal || !(haveAvailable || haveFree))
        return 0;
    return memFreePercent(haveAvailable ? available : free, total);
}

int MemFree()
{
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return memFreePercentFromMeminfo(file.readAll());
}

}  // namespace rz
