#include "blockcopy.h"

#include "store/recordset.h"

#include <QStringList>
#include <limits>

namespace rz {

namespace {
constexpr int kKeys = 8;
constexpr int kTopStep = 16;      // copied top rows are 16 keys apart
constexpr int kFirstWorkColumn = 24;  // int0, the 25th column, to the last
}  // namespace

QString blockRangeSQL(const QString &table, int level, const std::array<qint32, 9> &top,
                      const std::array<qint32, 9> &end)
{
    QString sql = QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE ");
    for (int i = 1; i <= level; ++i)
        sql += QStringLiteral("[key%1] = %2 AND ").arg(i).arg(top[static_cast<size_t>(i - 1)]);
    const size_t l = static_cast<size_t>(level);
    sql += QStringLiteral("%1 <= [key%2] and [key%2] <= %3").arg(top[l]).arg(level + 1).arg(end[l]);
    return sql + QStringLiteral(" order by ") + QLatin1String(kLevelOrder);
}

BlockInserter::BlockInserter(Database &db, const QString &table, const BlockPlace &place, int blockDepth)
    : place_(place), blockDepth_(blockDepth), key_(place.keyAbove)
{
    if (blockDepth < 1 || blockDepth > kKeys)
        throw DbError(QStringLiteral("ブロックの階層 %1 は 1 から 8 の範囲にありません。").arg(blockDepth));
    columns_ = db.columns(table);
    QStringList names, marks;
    for (const ColumnDef &c : columns_) {
        types_.push_back(c.type());
        names << quoteIdentifier(c.name);
        marks << QStringLiteral("?");
    }
    for (int i = 0; i < kKeys; ++i) {
        keyCol_[static_cast<size_t>(i)] = columnIndex(QStringLiteral("key%1").arg(i + 1));
        if (keyCol_[static_cast<size_t>(i)] < 0)
            throw DbError(QStringLiteral("項目 'key%1' はこのコレクションにありません。").arg(i + 1));
    }
    lvlCol_ = columnIndex(QStringLiteral("lvl"));
    flgCol_ = columnIndex(QStringLiteral("flg"));
    insert_ = std::make_unique<Statement>(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                                  .arg(quoteIdentifier(unbracket(table)), names.join(u','),
                                                       marks.join(u',')));
}

BlockInserter::~BlockInserter() = default;

int BlockInserter::columnIndex(const QString &name) const
{
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

BlockInserter::Outcome BlockInserter::insert(std::vector<Value> row, bool carryWork)
{
    row.resize(columns_.size());
    std::array<qint64, kKeys> src{};
    int depth = kKeys;
    for (int i = 0; i < kKeys; ++i) {
        src[static_cast<size_t>(i)] = row[static_cast<size_t>(keyCol_[static_cast<size_t>(i)])].toLong();
        if (src[static_cast<size_t>(i)] == 0 && depth == kKeys)
            depth = i;
    }
    // The depth comes from the keys, not from the lvl column: a wrong lvl
    // would otherwise tear a sub-row away from its parent.
    const size_t top = static_cast<size_t>(blockDepth_ - 1);
    if (depth == blockDepth_) {
        const qint64 next = key_ + kTopStep;
        if (next > std::numeric_limits<qint32>::max() || (place_.keyBelow && *place_.keyBelow <= next))
            return Outcome::NoRoom;
        key_ = next;
        topKey_ = src[top];
        placedTop_ = true;
    } else if (depth < blockDepth_ || !placedTop_ || src[top] != topKey_) {
        return Outcome::Skipped;  // not below the top row placed last
    }
    // Positions 1..level take the path, level+1 the new key; the block's
    // deeper keys follow one by one until either side passes key8.
    std::array<qint64, kKeys> keys{};
    const int level = place_.level;
    for (int i = 0; i < level; ++i)
        keys[static_cast<size_t>(i)] = place_.path[static_cast<size_t>(i)];
    keys[static_cast<size_t>(level)] = key_;
    for (int t = level + 1, s = blockDepth_; t < kKeys && s < kKeys; ++t, ++s)
        keys[static_cast<size_t>(t)] = src[static_cast<size_t>(s)];
    int lvl = 0;
    for (int i = 0; i < kKeys; ++i) {
        row[static_cast<size_t>(keyCol_[static_cast<size_t>(i)])] = Value(keys[static_cast<size_t>(i)]);
        if (keys[static_cast<size_t>(i)] != 0)
            lvl = i + 1;
    }
    if (lvlCol_ >= 0)
        row[static_cast<size_t>(lvlCol_)] = Value(qint64(lvl));
    if (!carryWork)
        for (size_t c = kFirstWorkColumn; c < row.size(); ++c)
            row[c] = Value(qint64(0));
    // The deepest level cannot keep a sub-level; the rest of the flag (the
    // provisional deletion in byte 2) stays as it was.
    if (flgCol_ >= 0 && lvl == kKeys) {
        const QString flg = row[static_cast<size_t>(flgCol_)].toString();
        if (flg.startsWith(u'+'))
            row[static_cast<size_t>(flgCol_)] = Value(QStringLiteral("-") + flg.mid(1));
    }
    insert_->reset();
    for (size_t c = 0; c < row.size(); ++c)
        insert_->bind(static_cast<int>(c) + 1, row[c].convertedFor(types_[c]));
    // A server takes the block's rows in a few exchanges, not one per row;
    // one it refuses fails the caller's transaction by its commit.
    insert_->queue();
    ++inserted_;
    return Outcome::Inserted;
}

BlockCopyResult copyBlockRows(Recordset &block, BlockInserter &into, const BlockProgress &progress)
{
    BlockCopyResult result;
    std::vector<int> target;
    for (int i = 0; i < block.fieldCount(); ++i)
        target.push_back(into.columnIndex(block.fieldName(i)));
    int count = 0;
    for (block.moveFirst(); !block.eof(); block.moveNext()) {
        if (++count % 100 == 0 && progress)
            progress();
        std::vector<Value> row(into.columns().size());
        try {
            for (int i = 0; i < block.fieldCount(); ++i)
                if (target[static_cast<size_t>(i)] >= 0)
                    row[static_cast<size_t>(target[static_cast<size_t>(i)])] = block.field(i);
        } catch (const DbError &e) {
            if (e.reason() != DbFailure::RecordDeleted)
                throw;
            continue;
        }
        const BlockInserter::Outcome outcome = into.insert(std::move(row), false);
        if (outcome == BlockInserter::Outcome::NoRoom) {
            result.noRoom = true;
            break;
        }
    }
    result.copied = into.inserted();
    return result;
}

}  // namespace rz
