// The breakdown editor window.
#include "frmu1.h"

#include "celltyping.h"
#include "frmfind.h"
#include "master/masterlistmodel.h"
#include "ui/gridview.h"
#include "ui/listwindow.h"
#include "ui/uifonts.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QVBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>

namespace rz {

namespace {
const ButtonText kButtons[12] = {
    {"内訳(F1)", "下の階層データの表示"}, {"作成(F2)", "新しい行の作成"},   {"複写(F3)", "行の複写"},
    {"削除(F4)", "行の削除"},             {"画面(F5)", "数単金の表示切替"}, {"計算(F6)", "掛率計算、再計算処理"},
    {"単価(F7)", "単価マスタから選択"},   {"印刷(F8)", "印刷処理メニューの表示"}, {"検索(F9)", "名称・規格・備考で行を探す"},
    {"編集(F10)", "各種編集処理"},        {"", ""},                         {"戻る(F12)", "上の階層へ戻る"}};

// Layout in twips; the bottom line keeps its distance from the lower edge.
constexpr int kLabelTop = 420, kLabelHeight = 300, kGridTop = 780, kBottomFromEdge = 735;

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, bool framed = false)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    if (framed)
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return l;
}
}  // namespace

frmU1::frmU1(Shared &shared, Prompts &prompts, const U1Opening &opening, QWidget *parent)
    : QWidget(parent), shared_(shared), session_(shared, prompts, *this, opening)
{
    ++shared_.formsLoaded;
    setObjectName(QStringLiteral("frmU1"));
    setWindowTitle(QStringLiteral("内訳"));
    setFont(gridFont());
    move(0, 0);

    Command1 = makeCommandButtons(this, kButtons, U1Session::buttonLeft, U1Session::kButtonTop, U1Session::kButtonWidth,
                                  U1Session::kButtonHeight, [this](int i) { session_.Command1_Click(i); });

    LblLevel = makeLabel(this, "LblLevel", QString(), true);
    LblLevel->setAlignment(Qt::AlignCenter);
    LblLevel->setGeometry(twipsRect(0, kLabelTop, 480, kLabelHeight));
    LblUTitle = makeLabel(this, "LblUTitle", QString());
    LblUTitle->setGeometry(twipsRect(600, kLabelTop, 5400, kLabelHeight));
    Label13 = makeLabel(this, "Label13", QStringLiteral("合計"));
    Label13->setGeometry(twipsRect(6120, kLabelTop, 540, kLabelHeight));
    LblTotal = makeLabel(this, "LblTotal", QStringLiteral("##,###,###,###"), true);
    LblTotal->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LblTotal->setGeometry(twipsRect(6660, kLabelTop, 1860, kLabelHeight));
    LblTotal->setCursor(Qt::PointingHandCursor);
    LblTotal->installEventFilter(this);
    Label11 = makeLabel(this, "Label11", QStringLiteral("掛率"));
    Label11->setGeometry(twipsRect(8640, kLabelTop, 540, kLabelHeight));
    LblRitu = makeLabel(this, "LblRitu", QStringLiteral("100"), true);
    LblRitu->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LblRitu->setGeometry(twipsRect(9180, kLabelTop, 600, kLabelHeight));
    LblRitu->setCursor(Qt::PointingHandCursor);
    LblRitu->installEventFilter(this);
    LblMem = makeLabel(this, "LblMem", QStringLiteral("100%"));
    LblMem->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LblMem->setGeometry(twipsRect(10800, kLabelTop, 900, kLabelHeight));

    Grid1 = new GridView(&session_.grid(), this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    // The overlay keeps the focus; a click on the grid only moves the cursor.
    Grid1->setFocusPolicy(Qt::NoFocus);
    Grid1->installEventFilter(this);
    Grid1->viewport()->installEventFilter(this);
    connect(static_cast<GridView *>(Grid1), &GridView::cellActivated, this, [this](int row, int col) {
        if (!syncing_)
            session_.gridCellEntered(row, col);
    });
    connect(Grid1->horizontalScrollBar(), &QScrollBar::valueChanged, this, &frmU1::positionOverlay);
    connect(Grid1->verticalScrollBar(), &QScrollBar::valueChanged, this, &frmU1::positionOverlay);

    // The editing overlay: laid over the current cell, it takes every key.
    TxtEdit = new QLineEdit(this);
    TxtEdit->setObjectName(QStringLiteral("TxtEdit"));
    TxtEdit->setFrame(false);
    // Drawn like the grid's cursor cell, with a line round it, so the cell
    // being typed into stays easy to find.
    TxtEdit->setStyleSheet(QStringLiteral(
        "QLineEdit#TxtEdit { border: 1px solid palette(highlight); background: #FFFFC0; padding: 0px; }"));
    TxtEdit->setFont(gridFont());
    TxtEdit->setContextMenuPolicy(Qt::NoContextMenu);
    TxtEdit->installEventFilter(this);
    TxtEdit->hide();
    connect(TxtEdit, &QLineEdit::textEdited, this, [this](const QString &text) { session_.setOverlayText(text); });
    setFocusProxy(TxtEdit);
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setCompleter(nullptr);  // a typed digit is a shortcut, never the start of a completion
    Combo1->setMaxVisibleItems(unitList().size());
    // A column four bytes wide has no room for an arrow: the box is drawn as
    // the text overlay is, and the list opens with Alt+Down or a double click.
    Combo1->setStyleSheet(QStringLiteral(
        "QComboBox#Combo1 { border: 1px solid palette(highlight); background: #FFFFC0; padding: 0px; }"
        "QComboBox#Combo1::drop-down { width: 0px; border: none; }"
        "QComboBox#Combo1::down-arrow { image: none; width: 0px; }"));
    Combo1->setToolTip(QStringLiteral("単位一覧: Alt+↓ またはダブルクリック"));
    Combo1->addItems(unitList());
    int widest = 0;
    for (const QString &unit : unitList())
        widest = std::max(widest, Combo1->fontMetrics().horizontalAdvance(unit));
    Combo1->view()->setMinimumWidth(widest + 24);
    Combo1->setEditText(QStringLiteral("xxxx"));
    Combo1->lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
    Combo1->lineEdit()->installEventFilter(this);
    Combo1->installEventFilter(this);
    Combo1->hide();
    connect(Combo1, &QComboBox::editTextChanged, this, [this](const QString &text) {
        if (!placing_ && session_.view().overlay.combo)
            session_.setOverlayText(text);
    });

    LblMsg = makeLabel(this, "LblMsg", QStringLiteral("Messege Line"));
    Label14 = makeLabel(this, "Label14", QStringLiteral("Page"));
    LblPage = makeLabel(this, "LblPage", QStringLiteral("100/100"), true);
    LblPage->setAlignment(Qt::AlignCenter);
    Command2 = makePageButtons(this, [this](int i) { session_.Command2_Click(i); });
    makePickPanel();
    resize(sizeHint());
    layoutBottom();
}

frmU1::~frmU1()
{
    if (counted_)
        --shared_.formsLoaded;
}

QSize frmU1::sizeHint() const
{
    // The window's design height, or more when the rows of the grid font are
    // taller than the design assumed: a whole page stays in sight.
    const int page = Grid1 ? pixelsToTwips(static_cast<GridView *>(Grid1)->heightForRows(U1Session::kPageRows)) : 0;
    const int height = std::max(U1Session::kHeight, kGridTop + page + 60 + kBottomFromEdge);
    return QSize(twipsToPixels(U1Session::kWidth), twipsToPixels(height));
}

bool frmU1::start()
{
    const bool ok = session_.Form_Load();
    static_cast<GridView *>(Grid1)->applyGridGeometry();
    refresh();
    return ok;
}

void frmU1::layoutBottom()
{
    const int w = pixelsToTwips(width()), h = pixelsToTwips(height());
    const int bottom = std::max(kGridTop + 600, h - kBottomFromEdge);
    // The grid spans the window less 150 twips, down to the bottom line.
    Grid1->setGeometry(twipsRect(0, kGridTop, std::max(600, w - 150), bottom - kGridTop - 60));
    LblMsg->setGeometry(twipsRect(0, bottom, 6000, kLabelHeight));
    Label14->setGeometry(twipsRect(6960, bottom, 540, kLabelHeight));
    LblPage->setGeometry(twipsRect(7500, bottom, 1080, kLabelHeight));
    placePageButtons(Command2, bottom);
}

void frmU1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutBottom();
    positionOverlay();
    if (FraPick->isVisible())
        placePickPanel();
}

