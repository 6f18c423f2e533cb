// An estimate file has no one to tell of changes: a connection of the
// watch's own looks at the file's change counter twice a second, which
// moves with every change another connection commits.
#include "sqliteconnection.h"

#include <QFile>
#include <QTimer>

namespace rz {

namespace {

class SqliteWatch : public ChangeWatch {
public:
    explicit SqliteWatch(const QString &file)
    {
        if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            return;
        version_ = dataVersion();
        QObject::connect(&timer_, &QTimer::timeout, this, [this] {
            const qint64 now = dataVersion();
            if (now != version_) {
                version_ = now;
                emit changed();
            }
        });
        timer_.start(500);
    }
    ~SqliteWatch() override { sqlite3_close_v2(db_); }

private:
    qint64 dataVersion()
    {
        sqlite3_stmt *st = nullptr;
        qint64 v = version_;
        if (sqlite3_prepare_v2(db_, "PRAGMA data_version", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            v = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return v;
    }
    sqlite3 *db_ = nullptr;
    qint64 version_ = 0;
    QTimer timer_;
};

}  // namespace

std::unique_ptr<ChangeWatch> SqliteConnection::watch() { return std::make_unique<SqliteWatch>(fileName()); }

}  // namespace rz
