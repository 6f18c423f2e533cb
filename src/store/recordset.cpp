#include "recordset.h"

#include "engine.h"

#include <algorithm>
#include <QRegularExpression>
#include <QStringList>
#include <optional>

namespace rz {

namespace {
// Blocks of rows read ahead: the first covers a page of the windows and the
// row before it; reading on in order doubles them up to the last size.
constexpr int kFirstBlock = 32;
constexpr int kGrowth = 8;
constexpr int kMaxBlock = 16384;


// Resets a kept statement however the reading of it ends.
struct ResetOnExit {
    Statement &st;
    ~ResetOnExit() { st.reset(); }
};
}  // namespace

const QString *RowValues::unreadableReason(int column) const
{
    for (const auto &[c, reason] : unreadable)
        if (c == column)
            return &reason;
    return nullptr;
}

std::shared_ptr<const RecordsetShape> RecordsetShape::make(Database &db, const QString &sql, RecordsetType type)
{
    auto shape = std::make_shared<RecordsetShape>();
    QString selectList;
    if (type == RecordsetType::Dynaset) {
        static const QRegularExpression re(
            QStringLiteral(R"(^\s*SELECT\s+(.*?)\s+FROM\s+(\[[^\]]+\]|"[^"]+"|[\w$]+)(.*)$)"),
            QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
        const auto m = re.match(sql);
        const QString rest = m.captured(3);
        // Only a plain single-table selection can be written back row by row.
        static const QRegularExpression joins(QStringLiteral(R"(^\s*(,|JOIN\b|INNER\b|LEFT\b|GROUP\b|UNION\b))"),
                                              QRegularExpression::CaseInsensitiveOption);
        if (m.hasMatch() && !m.captured(1).contains(QStringLiteral("DISTINCT"), Qt::CaseInsensitive) &&
            !joins.match(rest).hasMatch()) {
            shape->type = RecordsetType::Dynaset;
            shape->table = unbracket(m.captured(2));
            selectList = m.captured(1);
            shape->rowidSql = QStringLiteral("SELECT _rowid_ FROM ") + m.captured(2) + rest;
            shape->fetchSql = QStringLiteral("SELECT ") + selectList + QStringLiteral(" FROM ") +
                              quoteIdentifier(shape->table) + QStringLiteral(" WHERE _rowid_ = ?");
            shape->selectList = selectList;
        }
    }
    const Statement &st = db.prepared(shape->type == RecordsetType::Dynaset ? shape->fetchSql : sql);
    for (int i = 0; i < st.columnCount(); ++i) {
        shape->names.push_back(st.columnName(i));
        shape->types.push_back(colTypeFromDecl(st.columnDecl(i)));
        const QString lower = shape->names.back().toLower();
        if (!shape->index.contains(lower))
            shape->index.insert(lower, i);
    }
    return shape;
}

QString RecordsetShape::blockSql(int n) const
{
    QStringList marks;
    for (int i = 0; i < n; ++i)
        marks << QStringLiteral("?");
    return QStringLiteral("SELECT _rowid_ AS rz_rowid, %1 FROM %2 WHERE _rowid_ IN (%3)")
        .arg(selectList, quoteIdentifier(table), marks.join(u','));
}

// The recordsets of a Database, kept with them: their shapes are made here.
std::unique_ptr<Recordset> Database::openRecordset(const QString &sql, RecordsetType type,
                                                   const std::vector<Value> &params)
{
    return std::make_unique<Recordset>(*this, sql, type, params);
}

std::shared_ptr<const RecordsetShape> Database::recordsetShape(const QString &sql, RecordsetType type)
{
    // Another program may have changed a table since a shape was made (an
    // estimate deleted and made again with the other column set): shapes and
    // prepared statements are kept only while the schema stays the same. It
    // is asked once per command (a turn of the event loop) unless this
    // program writes meanwhile: a server answers it in a round trip.
    if (versionTurn_ != storeTurn() || versionWrites_ != storeWrites()) {
        versionTurn_ = storeTurn();
        versionWrites_ = storeWrites();
        version_ = engine().schemaVersion();
    }
    const qint64 version = version_;
    if (version != shapesVersion_) {
        // Prepared statements tell their columns as they were when prepared.
        forgetPrepared();
        conn_->reloadSchema();
        shapesVersion_ = version;
    }
    const QString key = (type == RecordsetType::Dynaset ? QStringLiteral("D") : QStringLiteral("S")) + sql;
    for (auto it = shapes_.begin(); it != shapes_.end(); ++it) {
        if (it->first == key) {
            auto shape = it->second;
            shapes_.erase(it);
            shapes_.emplace_back(key, shape);
            return shape;
        }
    }
    auto shape = RecordsetShape::make(*this, sql, type);
    if (shapes_.size() >= 48)
        shapes_.erase(shapes_.begin());
    shapes_.emplace_back(key, shape);
    return shape;
}

Recordset::Recordset(Database &db, const QString &sql, RecordsetType type, const std::vector<Value> &params)
    : db_(db), sql_(sql), params_(params), shape_(db.recordsetShape(sql, type))
{
    load();
}

Recordset::~Recordset() = default;

void Recordset::load()
{
    rowids_.clear();
    rows_.clear();
    blockStart_ = -1;
    block_.clear();
    nextBlock_ = kFirstBlock;
    buffer_ = RowValues();
    changed_.clear();
    pos_ = 0;
    deletedCurrent_ = false;
    editMode_ = EditMode::None;
    if (shape_->type == RecordsetType::Dynaset) {
        // The statement is checked now; on opening, its rows are read when
        // first needed: a dynaset over a whole large table that is never
        // used costs nothing.
        Statement &ids = db_.prepared(shape_->rowidSql);
        ResetOnExit resetIds{ids};
        ids.bindAll(params_);
        idsPending_ = true;
    } else {
        Statement &st = db_.prepared(sql_);
        ResetOnExit resetSt{st};
        st.bindAll(params_);
        while (st.step())
            rows_.push_back(readRow(st));
    }
}

std::vector<qint64> &Recordset::ids() const
{
    if (idsPending_) {
        // A read that fails leaves an empty set, said once by the failure,
        // rather than failing again at every count.
        idsPending_ = false;
        rowids_.clear();
        Statement &st = db_.prepared(shape_->rowidSql);
        ResetOnExit resetSt{st};
        st.bindAll(params_);
        std::vector<qint64> read;
        while (st.step())
            read.push_back(st.columnInt64(0));
        rowids_ = std::move(read);
    }
    return rowids_;
}

int Recordset::count() const
{
    return static_cast<int>(shape_->type == RecordsetType::Dynaset ? ids().size() : rows_.size());
}

int Recordset::fieldIndex(const QString &name) const
{
    return shape_->index.value(unbracket(name).toLower(), -1);
}

int Recordset::requireIndex(const QString &name) const
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw DbError(QStringLiteral("項目 '%1' はこのコレクションにありません。").arg(name));
    return i;
}

void Recordset::requireCurrent() const
{
    if (deletedCurrent_ || pos_ < 0 || pos_ >= count())
        throw DbError(QStringLiteral("カレント レコードがありません。"), DbFailure::NoCurrentRecord);
}

void Recordset::moveFirst()
{
    cancelUpdate();
    pos_ = 0;
    deletedCurrent_ = false;
}

void Recordset::moveLast()
{
    cancelUpdate();
    pos_ = count() == 0 ? 0 : count() - 1;
    deletedCurrent_ = false;
}

void Recordset::moveNext()
{
    cancelUpdate();
    if (pos_ >= count())
        throw DbError(QStringLiteral("カレント レコードがありません。"), DbFailure::NoCurrentRecord);
    if (deletedCurrent_)
        deletedCurrent_ = false;  // the rows after a deleted one moved up by one
    else
        ++pos_;
}

void Recordset::movePrevious()
{
    cancelUpdate();
    if (pos_ < 0)
        throw DbError(QStringLiteral("カレント レコードがありません。"), DbFailure::NoCurrentRecord);
    deletedCurrent_ = false;
    --pos_;
}

void Recordset::move(int rows)
{
    cancelUpdate();
    if (deletedCurrent_ && rows > 0)
        --rows;
    deletedCurrent_ = false;
    long long target = static_cast<long long>(pos_) + rows;
    if (target < 0)
        target = -1;
    if (target > count())
        target = count();
    pos_ = static_cast<int>(target);
}

Value readColumn(const Statement &st, int i, ColType type, const QString &name, QString &reason)
{
    try {
        return st.column(i, type);
    } catch (const std::exception &e) {
        Value text = st.column(i, ColType::Text);
        // A text that is no number says so itself; a number too large for
        // its column gets the reason.
        const bool overflow = dynamic_cast<const OverflowError *>(&e) != nullptr;
        reason = QStringLiteral("データ型が一致しません: 項目 %1 の値 '%2' を読めません%3")
                     .arg(name, text.toString(),
                          overflow ? QStringLiteral("（%1）").arg(QString::fromStdString(e.what())) : QString());
        return text;
    }
}

RowValues Recordset::readRow(const Statement &st, int first) const
{
    RowValues row;
    const auto &names = shape_->names;
    row.values.reserve(names.size());
    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        QString reason;
        row.values.push_back(
            readColumn(st, first + i, shape_->types[static_cast<size_t>(i)], names[static_cast<size_t>(i)], reason));
        if (!reason.isNull())
            row.unreadable.emplace_back(i, reason);
    }
    return row;
}

