// Picking from the unit-price master and registering rows in it.
#include "u1fields.h"

#include "store/rowkind.h"
#include "store/schema.h"
#include "store/sjis.h"
#include "store/vbconv.h"

#include <QHash>

namespace rz {

const QString U1Master::kNoMaster = QStringLiteral("単価マスタが設定されていません。");
const QString U1Master::kEmptyMaster = QStringLiteral(
    "単価マスタに項目がありません。メイン画面の［単価マスタ］で取り込むか、編集メニューの「単価マスタに登録」で登録してください。");
const QString U1Master::kNotAnItem =
    QStringLiteral("この行は明細行ではないため、単価マスタに登録できません。");
const QString U1Master::kChangedMeanwhile =
    QStringLiteral("ほかの人が単価マスタを変更しました。もう一度登録してください。");

namespace {

// An item as a row of the estimate holds it: the texts as the cells show
// them (cut to the cells' widths, without the blanks that fill them).
MasterItem rowItem(const QString &knm, const QString &mei, const QString &tn1, Currency tk1, Currency tk2)
{
    MasterItem item;
    item.knm = RTrim(LeftB(knm, kNameBytes));
    item.mei = RTrim(LeftB(mei, kSpecBytes));
    item.tn1 = RTrim(LeftB(tn1, kUnitBytes));
    item.tk1 = tk1;
    item.tk2 = tk2;
    item.upd = QDate::currentDate();
    return item;
}

bool isItem(const QString &flg, const QString &knm)
{
    return !isGroupRow(flg) && !beginsWithTotalMark(knm) && !Trim(knm).isEmpty();
}

}  // namespace

void U1Master::open()
{
    if (!catalog_) {
        prompts_.message(kNoMaster, MsgExclamation);
        return;
    }
    prompts_.setBusy(true);
    std::shared_ptr<const MasterIndex> index;
    try {
        index = catalog_->index();
    } catch (const std::exception &e) {
        prompts_.setBusy(false);
        u1_.showError(e);
        return;
    }
    prompts_.setBusy(false);
    if (index->size() == 0) {
        prompts_.message(kEmptyMaster, MsgInformation);
        return;
    }
    // The results of the last search are kept while the master is unchanged.
    if (index != search_.shared())
        search_ = MasterSearch(index);
    open_ = true;
    query_.clear();
    results_ = search_.search(query_);
    current_ = 0;
    ++searches_;
    host_.pickChanged();
}

void U1Master::setQuery(const QString &query)
{
    if (!open_)
        return;
    query_ = query;
    results_ = search_.search(query_);
    current_ = 0;
    ++searches_;
    host_.pickChanged();
}

void U1Master::setCurrent(int result)
{
    if (!open_ || results_.empty())
        return;
    current_ = std::clamp(result, 0, int(results_.size()) - 1);
    host_.pickChanged();
}

void U1Master::moveCurrent(int by) { setCurrent(current_ + by); }

void U1Master::close()
{
    open_ = false;
    host_.pickChanged();
}

void U1Master::cancel()
{
    if (!open_)
        return;
    close();
    u1_.sb_Editx();
    host_.refresh();
}

void U1Master::accept()
{
    if (!open_)
        return;
    if (results_.empty()) {
        prompts_.beep();
        return;
    }
    const MasterItem item = search_.index().item(results_[size_t(current_)]);
    close();
    U1Undo::Scope step(u1_, QStringLiteral("単価マスタ"));
    const int row = grid().row();
    // On the input row a row is made first, as 作成 (F2) makes one.
    if (u1_.isInputRow(row) && !u1_.rows().createRow(false)) {
        u1_.sb_Editx();
        host_.refresh();
        return;
    }
    // Cell by cell as typing writes them: the byte widths, a group row's
    // refusals and the amounts with the level total all follow from there.
    u1_.writeCell(row, U1Session::ColKnm, item.knm);
    u1_.writeCell(row, U1Session::ColMei, item.mei);
    if (!isGroupRow(u1_.page().flag(row))) {
        u1_.writeCell(row, U1Session::ColTn1, item.tn1);
        u1_.writeCell(row, U1Session::ColTk1, typedPriceText(item.tk1));
        u1_.writeCell(row, U1Session::ColTk2, typedPriceText(item.tk2));
    }
    u1_.moveCursor(row, U1Session::ColSu1);
    u1_.sb_Editx();
    host_.refresh();
}

bool U1Master::cursorRowItem(Candidates &out)
{
    const int row = grid().row();
    if (u1_.isInputRow(row)) {
        prompts_.beep();
        return false;
    }
    // The row as written back (the edit menu writes first): the record holds
    // the prices exactly, where the grid shows them rounded to whole yen.
    u1_.page().sb_GetCurRec(row);
    const U1Fields &f = fields();
    const QString knm = rsLvl().field(f.knm).toString();
    if (!isItem(rsLvl().field(f.flg).toString(), knm)) {
        prompts_.message(kNotAnItem, MsgExclamation);
        return false;
    }
    out.items.push_back(rowItem(knm, rsLvl().field(f.mei).toString(), rsLvl().field(f.tn1).toString(),
                                rsLvl().field(f.tk1).toCurrency(), rsLvl().field(f.tk2).toCurrency()));
    return true;
}

bool U1Master::blockItems(Recordset &block, Candidates &out)
{
    block.requery();
    for (block.moveFirst(); !block.eof(); block.moveNext()) {
        const QString knm = block.field(QStringLiteral("knm")).toString();
        if (!isItem(block.field(QStringLiteral("flg")).toString(), knm))
            continue;
        out.items.push_back(rowItem(knm, block.field(QStringLiteral("mei")).toString(),
                                    block.field(QStringLiteral("tn1")).toString(),
                                    block.field(QStringLiteral("tk1")).toCurrency(),
                                    block.field(QStringLiteral("tk2")).toCurrency()));
    }
    if (out.items.empty()) {
        prompts_.message(QStringLiteral("ブロックに明細行がありません。"), MsgExclamation);
        return false;
    }
    return prompts_.message(QStringLiteral("ブロックの明細 %1 行を単価マスタに登録します").arg(out.items.size()),
                            MsgOkCancelQuestion) == AnswerOk;
}

void U1Master::registerRows()
{
    if (!catalog_) {
        prompts_.message(kNoMaster, MsgExclamation);
        return;
    }
    // The rows as the file holds them: what the grid shows is written first.
    if (!u1_.page().sb_WriteUTbl())
        return;
    Candidates rows;
    try {
        Recordset *block = u1_.blocks().markedBlock();
        if (!(block ? blockItems(*block, rows) : cursorRowItem(rows)))
            return;
    } catch (const std::exception &e) {
        u1_.showError(e);
        return;
    }
    const bool single = rows.items.size() == 1;
    std::vector<MasterItem> added, repriced;
    int unchanged = 0;
    try {
        MasterStore &store = catalog_->store();
        QHash<QString, bool> seen;  // a name and specification twice in a block: the first counts
        for (const MasterItem &item : rows.items) {
            if (const QString problem = masterItemProblem(item); !problem.isEmpty()) {
                if (rows.refused++ == 0)
                    rows.reason = QStringLiteral("「%1」: %2").arg(item.knm, problem);
                continue;
            }
            const QString key = item.knm + QChar(0x1F) + item.mei;
            if (seen.contains(key))
                continue;
            seen.insert(key, true);
            const std::optional<MasterItem> held = store.find(item.knm, item.mei);
            if (!held) {
                added.push_back(item);
            } else if (held->tk1 == item.tk1 && held->tk2 == item.tk2) {
                ++unchanged;
            } else {
                MasterItem now = *held;
                now.tk1 = item.tk1;
                now.tk2 = item.tk2;
                now.upd = item.upd;
                repriced.push_back(now);
                if (single) {
                    // The prices the master holds beside the row's, for the user to choose.
                    const QString question =
                        QStringLiteral("「%1 %2」は単価マスタにあります。単価を置き換えますか\n"
                                       "見積単価 %3 → %4\n予算単価 %5 → %6")
                            .arg(item.knm, item.mei, typedPriceText(held->tk1), typedPriceText(item.tk1),
                                 typedPriceText(held->tk2), typedPriceText(item.tk2));
                    if (prompts_.message(question, MsgOkCancelQuestion) != AnswerOk) {
                        repriced.clear();
                        ++unchanged;
                    }
                }
            }
        }
        if (single && rows.refused) {
            prompts_.message(rows.reason, MsgExclamation);
            return;
        }
        if (!single && !repriced.empty() &&
            prompts_.message(QStringLiteral("%1 件は単価マスタに同じ名称と規格の項目があり、単価が違います。"
                                            "単価を置き換えますか")
                                 .arg(repriced.size()),
                             MsgOkCancelQuestion) != AnswerOk) {
            unchanged += int(repriced.size());
            repriced.clear();
        }
        if (!added.empty() || !repriced.empty()) {
            if (!store.registerItems(added, repriced)) {
                prompts_.message(kChangedMeanwhile, MsgExclamation);
                return;
            }
        }
    } catch (const std::exception &e) {
        catalog_->close();
        u1_.showError(e);
        return;
    }
    if (!single && rows.refused)
        prompts_.message(QStringLiteral("%1 行は登録できませんでした。\n%2").arg(rows.refused).arg(rows.reason),
                         MsgExclamation);
    // Only what happened, so that the line stays short enough to be read whole.
    QStringList done;
    for (const auto &[count, what] : {std::pair{int(added.size()), QStringLiteral("追加")},
                                      {int(repriced.size()), QStringLiteral("単価の置き換え")},
                                      {unchanged, QStringLiteral("そのまま")}})
        if (count)
            done << QStringLiteral("%1 %2 件").arg(what).arg(count);
    u1_.setMessage(QStringLiteral("単価マスタに登録しました（%1）").arg(done.join(QStringLiteral("、"))));
    host_.refresh();
}

}  // namespace rz
