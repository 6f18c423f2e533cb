// Compacting an estimate file: a fresh, tightly packed copy replaces the file
// only after it has been checked, so a failure never costs the user the file.
#pragma once
#include "dberror.h"

#include <QString>
#include <functional>

namespace rz {

// Compacts the estimate file at `path` through the work file `workPath`.
// A work file left behind by an earlier run that was cut short is deleted
// first: it can only be an unfinished copy, never the user's data.
// Throws DbError with a description for the user when the file cannot be
// opened or locked (another program uses it), is damaged, or cannot be
// replaced; the original is then exactly as it was and no work file remains.
// An estimate file on a server (a connection file) is not copied: the
// server's own maintenance runs on its tables, and workPath is not used.
void compactEstimateFile(const QString &path, const QString &workPath);

// Tests: called with the work file once it holds the compacted copy and
// before the copy is checked, to damage it and see the check refuse it.
void setCompactedCopyHookForTesting(std::function<void(const QString &workPath)> hook);

}  // namespace rz
