#include "tablecopy.h"

#include "engine.h"

#include <algorithm>

namespace rz {

namespace {
// Bound values in one statement: below the smaller of the engines' limits
// (32,766 and 65,535).
constexpr int kValuesPerStatement = 30000;
constexpr int kRowsPerStatement = 1000;

// The rows in multi-row INSERT statements: a server spends far more on
// starting a statement than on a row (113,125 rows one by one took 2.7 s
// against 0.2 s for a bare COPY of them). Both engines take this many values
// in one statement.
template <typename Take>
void insertInStatements(Database &to, const QString &targetTable, const QStringList &names, Statement &read,
                        const Take &take)
{
    const int n = static_cast<int>(names.size());
    const int perStatement = std::clamp(kValuesPerStatement / std::max(n, 1), 1, kRowsPerStatement);
    const QString row = u'(' + QStringList(n, QStringLiteral("?")).join(u',') + u')';
    const auto insertOf = [&](int rows) {
        return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
            .arg(quoteIdentifier(unbracket(targetTable)), names.join(u','), QStringList(rows, row).join(u','));
    };
    Statement insert(to, insertOf(perStatement));
    std::vector<Value> values;
    values.reserve(size_t(perStatement) * size_t(n));
    const auto send = [&](Statement &st) {
        for (size_t i = 0; i < values.size(); ++i)
            st.bind(int(i) + 1, values[i]);
        // A server takes the statements in a few exchanges rather than one each.
        st.queue();
        values.clear();
    };
    while (read.step()) {
        take(values);
        if (values.size() == size_t(perStatement) * size_t(n))
            send(insert);
    }
    if (!values.empty()) {
        Statement rest(to, insertOf(int(values.size()) / n));
        send(rest);
    }
}
}  // namespace

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
    QStringList names, quoted;
    for (const ColumnDef &c : cols) {
        names << c.name;
        quoted << quoteIdentifier(c.name);
    }
    Statement read(from,
                   QStringLiteral("SELECT %1 FROM %2").arg(quoted.join(u','), quoteIdentifier(unbracket(sourceTable))));
    const int n = static_cast<int>(cols.size());
    std::vector<RawCell> cells(cols.size());
    // Each value as it is stored: a copy converts nothing. A CURRENCY stored
    // as its whole ten-thousandths goes as money, which every engine keeps
    // in its own exact form.
    const auto take = [&](std::vector<Value> &values) {
        read.readRaw(0, n, cells.data());
        for (int i = 0; i < n; ++i)
            values.push_back(cells[size_t(i)].kind == RawCell::Integer && cols[size_t(i)].type() == ColType::Currency
                                 ? Value(Currency::fromRaw(cells[size_t(i)].integer))
                                 : read.column(i, ColType::Other));
    };
    // A store that loads rows faster than its statements take them (a
    // server's COPY); never one that is also being read here.
    if (auto writer = &from.engine() == &to.engine() ? nullptr
                                                      : to.engine().rowWriter(unbracket(targetTable), names)) {
        std::vector<Value> row;
        row.reserve(cols.size());
        while (read.step()) {
            row.clear();
            take(row);
            writer->add(row.data(), n);
        }
        writer->finish();
    } else {
        insertInStatements(to, targetTable, quoted, read, take);
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
