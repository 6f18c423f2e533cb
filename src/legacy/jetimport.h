// Converting an estimate file kept in the Jet format into an estimate file of
// this program, once and whole: the Jet file is only read, and the new file
// appears under its name only after it has been written and checked.
#pragma once
#include "store/dberror.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace rz {

class Database;

struct ConversionSummary {
    QString target;
    int estimates = 0;          // rows of the index table
    qint64 itemRows = 0;        // rows of all item tables
    QStringList emptyTables;    // item tables made empty for index rows that had none
    QStringList orphanTables;   // item tables without an index row: left out
    QStringList otherTables;    // tables that are no estimate tables: left out

    // What the user is told when the conversion is done.
    QString text() const;
};

// Told the rows written so far of all rows; returns false when the user
// cancels. Called often enough to keep a window responsive.
using ConversionProgress = std::function<bool(qint64 done, qint64 total)>;

// The conversion stopped because the user asked; no file was made.
class ConversionCancelled : public DbError {
public:
    ConversionCancelled() : DbError(QStringLiteral("変換を中止しました。ファイルは作られていません。")) {}
};

// Converts the Jet estimate file at jetPath into a new estimate file at
// target: the index table RZTBLIDX and the item table of every index row,
// each column with the type the Jet file declares, Nulls as Nulls. An index
// row without an item table gets an empty one; other tables are left out and
// listed in the summary. Throws DbError (a message for the user) when the
// file is damaged, protected, of another schema, or target exists or cannot
// be written; ConversionCancelled on cancel. Either way nothing is left at
// target.
ConversionSummary convertJetFile(const QString &jetPath, const QString &target,
                                 const ConversionProgress &progress = {});

// Tests only: runs on the new database after its rows were written and before
// they are checked against what was read, so that a test can spoil the copy
// and see the check refuse it. An empty function removes it.
void setConversionCopyHookForTesting(std::function<void(Database &)> hook);

}  // namespace rz
