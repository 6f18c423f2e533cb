// The percentage of free physical memory that the index window and the
// breakdown editor show beside their lists.
#pragma once
#include <QByteArray>
#include <QtGlobal>

namespace rz {

// available / total x 100, rounded half up, computed exactly in integers;
// 0 when total is 0, at most 100.
int memFreePercent(quint64 available, quint64 total);

// The percentage from the text of /proc/meminfo (MemAvailable, or MemFree on
// kernels without it, against MemTotal); 0 when the text lacks them.
int memFreePercentFromMeminfo(const QByteArray &meminfo);

// Free physical memory of this machine in percent, 0 .. 100.
int MemFree();

}  // namespace rz
