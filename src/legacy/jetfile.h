// Recognising an estimate file kept in the old Jet (Access) format by its
// header, and the name its converted copy takes beside it.
#pragma once
#include <QString>

namespace rz {

enum class JetFormat {
    None,     // not a Jet database (an estimate file of ours, or anything else)
    Jet3,     // Access 97
    Jet4,     // Access 2000 and later .mdb
    Unknown,  // a Jet header with a version this program cannot read
};

// Reads only the first bytes of the file; a missing or unreadable file is None.
JetFormat jetFormatOf(const QString &path);
inline bool isJetFile(const QString &path) { return jetFormatOf(path) != JetFormat::None; }

// A name beside jetPath for its converted copy that no file has yet:
// "工事.mdb" -> "工事_変換.mdb", then "工事_変換(2).mdb", ...
QString convertedFileName(const QString &jetPath);

}  // namespace rz
