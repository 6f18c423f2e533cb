// The unit-price master's tables and their statements.
#include "masterstore.h"

#include <QFileInfo>
#include <QHash>

namespace rz {

const QString MasterStore::kItemTable = QStringLiteral("RZMASTER");
const QString MasterStore::kRevisionTable = QStringLiteral("RZMASTERREV");

namespace {

const QString kColumns = QStringLiteral("dai, chu, knm, mei, tn1, tk1, tk2, bk1, upd");
const QString kInsert = QStringLiteral("INSERT INTO RZMASTER (") + kColumns + QStringLiteral(", rev) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 0)");
// Every column of an item but its identity; the row's identity is bound last.
const QString kUpdate = QStringLiteral("UPDATE RZMASTER SET dai = ?, chu = ?, knm = ?, mei = ?, tn1 = ?, tk1 = ?, "
                                       "tk2 = ?, bk1 = ?, upd = ?, rev = rev + 1 WHERE _rowid_ = ?");
const QString kDateForm = QStringLiteral("yyyy-MM-dd");

// The item's values in the order of kColumns.
std::vector<Value> values(const MasterItem &item)
{
    return {Value(item.dai), Value(item.chu), Value(item.knm), Value(item.mei), Value(item.tn1),
            Value(item.tk1), Value(item.tk2), Value(item.bk1),
            Value(item.upd.isValid() ? item.upd.toString(kDateForm) : QString(""))};
}

// One transaction that moves the revision when it commits.
class MasterWrite {
public:
    explicit MasterWrite(Database &db) : db_(db), tx_(db) {}
    void commit()
    {
        db_.execute(QStringLiteral("UPDATE RZMASTERREV SET rev = rev + 1"));
        tx_.commit();
    }

private:
    Database &db_;
    Transaction tx_;
};

}  // namespace

std::unique_ptr<MasterStore> MasterStore::open(const QString &location, bool create)
{
    std::unique_ptr<Database> db;
    if (create && !QFileInfo::exists(location)) {
        db = Database::create(location);
    } else {
        try {
            db = Database::open(location);
        } catch (const DbError &e) {
            if (e.reason() != DbFailure::ReadOnly)
                throw;
            db = Database::open(location, OpenMode::ReadOnly);
        }
    }
    std::unique_ptr<MasterStore> store(new MasterStore(std::move(db)));
    if (!store->db_->tableExists(kItemTable) || !store->db_->tableExists(kRevisionTable))
        store->makeTables();
    return store;
}

void MasterStore::makeTables()
{
    Transaction tx(*db_);
    if (!db_->tableExists(kItemTable)) {
        db_->createTable(kItemTable, {{"dai", "TEXT(40)"},
                                      {"chu", "TEXT(40)"},
                                      {"knm", "TEXT(40)"},
                                      {"mei", "TEXT(20)"},
                                      {"tn1", "TEXT(4)"},
                                      {"tk1", "CURRENCY"},
                                      {"tk2", "CURRENCY"},
                                      {"bk1", "TEXT(40)"},
                                      {"upd", "TEXT(10)"},
                                      {"rev", "LONG"}});
        // One item per name and specification: registering and importing
        // find an item by them, also when two users add the same at once.
        db_->execute(QStringLiteral("CREATE UNIQUE INDEX RZMASTER_KNMMEI ON RZMASTER (knm, mei)"));
    }
    if (!db_->tableExists(kRevisionTable)) {
        db_->createTable(kRevisionTable, {{"rev", "LONG"}});
        db_->execute(QStringLiteral("INSERT INTO RZMASTERREV (rev) VALUES (0)"));
    }
    tx.commit();
}

qint64 MasterStore::revision()
{
    Statement st(*db_, QStringLiteral("SELECT rev FROM RZMASTERREV"));
    return st.step() ? st.column(0, ColType::Long).toLong() : 0;
}

std::vector<MasterItem> MasterStore::read(const QString &where, const std::vector<Value> &params)
{
    std::vector<MasterItem> items;
    Statement st(*db_, QStringLiteral("SELECT _rowid_, rev, ") + kColumns + QStringLiteral(" FROM RZMASTER") + where);
    st.bindAll(params);
    while (st.step()) {
        MasterItem item;
        item.id = st.column(0, ColType::Long).toLong();
        item.rev = qint32(st.column(1, ColType::Long).toLong());
        QString *texts[] = {&item.dai, &item.chu, &item.knm, &item.mei, &item.tn1};
        for (int i = 0; i < 5; ++i)
            *texts[i] = st.column(2 + i, ColType::Text).toString();
        item.tk1 = st.column(7, ColType::Currency).toCurrency();
        item.tk2 = st.column(8, ColType::Currency).toCurrency();
        item.bk1 = st.column(9, ColType::Text).toString();
        item.upd = QDate::fromString(st.column(10, ColType::Text).toString(), kDateForm);
        items.push_back(std::move(item));
    }
    return items;
}

std::vector<MasterItem> MasterStore::readAll() { return read(QString(), {}); }

std::optional<MasterItem> MasterStore::find(const QString &knm, const QString &mei)
{
    std::vector<MasterItem> found = read(QStringLiteral(" WHERE knm = ? AND mei = ?"), {Value(knm), Value(mei)});
    return found.empty() ? std::nullopt : std::optional<MasterItem>(std::move(found.front()));
}

void MasterStore::insert(Statement &st, const MasterItem &item)
{
    st.bindAll(values(item));
    st.step();
    st.reset();
}

void MasterStore::add(const MasterItem &item)
{
    MasterWrite write(*db_);
    Statement st(*db_, kInsert);
    insert(st, item);
    write.commit();
}

bool MasterStore::update(const MasterItem &item)
{
    MasterWrite write(*db_);
    Statement st(*db_, kUpdate + QStringLiteral(" AND rev = ?"));
    std::vector<Value> v = values(item);
    v.push_back(Value(item.id));
    v.push_back(Value(qint64(item.rev)));
    st.bindAll(v);
    st.step();
    if (st.changes() == 0)
        return false;
    write.commit();
    return true;
}

bool MasterStore::remove(const std::vector<MasterItem> &items)
{
    MasterWrite write(*db_);
    Statement st(*db_, QStringLiteral("DELETE FROM RZMASTER WHERE _rowid_ = ? AND rev = ?"));
    for (const MasterItem &item : items) {
        st.bindAll({Value(item.id), Value(qint64(item.rev))});
        st.step();
        if (st.changes() == 0)
            return false;
        st.reset();
    }
    write.commit();
    return true;
}

MasterStore::Merge MasterStore::merge(const std::vector<MasterItem> &items)
{
    MasterWrite write(*db_);
    // Which items the master holds, by name and specification, read inside
    // the transaction so that nothing comes between.
    QHash<QString, qint64> held;
    {
        Statement st(*db_, QStringLiteral("SELECT _rowid_, knm, mei FROM RZMASTER"));
        while (st.step())
            held.insert(st.column(1, ColType::Text).toString() + QChar(0x1F) + st.column(2, ColType::Text).toString(),
                        st.column(0, ColType::Long).toLong());
    }
    Statement ins(*db_, kInsert);
    Statement upd(*db_, kUpdate);
    Merge merged;
    for (const MasterItem &item : items) {
        const auto at = held.constFind(item.knm + QChar(0x1F) + item.mei);
        if (at == held.constEnd()) {
            insert(ins, item);
            ++merged.added;
        } else {
            std::vector<Value> v = values(item);
            v.push_back(Value(*at));
            upd.bindAll(v);
            upd.step();
            upd.reset();
            ++merged.replaced;
        }
    }
    write.commit();
    return merged;
}

bool MasterStore::registerItems(const std::vector<MasterItem> &added, const std::vector<MasterItem> &repriced)
{
    try {
        MasterWrite write(*db_);
        Statement ins(*db_, kInsert);
        for (const MasterItem &item : added)
            insert(ins, item);
        Statement upd(*db_, QStringLiteral("UPDATE RZMASTER SET tk1 = ?, tk2 = ?, upd = ?, rev = rev + 1 "
                                           "WHERE _rowid_ = ? AND rev = ?"));
        for (const MasterItem &item : repriced) {
            upd.bindAll({Value(item.tk1), Value(item.tk2), values(item).back(), Value(item.id), Value(qint64(item.rev))});
            upd.step();
            if (upd.changes() == 0)
                return false;
            upd.reset();
        }
        write.commit();
    } catch (const DbError &e) {
        if (e.reason() == DbFailure::Constraint)
            return false;
        throw;
    }
    return true;
}

}  // namespace rz
