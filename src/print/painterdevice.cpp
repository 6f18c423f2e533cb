#include "painterdevice.h"
#include "store/savefile.h"

#include <QDir>
#include <QGlyphRun>
#include <QTextLayout>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <stdexcept>
#include <utility>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace rz {

namespace {
// Printers of the estimate offices print at this resolution; pen widths are
// given in its pixels, so a PDF gets the same rule weights.
constexpr int kResolution = 600;
// A PDF has no unprintable border; this is the margin of a common laser printer.
constexpr double kPdfMarginMm = 5.0;

QString safeFileName(QString name)
{
    static const QString bad = QStringLiteral("/\\:*?\"<>|");
    for (QChar &c : name)
        if (bad.contains(c) || c.unicode() < 0x20)
            c = u'_';
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("見積書") : name;
}
}  // namespace

bool PainterPrintDevice::printerInstalled()
{
    return !QPrinterInfo::defaultPrinter().isNull() || !QPrinterInfo::availablePrinterNames().isEmpty();
}

QString PainterPrintDevice::freePdfPath(const QString &documentName)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        folder = QDir::homePath();
    const QString base = safeFileName(documentName);
    QString path = QDir(folder).filePath(base + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1 (%2).pdf").arg(base).arg(n));
    return path;
}

QStringList PainterPrintDevice::installedPrinters()
{
    QStringList names = QPrinterInfo::availablePrinterNames();
    const QString preferred = QPrinterInfo::defaultPrinter().printerName();
    if (!preferred.isEmpty()) {
        names.removeAll(preferred);
        names.prepend(preferred);
    }
    return names;
}

PainterPrintDevice::PainterPrintDevice(QPagedPaintDevice *pages) : paged_(pages)
{
    resolution_ = pages->logicalDpiX();
    if (auto *printer = dynamic_cast<QPrinter *>(pages))
        resolution_ = printer->resolution();
    setUpFont();
}

PainterPrintDevice::PainterPrintDevice(const QString &pdfPath, const QString &documentName, const QString &printerName)
{
#ifdef __GLIBC__
    // The PDF engine takes two buffers of ten megabytes for every page it
    // writes and gives them back; handed back to the system each time they
    // cost page faults for every page. Kept in the process they are reused.
    static const bool keptBuffers = [] {
        mallopt(M_MMAP_THRESHOLD, 32 << 20);
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
        return true;
    }();
    (void)keptBuffers;
#endif
    const QString docName = documentName.isEmpty() ? QStringLiteral("見積書") : documentName;
    if (pdfPath.isEmpty() && printerInstalled()) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        const QStringList printers = installedPrinters();
        // The printer chosen in the dialog; the default when none was chosen
        // or the chosen one went away meanwhile.
        printer_->setPrinterName(printers.contains(printerName) ? printerName : printers.value(0));
        printer_->setResolution(kResolution);
        printer_->setDocName(docName);
        printer_->setFullPage(false);
        paged_ = printer_.get();
        resolution_ = printer_->resolution();
    } else {
        pdf_ = pdfPath.isEmpty() ? freePdfPath(documentName) : pdfPath;
        file_ = std::make_unique<QSaveFile>(pdf_);
        pdfWriter_ = std::make_unique<QPdfWriter>(file_.get());
        pdfWriter_->setResolution(kResolution);
        pdfWriter_->setTitle(docName);
        pdfWriter_->setCreator(QStringLiteral("RZ90 見積書作成システム"));
        pdfWriter_->setPageMargins(QMarginsF(kPdfMarginMm, kPdfMarginMm, kPdfMarginMm, kPdfMarginMm),
                                   QPageLayout::Millimeter);
        paged_ = pdfWriter_.get();
        resolution_ = pdfWriter_->resolution();
    }
    setUpFont();
}

void PainterPrintDevice::setUpFont()
{
    font_.setFamily(printFontFamily());
    font_.setPointSizeF(10);
    font_.setHintingPreference(QFont::PreferNoHinting);
    font_.setKerning(false);
}

PainterPrintDevice::~PainterPrintDevice()
{
    if (begun_)
        painter_.end();
    // An unfinished PDF is dropped by its QSaveFile.
}

void PainterPrintDevice::beforeFontChange()
{
    settleX();  // the text printed last moves the position in its own font
}

void PainterPrintDevice::fontChanged()
{
    measures_ = nullptr;
    fontDirty_ = true;
}

PainterPrintDevice::FontMeasures &PainterPrintDevice::measures() const
{
    if (!measures_) {
        measures_ = &fonts_[font_.key()];
        if (!measures_->metrics)
            measures_->metrics.emplace(font_, paged_);
    }
    return *measures_;
}

double PainterPrintDevice::currentX() const
{
    settleX();
    return x_;
}

void PainterPrintDevice::setCurrentX(double x)
{
    unsettled_ = QString();
    x_ = x;
}

void PainterPrintDevice::settleX() const
{
    if (unsettled_.isEmpty())
        return;
    const QString text = std::exchange(unsettled_, QString());
    x_ += textWidth(text);
}

void PainterPrintDevice::setFontName(const QString &name)
{
    beforeFontChange();
    // The layouts need two cells for a full-width character; a face that does
    // not measure so is replaced by the print Mincho.
    font_.setFamily(isTwoCellMincho(name) ? name : printFontFamily());
    fontChanged();
}

void PainterPrintDevice::setFontSize(double points)
{
    beforeFontChange();
    font_.setPointSizeF(points);
    fontChanged();
}

void PainterPrintDevice::setFontBold(bool on)
{
    beforeFontChange();
    font_.setBold(on);
    fontChanged();
}

void PainterPrintDevice::setFontUnderline(bool on)
{
    beforeFontChange();
    font_.setUnderline(on);
    fontChanged();
}