void Recordset::throwUnreadable(const QString &reason) { throw DbError(reason, DbFailure::TypeMismatch); }

const RowValues &Recordset::currentRow() const
{
    requireCurrent();
    if (shape_->type == RecordsetType::Snapshot)
        return rows_[static_cast<size_t>(pos_)];
    if (!blockHolds(pos_))
        readBlock();
    const auto &row = block_[static_cast<size_t>(pos_ - blockStart_)];
    if (!row)
        throw recordDeletedError();
    return *row;
}

bool Recordset::blockHolds(int position) const
{
    return blockStart_ >= 0 && position >= blockStart_ && position < blockStart_ + int(block_.size()) &&
           blockWrites_ == storeWrites() && blockTurn_ == storeTurn();
}

void Recordset::readBlock() const
{
    const std::vector<qint64> &all = ids();
    // Reading on where the last block ended reads more at once; reading
    // again inside it (written meanwhile) as much as it held.
    const bool onward = blockStart_ >= 0 && pos_ == blockStart_ + int(block_.size());
    const bool within = blockStart_ >= 0 && pos_ > blockStart_ && pos_ < blockStart_ + int(block_.size());
    const int size = onward ? std::min(nextBlock_ * kGrowth, kMaxBlock) : within ? nextBlock_ : kFirstBlock;
    const int count = std::min(size, int(all.size()) - pos_);
    blockStart_ = -1;
    std::vector<std::optional<RowValues>> rows(size_t(std::max(count, 0)));
    QHash<qint64, int> at;
    for (int i = 0; i < count; ++i)
        at.insert(all[size_t(pos_ + i)], i);
    Statement &st = db_.prepared(shape_->blockSql(size));
    ResetOnExit resetSt{st};
    for (int i = 0; i < size; ++i)
        st.bind(i + 1, Value(i < count ? all[size_t(pos_ + i)] : qint64(0)));
    while (st.step()) {
        const auto it = at.constFind(st.columnInt64(0));
        if (it != at.constEnd())
            rows[size_t(*it)] = readRow(st, 1);
    }
    block_ = std::move(rows);
    blockStart_ = pos_;
    nextBlock_ = size;
    blockWrites_ = storeWrites();
    blockTurn_ = storeTurn();
}

