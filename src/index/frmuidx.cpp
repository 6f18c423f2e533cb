// The estimate index window: its controls, their layout, and the events it forwards.
#include "frmuidx.h"

#include "frmterms.h"

#include "store/changewatch.h"
#include "store/database.h"
#include "store/sjis.h"
#include "ui/gridview.h"
#include "ui/listwindow.h"
#include "ui/uifonts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace rz {

namespace {
const ButtonText kButtons[12] = {
    {"内訳（F1）", "内訳書を開く"},          {"作成(F2)", "新しい行（見積書）を作成する"},
    {"複写(F3)", "行（見積書）の複写"},      {"削除(F4)", "行（見積書）の削除"},
    {"画面(F5)", "金額の表示切替"},          {"計算(F6)", "金額の再計算"},
    {"条件(F7)", "見積条件と発行者の入力"},   {"印刷(F8)", "印刷処理メニューの表示"},
    {"", ""},                                {"", ""},
    {"表紙(F11)", "表紙データの入力"},       {"終了(F12)", "閉じる"}};
const char *const kFrameLabels[8] = {"工事名称", "発注者", "住所", "備考", "受注日", "着工日", "完成日", "(YYYY-MM-DD)"};

// Layout in twips: the window as designed, the grid 210 twips short of the
// right edge, and the line of labels and page buttons kept at its distance
// from the lower edge, so that the grid takes what a larger window gives.
constexpr int kWidth = 12030, kHeight = 6495, kGridRightMargin = 210, kLabelGap = 90, kBottomFromEdge = 795;
constexpr int kLabelHeight = 300;

// Shown when a name is typed into the list: it is entered in the detail frame.
const char *const kNameHint = "工事名称は 表紙(F11) で入力してください";
}  // namespace

FrmUidx::FrmUidx(Shared &shared, Prompts &prompts, QWidget *parent)
    : QWidget(parent), shared_(shared), session_(shared, prompts, *this)
{
    ++shared_.formsLoaded;
    setObjectName(QStringLiteral("FrmUidx"));
    setWindowTitle(QStringLiteral("工事名称一覧"));
    setAttribute(Qt::WA_DeleteOnClose);

    Command1 = makeCommandButtons(this, kButtons, IndexSession::buttonLeft, IndexSession::kButtonTop,
                                  IndexSession::kButtonWidth, IndexSession::kButtonHeight,
                                  [this](int i) { session_.Command1_Click(i); });

    Grid1 = new GridView(&session_.grid(), this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->installEventFilter(this);
    // Keys typed into the window go to the list, as when the grid has the focus.
    setFocusProxy(Grid1);
    connect(static_cast<GridView *>(Grid1), &GridView::cellActivated, this, [this](int row, int) {
        if (!syncing_)
            session_.gridCursorMoved(row);
    });
    connect(&session_.grid(), &Grid::widthsChanged, this, &FrmUidx::applyWidths);

    LblMsg = new QLabel(this);
    LblMsg->setObjectName(QStringLiteral("LblMsg"));
    Label14 = new QLabel(QStringLiteral("Page"), this);
    LblPage = new QLabel(this);
    LblPage->setObjectName(QStringLiteral("LblPage"));
    LblMem = new QLabel(this);
    LblMem->setObjectName(QStringLiteral("LblMem"));
    Command2 = makePageButtons(this, [this](int i) { session_.Command2_Click(i); });
    TxtFilter = new QLineEdit(this);
    TxtFilter->setObjectName(QStringLiteral("TxtFilter"));
    TxtFilter->setPlaceholderText(QStringLiteral("絞り込み(F9)"));
    TxtFilter->setToolTip(QStringLiteral("工事名称・発注者・住所・備考で一覧を絞り込む　Esc: 解除"));
    TxtFilter->setGeometry(twipsRect(IndexSession::buttonLeft(8), IndexSession::kButtonTop,
                                     IndexSession::buttonLeft(9) - IndexSession::buttonLeft(8) + IndexSession::kButtonWidth,
                                     IndexSession::kButtonHeight));
    TxtFilter->installEventFilter(this);
    connect(TxtFilter, &QLineEdit::textEdited, this, [this](const QString &text) { session_.setFilter(text); });
    buildFrame();
    resize(sizeHint());
    layoutWindow();
}

void FrmUidx::layoutWindow()
{
    const int w = pixelsToTwips(width()), h = pixelsToTwips(height());
    const int bottom = std::max(IndexSession::kGridTop + 600, h - kBottomFromEdge);
    Grid1->setGeometry(twipsRect(IndexSession::kGridLeft, IndexSession::kGridTop,
                                 std::max(600, w - IndexSession::kGridLeft - kGridRightMargin),
                                 bottom - kLabelGap - IndexSession::kGridTop));
    LblMsg->setGeometry(twipsRect(120, bottom, 6000, kLabelHeight));
    Label14->setGeometry(twipsRect(6300, bottom, 600, kLabelHeight));
    LblPage->setGeometry(twipsRect(6900, bottom, 900, kLabelHeight));
    LblMem->setGeometry(twipsRect(7900, bottom, 900, kLabelHeight));
    placePageButtons(Command2, bottom);
}

void FrmUidx::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutWindow();
}

