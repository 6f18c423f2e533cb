// The one error type of the store layer. It carries the kind of failure the
// windows tell apart, the same on every engine, the description (the
// engine's own text when the engine failed) and the file it happened on; the
// words the user reads are made from it (failuretext.h).
#pragma once
#include <QString>
#include <stdexcept>

namespace rz {

// What went wrong, in terms that mean the same on every engine. Callers
// decide on this alone, never on an engine's numbers or texts.
enum class DbFailure {
    Other,            // anything else; the description says what
    NotFound,         // no estimate file at the place given
    NotADatabase,     // the file is not an estimate file (not a database)
    Damaged,          // the file is broken
    Busy,             // another program holds the file (locked)
    ReadOnly,         // the file, its folder or the user's rights allow no writing
    TypeMismatch,     // a stored value its column's type cannot hold
    NoCurrentRecord,  // a recordset moved past its rows
    RecordDeleted,    // deleted since it was read (by another program)
    WriteConflict,    // changed by another program since it was read
    Constraint,       // a value the file's rules refuse
    DiskFull,         // no room left for the file
    MissingTable,     // a table named in a statement does not exist (deleted elsewhere)
    IoError,          // the disk refused a read or a write
    NotUpdatable,     // a write through a recordset that cannot take it
    ConnectionLost,   // the server cannot be reached, or the connection to it broke
};

class DbError : public std::runtime_error {
public:
    explicit DbError(const QString &description, DbFailure reason = DbFailure::Other, const QString &file = QString())
        : std::runtime_error(description.toStdString()), description_(description), reason_(reason), file_(file) {}
    // A failure the engine reported, in its own words. For MissingTable the
    // engine names the table, so that no one above it reads its words.
    static DbError fromEngine(const QString &engineText, DbFailure reason, const QString &file = QString(),
                              const QString &table = QString())
    {
        DbError e(engineText, reason, file);
        e.engine_ = true;
        e.table_ = table;
        return e;
    }
    const QString &description() const { return description_; }
    DbFailure reason() const { return reason_; }
    const QString &file() const { return file_; }  // the database file, when the engine named one
    const QString &table() const { return table_; }  // the missing table, when the engine named one
    bool isEngineText() const { return engine_; }    // the description is the engine's, not the program's

private:
    QString description_;
    DbFailure reason_;
    QString file_;
    QString table_;
    bool engine_ = false;
};

// The failure of a row that is gone.
inline DbError recordDeletedError()
{
    return DbError(QStringLiteral("レコードは削除されています。"), DbFailure::RecordDeleted);
}

}  // namespace rz