Value Recordset::field(int i) const
{
    if (i < 0 || i >= fieldCount())
        throw DbError(QStringLiteral("項目 %1 はこのコレクションにありません。").arg(i));
    const size_t c = static_cast<size_t>(i);
    const RowValues &row = editMode_ != EditMode::None ? buffer_ : currentRow();
    if (!(editMode_ != EditMode::None && changed_[c]))
        if (const QString *why = row.unreadableReason(i))
            throwUnreadable(*why);
    return row.values[c];
}

Value Recordset::field(const QString &name) const { return field(requireIndex(name)); }

void Recordset::setField(int i, const Value &value)
{
    if (editMode_ == EditMode::None)
        throw DbError(QStringLiteral("Edit または AddNew を実行せずに更新しようとしました。"), DbFailure::NotUpdatable);
    if (i < 0 || i >= fieldCount())
        throw DbError(QStringLiteral("項目 %1 はこのコレクションにありません。").arg(i));
    buffer_.values[static_cast<size_t>(i)] = value.convertedFor(fieldType(i));
    changed_[static_cast<size_t>(i)] = true;
}

void Recordset::setField(const QString &name, const Value &value) { setField(requireIndex(name), value); }

void Recordset::setField(int i, const Value &value, const Value &shown)
{
    setField(i, value);
    for (auto &[column, seen] : shown_)
        if (column == i) {
            seen = shown;
            return;
        }
    shown_.emplace_back(i, shown);
}

