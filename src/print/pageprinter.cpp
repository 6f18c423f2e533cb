// The printer set-up and the cell grid every printout shares.
#include "pageprinter.h"

namespace rz {

PagePrinter::PagePrinter(PrintDevice &device, const PrintOptions &options, const QString &companyName)
    : device_(device), options_(options), Co_Name(companyName)
{
}

void PagePrinter::startRun()
{
    Prt_Tot.fill(Currency());
    Prt_Pno = options_.startPage();
}

void PagePrinter::sb_PrtInit()
{
    device_.setFontName(QStringLiteral("ＭＳ 明朝"));
    device_.setPenStyle(PenStyle::Solid);
    device_.setLandscape(true);
    const bool a4 = options_.paper == PaperSize::A4;
    if (options_.estimateLayout()) {
        Prt_OffX = 0;
        Prt_OffY = 0;
        device_.setFontSize(a4 ? 12 : 10);
    } else {
        Prt_OffX = -1;
        Prt_OffY = 6;
        device_.setFontSize(a4 ? 10.5 : 8.5);
    }
    // The whole page follows from the font size, so it is chosen first.
    device_.setPaper(options_.paper);
}

void PagePrinter::sb_PrtLine(int x1, int y1, int x2, int y2, bool box, int width, PenStyle style)
{
    device_.setPenWidth(width);
    device_.setPenStyle(style);
    const double cw = device_.textWidth(QStringLiteral("A")), ch = device_.textHeight(QStringLiteral("A"));
    const double l = x1 * cw, t = y1 * ch, r = x2 * cw, b = y2 * ch;
    if (box) {
        device_.line(l, t, r, t);
        device_.line(r, t, r, b);
        device_.line(r, b, l, b);
        device_.line(l, b, l, t);
    } else {
        device_.line(l, t, r, b);
    }
}

void PagePrinter::sb_PrtLocate(int col, int row)
{
    if (col >= 0)
        device_.setCurrentX(col * device_.textWidth(QStringLiteral("A")));
    if (row >= 0)
        device_.setCurrentY(row * device_.textHeight(QStringLiteral("A")));
}

}  // namespace rz
