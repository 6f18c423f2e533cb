#include "printpreview.h"

#include "painterdevice.h"

#include <QAction>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QToolBar>
#include <QVBoxLayout>

namespace rz {

PrintPreview::PrintPreview(const RenderPages &render, const PrintOptions &options, QWidget *parent)
    : QDialog(parent), render_(render), options_(options)
{
    setObjectName(QStringLiteral("PrintPreview"));
    setWindowTitle(QStringLiteral("印刷プレビュー"));
    // The preview's own pages: printer resolution, as on paper, but nothing is sent anywhere.
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setResolution(600);
    view_ = new QPrintPreviewWidget(printer_.get(), this);
    view_->setObjectName(QStringLiteral("PreviewPages"));
    connect(view_, &QPrintPreviewWidget::paintRequested, this, &PrintPreview::paint);
    connect(view_, &QPrintPreviewWidget::previewChanged, this, &PrintPreview::showPageNumber);

    auto *bar = new QToolBar(this);
    auto add = [&](const QString &text, const QString &name, auto &&slot) {
        QAction *a = bar->addAction(text, this, slot);
        a->setObjectName(name);
        return a;
    };
    add(QStringLiteral("前ページ"), QStringLiteral("PrevPage"), [this] { view_->setCurrentPage(view_->currentPage() - 1); showPageNumber(); });
    add(QStringLiteral("次ページ"), QStringLiteral("NextPage"), [this] { view_->setCurrentPage(view_->currentPage() + 1); showPageNumber(); });
    pageLabel_ = new QLabel(bar);
    bar->addWidget(pageLabel_);
    bar->addSeparator();
    add(QStringLiteral("拡大"), QStringLiteral("ZoomIn"), [this] { view_->zoomIn(); });
    add(QStringLiteral("縮小"), QStringLiteral("ZoomOut"), [this] { view_->zoomOut(); });
    add(QStringLiteral("ページ全体"), QStringLiteral("FitPage"), [this] { view_->fitInView(); });
    add(QStringLiteral("幅に合わせる"), QStringLiteral("FitWidth"), [this] { view_->fitToWidth(); });
    bar->addSeparator();
    add(QStringLiteral("印刷"), QStringLiteral("PrintPages"), [this] {
        printChosen_ = true;
        accept();
    });
    add(QStringLiteral("閉じる"), QStringLiteral("ClosePreview"), [this] { reject(); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(view_, 1);
    resize(900, 700);
    view_->setViewMode(QPrintPreviewWidget::SinglePageView);
    view_->fitInView();
    view_->updatePreview();
}

PrintPreview::~PrintPreview() = default;

int PrintPreview::pageCount() const { return view_->pageCount(); }
int PrintPreview::currentPage() const { return view_->currentPage(); }

void PrintPreview::paint(QPrinter *pages)
{
    // The caller's routine reports its own failures; whatever still escapes
    // leaves an empty preview rather than taking the program down.
    try {
        PainterPrintDevice device(pages);
        render_(device, options_);
        device.endDoc();
    } catch (...) {
    }
}

void PrintPreview::showPageNumber()
{
    pageLabel_->setText(QStringLiteral(" %1 / %2 ページ ").arg(view_->currentPage()).arg(view_->pageCount()));
}

}  // namespace rz
