// Copying a whole estimate file from one store to another: an estimate file
// onto a server and back, or between two servers or two files. The copy
// appears only when it was written whole and checked (rows and amount totals
// of every table), and never replaces a store.
#pragma once
#include "dberror.h"

#include <QString>
#include <functional>

namespace rz {

class Database;

struct StoreCopySummary {
    int tables = 0;
    int estimates = 0;   // rows of the index table
    qint64 rows = 0;     // rows of every table
    QString text(const QString &target) const;
};

// Told before each table is copied (done tables of total).
using StoreCopyProgress = std::function<void(int done, int total, const QString &table)>;

// The copy stopped on a stop signal (Ctrl+C); nothing was made.
class StoreCopyCancelled : public DbError {
public:
    StoreCopyCancelled() : DbError(QStringLiteral("コピーを中止しました。コピー先は作られていません。")) {}
};

// Whether a new store may be made at a location: a file that does not exist
// in a folder that can be written, or an existing connection file whose
// schema is not yet on its server.
enum class NewStore { Free, Exists, NoConnectionFile, CannotWrite, Unusable };
// `why` gets the reason when it is Unusable (the server cannot be reached,
// the connection file is refused).
NewStore newStoreAt(const QString &location, QString *why = nullptr);

// Copies every table of the estimate file `from` (opened read-only, it must
// hold the index table) into a new store at `to`: a file that does not
// exist, or a connection file naming a schema not yet on its server. Throws
// DbError when `from` cannot be read, `to` exists or cannot be made, the
// source changed during the copy, or the check finds the copy unlike its
// source; StoreCopyCancelled on a stop signal. Whatever fails leaves no
// file and no schema at `to`.
StoreCopySummary copyEstimateStore(const QString &from, const QString &to, const StoreCopyProgress &progress = {});

// Tests only: runs on the copy after its rows were written and before they
// are checked, so that a test can spoil it and see the check refuse it.
void setStoreCopyHookForTesting(std::function<void(Database &)> hook);

}  // namespace rz