WriteConflictError::WriteConflictError(std::vector<WriteConflict> conflicts)
    : DbError(QStringLiteral("他のプログラムが同じ値を変更しています。"), DbFailure::WriteConflict), conflicts_(std::move(conflicts))
{
}

void Recordset::edit()
{
    if (!updatable())
        throw DbError(QStringLiteral("このレコードセットは更新できません。"), DbFailure::NotUpdatable);
    buffer_ = currentRow();
    changed_.assign(shape_->names.size(), false);
    shown_.clear();
    editMode_ = EditMode::Edit;
}

void Recordset::addNew()
{
    if (!updatable())
        throw DbError(QStringLiteral("このレコードセットは更新できません。"), DbFailure::NotUpdatable);
    ids();  // the set as it is before the new record joins it
    buffer_ = RowValues();
    buffer_.values.assign(shape_->names.size(), Value());
    changed_.assign(shape_->names.size(), false);
    shown_.clear();
    editMode_ = EditMode::AddNew;
}

void Recordset::cancelUpdate()
{
    editMode_ = EditMode::None;
    buffer_ = RowValues();
    changed_.clear();
    shown_.clear();
}

void Recordset::checkShown() const
{
    // Read inside the write's own transaction: between this read and the
    // write no other program can change the row.
    Statement &fetch = db_.prepared(shape_->fetchSql);
    ResetOnExit resetFetch{fetch};
    const qint64 rowid = ids()[static_cast<size_t>(pos_)];
    fetch.bind(1, Value(rowid));
    if (!fetch.step())
        throw recordDeletedError();
    std::vector<WriteConflict> conflicts;
    for (const auto &[column, shown] : shown_) {
        const size_t c = static_cast<size_t>(column);
        QString reason;
        const Value theirs = readColumn(fetch, column, shape_->types[c], shape_->names[c], reason);
        const Value &mine = buffer_.values[c];
        if (theirs != shown && theirs != mine)
            conflicts.push_back({rowid, pos_, column, shape_->names[c], shown, theirs, mine});
    }
    if (!conflicts.empty())
        throw WriteConflictError(std::move(conflicts));
}

void Recordset::update()
{
    if (editMode_ == EditMode::None)
        throw DbError(QStringLiteral("Edit または AddNew を実行せずに更新しようとしました。"), DbFailure::NotUpdatable);
    QStringList cols;
    std::vector<Value> values;
    const QString &table = shape_->table;
    for (size_t i = 0; i < shape_->names.size(); ++i) {
        if (changed_[i]) {
            cols << quoteIdentifier(shape_->names[i]);
            values.push_back(buffer_.values[i]);
        }
    }
    const bool keep = blockHolds(pos_);
    if (editMode_ == EditMode::Edit) {
        if (!cols.isEmpty())
            writeChecked(cols, std::move(values));
        if (keep) {
            // The block holds what this write stored.
            RowValues &row = *block_[static_cast<size_t>(pos_ - blockStart_)];
            for (size_t i = 0; i < changed_.size(); ++i)
                if (changed_[i])
                    row.values[i] = buffer_.values[i];
            row.unreadable.erase(std::remove_if(row.unreadable.begin(), row.unreadable.end(),
                                                [this](const auto &u) { return changed_[size_t(u.first)]; }),
                                 row.unreadable.end());
        }
    } else {
        if (cols.isEmpty()) {
            db_.execute(QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdentifier(table)));
        } else {
            QStringList marks;
            for (int i = 0; i < cols.size(); ++i)
                marks << QStringLiteral("?");
            db_.execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                            .arg(quoteIdentifier(table), cols.join(QStringLiteral(", ")),
                                 marks.join(QStringLiteral(", "))),
                        values);
        }
        // A new record joins the end of the set until the next requery.
        ids().push_back(db_.lastInsertRowid());
    }
    if (keep)
        blockWrites_ = storeWrites();
    else
        blockStart_ = -1;
    cancelUpdate();
}

