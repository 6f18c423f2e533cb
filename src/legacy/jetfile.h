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
    Unreadable,  // missing, or its first bytes cannot be read
};

// Reads only the first bytes of the file. For an unreadable file, why is set
// to the system's reason when given.
JetFormat jetFormatOf(const QString &path, QString *why = nullptr);
inline bool isJetFile(const QString &path)
{
    const JetFormat f = jetFormatOf(path);
    return f != JetFormat::None && f != JetFormat::Unreadable;
}

// A name for the converted copy of jetPath that no file has yet, beside it or
// in folder: "工事.mdb" -> "工事_変換.mdb", then "工事_変換(2).mdb", ...
QString convertedFileName(const QString &jetPath, const QString &folder = QString());

}  // namespace rz
