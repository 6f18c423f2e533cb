// Placing the rows of a block in front of a row of the level shown: the
// block recordset of a marked range, the keys 16 apart above the row before
// the cursor, the keys moved to another depth, and the room check. Block copy
// and block file reading insert through the same BlockInserter, so a block
// lands the same way whichever road it took.
#pragma once
#include "store/database.h"
#include "store/levelkeys.h"

#include <functional>
#include <optional>
#include <vector>

namespace rz {

class Recordset;

// Called at every 100th row of a long block command, for the dots of the message line.
using BlockProgress = std::function<void()>;

// The block recordset's statement (sb_SetBlkRs): the rows of the level path
// `top` whose key at position level+1 lies between the start's and the end's,
// with everything below them, in key order.
QString blockRangeSQL(const QString &table, int level, const std::array<qint32, 9> &top,
                      const std::array<qint32, 9> &end);

// Where a block goes: the level shown and the neighbours of the cursor row.
struct BlockPlace {
    int level = 0;                   // CurLvl: the block's top rows land at depth level+1
    LevelKeys path{};                // LvlKey: the first `level` keys of every new row
    qint32 keyAbove = 0;             // RowKey(r-1, 0): the key of the row above the cursor
    std::optional<qint32> keyBelow;  // RowKey(r, 0), none on the input row (no limit)
};

class BlockInserter {
public:
    // Inserts into `table`; rows at `blockDepth` are the block's top rows.
    BlockInserter(Database &db, const QString &table, const BlockPlace &place, int blockDepth);
    ~BlockInserter();
    BlockInserter(const BlockInserter &) = delete;
    BlockInserter &operator=(const BlockInserter &) = delete;

    // The columns of the item table, in its order; a row is handed over in them.
    const std::vector<ColumnDef> &columns() const { return columns_; }
    int columnIndex(const QString &name) const;

    enum class Outcome { Inserted, NoRoom, Skipped };
    // One row of the block, in key order. NoRoom: the next top row's key
    // would reach the cursor row's key (or leave the 32-bit range) and
    // nothing was inserted. Skipped: a row that does not lie below the top
    // row placed last (its parent was left out or is gone).
    // Without carryWork the work columns (int0 to the last column) become 0.
    // Throws DbError or OverflowError when a value does not fit its column.
    Outcome insert(std::vector<Value> row, bool carryWork);
    int inserted() const { return inserted_; }

private:
    BlockPlace place_;
    int blockDepth_;
    qint64 key_;         // the key of the last top row placed
    qint64 topKey_ = 0;  // its key in the block, which the rows below it share
    bool placedTop_ = false;
    int inserted_ = 0;
    std::vector<ColumnDef> columns_;
    std::vector<ColType> types_;
    std::array<int, 8> keyCol_{};
    int lvlCol_ = -1, flgCol_ = -1;
    std::unique_ptr<Statement> insert_;
};

struct BlockCopyResult {
    int copied = 0;
    bool noRoom = false;  // stopped at a top row for lack of keys
};

// Block copy: every row of `block` (as it is in the file now) through the
// inserter, work columns 0. Rows deleted since the recordset was read are
// passed over. The caller's transaction decides what is kept.
BlockCopyResult copyBlockRows(Recordset &block, BlockInserter &into, const BlockProgress &progress);

}  // namespace rz
