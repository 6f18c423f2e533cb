// The procedures of the estimate index window without any widget: the list of
// estimates twenty to a page, paging, the command dispatch, the index record
// operations and the detail frame. The window FrmUidx draws this state.
#pragma once
#include "breakdown/u1handover.h"
#include "indexfilter.h"
#include "store/recordset.h"
#include "store/shared.h"
#include "termssession.h"
#include "ui/grid.h"
#include "ui/prompts.h"

#include <QDate>
#include <array>
#include <functional>
#include <memory>

namespace rz {

// What the procedures need from the window around them.
class IndexHost {
public:
    virtual ~IndexHost() = default;
    virtual void focusGrid() = 0;
    virtual void focusFrameBox(int box) = 0;  // 0..6 boxes, 7 = ＯＫ, -1 = キャンセル
    virtual void closeWindow() = 0;
    // Window coordinates in twips to global screen pixels, for popup menus.
    virtual QPoint globalPointFromTwips(int x, int y) const = 0;
    virtual void refresh() = 0;  // labels, frame and buttons changed
    // Opens the breakdown editor on the estimate; false when none can be opened.
    virtual bool openEditor(const U1Opening &opening, const QString &caption) = 0;
    // Shows the 見積条件 dialog on the session, modal, until the user closes it.
    virtual void showTerms(TermsSession &terms, const QString &caption) = 0;
    // F9: the filter's box shown, with the focus.
    virtual void showFilter() {}
};

class IndexSession {
public:
    static constexpr int kPageRows = 20;
    static constexpr int kFrameBoxes = 7;
    // The list's columns: the eight of the estimate list and, last and
    // hidden until 画面 (F5) shows it in the amount column's place, the
    // total with tax (税込金額) of each estimate.
    static constexpr int kColumns = 9, kTaxColumn = 8;
    // What the amount place shows; 画面 (F5) goes on to the next.
    enum AmountShown { EstimateAmount, BudgetAmount, TaxTotal };
    // Layout of the window in twips, used to place the popup menu and the frame.
    static constexpr int kButtonTop = 0, kButtonHeight = 375, kButtonWidth = 975;
    static constexpr int kGridTop = 480, kGridLeft = 120;
    static constexpr int kFrameHeight = 2775;
    static int buttonLeft(int index);  // Command1(index)

    IndexSession(Shared &shared, Prompts &prompts, IndexHost &host);
    ~IndexSession();

    // Form_Load: opens DB_Path; false (after the message) when it cannot.
    bool load();
    // Form_Unload: false when an editor is still open.
    bool unload();
    // The editor closed: the list takes over what it handed back.
    void editorClosed(const U1Closing &closing);
    // Another program changed the list of estimates: reads it again with the
    // cursor on the estimate it was on (by its key; on the same row when that
    // estimate is gone). False, doing nothing, while the user is in the
    // middle of something a new list would disturb: a cell typed into and not
    // yet written back, the detail frame, an open editor; ask again later.
    bool showOthersChanges();

    void Command1_Click(int index);
    void Command2_Click(int index);
    // Grid1 KeyDown; true when the key was taken.
    bool gridKeyDown(int qtKey);
    // The grid got the focus (a click or a move of the cursor).
    void gridFocused();
    void gridCursorMoved(int row);

    // The filter (F9): the list narrowed to the estimates holding the text,
    // from page 1, the message line saying how many of how many; an empty
    // text or clearFilter (Esc) shows every estimate again, the cursor on
    // the estimate it was on.
    void setFilter(const QString &text);
    void clearFilter();
    const IndexFilter &filter() const { return filter_; }
    static QString filterMessage(int total, int shown);

    // Detail frame.
    void ComFrameOk_Click();
    void ComFrameCancel_Click();
    bool TxtFrame_KeyDown(int box, int qtKey);
    static int frameByteLimit(int box);

