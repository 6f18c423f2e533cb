#include "tablecopy.h"

#include "engine.h"

namespace rz {

TableCopy::TableCopy(Database &from, Database &to) : from_(from), to_(to), join_(to.engine().join(from.engine())) {}

TableCopy::~TableCopy()
{
    if (join_ && !to_.isOpen())
        join_->abandon();
}

void TableCopy::copy(const QString &sourceTable, const QString &targetTable)
{
    if (!join_) {
        copyTableByRows(from_, to_, sourceTable, targetTable);
        return;
    }
    to_.forgetPrepared();  // the schema changes under them
    join_->copy(sourceTable, targetTable);
}

void copyTableByRows(Database &from, Database &to, const QString &sourceTable, const QString &targetTable)
{
    const std::vector<ColumnDef> cols = from.columns(sourceTable);
    if (cols.empty())
        throw DbError(QStringLiteral("入力テーブル '%1' が見つかりません。").arg(sourceTable), DbFailure::MissingTable);
    // Created before the source is read: a copy into the same store never
    // reads its own new rows.
    to.createTable(targetTable, cols);
    QStringList names, marks;
    for (const ColumnDef &c : cols)
        names << quoteIdentifier(c.name), marks << QStringLiteral("?");
    Statement read(from,
                   QStringLiteral("SELECT %1 FROM %2").arg(names.join(u','), quoteIdentifier(unbracket(sourceTable))));
    Statement insert(to, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                             .arg(quoteIdentifier(unbracket(targetTable)), names.join(u','), marks.join(u',')));
    const int n = static_cast<int>(cols.size());
    std::vector<RawCell> cells(cols.size());
    while (read.step()) {
        // Each value as it is stored: a copy converts nothing. A CURRENCY
        // stored as its whole ten-thousandths goes as money, which every
        // engine keeps in its own exact form.
        read.readRaw(0, n, cells.data());
        for (int i = 0; i < n; ++i)
            insert.bind(i + 1, cells[size_t(i)].kind == RawCell::Integer && cols[size_t(i)].type() == ColType::Currency
                                   ? Value(Currency::fromRaw(cells[size_t(i)].integer))
                                   : read.column(i, ColType::Other));
        // A server takes the rows in a few exchanges rather than one each.
        insert.queue();
    }
    to.flush();
    for (const IndexDef &ix : from.indexes(sourceTable)) {
        const QString name =
            to.indexExists(ix.name) || to.tableExists(ix.name) ? targetTable + u'_' + ix.name : ix.name;
        to.execute(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                       .arg(ix.unique ? QStringLiteral("UNIQUE ") : QString(), quoteIdentifier(name),
                            quoteIdentifier(unbracket(targetTable)), ix.columns.join(QStringLiteral(", "))));
    }
}

}  // namespace rz