void Recordset::writeChecked(const QStringList &cols, std::vector<Value> values)
{
    QStringList sets;
    for (const auto &c : cols)
        sets << c + QStringLiteral(" = ?");
    const qint64 rowid = ids()[static_cast<size_t>(pos_)];
    const QString update = QStringLiteral("UPDATE %1 SET %2 WHERE _rowid_ = ?")
                               .arg(quoteIdentifier(shape_->table), sets.join(QStringLiteral(", ")));
    values.push_back(Value(rowid));
    if (shown_.empty() && db_.batching()) {
        Statement &st = db_.prepared(update);
        st.bindAll(values);
        st.queue(true);
        return;
    }
    if (!shown_.empty()) {
        // The check is part of the write: the row is written only while each
        // column the user saw still holds what was shown (or already what
        // is written), which the server decides under the row's lock. No
        // lock is held before, while the user types.
        QString checks;
        for (const auto &[column, seen] : shown_) {
            const QString name = quoteIdentifier(shape_->names[static_cast<size_t>(column)]);
            checks += QStringLiteral(" AND (%1 IS NOT DISTINCT FROM ? OR %1 IS NOT DISTINCT FROM ?)").arg(name);
            values.push_back(seen);
            values.push_back(buffer_.values[static_cast<size_t>(column)]);
        }
        if (db_.batchingChecked()) {
            Statement &st = db_.prepared(update + checks);
            st.bindAll(values);
            st.queue(true);
            return;
        }
        if (db_.execute(update + checks, values) == 1)
            return;
        // Nothing written: the row is gone, or a column changed. Read now,
        // within a transaction with the write, to tell which and what.
        Transaction tx(db_);
        checkShown();
        values.resize(sets.size() + 1);
        // The values compare alike though stored in another form (another
        // program's): written as shown.
        if (db_.execute(update, values) == 0)
            throw recordDeletedError();
        tx.commit();
        return;
    }
    // Another program deleted the row since it was read: saying nothing
    // would report the change as saved.
    if (db_.execute(update, values) == 0)
        throw recordDeletedError();
}

void Recordset::deleteRecord()
{
    if (!updatable())
        throw DbError(QStringLiteral("このレコードセットは更新できません。"), DbFailure::NotUpdatable);
    cancelUpdate();
    requireCurrent();
    const bool keep = blockHolds(pos_);
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE _rowid_ = ?").arg(quoteIdentifier(shape_->table));
    const Value rowid(ids()[static_cast<size_t>(pos_)]);
    if (db_.batching()) {
        // Many deletes of one transaction go to a server together; a row
        // another program deleted first is as gone as it was before.
        Statement &st = db_.prepared(sql);
        st.bind(1, rowid);
        st.queue();
    } else {
        db_.execute(sql, {rowid});
    }
    ids().erase(ids().begin() + pos_);
    if (keep) {
        // The rows after it move up by one, in the block as in the set.
        block_.erase(block_.begin() + (pos_ - blockStart_));
        blockWrites_ = storeWrites();
    } else {
        blockStart_ = -1;
    }
    deletedCurrent_ = true;
}

void Recordset::requery()
{
    // Asked for the rows as they are now: read now. When the server cannot
    // be reached the set keeps the records it had: they are still there, and
    // the writes after the reconnect must find them, where an empty set
    // would take them for rows another program deleted.
    std::vector<qint64> ids = std::move(rowids_);
    std::vector<RowValues> rows = std::move(rows_);
    const int pos = pos_;
    const bool pending = idsPending_, deletedCurrent = deletedCurrent_;
    try {
        load();
        this->ids();
    } catch (const DbError &e) {
        if (e.reason() == DbFailure::ConnectionLost) {
            rowids_ = std::move(ids);
            rows_ = std::move(rows);
            pos_ = pos;
            idsPending_ = pending;
            deletedCurrent_ = deletedCurrent;
        }
        throw;
    }
}

}  // namespace rz
