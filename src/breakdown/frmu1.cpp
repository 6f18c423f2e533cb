// The breakdown editor window.
#include "frmu1.h"

#include "ui/gridview.h"
#include "ui/uifonts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

namespace rz {

namespace {
QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

struct ButtonText {
    const char *caption;
    const char *tip;
};
const ButtonText kButtons[12] = {
    {"内訳(F1)", "下の階層データの表示"}, {"作成(F2)", "新しい行の作成"},   {"複写(F3)", "行の複写"},
    {"削除(F4)", "行の削除"},             {"画面(F5)", "数単金の表示切替"}, {"計算(F6)", "掛率計算、再計算処理"},
    {"", ""},                             {"印刷(F8)", "印刷処理メニューの表示"}, {"", ""},
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

const QStringList &frmU1::unitList()
{
    static const QStringList units{
        QStringLiteral(" ｍ "), QStringLiteral("ｍ2 "), QStringLiteral("ｍ3 "), QStringLiteral(" 式 "),
        QStringLiteral(" Kg "), QStringLiteral("か所"), QStringLiteral(" 個 "), QStringLiteral(" 枚 "),
        QStringLiteral(" 組 "), QStringLiteral(" 本 "), QStringLiteral(" 台 "), QStringLiteral(" 〃 "),
        QStringLiteral(" ｔ "), QStringLiteral("箇所"), QStringLiteral("カ所"), QStringLiteral("ヶ所"),
        QStringLiteral("個所"), QStringLiteral(" 基 "), QStringLiteral(" 組 "), QStringLiteral(" 人 "),
        QStringLiteral("人日"), QStringLiteral("人月")};
    return units;
}

frmU1::frmU1(Shared &shared, Prompts &prompts, QWidget *parent)
    : QWidget(parent), shared_(shared), session_(shared, prompts, *this)
{
    ++shared_.formsLoaded;
    setObjectName(QStringLiteral("frmU1"));
    setWindowTitle(QStringLiteral("内訳"));
    setFont(gridFont());
    move(0, 0);
    resize(sizeHint());

    for (int i = 0; i < 12; ++i) {
        if (U1Session::buttonLeft(i) < 0)
            continue;
        auto *b = new QPushButton(QString::fromUtf8(kButtons[i].caption), this);
        b->setObjectName(QStringLiteral("Command1_%1").arg(i));
        b->setToolTip(QString::fromUtf8(kButtons[i].tip));
        b->setFont(buttonFont());
        b->setFocusPolicy(Qt::NoFocus);
        b->setGeometry(twipsRect(U1Session::buttonLeft(i), U1Session::kButtonTop, U1Session::kButtonWidth,
                                 U1Session::kButtonHeight));
        connect(b, &QPushButton::clicked, this, [this, i] { session_.Command1_Click(i); });
        Command1[static_cast<size_t>(i)] = b;
    }

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
    Grid1->installEventFilter(this);
    // Keys always reach the grid's handler, whichever part of the window got the focus.
    setFocusProxy(Grid1);
    connect(static_cast<GridView *>(Grid1), &GridView::cellActivated, this, [this](int row, int col) {
        if (!syncing_)
            session_.gridCellEntered(row, col);
    });

    // The editing overlay: placed over the current cell by cell editing.
    TxtEdit = new QLineEdit(this);
    TxtEdit->setObjectName(QStringLiteral("TxtEdit"));
    TxtEdit->setProperty("Tag", QStringLiteral("0"));
    TxtEdit->hide();
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->addItems(unitList());
    Combo1->setEditText(QStringLiteral("xxxx"));
    Combo1->hide();

    LblMsg = makeLabel(this, "LblMsg", QStringLiteral("Messege Line"));
    Label14 = makeLabel(this, "Label14", QStringLiteral("Page"));
    LblPage = makeLabel(this, "LblPage", QStringLiteral("100/100"), true);
    LblPage->setAlignment(Qt::AlignCenter);
    const char *const pageCaptions[2] = {"Up", "Down"};
    for (int i = 0; i < 2; ++i) {
        auto *b = new QPushButton(QString::fromLatin1(pageCaptions[i]), this);
        b->setObjectName(QStringLiteral("Command2_%1").arg(i));
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, [this, i] { session_.Command2_Click(i); });
        Command2[static_cast<size_t>(i)] = b;
    }
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
    const int page = session_.grid().rowHeight() * (U1Session::kPageRows + 1) + 90;
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
    for (int i = 0; i < 2; ++i)
        Command2[static_cast<size_t>(i)]->setGeometry(twipsRect(9120 + i * 720, bottom, 734, 299));
}

void frmU1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutBottom();
}

void frmU1::syncViewCursor()
{
    syncing_ = true;
    static_cast<GridView *>(Grid1)->followCursor();
    syncing_ = false;
}

void frmU1::refresh()
{
    LblLevel->setText(session_.LblLevel);
    LblUTitle->setText(session_.LblUTitle);
    LblPage->setText(session_.LblPage);
    LblMem->setText(session_.LblMem);
    LblMsg->setText(session_.LblMsg);
    LblTotal->setText(session_.LblTotal);
    LblRitu->setText(session_.LblRitu);
    syncViewCursor();
}

void frmU1::closeWindow()
{
    // Inside the main window the frame closes, and with it this window.
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->close();
    else
        close();
}

QPoint frmU1::globalPointFromTwips(int x, int y) const
{
    return mapToGlobal(QPoint(twipsToPixels(x), twipsToPixels(y)));
}

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
    Grid1->setFocus();
}

void frmU1::processEvents() { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

bool frmU1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Grid1 && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (session_.sb_GridKeyDown(key->key(), key->modifiers()))
            return true;
    } else if (event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == LblTotal) {
            session_.LblTotal_Click();
            return true;
        }
        if (watched == LblRitu) {
            session_.LblRitu_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmU1::closeEvent(QCloseEvent *event)
{
    session_.Form_Unload();
    event->accept();
    if (counted_) {
        // Counted out now, not when the object goes: the index window may be
        // asked to close before this window is deleted.
        --shared_.formsLoaded;
        counted_ = false;
        emit closed();
        if (onClosed)
            onClosed();
    }
}

void frmU1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Grid1->setFocus();
}

void frmU1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow() || !session_.isLoaded())
        return;
    // Inside the main window only the child window in front is activated.
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        if (sub->mdiArea() && sub->mdiArea()->activeSubWindow() != sub)
            return;
    session_.Form_Activate();
}

}  // namespace rz
