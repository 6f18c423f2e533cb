#include "frmcpy.h"

#include "ui/gridview.h"
#include "ui/uifonts.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace rz {

namespace {
// Layout in twips: the buttons on a strip at the top, the guide line, then
// each list under its file's label; the lists start 1500 twips down.
constexpr int kWidth = 12000, kHeight = 7800, kStrip = 600, kListTop = 1500, kMargin = 120;
const char *const kCaptions[3] = {"複　写", "削　除", "終　了"};
}  // namespace

frmCpy::frmCpy(Shared &shared, Prompts &prompts, QWidget *parent)
    : QDialog(parent), shared_(shared), session_(shared, prompts, *this)
{
    ++shared_.formsLoaded;
    setObjectName(QStringLiteral("frmCpy"));
    setWindowTitle(QStringLiteral("複写"));
    setModal(true);

    PicMenu = new QWidget(this);
    PicMenu->setObjectName(QStringLiteral("PicMenu"));
    for (int i = 0; i < 3; ++i) {
        auto *b = new QPushButton(QString::fromUtf8(kCaptions[i]), PicMenu);
        b->setObjectName(QStringLiteral("cmdMenu_%1").arg(i));
        b->setFont(buttonFont());
        b->setAutoDefault(false);
        b->setGeometry(twipsRect(kMargin + i * 1320, 90, 1200, 420));
        b->installEventFilter(this);
        connect(b, &QPushButton::clicked, this, [this, i] { session_.cmdMenu_Click(i); });
        cmdMenu[static_cast<size_t>(i)] = b;
    }
    lblGuide = new QLabel(this);
    lblGuide->setObjectName(QStringLiteral("lblGuide"));
    lblGuide->setStyleSheet(QStringLiteral("color: #c00000;"));

    for (int l = 0; l < 2; ++l) {
        Grid &grid = session_.list(l);
        grid.setBackColorSel(palette().color(QPalette::Highlight));
        grid.setForeColorSel(palette().color(QPalette::HighlightedText));
        auto *v = new GridView(&grid, this);
        v->setObjectName(l == 0 ? QStringLiteral("Lst1") : QStringLiteral("Lst2"));
        v->horizontalHeader()->hide();
        v->setShowGrid(false);
        v->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        v->installEventFilter(this);
        v->viewport()->installEventFilter(this);
        // A click, or the arrow keys moving the selection, selects the row.
        connect(v, &GridView::cellActivated, this, [this, l](int row, int) { session_.listClick(l, row - 1); });
        connect(v, &QAbstractItemView::clicked, this,
                [this, l](const QModelIndex &idx) { session_.listClick(l, idx.row() - 1); });
        (l == 0 ? Lst1 : Lst2) = v;
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("lblDB_%1").arg(l));
        lblDB[static_cast<size_t>(l)] = label;
    }
    resize(twipsToPixels(kWidth), twipsToPixels(kHeight));
    layoutWindow();
}

frmCpy::~frmCpy()
{
    session_.unload();
    --shared_.formsLoaded;
}

void frmCpy::layoutWindow()
{
    const int w = pixelsToTwips(width()), h = pixelsToTwips(height());
    const int half = (w - 3 * kMargin) / 2;
    PicMenu->setGeometry(twipsRect(0, 0, w, kStrip));
    lblGuide->setGeometry(twipsRect(kMargin, kStrip + 60, w - 2 * kMargin, 330));
    for (int l = 0; l < 2; ++l) {
        const int left = kMargin + l * (half + kMargin);
        lblDB[static_cast<size_t>(l)]->setGeometry(twipsRect(left, kListTop - 360, half, 330));
        view(l)->setGeometry(twipsRect(left, kListTop, half, std::max(600, h - kListTop - kMargin)));
    }
}

void frmCpy::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    layoutWindow();
}

bool frmCpy::start()
{
    // Centred on the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    if (!session_.load())
        return false;
    refresh();
    focusList(0);
    return true;
}

void frmCpy::focusList(int list) { view(list)->setFocus(Qt::OtherFocusReason); }

void frmCpy::closeWindow() { close(); }

QPoint frmCpy::menuPointBelowButton(int index) const
{
    return mapToGlobal(QPoint(cmdMenu[static_cast<size_t>(index)]->x(), PicMenu->geometry().bottom()));
}

QPoint frmCpy::menuPointAtRow(int list, int row) const
{
    const QTableView *v = view(list);
    const int y = v->rowViewportPosition(row + 1) + v->rowHeight(row + 1);
    return v->viewport()->mapToGlobal(QPoint(twipsToPixels(30), std::max(0, y)));
}

void frmCpy::refresh()
{
    lblGuide->setText(session_.lblGuide());
    for (int l = 0; l < 2; ++l) {
        lblDB[static_cast<size_t>(l)]->setText(session_.lblDB(l));
        QPalette pal = view(l)->palette();
        pal.setColor(QPalette::Base, session_.listBackColor(l));
        view(l)->setPalette(pal);
        static_cast<GridView *>(view(l))->followCursor();
    }
}

bool frmCpy::eventFilter(QObject *watched, QEvent *event)
{
    for (int l = 0; l < 2; ++l) {
        QTableView *v = view(l);
        if (watched == v->viewport() && event->type() == QEvent::Resize) {
            // The name column fills the list whatever its width: the list's
            // inner width is known only once it is shown, and it narrows when
            // a scroll bar appears.
            session_.list(l).setColWidth(1, pixelsToTwips(static_cast<QResizeEvent *>(event)->size().width()));
        } else if (watched == v && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
            // A popup menu or a message box takes the focus only for a moment:
            // the active list stays what it was.
            const auto reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
                if (event->type() == QEvent::FocusIn)
                    session_.listGotFocus(l);
                else
                    session_.listLostFocus(l);
            }
        } else if (watched == v->viewport() && event->type() == QEvent::MouseButtonPress &&
                   static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
            // The row under the pointer is the one the menu acts on, as a
            // click would select it. Also on the empty part of a list: a file
            // without estimates takes a paste.
            auto *mouse = static_cast<QMouseEvent *>(event);
            if (!v->hasFocus())
                v->setFocus(Qt::MouseFocusReason);
            const QModelIndex under = v->indexAt(mouse->position().toPoint());
            if (under.isValid())
                session_.listClick(l, under.row() - 1);
            session_.listRightClick(l, mouse->globalPosition().toPoint());
            return true;
        }
    }
    // The window sees the keys before its lists and buttons.
    if (event->type() == QEvent::KeyPress && session_.keyDown(static_cast<QKeyEvent *>(event)->key()))
        return true;
    return QDialog::eventFilter(watched, event);
}

void frmCpy::keyPressEvent(QKeyEvent *event)
{
    if (!session_.keyDown(event->key()))
        QDialog::keyPressEvent(event);
}

void frmCpy::closeEvent(QCloseEvent *event)
{
    session_.unload();
    event->accept();
    QDialog::closeEvent(event);
}

}  // namespace rz
