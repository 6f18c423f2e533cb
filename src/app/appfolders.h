// Where the program keeps the files it owns next to its executable (the
// password file, the compaction work file), with a per-user fallback for
// installations whose program folder is read-only.
#pragma once
#include <QString>

namespace rz {

// The folder the executable was started from.
QString programFolder();
// Points programFolder() somewhere else (tests); an empty path restores the real one.
void setProgramFolderForTesting(const QString &path);

// The per-user application data folder, created when missing.
QString perUserDataFolder();

// Where the program writes its own file `name`: the program folder when it may
// write there, else the per-user data folder.
QString writableProgramFile(const QString &name);
// Where the program reads its own file `name` from: the copy in the place it
// would write to when that exists, else the other existing copy, else the
// program folder path (which may not exist).
QString readableProgramFile(const QString &name);

}  // namespace rz
