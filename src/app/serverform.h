// The small form 新規作成 shows for a connection file (NAME.rzdb): where the
// new estimate file goes on a server. The checks and the proposal live here,
// without widgets; ServerFormDialog only shows the fields.
#pragma once
#include "store/serverlocation.h"

#include <QString>
#include <optional>

namespace rz {

struct ServerForm {
    QString host;
    QString port;
    QString dbname;  // empty: the server's default for the user
    QString schema;
    QString user;    // empty: the login name (or PGUSER)
};

// What the form shows first for a new connection file: the local server on
// its usual port and a schema named after the file when its name allows.
ServerForm proposedServerForm(const QString &connectionFile);

// The connection the form names, or nullopt with `problem` set to what the
// user has to correct (a port that is no number, a schema name the server
// would not take).
std::optional<ServerLocation> serverLocationOf(const ServerForm &form, QString *problem);

}  // namespace rz
