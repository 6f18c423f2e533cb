// Whole-estimate recalculation in one pass over the item table in key order.
// A parent row comes before the rows below it and every subtree lies in one
// stretch, so a stack of the groups still open gives each row its level's
// running sums; a group is corrected when the stretch below it ends. That
// yields the amounts, messages and beeps of the walk level by level, in its
// order, with one statement read once instead of one query per group.
#include "calctbl.h"

#include "amount.h"
#include "rowkind.h"
#include "store/database.h"
#include "store/recordset.h"
#include "store/vbconv.h"
#include "ui/prompts.h"

#include <array>
#include <sqlite3.h>

namespace rz {

namespace {

// Columns of the pass's statement after the rowid and the eight keys.
enum Money { Su1, Tk1, Kn1, Su2, Tk2, Kn2, MoneyCount };
constexpr int kKnm = 9, kFlg = 10, kMoney = 11;
const char *const kMoneyNames[MoneyCount] = {"su1", "tk1", "kn1", "su2", "tk2", "kn2"};

using Keys = std::array<qint64, 8>;

struct Row {
    qint64 rowid = 0;
    Keys key{};
    int depth = 0;          // 0: no level query selects it (a Null key, or a key after a 0)
    unsigned damaged = 0;   // bit i: key i+1 holds something other than a whole number
    RowKind kind = RowKind::Unmarked;
    QString name;           // group rows only: for the message (a damaged key: its text)
    std::array<Value, MoneyCount> money;
    std::array<QString, MoneyCount> unreadable;  // why a value cannot be read, if it cannot

    // A value as the column's type holds it; reading one that it cannot hold
    // fails here, as a recordset fails on that field.
    const Value &get(Money m) const
    {
        const size_t i = static_cast<size_t>(m);
        if (!unreadable[i].isNull())
            throw DbError(unreadable[i], kTypeMismatch);
        return money[i];
    }
};

bool isMarkAt(const unsigned char *s, int len, int &pos)
{
    if (pos < len && s[pos] == '@') {
        pos += 1;
        return true;
    }
    if (pos + 2 < len && s[pos] == 0xEF && s[pos + 1] == 0xBC && s[pos + 2] == 0xA0) {  // "＠"
        pos += 3;
        return true;
    }
    return false;
}

// classifyRow on the stored bytes: a flag in plain ASCII and any name are
// judged without making texts of them, which most rows of a large estimate
// would otherwise cost; other flags go the long way.
RowKind kindOf(const unsigned char *flg, int flgLen, const unsigned char *knm, int knmLen)
{
    if (flgLen > 0 && flg[0] >= 0x80)
        return classifyRow(QString::fromUtf8(reinterpret_cast<const char *>(flg), flgLen),
                           QString::fromUtf8(reinterpret_cast<const char *>(knm), knmLen));
    // Byte 2 of a flag whose first character is one byte is the first byte
    // of the second character: "x" only when that character is "x".
    if (flgLen > 1 && flg[1] == 'x')
        return RowKind::ProvisionallyDeleted;
    int pos = 0;
    if (isMarkAt(knm, knmLen, pos))
        return isMarkAt(knm, knmLen, pos) ? RowKind::RunningTotal : RowKind::Subtotal;
    if (flgLen > 0 && flg[0] == '+')
        return RowKind::Group;
    if (flgLen > 0 && flg[0] == '-')
        return RowKind::Item;
    return RowKind::Unmarked;
}

void add(Totals &to, const Totals &row)
{
    to.estimate += row.estimate;
    to.budget += row.budget;
}

// A group still open: its row, and the sums of the rows below it so far.
struct Frame {
    Row row;  // the root frame has none (depth = the level passed in)
    Totals sub, total;
    // Rows with the very same keys as the group, met before the rows below
    // it; the walk by level takes them after the group, each group of them
    // with the same rows below.
    std::vector<Row> twins;
};

// The statements and the message routes one recalculation shares.
struct Context {
    Database &db;
    QString table;
    Prompts &prompts;
    std::array<ColType, MoneyCount> types{};
    std::unique_ptr<Statement> setKn1, setKn2, setBoth;

    // The value to write into an amount column, or none when the row holds
    // it already. A stored Null is replaced, so the row holds the number it
    // is counted with; a stored value that cannot be read fails, as reading
    // it would; a value the column cannot hold fails here.
    std::optional<Value> changed(const Row &r, Money m, const std::optional<Currency> &v) const
    {
        if (!v)
            return std::nullopt;
        const Value &stored = r.get(m);
        if (!stored.isNull() && stored.toCurrency() == *v)
            return std::nullopt;
        return Value(*v).convertedFor(types[static_cast<size_t>(m)]);
    }

