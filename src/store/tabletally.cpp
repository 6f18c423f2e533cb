#include "tabletally.h"

#include "currency.h"

namespace rz {

void TableTally::add(const Value &kn1v, const Value &kn2v)
{
    ++rows;
    kn1 += kn1v.isNull() ? 0 : kn1v.toCurrency().raw();
    kn2 += kn2v.isNull() ? 0 : kn2v.toCurrency().raw();
}

QString TableTally::text() const
{
    return QStringLiteral("%1 行、kn1 合計 %2、kn2 合計 %3")
        .arg(rows)
        .arg(Currency::fromRaw(static_cast<qint64>(kn1)).toString(), Currency::fromRaw(static_cast<qint64>(kn2)).toString());
}

TableTally tallyOf(Database &db, const QString &table)
{
    const std::vector<ColumnDef> columns = db.columns(table);
    // A table without an amount column counts its rows alone (NULL sums to 0).
    QStringList read;
    std::vector<ColType> types;
    for (const char *name : {"kn1", "kn2"}) {
        const ColumnDef *found = nullptr;
        for (const ColumnDef &c : columns)
            if (c.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                found = &c;
        read << (found ? QStringLiteral("[%1]").arg(QLatin1String(name)) : QStringLiteral("NULL"));
        types.push_back(found ? found->type() : ColType::Other);
    }
    Statement st(db, QStringLiteral("SELECT %1 FROM %2").arg(read.join(u','), quoteIdentifier(unbracket(table))));
    TableTally t;
    while (st.step())
        t.add(st.column(0, types[0]), st.column(1, types[1]));
    return t;
}

}  // namespace rz
