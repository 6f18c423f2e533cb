// A statement on the server engine: run as text the first time, kept
// prepared on the server once it runs again; its results read as the store's
// raw cells (exact decimals as whole ten-thousandths).
#include "pgconnection.h"

namespace rz {

PgStatement::PgStatement(PgConnection &conn, const QString &sql) : conn_(conn), sql_(translateSql(sql)) {}

PgStatement::~PgStatement()
{
    if (!name_.isEmpty())
        conn_.forgetStatement(name_, nameGeneration_);
}

void PgStatement::bind(int index, const Value &value)
{
    if (index < 1 || index > sql_.params)
        throw DbError(QStringLiteral("パラメーター %1 はこの SQL 文にありません。").arg(index));
    if (params_.size() < size_t(sql_.params))
        params_.resize(size_t(sql_.params));
    params_[size_t(index - 1)] = pgText(value);
}

QByteArray PgStatement::preparedName()
{
    // The connection that will carry the statement: one the server ended
    // since the last command (a restart) is made again first, and knows none
    // of the names prepared on the old one.
    conn_.ensureConnected();
    if (name_.isEmpty() || nameGeneration_ != conn_.generation() || conn_.unprepared(name_)) {
        name_ = conn_.newStatementName();
        nameGeneration_ = conn_.generation();
        return QByteArray();  // still to be prepared
    }
    return name_;
}

bool PgStatement::step()
{
    if (!executed_) {
        executed_ = true;
        row_ = -1;
        if (sql_.kind != PgSql::Query && sql_.kind != PgSql::Insert) {
            conn_.control(sql_);
            return false;
        }
        params_.resize(size_t(sql_.params));
        const QByteArray text = sql_.text.toUtf8();
        std::vector<PgCommand> cmds;
        // A statement run again is kept prepared on the server: parsed once.
        if (runs_++ == 0) {
            cmds.push_back({PgCommand::Text, {}, text, &params_});
        } else {
            const bool known = !preparedName().isEmpty();
            if (!known)
                cmds.push_back({PgCommand::Prepare, name_, text, nullptr});
            cmds.push_back({PgCommand::Run, name_, {}, &params_});
        }
        for (const QString &after : conn_.afterCreate(sql_.createdTable))
            cmds.push_back({PgCommand::Text, {}, after.toUtf8(), nullptr});
        auto results = conn_.exchange(cmds);
        const size_t mine = cmds.size() - 1 - conn_.afterCreate(sql_.createdTable).size();
        result_ = std::move(results[mine]);
        mapColumns(result_.get());
        if (sql_.kind == PgSql::Insert && PQntuples(result_.get()) > 0) {
            conn_.setInsertedRowid(QByteArray(PQgetvalue(result_.get(), 0, 0)).toLongLong());
            noteStoreWrite();
        }
    }
    if (sql_.kind != PgSql::Query || !result_)
        return false;
    return ++row_ < PQntuples(result_.get());
}

void PgStatement::queue(bool mustChange)
{
    // An INSERT waits with the rest: a copy of many rows goes in a few
    // exchanges, not one each.
    if ((sql_.kind != PgSql::Query && sql_.kind != PgSql::Insert) || sql_.params == 0) {
        EngineStatement::queue(mustChange);
        reset();
        return;
    }
    params_.resize(size_t(sql_.params));
    const bool known = !preparedName().isEmpty();
    conn_.enqueue(name_, known ? QByteArray() : sql_.text.toUtf8(), params_, mustChange);
    params_.assign(params_.size(), std::nullopt);
}

void PgStatement::reset()
{
    result_.reset();
    executed_ = false;
    row_ = -1;
    params_.assign(params_.size(), std::nullopt);
}

void PgStatement::mapColumns(const PGresult *r) const
{
    cols_.clear();
    for (int i = 0; i < PQnfields(r); ++i)
        if (!sql_.hideRowid || qstrcmp(PQfname(r, i), kRowidColumn) != 0)
            cols_.push_back(i);
}

const PGresult *PgStatement::shape() const
{
    if (result_)
        return result_.get();
    if (!described_) {
        // Asked before it ran: the server describes the statement without running it.
        PgStatement &self = const_cast<PgStatement &>(*this);
        const QByteArray text = sql_.text.toUtf8();
        if (sql_.kind != PgSql::Query && sql_.kind != PgSql::Insert)
            return nullptr;
        auto results = conn_.exchange(
            {{PgCommand::Prepare, QByteArray(), text, nullptr}, {PgCommand::Describe, QByteArray(), {}, nullptr}});
        self.described_ = std::move(results.back());
        mapColumns(described_.get());
    }
    return described_.get();
}

int PgStatement::columnCount() const
{
    const PGresult *r = shape();
    return r ? int(cols_.size()) : 0;
}

QString PgStatement::columnName(int i) const
{
    return QString::fromUtf8(PQfname(shape(), column(i)));
}

QString PgStatement::columnDecl(int i) const
{
    const PGresult *r = shape();
    return declaredOf(PQftype(r, column(i)), PQfmod(r, column(i)));
}

qint64 PgStatement::columnInt64(int i) const
{
    return QByteArray::fromRawData(PQgetvalue(result_.get(), row_, column(i)),
                                   PQgetlength(result_.get(), row_, column(i)))
        .toLongLong();
}

void PgStatement::read(int first, int count, RawCell *cells, bool asText) const
{
    const PGresult *r = result_.get();
    for (int n = 0; n < count; ++n) {
        RawCell &c = cells[n];
        const int col = column(first + n);
        c.bytes = PQgetvalue(r, row_, col);
        c.size = PQgetlength(r, row_, col);
        if (PQgetisnull(r, row_, col)) {
            c.kind = RawCell::Null;
            c.bytes = nullptr;
            c.size = 0;
            continue;
        }
        const QByteArray raw = QByteArray::fromRawData(c.bytes, c.size);
        switch (PQftype(r, col)) {
        case 20:
        case 21:
        case 23:
            c.kind = RawCell::Integer;
            c.integer = raw.toLongLong();
            break;
        case 700:
            // The server writes a SINGLE as the shortest text that reads back as the same single.
            c.kind = RawCell::Float;
            c.number = double(raw.toFloat());
            break;
        case 701:
            c.kind = RawCell::Float;
            c.number = raw.toDouble();
            break;
        case 1700:
            // Exact decimals as the store keeps money: whole ten-thousandths.
            if (const auto v = Currency::parse(QString::fromLatin1(raw))) {
                c.kind = RawCell::Integer;
                c.integer = v->raw();
            } else {
                c.kind = RawCell::Text;
            }
            break;
        case 16:
            c.kind = RawCell::Integer;
            c.integer = raw == "t";
            break;
        default:
            c.kind = RawCell::Text;
            break;
        }
        (void)asText;  // the bytes are the server's text of every value
    }
}

int PgStatement::changes() const { return result_ ? QByteArray(PQcmdTuples(result_.get())).toInt() : 0; }

}  // namespace rz
