#include "previewpages.h"

#include <algorithm>
#include <cmath>

namespace rz {

namespace {
// Stops a run of the print routines once the pages wanted are drawn. Not a
// std::exception: the routines' own handlers report those as failures.
struct RunEnough {};

void setResolution(QImage &image, int dpi)
{
    const int perMetre = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(perMetre);
    image.setDotsPerMeterY(perMetre);
}

bool sameDpi(double a, double b) { return std::abs(a - b) < 0.01; }
}  // namespace

PreviewPages::PreviewPages(RenderPages render, PrintOptions options, int keptPages, qint64 keptBytes)
    : render_(std::move(render)), options_(std::move(options)), keptPages_(keptPages), keptBytes_(keptBytes),
      measuring_(1, 1, QImage::Format_RGB32)
{
    // Fonts measure as on paper: the preview's pages are laid out like the printer's.
    setResolution(measuring_, PainterPrintDevice::kResolution);
}

QSizeF PreviewPages::paperInches() const
{
    if (laidOut_)
        return layout_.fullRect(QPageLayout::Inch).size();
    // Every printout of the program is landscape.
    const QSizeF portrait = QPageSize(options_.paper == PaperSize::A4 ? QPageSize::A4 : QPageSize::JisB5).size(QPageSize::Inch);
    return portrait.transposed();
}

const PreviewPages::Drawn *PreviewPages::find(int n, double dpi)
{
    for (auto it = kept_.begin(); it != kept_.end(); ++it)
        if (it->page == n && sameDpi(it->dpi, dpi)) {
            kept_.splice(kept_.begin(), kept_, it);
            return &kept_.front();
        }
    return nullptr;
}

bool PreviewPages::kept(int n, double dpi) const
{
    return std::any_of(kept_.begin(), kept_.end(), [&](const Drawn &d) { return d.page == n && sameDpi(d.dpi, dpi); });
}

QImage PreviewPages::page(int n, double dpi, bool neighbours)
{
    if (n < 1 || (count_ && n > *count_))
        return {};
    const bool back = n < asked_;
    asked_ = n;
    if (const Drawn *d = find(n, dpi))
        return d->image;
    // The neighbours come with it, most of them on the side the reader is
    // going: turning pages one by one runs the routines once for every few.
    const QSizeF inches = paperInches() * dpi;
    const qint64 pageBytes = qint64(inches.width() + 1) * qint64(inches.height() + 1) * 4;
    const int fit = int(qMin<qint64>(keptPages_, keptBytes_ / qMax<qint64>(1, pageBytes)));
    const int ahead = neighbours ? qMax(0, fit - 2) : 0, behind = neighbours && fit > 1 ? 1 : 0;
    run(qMax(1, n - (back ? ahead : behind)), n + (back ? behind : ahead), dpi, false);
    const Drawn *d = find(n, dpi);
    return d ? d->image : QImage();
}

int PreviewPages::count(int after, double dpi)
{
    if (!count_)
        run(after + 1, dpi > 0 ? after + 3 : 0, dpi > 0 ? dpi : 72, true);
    return *count_;
}

void PreviewPages::run(int first, int last, double dpi, bool toEnd)
{
    first_ = first;
    last_ = last;
    dpi_ = dpi;
    toEnd_ = toEnd;
    ++runs_;
    PainterPrintDevice device(*this);
    try {
        render_(device, options_);
        device.endDoc();
        count_ = device.pageCount();
    } catch (const RunEnough &) {
    }
    if (painter_.isActive())
        painter_.end();
}

QPainter *PreviewPages::beginPage(int page, const QPageLayout &layout)
{
    if (page > last_ && !toEnd_)
        throw RunEnough{};
    layout_ = layout;
    laidOut_ = true;
    if (!draws(page))
        return nullptr;
    const QSizeF inches = layout.fullRect(QPageLayout::Inch).size();
    drawing_ = QImage(qCeil(inches.width() * dpi_), qCeil(inches.height() * dpi_), QImage::Format_RGB32);
    drawing_.fill(Qt::white);
    // The page is drawn in the printer's units, scaled down to the pixels shown.
    setResolution(drawing_, PainterPrintDevice::kResolution);
    painter_.begin(&drawing_);
    painter_.setRenderHint(QPainter::TextAntialiasing);
    painter_.scale(dpi_ / PainterPrintDevice::kResolution, dpi_ / PainterPrintDevice::kResolution);
    painter_.translate(layout.paintRectPixels(PainterPrintDevice::kResolution).topLeft());
    return &painter_;
}

bool PreviewPages::draws(int page) const
{
    return page >= first_ && page <= last_ && !kept(page, dpi_);
}

void PreviewPages::endPage(int page)
{
    if (!painter_.isActive())
        return;
    painter_.end();
    ++drawn_;
    kept_.push_front({page, dpi_, std::move(drawing_)});
    drawing_ = QImage();
    qint64 bytes = 0;
    int pages = 0;
    for (auto it = kept_.begin(); it != kept_.end();) {
        bytes += it->image.sizeInBytes();
        // The page just drawn always stays.
        const bool over = bytes > keptBytes_ || ++pages > keptPages_;
        it = over && it != kept_.begin() ? kept_.erase(it) : std::next(it);
    }
}

}  // namespace rz
