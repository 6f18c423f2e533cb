// Estimate files kept on a database server. A connection file NAME.rzdb, a
// small INI-style text with a group [server], stands for one estimate file:
// the connection keywords of the server (host, port, dbname, user, sslmode,
// service, ...) and the schema that holds the file's tables. It never holds
// a password, so it can sit on a shared folder: the password comes from the
// user's own password or service file, or is asked once per session through
// the provider the application sets, and is kept in memory only.
#pragma once
#include "dberror.h"

#include <QString>
#include <functional>
#include <map>
#include <optional>

namespace rz {

// Whether a location names a connection file rather than an estimate file.
bool isServerLocation(const QString &location);

struct ServerLocation {
    // Connection keywords by their lower-case name ("host", "port", "dbname",
    // "user", "sslmode", "service", ...); empty values are left out.
    std::map<QString, QString> keywords;
    QString schema;
    QString value(const char *key) const;
    // "user@host:port/dbname", for messages and the password question.
    QString describe() const;
};

// Whether two locations lead to one store: one file however named
// (sameFile), or two connection files naming one schema of one database.
bool sameStore(const QString &a, const QString &b);

// Reads a connection file. Throws DbError (NotFound when it is missing) for a
// file that cannot be read, names a keyword the program does not know, names
// a password, or lacks a valid schema name.
ServerLocation readConnectionFile(const QString &path);

// Writes a connection file whole (never half a file); refuses what reading
// would refuse. Does not create the schema: Database::create does.
void writeConnectionFile(const QString &path, const ServerLocation &location);

// Checks a schema name: lower-case letters, digits and "_", starting with a
// letter or "_", at most 63 characters, not one of the server's own
// ("pg_...", "information_schema"). Returns the refusal, empty when valid.
QString schemaNameProblem(const QString &schema);

// Asked for the password of a server (its describe() text) when the server
// wants one and the user's files give none; nullopt when the user declines.
using PasswordProvider = std::function<std::optional<QString>(const QString &server)>;
void setPasswordProvider(PasswordProvider provider);
// The password given for the server in this run, else the provider's
// answer (kept in memory for the next connection); nullopt without a provider.
std::optional<QString> askPassword(const QString &server);
// Forgets the password given for the server of a connection file, which
// refused it: the next connection asks again instead of trying it again.
void forgetPassword(const QString &location);

}  // namespace rz
