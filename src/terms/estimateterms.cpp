// Reading and writing an estimate's conditions and the file's issuer.
#include "estimateterms.h"

#include "store/recordset.h"
#include "store/termsschema.h"

#include <tuple>

namespace rz {

namespace {
auto tied(const EstimateTerms &t)
{
    return std::tie(t.estimateNo, t.issueDate, t.validUntil, t.workPeriod, t.payment, t.overheadKind,
                    t.overheadRate, t.overheadAmount, t.overheadLabel, t.welfareKind, t.welfareRate,
                    t.welfareAmount, t.welfareBase, t.welfareBaseAmount, t.welfareLabel, t.discount, t.taxRate,
                    t.taxRounding);
}
auto tied(const Issuer &i) { return std::tie(i.name, i.postalCode, i.address, i.telephone, i.person, i.registration); }

QString termsTable() { return QString::fromLatin1(kTermsTable); }
QString issuerTable() { return QString::fromLatin1(kIssuerTable); }

// A stored kind out of its range (written by another program) is read as the first kind.
template <typename E>
E kindOf(const Value &v, int count)
{
    const qint64 n = v.toLong();
    return static_cast<E>(n >= 0 && n < count ? n : 0);
}

QString marks(size_t n)
{
    QString m;
    for (size_t i = 0; i < n; ++i)
        m += i ? QStringLiteral(",?") : QStringLiteral("?");
    return m;
}

QString columnList(const std::vector<ColumnDef> &cols)
{
    QStringList names;
    for (const ColumnDef &c : cols)
        names << c.name;
    return names.join(u',');
}
}  // namespace

bool EstimateTerms::operator==(const EstimateTerms &o) const { return tied(*this) == tied(o); }
bool Issuer::operator==(const Issuer &o) const { return tied(*this) == tied(o); }
bool Issuer::isEmpty() const { return *this == Issuer(); }

std::optional<EstimateTerms> readTerms(Database &db, qint32 key)
{
    if (!db.tableExists(termsTable()))
        return std::nullopt;
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM %1 WHERE [key1] = ?").arg(termsTable()),
                               RecordsetType::Snapshot, {Value(qint64(key))});
    if (rs->eof())
        return std::nullopt;
    auto text = [&](const char *c) { return rs->field(QLatin1String(c)).toString(); };
    auto money = [&](const char *c) { return rs->field(QLatin1String(c)).toCurrency(); };
    auto kind = [&](const char *c) { return rs->field(QLatin1String(c)); };
    EstimateTerms t;
    t.estimateNo = text("mno");
    t.issueDate = text("hdt");
    t.validUntil = text("yuk");
    t.workPeriod = text("kki");
    t.payment = text("shj");
    t.overheadKind = kindOf<ChargeKind>(kind("okb"), 2);
    t.overheadRate = money("ort");
    t.overheadAmount = money("okn");
    t.overheadLabel = text("onm");
    t.welfareKind = kindOf<ChargeKind>(kind("fkb"), 2);
    t.welfareRate = money("frt");
    t.welfareAmount = money("fkn");
    t.welfareBase = kindOf<LabourBase>(kind("fbk"), 2);
    t.welfareBaseAmount = money("fbs");
    t.welfareLabel = text("fnm");
    t.discount = money("nbk");
    t.taxRate = money("trt");
    t.taxRounding = kindOf<TaxRounding>(kind("tmr"), 3);
    return t;
}

void writeTerms(Database &db, qint32 key, const EstimateTerms &t)
{
    ensureTermsTable(db);
    auto kind = [](auto k) { return Value(qint64(static_cast<int>(k))); };
    // In the order of termsTableColumns().
    const std::vector<Value> values{qint64(key),          t.estimateNo,       t.issueDate,      t.validUntil,
                                    t.workPeriod,         t.payment,          kind(t.overheadKind), t.overheadRate,
                                    t.overheadAmount,     t.overheadLabel,    kind(t.welfareKind), t.welfareRate,
                                    t.welfareAmount,      kind(t.welfareBase), t.welfareBaseAmount, t.welfareLabel,
                                    t.discount,           t.taxRate,          kind(t.taxRounding)};
    Transaction tx(db);
    deleteTerms(db, key);
    db.execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                   .arg(termsTable(), columnList(termsTableColumns()), marks(values.size())),
               values);
    tx.commit();
}

void deleteTerms(Database &db, qint32 key)
{
    if (db.tableExists(termsTable()))
        db.execute(QStringLiteral("DELETE FROM %1 WHERE [key1] = ?").arg(termsTable()), {Value(qint64(key))});
}

std::optional<Issuer> readIssuer(Database &db)
{
    if (!db.tableExists(issuerTable()))
        return std::nullopt;
    auto rs = db.openRecordset(QStringLiteral("SELECT * FROM %1").arg(issuerTable()), RecordsetType::Snapshot);
    if (rs->eof())
        return std::nullopt;
    auto text = [&](const char *c) { return rs->field(QLatin1String(c)).toString(); };
    return Issuer{text("cnm"), text("zip"), text("adr"), text("tel"), text("tnt"), text("reg")};
}

void writeIssuer(Database &db, const Issuer &i)
{
    ensureIssuerTable(db);
    const std::vector<Value> values{i.name, i.postalCode, i.address, i.telephone, i.person, i.registration};
    Transaction tx(db);
    db.execute(QStringLiteral("DELETE FROM %1").arg(issuerTable()));
    db.execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                   .arg(issuerTable(), columnList(issuerTableColumns()), marks(values.size())),
               values);
    tx.commit();
}

}  // namespace rz
