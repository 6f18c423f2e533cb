// The server tells of committed changes to the list of estimates on the
// schema's channel; a watch listens on a connection of its own, so that a
// notice arrives while the program's connection is busy or in a
// transaction, and the event loop wakes on the connection's socket.
#include "pgconnection.h"

#include <QSocketNotifier>
#include <QTimer>

namespace rz {

namespace {

class PgWatch : public ChangeWatch {
public:
    PgWatch(const PgConnection &of) : location_(of.location()), server_(of.server()), password_(of.password())
    {
        retry_.setSingleShot(true);
        retry_.setInterval(2000);
        QObject::connect(&retry_, &QTimer::timeout, this, [this] {
            if (listen())
                emit changed();  // what happened while the server could not be reached
        });
        if (!listen())
            retry_.start();
    }

private:
    bool listen()
    {
        try {
            conn_ = std::make_unique<PgConnection>(location_, server_, OpenMode::ReadOnly, password_);
            conn_->run({QStringLiteral("LISTEN ") + pgQuoted(server_.schema)});
        } catch (const DbError &) {
            conn_.reset();
            retry_.start();
            return false;
        }
        notifier_ = std::make_unique<QSocketNotifier>(PQsocket(conn_->handle()), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readNotices(); });
        return true;
    }
    void readNotices()
    {
        PGconn *h = conn_->handle();
        if (!PQconsumeInput(h) || PQstatus(h) != CONNECTION_OK) {
            notifier_.reset();
            conn_.reset();
            retry_.start();
            return;
        }
        bool any = false;
        while (PGnotify *n = PQnotifies(h)) {
            any = true;
            PQfreemem(n);
        }
        if (any)
            emit changed();
    }

    QString location_;
    ServerLocation server_;
    std::optional<QString> password_;
    std::unique_ptr<PgConnection> conn_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer retry_;
};

}  // namespace

std::unique_ptr<ChangeWatch> PgConnection::watch() { return std::make_unique<PgWatch>(*this); }

}  // namespace rz
