// Loading a new table's rows with COPY: the server takes a stream of rows
// instead of statements, and spends on a row a small part of what parsing
// and binding a multi-row INSERT costs it (an estimate of 113,125 rows:
// 1.65 s by INSERT, 0.2 s by a bare COPY). COPY cannot run inside a
// pipeline, so the connection leaves it for the copy and enters it again.
#include "pgconnection.h"

namespace rz {

namespace {
// Rows are sent in pieces of about this size.
constexpr int kPieceBytes = 1 << 20;
// A large table is given this long to be taken after its last row.
constexpr int kLoadReplyMs = 10 * 60 * 1000;

// A value in COPY's text form: the text of a bound parameter with the four
// characters that mean something in a row escaped; \N is NULL.
void appendCopyText(QByteArray &out, const std::optional<QByteArray> &text)
{
    if (!text) {
        out += "\\N";
        return;
    }
    for (const char c : *text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

class PgCopyIn : public EngineRowWriter {
public:
    PgCopyIn(PgConnection &conn, const QByteArray &sql, int columns) : conn_(conn), columns_(columns)
    {
        conn_.beginCopy(sql);
        piece_.reserve(kPieceBytes + 4096);
    }
    ~PgCopyIn() override
    {
        if (!finished_)
            conn_.abandonCopy();
    }
    void add(const Value *values, int count) override
    {
        if (count != columns_)
            throw DbError(QStringLiteral("行の値の数 %1 が列の数 %2 と違います。").arg(count).arg(columns_));
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                piece_ += '\t';
            appendCopyText(piece_, pgText(values[i]));
        }
        piece_ += '\n';
        if (piece_.size() >= kPieceBytes) {
            conn_.putCopy(piece_);
            piece_.clear();
        }
    }
    void finish() override
    {
        if (!piece_.isEmpty())
            conn_.putCopy(piece_);
        piece_.clear();
        finished_ = true;
        conn_.endCopy(kLoadReplyMs);
    }

private:
    PgConnection &conn_;
    int columns_;
    QByteArray piece_;
    bool finished_ = false;
};
}  // namespace

std::unique_ptr<EngineRowWriter> PgConnection::rowWriter(const QString &table, const QStringList &columns)
{
    QStringList names;
    for (const QString &c : columns)
        names << pgQuoted(c);
    const QString sql =
        QStringLiteral("COPY %1 (%2) FROM STDIN").arg(pgQuoted(table), names.join(QStringLiteral(", ")));
    return std::make_unique<PgCopyIn>(*this, sql.toUtf8(), int(columns.size()));
}

void PgConnection::beginCopy(const QByteArray &sql)
{
    if (txFailure_)
        throw *txFailure_;
    sendOutsidePipeline(sql);  // after the transaction's start and the new table
    if (txDepth_ > 0)
        txSent_ = true;
    PgResult r = nextResult(monotonicMs() + kReplyLimitMs);
    if (r && PQresultStatus(r.get()) == PGRES_COPY_IN)
        return;
    const DbError error = r ? failure(r.get(), sql) : DbError(pgErrorText(conn_), DbFailure::ConnectionLost, location_);
    endOfCopy(error);
}

void PgConnection::putCopy(const QByteArray &rows)
{
    if (PQputCopyData(conn_, rows.constData(), int(rows.size())) != 1)
        lost(pgErrorText(conn_));
}

void PgConnection::endCopy(int replyLimitMs)
{
    if (PQputCopyEnd(conn_, nullptr) != 1 || PQflush(conn_) != 0)
        lost(pgErrorText(conn_));
    PgResult r = nextResult(monotonicMs() + replyLimitMs);
    if (r && PQresultStatus(r.get()) == PGRES_COMMAND_OK) {
        endOfCopy(std::nullopt);
        return;
    }
    endOfCopy(r ? failure(r.get(), "COPY") : DbError(pgErrorText(conn_), DbFailure::ConnectionLost, location_));
}

void PgConnection::abandonCopy() noexcept
{
    try {
        if (!conn_ || PQstatus(conn_) != CONNECTION_OK)
            return;
        // The server drops what it took and fails the COPY, and with it the
        // transaction, which the caller rolls back.
        if (PQputCopyEnd(conn_, "the copy was given up") != 1)
            lost(pgErrorText(conn_));
        nextResult(monotonicMs() + kReplyLimitMs);
        endOfCopy(DbError(QStringLiteral("表のコピーを中断しました。"), DbFailure::Other, location_));
    } catch (const DbError &) {
        // The connection is gone (lost() closed it); the transaction with it.
    }
}

void PgConnection::endOfCopy(const std::optional<DbError> &error)
{
    // The results end with an empty one; then the pipeline again.
    const qint64 deadline = monotonicMs() + kReplyLimitMs;
    while (PgResult extra = nextResult(deadline)) {
    }
    PQenterPipelineMode(conn_);
    noteStoreWrite();
    if (!error)
        return;
    if (error->reason() == DbFailure::ConnectionLost || PQstatus(conn_) != CONNECTION_OK)
        lost(error->description());
    if (txDepth_ > 0)
        txFailure_ = *error;
    throw *error;
}

}  // namespace rz
