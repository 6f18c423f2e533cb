// Where the program keeps its own files (the password file, the compaction
// work file): next to its executable when it runs from its build folder, in
// the per-user data folder when it is installed or its folder is read-only.
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
// write there and is not installed (under /usr, /opt and the like), else the
// per-user data folder.
QString writableProgramFile(const QString &name);
// Where the program reads its own file `name` from: the copy in the place it
// would write to when that exists, else the other existing copy, else the
// program folder path (which may not exist). An installed program reads only
// the per-user copy.
QString readableProgramFile(const QString &name);

}  // namespace rz
