// The estimate list of the index window: filling a page, paging, keys, the
// command dispatch, the amount column switch and the hand-over with the editor.
#include "indexsession.h"

#include "print/indexprint.h"
#include "store/failuretext.h"
#include "store/format.h"
#include "store/levelkeys.h"
#include "store/memfree.h"
#include "store/schema.h"
#include "store/sjis.h"
#include "store/vbconv.h"
#include "ui/listsession.h"
#include "ui/uifonts.h"

#include <QScopedValueRollback>
#include <limits>

namespace rz {

const QString IndexSession::kRecordGone =
    QStringLiteral("この見積書は他のプログラムで削除されました。一覧を更新します。");

const char *const IndexSession::kFormatString =
    "<  |　　　　　　　　　　 工    事    名    称　　　　　　　　　　|　見 積 金 額 |　予 算 金 額 |項目数|"
    "　作 成 日|　更 新 日|　　　備       考      ";

namespace {
const quint32 kMarkColour = 0x00C0FFFF;
const quint32 kWindowColour = 0x80000005;
const quint32 kWindowText = 0x80000008;
const QString kAppendMark = QStringLiteral("＊");
const QString kAmountMask = QStringLiteral("##,###,###,###");
// The total with tax stands after the list's own columns, hidden: its
// place on the screen is the amount column's, when 画面 (F5) shows it. The
// list's columns fill the window's width; a ninth one beside them would
// need a scroll bar, and that bar would hide the last row of each page.
const QString kTaxHeader = QStringLiteral("|　税 込 金 額 ");
}  // namespace

int IndexSession::buttonLeft(int index)
{
    // Groups of four (F1-F4, F5-F8, F9-F12): 960 twips apart within a group,
    // 1080 at the start of the next group.
    const int group = index / 4, within = index % 4;
    return 120 + group * (3 * 960 + 1080) + within * 960;
}

IndexSession::IndexSession(Shared &shared, Prompts &prompts, IndexHost &host)
    : shared_(shared), prompts_(prompts), host_(host)
{
    enabled_.fill(true);
    grid_.setFont(gridFont());
}

IndexSession::~IndexSession() = default;

QString IndexSession::dateText(const QDate &d) { return d.toString(QStringLiteral("MM-dd-yyyy")); }

void IndexSession::sb_MkIdxGrid()
{
    grid_.setFormatString(QString::fromUtf8(kFormatString) + kTaxHeader);
    grid_.setColWidth(3, 0);
    grid_.setColWidth(kTaxColumn, 0);
    grid_.setCellForeColor(0, 3, oleColor(0x0000FFFF));
}

bool IndexSession::load()
{
    sb_MkIdxGrid();
    for (auto &k : rowKey_)
        k = {0, 0};
    dirty_.fill(false);
    try {
        shared_.DB_Main = openEstimateFile(shared_.DB_Path);
        rs_ = shared_.DB_Main->openRecordset(QStringLiteral("SELECT * FROM RZTBLIDX ORDER BY [key1]"));
    } catch (const std::exception &e) {
        rs_.reset();
        shared_.DB_Main.reset();
        showError(e);
        return false;
    }
    page_ = 1;
    row_ = 1;
    amountShown_ = EstimateAmount;
    copyPending_ = false;
    sourceTable_.clear();
    targetTable_.clear();
    sb_DispList();
    grid_.setBackColorSel(oleColor(kMarkColour));
    grid_.setForeColorSel(oleColor(kWindowText));
    selectWholeRow(1);
    host_.refresh();
    return true;
}

void IndexSession::selectWholeRow(int row)
{
    row = std::clamp(row, 1, grid_.rows() - 1);
    grid_.setRow(row);
    grid_.setCol(1);
    grid_.setColSel(grid_.cols() - 1);
}

bool IndexSession::isEstimateRow(int row) const
{
    return row >= 1 && row < grid_.rows() && grid_.text(row, 0) != kAppendMark;
}

void IndexSession::showCell(int row, int col, const QString &text)
{
    grid_.setText(row, col, text);
    shown_[static_cast<size_t>(row)][static_cast<size_t>(col)] = text;
}

void IndexSession::fillRow(int r)
{
    // A value another program stored in a form its column cannot hold shows
    // as "？" and is left as it is; the rest of the estimate stays usable.
    QString unreadable;
    auto cell = [&](int col, auto &&text) {
        try {
            showCell(r, col, text());
        } catch (const DbError &e) {
            if (e.reason() != DbFailure::TypeMismatch)
                throw;
            showCell(r, col, QStringLiteral("？"));
            if (unreadable.isEmpty())
                unreadable = e.description();
        }
    };
    showCell(r, 0, QStringLiteral("＋"));
    cell(1, [&] { return padBytes(rs_->field("knm").toString(), 60); });
    cell(2, [&] { return Format(rs_->field("kn1").toCurrency(), kAmountMask); });
    cell(3, [&] { return Format(rs_->field("kn2").toCurrency(), kAmountMask); });
    cell(4, [&] { return Format(rs_->field("int0").toLong(), QStringLiteral("##,##0")); });
    cell(5, [&] { return rs_->field("dt1").toString(); });
    cell(6, [&] { return rs_->field("dt3").toString(); });
    cell(7, [&] { return padBytes(rs_->field("bk1").toString(), 20); });
    const qint32 key = rowKey(r);
    if (amountShown_ == TaxTotal)
        cell(kTaxColumn, [&] { return totalWithTax(key); });
    if (!unreadable.isEmpty() && !reportedUnreadable_.contains(key)) {
        reportedUnreadable_ << key;
        prompts_.message(unreadable, MsgExclamation);
    }
}

static qint32 keyAfter(qint32 key)
{
    // The append row extends the sequence by 64; past the largest key there
    // is no room, which the create command reports with a beep.
    return static_cast<qint64>(key) + 64 > std::numeric_limits<qint32>::max() ? 0 : key + 64;
}

static qint32 safeMidKey(qint32 lo, qint32 hi)
{
    try {
        return MidKey(lo, hi);
    } catch (const OverflowError &) {
        return 0;  // keys too far apart to halve: no insertion here
    }
}

void IndexSession::sb_DispList()
{
    // An estimate another program deleted since the list was read is simply
    // not shown: the list is read again and the page filled anew.
    for (int attempt = 1;; ++attempt) {
        try {
            fillPage();
            break;
        } catch (const DbError &e) {
            if (e.reason() != DbFailure::RecordDeleted || attempt == 3) {
                showError(e);
                break;
            }
            try {
                rs_->requery();
            } catch (const std::exception &again) {
                showError(again);
                break;
            }
        } catch (const std::exception &e) {
            showError(e);
            break;
        }
    }
    lblMem_ = Str(MemFree()) + QStringLiteral("%");
    lblPage_ = Str(page_);
    host_.refresh();
}

void IndexSession::fillPage()
{
    if (rs_->recordCount() > 0)
        rs_->moveFirst();
    if (page_ > 1) {
        rs_->move((page_ - 1) * kPageRows - 1);
        rowKey_[0][0] = rs_->eof() ? 0 : static_cast<qint32>(rs_->field("key1").toLong());
        if (!rs_->eof())
            rs_->moveNext();
    } else {
        rowKey_[0][0] = 0;
    }
    for (int r = 1; r <= kPageRows; ++r)
        dirty_[static_cast<size_t>(r)] = false;
    grid_.setRows(kPageRows + 1);
    for (int r = 1; r <= kPageRows; ++r) {
        if (rs_->eof()) {
            rowKey_[static_cast<size_t>(r)][0] = 0;
            const qint32 last = rowKey_[static_cast<size_t>(r - 1)][0];
            const qint32 next = filter_.active() && last != 0 ? filter_.keyAfter(last) : 0;
            rowKey_[static_cast<size_t>(r)][1] = next != 0 ? safeMidKey(last, next) : keyAfter(last);
            sb_ClrRow(r);
            for (int k = r + 1; k <= kPageRows; ++k)
                rowKey_[static_cast<size_t>(k)] = {0, 0};
            grid_.setRows(r + 1);
            break;
        }
        const qint32 key = static_cast<qint32>(rs_->field("key1").toLong());
        rowKey_[static_cast<size_t>(r)][0] = key;
        // A filtered list hides estimates between its rows: a new one goes
        // right before the row, between it and the estimate really before it.
        const qint32 before = filter_.active() ? filter_.keyBefore(key) : rowKey_[static_cast<size_t>(r - 1)][0];
        rowKey_[static_cast<size_t>(r)][1] = safeMidKey(before, key);
        fillRow(r);
        rs_->moveNext();
    }
}

void IndexSession::sb_ClrRow(int row)
{
    showCell(row, 0, kAppendMark);
    for (int c = 1; c < grid_.cols(); ++c)
        showCell(row, c, QString());
}

void IndexSession::sb_GetCurRec(int row)
{
    if (rs_->recordCount() > 0)
        rs_->moveFirst();
    rs_->move((page_ - 1) * kPageRows + row - 1);
    // The row's estimate by its key: a requery since the page was shown
    // must not turn a command on one estimate into a change of another.
    const qint32 key = row >= 0 && row <= kPageRows ? rowKey(row) : 0;
    if (key == 0 || (!rs_->eof() && rs_->field("key1").toLong() == key))
        return;
    for (rs_->moveFirst(); !rs_->eof(); rs_->moveNext())
        if (rs_->field("key1").toLong() == key)
            return;
    throw recordDeletedError();
}

void IndexSession::sb_SetRowColor(bool on)
{
    grid_.setSelectionBackColor(oleColor(on ? kMarkColour : kWindowColour));
}

void IndexSession::Command2_Click(int index)
{
    const QScopedValueRollback<int> underWay(commandsUnderWay_, commandsUnderWay_ + 1);
    if (index == 0) {
        if (rowKey_[kPageRows][0] == 0) {
            prompts_.beep();
        } else {
            sb_WriteUIdx();
            ++page_;
            sb_DispList();
            grid_.setRow(1);
        }
    } else {
        if (page_ == 1) {
            prompts_.beep();
        } else {
            sb_WriteUIdx();
            --page_;
            sb_DispList();
            grid_.setRow(std::min(kPageRows, grid_.rows() - 1));
        }
    }
    grid_.setCol(1);
    grid_.setColSel(grid_.cols() - 1);
    host_.focusGrid();
    host_.refresh();
}

bool IndexSession::gridKeyDown(int qtKey)
{
    return listCommandKey(qtKey, [this](int i) { Command1_Click(i); }, [this](int i) { Command2_Click(i); });
}

void IndexSession::gridFocused()
{
    if (frameVisible_) {
        frameVisible_ = false;
        host_.refresh();
    }
}

void IndexSession::gridCursorMoved(int row)
{
    if (row < 1 || row >= grid_.rows())
        row = std::clamp(row, 1, grid_.rows() - 1);
    selectWholeRow(row);
}

void IndexSession::Command1_Click(int index)
{
    // The filter only changes what is shown: the row is not written back,
    // which would date it as updated today.
    if (index == 8) {
        host_.showFilter();
        host_.refresh();
        return;
    }
    // A command that lets events in (printing) keeps its rows to the end.
    const QScopedValueRollback<int> underWay(commandsUnderWay_, commandsUnderWay_ + 1);
    row_ = grid_.row();
    if (isEstimateRow(row_))
        dirty_[static_cast<size_t>(row_)] = true;
    bool focusBack = true;
    switch (index) {
    case 0:
        if (shared_.formsLoaded == 2 && isEstimateRow(row_)) {
            // The editor just opened keeps the focus, in front of this window.
            if (sb_WriteUIdx() && sb_OpenU1())
                focusBack = false;
        } else {
            prompts_.beep();
        }
        break;
    case 1:
        lblMsg_.clear();
        if (insertKey(row_) != 0) {
            if (sb_WriteUIdx())
                sb_WriteRec(row_, 1);
        } else {
            prompts_.beep();
        }
        break;
    case 2:
        sb_SetRowColor(true);
        sb_CopyMenu();
        sb_SetRowColor(false);
        break;
    case 3:
        if (isEstimateRow(row_)) {
            if (sb_WriteUIdx()) {
                sb_SetRowColor(true);
                sb_Delete(row_);
                sb_SetRowColor(false);
            }
        } else {
            prompts_.beep();
        }
        break;
    case 4:
        sb_WriteUIdx();
        sb_ChgDsp();
        break;
    case 5:
        sb_Recalc();
        break;
    case 6:
        if (!isEstimateRow(row_))
            prompts_.beep();
        else if (sb_WriteUIdx())
            sb_Terms(row_);
        break;
    case 7:
        if (isEstimateRow(row_) && sb_WriteUIdx()) {
            try {
                sb_GetCurRec(row_);
                IndexPrintJob job{shared_, prompts_, *shared_.DB_Main, *rs_, EstimateRef{rowKey(row_)}};
                job.setLblMsg = [this](const QString &t) {
                    lblMsg_ = t;
                    host_.refresh();
                };
                job.markRow = [this](bool on) { sb_SetRowColor(on); };
                printFromIndex(job);
            } catch (const std::exception &) {
                // The print command goes on past any failure, as it always has.
            }
        } else if (!isEstimateRow(row_)) {
            prompts_.beep();
        }
        break;
    case 10:
        if (isEstimateRow(row_)) {
            if (frameVisible_) {
                frameVisible_ = false;
            } else {
                sb_UpdateIdx();
                focusBack = false;
            }
        } else {
            prompts_.beep();
        }
        break;
    case 11:
        // Esc takes the filter off first; only then does it close the list.
        if (filter_.active()) {
            clearFilter();
            break;
        }
        host_.closeWindow();
        return;
    default:
        break;
    }
    if (focusBack)
        host_.focusGrid();
    host_.refresh();
}

void IndexSession::sb_ChgDsp()
{
    // The estimate amount, the budget amount and the total with tax take
    // turns in one place, each with the width the one before it had.
    static const int columns[3] = {2, 3, kTaxColumn};
    const int w = grid_.colWidth(columns[amountShown_]);
    amountShown_ = AmountShown((amountShown_ + 1) % 3);
    for (int c : columns)
        grid_.setColWidth(c, c == columns[amountShown_] ? w : 0);
    sb_DispList();
}

bool IndexSession::sb_OpenU1()
{
    const int row = grid_.row();
    enabled_[11] = false;
    try {
        sb_GetCurRec(row);
        const Value rt1 = rs_->field("int1"), rt2 = rs_->field("int2"), co = rs_->field("bk2");
        if (!rt1.isNull())
            U1_Rt1 = static_cast<int>(rt1.toLong());
        if (!rt2.isNull())
            U1_Rt2 = static_cast<int>(rt2.toLong());
        if (!co.isNull())
            shared_.Co_Name = co.toString();
    } catch (const std::exception &) {
        // Unreadable columns leave the values as they were, so the editor still opens.
    }
    prompts_.setBusy(true);
    const bool opened = host_.openEditor(U1Opening{EstimateRef{rowKey(row)}, U1_Rt1, U1_Rt2, page_, row},
                                         grid_.text(row, 1));
    prompts_.setBusy(false);
    if (!opened) {
        enabled_[11] = true;
        prompts_.beep();
        return false;
    }
    ++editorsOpen_;
    if (shared_.formsLoaded >= 4)
        enabled_[0] = false;
    return true;
}

void IndexSession::editorClosed(const U1Closing &closing)
{
    editorsOpen_ = std::max(0, editorsOpen_ - 1);
    if (!rs_)
        return;
    if (shared_.formsLoaded < 4)
        enabled_[0] = true;
    if (shared_.formsLoaded == 2)
        enabled_[11] = true;
    if (closing.U1_Gone) {
        // The editor closed because another program deleted its estimate
        // (it said so): the list without it.
        page_ = closing.Idx_Page;
        sb_WriteUIdx();
        requeryAndShow();
    } else if (page_ != closing.Idx_Page) {
        page_ = closing.Idx_Page;
        sb_DispList();
    }
    row_ = std::clamp(closing.Idx_Row, 1, grid_.rows() - 1);
    grid_.setRow(row_);
    if (closing.U1_Upd)
        takeTotals(closing);
    grid_.setCol(1);
    grid_.setColSel(grid_.cols() - 1);
    host_.focusGrid();
    host_.refresh();
}

bool IndexSession::showOthersChanges()
{
    // The editor hands back the page and row it was opened from.
    if (!rs_ || frameVisible_ || editorsOpen_ > 0 || commandsUnderWay_ > 0)
        return false;
    for (int r = 1; r < grid_.rows() && r <= kPageRows; ++r)
        for (int c = 1; c < kColumns; ++c)
            if (grid_.text(r, c) != shown_[static_cast<size_t>(r)][static_cast<size_t>(c)])
                return false;
    const int row = std::clamp(grid_.row(), 1, grid_.rows() - 1);
    const qint32 key = isEstimateRow(row) ? rowKey(row) : 0;
    int position = -1;
    try {
        if (filter_.active()) {
            // What others added or renamed is filtered as the own rows are.
            filter_.reload(*shared_.DB_Main);
            reopenList();
            lblMsg_ = filterMessage(filter_.total(), rs_->recordCount());
        } else {
            rs_->requery();
        }
        if (key != 0 && rs_->recordCount() > 0) {
            int i = 0;
            for (rs_->moveFirst(); !rs_->eof() && position < 0; rs_->moveNext(), ++i)
                if (rs_->field("key1").toLong() == key)
                    position = i;
        }
    } catch (const std::exception &e) {
        showError(e);
        return true;
    }
    if (position >= 0)
        page_ = position / kPageRows + 1;
    page_ = std::clamp(page_, 1, rs_->recordCount() / kPageRows + 1);
    sb_DispList();
    selectWholeRow(position >= 0 ? position % kPageRows + 1 : row);
    host_.refresh();
    return true;
}

void IndexSession::takeTotals(const U1Closing &closing)
{
    U1_Rt1 = closing.U1_Rt1;
    U1_Rt2 = closing.U1_Rt2;
    // The totals belong to the estimate the editor had open, whatever row
    // of the list shows it now.
    const qint32 key = closing.estimate.key;
    int row = 0;
    for (int r = 1; r <= kPageRows && r < grid_.rows() && row == 0; ++r)
        if (rowKey(r) == key)
            row = r;
    try {
        Transaction tx(*shared_.DB_Main);
        if (row != 0) {
            sb_GetCurRec(row);
        } else {
            rs_->moveFirst();
            while (!rs_->eof() && rs_->field("key1").toLong() != key)
                rs_->moveNext();
            if (rs_->eof())
                throw recordDeletedError();
        }
        rs_->edit();
        if (row != 0)
            rs_->setField("knm", padBytes(grid_.text(row, 1), 60));
        rs_->setField("kn1", closing.U1_Kn1);
        rs_->setField("kn2", closing.U1_Kn2);
        rs_->setField("int0", qint64(closing.U1_RowCnt));
        rs_->setField("int1", qint64(closing.U1_Rt1));
        rs_->setField("int2", qint64(closing.U1_Rt2));
        rs_->setField("dt3", dateText(today()));
        rs_->setField("bk2", shared_.Co_Name);
        rs_->update();
        tx.commit();
        if (row != 0) {
            showCell(row, 2, Format(closing.U1_Kn1, kAmountMask));
            showCell(row, 3, Format(closing.U1_Kn2, kAmountMask));
            showCell(row, 4, Format(qint64(closing.U1_RowCnt), QStringLiteral("##,##0")));
            showCell(row, 6, rs_->field("dt3").toString());
            showTaxTotal(row);
            dirty_[static_cast<size_t>(row)] = false;
        }
    } catch (const std::exception &e) {
        rs_->cancelUpdate();
        reportFailure(e);
    }
}

bool IndexSession::unload()
{
    if (shared_.formsLoaded > 2)
        return false;
    if (rs_) {
        sb_WriteUIdx();
        rs_.reset();
    }
    shared_.DB_Main.reset();
    return true;
}

void IndexSession::showError(const std::exception &e) { rz::showError(prompts_, e); }

}  // namespace rz