void frmU1::syncViewCursor()
{
    syncing_ = true;
    static_cast<GridView *>(Grid1)->followCursor();
    syncing_ = false;
}

void frmU1::refresh()
{
    const U1View &v = session_.view();
    LblLevel->setText(v.LblLevel);
    LblUTitle->setText(v.LblUTitle);
    LblPage->setText(v.LblPage);
    LblMem->setText(v.LblMem);
    LblMsg->setText(v.LblMsg);
    LblTotal->setText(session_.calc().LblTotal());
    LblRitu->setText(session_.calc().LblRitu());
    syncViewCursor();
}

void frmU1::closeWindow() { closeChildFrame(this); }

void frmU1::closeSoon()
{
    // Queued, so the procedure that found the estimate gone ends first; the
    // call is dropped should the window go before it.
    QMetaObject::invokeMethod(
        this, [this] {
            if (isVisible())
                closeWindow();
        },
        Qt::QueuedConnection);
}

QPoint frmU1::globalPointFromTwips(int x, int y) const { return rz::globalPointFromTwips(this, x, y); }

void frmU1::setWindowWidth(int twips)
{
    const int px = twipsToPixels(twips);
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->resize(px + (sub->width() - width()), sub->height());
    else
        resize(px, height());
}

void frmU1::placeOverlay()
{
    syncViewCursor();
    const U1Overlay &o = session_.view().overlay;
    placing_ = true;
    if (o.combo) {
        TxtEdit->hide();
        Combo1->lineEdit()->setReadOnly(o.readOnly);
        Combo1->setAttribute(Qt::WA_InputMethodEnabled, o.inputMethod);
        Combo1->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, o.inputMethod);
        Combo1->setEditText(o.text);
        Combo1->lineEdit()->setCursorPosition(int(o.text.size()));
        Combo1->show();
        Combo1->raise();
        setFocusProxy(Combo1);
        Combo1->setFocus();
    } else {
        Combo1->hide();
        TxtEdit->setReadOnly(o.readOnly);
        // The input method follows the column: on for the name and the
        // specification, off for the remark and every number.
        TxtEdit->setAttribute(Qt::WA_InputMethodEnabled, o.inputMethod);
        TxtEdit->setAcceptDrops(!o.numbers && !o.readOnly);
        TxtEdit->setAlignment(o.numbers ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
        TxtEdit->setText(o.text);
        if (o.numbers)
            TxtEdit->selectAll();
        else
            TxtEdit->setCursorPosition(int(o.text.size()));
        TxtEdit->show();
        TxtEdit->raise();
        setFocusProxy(TxtEdit);
        TxtEdit->setFocus();
    }
    placing_ = false;
    positionOverlay();
}

