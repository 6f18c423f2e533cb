#include "levelkeys.h"

#include "currency.h"
#include "database.h"
#include "recordset.h"

#include <limits>

namespace rz {

namespace {
// The child query; the parent's keys as literals, or as parameters when
// there are none.
QString childQuery(const QString &table, int level, const LevelKeys *keys)
{
    QString sql = QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE ");
    if (level < 0 || level > 7)
        return sql;
    for (int i = 1; i <= level; ++i)
        sql += QStringLiteral("[key%1] = ").arg(i) +
               (keys ? QString::number((*keys)[static_cast<size_t>(i - 1)]) : QStringLiteral("?")) +
               QStringLiteral(" AND ");
    const int child = level + 1;
    sql += QStringLiteral("[key%1] <> 0").arg(child) + (child < 8 ? QStringLiteral(" AND ") : QStringLiteral(" "));
    for (int j = child + 1; j <= 8; ++j)
        sql += QStringLiteral("[key%1] = 0").arg(j) + (j < 8 ? QStringLiteral(" AND ") : QStringLiteral(" "));
    sql += QStringLiteral("ORDER BY [key%1]").arg(child);
    return sql;
}
}  // namespace

QString LvlSelectSQL(const QString &table, int level, const LevelKeys &keys) { return childQuery(table, level, &keys); }

QString LvlSelectShape(const QString &table, int level) { return childQuery(table, level, nullptr); }

std::vector<Value> levelParams(int level, const LevelKeys &keys)
{
    std::vector<Value> params;
    for (int i = 0; i < level && i < 8; ++i)
        params.emplace_back(qint64(keys[static_cast<size_t>(i)]));
    return params;
}

void ensureLevelIndex(Database &db, const QString &table)
{
    const QString name = unbracket(table), index = QStringLiteral("rzidx_") + name;
    if (db.indexExists(index) || db.rowCount(name) < kLevelIndexRows)
        return;
    try {
        // A savepoint of its own: a refusal undoes the index alone, never
        // the caller's transaction (a server spoils a transaction at any error).
        Transaction tx(db);
        db.execute(QStringLiteral("CREATE INDEX %1 ON %2 (%3)")
                       .arg(quoteIdentifier(index), quoteIdentifier(name), QLatin1String(kLevelOrder)));
        tx.commit();
    } catch (const DbError &) {
        // Read only, or held by another program.
    }
}

int GetLvl(const Recordset &rs)
{
    for (int i = 0; i < 8 && i < rs.fieldCount(); ++i) {
        const Value v = rs.field(i);
        if (!v.isNull() && v.toLong() == 0)
            return i;
    }
    return 8;
}

qint32 MidKey(qint32 lo, qint32 hi)
{
    const qint64 diff = static_cast<qint64>(hi) - lo;
    if (diff < std::numeric_limits<qint32>::min() || diff > std::numeric_limits<qint32>::max())
        throw OverflowError("オーバーフローしました。");
    const qint64 d = diff / 2;  // truncates toward zero
    return d != 0 ? static_cast<qint32>(lo + d) : 0;
}

}  // namespace rz
