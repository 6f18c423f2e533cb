// Whole-estimate recalculation. The rows below the starting node are read
// with one statement, in storage order and only the columns the calculation
// uses, and sorted by their keys in memory. The rows that share their first
// keys with a node then lie in one stretch, found by a binary search, and
// the children of the node are the rows there whose last key that is not 0
// comes next: so the walk level by level runs over that order exactly as it
// would over one child query per group, with the same rows, amounts,
// messages and beeps in the same order.
#include "calctbl.h"

#include "amount.h"
#include "store/rowkind.h"
#include "store/database.h"
#include "store/recordset.h"
#include "store/vbconv.h"
#include "ui/prompts.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <limits>
#include <utility>

namespace rz {

namespace {

// Columns of the statement: the rowid, the eight keys, then these.
constexpr int kKnm = 9, kFlg = 10, kMoney = 11;
enum Money { Su1, Tk1, Kn1, Su2, Tk2, Kn2, MoneyCount };

// How a value is held in a row: most are whole numbers, currency or floating
// values and fit in 64 bits; the rest (a text in a column of no number type,
// a value the column's type cannot hold) are kept aside.
enum class Held : quint8 { Null, Whole, Cy, Dbl, Aside };

// A key that is no whole number (a fraction or a text written by another
// program): the engine sorts it among the numbers or after them, and it
// equals no key a level query asks for.
struct OddKey {
    RawCell::Kind kind = RawCell::Integer;
    long double number = 0;
    QByteArray bytes;
};

// Whatever a few rows have that most have not.
struct Aside {
    QString name;  // of a group row, for the message
    std::array<Value, MoneyCount> money;
    std::array<std::exception_ptr, MoneyCount> unreadable;  // thrown when the value is used
    std::exception_ptr keyError;                            // reading the group's key for its level
    std::array<OddKey, 8> keys;
};

struct Row {
    std::array<qint64, 8> key;  // whole-number keys; an odd one is 0 here and kept aside
    qint64 rowid;
    std::array<qint64, MoneyCount> money;
    std::array<Held, MoneyCount> held;
    quint8 last;  // position (1 .. 8) of the last key that is not 0; later keys are all 0
    quint8 odd;   // bit i: key i + 1 is no whole number
    RowKind kind;
    qint32 childKey;  // a group row: its key as the walk puts it into the path
    qint32 aside;     // index of its Aside, or -1
};

// Where the engine's ORDER BY puts a value: numbers, then texts, then blobs.
int rankOf(RawCell::Kind kind) { return kind == RawCell::Text ? 1 : kind == RawCell::Blob ? 2 : 0; }

class Pass {
public:
    Pass(Database &db, const QString &table, Prompts &prompts) : db_(db), table_(unbracket(table)), prompts_(prompts) {}
    void read(int level, const LevelKeys &keys);
    Totals walk(int level, size_t lo, size_t hi);
    size_t rowCount() const { return rows_.size(); }

private:
    void readRow(const Statement &st);
    void sortRows();
    Aside &asideOf(Row &r);
    int compareAt(const Row &a, const Row &b, int i) const;
    bool before(const Row &a, const Row &b) const;
    Value money(const Row &r, Money m) const;
    void hold(Row &r, Money m, const Value &v);
    Totals item(Row &r);
    std::optional<Value> changed(const Row &r, Money m, Currency v) const;
    void write(Row &r, const std::optional<Value> &kn1, const std::optional<Value> &kn2);
    void save(Row &r, Currency kn1, Currency kn2);