void frmU1::positionOverlay()
{
    const U1Overlay &o = session_.view().overlay;
    QWidget *box = o.combo ? static_cast<QWidget *>(Combo1) : TxtEdit;
    if (!box->isVisibleTo(this))
        return;
    const QRect cell = Grid1->visualRect(Grid1->model()->index(o.row, o.col));
    if (!cell.isValid())
        return;
    // The cell as the grid draws it, less 40 twips at the top and 20 more in
    // height, so the box covers the cell's lines.
    const QPoint at = Grid1->viewport()->mapTo(this, cell.topLeft());
    const int top = at.y() - twipsToPixels(40);
    // The unit box stays inside its column, so the unit price beside it is
    // never covered; its list opens wider.
    if (o.combo)
        Combo1->setGeometry(at.x(), top, cell.width(), cell.height() + twipsToPixels(20));
    else
        TxtEdit->setGeometry(at.x(), top, cell.width(), cell.height() + twipsToPixels(20));
}

void frmU1::makePickPanel()
{
    FraPick = new QFrame(this);
    FraPick->setObjectName(QStringLiteral("FraPick"));
    FraPick->setFrameStyle(QFrame::Panel | QFrame::Raised);
    FraPick->setAutoFillBackground(true);
    TxtPick = new QLineEdit(FraPick);
    TxtPick->setObjectName(QStringLiteral("TxtPick"));
    TxtPick->setPlaceholderText(QStringLiteral("名称・規格・分類（かな・カナ・半角・全角を問わず）"));
    TxtPick->installEventFilter(this);
    connect(TxtPick, &QLineEdit::textEdited, this, [this](const QString &text) { session_.master().setQuery(text); });
    LblPick = new QLabel(FraPick);
    pickModel_ = new MasterListModel({MasterField::Knm, MasterField::Mei, MasterField::Tn1, MasterField::Tk1,
                                      MasterField::Tk2, MasterField::Dai, MasterField::Chu},
                                     this);
    LstPick = new QTableView(FraPick);
    LstPick->setObjectName(QStringLiteral("LstPick"));
    LstPick->setModel(pickModel_);
    // The box keeps the focus; the list only shows and takes the mouse.
    LstPick->setFocusPolicy(Qt::NoFocus);
    LstPick->setSelectionBehavior(QAbstractItemView::SelectRows);
    LstPick->setSelectionMode(QAbstractItemView::SingleSelection);
    LstPick->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LstPick->verticalHeader()->hide();
    LstPick->verticalHeader()->setDefaultSectionSize(LstPick->fontMetrics().height() + 4);
    LstPick->horizontalHeader()->setStretchLastSection(true);
    connect(LstPick, &QTableView::clicked, this, [this](const QModelIndex &i) { session_.master().setCurrent(i.row()); });
    connect(LstPick, &QTableView::doubleClicked, this, [this](const QModelIndex &i) {
        session_.master().setCurrent(i.row());
        session_.master().accept();
    });
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("単価マスタ"), FraPick));
    top->addWidget(TxtPick, 1);
    top->addWidget(LblPick);
    auto *layout = new QVBoxLayout(FraPick);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(LstPick, 1);
    layout->addWidget(new QLabel(QStringLiteral("Enter・ダブルクリック: 行に入れる　Esc: 閉じる"), FraPick));
    FraPick->hide();
}

