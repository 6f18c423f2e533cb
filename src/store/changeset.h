// The net change of one table that a command made, kept to be undone: for
// each row it touched, by the row's identity, the row as it was before and
// as it was left (none for a row that did not exist), packed small. Undoing
// it puts the rows back as they were before, and only while every one of
// them is still as it was left: a row someone else changed since (another
// program, another user of the store) stops it, and nothing is written.
#pragma once
#include "database.h"

#include <QByteArray>
#include <vector>

namespace rz {

class ChangeSet {
public:
    struct Row {
        qint64 rowId = 0;
        QByteArray before, after;  // packed images; empty: no such row
    };

    // The changes of a capture, in the order made, netted per row: a row
    // inserted and deleted again, or updated back to what it was, is left out.
    static ChangeSet fold(const std::vector<CapturedChange> &changes);

    bool empty() const { return rows_.empty(); }
    const std::vector<Row> &rows() const { return rows_; }
    // Memory the images take.
    qint64 bytes() const;
    // The row with this identity, or none.
    Row *find(qint64 rowId);

    // Whether `table` holds every row as it was left (`after`), or as it was
    // before (none where none was): what an undo, and a redo, finds first.
    bool standsAs(Database &db, const QString &table, const std::vector<ColumnDef> &columns, bool after) const;
    // Puts every row back as it was before (or, for a redo, as it was left):
    // deleted where there was none, made again with its identity where it had
    // been deleted. Throws; the caller holds the transaction and has checked
    // standsAs first.
    void restore(Database &db, const QString &table, const std::vector<ColumnDef> &columns, bool before) const;

    static QByteArray pack(const RowImage &image);
    static RowImage unpack(const QByteArray &packed);

private:
    std::vector<Row> rows_;  // by identity
};

}  // namespace rz
