// Questions about the schema that holds an estimate file on the server,
// making tables in it, copying tables within one database, and the
// server's own maintenance.
#include "pgconnection.h"

#include "store/database.h"
#include "store/schema.h"

namespace rz {

namespace {
// Copies and maintenance of large tables are given this long to answer.
constexpr int kLongWorkMs = 10 * 60 * 1000;

QString value(const PgResult &r, int row, int col) { return QString::fromUtf8(PQgetvalue(r.get(), row, col)); }

QStringList column(const PgResult &r, int col = 0)
{
    QStringList out;
    for (int i = 0; i < PQntuples(r.get()); ++i)
        out << value(r, i, col);
    return out;
}

QString nameList(const std::vector<ColumnDef> &cols)
{
    QStringList names;
    for (const ColumnDef &c : cols)
        names << pgQuoted(c.name);
    return names.join(QStringLiteral(", "));
}

DbError missingSource(const QString &table)
{
    return DbError(QStringLiteral("入力テーブル '%1' が見つかりません。").arg(table), DbFailure::MissingTable);
}

// Copies tables of another schema of the same database into the target's
// schema: one statement on the server, inside the target's transaction.
class PgJoin : public EngineTableJoin {
public:
    PgJoin(PgConnection &target, const QString &sourceSchema) : target_(target), source_(sourceSchema) {}
    void copy(const QString &sourceTable, const QString &targetTable) override
    {
        const std::vector<ColumnDef> cols = target_.columnsIn(source_, sourceTable);
        if (cols.empty())
            throw missingSource(sourceTable);
        QStringList sql = target_.createStatements(targetTable, cols);
        sql << QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3.%4 ORDER BY %5")
                   .arg(pgQuoted(targetTable), nameList(cols), pgQuoted(source_), pgQuoted(sourceTable),
                        QLatin1String(kRowidColumn));
        for (const IndexDef &ix : target_.indexesIn(source_, sourceTable)) {
            const QString name = target_.indexExists(ix.name) ? targetTable + u'_' + ix.name : ix.name;
            sql << QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                       .arg(ix.unique ? QStringLiteral("UNIQUE ") : QString(), pgQuoted(name), pgQuoted(targetTable),
                            ix.columns.join(QStringLiteral(", ")));
        }
        target_.run(sql, kLongWorkMs);
    }
    void abandon() override {}

private:
    PgConnection &target_;
    QString source_;
};
}  // namespace

bool PgConnection::describeSchema(bool forWriting)
{
    const PgResult r = query(
        QStringLiteral("SELECT n.oid, pg_get_userbyid(n.nspowner), has_schema_privilege(n.oid, 'CREATE'), "
                       "pg_has_role(n.nspowner, 'MEMBER') AND current_user <> pg_get_userbyid(n.nspowner), "
                       "(SELECT bool_and(has_table_privilege(c.oid, 'INSERT') AND has_table_privilege(c.oid, 'UPDATE') "
                       "AND has_table_privilege(c.oid, 'DELETE')) FROM pg_class c "
                       "WHERE c.relnamespace = n.oid AND c.relkind = 'r') "
                       "FROM pg_namespace n WHERE n.nspname = $1"),
        {Value(server_.schema)});
    if (PQntuples(r.get()) == 0)
        return false;
    schemaOid_ = value(r, 0, 0).toUtf8();
    owner_ = value(r, 0, 1);
    ownerMember_ = value(r, 0, 3) == QLatin1String("t");
    // A role that may not write (the server's rights) opens the store as a
    // read-only file opens: refused for work, with the same words.
    if (forWriting && (value(r, 0, 2) != QLatin1String("t") || value(r, 0, 4) == QLatin1String("f")))
        throw DbError(QStringLiteral("ファイル '%1' は読み取り専用のため開けません。").arg(location_),
                      DbFailure::ReadOnly, location_);
    return true;
}

void PgConnection::createSchema()
{
    PgSql begin;
    begin.kind = PgSql::Begin;
    control(begin);
    pendingControl_ << QStringLiteral("CREATE SCHEMA ") + pgQuoted(server_.schema);
    try {
        describeSchema(false);
    } catch (const DbError &e) {
        rollBack(QString(), true);
        throw DbError::fromEngine(QStringLiteral("サーバー %1 に見積書ファイル（スキーマ %2）を作成できません: %3")
                                      .arg(server_.describe(), server_.schema, e.description()),
                                  e.reason(), location_);
    }
}

void PgConnection::finishCreation()
{
    if (txDepth_ == 0)
        return;
    PgSql commit;
    commit.kind = PgSql::Commit;
    control(commit);
}

void PgConnection::runAlone(const QString &sql, int replyLimitMs)
{
    if (txDepth_ > 0)
        throw DbError(QStringLiteral("トランザクションの中では実行できません: %1").arg(sql));
    sendOutsidePipeline(sql.toUtf8());
    const qint64 deadline = monotonicMs() + replyLimitMs;
    std::optional<DbError> error;
    while (PgResult r = nextResult(deadline)) {
        if (PQresultStatus(r.get()) == PGRES_FATAL_ERROR && !error)
            error = failure(r.get(), sql.toUtf8());
    }
    PQenterPipelineMode(conn_);
    if (error)
        throw *error;
}

void PgConnection::sendOutsidePipeline(const QByteArray &sql)
{
    // What waits goes first, so that nothing is left in the pipeline when
    // the connection leaves it.
    if (!queued_.empty() || !pendingControl_.isEmpty())
        exchange({});
    ensureConnected();
    PQexitPipelineMode(conn_);
    if (!PQsendQuery(conn_, sql.constData()))
        lost(pgErrorText(conn_));
    ++roundTrips_;
}

qint64 PgConnection::schemaVersion()
{
    // Tables made, dropped or altered by anyone change the identity or the
    // row version of their catalogue rows.
    const PgResult r = query(
        QStringLiteral("SELECT count(*) * 1000003 + coalesce(sum(hashtext(c.oid::text || ':' || c.xmin::text || ':' || "
                       "c.relnatts)), 0) FROM pg_class c WHERE c.relnamespace = $1::oid AND c.relkind IN ('r', 'i')"),
        {Value(QString::fromUtf8(schemaOid_))});
    return value(r, 0, 0).toLongLong();
}

QStringList PgConnection::tableNames()
{
    // The program names its tables in capitals; the server keeps them in small letters.
    return column(query(QStringLiteral("SELECT upper(relname) FROM pg_class WHERE relnamespace = $1::oid AND "
                                       "relkind = 'r' ORDER BY 1"),
                        {Value(QString::fromUtf8(schemaOid_))}));
}

bool PgConnection::tableExists(const QString &name)
{
    return PQntuples(query(QStringLiteral("SELECT 1 FROM pg_class WHERE relnamespace = $1::oid AND relname = $2 AND "
                                          "relkind = 'r'"),
                           {Value(QString::fromUtf8(schemaOid_)), Value(pgName(name))})
                         .get()) > 0;
}

std::vector<ColumnDef> PgConnection::columnsIn(const QString &schema, const QString &table)
{
    const PgResult r = query(
        QStringLiteral("SELECT a.attname, a.atttypid, a.atttypmod, upper(format_type(a.atttypid, a.atttypmod)) "
                       "FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid "
                       "JOIN pg_namespace n ON n.oid = c.relnamespace WHERE n.nspname = $1 AND c.relname = $2 "
                       "AND c.relkind = 'r' AND a.attnum > 0 AND NOT a.attisdropped AND a.attname <> $3 "
                       "ORDER BY a.attnum"),
        {Value(schema), Value(pgName(table)), Value(kRowidColumn)});
    std::vector<ColumnDef> cols;
    for (int i = 0; i < PQntuples(r.get()); ++i) {
        const QString declared = declaredOf(Oid(value(r, i, 1).toUInt()), value(r, i, 2).toInt());
        cols.push_back({value(r, i, 0), declared.isEmpty() ? value(r, i, 3) : declared});
    }
    return cols;
}

std::vector<ColumnDef> PgConnection::columns(const QString &table) { return columnsIn(server_.schema, table); }

std::vector<IndexDef> PgConnection::indexesIn(const QString &schema, const QString &table)
{
    const PgResult r = query(
        QStringLiteral("SELECT i.relname, x.indisunique, (SELECT string_agg('\"' || a.attname || '\"' || "
                       "CASE WHEN x.indoption[k] & 1 = 1 THEN ' DESC' ELSE '' END, ',' ORDER BY k) "
                       "FROM generate_series(0, x.indnkeyatts - 1) k JOIN pg_attribute a "
                       "ON a.attrelid = x.indrelid AND a.attnum = x.indkey[k]) "
                       "FROM pg_index x JOIN pg_class i ON i.oid = x.indexrelid JOIN pg_class t ON t.oid = x.indrelid "
                       "JOIN pg_namespace n ON n.oid = t.relnamespace "
                       "WHERE n.nspname = $1 AND t.relname = $2 AND NOT x.indisprimary ORDER BY 1"),
        {Value(schema), Value(pgName(table))});
    std::vector<IndexDef> out;
    for (int i = 0; i < PQntuples(r.get()); ++i)
        out.push_back({value(r, i, 0), value(r, i, 1) == QLatin1String("t"), value(r, i, 2).split(u',')});
    return out;
}

std::vector<IndexDef> PgConnection::indexes(const QString &table) { return indexesIn(server_.schema, table); }

QStringList PgConnection::indexNames()
{
    return column(query(QStringLiteral("SELECT i.relname FROM pg_index x JOIN pg_class i ON i.oid = x.indexrelid "
                                       "WHERE i.relnamespace = $1::oid AND NOT x.indisprimary ORDER BY 1"),
                        {Value(QString::fromUtf8(schemaOid_))}));
}

bool PgConnection::indexExists(const QString &name)
{
    return PQntuples(query(QStringLiteral("SELECT 1 FROM pg_class WHERE relnamespace = $1::oid AND relname = $2 AND "
                                          "relkind = 'i'"),
                           {Value(QString::fromUtf8(schemaOid_)), Value(pgName(name))})
                         .get()) > 0;
}

QStringList PgConnection::integrityProblems()
{
    // The server keeps its tables sound itself; what can be wrong is a table
    // another tool made without the row identity the program works by.
    QStringList problems;
    for (const QString &t : column(query(
             QStringLiteral("SELECT c.relname FROM pg_class c WHERE c.relnamespace = $1::oid AND c.relkind = 'r' AND "
                            "NOT EXISTS (SELECT 1 FROM pg_attribute a WHERE a.attrelid = c.oid AND a.attname = $2 "
                            "AND a.attidentity = 'a') ORDER BY 1"),
             {Value(QString::fromUtf8(schemaOid_)), Value(kRowidColumn)})))
        problems << QStringLiteral("表 %1 には行の識別（%2）がありません。").arg(t.toUpper(), QLatin1String(kRowidColumn));
    return problems;
}

QStringList PgConnection::definitions()
{
    QStringList out;
    for (const QString &t : tableNames()) {
        QStringList cols;
        for (const ColumnDef &c : columns(t))
            cols << c.name + u' ' + c.declared;
        out << t + u'(' + cols.join(u',') + u')';
        for (const IndexDef &ix : indexes(t))
            out << ix.name + (ix.unique ? QStringLiteral(" UNIQUE ") : QStringLiteral(" ")) + ix.columns.join(u',');
    }
    return out;
}

QStringList PgConnection::afterCreate(const QString &table) const
{
    QStringList sql;
    if (table.isEmpty())
        return sql;
    // Tables belong to the schema's owner, so that every member of that
    // role (the office's estimators) may change and delete them.
    if (ownerMember_ && conn_) {
        char *owner = PQescapeIdentifier(conn_, owner_.toUtf8().constData(), size_t(owner_.toUtf8().size()));
        sql << QStringLiteral("ALTER TABLE %1 OWNER TO %2").arg(pgQuoted(table), QString::fromUtf8(owner));
        PQfreemem(owner);
    }
    if (table == pgName(QString::fromLatin1(kIndexTable))) {
        // Every committed change of the list of estimates is told to the
        // watches (changewatch.h) on the schema's channel.
        sql << QStringLiteral("CREATE OR REPLACE FUNCTION rz_notify_change() RETURNS trigger LANGUAGE plpgsql AS "
                              "$f$BEGIN PERFORM pg_notify(TG_TABLE_SCHEMA, TG_TABLE_NAME); RETURN NULL; END$f$")
            << QStringLiteral("CREATE TRIGGER rz_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON %1 "
                              "FOR EACH STATEMENT EXECUTE FUNCTION rz_notify_change()")
                   .arg(pgQuoted(table));
    }
    return sql;
}

QStringList PgConnection::createStatements(const QString &table, const std::vector<ColumnDef> &columns) const
{
    QStringList defs;
    for (const ColumnDef &c : columns)
        defs << pgQuoted(c.name) + u' ' + pgType(c.declared);
    QStringList sql{QStringLiteral("CREATE TABLE %1 (%2, %3 bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY)")
                        .arg(pgQuoted(table), defs.join(QStringLiteral(", ")), QLatin1String(kRowidColumn))};
    return sql + afterCreate(pgName(table));
}

int PgConnection::selectInto(const QString &targetPath, const QString &targetTable, const QString &sourcePath,
                             const QString &sourceTable)
{
    if (!targetPath.isEmpty() || !sourcePath.isEmpty())
        throw DbError(QStringLiteral("サーバーの見積書ファイルでは、ほかのファイルの表を SQL 文で指定できません。"));
    const std::vector<ColumnDef> cols = columnsIn(server_.schema, sourceTable);
    if (cols.empty())
        throw missingSource(sourceTable);
    std::vector<PgCommand> cmds;
    for (const QString &s : createStatements(targetTable, cols))
        cmds.push_back({PgCommand::Text, {}, s.toUtf8(), nullptr});
    cmds.push_back({PgCommand::Text, {},
                    QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3 ORDER BY %4")
                        .arg(pgQuoted(targetTable), nameList(cols), pgQuoted(sourceTable), QLatin1String(kRowidColumn))
                        .toUtf8(),
                    nullptr});
    const auto results = exchange(cmds, kLongWorkMs);
    return QByteArray(PQcmdTuples(results.back().get())).toInt();
}

std::unique_ptr<EngineTableJoin> PgConnection::join(EngineConnection &source)
{
    auto *other = dynamic_cast<PgConnection *>(&source);
    if (!other || other->databaseIdentity() != databaseIdentity() || databaseIdentity().isEmpty())
        return nullptr;
    return std::make_unique<PgJoin>(*this, other->schema());
}

void PgConnection::lockExclusively()
{
    throw DbError(QStringLiteral("サーバーの見積書ファイルは、ほかの利用者を締め出して開くことはできません。"),
                  DbFailure::Busy, location_);
}

void PgConnection::compactInto(const QString &)
{
    throw DbError(QStringLiteral("サーバーの見積書ファイルはファイルに書き出せません。サーバーの保守で最適化します。"));
}

void PgConnection::compactInPlace()
{
    // The server's own maintenance: space of deleted rows made free again
    // and the statistics its plans are made by read anew, table by table.
    for (const QString &t : tableNames())
        runAlone(QStringLiteral("VACUUM (ANALYZE) %1").arg(pgQuoted(t)), kLongWorkMs);
}

}  // namespace rz