    void write(const Row &r, const std::optional<Value> &kn1, const std::optional<Value> &kn2)
    {
        if (!kn1 && !kn2)
            return;
        auto prepare = [&](std::unique_ptr<Statement> &st, const char *set) -> Statement & {
            if (!st)
                st = std::make_unique<Statement>(db.handle(), QStringLiteral("UPDATE %1 SET %2 WHERE _rowid_ = ?")
                                                                  .arg(quoteIdentifier(table), QLatin1String(set)));
            return *st;
        };
        Statement &st = kn1 && kn2 ? prepare(setBoth, "kn1 = ?, kn2 = ?")
                        : kn1      ? prepare(setKn1, "kn1 = ?")
                                   : prepare(setKn2, "kn2 = ?");
        int n = 1;
        for (const auto *v : {&kn1, &kn2})
            if (*v)
                st.bind(n++, **v);
        st.bind(n, Value(r.rowid));
        try {
            st.step();
        } catch (...) {
            st.reset();
            throw;
        }
        st.reset();
        if (sqlite3_changes(db.handle()) == 0)
            throw recordDeletedError();
    }

    void save(const Row &r, Currency kn1, Currency kn2)
    {
        const std::optional<Value> a = changed(r, Kn1, kn1);
        write(r, a, changed(r, Kn2, kn2));
    }
};

class Pass {
public:
    explicit Pass(Context &ctx) : ctx_(ctx) {}
    Totals run(int level, const Keys &keys);

private:
    Row read(const Statement &st) const;
    void visit(Frame &parent, const Row &r, bool twin);
    Totals item(const Row &r);
    void closeTop();
    void finishGroup(Frame &parent, const Row &g, const Totals &below);
    static bool isAncestor(const Frame &f, const Row &r);

    Context &ctx_;
    std::vector<Frame> stack_;
    int level_ = 0;
};

Row Pass::read(const Statement &st) const
{
    Row r;
    sqlite3_stmt *s = st.handle();
    r.rowid = sqlite3_column_int64(s, 0);
    int zeroAt = -1;
    for (int i = 0; i < 8; ++i) {
        const int type = sqlite3_column_type(s, i + 1);
        if (type == SQLITE_NULL)
            return r;  // "= 0" and "<> 0" are both false for Null
        if (type == SQLITE_INTEGER) {
            r.key[static_cast<size_t>(i)] = sqlite3_column_int64(s, i + 1);
            if (r.key[static_cast<size_t>(i)] == 0) {
                if (zeroAt < 0)
                    zeroAt = i;
                continue;
            }
        } else {
            r.damaged |= 1u << i;  // not 0, and equal to no whole number
        }
        if (zeroAt >= 0)
            return r;  // a key after a 0
    }
    r.depth = zeroAt < 0 ? 8 : zeroAt;
    if (r.depth <= level_)
        return r;
    const auto *flg = sqlite3_column_text(s, kFlg);
    const auto *knm = sqlite3_column_text(s, kKnm);
    const int knmLen = sqlite3_column_bytes(s, kKnm), flgLen = sqlite3_column_bytes(s, kFlg);
    r.kind = kindOf(flg, flgLen, knm, knmLen);
    if (r.kind == RowKind::Group && r.depth < 8)
        r.name = r.damaged ? QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, r.depth)))
                           : QString::fromUtf8(reinterpret_cast<const char *>(knm), knmLen);
    for (size_t m = 0; m < MoneyCount; ++m)
        r.money[m] = readColumn(st, kMoney + int(m), ctx_.types[m], QString::fromLatin1(kMoneyNames[m]), r.unreadable[m]);
    return r;
}

bool Pass::isAncestor(const Frame &f, const Row &r)
{
    const int d = f.row.depth;
    if (d >= r.depth || (r.damaged & ((1u << d) - 1)))
        return false;
    for (int i = 0; i < d; ++i)
        if (f.row.key[static_cast<size_t>(i)] != r.key[static_cast<size_t>(i)])
            return false;
    return true;
}

