// The PostgreSQL server of `rz90-bench server` and the physical limits
// measured on it with the bare client library: a round trip, a sequential
// read, and two clients doing round trips at once.
//
// The bench starts a private server of its own through the test's script
// (tests/support/pgserver, or $RZ_PGSERVER) listening on a free port of
// 127.0.0.1, and stops it at the end. $RZ90_BENCH_PGSTATE names the state
// file of a server already started by that script with a port instead; it
// is left running.
#pragma once
#include "store/serverlocation.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <libpq-fe.h>
#include <memory>

namespace rzbench {

class BenchServer {
public:
    BenchServer();  // throws std::runtime_error when no server can be had
    ~BenchServer();
    BenchServer(const BenchServer &) = delete;
    BenchServer &operator=(const BenchServer &) = delete;

    int port() const { return port_; }
    // The keywords of a connection file naming `schema` on this server over TCP.
    rz::ServerLocation location(const QString &schema) const;
    // libpq's connection string of the same.
    QByteArray conninfo() const;
    // Drops the schema when it is left from an earlier run.
    void dropSchema(const QString &schema) const;
    // The location of a new store NAME of an engine ("file" or "server"):
    // NAME.mdb in dir, or a connection file NAME.rzdb there naming the
    // schema bench_NAME, emptied.
    QString store(const QString &engine, const QTemporaryDir &dir, const QString &name) const;

private:
    QString script_, state_, tempDir_;
    int port_ = 0;
    bool own_ = false;
};

// One connection of the bare client library.
class RawClient {
public:
    explicit RawClient(const QByteArray &conninfo);
    ~RawClient();
    RawClient(const RawClient &) = delete;
    RawClient &operator=(const RawClient &) = delete;
    // Runs one statement; throws on failure. Returns the rows it gave.
    int exec(const QByteArray &sql);
    // Median time in microseconds of `n` round trips of SELECT 1.
    double roundTripUs(int n);
    // Round trips of SELECT 1 done in `ms` milliseconds.
    qint64 roundTripsIn(int ms);
    // The rows a COPY ... TO STDOUT gives, in its text form.
    QByteArray copyOut(const QByteArray &sql);
    // Sends rows in that form with a COPY ... FROM STDIN.
    void copyIn(const QByteArray &sql, const QByteArray &data);

private:
    PGconn *conn_ = nullptr;
};

// The engines side by side, the embedded one first.
inline const QStringList kEngines{QStringLiteral("file"), QStringLiteral("server")};

// Whether the part of `rz90-bench server` named is to run: every part
// when the arguments name none (moves, list, open, recalc, paste, clients).
bool wantPart(const QStringList &args, const char *part);

// The editor's first open, the recalculation of 100,000 rows and the
// transfer window's paste of that estimate, on both engines (bench_serverbulk.cpp).
int benchServerBulk(const QStringList &args, BenchServer &server, const QTemporaryDir &dir);

}  // namespace rzbench
