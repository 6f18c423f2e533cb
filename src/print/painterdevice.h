// The print device that paints on the system's default printer through
// QPainter, or into a PDF file when no printer is installed or a file is
// asked for. Every text and rule goes to the printer as it is drawn; only
// the page being drawn exists. A PDF appears whole when the document ends,
// or not at all.
#pragma once
#include "printdevice.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QHash>
#include <QPen>
#include <map>
#include <memory>
#include <optional>

class QPagedPaintDevice;
class QPdfWriter;
class QPrinter;
class QSaveFile;

namespace rz {

class PainterPrintDevice : public PrintDevice {
public:
    // With an empty pdfPath the pages go to the default printer, or, when no
    // printer is installed, to a new PDF file in the documents folder named
    // after documentName. With a pdfPath they go to that file.
    // A printerName picks one of the installed printers instead of the default.
    explicit PainterPrintDevice(const QString &pdfPath = QString(), const QString &documentName = QString(),
                                const QString &printerName = QString());
    // Paints on a device someone else owns and shows (the print preview's
    // pages), with the same fonts, pens and positions as on paper.
    explicit PainterPrintDevice(QPagedPaintDevice *pages);
    ~PainterPrintDevice() override;  // ends a document left open

    static bool printerInstalled();
    // The installed printers, the system's default first.
    static QStringList installedPrinters();
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
    void beforeFontChange();
    void fontChanged();
    FontMeasures &measures() const;
    const QFontMetricsF &metrics() const;
    void settleX() const;
    QPen makePen() const;

    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QSaveFile> file_;
    std::unique_ptr<QPdfWriter> pdfWriter_;
    QPagedPaintDevice *paged_ = nullptr;
    int resolution_ = 0;
    QPainter painter_;
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
};

}  // namespace rz