FrmUidx::~FrmUidx() { --shared_.formsLoaded; }

void FrmUidx::buildFrame()
{
    Frame1 = new QGroupBox(QStringLiteral("詳細(OKで更新)"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setAutoFillBackground(true);
    Frame1->setGeometry(twipsRect(600, 0, 10800, IndexSession::kFrameHeight));
    const int labelW = 1200, boxLeft = 1440;
    const int widths[7] = {6600, 6600, 6600, 3000, 1500, 1500, 1500};
    for (int i = 0; i < 7; ++i) {
        // Boxes 0-3 stand one under the other; the three dates share the last line.
        const bool date = i >= 4;
        const int top = 300 + (date ? 4 : i) * 420;
        const int left = date ? 120 + (i - 4) * 3000 : 120;
        auto *label = new QLabel(QString::fromUtf8(kFrameLabels[i]), Frame1);
        label->setGeometry(twipsRect(left, top, labelW, 330));
        lblLabels[static_cast<size_t>(i)] = label;
        auto *box = new QLineEdit(Frame1);
        box->setObjectName(QStringLiteral("TxtFrame_%1").arg(i));
        box->setGeometry(twipsRect(date ? left + labelW : boxLeft, top, widths[i], 330));
        QPalette pal = box->palette();
        pal.setColor(QPalette::Base, oleColor(0x00FFC0C0));
        box->setPalette(pal);
        box->installEventFilter(this);
        connect(box, &QLineEdit::textEdited, this, [this, i, box](const QString &text) {
            // Keep the box within the bytes its column holds.
            const QString cut = LeftB(text, IndexSession::frameByteLimit(i));
            if (cut != text) {
                const int pos = box->cursorPosition();
                box->setText(cut);
                box->setCursorPosition(std::min(pos, static_cast<int>(cut.size())));
            }
            session_.setFrameText(i, box->text());
        });
        TxtFrame[static_cast<size_t>(i)] = box;
    }
    lblLabels[7] = new QLabel(QString::fromUtf8(kFrameLabels[7]), Frame1);
    lblLabels[7]->setGeometry(twipsRect(9100, 300 + 4 * 420, 1600, 330));
    ComFrameOk = new QPushButton(QStringLiteral("ＯＫ"), Frame1);
    ComFrameOk->setObjectName(QStringLiteral("ComFrameOk"));
    ComFrameOk->setAutoDefault(true);
    ComFrameOk->setGeometry(twipsRect(8400, 300, 1800, 420));
    ComFrameCancel = new QPushButton(QStringLiteral("キャンセル"), Frame1);
    ComFrameCancel->setObjectName(QStringLiteral("ComFrameCancel"));
    ComFrameCancel->setAutoDefault(true);
    ComFrameCancel->setGeometry(twipsRect(8400, 840, 1800, 420));
    connect(ComFrameOk, &QPushButton::clicked, this, [this] { session_.ComFrameOk_Click(); });
    connect(ComFrameCancel, &QPushButton::clicked, this, [this] { session_.ComFrameCancel_Click(); });
    Frame1->hide();
}

bool FrmUidx::start()
{
    const bool ok = session_.load();
    // The total with tax, last in the list's columns, is drawn in the amount
    // columns' place, where 画面 (F5) shows it instead of them.
    QHeaderView *header = Grid1->horizontalHeader();
    if (header->count() > IndexSession::kTaxColumn)
        header->moveSection(header->visualIndex(IndexSession::kTaxColumn), 4);
    applyWidths();
    refresh();
    focusGrid();
    if (ok && shared_.DB_Main) {
        // Estimates others add, rename or delete appear without a command.
        watch_ = shared_.DB_Main->watchChanges();
        connect(watch_.get(), &ChangeWatch::changed, this, [this] {
            othersChanged_ = true;
            showOthersChanges();
        });
        retry_.setInterval(500);
        connect(&retry_, &QTimer::timeout, this, &FrmUidx::showOthersChanges);
    }
    return ok;
}

void FrmUidx::showOthersChanges()
{
    // A message box or menu of the list's own commands runs an event loop of
    // its own: the command is still under way and its rows must stay.
    const bool inTheWay = QApplication::activeModalWidget() || QApplication::activePopupWidget();
    if (othersChanged_ && !inTheWay && session_.showOthersChanges())
        othersChanged_ = false;
    if (othersChanged_ && !retry_.isActive())
        retry_.start();
    else if (!othersChanged_)
        retry_.stop();
}

void FrmUidx::applyWidths()
{
    static_cast<GridView *>(Grid1)->applyGridGeometry();
}

void FrmUidx::syncViewCursor()
{
    syncing_ = true;
    static_cast<GridView *>(Grid1)->followCursor();
    syncing_ = false;
}

void FrmUidx::focusGrid()
{
    Grid1->setFocus();
    session_.gridFocused();
}

void FrmUidx::focusFrameBox(int box)
{
    if (box >= 0 && box < 7)
        TxtFrame[static_cast<size_t>(box)]->setFocus();
    else if (box == 7)
        ComFrameOk->setFocus();
    else
        ComFrameCancel->setFocus();
}

void FrmUidx::closeWindow() { closeChildFrame(this); }

QPoint FrmUidx::globalPointFromTwips(int x, int y) const { return rz::globalPointFromTwips(this, x, y); }

QSize FrmUidx::sizeHint() const
{
    // The design height, or more when the rows of the grid font are taller
    // than the design assumed: a whole page and its header stay in sight.
    const int page = Grid1 ? pixelsToTwips(static_cast<GridView *>(Grid1)->heightForRows(IndexSession::kPageRows)) : 0;
    const int height = std::max(kHeight, IndexSession::kGridTop + page + kLabelGap + kBottomFromEdge);
    return QSize(twipsToPixels(kWidth), twipsToPixels(height));
}

bool FrmUidx::openEditor(const U1Opening &opening, const QString &caption)
{
    return editorOpener ? editorOpener(opening, caption) : false;
}

void FrmUidx::showTerms(TermsSession &terms, const QString &caption)
{
    if (termsShower) {
        termsShower(terms, caption);
        return;
    }
    FrmTerms dialog(terms, caption, this);
    dialog.exec();
}

void FrmUidx::refresh()
{
    LblMsg->setText(session_.lblMsg());
    LblPage->setText(session_.lblPage());
    LblMem->setText(session_.lblMem());
    for (int i = 0; i < 12; ++i)
        Command1[static_cast<size_t>(i)]->setEnabled(session_.command1Enabled(i));
    const bool visible = session_.frameVisible();
    if (visible && !frameWasVisible_) {
        for (int i = 0; i < 7; ++i)
            TxtFrame[static_cast<size_t>(i)]->setText(session_.frameText(i));
        Frame1->move(Frame1->x(), twipsToPixels(session_.frameTop()));
    }
    Frame1->setVisible(visible);
    if (visible)
        Frame1->raise();
    frameWasVisible_ = visible;
    // Esc on the list took the filter off: the box says so.
    if (!session_.filter().active() && !TxtFilter->hasFocus() && !TxtFilter->text().trimmed().isEmpty())
        TxtFilter->clear();
    syncViewCursor();
}

void FrmUidx::showFilter()
{
    TxtFilter->setFocus();
    TxtFilter->selectAll();
}

bool FrmUidx::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Grid1) {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (session_.gridKeyDown(key->key()))
                return true;
            // The list is not typed into: a typed character gets a pointer to
            // where a name is entered (the next command clears it).
            const QString text = key->text();
            if (!text.isEmpty() && text.at(0).isPrint() &&
                !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
                LblMsg->setText(QString::fromUtf8(kNameHint));
                return true;
            }
        } else if (event->type() == QEvent::FocusIn) {
            session_.gridFocused();
        }
    } else if (watched == TxtFilter && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Escape) {
            TxtFilter->clear();
            session_.clearFilter();
            focusGrid();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
            focusGrid();  // the filter stays; the list takes the keys
            return true;
        }
    } else {
        for (int i = 0; i < 7; ++i) {
            if (watched == TxtFrame[static_cast<size_t>(i)] && event->type() == QEvent::KeyPress)
                return session_.TxtFrame_KeyDown(i, static_cast<QKeyEvent *>(event)->key());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FrmUidx::closeEvent(QCloseEvent *event)
{
    if (!session_.unload()) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

void FrmUidx::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    focusGrid();
}

}  // namespace rz
