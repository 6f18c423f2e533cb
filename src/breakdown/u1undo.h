// Undo and redo in the breakdown editor. While the editor is open the store
// records every row this connection changes in the estimate's item table;
// each command's changes (and each write-back of typed cells) become one
// step, kept as the rows' images before and after. Undoing a step puts its
// rows back in one transaction, only while they still are as the step left
// them, rolls the totals up the path of keys again and goes to where the
// change was. Writes that follow from moving between levels (the roll-up
// into the parent row, a row opened becoming a group) are no steps of their
// own: they are folded into the step that last touched the row.
#pragma once
#include "u1parts.h"

#include "store/changeset.h"

#include <deque>

namespace rz {

class U1Undo : public U1Part {
public:
    using U1Part::U1Part;

    // The history keeps the last kMaxSteps steps, and drops older ones while
    // their row images together take more than kMaxBytes (never the newest).
    static constexpr int kMaxSteps = 100;
    static constexpr qint64 kMaxBytes = qint64(64) << 20;

    static const QString kTyping;       // the name of a write-back of typed cells
    static const QString kRefused;      // the rows were changed by someone else since
    static const QString kUnavailable;  // the store cannot record changes
    static const QString kBroken;       // the record of changes was lost (connection made again)

    // Form_Load and Form_Unload: the capture on the item table, an empty history.
    void open();
    void close() noexcept;

    bool canUndo() const { return !done_.empty(); }
    bool canRedo() const { return !undone_.empty(); }
    QString undoName() const { return done_.empty() ? QString() : done_.back().name; }
    QString redoName() const { return undone_.empty() ? QString() : undone_.back().name; }
    int steps() const { return int(done_.size()); }
    qint64 bytes() const;

    // A command's writes become one step named `name` when its outermost
    // scope ends; the cells typed before it are written first, as a step of
    // their own. ok() is false when that write-back failed: the command
    // must not run.
    class Scope {
    public:
        Scope(U1Session &u1, const QString &name);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;
        bool ok() const { return ok_; }

    private:
        U1Session &u1_;
        bool ok_ = true;
    };

    // The write-back of typed cells, around its writing: outside a command
    // it is a step of its own.
    void beforeTyping();
    void afterTyping();

    // Ctrl+Z and Ctrl+Y: false (after a message) when nothing was changed.
    bool undo();
    bool redo();

private:
    struct Step {
        QString name;
        ChangeSet changes;
        // Where the command was given: the level, its path and the cursor.
        int level = 0;
        LevelKeys path{};
        int page = 1, row = 1, col = 1;
        // The level's rates (F6 changes them) before the step and after it.
        std::pair<int, int> ratesBefore{100, 100}, ratesAfter{100, 100};
    };
    void placeAt(Step &step) const;
    void begin(const QString &name);
    void end();
    void push(Step step);
    // The changes recorded since the last take: a step's, or folded into the history.
    ChangeSet take();
    void absorb(const ChangeSet &changes);
    bool apply(bool undo);
    void stop(const QString &why);

    std::deque<Step> done_, undone_;
    std::vector<ColumnDef> columns_;
    bool capturing_ = false;
    int depth_ = 0;
    Step open_;  // the outermost scope's name and place
};

}  // namespace rz
