// The editor's history of steps: recording a command's changes, folding the
// writes of level moves into it, and undoing and redoing a step.
#include "u1fields.h"

namespace rz {

const QString U1Undo::kTyping = QStringLiteral("入力");
const QString U1Undo::kRefused = QStringLiteral(
    "この操作で変わった行が、その後ほかのプログラムまたはほかの利用者に変更されています。何も変更しませんでした。");
const QString U1Undo::kUnavailable =
    QStringLiteral("この見積書ファイルでは変更を記録できないため、元に戻す・やり直しは使えません。");
const QString U1Undo::kBroken =
    QStringLiteral("変更の記録が途切れたため、これまでの操作は元に戻せなくなりました。");

void U1Undo::open()
{
    close();
    try {
        columns_ = db().columns(lvl().TblName);
        db().startCapture(lvl().TblName);
        capturing_ = true;
    } catch (const std::exception &) {
        // The editor works without its history; saying so once is enough.
        u1_.setMessage(kUnavailable);
    }
}

void U1Undo::close() noexcept
{
    if (capturing_ && shared_.DB_Main)
        shared_.DB_Main->stopCapture();
    capturing_ = false;
    done_.clear();
    undone_.clear();
    depth_ = 0;
}

void U1Undo::stop(const QString &why)
{
    close();
    u1_.setMessage(why);
}

qint64 U1Undo::bytes() const
{
    qint64 n = 0;
    for (const auto *stack : {&done_, &undone_})
        for (const Step &s : *stack)
            n += s.changes.bytes();
    return n;
}

ChangeSet U1Undo::take()
{
    // Inside a transaction the records could still be rolled back with the
    // changes they describe: they are taken once it is over.
    if (!capturing_ || db().transactionDepth() > 0)
        return {};
    try {
        return ChangeSet::fold(db().takeCaptured());
    } catch (const std::exception &) {
        stop(kBroken);
        return {};
    }
}

void U1Undo::absorb(const ChangeSet &changes)
{
    // A write that is no command of its own (a roll-up, a row opened) belongs
    // to the state the last step touching the row left, and to the one a redo
    // of the row starts from.
    for (const ChangeSet::Row &r : changes.rows()) {
        for (auto it = done_.rbegin(); it != done_.rend(); ++it)
            if (ChangeSet::Row *mine = it->changes.find(r.rowId)) {
                mine->after = r.after;
                break;
            }
        for (auto it = undone_.rbegin(); it != undone_.rend(); ++it)
            if (ChangeSet::Row *mine = it->changes.find(r.rowId)) {
                mine->before = r.after;
                break;
            }
    }
}

void U1Undo::push(Step step)
{
    if (step.changes.empty())
        return;
    done_.push_back(std::move(step));
    undone_.clear();
    qint64 total = bytes();
    while (int(done_.size()) > kMaxSteps || (total > kMaxBytes && done_.size() > 1)) {
        total -= done_.front().changes.bytes();
        done_.pop_front();
    }
}

void U1Undo::begin(const QString &name)
{
    if (depth_++ > 0)
        return;
    absorb(take());
    open_ = Step();
    open_.name = name;
    placeAt(open_);
}

void U1Undo::placeAt(Step &step) const
{
    step.level = lvl().CurLvl;
    step.path = lvl().LvlKey;
    step.page = lvl().page();
    step.row = grid().row();
    step.col = grid().col();
    const U1Calc::Level &l = u1_.calc().at(step.level);
    step.ratesBefore = step.ratesAfter = {l.LvlRt1, l.LvlRt2};
}

void U1Undo::end()
{
    if (--depth_ > 0)
        return;
    open_.changes = take();
    if (open_.level == lvl().CurLvl)
        open_.ratesAfter = {u1_.calc().at(open_.level).LvlRt1, u1_.calc().at(open_.level).LvlRt2};
    push(std::move(open_));
}

U1Undo::Scope::Scope(U1Session &u1, const QString &name) : u1_(u1)
{
    // What was typed before the command is a step of its own, written first.
    ok_ = u1.page().sb_WriteUTbl();
    u1.undo().begin(name);
}

U1Undo::Scope::~Scope()
{
    U1Undo &undo = u1_.undo();
    // A command that changed only the grid (a provisional delete, a master
    // pick) is written now, so that its step holds it.
    if (ok_ && undo.depth_ == 1 && u1_.view().loaded)
        u1_.page().sb_WriteUTbl();
    undo.end();
}

void U1Undo::beforeTyping()
{
    if (depth_ == 0)
        absorb(take());
}

void U1Undo::afterTyping()
{
    if (depth_ > 0)
        return;
    Step step;
    step.name = kTyping;
    placeAt(step);
    step.changes = take();
    push(std::move(step));
}

bool U1Undo::undo() { return apply(true); }
bool U1Undo::redo() { return apply(false); }

bool U1Undo::apply(bool undo)
{
    if (!u1_.view().loaded || depth_ > 0)
        return false;
    if (!capturing_) {
        prompts_.beep();
        return false;
    }
    // Typed cells count as done: Ctrl+Z takes them back first.
    u1_.sb_TextToGrid();
    if (!u1_.page().sb_WriteUTbl())
        return false;
    std::deque<Step> &from = undo ? done_ : undone_;
    if (from.empty()) {
        prompts_.beep();
        return false;
    }
    absorb(take());
    const Step &step = from.back();
    try {
        Transaction tx(db());
        if (!step.changes.standsAs(db(), lvl().TblName, columns_, undo)) {
            prompts_.message(kRefused, MsgExclamation);
            return false;
        }
        step.changes.restore(db(), lvl().TblName, columns_, undo);
        // The level left behind keeps its totals in the rows above it.
        u1_.leaveLevel();
        u1_.rollUp(step.level, step.path, undo ? step.ratesBefore : step.ratesAfter);
        tx.commit();
    } catch (const std::exception &e) {
        u1_.reread(&e);
        u1_.showError(e);
        return false;
    }
    Step moved = std::move(from.back());
    from.pop_back();
    (undo ? undone_ : done_).push_back(moved);
    absorb(take());
    if (u1_.goTo(moved.level, moved.path, moved.page, moved.row, moved.col)) {
        const auto rates = undo ? moved.ratesBefore : moved.ratesAfter;
        u1_.calc().setRates(moved.level, rates.first, rates.second);
        u1_.calc().refreshTotalLabels();
    }
    u1_.setMessage((undo ? QStringLiteral("元に戻しました: ") : QStringLiteral("やり直しました: ")) + moved.name);
    return true;
}

}  // namespace rz
