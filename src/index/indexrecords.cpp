// The index window's operations that change the estimate file: write-back of
// grid rows, creating, copying, deleting and recalculating estimates (their
// conditions with them), the detail frame and the 見積条件 dialog. Each change
// of the file is one transaction.
#include "indexsession.h"

#include "breakdown/calctbl.h"
#include "terms/termsmath.h"

#include "store/format.h"
#include "store/schema.h"
#include "store/sjis.h"
#include "store/vbconv.h"
#include "ui/listsession.h"

namespace rz {

namespace {
const QString kAmountMask = QStringLiteral("##,###,###,###");
const QString kPlaceholderDate = QStringLiteral("YYYY-MM-DD");

struct FrameField {
    const char *column;
    int padTo;  // blanks appended before cutting when the frame is filled
    int bytes;  // bytes kept
};
const FrameField kFrameFields[IndexSession::kFrameBoxes] = {
    {"knm", 60, 60}, {"hat", 60, 60}, {"ad1", 60, 60}, {"bk1", 20, 20},
    {"dt1", 60, 10}, {"dt2", 60, 10}, {"dt3", 60, 10}};

}  // namespace

int IndexSession::frameByteLimit(int box) { return kFrameFields[box].bytes; }

bool IndexSession::sb_WriteUIdx()
{
    bool gone = false, failed = false;
    int last = 0;
    while (last + 1 < grid_.rows() && isEstimateRow(last + 1))
        ++last;
    try {
        writeDirtyRows(
            *shared_.DB_Main, *rs_, last, [this](int r) { return dirty_[static_cast<size_t>(r)]; },
            [this](int r) {
                sb_WriteRec(r, 0);
                return true;
            },
            gone);
    } catch (const std::exception &e) {
        if (rs_)
            rs_->cancelUpdate();
        showError(e);
        failed = true;
    }
    for (int r = 1; r <= kPageRows; ++r)
        dirty_[static_cast<size_t>(r)] = false;
    if (gone) {
        prompts_.message(kRecordGone, MsgExclamation);
        requeryAndShow();
    }
    return !gone && !failed;
}

void IndexSession::sb_WriteRec(int row, int mode)
{
    if (mode == 1) {
        const qint32 key = insertKey(row);
        try {
            Transaction tx(*shared_.DB_Main);
            sb_MkUTbl(itemTableName(key), *shared_.DB_Main);
            // Conditions left under the key by a program that deleted its
            // estimate without knowing them do not belong to the new one.
            deleteTerms(*shared_.DB_Main, key);
            rs_->addNew();
            sb_IdxRecClr();
            rs_->setField("key1", qint64(key));
            filter_.keep(key);
            rs_->setField("dt1", dateText(today()));
            rs_->setField("dt3", dateText(today()));
            rs_->update();
            tx.commit();
        } catch (const std::exception &e) {
            rs_->cancelUpdate();
            showError(e);
        }
        requeryAndShow();
        return;
    }
    // Mode 0: the row back into its record (called inside sb_WriteUIdx's
    // transaction). The grid shows a cut and padded copy of the stored text
    // and amounts; writing that copy back would shorten long names and round
    // amounts with decimals, and would put an old copy over what another
    // program wrote since. So only a cell this window changed is written.
    sb_GetCurRec(row);
    const auto &shown = shown_[static_cast<size_t>(row)];
    auto changed = [&](int col) { return grid_.text(row, col) != shown[static_cast<size_t>(col)]; };
    rs_->edit();
    if (changed(1))
        rs_->setField("knm", padBytes(grid_.text(row, 1), 60));
    for (const auto &[col, field] : {std::pair{2, "kn1"}, std::pair{3, "kn2"}}) {
        if (!changed(col))
            continue;
        const QString cell = grid_.text(row, col);
        rs_->setField(field, Trim(cell).isEmpty() ? Currency() : CCur(cell).value_or(Currency()));
    }
    if (changed(7))
        rs_->setField("bk1", padBytes(grid_.text(row, 7), 20));
    rs_->setField("dt3", dateText(today()));
    rs_->update();
}

void IndexSession::sb_IdxRecClr()
{
    rs_->setField("knm", QString(60, u' '));
    rs_->setField("kn1", Currency());
    rs_->setField("kn2", Currency());
    rs_->setField("ad1", QString(40, u' '));
    rs_->setField("hat", QString(40, u' '));
    rs_->setField("kno", QString(10, u' '));
    for (const char *dt : {"dt1", "dt2", "dt3", "dt4"})
        rs_->setField(dt, kPlaceholderDate);
    for (const char *bk : {"bk1", "bk2", "bk3", "bk4"})
        rs_->setField(bk, QString(20, u' '));
    for (int f = 11; f <= 36; ++f)
        rs_->setField(f, qint64(0));
    rs_->setField("int1", qint64(100));
    rs_->setField("int2", qint64(100));
}

void IndexSession::requeryAndShow()
{
    try {
        if (filter_.active())
            reopenList();  // with the estimates made meanwhile
        else
            rs_->requery();
    } catch (const std::exception &e) {
        showError(e);
    }
    // Estimates deleted elsewhere may leave the page past the end of the list.
    page_ = std::clamp(page_, 1, rs_->recordCount() / kPageRows + 1);
    sb_DispList();
}

void IndexSession::reportFailure(const std::exception &e)
{
    const auto *db = dynamic_cast<const DbError *>(&e);
    // The estimate's record or its item table gone: another program deleted it.
    if (!db || (db->reason() != DbFailure::RecordDeleted && db->reason() != DbFailure::MissingTable)) {
        showError(e);
        return;
    }
    prompts_.message(kRecordGone, MsgExclamation);
    requeryAndShow();
}

void IndexSession::sb_CopyMenu()
{
    const int row = grid_.row();
    if (!copyPending_ && !isEstimateRow(row))
        return;
    const QPoint at = host_.globalPointFromTwips(buttonLeft(2), kButtonTop + kButtonHeight);
    const int choice = prompts_.popupMenu({QStringLiteral("切り取り"), QStringLiteral("コピー"), QStringLiteral("張り付け")},
                                          {true, isEstimateRow(row), copyPending_}, at);
    if (choice == 1)
        PU3_Copy_Click();
    else if (choice == 2)
        PU3_Paste_Click();
}

void IndexSession::PU3_Copy_Click()
{
    const int row = grid_.row();
    sourceTable_ = itemTableName(rowKey(row));
    try {
        sb_GetCurRec(row);
        copySourceKey_ = static_cast<qint32>(rs_->field("key1").toLong());
        copyPending_ = true;
    } catch (const std::exception &e) {
        reportFailure(e);
    }
}

void IndexSession::PU3_Paste_Click()
{
    const int row = grid_.row();
    if (insertKey(row) == 0)
        return;
    prompts_.setBusy(true);
    targetTable_ = itemTableName(insertKey(row));
    try {
        sb_TblCopy();
        copyPending_ = false;
    } catch (const std::exception &e) {
        // Nothing of the copy remains; the copy stays pending for another try.
        rs_->cancelUpdate();
        prompts_.setBusy(false);
        showError(e);
    }
    requeryAndShow();
    prompts_.setBusy(false);
}

void IndexSession::sb_TblCopy()
{
    Database &db = *shared_.DB_Main;
    Transaction tx(db);
    auto src = db.openRecordset(QStringLiteral("SELECT * FROM RZTBLIDX WHERE key1 = ?"), RecordsetType::Snapshot,
                                {Value(qint64(copySourceKey_))});
    if (src->eof())
        throw DbError(QStringLiteral("コピー元の見積書 %1 は削除されています。").arg(copySourceKey_));
    rs_->addNew();
    rs_->setField("key1", qint64(insertKey(grid_.row())));
    filter_.keep(insertKey(grid_.row()));
    for (int f = 1; f <= 36; ++f)
        rs_->setField(rs_->fieldName(f), src->field(rs_->fieldName(f)));
    rs_->update();
    db.execute(QStringLiteral("SELECT * INTO ") + targetTable_ + QStringLiteral(" FROM ") + sourceTable_);
    // The copy has the source's conditions, or none.
    const qint32 target = insertKey(grid_.row());
    deleteTerms(db, target);
    if (const auto terms = readTerms(db, copySourceKey_))
        writeTerms(db, target, *terms);
    tx.commit();
}

void IndexSession::sb_Delete(int row)
{
    try {
        sb_GetCurRec(row);
        const QString name = Trim(rs_->field("knm").toString());
        if (prompts_.message(name + QStringLiteral("を削除します"), MsgOkCancelInformation) == AnswerOk) {
            Database &db = *shared_.DB_Main;
            Transaction tx(db);
            rs_->deleteRecord();
            deleteTerms(db, rowKey(row));
            const QString table = itemTableName(rowKey(row));
            // An estimate whose item table went missing can still be deleted.
            if (db.tableExists(table))
                db.dropTable(table);
            tx.commit();
        }
    } catch (const std::exception &e) {
        reportFailure(e);
    }
    requeryAndShow();
}

void IndexSession::sb_Recalc()
{
    const int row = grid_.row();
    if (!isEstimateRow(row)) {
        prompts_.beep();
        return;
    }
    try {
        sb_GetCurRec(row);  // not a question about an estimate that is gone
    } catch (const std::exception &e) {
        reportFailure(e);
        return;
    }
    if (prompts_.message(QStringLiteral("再計算処理を開始します"), MsgOkCancelInformation) != AnswerOk)
        return;
    prompts_.setBusy(true);
    const QString table = itemTableName(rowKey(row));
    Totals totals;
    try {
        // The item table and the estimate's record change together or not at all.
        Database &db = *shared_.DB_Main;
        Transaction tx(db);
        sb_CalcTbl(db, table, 0, LevelKeys{}, totals, prompts_);
        sb_GetCurRec(row);
        rs_->edit();
        rs_->setField("kn1", totals.estimate);
        rs_->setField("kn2", totals.budget);
        rs_->update();
        tx.commit();
    } catch (const std::exception &e) {
        rs_->cancelUpdate();
        prompts_.setBusy(false);
        reportFailure(e);
        return;
    }
    showCell(row, 2, Format(totals.estimate, kAmountMask));
    showCell(row, 3, Format(totals.budget, kAmountMask));
    showTaxTotal(row);
    prompts_.setBusy(false);
    host_.focusGrid();
}

void IndexSession::sb_UpdateIdx()
{
    const int row = grid_.row();
    try {
        sb_GetCurRec(row);
        for (int i = 0; i < kFrameBoxes; ++i) {
            const FrameField &f = kFrameFields[i];
            frameText_[static_cast<size_t>(i)] =
                RTrim(LeftB(rs_->field(f.column).toString() + QString(f.padTo, u' '), f.bytes));
        }
    } catch (const std::exception &e) {
        reportFailure(e);
        return;
    }
    frameRow_ = row;
    if (row >= 11)
        frameTop_ = kGridTop + grid_.cellTop(row) - kFrameHeight - 40;
    else
        frameTop_ = kGridTop + grid_.cellTop(row) + grid_.cellHeight() + 40;
    frameVisible_ = true;
    host_.refresh();
    host_.focusFrameBox(0);
}

void IndexSession::setFrameText(int box, const QString &text)
{
    frameText_[static_cast<size_t>(box)] = LeftB(text, frameByteLimit(box));
}

void IndexSession::ComFrameOk_Click()
{
    try {
        Transaction tx(*shared_.DB_Main);
        sb_GetCurRec(frameRow_);
        rs_->edit();
        for (int i = 0; i < kFrameBoxes; ++i)
            rs_->setField(kFrameFields[i].column, LeftB(frameText_[static_cast<size_t>(i)], kFrameFields[i].bytes));
        rs_->update();
        tx.commit();
    } catch (const DbError &e) {
        rs_->cancelUpdate();
        if (e.reason() == DbFailure::RecordDeleted) {
            // The estimate is gone: there is nothing to keep the text for.
            frameVisible_ = false;
            reportFailure(e);
            host_.focusGrid();
            return;
        }
        showError(e);
        return;  // the frame stays open with the user's text
    } catch (const std::exception &e) {
        rs_->cancelUpdate();
        showError(e);
        return;
    }
    frameVisible_ = false;
    showCell(frameRow_, 1, LeftB(frameText_[0], 60));
    showCell(frameRow_, 7, LeftB(frameText_[3], 20));
    host_.focusGrid();
    host_.refresh();
}

void IndexSession::ComFrameCancel_Click()
{
    frameVisible_ = false;
    host_.focusGrid();
    host_.refresh();
}

bool IndexSession::TxtFrame_KeyDown(int box, int qtKey)
{
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) {
        Command1_Click(qtKey - Qt::Key_F1);
        return true;
    }
    switch (qtKey) {
    case Qt::Key_Escape:
        ComFrameCancel_Click();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Down:
        host_.focusFrameBox(box >= kFrameBoxes - 1 ? kFrameBoxes : box + 1);
        return true;
    case Qt::Key_Up:
        host_.focusFrameBox(box <= 0 ? -1 : box - 1);
        return true;
    default:
        return false;
    }
}

