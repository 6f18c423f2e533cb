// Opening and creating estimate files on a server from their connection
// files: refusals are made at opening, with the words the program uses for
// files (missing, exists, read-only), not at the first save.
#include "pgengine.h"

#include "pgconnection.h"

namespace rz {

namespace {

class PgEngine : public StoreEngine {
public:
    bool accepts(const QString &location) const override { return isServerLocation(location); }
    std::unique_ptr<EngineConnection> open(const QString &location, OpenMode mode) const override
    {
        auto conn = std::make_unique<PgConnection>(location, readConnectionFile(location), mode);
        if (!conn->describeSchema(mode == OpenMode::ReadWrite))
            throw DbError(QStringLiteral("ファイル '%1' の見積書ファイル（サーバー %2 のスキーマ %3）が見つかりません。")
                              .arg(location, conn->server().describe(), conn->schema()),
                          DbFailure::NotFound, location);
        return conn;
    }
    std::unique_ptr<EngineConnection> create(const QString &location) const override
    {
        auto conn = std::make_unique<PgConnection>(location, readConnectionFile(location), OpenMode::ReadWrite);
        if (conn->describeSchema(false))
            throw DbError(QStringLiteral("ファイル '%1' は既に存在します。").arg(location), DbFailure::Other, location);
        conn->createSchema();
        return conn;
    }
    QStringList sideFileSuffixes() const override { return {}; }
};

}  // namespace

const StoreEngine &postgresEngine()
{
    static const PgEngine engine;
    return engine;
}

}  // namespace rz
