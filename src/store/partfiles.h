// The part files a whole-file creation writes beside its target
// (".NAME.XXXXXX.part" and the engine's journal of it): reserving one, the
// lock its writer holds on it while writing, and removing those that a run
// killed half way left behind.
#pragma once
#include <QString>

namespace rz {

// Reserves a new part file name beside target (an empty file that now exists
// under it). Throws DbError naming target when the folder takes no file.
QString reservePartFile(const QString &target);

// Whether a file can be created at target: tried with a part file, since the
// permissions do not tell (root, read-only mounts, folders of the system).
bool canCreateFileAt(const QString &target);

// The writer's mark that a part file is being written: a whole-file lock
// (flock) on it, held while this lives. The embedded engine's own locks are
// byte-range locks of another kind and never meet it. Release it only after the database
// on the file is closed: closing any descriptor of a file drops the byte-range
// locks this process holds on it.
class PartFileLock {
public:
    PartFileLock() = default;
    ~PartFileLock();
    PartFileLock(const PartFileLock &) = delete;
    PartFileLock &operator=(const PartFileLock &) = delete;
    // False when the file is gone or locked already: a cleaner of another run
    // took it between its creation and now.
    bool lock(const QString &partFile);

private:
    int fd_ = -1;
};

// Removes from folder the part files that no live writer holds locked (by
// the writer's lock, or by the engine's before the writer took its own), with
// the engine's files beside them, and such engine files whose part file is
// gone. Files of other names and anything that is no plain file stay.
void removeLeftoverPartFiles(const QString &folder);

}  // namespace rz