QString IndexSession::totalWithTax(qint32 key) const
{
    // A value of the conditions another program stored in a form its column
    // cannot hold is told like any other cell's; a sum beyond CURRENCY, or an
    // item table that cannot be read, shows as "？" without stopping the list.
    try {
        Database &db = *shared_.DB_Main;
        const EstimateTerms terms = readTerms(db, key).value_or(EstimateTerms());
        return Format(figuresOf(db, key, terms).total, kAmountMask);
    } catch (const DbError &e) {
        if (e.reason() == DbFailure::TypeMismatch)
            throw;
    } catch (const std::exception &) {
    }
    return QStringLiteral("？");
}

void IndexSession::sb_Terms(int row)
{
    try {
        sb_GetCurRec(row);  // not the dialog of an estimate that is gone
    } catch (const std::exception &e) {
        reportFailure(e);
        return;
    }
    TermsSession terms(*shared_.DB_Main, rowKey(row), prompts_, issuerDefaults);
    if (!terms.load())
        return;
    host_.showTerms(terms, grid_.text(row, 1));
    showTaxTotal(row);
}

void IndexSession::showTaxTotal(int row)
{
    if (amountShown_ != TaxTotal)
        return;
    try {
        showCell(row, kTaxColumn, totalWithTax(rowKey(row)));
    } catch (const std::exception &) {
        // Told when the page is filled; here the cell only shows it.
        showCell(row, kTaxColumn, QStringLiteral("？"));
    }
}

}  // namespace rz
