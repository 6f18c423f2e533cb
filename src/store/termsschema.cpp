// The definitions of the tables of conditions and issuer.
#include "termsschema.h"

namespace rz {

const char *const kTermsTable = "RZTBLCND";
const char *const kIssuerTable = "RZTBLISS";

const std::vector<ColumnDef> &termsTableColumns()
{
    static const std::vector<ColumnDef> cols{
        {"key1", "LONG"},     {"mno", "TEXT(20)"},  {"hdt", "TEXT(10)"},  {"yuk", "TEXT(30)"},
        {"kki", "TEXT(30)"},  {"shj", "TEXT(30)"},  {"okb", "SHORT"},     {"ort", "CURRENCY"},
        {"okn", "CURRENCY"},  {"onm", "TEXT(12)"},  {"fkb", "SHORT"},     {"frt", "CURRENCY"},
        {"fkn", "CURRENCY"},  {"fbk", "SHORT"},     {"fbs", "CURRENCY"},  {"fnm", "TEXT(12)"},
        {"nbk", "CURRENCY"},  {"trt", "CURRENCY"},  {"tmr", "SHORT"}};
    return cols;
}

const std::vector<ColumnDef> &issuerTableColumns()
{
    static const std::vector<ColumnDef> cols{{"cnm", "TEXT(26)"}, {"zip", "TEXT(10)"}, {"adr", "TEXT(50)"},
                                             {"tel", "TEXT(20)"}, {"tnt", "TEXT(30)"}, {"reg", "TEXT(14)"}};
    return cols;
}

void ensureTermsTable(Database &db)
{
    const QString table = QString::fromLatin1(kTermsTable);
    if (db.tableExists(table))
        return;
    db.createTable(table, termsTableColumns());
    db.execute(QStringLiteral("CREATE UNIQUE INDEX %1 ON %2 (%3)")
                   .arg(quoteIdentifier(table + QStringLiteral("_key1")), quoteIdentifier(table),
                        quoteIdentifier(QStringLiteral("key1"))));
}

void ensureIssuerTable(Database &db)
{
    const QString table = QString::fromLatin1(kIssuerTable);
    if (!db.tableExists(table))
        db.createTable(table, issuerTableColumns());
}

}  // namespace rz
