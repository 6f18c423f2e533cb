// The print device that paints through QPainter: into a PDF file, into a
// PDF handed to a printer of the print service when the document ends, or
// onto the pages a preview asks for. Every text and rule goes out as it is
// drawn; only the page being drawn exists. A PDF appears whole when the
// document ends, or not at all.
#pragma once
#include "printdevice.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPageLayout>
#include <QPainter>
#include <QPen>
#include <map>
#include <memory>
#include <optional>

class QPdfWriter;
class QFileDevice;

namespace rz {

// Where a preview's pages go. A page it has no painter for is laid out
// (positions, page breaks) but not drawn.
class PageSink {
public:
    virtual ~PageSink() = default;
    // A device of the paper's resolution, on which the fonts are measured.
    virtual const QPaintDevice *measuringDevice() const = 0;
    // The painter for page n (from 1), in paper units with its origin at the
    // printable area's top left, or nullptr to pass over the page.
    virtual QPainter *beginPage(int page, const QPageLayout &layout) = 0;
    virtual void endPage(int page) = 0;
    // Whether page n will be drawn, asked before it begins.
    virtual bool draws(int page) const = 0;
};

class PainterPrintDevice : public PrintDevice {
public:
    // With a pdfPath the pages go to that file. Without one they go to the
    // printer named, or, with none named, to a new PDF file in the documents
    // folder named after documentName.
    explicit PainterPrintDevice(const QString &pdfPath = QString(), const QString &documentName = QString(),
                                const QString &printerName = QString());
    // The pages a preview asks for, with the same fonts, pens and positions as on paper.
    explicit PainterPrintDevice(PageSink &sink);
    ~PainterPrintDevice() override;  // ends a document left open; a job not ended is not printed

    // Printers of the estimate offices print at this resolution; pen widths
    // are given in its pixels, so a PDF gets the same rule weights. A PDF
    // has no unprintable border: the margin is that of a common laser printer.
    static constexpr int kResolution = 600;
    static constexpr double kMarginMm = 5.0;
    // A file name in the documents folder (the home folder when there is
    // none) that does not exist yet: "<name>.pdf", "<name> (2).pdf" ...
    static QString freePdfPath(const QString &documentName);

    void setFontName(const QString &name) override;
    void setFontSize(double points) override;
    double fontSize() const override { return font_.pointSizeF(); }
    void setFontBold(bool on) override;
    void setFontUnderline(bool on) override;
    void setLandscape(bool on) override;
    void setPaper(PaperSize paper) override;
    double currentX() const override;
    double currentY() const override { return y_; }
    void setCurrentX(double x) override;
    void setCurrentY(double y) override { y_ = y; }
    double textWidth(const QString &text) const override;
    double textHeight(const QString &text) const override;
    void setPenWidth(int width) override;
    void setPenStyle(PenStyle style) override;
    void line(double x1, double y1, double x2, double y2) override;
    void print(const QString &text) override;
    void newPage() override;
    void endDoc() override;
    int pageCount() const override { return pages_; }
    bool drawing() const override;
    QString outputFile() const override { return pdf_; }

private:
    // What one font measures, kept while the document lasts: a list prints
    // the same few texts on every page in the same few fonts.
    struct Laid {
        bool laidOut = false;
        double ascent = 0;
        QList<QGlyphRun> runs;
    };
    struct FontMeasures {
        std::optional<QFontMetricsF> metrics;
        QHash<QString, double> widths;
        QHash<QString, Laid> laid;  // texts printed, with their glyphs once printed again
    };
    void setUpFont();
    void ensurePage();
    void beginPage();
    void endPage();
    void beforeFontChange();
    void fontChanged();
    FontMeasures &measures() const;
    const QFontMetricsF &metrics() const;
    void settleX() const;
    QPen makePen() const;

    std::unique_ptr<QFileDevice> file_;  // the PDF file, or the job's file for a printer
    std::unique_ptr<QPdfWriter> pdfWriter_;
    PageSink *sink_ = nullptr;
    const QPaintDevice *measuring_ = nullptr;
    QPageLayout layout_;
    int resolution_ = kResolution;
    QPainter ownPainter_;            // on the PDF writer
    QPainter *painter_ = nullptr;  // of the page being drawn; none on a page passed over
    QFont font_;
    mutable std::map<QString, FontMeasures> fonts_;  // by QFont::key()
    mutable FontMeasures *measures_ = nullptr;       // of font_
    // The text printed last: the position moves past it only when someone
    // asks for the position, since nearly every text is followed by a move.
    mutable QString unsettled_;
    int penWidth_ = 1;
    PenStyle penStyle_ = PenStyle::Solid;
    mutable double x_ = 0;
    double y_ = 0;
    bool begun_ = false;
    bool breakPending_ = false;
    bool fontDirty_ = true;
    int pages_ = 0;
    QString pdf_;
    QString printer_, docName_;
    PaperSize paper_ = PaperSize::B5;
};

}  // namespace rz
