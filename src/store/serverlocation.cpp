#include "serverlocation.h"

#include "database.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>

namespace rz {

namespace {
const char kGroup[] = "[server]";

// The keywords a connection file may name: where the server is, who logs in
// and how the connection is secured. Anything else is refused, so that a
// typing error is said rather than ignored.
const QStringList &knownKeywords()
{
    static const QStringList keys{
        "host", "hostaddr", "port", "dbname", "user", "service", "sslmode", "sslrootcert", "sslcert", "sslkey",
        "sslcrl", "sslcrldir", "sslsni", "sslpassword", "gssencmode", "channel_binding", "krbsrvname",
        "requirepeer", "passfile", "target_session_attrs", "connect_timeout", "application_name"};
    return keys;
}

QString fileProblem(const QString &path, const QString &what)
{
    return QStringLiteral("接続ファイル '%1' は使えません: %2").arg(path, what);
}

PasswordProvider &provider()
{
    static PasswordProvider p;
    return p;
}

// Passwords given in this run, by server: every connection to a server
// (the list, each editor, the transfer window) asks once, not each time.
std::map<QString, QString> &givenPasswords()
{
    static std::map<QString, QString> given;
    return given;
}
}  // namespace

bool isServerLocation(const QString &location) { return location.endsWith(QLatin1String(".rzdb"), Qt::CaseInsensitive); }

QString ServerLocation::value(const char *key) const
{
    const auto it = keywords.find(QString::fromLatin1(key));
    return it == keywords.end() ? QString() : it->second;
}

QString ServerLocation::describe() const
{
    const QString service = value("service");
    QString where = value("host").isEmpty() ? QStringLiteral("localhost") : value("host");
    if (!value("port").isEmpty())
        where += u':' + value("port");
    if (!value("dbname").isEmpty())
        where += u'/' + value("dbname");
    if (!service.isEmpty() && value("host").isEmpty())
        where = QStringLiteral("service=") + service;
    return (value("user").isEmpty() ? QString() : value("user") + u'@') + where;
}

QString schemaNameProblem(const QString &schema)
{
    static const QRegularExpression valid(QStringLiteral("^[a-z_][a-z0-9_]{0,62}$"));
    if (!valid.match(schema).hasMatch())
        return QStringLiteral("スキーマ名 '%1' は使えません（半角の小文字・数字・_ で 63 文字まで）。").arg(schema);
    if (schema.startsWith(QLatin1String("pg_")) || schema == QLatin1String("information_schema"))
        return QStringLiteral("スキーマ名 '%1' はサーバーが使う名前です。").arg(schema);
    return QString();
}

bool sameStore(const QString &a, const QString &b)
{
    if (sameFile(a, b))
        return true;
    if (!isServerLocation(a) || !isServerLocation(b))
        return false;
    try {
        const ServerLocation x = readConnectionFile(a), y = readConnectionFile(b);
        // Whoever connects, one schema of one database is one store.
        for (const char *key : {"host", "port", "dbname", "service"})
            if (x.value(key) != y.value(key))
                return false;
        return x.schema == y.schema;
    } catch (const DbError &) {
        return false;  // a file that cannot be read is refused when it is opened
    }
}

ServerLocation readConnectionFile(const QString &path)
{
    QFile f(path);
    if (!QFileInfo(path).isFile())
        throw DbError(QStringLiteral("ファイル '%1' が見つかりません。").arg(path), DbFailure::NotFound, path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        throw DbError(fileProblem(path, f.errorString()), DbFailure::Other, path);
    ServerLocation loc;
    bool inGroup = false, sawGroup = false;
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    int lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNo;
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inGroup = line.compare(QLatin1String(kGroup), Qt::CaseInsensitive) == 0;
            sawGroup = sawGroup || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const int eq = line.indexOf(u'=');
        if (eq <= 0)
            throw DbError(fileProblem(path, QStringLiteral("%1 行目が「名前=値」ではありません。").arg(lineNo)),
                          DbFailure::Other, path);
        const QString key = line.left(eq).trimmed().toLower(), value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("password"))
            throw DbError(fileProblem(path, QStringLiteral("パスワードは接続ファイルに書けません。"
                                                           "~/.pgpass に書くか、接続するときに入力してください。")),
                          DbFailure::Other, path);
        if (key == QLatin1String("schema")) {
            loc.schema = value;
            continue;
        }
        if (!knownKeywords().contains(key))
            throw DbError(fileProblem(path, QStringLiteral("項目 '%1' は使えません。").arg(key)), DbFailure::Other,
                          path);
        if (!value.isEmpty())
            loc.keywords[key] = value;
    }
    if (!sawGroup)
        throw DbError(fileProblem(path, QStringLiteral("[server] の項がありません。")), DbFailure::NotADatabase,
                      path);
    if (const QString problem = schemaNameProblem(loc.schema); !problem.isEmpty())
        throw DbError(fileProblem(path, problem), DbFailure::Other, path);
    return loc;
}

void writeConnectionFile(const QString &path, const ServerLocation &location)
{
    if (const QString problem = schemaNameProblem(location.schema); !problem.isEmpty())
        throw DbError(fileProblem(path, problem));
    QByteArray text = QByteArray(kGroup) + '\n';
    for (const auto &[key, value] : location.keywords) {
        if (key == QLatin1String("password"))
            throw DbError(fileProblem(path, QStringLiteral("パスワードは接続ファイルに書けません。")));
        if (!knownKeywords().contains(key))
            throw DbError(fileProblem(path, QStringLiteral("項目 '%1' は使えません。").arg(key)));
        if (value.contains(u'\n') || value.contains(u'\r'))
            throw DbError(fileProblem(path, QStringLiteral("項目 '%1' の値に改行があります。").arg(key)));
        if (!value.isEmpty())
            text += key.toUtf8() + '=' + value.toUtf8() + '\n';
    }
    text += "schema=" + location.schema.toUtf8() + '\n';
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.commit())
        throw DbError(QStringLiteral("接続ファイル '%1' を書き込めません: %2").arg(path, f.errorString()),
                      DbFailure::Other, path);
}

void setPasswordProvider(PasswordProvider p)
{
    provider() = std::move(p);
    givenPasswords().clear();
}

std::optional<QString> askPassword(const QString &server)
{
    if (!provider())
        return std::nullopt;
    const auto given = givenPasswords().find(server);
    if (given != givenPasswords().end())
        return given->second;
    std::optional<QString> answer = provider()(server);
    if (answer)
        givenPasswords()[server] = *answer;
    return answer;
}

void forgetPassword(const QString &location)
{
    try {
        givenPasswords().erase(readConnectionFile(location).describe());
    } catch (const DbError &) {
        // No connection file, no password given for it.
    }
}

}  // namespace rz
