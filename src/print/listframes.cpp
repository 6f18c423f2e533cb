// The ruled frames of a list page in the two layouts: header texts, column
// rules, band rules and the surrounding box, then the page break.
#include "listprinter.h"

#include <initializer_list>

namespace rz {

const QString ListPrinter::kEstHeader[3] = {
    QStringLiteral("    名                            称    "),
    QStringLiteral("   摘           要  "),
    QStringLiteral("  数   量  単位  単   価    金       額    備            考"),
};

void ListPrinter::sb_FrameEst()
{
    sb_PrtLocate(7, 5);
    for (const QString &piece : kEstHeader)
        device_.print(piece);  // one after another on the same line

    sb_PrtLine(47, 4, 47, 46, false, 1, PenStyle::Solid);
    sb_PrtLine(67, 4, 67, 46, false, 2, PenStyle::Solid);
    // The quantities' decimal point stands on this rule.
    sb_PrtLine(74, 6, 74, 46, false, 1, PenStyle::Dotted);
    for (int x : {78, 82, 93, 108, 128})
        sb_PrtLine(x, 4, x, 46, false, 2, PenStyle::Solid);
    for (int y = 6; y <= 44; y += 2)
        sb_PrtLine(7, y, 128, y, false, 2, PenStyle::Solid);
    sb_PrtLine(7, 4, 128, 46, true, 4, PenStyle::Solid);
    device_.newPage();
}

namespace {
QString headerPiece(int lead, const QString &first, int middle, const QString &second, int trail)
{
    return QString(lead, u' ') + first + QString(middle, u' ') + second + QString(trail, u' ');
}
}  // namespace

void ListPrinter::sb_FrameEstBud()
{
    const int X = Prt_OffX + 3, Y = Prt_OffY - 3;
    struct Piece {
        int col;
        QString text;
    };
    const Piece pieces[] = {
        {X + 4, headerPiece(8, "名", 20, "称", 8)},  {X + 44, headerPiece(4, "摘", 8, "要", 4)},
        {X + 64, headerPiece(1, "数", 3, "量", 1)},  {X + 73, QStringLiteral("単位")},
        {X + 77, headerPiece(1, "単", 3, "価", 1)},  {X + 86, headerPiece(2, "金", 5, "額", 2)},
        {X + 99, headerPiece(4, "備", 8, "考", 4)},  {X + 120, headerPiece(1, "数", 3, "量", 1)},
        {X + 129, headerPiece(1, "単", 3, "価", 1)}, {X + 138, headerPiece(2, "金", 5, "額", 2)},
    };
    for (const Piece &p : pieces) {
        sb_PrtLocate(p.col, Y + 8);
        device_.print(p.text);
    }

    const int bottom = Y + 49;
    sb_PrtLine(X + 44, Y + 7, X + 44, bottom, false, 1, PenStyle::Solid);
    for (int x : {64, 73, 77, 86, 99, 129, 138})
        sb_PrtLine(X + x, Y + 7, X + x, bottom, false, 2, PenStyle::Solid);
    // Where the decimal point of the quantities would stand.
    for (int x : {70, 126})
        sb_PrtLine(X + x, Y + 9, X + x, bottom, false, 1, PenStyle::Solid);
    // Thousands guides in place of the separators the numbers leave out.
    for (int x : {67, 80, 83, 90, 93, 96, 123, 132, 135, 142, 145, 148})
        sb_PrtLine(X + x, Y + 9, X + x, bottom, false, 1, PenStyle::Dotted);
    for (int y = Y + 9; y <= Y + 47; y += 2) {
        sb_PrtLine(X + 4, y, X + 119, y, false, 2, PenStyle::Solid);
        sb_PrtLine(X + 120, y, X + 151, y, false, 2, PenStyle::Solid);
    }
    sb_PrtLine(X + 4, Y + 7, X + 119, bottom, true, 3, PenStyle::Solid);
    sb_PrtLine(X + 120, Y + 7, X + 151, bottom, true, 3, PenStyle::Solid);
    device_.newPage();
}

}  // namespace rz
