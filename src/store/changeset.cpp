// Capturing a table's changes through the store's front, and undoing them.
#include "changeset.h"

#include "engine.h"

#include <QHash>
#include <algorithm>
#include <cstring>

namespace rz {

void EngineConnection::startCapture(const QString &, const std::vector<ColumnDef> &)
{
    throw DbError(QStringLiteral("この保存先では変更を記録できないため、元に戻す操作は使えません。"));
}

void Database::startCapture(const QString &table)
{
    const QString name = unbracket(table);
    engine().startCapture(name, engine().columns(name));
}

std::vector<CapturedChange> Database::takeCaptured() { return engine().takeCaptured(); }

QString Database::identityInsertClause() const { return engine().identityInsertClause(); }

void Database::stopCapture() noexcept
{
    if (conn_)
        conn_->stopCapture();
}

namespace {

enum Tag : char { TagNull, TagInteger, TagFloat, TagText };

void putVarint(QByteArray &out, quint64 v)
{
    while (v >= 0x80) {
        out += char(v | 0x80);
        v >>= 7;
    }
    out += char(v);
}

quint64 getVarint(const QByteArray &in, int &at)
{
    quint64 v = 0;
    for (int shift = 0; at < in.size(); shift += 7) {
        const auto b = static_cast<quint8>(in[at++]);
        v |= quint64(b & 0x7F) << shift;
        if (!(b & 0x80))
            break;
    }
    return v;
}

QString columnList(const std::vector<ColumnDef> &columns)
{
    QStringList names;
    for (const ColumnDef &c : columns)
        names << quoteIdentifier(c.name);
    return names.join(u',');
}

// Rows asked for at once when checking a step: one exchange with a server per this many.
constexpr int kCheckBatch = 256;

// The rows with these identities as the table holds them now, packed, by identity.
QHash<qint64, QByteArray> currentImages(Database &db, const QString &table, const std::vector<ColumnDef> &columns,
                                         const std::vector<qint64> &ids)
{
    QStringList marks;
    for (size_t i = 0; i < ids.size(); ++i)
        marks << QStringLiteral("?");
    Statement &st = db.prepared(QStringLiteral("SELECT _rowid_,%1 FROM %2 WHERE _rowid_ IN (%3)")
                                    .arg(columnList(columns), quoteIdentifier(unbracket(table)), marks.join(u',')));
    for (size_t i = 0; i < ids.size(); ++i)
        st.bind(int(i) + 1, Value(ids[i]));
    QHash<qint64, QByteArray> images;
    const int n = int(columns.size());
    std::vector<RawCell> cells(static_cast<size_t>(n + 1));
    while (st.step()) {
        st.readRaw(0, n + 1, cells.data());
        RowImage image;
        image.reserve(static_cast<size_t>(n));
        for (int i = 1; i <= n; ++i)
            image.push_back(storedValue(cells[static_cast<size_t>(i)]));
        images.insert(cells[0].integer, ChangeSet::pack(image));
    }
    st.reset();
    return images;
}

}  // namespace

QByteArray ChangeSet::pack(const RowImage &image)
{
    QByteArray out;
    putVarint(out, image.size());
    for (const Value &v : image) {
        if (v.isNull()) {
            out += char(TagNull);
        } else if (v.isInteger()) {
            out += char(TagInteger);
            const qint64 i = v.toLong();
            putVarint(out, (quint64(i) << 1) ^ quint64(i >> 63));  // small either side of 0: short
        } else if (v.isDouble()) {
            out += char(TagFloat);
            const double d = v.toDouble();
            char bytes[sizeof d];
            std::memcpy(bytes, &d, sizeof d);
            out.append(bytes, sizeof d);
        } else {
            out += char(TagText);
            const QByteArray t = v.toString().toUtf8();
            putVarint(out, quint64(t.size()));
            out += t;
        }
    }
    return out;
}

RowImage ChangeSet::unpack(const QByteArray &packed)
{
    RowImage image;
    int at = 0;
    const quint64 count = getVarint(packed, at);
    image.reserve(count);
    for (quint64 n = 0; n < count && at < packed.size(); ++n) {
        switch (packed[at++]) {
        case TagInteger: {
            const quint64 z = getVarint(packed, at);
            image.emplace_back(qint64(z >> 1) ^ -qint64(z & 1));
            break;
        }
        case TagFloat: {
            double d = 0;
            std::memcpy(&d, packed.constData() + at, sizeof d);
            at += int(sizeof d);
            image.emplace_back(d);
            break;
        }
        case TagText: {
            const int size = int(getVarint(packed, at));
            image.emplace_back(QString::fromUtf8(packed.constData() + at, size));
            at += size;
            break;
        }
        default:
            image.emplace_back();
            break;
        }
    }
    return image;
}

ChangeSet ChangeSet::fold(const std::vector<CapturedChange> &changes)
{
    ChangeSet set;
    QHash<qint64, size_t> at;
    for (const CapturedChange &c : changes) {
        const QByteArray after = c.after ? pack(*c.after) : QByteArray();
        const auto found = at.constFind(c.rowId);
        if (found != at.constEnd()) {
            set.rows_[*found].after = after;  // the row keeps its first image before
            continue;
        }
        at.insert(c.rowId, set.rows_.size());
        set.rows_.push_back({c.rowId, c.before ? pack(*c.before) : QByteArray(), after});
    }
    set.rows_.erase(std::remove_if(set.rows_.begin(), set.rows_.end(),
                                   [](const Row &r) { return r.before == r.after; }),
                    set.rows_.end());
    std::sort(set.rows_.begin(), set.rows_.end(), [](const Row &a, const Row &b) { return a.rowId < b.rowId; });
    return set;
}

qint64 ChangeSet::bytes() const
{
    qint64 n = 0;
    for (const Row &r : rows_)
        n += qint64(sizeof(Row)) + r.before.size() + r.after.size();
    return n;
}

ChangeSet::Row *ChangeSet::find(qint64 rowId)
{
    auto it = std::lower_bound(rows_.begin(), rows_.end(), rowId, [](const Row &r, qint64 id) { return r.rowId < id; });
    return it != rows_.end() && it->rowId == rowId ? &*it : nullptr;
}

bool ChangeSet::standsAs(Database &db, const QString &table, const std::vector<ColumnDef> &columns, bool after) const
{
    for (size_t first = 0; first < rows_.size(); first += kCheckBatch) {
        const size_t end = std::min(rows_.size(), first + kCheckBatch);
        std::vector<qint64> ids;
        for (size_t i = first; i < end; ++i)
            ids.push_back(rows_[i].rowId);
        const QHash<qint64, QByteArray> now = currentImages(db, table, columns, ids);
        for (size_t i = first; i < end; ++i)
            if (now.value(rows_[i].rowId) != (after ? rows_[i].after : rows_[i].before))
                return false;
    }
    return true;
}

void ChangeSet::restore(Database &db, const QString &table, const std::vector<ColumnDef> &columns, bool before) const
{
    const QString name = quoteIdentifier(unbracket(table));
    QStringList sets, marks;
    for (const ColumnDef &c : columns) {
        sets << quoteIdentifier(c.name) + QStringLiteral(" = ?");
        marks << QStringLiteral("?");
    }
    const QString remove = QStringLiteral("DELETE FROM %1 WHERE _rowid_ = ?").arg(name);
    const QString update = QStringLiteral("UPDATE %1 SET %2 WHERE _rowid_ = ?").arg(name, sets.join(u','));
    const QString insert = QStringLiteral("INSERT INTO %1 (_rowid_,%2) %3VALUES (?,%4)")
                               .arg(name, columnList(columns), db.identityInsertClause(), marks.join(u','));
    // Queued: a server takes the writes of a step in few exchanges. Each
    // must find its row; the caller's transaction keeps all or none.
    Statement removing(db, remove), updating(db, update), inserting(db, insert);
    for (const Row &r : rows_) {
        const QByteArray &to = before ? r.before : r.after;
        const QByteArray &from = before ? r.after : r.before;
        if (to.isEmpty()) {
            removing.bind(1, Value(r.rowId));
            removing.queue(true);
            continue;
        }
        RowImage values = unpack(to);
        // An image keeps money as whole ten-thousandths: written back as money.
        for (size_t i = 0; i < values.size() && i < columns.size(); ++i)
            if (values[i].isInteger() && columns[i].type() == ColType::Currency)
                values[i] = Value(Currency::fromRaw(values[i].toLong()));
        if (!from.isEmpty()) {
            values.emplace_back(r.rowId);
            updating.bindAll(values);
            updating.queue(true);
        } else {
            values.insert(values.begin(), Value(r.rowId));
            inserting.bindAll(values);
            inserting.queue();
        }
    }
    db.flush();
}

}  // namespace rz
