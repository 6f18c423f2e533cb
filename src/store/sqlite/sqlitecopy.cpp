// Copies between estimate files: the other file is attached to the open one,
// so that a copy is a single statement of the engine and shares a
// transaction with the other changes of the command.
#include "sqliteconnection.h"

#include "store/database.h"

#include <QFileInfo>

namespace rz {

namespace {

// A savepoint of the engine's own, rolled back unless released.
class Savepoint {
public:
    explicit Savepoint(SqliteConnection &c) : c_(c), outermost_(!c.inTransaction())
    {
        c_.run(QStringLiteral("SAVEPOINT rz_copy"));
    }
    ~Savepoint()
    {
        if (!done_)
            c_.rollBack(QStringLiteral("rz_copy"), outermost_);
    }
    void release()
    {
        c_.run(QStringLiteral("RELEASE rz_copy"));
        done_ = true;
    }

private:
    SqliteConnection &c_;
    bool outermost_;
    bool done_ = false;
};

QString columnDefs(const std::vector<ColumnDef> &cols)
{
    QStringList defs;
    for (const auto &c : cols)
        defs << quoteIdentifier(c.name) + u' ' + c.declared;
    return defs.join(QStringLiteral(", "));
}

// Another file reached from the connection under a schema name of its own
// while this lives. Attach before a transaction begins and let it go after
// the transaction ends: the engine cannot let go of a file a transaction has read.
class Attached {
public:
    Attached(SqliteConnection &c, const QString &path, const QString &schema) : c_(&c), schema_(schema)
    {
        SqliteStatement st(c.handle(), QStringLiteral("ATTACH DATABASE ? AS ") + schema_);
        st.bind(1, Value(path));
        st.step();
    }
    ~Attached()
    {
        if (c_)
            sqlite3_exec(c_->handle(), ("DETACH DATABASE " + schema_).toUtf8().constData(), nullptr, nullptr, nullptr);
    }
    Attached(const Attached &) = delete;
    Attached &operator=(const Attached &) = delete;
    const QString &schema() const { return schema_; }
    void abandon() { c_ = nullptr; }

private:
    SqliteConnection *c_;
    QString schema_;
};

class SqliteJoin : public EngineTableJoin {
public:
    SqliteJoin(SqliteConnection &target, const QString &sourceFile)
        : target_(target), source_(target, sourceFile, nextSchema())
    {
    }
    void copy(const QString &sourceTable, const QString &targetTable) override;
    void abandon() override { source_.abandon(); }

private:
    static QString nextSchema()
    {
        static int next = 0;
        return QStringLiteral("rzt%1").arg(++next);
    }
    SqliteConnection &target_;
    Attached source_;
};

void SqliteJoin::copy(const QString &sourceTable, const QString &targetTable)
{
    const QString &schema = source_.schema();
    const std::vector<ColumnDef> cols = target_.columnsIn(schema, sourceTable);
    if (cols.empty())
        throw DbError(QStringLiteral("入力テーブル '%1' が見つかりません。").arg(sourceTable), DbFailure::MissingTable);
    const QString target = quoteIdentifier(targetTable);
    target_.run(QStringLiteral("CREATE TABLE main.%1 (%2)").arg(target, columnDefs(cols)));
    target_.run(
        QStringLiteral("INSERT INTO main.%1 SELECT * FROM %2.%3").arg(target, schema, quoteIdentifier(sourceTable)));
    // Indexes the user made on the source table. Their names are unique per
    // file here, so one already taken gets the table's name in front.
    for (const IndexDef &ix : target_.indexesIn(schema, sourceTable)) {
        SqliteStatement taken(target_.handle(),
                              QStringLiteral("SELECT 1 FROM main.sqlite_master WHERE name = ? COLLATE NOCASE"));
        taken.bind(1, Value(ix.name));
        const QString name = taken.step() ? targetTable + u'_' + ix.name : ix.name;
        target_.run(QStringLiteral("CREATE %1INDEX main.%2 ON %3 (%4)")
                        .arg(ix.unique ? QStringLiteral("UNIQUE ") : QString(), quoteIdentifier(name), target,
                             ix.columns.join(QStringLiteral(", "))));
    }
}

}  // namespace

int SqliteConnection::selectInto(const QString &targetPath, const QString &targetTable, const QString &sourcePath,
                                 const QString &sourceTable)
{
    // The files named by a path are attached for this statement only.
    std::vector<std::unique_ptr<Attached>> attached;
    std::vector<QString> paths;
    const auto schemaFor = [&](const QString &path) -> QString {
        if (path.isEmpty())
            return QStringLiteral("main");
        for (size_t i = 0; i < paths.size(); ++i)
            if (sameFile(paths[i], path))
                return attached[i]->schema();
        if (!QFileInfo::exists(path))
            throw DbError(QStringLiteral("ファイル '%1' が見つかりません。").arg(path), DbFailure::NotFound, path);
        paths.push_back(path);
        attached.push_back(std::make_unique<Attached>(*this, path, QStringLiteral("rzx%1").arg(paths.size())));
        checkComplete(db_, attached.back()->schema(), path);
        return attached.back()->schema();
    };
    const QString src = schemaFor(sourcePath);
    const QString dst = schemaFor(targetPath);
    const std::vector<ColumnDef> cols = columnsIn(src, sourceTable);
    if (cols.empty())
        throw DbError(QStringLiteral("入力テーブル '%1' が見つかりません。").arg(sourceTable));
    int copied = 0;
    {
        Savepoint tx(*this);
        run(QStringLiteral("CREATE TABLE %1.%2 (%3)").arg(dst, quoteIdentifier(targetTable), columnDefs(cols)));
        run(QStringLiteral("INSERT INTO %1.%2 SELECT * FROM %3.%4")
                .arg(dst, quoteIdentifier(targetTable), src, quoteIdentifier(sourceTable)));
        copied = sqlite3_changes(db_);
        tx.release();
    }
    // Detached last to first, once the transaction is over.
    while (!attached.empty())
        attached.pop_back();
    return copied;
}

std::unique_ptr<EngineTableJoin> SqliteConnection::join(EngineConnection &source)
{
    const auto *file = dynamic_cast<SqliteConnection *>(&source);
    if (!file)
        return nullptr;
    const QString path = file->fileName();
    if (!QFileInfo(path).isFile())
        throw DbError(QStringLiteral("ファイル '%1' が見つかりません。").arg(path));
    return std::make_unique<SqliteJoin>(*this, path);
}

}  // namespace rz