Totals Pass::run(int level, const Keys &keys)
{
    level_ = level;
    QString sql = QStringLiteral("SELECT _rowid_, key1, key2, key3, key4, key5, key6, key7, key8, knm, flg, su1, tk1, "
                                 "kn1, su2, tk2, kn2 FROM ") + quoteIdentifier(ctx_.table);
    for (int i = 1; i <= level; ++i)
        sql += (i == 1 ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) + QStringLiteral("key%1 = ?").arg(i);
    // Within a parent its own row first (a 0 sorts first), then its children
    // by key, negative ones too; equal keys in the order the rows were added.
    sql += QStringLiteral(" ORDER BY ");
    for (int j = level + 1; j <= 8; ++j)
        sql += QStringLiteral("key%1 <> 0, key%1, ").arg(j);
    sql += QStringLiteral("_rowid_");
    Statement st(ctx_.db.handle(), sql);
    for (int i = 0; i < level; ++i)
        st.bind(i + 1, Value(keys[static_cast<size_t>(i)]));
    for (size_t m = 0; m < MoneyCount; ++m)
        ctx_.types[m] = colTypeFromDecl(st.columnDecl(kMoney + int(m)));

    stack_.clear();
    stack_.reserve(9);  // the root and a group on each of levels 1 to 7
    stack_.emplace_back();
    stack_.back().row.key = keys;
    stack_.back().row.depth = level;
    while (st.step()) {
        Row r = read(st);
        if (r.depth <= level)
            continue;
        Frame &top = stack_.back();
        if (stack_.size() > 1 && top.row.depth == r.depth && top.row.key == r.key && !r.damaged) {
            top.twins.push_back(std::move(r));
            continue;
        }
        while (!isAncestor(stack_.back(), r))
            closeTop();
        // Below a row that is no open group (an item, a deleted or a missing
        // row): no level query reaches it.
        if (stack_.back().row.depth == r.depth - 1)
            visit(stack_.back(), r, false);
    }
    while (stack_.size() > 1)
        closeTop();
    return stack_.front().total;
}

void Pass::visit(Frame &parent, const Row &r, bool twin)
{
    switch (r.kind) {
    case RowKind::ProvisionallyDeleted:
        return;
    case RowKind::RunningTotal:
        ctx_.save(r, parent.total.estimate, parent.total.budget);
        return;
    case RowKind::Subtotal:
        ctx_.save(r, parent.sub.estimate, parent.sub.budget);
        parent.sub = Totals();
        return;
    case RowKind::Group:
        // A row on the eighth level cannot have a sub-level to roll up from.
        if (r.depth < 8) {
            r.get(Kn1);
            r.get(Kn2);
            if (r.damaged)  // its key is needed for the rows below, and is no key
                throw DbError(QStringLiteral("データ型が一致しません: 項目 key%1 の値 '%2' を読めません").arg(r.depth).arg(r.name),
                              kTypeMismatch);
            if (twin) {
                // Its rows below were recalculated with the first of the
                // twins: another pass over them only reads what is now stored.
                Context &ctx = ctx_;
                const Totals below = Pass(ctx).run(r.depth, r.key);
                finishGroup(parent, r, below);
            } else {
                Frame f;
                f.row = r;
                stack_.push_back(std::move(f));
            }
            return;
        }
        break;
    case RowKind::Item:
    case RowKind::Unmarked:
        break;
    }
    const Totals t = item(r);
    add(parent.sub, t);
    add(parent.total, t);
}

// sb_CalcAmt on a row of the pass.
Totals Pass::item(const Row &r)
{
    Totals row{r.get(Kn1).toCurrency(), r.get(Kn2).toCurrency()};
    std::optional<Value> kn1, kn2;
    const Currency tk1 = r.get(Tk1).toCurrency();
    if (!tk1.isZero()) {
        row.estimate = amountOf(tk1, quantityOf(r.get(Su1)));
        if (r.get(Kn1).toCurrency() != row.estimate)
            ctx_.prompts.beep();
        kn1 = ctx_.changed(r, Kn1, row.estimate);
    }
    const Currency tk2 = r.get(Tk2).toCurrency();
    if (!tk2.isZero()) {
        row.budget = amountOf(tk2, quantityOf(r.get(Su2)));
        kn2 = ctx_.changed(r, Kn2, row.budget);
    }
    ctx_.write(r, kn1, kn2);
    return row;
}

void Pass::closeTop()
{
    Frame f = std::move(stack_.back());
    stack_.pop_back();
    Frame &parent = stack_.back();
    finishGroup(parent, f.row, f.total);
    for (const Row &twin : f.twins)
        visit(parent, twin, true);
}

void Pass::finishGroup(Frame &parent, const Row &g, const Totals &below)
{
    if (g.get(Kn1).toCurrency() != below.estimate || g.get(Kn2).toCurrency() != below.budget)
        ctx_.prompts.message(Trim(g.name) + QStringLiteral("の金額を訂正します"), MsgInformation);
    ctx_.save(g, below.estimate, below.budget);
    add(parent.sub, below);
    add(parent.total, below);
}

}  // namespace

void sb_CalcTbl(Database &db, const QString &table, int level, LevelKeys keys, Totals &totals, Prompts &prompts)
{
    if (level < 0 || level > 7)
        throw DbError(QStringLiteral("階層 %1 は範囲外です。").arg(level));
    Context ctx{db, unbracket(table), prompts};
    Keys path{};
    for (size_t i = 0; i < 8; ++i)
        path[i] = i < size_t(level) ? keys[i] : 0;
    Transaction tx(db);
    const Totals result = Pass(ctx).run(level, path);
    ctx.setKn1.reset();
    ctx.setKn2.reset();
    ctx.setBoth.reset();
    tx.commit();
    totals = result;
}

}  // namespace rz
