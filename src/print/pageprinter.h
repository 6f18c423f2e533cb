// What every printout of the program shares: the printer set-up for the
// chosen layout and paper, the cell grid (current position and rules in
// cells of the set-up font) and the print state of one run (page number,
// sums, layout offsets), which belongs to the printer and to no one else.
#pragma once
#include "printdevice.h"
#include "printoptions.h"
#include "store/currency.h"

#include <array>

namespace rz {

class PagePrinter {
public:
    // companyName is printed at the foot of every list page ("" for none).
    PagePrinter(PrintDevice &device, const PrintOptions &options, const QString &companyName);
    virtual ~PagePrinter() = default;

    PrintDevice &device() { return device_; }
    const PrintOptions &options() const { return options_; }

    // What every print driver does before the set-up: all eight accumulators
    // cleared and the first page number taken from the options.
    void startRun();

    // Font, pen, landscape, offsets, font size and paper for the print kind.
    void sb_PrtInit();
    // A rule from cell (x1, y1) to (x2, y2), or the box with these corners.
    void sb_PrtLine(int x1, int y1, int x2, int y2, bool box, int width, PenStyle style);
    // A negative column or row leaves that coordinate where it is.
    void sb_PrtLocate(int col, int row);

protected:
    PrintDevice &device_;
    PrintOptions options_;
    const QString Co_Name;
    int Prt_Pno = 0;  // next page number; 0 = pages are not numbered
    std::array<Currency, 8> Prt_Tot{};
    int Prt_OffX = 0;
    int Prt_OffY = 0;
};

}  // namespace rz
