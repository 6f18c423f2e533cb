#include "crossfile.h"

#include <QFileInfo>
#include <QStringList>
#include <sqlite3.h>

namespace rz {

AttachedFile::AttachedFile(Database &db, const QString &path) : db_(db)
{
    static int next = 0;
    if (!QFileInfo(path).isFile())
        throw DbError(QStringLiteral("ファイル '%1' が見つかりません。").arg(path));
    schema_ = QStringLiteral("rzt%1").arg(++next);
    Statement st(db_.handle(), QStringLiteral("ATTACH DATABASE ? AS ") + schema_);
    st.bind(1, Value(path));
    st.step();
}

AttachedFile::~AttachedFile()
{
    if (db_.isOpen())
        sqlite3_exec(db_.handle(), ("DETACH DATABASE " + schema_).toUtf8().constData(), nullptr, nullptr, nullptr);
}

void copyTableFrom(Database &db, const QString &schema, const QString &sourceTable, const QString &targetTable)
{
    sqlite3 *h = db.handle();
    QStringList defs;
    {
        Statement info(h, QStringLiteral("SELECT name, type FROM pragma_table_info(?, ?) ORDER BY cid"));
        info.bind(1, Value(sourceTable));
        info.bind(2, Value(schema));
        while (info.step())
            defs << quoteIdentifier(info.column(0, ColType::Text).toString()) + u' ' +
                        info.column(1, ColType::Text).toString();
    }
    if (defs.isEmpty())
        throw DbError(QStringLiteral("入力テーブル '%1' が見つかりません。").arg(sourceTable), DbFailure::MissingTable);
    const QString target = quoteIdentifier(targetTable);
    db.execute(QStringLiteral("CREATE TABLE main.%1 (%2)").arg(target, defs.join(QStringLiteral(", "))));
    // A statement of its own, not one kept for reuse: it names a file that
    // is let go afterwards.
    Statement rows(h, QStringLiteral("INSERT INTO main.%1 SELECT * FROM %2.%3").arg(target, schema, quoteIdentifier(sourceTable)));
    while (rows.step()) {
    }

    // Indexes the user made on the source table. Their names are unique per
    // file here, so one already taken gets the table's name in front.
    struct Index {
        QString name;
        bool unique;
        QStringList columns;
    };
    std::vector<Index> indexes;
    {
        Statement list(h, QStringLiteral("SELECT name, \"unique\" FROM pragma_index_list(?, ?) WHERE origin = 'c'"));
        list.bind(1, Value(sourceTable));
        list.bind(2, Value(schema));
        while (list.step())
            indexes.push_back({list.column(0, ColType::Text).toString(), list.columnInt64(1) != 0, {}});
    }
    for (Index &ix : indexes) {
        Statement cols(h, QStringLiteral("SELECT name, desc FROM pragma_index_xinfo(?, ?) WHERE key = 1 ORDER BY seqno"));
        cols.bind(1, Value(ix.name));
        cols.bind(2, Value(schema));
        while (cols.step())
            ix.columns << quoteIdentifier(cols.column(0, ColType::Text).toString()) +
                              (cols.columnInt64(1) ? QStringLiteral(" DESC") : QString());
        Statement taken(h, QStringLiteral("SELECT 1 FROM main.sqlite_master WHERE name = ? COLLATE NOCASE"));
        taken.bind(1, Value(ix.name));
        const QString name = taken.step() ? targetTable + u'_' + ix.name : ix.name;
        db.execute(QStringLiteral("CREATE %1INDEX main.%2 ON %3 (%4)")
                       .arg(ix.unique ? QStringLiteral("UNIQUE ") : QString(), quoteIdentifier(name), target,
                            ix.columns.join(QStringLiteral(", "))));
    }
}

}  // namespace rz
