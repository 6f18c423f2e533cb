// A print device that keeps every text and rule, page by page, in character
// cells, so the printouts can be checked without a printer. Its font is an
// ideal two-cell face: a half-width character is half the font size wide, a
// full-width one the full size, and a line is the font size high.
#pragma once
#include "printdevice.h"

#include <QList>
#include <QString>
#include <vector>

namespace rz {

struct PrintedText {
    int page = 0;  // from 1
    // Cell of the top-left corner, in cells of the set-up font (below).
    double col = 0, row = 0;
    QString text;
    QString fontName;
    double size = 0;
    bool bold = false;
    bool underline = false;
    int icol() const { return qRound(col); }
    int irow() const { return qRound(row); }
};

struct PrintedLine {
    int page = 0;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // cells of the set-up font
    int width = 0;
    PenStyle style = PenStyle::Solid;
};

class RecordingPrintDevice : public PrintDevice {
public:
    void setFontName(const QString &name) override { fontName_ = name; }
    void setFontSize(double points) override { size_ = points; }
    double fontSize() const override { return size_; }
    void setFontBold(bool on) override { bold_ = on; }
    void setFontUnderline(bool on) override { underline_ = on; }
    void setLandscape(bool on) override { landscape_ = on; }
    // The printer set-up chooses the font size before the paper; cells are
    // counted in that size, so a text printed larger at a cell keeps its cell.
    void setPaper(PaperSize paper) override;
    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void setCurrentX(double x) override { x_ = x; }
    void setCurrentY(double y) override { y_ = y; }
    double textWidth(const QString &text) const override;
    double textHeight(const QString &text) const override;
    void setPenWidth(int width) override { penWidth_ = width; }
    void setPenStyle(PenStyle style) override { penStyle_ = style; }
    void line(double x1, double y1, double x2, double y2) override;
    void print(const QString &text) override;
    void newPage() override;
    void endDoc() override;
    int pageCount() const override { return pages_; }

    bool landscape() const { return landscape_; }
    PaperSize paper() const { return paper_; }
    bool paperSet() const { return paperSet_; }
    double cellFontSize() const { return cellSize_; }
    int endDocs() const { return endDocs_; }

    const std::vector<PrintedText> &texts() const { return texts_; }
    const std::vector<PrintedLine> &lines() const { return lines_; }
    std::vector<PrintedText> textsOn(int page) const;
    std::vector<PrintedLine> linesOn(int page) const;
    // Texts of a page whose top-left corner is at the cell, in printing order.
    std::vector<PrintedText> textsAt(int page, int col, int row) const;
    // Texts of a page on one cell row, blanks included, as printed.
    std::vector<PrintedText> textsOnRow(int page, int row) const;
    // The row as paper shows it: every text laid into a line of cells, later
    // texts overprinting earlier ones; full-width characters take two cells,
    // the second of them holding nothing.
    QString rowImage(int page, int row, int width = 160) const;
    // The first text containing s, or nullptr.
    const PrintedText *find(const QString &s) const;

private:
    void startPage();
    double cellWidth() const { return cellSize_ / 2; }
    double cellHeight() const { return cellSize_; }

    QString fontName_;
    double size_ = 10;
    bool bold_ = false, underline_ = false;
    bool landscape_ = false;
    PaperSize paper_ = PaperSize::A4;
    bool paperSet_ = false;
    double cellSize_ = 10;
    double x_ = 0, y_ = 0;
    int penWidth_ = 1;
    PenStyle penStyle_ = PenStyle::Solid;
    int pages_ = 0;
    bool pageOpen_ = false;
    int endDocs_ = 0;
    std::vector<PrintedText> texts_;
    std::vector<PrintedLine> lines_;
};

}  // namespace rz
