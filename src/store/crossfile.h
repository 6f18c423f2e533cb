// Work that reads one estimate file and writes another: the other file is
// attached to the open one, so that a copy between them is a single
// statement of the engine and can share a transaction with other changes.
#pragma once
#include "database.h"

namespace rz {

// Another file reached from `db` under its own schema name while this object
// lives. Attach before a transaction begins and let it go after the
// transaction ends: the engine cannot let go of a file a transaction has read.
class AttachedFile {
public:
    AttachedFile(Database &db, const QString &path);
    ~AttachedFile();
    AttachedFile(const AttachedFile &) = delete;
    AttachedFile &operator=(const AttachedFile &) = delete;
    const QString &schema() const { return schema_; }

private:
    Database &db_;
    QString schema_;
};

// SELECT * INTO target FROM schema.source on `db`: a new table `target` in
// db's own file with the source's column names and declared types (so either
// item-table variant stays what it was), its rows, and its indexes. Throws
// DbError with DbFailure::MissingTable when the source table does not exist.
void copyTableFrom(Database &db, const QString &schema, const QString &sourceTable, const QString &targetTable);

}  // namespace rz
