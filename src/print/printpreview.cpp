#include "printpreview.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace rz {

namespace {
constexpr double kMinDpi = 20, kMaxDpi = 400;

// The pointer says the preview is drawing while the print routines run.
struct Busy {
    Busy() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~Busy() { QApplication::restoreOverrideCursor(); }
};
}  // namespace

PrintPreview::PrintPreview(const RenderPages &render, const PrintOptions &options, QWidget *parent)
    : QDialog(parent), pages_(render, options)
{
    setObjectName(QStringLiteral("PrintPreview"));
    setWindowTitle(QStringLiteral("印刷プレビュー"));

    area_ = new QScrollArea(this);
    area_->setObjectName(QStringLiteral("PreviewPages"));
    area_->setAlignment(Qt::AlignCenter);
    area_->setBackgroundRole(QPalette::Dark);
    page_ = new QLabel(area_);
    page_->setObjectName(QStringLiteral("PreviewPage"));
    area_->setWidget(page_);

    auto *bar = new QToolBar(this);
    auto add = [&](const QString &text, const QString &name, auto &&slot, QKeySequence key = {}) {
        QAction *a = bar->addAction(text, this, slot);
        a->setObjectName(name);
        a->setShortcut(key);
        return a;
    };
    add(QStringLiteral("前ページ"), QStringLiteral("PrevPage"), [this] { setCurrentPage(current_ - 1); }, Qt::Key_PageUp);
    add(QStringLiteral("次ページ"), QStringLiteral("NextPage"), [this] { setCurrentPage(current_ + 1); }, Qt::Key_PageDown);
    add(QStringLiteral("先頭"), QStringLiteral("FirstPage"), [this] { setCurrentPage(1); }, Qt::Key_Home);
    add(QStringLiteral("最後"), QStringLiteral("LastPage"), [this] {
        Busy busy;
        setCurrentPage(pages_.count());
    }, Qt::Key_End);
    pageLabel_ = new QLabel(bar);
    pageLabel_->setObjectName(QStringLiteral("PageNumber"));
    bar->addWidget(pageLabel_);
    bar->addSeparator();
    add(QStringLiteral("拡大"), QStringLiteral("ZoomIn"), [this] { zoom(1.25); }, QKeySequence::ZoomIn);
    add(QStringLiteral("縮小"), QStringLiteral("ZoomOut"), [this] { zoom(0.8); }, QKeySequence::ZoomOut);
    add(QStringLiteral("ページ全体"), QStringLiteral("FitPage"), [this] { fit(Fit::Page); });
    add(QStringLiteral("幅に合わせる"), QStringLiteral("FitWidth"), [this] { fit(Fit::Width); });
    bar->addSeparator();
    add(QStringLiteral("印刷"), QStringLiteral("PrintPages"), [this] {
        printChosen_ = true;
        accept();
    });
    add(QStringLiteral("閉じる"), QStringLiteral("ClosePreview"), [this] { reject(); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(area_, 1);
    resize(900, 700);

    // A window being resized draws its page once the size has settled.
    redraw_ = new QTimer(this);
    redraw_->setSingleShot(true);
    redraw_->setInterval(80);
    connect(redraw_, &QTimer::timeout, this, &PrintPreview::showPage);
    showPageNumber();
}

PrintPreview::~PrintPreview() = default;

double PrintPreview::dpi() const
{
    if (fit_ == Fit::None)
        return dpi_;
    const QSizeF paper = pages_.paperInches();
    const QSize room = area_->maximumViewportSize() - QSize(8, 8);
    const double wide = room.width() / paper.width();
    const double width = fit_ == Fit::Width ? wide - area_->verticalScrollBar()->sizeHint().width() / paper.width() : wide;
    const double dpi = fit_ == Fit::Width ? width : qMin(wide, room.height() / paper.height());
    return qBound(kMinDpi, std::floor(dpi), kMaxDpi);
}

void PrintPreview::setCurrentPage(int page)
{
    const std::optional<int> count = pages_.knownCount();
    page = qMax(1, count ? qMin(page, *count) : page);
    if (page == current_ && !shown_.isNull())
        return;
    const int before = current_;
    current_ = page;
    showPage();
    if (shown_.isNull() && page > 1) {  // past the last page: the count is known now
        current_ = before;
        showPage();
    }
}

void PrintPreview::showPage()
{
    {
        Busy busy;
        // The first page alone: the window shows it before anything else is drawn.
        shown_ = pages_.page(current_, dpi(), !shown_.isNull());
    }
    page_->setPixmap(QPixmap::fromImage(shown_));
    page_->resize(shown_.size());
    showPageNumber();
}

void PrintPreview::showPageNumber()
{
    const std::optional<int> count = pages_.knownCount();
    if (count && *count == 0)
        pageLabel_->setText(QStringLiteral(" 印刷するページがありません "));
    else
        pageLabel_->setText(QStringLiteral(" %1 / %2 ページ ").arg(current_).arg(count ? QString::number(*count) : QStringLiteral("…")));
}

void PrintPreview::zoom(double factor)
{
    dpi_ = qBound(kMinDpi, std::round(dpi() * factor), kMaxDpi);
    fit_ = Fit::None;
    showPage();
}

void PrintPreview::fit(Fit how)
{
    fit_ = how;
    showPage();
}

void PrintPreview::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!shown_.isNull())
        return;
    // The first page at once; the number of pages, which takes a run to the
    // end, once that page is on the screen.
    showPage();
    QTimer::singleShot(0, this, [this] {
        Busy busy;
        pages_.count(current_, dpi());
        showPageNumber();
    });
}

void PrintPreview::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    if (isVisible() && fit_ != Fit::None)
        redraw_->start();
}

}  // namespace rz
