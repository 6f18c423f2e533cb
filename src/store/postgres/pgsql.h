// The program's SQL texts as the server takes them. What is translated:
// [bracketed] and "quoted" names (checked, and lower-case, as the server
// folds unquoted names: a name compares without regard to case as in the
// files), "?" marks into $1, $2, ..., the declared column types of CREATE
// TABLE and ALTER TABLE ... ADD (LONG integer, SHORT smallint, CURRENCY
// numeric(19,4), SINGLE real, TEXT(n) varchar(n)) with the hidden row
// identity column added, an INSERT ... VALUES made to return the new row's
// identity, and the transaction statements (the engine keeps their order
// and sends them with the next statement). What is refused: the embedded
// engine's own statements (PRAGMA, ATTACH, DETACH, VACUUM), COLLATE NOCASE,
// the [;DATABASE=path] prefix and a name that is not one the program makes.
#pragma once
#include <QString>
#include <QStringList>
#include <libpq-fe.h>

namespace rz {

// The row identity of every table on the server: a column of its own that
// the program's texts name as they name the embedded engine's rowid. It is
// left out of SELECT * and of every column list the store gives.
extern const char kRowidColumn[];  // "_rowid_"

struct PgSql {
    enum Kind { Query, Insert, Begin, Savepoint, Release, Commit, Rollback, RollbackTo };
    Kind kind = Query;
    QString text;            // for the server
    int params = 0;          // number of $n marks
    bool hideRowid = false;  // a SELECT * : the identity column is not the program's
    QString savepoint;       // of SAVEPOINT, RELEASE and ROLLBACK TO
    QString createdTable;    // lower-case name of the table a CREATE TABLE makes
};

// Throws DbError for what is refused.
PgSql translateSql(const QString &sql);

// A table, column or index name of the program: checked ("TBL00064",
// "key1"; letters, digits and "_", at most 63 characters) and lower-case.
// Throws DbError for any other name.
QString pgName(const QString &name);
// The same, quoted for a statement.
QString pgQuoted(const QString &name);

// The server's type for a declared column type, and back: the declared
// type of a column the server describes by its type and modifier.
QString pgType(const QString &declared);
QString declaredOf(Oid type, int typmod);

}  // namespace rz
