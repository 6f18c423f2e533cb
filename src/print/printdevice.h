// The printer as the print routines see it: font, paper, a current position,
// text extents, pens, lines, text, page breaks and the end of the document.
// Positions and extents are in the device's own units; the routines turn
// character cells into units through textWidth("A") and textHeight("A").
#pragma once
#include <QString>

namespace rz {

enum class PaperSize { A4, B5 };  // B5 is JIS B5, 182 x 257 mm
enum class PenStyle { Solid = 0, Dotted = 2 };

class PrintDevice {
public:
    virtual ~PrintDevice() = default;

    virtual void setFontName(const QString &name) = 0;
    virtual void setFontSize(double points) = 0;
    virtual double fontSize() const = 0;
    virtual void setFontBold(bool on) = 0;
    virtual void setFontUnderline(bool on) = 0;

    virtual void setLandscape(bool on) = 0;
    virtual void setPaper(PaperSize paper) = 0;

    virtual double currentX() const = 0;
    virtual double currentY() const = 0;
    virtual void setCurrentX(double x) = 0;
    virtual void setCurrentY(double y) = 0;
    virtual double textWidth(const QString &text) const = 0;
    virtual double textHeight(const QString &text) const = 0;

    // Pen width in device pixels.
    virtual void setPenWidth(int width) = 0;
    virtual void setPenStyle(PenStyle style) = 0;
    virtual void line(double x1, double y1, double x2, double y2) = 0;

    // Writes text with its top-left corner at the current position and moves
    // the position to the end of the text on the same line.
    virtual void print(const QString &text) = 0;

    // A page is only started by the first drawing after a break, so a break
    // right before the end of the document leaves no empty page.
    virtual void newPage() = 0;
    virtual void endDoc() = 0;

    // Pages that received any drawing so far.
    virtual int pageCount() const = 0;
    // Whether what is printed now reaches a page. A preview lays out the pages
    // before the one looked at without drawing them; the routines may then
    // leave out the texts of item rows, never what makes or ends a page.
    virtual bool drawing() const { return true; }
    // The PDF file written instead of printing, empty when a printer got the pages.
    virtual QString outputFile() const { return {}; }
};

// The Mincho family the printout uses: "ＭＳ 明朝" where installed, otherwise
// IPAMincho; a family qualifies only when a full-width character measures
// exactly two half-width cells, whatever the font claims about its pitch.
QString printFontFamily();
// Whether a family is installed and measures as the layouts need.
bool isTwoCellMincho(const QString &family);

}  // namespace rz
