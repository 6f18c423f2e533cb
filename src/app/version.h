// The program's name and version as the windows show them.
#pragma once
#include <QString>

// The build may pass the project version; otherwise the release numbers below hold.
#ifndef RZ_VERSION_MAJOR
#define RZ_VERSION_MAJOR 1
#define RZ_VERSION_MINOR 0
#define RZ_VERSION_PATCH 0
#endif

namespace rz {

constexpr int kVersionMajor = RZ_VERSION_MAJOR;
constexpr int kVersionMinor = RZ_VERSION_MINOR;
constexpr int kVersionRevision = RZ_VERSION_PATCH;

// The application title: the name of the settings store and the start of the
// main window's caption.
inline QString applicationTitle() { return QStringLiteral("RZ90"); }

// The company named in the program's version information; it is the company
// name printed on an estimate until the user types another one.
inline QString companyName() { return QStringLiteral("tavro"); }

// Major "." minor followed directly by the revision: 1.0.0 -> "1.00", 2.1.3 -> "2.13".
inline QString versionText(int major, int minor, int revision)
{
    return QString::number(major) + u'.' + QString::number(minor) + QString::number(revision);
}

inline QString versionText() { return versionText(kVersionMajor, kVersionMinor, kVersionRevision); }

}  // namespace rz
