// Level-key index of an item table.
#include "keyindex.h"

#include "store/database.h"

namespace rz {

QString keyIndexName(const QString &table) { return QStringLiteral("rzidx_") + unbracket(table); }

void ensureKeyIndex(Database &db, const QString &table)
{
    db.execute(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (key1, key2, key3, key4, key5, key6, key7, key8)")
                   .arg(quoteIdentifier(keyIndexName(table)), quoteIdentifier(unbracket(table))));
}

}  // namespace rz
