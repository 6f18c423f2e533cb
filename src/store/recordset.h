// Recordsets over one table: a dynaset keeps the rowids of the selected rows in
// order and reads and writes each row through its rowid; a snapshot keeps a
// read-only copy of the rows as they were when it was opened.
//
// A dynaset reads its rows in blocks, from the row moved onto: a page, a
// pass over a level or a search for a row costs a few reads, not one per
// row (each read is a round trip to a server). Rows read ahead serve only
// the same turn of the event loop (one command of the user) and only until
// something in this program writes to a store: a row moved onto later is
// read again as it is stored then. A block grows while rows are read in
// order, up to kMaxBlock rows (a pass over a level of 100,000 rows reads it
// in nine).
#pragma once
#include "database.h"

#include <QHash>
#include <memory>
#include <optional>
#include <vector>

namespace rz {

// One row as read. A stored value that does not convert to its column's
// type (written by another program) keeps its text and its reason; only
// reading that column fails, so the rest of the row stays usable and a
// write-back that does not touch the column leaves it as it was.
struct RowValues {
    std::vector<Value> values;
    std::vector<std::pair<int, QString>> unreadable;
    const QString *unreadableReason(int column) const;
};

// Column i of the current row of st as the declared type converts it. A
// stored value the type cannot hold comes back as its text with the reason
// set ("データ型が一致しません: 項目 … の値 … を読めません"), for the reader
// to report when the value is actually used.
Value readColumn(const Statement &st, int i, ColType type, const QString &name, QString &reason);

// A column of a record that another program changed since it was read, and
// that a write-back would change to something else again.
struct WriteConflict {
    qint64 rowId = 0;   // the record's identity in its table
    int position = 0;   // its place in the recordset
    int column = 0;
    QString columnName;
    Value shown;   // as read when it was shown
    Value theirs;  // as stored now
    Value mine;    // what this write would store
};

// A write-back refused because of conflicts; nothing of it was written.
class WriteConflictError : public DbError {
public:
    explicit WriteConflictError(std::vector<WriteConflict> conflicts);
    const std::vector<WriteConflict> &conflicts() const { return conflicts_; }

private:
    std::vector<WriteConflict> conflicts_;
};

// What every recordset over the same statement text shares: whether it can
// be written back and through which statements, and its columns with the
// case-insensitive lookup, worked out once by the Database.
struct RecordsetShape {
    RecordsetType type = RecordsetType::Snapshot;
    QString table;     // base table of a dynaset
    QString rowidSql;  // selects the rowids of the rows, in order
    QString fetchSql;  // reads one row by its rowid
    QString selectList;
    // Reads the rows of n rowids (bound; 0 for none), each with its rowid first.
    QString blockSql(int n) const;
    std::vector<QString> names;
    std::vector<ColType> types;
    QHash<QString, int> index;  // lower-case name -> position
    static std::shared_ptr<const RecordsetShape> make(Database &db, const QString &sql, RecordsetType type);
};

class Recordset {
public:
    Recordset(Database &db, const QString &sql, RecordsetType type, const std::vector<Value> &params = {});
    ~Recordset();
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    int fieldCount() const { return static_cast<int>(shape_->names.size()); }
    QString fieldName(int i) const { return shape_->names.at(static_cast<size_t>(i)); }
    ColType fieldType(int i) const { return shape_->types.at(static_cast<size_t>(i)); }
    int fieldIndex(const QString &name) const;  // case-insensitive, -1 when absent

    bool eof() const { return pos_ >= count() || count() == 0; }
    bool bof() const { return pos_ < 0 || count() == 0; }
    int recordCount() const { return count(); }
    int absolutePosition() const { return pos_; }

    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    void move(int rows);  // relative to the current record

    // Field of the current record (of the edit buffer while editing).
    Value field(int i) const;
    Value field(const QString &name) const;
    void setField(int i, const Value &value);
    void setField(const QString &name, const Value &value);
    // The same, where the user saw `shown` in the column: update() writes it
    // only while the record still holds `shown` (or already holds the value),
    // and otherwise throws WriteConflictError and writes nothing.
    void setField(int i, const Value &value, const Value &shown);

    void edit();
    void addNew();
    void update();
    void cancelUpdate();
    void deleteRecord();
    void requery();
    bool isEditing() const { return editMode_ != EditMode::None; }
    bool updatable() const { return shape_->type == RecordsetType::Dynaset; }
    const QString &tableName() const { return shape_->table; }

private:
    enum class EditMode { None, Edit, AddNew };
    int count() const;
    void load();
    const RowValues &currentRow() const;
    RowValues readRow(const Statement &st, int first = 0) const;
    bool blockHolds(int position) const;
    void readBlock() const;
    void writeChecked(const QStringList &cols, std::vector<Value> values);
    [[noreturn]] static void throwUnreadable(const QString &reason);
    int requireIndex(const QString &name) const;
    void requireCurrent() const;
    void checkShown() const;

    Database &db_;
    QString sql_;
    std::vector<Value> params_;
    std::shared_ptr<const RecordsetShape> shape_;

    std::vector<qint64> &ids() const;  // the dynaset's rowids, read on first use
    mutable std::vector<qint64> rowids_;
    mutable bool idsPending_ = false;
    std::vector<RowValues> rows_;            // snapshot
    // The dynaset's rows read ahead, from position blockStart_ (-1: none);
    // a row gone since is none. Set only when read whole, so a failed read
    // can never leave a short row behind.
    mutable std::vector<std::optional<RowValues>> block_;
    mutable int blockStart_ = -1;
    mutable int nextBlock_ = 0;
    mutable qint64 blockWrites_ = 0;  // storeWrites() when read
    mutable quint64 blockTurn_ = 0;   // the event loop's turn when read
    int pos_ = 0;
    bool deletedCurrent_ = false;

    EditMode editMode_ = EditMode::None;
    RowValues buffer_;
    std::vector<bool> changed_;
    std::vector<std::pair<int, Value>> shown_;  // columns written over a value the user saw
};

}  // namespace rz
