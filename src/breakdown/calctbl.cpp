// Whole-estimate recalculation, recursive by level.
#include "calctbl.h"

#include "amount.h"
#include "keyindex.h"
#include "rowkind.h"
#include "store/database.h"
#include "store/recordset.h"
#include "store/vbconv.h"
#include "ui/prompts.h"

#include <array>
#include <memory>

namespace rz {

namespace {

// Field positions of one recordset, looked up once instead of by name for
// every row of a large table.
struct Columns {
    explicit Columns(const Recordset &rs)
    {
        for (int i = 0; i < 8; ++i)
            key[static_cast<size_t>(i)] = require(rs, QStringLiteral("key%1").arg(i + 1));
        knm = require(rs, QStringLiteral("knm"));
        flg = require(rs, QStringLiteral("flg"));
        su1 = require(rs, QStringLiteral("su1"));
        tk1 = require(rs, QStringLiteral("tk1"));
        kn1 = require(rs, QStringLiteral("kn1"));
        su2 = require(rs, QStringLiteral("su2"));
        tk2 = require(rs, QStringLiteral("tk2"));
        kn2 = require(rs, QStringLiteral("kn2"));
    }
    static int require(const Recordset &rs, const QString &name)
    {
        const int i = rs.fieldIndex(name);
        if (i < 0)
            throw DbError(QStringLiteral("項目 '%1' はこのコレクションにありません。").arg(name));
        return i;
    }
    std::array<int, 8> key{};
    int knm, flg, su1, tk1, kn1, su2, tk2, kn2;
};

// Writes into the current record only what actually changes: on a large
// estimate most rows are already right, and rewriting them would cost more
// than the whole calculation. A Null amount is always written, so the row
// ends up holding the number it is counted with.
class RowWriter {
public:
    explicit RowWriter(Recordset &rs) : rs_(rs) {}
    void put(int column, Currency value)
    {
        const Value stored = rs_.field(column);
        if (!stored.isNull() && stored.toCurrency() == value)
            return;
        if (!editing_) {
            rs_.edit();
            editing_ = true;
        }
        rs_.setField(column, Value(value));
    }
    void save()
    {
        if (editing_)
            rs_.update();
        editing_ = false;
    }

private:
    Recordset &rs_;
    bool editing_ = false;
};

Totals calcAmt(Recordset &rs, const Columns &c, Prompts &prompts)
{
    Totals row{rs.field(c.kn1).toCurrency(), rs.field(c.kn2).toCurrency()};
    RowWriter w(rs);
    const Currency tk1 = rs.field(c.tk1).toCurrency();
    if (!tk1.isZero()) {
        const Currency kn1 = amountOf(tk1, quantityOf(rs.field(c.su1)));
        if (row.estimate != kn1)
            prompts.beep();
        w.put(c.kn1, kn1);
        row.estimate = kn1;
    }
    const Currency tk2 = rs.field(c.tk2).toCurrency();
    if (!tk2.isZero()) {
        const Currency kn2 = amountOf(tk2, quantityOf(rs.field(c.su2)));
        w.put(c.kn2, kn2);
        row.budget = kn2;
    }
    w.save();
    return row;
}

void add(Totals &to, const Totals &row)
{
    to.estimate += row.estimate;
    to.budget += row.budget;
}

// The child query with only the columns the calculation uses: the same rows
// in the same order, but far less for the engine to prepare and to fetch per
// row, which on a large estimate is most of the time spent.
QString levelSql(const QString &table, int level, const LevelKeys &keys)
{
    static const QString star = QStringLiteral("SELECT * ");
    static const QString used =
        QStringLiteral("SELECT key1, key2, key3, key4, key5, key6, key7, key8, knm, flg, su1, tk1, kn1, su2, tk2, kn2 ");
    QString sql = LvlSelectSQL(table, level, keys);
    if (sql.startsWith(star))
        sql.replace(0, star.size(), used);
    return sql;
}

// One level under the path in keys[0 .. level-1]. Runs inside the caller's
// transaction and opens none of its own.
Totals calcLevel(Database &db, const QString &table, int level, LevelKeys &keys, Prompts &prompts)
{
    auto rs = db.openRecordset(levelSql(table, level, keys), RecordsetType::Dynaset);
    Totals total;
    Totals sub;
    if (rs->eof())
        return total;
    const Columns c(*rs);
    for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
        const QString flg = rs->field(c.flg).toString();
        const QString knm = rs->field(c.knm).toString();
        RowKind kind = classifyRow(flg, knm);
        // A row on the eighth level cannot have a sub-level to roll up from.
        if (kind == RowKind::Group && level >= 7)
            kind = RowKind::Item;
        switch (kind) {
        case RowKind::ProvisionallyDeleted:
            break;
        case RowKind::RunningTotal: {
            RowWriter w(*rs);
            w.put(c.kn1, total.estimate);
            w.put(c.kn2, total.budget);
            w.save();
            break;
        }
        case RowKind::Subtotal: {
            RowWriter w(*rs);
            w.put(c.kn1, sub.estimate);
            w.put(c.kn2, sub.budget);
            w.save();
            sub = Totals();
            break;
        }
        case RowKind::Group: {
            const Currency kn1 = rs->field(c.kn1).toCurrency();
            const Currency kn2 = rs->field(c.kn2).toCurrency();
            keys[static_cast<size_t>(level)] = static_cast<qint32>(rs->field(c.key[static_cast<size_t>(level)]).toLong());
            const Totals below = calcLevel(db, table, level + 1, keys, prompts);
            if (kn1 != below.estimate || kn2 != below.budget)
                prompts.message(Trim(knm) + QStringLiteral("の金額を訂正します"), MsgInformation);
            RowWriter w(*rs);
            w.put(c.kn1, below.estimate);
            w.put(c.kn2, below.budget);
            w.save();
            add(sub, below);
            add(total, below);
            break;
        }
        case RowKind::Item:
        case RowKind::Unmarked: {
            const Totals row = calcAmt(*rs, c, prompts);
            add(sub, row);
            add(total, row);
            break;
        }
        }
    }
    return total;
}

}  // namespace

Totals sb_CalcAmt(Recordset &rs, Prompts &prompts)
{
    const Columns c(rs);
    return calcAmt(rs, c, prompts);
}

void sb_CalcTbl(Database &db, const QString &table, int level, LevelKeys keys, Totals &totals, Prompts &prompts)
{
    if (level < 0 || level > 7)
        throw DbError(QStringLiteral("階層 %1 は範囲外です。").arg(level));
    ensureKeyIndex(db, table);
    Transaction tx(db);
    const Totals result = calcLevel(db, table, level, keys, prompts);
    tx.commit();
    totals = result;
}

}  // namespace rz