    Database &db_;
    QString table_;
    Prompts &prompts_;
    std::array<ColType, MoneyCount> types_{};
    ColType keyType_ = ColType::Long;
    std::vector<Row> rows_;
    std::vector<Aside> asides_;
    std::array<std::unique_ptr<Statement>, 3> updates_;  // kn1, kn2, both
};

void add(Totals &to, const Totals &row)
{
    to.estimate += row.estimate;
    to.budget += row.budget;
}

bool isMarkAt(const char *text, int len, int &pos)
{
    const auto *s = reinterpret_cast<const unsigned char *>(text);
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

// classifyRow on the stored bytes: a flag beginning in plain ASCII is judged
// without making texts of flag and name, which most rows would otherwise
// cost; any other flag goes the long way.
RowKind kindOf(const RawCell &flgCell, const RawCell &knmCell)
{
    const auto *flg = reinterpret_cast<const unsigned char *>(flgCell.bytes);
    const int flgLen = flgCell.size, knmLen = knmCell.size;
    const char *knm = knmCell.bytes;
    if (flgLen > 0 && flg[0] >= 0x80)
        return classifyRow(QString::fromUtf8(flgCell.bytes, flgLen), QString::fromUtf8(knm, knmLen));
    // The first character is one byte, so byte 2 is the first byte of the
    // second character: "x" only when that character is "x".
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

void Pass::read(int level, const LevelKeys &keys)
{
    QString sql = QStringLiteral("SELECT _rowid_, %1, knm, flg, su1, tk1, kn1, su2, tk2, kn2 FROM ")
                      .arg(QLatin1String(kLevelOrder)) +
                  quoteIdentifier(table_);
    for (int i = 1; i <= level; ++i)
        sql += (i == 1 ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) + QStringLiteral("key%1 = ?").arg(i);
    Statement st(db_, sql);
    for (int i = 0; i < level; ++i)
        st.bind(i + 1, Value(qint64(keys[static_cast<size_t>(i)])));
    keyType_ = colTypeFromDecl(st.columnDecl(1));
    for (int m = 0; m < MoneyCount; ++m)
        types_[static_cast<size_t>(m)] = colTypeFromDecl(st.columnDecl(kMoney + m));
    // Room for every row at once: growing a large estimate's rows step by
    // step would copy them over and over.
    rows_.reserve(size_t(db_.rowCount(table_)));
    while (st.step())
        readRow(st);
    sortRows();
}

void Pass::sortRows()
{
    // Keys are whole numbers of 32 bits as a rule: packed into four words
    // that compare as the keys do, the sort moves and compares small
    // records. Any other key sends every row through the general comparison.
    struct Packed {
        std::array<quint64, 4> words;
        qint64 rowid;
        quint32 index;
    };
    std::vector<Packed> packed;
    packed.reserve(rows_.size());
    for (size_t n = 0; n < rows_.size(); ++n) {
        const Row &r = rows_[n];
        Packed p{{0, 0, 0, 0}, r.rowid, quint32(n)};
        for (size_t i = 0; i < 8; ++i) {
            const qint64 k = r.key[i];
            if (r.odd || k < std::numeric_limits<qint32>::min() || k > std::numeric_limits<qint32>::max()) {
                std::sort(rows_.begin(), rows_.end(), [this](const Row &a, const Row &b) { return before(a, b); });
                return;
            }
            p.words[i / 2] |= quint64(quint32(k) ^ 0x80000000u) << (i % 2 ? 0 : 32);
        }
        packed.push_back(p);
    }
    std::sort(packed.begin(), packed.end(), [](const Packed &a, const Packed &b) {
        return a.words != b.words ? a.words < b.words : a.rowid < b.rowid;
    });
    // The rows put in that order where they are, cycle by cycle: no second
    // copy of a large estimate.
    for (size_t j = 0; j < packed.size(); ++j) {
        if (packed[j].index == j)
            continue;
        const Row first = rows_[j];
        size_t at = j;
        while (true) {
            const size_t from = std::exchange(packed[at].index, quint32(at));
            if (from == j) {
                rows_[at] = first;
                break;
            }
            rows_[at] = rows_[from];
            at = from;
        }
    }
}

Aside &Pass::asideOf(Row &r)
{
    if (r.aside < 0) {
        r.aside = static_cast<qint32>(asides_.size());
        asides_.emplace_back();
    }
    return asides_[static_cast<size_t>(r.aside)];
}

void Pass::readRow(const Statement &st)
{
    // The row in one call into the engine.
    std::array<RawCell, kMoney + MoneyCount> cells;
    st.readRaw(0, kMoney + MoneyCount, cells.data());
    Row r;
    r.rowid = cells[0].integer;
    r.last = 0;
    r.odd = 0;
    r.aside = -1;
    r.childKey = 0;
    for (int i = 0; i < 8; ++i) {
        const RawCell &v = cells[size_t(i) + 1];
        // A Null key equals nothing and differs from nothing: no level
        // query selects the row.
        if (v.kind == RawCell::Null)
            return;
        r.key[static_cast<size_t>(i)] = 0;
        if (v.kind == RawCell::Integer) {
            r.key[static_cast<size_t>(i)] = v.integer;
            if (v.integer == 0)
                continue;
        } else {
            r.odd |= quint8(1u << i);
            OddKey &k = asideOf(r).keys[static_cast<size_t>(i)];
            k.kind = v.kind;
            if (v.kind == RawCell::Float)
                k.number = v.number;
            else
                k.bytes = QByteArray(v.bytes, v.size);
        }
        r.last = quint8(i + 1);
    }
    if (r.last == 0)
        return;  // all keys 0: the child of no node
    // Name and flag as texts: a number another program put there reads as
    // the engine writes it.
    RawCell &knm = cells[kKnm], &flg = cells[kFlg];
    for (RawCell *text : {&knm, &flg})
        if (text->kind == RawCell::Integer || text->kind == RawCell::Float)
            st.readRaw(int(text - cells.data()), 1, text, true);
    r.kind = kindOf(flg, knm);
    for (int m = 0; m < MoneyCount; ++m) {
        const int col = kMoney + m;
        const RawCell &v = cells[size_t(col)];
        const ColType declared = types_[static_cast<size_t>(m)];
        // The common cases read as Statement::column reads them; the rest
        // the long way, with the reason when the value cannot be read.
        if (v.kind == RawCell::Null) {
            r.held[size_t(m)] = Held::Null;
        } else if (v.kind == RawCell::Integer && declared == ColType::Currency) {
            r.held[size_t(m)] = Held::Cy;
            r.money[size_t(m)] = v.integer;
        } else if (v.kind == RawCell::Integer && (declared == ColType::Long || declared == ColType::Short)) {
            r.held[size_t(m)] = Held::Whole;
            r.money[size_t(m)] = v.integer;
        } else {
            QString reason;
            const Value value = readColumn(st, col, declared, st.columnName(col), reason);
            if (!reason.isNull()) {
                r.held[size_t(m)] = Held::Aside;
                asideOf(r).unreadable[size_t(m)] = std::make_exception_ptr(DbError(reason, DbFailure::TypeMismatch));
            } else {
                hold(r, Money(m), value);
            }
        }
    }
    if (r.kind == RowKind::Group && r.last < 8) {
        Aside &a = asideOf(r);
        a.name = QString::fromUtf8(knm.bytes, knm.size);
        // The key the walk goes down with, read as the field is read.
        QString reason;
        const Value key = readColumn(st, r.last, keyType_, st.columnName(r.last), reason);
        try {
            if (!reason.isNull())
                throw DbError(reason, DbFailure::TypeMismatch);
            r.childKey = static_cast<qint32>(key.toLong());
        } catch (...) {
            a.keyError = std::current_exception();
        }
    }
    rows_.push_back(std::move(r));
}

int Pass::compareAt(const Row &a, const Row &b, int i) const
{
    const size_t k = static_cast<size_t>(i);
    if (!((a.odd | b.odd) & (1u << i)))
        return a.key[k] < b.key[k] ? -1 : a.key[k] > b.key[k] ? 1 : 0;
    auto oddOf = [&](const Row &r) {
        OddKey o;
        if (r.odd & (1u << i))
            o = asides_[static_cast<size_t>(r.aside)].keys[k];
        else
            o.number = static_cast<long double>(r.key[k]);
        return o;
    };
    const OddKey p = oddOf(a), q = oddOf(b);
    if (rankOf(p.kind) != rankOf(q.kind))
        return rankOf(p.kind) < rankOf(q.kind) ? -1 : 1;
    if (rankOf(p.kind) == 0)
        return p.number < q.number ? -1 : p.number > q.number ? 1 : 0;
    const int c = std::memcmp(p.bytes.constData(), q.bytes.constData(), size_t(std::min(p.bytes.size(), q.bytes.size())));
    return c != 0 ? c : p.bytes.size() < q.bytes.size() ? -1 : p.bytes.size() > q.bytes.size() ? 1 : 0;
}

// Key order, the keys compared one after another as the engine sorts them;
// rows with the same keys in the order they were added.
bool Pass::before(const Row &a, const Row &b) const
{
    for (int i = 0; i < 8; ++i)
        if (const int c = compareAt(a, b, i))
            return c < 0;
    return a.rowid < b.rowid;
}

Value Pass::money(const Row &r, Money m) const
{
    const size_t i = static_cast<size_t>(m);
    switch (r.held[i]) {
    case Held::Null:
        return Value();
    case Held::Whole:
        return Value(r.money[i]);
    case Held::Cy:
        return Value(Currency::fromRaw(r.money[i]));
    case Held::Dbl: {
        double d;
        std::memcpy(&d, &r.money[i], sizeof d);
        return Value(d);
    }
    case Held::Aside:
        break;
    }
    const Aside &a = asides_[static_cast<size_t>(r.aside)];
    if (a.unreadable[i])
        std::rethrow_exception(a.unreadable[i]);
    return a.money[i];
}

void Pass::hold(Row &r, Money m, const Value &v)
{
    const size_t i = static_cast<size_t>(m);
    if (v.isNull()) {
        r.held[i] = Held::Null;
    } else if (v.isInteger()) {
        r.held[i] = Held::Whole;
        r.money[i] = v.toLong();
    } else if (v.isCurrency()) {
        r.held[i] = Held::Cy;
        r.money[i] = v.toCurrency().raw();
    } else if (v.isDouble()) {
        r.held[i] = Held::Dbl;
        const double d = v.toDouble();
        std::memcpy(&r.money[i], &d, sizeof d);
    } else {
        r.held[i] = Held::Aside;
        Aside &a = asideOf(r);
        a.money[i] = v;
        a.unreadable[i] = nullptr;
    }
}

// The value to write into an amount column, or none when the row holds it
// already. A stored Null is replaced, so the row holds the number it is
// counted with; a value the column cannot hold fails here.
std::optional<Value> Pass::changed(const Row &r, Money m, Currency v) const
{
    const Value stored = money(r, m);
    if (!stored.isNull() && stored.toCurrency() == v)
        return std::nullopt;
    return Value(v).convertedFor(types_[static_cast<size_t>(m)]);
}

void Pass::write(Row &r, const std::optional<Value> &kn1, const std::optional<Value> &kn2)
{
    if (!kn1 && !kn2)
        return;
    const int shape = kn1 && kn2 ? 2 : kn1 ? 0 : 1;
    auto &st = updates_[static_cast<size_t>(shape)];
    if (!st) {
        static const char *const sets[] = {"kn1 = ?", "kn2 = ?", "kn1 = ?, kn2 = ?"};
        st = std::make_unique<Statement>(db_, QStringLiteral("UPDATE %1 SET %2 WHERE _rowid_ = ?")
                                                  .arg(quoteIdentifier(table_), QLatin1String(sets[shape])));
    }
    int n = 1;
    for (const auto *v : {&kn1, &kn2})
        if (*v)
            st->bind(n++, **v);
    st->bind(n, Value(r.rowid));
    // Another program deleted the row since it was read: the pass fails,
    // here or where a server's queued writes are sent, inside its transaction.
    st->queue(true);
    if (kn1)
        hold(r, Kn1, *kn1);
    if (kn2)
        hold(r, Kn2, *kn2);
}

void Pass::save(Row &r, Currency kn1, Currency kn2)
{
    const std::optional<Value> a = changed(r, Kn1, kn1);
    write(r, a, changed(r, Kn2, kn2));
}

// The item-row step: beeps when tk1 is set and kn1 is not Int(tk1 x su1),
// recomputes kn1 (when tk1 <> 0) and kn2 (when tk2 <> 0).
Totals Pass::item(Row &r)
{
    Totals row{money(r, Kn1).toCurrency(), money(r, Kn2).toCurrency()};
    std::optional<Value> kn1, kn2;
    const Currency tk1 = money(r, Tk1).toCurrency();
    if (!tk1.isZero()) {
        const Currency amount = amountOf(tk1, quantityOf(money(r, Su1)));
        if (row.estimate != amount)
            prompts_.beep();
        kn1 = changed(r, Kn1, amount);
        row.estimate = amount;
    }
    const Currency tk2 = money(r, Tk2).toCurrency();
    if (!tk2.isZero()) {
        const Currency amount = amountOf(tk2, quantityOf(money(r, Su2)));
        kn2 = changed(r, Kn2, amount);
        row.budget = amount;
    }
    write(r, kn1, kn2);
    return row;
}

// The children of the node whose rows below lie in rows_[lo, hi): the rows
// there whose last key not 0 is the next one, in key order.
Totals Pass::walk(int level, size_t lo, size_t hi)
{
    Totals total, sub;
    for (size_t i = lo; i < hi; ++i) {
        Row &r = rows_[i];
        if (r.last != level + 1)
            continue;
        RowKind kind = r.kind;
        // A row on the eighth level cannot have a sub-level to roll up from.
        if (kind == RowKind::Group && level >= 7)
            kind = RowKind::Item;
        switch (kind) {
        case RowKind::ProvisionallyDeleted:
            break;
        case RowKind::RunningTotal:
            save(r, total.estimate, total.budget);
            break;
        case RowKind::Subtotal:
            save(r, sub.estimate, sub.budget);
            sub = Totals();
            break;
        case RowKind::Group: {
            const Currency kn1 = money(r, Kn1).toCurrency(), kn2 = money(r, Kn2).toCurrency();
            if (const auto &error = asides_[static_cast<size_t>(r.aside)].keyError)
                std::rethrow_exception(error);
            // The rows below: those whose key on this level is the group's
            // key (its own row and any with the same keys among them).
            Row probe{};
            probe.key[size_t(level)] = r.childKey;
            const auto cmp = [this, level](const Row &x, const Row &y) { return compareAt(x, y, level) < 0; };
            const auto from = std::lower_bound(rows_.begin() + lo, rows_.begin() + hi, probe, cmp);
            const auto to = std::upper_bound(from, rows_.begin() + hi, probe, cmp);
            const Totals below = walk(level + 1, size_t(from - rows_.begin()), size_t(to - rows_.begin()));
            if (kn1 != below.estimate || kn2 != below.budget)
                prompts_.message(Trim(asides_[static_cast<size_t>(r.aside)].name) + QStringLiteral("の金額を訂正します"), MsgInformation);
            save(r, below.estimate, below.budget);
            add(sub, below);
            add(total, below);
            break;
        }
        case RowKind::Item:
        case RowKind::Unmarked: {
            const Totals row = item(r);
            add(sub, row);
            add(total, row);
            break;
        }
        }
    }
    return total;
}

}  // namespace

void sb_CalcTbl(Database &db, const QString &table, int level, LevelKeys keys, Totals &totals, Prompts &prompts)
{
    if (level < 0 || level > 7)
        throw DbError(QStringLiteral("階層 %1 は範囲外です。").arg(level));
    Transaction tx(db);
    Pass pass(db, table, prompts);
    pass.read(level, keys);
    const Totals result = pass.walk(level, 0, pass.rowCount());
    tx.commit();
    totals = result;
}

}  // namespace rz
