#include "serverform.h"

#include <QFileInfo>

namespace rz {

ServerForm proposedServerForm(const QString &connectionFile)
{
    ServerForm form{QStringLiteral("localhost"), QStringLiteral("5432"), QString(), QString(), QString()};
    const QString name = QFileInfo(connectionFile).completeBaseName().toLower();
    if (schemaNameProblem(name).isEmpty())
        form.schema = name;
    return form;
}

std::optional<ServerLocation> serverLocationOf(const ServerForm &form, QString *problem)
{
    const QString host = form.host.trimmed(), port = form.port.trimmed(), dbname = form.dbname.trimmed(),
                  user = form.user.trimmed();
    bool number = false;
    const int p = port.toInt(&number);
    if (host.isEmpty())
        *problem = QStringLiteral("サーバーを入力してください。");
    else if (!port.isEmpty() && (!number || p < 1 || p > 65535))
        *problem = QStringLiteral("ポート番号は 1 から 65535 までの数で入力してください。");
    else
        *problem = schemaNameProblem(form.schema.trimmed());
    if (!problem->isEmpty())
        return std::nullopt;
    ServerLocation loc;
    loc.keywords[QStringLiteral("host")] = host;
    if (!port.isEmpty())
        loc.keywords[QStringLiteral("port")] = port;
    if (!dbname.isEmpty())
        loc.keywords[QStringLiteral("dbname")] = dbname;
    if (!user.isEmpty())
        loc.keywords[QStringLiteral("user")] = user;
    loc.schema = form.schema.trimmed();
    return loc;
}

}  // namespace rz
