// The one error type of the store layer. It carries the engine's description,
// the kind of failure the windows tell apart whatever the engine, and the file
// it happened on; the words the user reads are made from it (failuretext.h).
#pragma once
#include <QString>
#include <stdexcept>

namespace rz {

// Codes of the failures the windows tell apart, as the engine numbered them.
enum DbErrorCode : int {
    kTypeMismatch = 13,      // a stored value its column's type cannot hold
    kNoCurrentRecord = 3021,
    kRecordDeleted = 3167,   // deleted since it was read (by another program)
    kWriteConflict = 3197,   // changed by another program since it was read
};

// What went wrong, in terms that mean the same on every engine.
enum class DbFailure {
    Other,
    Busy,          // another program holds the file (locked)
    DiskFull,      // no room left for the file
    MissingTable,  // a table named in a statement does not exist (deleted elsewhere)
    ReadOnly,      // the file or its folder cannot be written
    Damaged,       // the file is not a database or is broken
    IoError,       // the disk refused a read or a write
};

class DbError : public std::runtime_error {
public:
    explicit DbError(const QString &description, int code = 0, DbFailure reason = DbFailure::Other,
                     const QString &file = QString())
        : std::runtime_error(description.toStdString()), description_(description), code_(code), reason_(reason),
          file_(file) {}
    const QString &description() const { return description_; }
    int code() const { return code_; }
    DbFailure reason() const { return reason_; }
    const QString &file() const { return file_; }  // the database file, when the engine named one

private:
    QString description_;
    int code_;
    DbFailure reason_;
    QString file_;
};

// The failure of a row that is gone.
inline DbError recordDeletedError() { return DbError(QStringLiteral("レコードは削除されています。"), kRecordDeleted); }

}  // namespace rz
