#include "benchserver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace rzbench {

namespace {

// A port of 127.0.0.1 nobody listens on now.
int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (s >= 0 && ::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    if (s >= 0)
        ::close(s);
    if (port == 0)
        throw std::runtime_error("no free TCP port");
    return port;
}

QString readText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error(("cannot read " + path).toStdString());
    return QString::fromUtf8(f.readAll()).trimmed();
}

}  // namespace

BenchServer::BenchServer()
{
    script_ = qEnvironmentVariable("RZ_PGSERVER", QStringLiteral(RZ_PGSERVER_SCRIPT));
    state_ = qEnvironmentVariable("RZ90_BENCH_PGSTATE");
    if (state_.isEmpty()) {
        own_ = true;
        tempDir_ = QDir::tempPath() + QStringLiteral("/rz90-bench-pg-%1").arg(::getpid());
        QDir().mkpath(tempDir_);
        state_ = tempDir_ + QStringLiteral("/state");
        if (QProcess::execute(script_, {QStringLiteral("start"), state_, QString::number(freePort())}) != 0) {
            QDir(tempDir_).removeRecursively();
            throw std::runtime_error("the server did not start (" + script_.toStdString() + ")");
        }
    }
    port_ = readText(readText(state_) + QStringLiteral("/port")).toInt();
}

BenchServer::~BenchServer()
{
    if (!own_)
        return;
    QProcess::execute(script_, {QStringLiteral("stop"), state_});
    QDir(tempDir_).removeRecursively();
}

rz::ServerLocation BenchServer::location(const QString &schema) const
{
    rz::ServerLocation loc;
    loc.keywords = {{"host", QStringLiteral("127.0.0.1")},
                    {"port", QString::number(port_)},
                    {"dbname", QStringLiteral("postgres")},
                    {"user", QStringLiteral("rz")}};
    loc.schema = schema;
    return loc;
}

QByteArray BenchServer::conninfo() const
{
    return QStringLiteral("host=127.0.0.1 port=%1 dbname=postgres user=rz").arg(port_).toUtf8();
}

void BenchServer::dropSchema(const QString &schema) const
{
    RawClient(conninfo()).exec("DROP SCHEMA IF EXISTS " + schema.toUtf8() + " CASCADE");
}

QString BenchServer::store(const QString &engine, const QTemporaryDir &dir, const QString &name) const
{
    if (engine == QLatin1String("file"))
        return dir.filePath(name + QStringLiteral(".mdb"));
    const QString schema = QStringLiteral("bench_") + name;
    dropSchema(schema);
    const QString path = dir.filePath(name + QStringLiteral(".rzdb"));
    rz::writeConnectionFile(path, location(schema));
    return path;
}

bool wantPart(const QStringList &args, const char *part)
{
    static const QStringList parts{"moves", "list", "open", "recalc", "paste", "clients"};
    const bool any = std::any_of(args.begin(), args.end(), [](const QString &a) { return parts.contains(a); });
    return !any || args.contains(QLatin1String(part));
}

RawClient::RawClient(const QByteArray &conninfo) : conn_(PQconnectdb(conninfo.constData()))
{
    if (PQstatus(conn_) != CONNECTION_OK)
        throw std::runtime_error(std::string("cannot connect: ") + PQerrorMessage(conn_));
}

RawClient::~RawClient() { PQfinish(conn_); }

int RawClient::exec(const QByteArray &sql)
{
    PGresult *r = PQexec(conn_, sql.constData());
    const ExecStatusType st = PQresultStatus(r);
    const int rows = PQntuples(r);
    const std::string why = PQresultErrorMessage(r);
    PQclear(r);
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK)
        throw std::runtime_error(sql.toStdString() + ": " + why);
    return rows;
}

double RawClient::roundTripUs(int n)
{
    std::vector<double> us;
    for (int i = 0; i < n; ++i) {
        QElapsedTimer t;
        t.start();
        exec("SELECT 1");
        us.push_back(t.nsecsElapsed() / 1e3);
    }
    std::sort(us.begin(), us.end());
    return us[us.size() / 2];
}

qint64 RawClient::roundTripsIn(int ms)
{
    QElapsedTimer t;
    t.start();
    qint64 n = 0;
    while (t.elapsed() < ms) {
        exec("SELECT 1");
        ++n;
    }
    return n;
}

QByteArray RawClient::copyOut(const QByteArray &sql)
{
    PQclear(PQexec(conn_, sql.constData()));
    QByteArray data;
    char *line = nullptr;
    int n;
    while ((n = PQgetCopyData(conn_, &line, 0)) > 0) {
        data.append(line, n);
        PQfreemem(line);
    }
    PGresult *r = PQgetResult(conn_);
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    if (n != -1 || !ok)
        throw std::runtime_error(sql.toStdString() + ": " + PQerrorMessage(conn_));
    return data;
}

void RawClient::copyIn(const QByteArray &sql, const QByteArray &data)
{
    PQclear(PQexec(conn_, sql.constData()));
    // In pieces of 64 KiB, as a client streams a file.
    for (qsizetype at = 0; at < data.size(); at += 65536)
        PQputCopyData(conn_, data.constData() + at, int(std::min<qsizetype>(65536, data.size() - at)));
    PQputCopyEnd(conn_, nullptr);
    PGresult *r = PQgetResult(conn_);
    const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    if (!ok)
        throw std::runtime_error(sql.toStdString() + ": " + PQerrorMessage(conn_));
}

}  // namespace rzbench