void frmU1::placePickPanel()
{
    const QRect grid = Grid1->geometry();
    const QRect cell = Grid1->visualRect(Grid1->model()->index(session_.grid().row(), 1));
    const int cursorY = Grid1->viewport()->mapTo(this, cell.center()).y();
    const int height = std::max(grid.height() * 11 / 20, 160);
    // Over the half of the grid that does not hold the cursor row, so that
    // the row the item goes into stays in sight.
    const int top = cursorY < grid.center().y() ? grid.bottom() - height : grid.top();
    FraPick->setGeometry(grid.left() + 8, top, std::min(grid.width() - 16, twipsToPixels(11000)), height);
}

void frmU1::showFind()
{
    // Window-modal and open at once: the editor's keys wait until it is left.
    auto *find = new FrmFind(session_.find(), this);
    find->setAttribute(Qt::WA_DeleteOnClose);
    find->onDone = [this] {
        session_.sb_Editx();
        refresh();
    };
    find->open();
    find->TxtFind->setFocus();
}

void frmU1::pickChanged()
{
    const U1Master &m = session_.master();
    if (!m.isOpen()) {
        FraPick->hide();
        pickShown_ = -1;
        return;
    }
    if (!FraPick->isVisible()) {
        // Columns as wide as the grid's for the same texts (both sets' widths
        // as designed, whichever is shown), the major category as the specification.
        const std::array<int, 21> &designed = session_.view().ColW;
        const int widths[] = {U1Session::ColKnm, U1Session::ColMei, U1Session::ColTn1, U1Session::ColTk1,
                              U1Session::ColTk2, U1Session::ColMei};
        for (int c = 0; c < 6; ++c)
            LstPick->setColumnWidth(c, std::max(48, twipsToPixels(designed[size_t(widths[c])]) + 8));
        placePickPanel();
        TxtPick->setText(m.query());
        FraPick->show();
        FraPick->raise();
        TxtPick->setFocus();
    }
    // The list is filled again only when the results are new ones.
    if (m.searches() != pickShown_) {
        pickModel_->show(m.index(), m.results());
        pickShown_ = m.searches();
        LblPick->setText(QStringLiteral("%1 件").arg(m.results().size()));
    }
    if (!m.results().empty()) {
        const QModelIndex at = pickModel_->index(m.current(), 0);
        LstPick->setCurrentIndex(at);
        LstPick->scrollTo(at);
    }
}

bool frmU1::pickKey(QKeyEvent *key)
{
    U1Master &m = session_.master();
    const int page = std::max(1, LstPick->viewport()->height() / std::max(1, LstPick->verticalHeader()->defaultSectionSize()) - 1);
    switch (key->key()) {
    case Qt::Key_Up: m.moveCurrent(-1); return true;
    case Qt::Key_Down: m.moveCurrent(1); return true;
    case Qt::Key_PageUp: m.moveCurrent(-page); return true;
    case Qt::Key_PageDown: m.moveCurrent(page); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: m.accept(); return true;
    case Qt::Key_Escape:
    case Qt::Key_F7: m.cancel(); return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return true;  // the box keeps the focus while the panel is open
    default:
        // The other function keys wait until the panel is closed.
        return key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F12;
    }
}