void PainterPrintDevice::setLandscape(bool on)
{
    paged_->setPageOrientation(on ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void PainterPrintDevice::setPaper(PaperSize paper)
{
    paged_->setPageSize(QPageSize(paper == PaperSize::A4 ? QPageSize::A4 : QPageSize::JisB5));
}

const QFontMetricsF &PainterPrintDevice::metrics() const { return *measures().metrics; }

double PainterPrintDevice::textWidth(const QString &text) const
{
    FontMeasures &m = measures();
    const auto it = m.widths.constFind(text);
    if (it != m.widths.cend())
        return *it;
    // Names and amounts of item rows are mostly measured once: a bound on
    // the kept widths keeps memory flat however many pages are printed.
    if (m.widths.size() >= 4096)
        m.widths.clear();
    const double w = m.metrics->horizontalAdvance(text);
    m.widths.insert(text, w);
    return w;
}

double PainterPrintDevice::textHeight(const QString &text) const
{
    // One em per line, as the Mincho faces the layouts were drawn for measure;
    // faces with more leading would push the last rows off the paper.
    const double em = font_.pointSizeF() * resolution_ / 72.0;
    return em * (text.count(u'\n') + 1);
}

void PainterPrintDevice::setPenWidth(int width)
{
    penWidth_ = qMax(1, width);
}

void PainterPrintDevice::setPenStyle(PenStyle style)
{
    penStyle_ = style;
}

QPen PainterPrintDevice::makePen() const
{
    QPen pen(Qt::black);
    pen.setWidth(penWidth_);
    if (penStyle_ == PenStyle::Dotted) {
        // Dots a printer can show: 1/150 inch on, 1/75 inch off, whatever the width.
        const double unit = resolution_ / 150.0 / penWidth_;
        pen.setDashPattern({unit, 2 * unit});
        pen.setCapStyle(Qt::FlatCap);
    } else {
        pen.setCapStyle(Qt::SquareCap);  // the corners of a box close
    }
    return pen;
}

void PainterPrintDevice::ensurePage()
{
    if (!begun_) {
        if (file_ && !file_->open(QIODevice::WriteOnly))
            throw std::runtime_error((QStringLiteral("PDFファイルを書き込めませんでした: %1 (%2)").arg(pdf_, file_->errorString()))
                                         .toStdString());
        if (!painter_.begin(paged_))
            throw std::runtime_error(pdf_.isEmpty() ? QStringLiteral("プリンタを開けませんでした。").toStdString()
                                                    : QStringLiteral("PDFファイルを書き込めませんでした: %1").arg(pdf_).toStdString());
        // The PDF engine starts with a pen of its own and takes a pen only
        // when it differs from the painter's: the first rule, drawn with
        // the painter's default pen, would come out as a hairline sliver.
        painter_.setPen(Qt::NoPen);
        begun_ = true;
        breakPending_ = false;
        pages_ = 1;
        fontDirty_ = true;
    } else if (breakPending_) {
        paged_->newPage();
        breakPending_ = false;
        ++pages_;
    }
}

void PainterPrintDevice::line(double x1, double y1, double x2, double y2)
{
    ensurePage();
    painter_.setPen(makePen());
    painter_.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void PainterPrintDevice::print(const QString &text)
{
    ensurePage();
    if (fontDirty_) {
        painter_.setFont(font_);
        fontDirty_ = false;
    }
    painter_.setPen(QPen(Qt::black));
    settleX();
    unsettled_ = text;
    // Blanks print nothing: those that pad a field to its width are left out
    // of the page, and what lies between them is drawn where it stands in
    // the whole text (an underline runs under the blanks too).
    auto blank = [](QChar c) { return c == u' ' || c == u'\u3000'; };
    qsizetype from = 0, to = text.size();
    while (!font_.underline() && from < to && blank(text.at(from)))
        ++from;
    while (!font_.underline() && to > from && blank(text.at(to - 1)))
        --to;
    if (from == to)
        return;
    const QString shown = from == 0 && to == text.size() ? text : text.mid(from, to - from);
    // The em box of the face fills the cell: its top at the current position.
    FontMeasures &m = measures();
    const QPointF baseline(x_ + (from ? textWidth(text.left(from)) : 0.0), y_ + m.metrics->ascent());
    // A text printed again (the headings, units and prices on every page)
    // is drawn from its glyphs as laid out the second time, not shaped anew;
    // one printed once is drawn the ordinary way.
    auto it = m.laid.find(shown);
    if (it == m.laid.end() || shown.contains(u'\n') || font_.underline()) {
        if (m.laid.size() >= 4096)
            m.laid.clear();
        m.laid.insert(shown, {});
        painter_.drawText(baseline, shown);
        return;
    }
    if (!it->laidOut) {
        QTextLayout layout(shown, font_, paged_);
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        it->ascent = line.ascent();
        it->runs = layout.glyphRuns();
        it->laidOut = true;
    }
    for (const QGlyphRun &run : it->runs)
        painter_.drawGlyphRun(QPointF(baseline.x(), baseline.y() - it->ascent), run);
}

void PainterPrintDevice::newPage()
{
    if (begun_)
        breakPending_ = true;
    unsettled_ = QString();
    x_ = 0;
    y_ = 0;
}

void PainterPrintDevice::endDoc()
{
    breakPending_ = false;
    unsettled_ = QString();
    x_ = 0;
    y_ = 0;
    if (!begun_)
        return;
    painter_.end();
    begun_ = false;
    if (file_ && !commitWhole(*file_))
        throw std::runtime_error((QStringLiteral("PDFファイルを書き込めませんでした: %1 (%2)").arg(pdf_, file_->errorString()))
                                     .toStdString());
}

}  // namespace rz