    Grid &grid() { return grid_; }
    const Grid &grid() const { return grid_; }
    int page() const { return page_; }
    bool budgetShown() const { return amountShown_ == BudgetAmount; }
    AmountShown amountShown() const { return amountShown_; }
    bool copyPending() const { return copyPending_; }
    qint32 rowKey(int r) const { return rowKey_[static_cast<size_t>(r)][0]; }
    qint32 insertKey(int r) const { return rowKey_[static_cast<size_t>(r)][1]; }
    bool dirty(int r) const { return dirty_[static_cast<size_t>(r)]; }
    const QString &lblMsg() const { return lblMsg_; }
    const QString &lblPage() const { return lblPage_; }
    const QString &lblMem() const { return lblMem_; }
    bool command1Enabled(int index) const { return enabled_[static_cast<size_t>(index)]; }

    bool frameVisible() const { return frameVisible_; }
    int frameTop() const { return frameTop_; }
    QString frameText(int box) const { return frameText_[static_cast<size_t>(box)]; }
    void setFrameText(int box, const QString &text);

    // Where the 見積条件 dialog finds and keeps the user's default issuer.
    IssuerDefaults issuerDefaults;

    // The date the program writes (today unless a test sets another clock).
    std::function<QDate()> today = [] { return QDate::currentDate(); };
    static QString dateText(const QDate &d);  // mm-dd-yyyy
    static const char *const kFormatString;
    static const QString kRecordGone;  // a record deleted by another program

private:
    // List and window procedures.
    void sb_MkIdxGrid();
    void sb_DispList();
    void fillPage();  // sb_DispList without its labels; throws
    void sb_ClrRow(int row);
    void sb_GetCurRec(int row);
    void sb_SetRowColor(bool on);
    void sb_ChgDsp();
    bool sb_OpenU1();  // false when no editor could be opened
    void fillRow(int r);
    void selectWholeRow(int row);
    bool isEstimateRow(int row) const;

    // Record operations.
    // False when the rows could not be written (the failure was told) or a
    // row's estimate was gone (the list was filled anew): the command that
    // asked goes no further, so that one command tells one failure and never
    // works on a row that now shows another estimate.
    bool sb_WriteUIdx();
    void sb_WriteRec(int row, int mode);
    void sb_IdxRecClr();
    void sb_CopyMenu();
    void PU3_Copy_Click();
    void PU3_Paste_Click();
    void sb_TblCopy();
    void sb_Delete(int row);
    void sb_Recalc();
    void sb_UpdateIdx();
    void sb_Terms(int row);  // the 見積条件 dialog on the row's estimate
    // The total with tax of the estimate, as the list shows it.
    QString totalWithTax(qint32 key) const;
    // The row's 税込金額 cell, worked out only while the list shows it.
    void showTaxTotal(int row);
    void showError(const std::exception &e);
    // Shows the failure; a record another program deleted meanwhile also
    // brings the list up to date, so no command works on a row that is gone.
    void reportFailure(const std::exception &e);
    void requeryAndShow();
    // The list read again through its statement (all, or the filter's).
    void reopenList();
    // The estimate's record gets the totals the editor handed back.
    void takeTotals(const U1Closing &closing);
    // Grid text that also records what the row showed of its record: the
    // write-back only writes a cell the window itself changed, never an
    // older copy over another program's change.
    void showCell(int row, int col, const QString &text);

    Shared &shared_;
    Prompts &prompts_;
    IndexHost &host_;
    Grid grid_;
    std::unique_ptr<Recordset> rs_;
    IndexFilter filter_;
    int page_ = 1;
    int row_ = 1;
    AmountShown amountShown_ = EstimateAmount;
    bool copyPending_ = false;
    qint32 copySourceKey_ = 0;
    QString sourceTable_, targetTable_;
    // The top-level rates of the estimate opened or closed last: an estimate
    // whose rates are Null is opened with them.
    int U1_Rt1 = 0, U1_Rt2 = 0;
    std::array<std::array<qint32, 2>, 22> rowKey_{};
    std::array<std::array<QString, kColumns>, 22> shown_{};
    QList<qint32> reportedUnreadable_;  // estimates whose unreadable values were reported
    std::array<bool, 22> dirty_{};
    std::array<bool, 12> enabled_{};
    QString lblMsg_, lblPage_, lblMem_;
    bool frameVisible_ = false;
    int editorsOpen_ = 0;
    int commandsUnderWay_ = 0;
    int frameRow_ = 0;
    int frameTop_ = 0;
    std::array<QString, 7> frameText_;
};

}  // namespace rz