void frmU1::processEvents() { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

bool frmU1::overlayKey(QObject *box, QKeyEvent *key)
{
    const bool combo = box != TxtEdit;
    QLineEdit *edit = combo ? Combo1->lineEdit() : TxtEdit;
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
        return true;  // the overlay keeps the focus
    const bool forwarded = combo ? session_.Combo1_KeyDown(key->key(), key->modifiers(), edit->cursorPosition())
                                 : session_.TxtEdit_KeyDown(key->key(), key->modifiers(), edit->cursorPosition());
    if (forwarded)
        return true;
    // The character of the key as the typing rules see it; none for keys
    // that only edit or move (Delete, Home, Ctrl+V...).
    QChar ch;
    if (key->key() == Qt::Key_Backspace)
        ch = QChar(kBackspaceKey);
    else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        ch = QChar(kEnterKey);
    else if (!key->text().isEmpty() && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
             key->text().at(0).unicode() >= 0x20 && key->text().at(0).unicode() != 0x7f)
        ch = key->text().at(0);
    if (combo)
        return session_.Combo1_KeyPress(ch);
    if (!session_.TxtEdit_KeyPress(ch, TxtEdit->hasSelectedText()))
        return false;
    const U1Overlay &o = session_.view().overlay;
    if (o.numbers && !ch.isNull()) {
        // The number filter built the text: caret at its end.
        TxtEdit->setText(o.text);
        TxtEdit->setCursorPosition(int(o.text.size()));
    }
    return true;
}

void frmU1::rightButtonUp(QWidget *from, const QPoint &pos)
{
    const QPoint inGrid = from->mapTo(Grid1, pos);
    session_.Grid1_MouseUp(Qt::RightButton, pixelsToTwips(inGrid.x()), pixelsToTwips(inGrid.y()));
}

bool frmU1::eventFilter(QObject *watched, QEvent *event)
{
    const U1Overlay &overlay = session_.view().overlay;
    const bool overlayBox = watched == TxtEdit || watched == Combo1->lineEdit() || watched == Combo1;
    switch (event->type()) {
    case QEvent::KeyPress:
        if (watched == TxtPick)
            return pickKey(static_cast<QKeyEvent *>(event)) || QWidget::eventFilter(watched, event);
        if (watched == Grid1) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (session_.sb_GridKeyDown(key->key(), key->modifiers()))
                return true;
        } else if (watched == TxtEdit || watched == Combo1) {
            // The combo box holds the focus and hands keys to its line itself.
            return overlayKey(watched, static_cast<QKeyEvent *>(event));
        }
        break;
    case QEvent::FocusIn:
        // Back from another window or child window: the box starts again
        // from its cell when what it held was committed on the way out.
        if (!placing_ && session_.view().loaded && !overlay.EditFlg &&
            static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason &&
            (watched == TxtEdit || watched == Combo1))
            session_.sb_Editx();
        break;
    case QEvent::FocusOut:
        // A popup (the unit list, a menu) takes the focus only for a moment;
        // the boxes' own moves while being placed are not the user leaving.
        // TxtEdit_LostFocus and Combo1_LostFocus commit what the box holds.
        if (!placing_ && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason &&
            (watched == TxtEdit || (watched == Combo1 && !Combo1->view()->isVisible())))
            session_.sb_TextToGrid();
        break;
    case QEvent::InputMethod:
        // No input method may put text into a number or a refused cell.
        if (watched == TxtEdit && (overlay.numbers || overlay.readOnly))
            return true;
        if (watched == Combo1 && overlay.readOnly)
            return true;
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (watched == Combo1->lineEdit() && event->type() == QEvent::MouseButtonDblClick &&
            mouse->button() == Qt::LeftButton) {
            Combo1->showPopup();
            return true;
        }
        // The middle button pastes the selection: never into a number.
        if (watched == TxtEdit && mouse->button() == Qt::MiddleButton && overlay.numbers)
            return true;
        if (mouse->button() == Qt::RightButton && (watched == Grid1->viewport() || overlayBox)) {
            if (event->type() == QEvent::MouseButtonRelease)
                rightButtonUp(static_cast<QWidget *>(watched), mouse->position().toPoint());
            return watched != Grid1->viewport() || event->type() == QEvent::MouseButtonRelease;
        }
        if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
            if (watched == LblTotal) {
                session_.calc().LblTotal_Click();
                return true;
            }
            if (watched == LblRitu) {
                session_.calc().LblRitu_Click();
                return true;
            }
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void frmU1::closeEvent(QCloseEvent *event)
{
    if (!session_.Form_Unload()) {
        event->ignore();
        return;
    }
    event->accept();
    if (counted_) {
        // Counted out now, not when the object goes: the index window may be
        // asked to close before this window is deleted.
        --shared_.formsLoaded;
        counted_ = false;
        emit closed();
        if (onClosed)
            onClosed(session_.closing());
    }
}

void frmU1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    positionOverlay();
    if (focusProxy())
        focusProxy()->setFocus();
}

void frmU1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow() || !session_.view().loaded)
        return;
    // Inside the main window only the child window in front is activated.
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        if (sub->mdiArea() && sub->mdiArea()->activeSubWindow() != sub)
            return;
    session_.Form_Activate();
}

}  // namespace rz
