// `rz90 store copy SRC DST`: moving an estimate file onto a server and back
// from the command line (see store/storecopy.h for the copy itself).
#pragma once
#include <QStringList>
#include <QTextStream>

namespace rz {

enum StoreExit {
    StoreOk = 0,
    StoreUsage = 2,        // missing, extra or unknown words
    StoreNoSource = 3,     // SRC is missing, not an estimate file, or its server cannot be reached
    StoreCannotWrite = 5,  // DST exists, its folder cannot be written, or its connection file is missing
    StoreFailed = 7,       // the copy or its check failed; nothing was made
    StoreCancelled = 9,    // interrupted (Ctrl+C, SIGTERM, SIGHUP); nothing was made
};

// args are the words after "store". The summary goes to out; the progress
// line (on a terminal) and failures to err. Returns an exit code.
int runStoreCommand(const QStringList &args, QTextStream &out, QTextStream &err);

}  // namespace rz
