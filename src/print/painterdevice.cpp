#include "painterdevice.h"
#include "printservice.h"
#include "store/savefile.h"

#include <QDir>
#include <QGlyphRun>
#include <QTextLayout>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QStandardPaths>
#include <stdexcept>
#include <utility>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace rz {

namespace {
QString safeFileName(QString name)
{
    static const QString bad = QStringLiteral("/\\:*?\"<>|");
    for (QChar &c : name)
        if (bad.contains(c) || c.unicode() < 0x20)
            c = u'_';
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("見積書") : name;
}

QPageSize pageSize(PaperSize paper)
{
    return QPageSize(paper == PaperSize::A4 ? QPageSize::A4 : QPageSize::JisB5);
}
}  // namespace

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

PainterPrintDevice::PainterPrintDevice(PageSink &sink)
    : sink_(&sink), measuring_(sink.measuringDevice()),
      layout_(pageSize(paper_), QPageLayout::Portrait, QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
              QPageLayout::Millimeter)
{
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
    docName_ = documentName.isEmpty() ? QStringLiteral("見積書") : documentName;
    if (pdfPath.isEmpty() && !printerName.isEmpty()) {
        // The printer gets the same PDF a file would: the service's answer to
        // it says whether the printer took the job, which drawing through the
        // printer driver of the toolkit never tells.
        printer_ = printerName;
        file_ = std::make_unique<QTemporaryFile>(QDir::temp().filePath(QStringLiteral("rz90-XXXXXX.pdf")));
    } else {
        pdf_ = pdfPath.isEmpty() ? freePdfPath(documentName) : pdfPath;
        file_ = std::make_unique<QSaveFile>(pdf_);
    }
    pdfWriter_ = std::make_unique<QPdfWriter>(file_.get());
    pdfWriter_->setResolution(kResolution);
    pdfWriter_->setTitle(docName_);
    pdfWriter_->setCreator(QStringLiteral("RZ90 見積書作成システム"));
    pdfWriter_->setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    measuring_ = pdfWriter_.get();
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
    if (begun_ && !sink_)
        ownPainter_.end();
    // An unfinished PDF is dropped by its QSaveFile, a job's file removed with it.
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
            measures_->metrics.emplace(font_, measuring_);
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
    layout_.setOrientation(on ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (pdfWriter_)
        pdfWriter_->setPageOrientation(layout_.orientation());
}

void PainterPrintDevice::setPaper(PaperSize paper)
{
    paper_ = paper;
    layout_.setPageSize(pageSize(paper));
    if (pdfWriter_)
        pdfWriter_->setPageSize(pageSize(paper));
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

void PainterPrintDevice::beginPage()
{
    if (sink_)
        painter_ = sink_->beginPage(pages_, layout_);
    else if (pages_ > 1)
        pdfWriter_->newPage();
    if (painter_) {
        // The PDF engine starts with a pen of its own and takes a pen only
        // when it differs from the painter's: the first rule, drawn with
        // the painter's default pen, would come out as a hairline sliver.
        painter_->setPen(Qt::NoPen);
    }
    fontDirty_ = true;
}

void PainterPrintDevice::endPage()
{
    if (sink_) {
        painter_ = nullptr;
        sink_->endPage(pages_);
    }
}

void PainterPrintDevice::ensurePage()
{
    if (!begun_) {
        if (file_ && !file_->open(QIODevice::WriteOnly))
            throw std::runtime_error((QStringLiteral("PDFファイルを書き込めませんでした: %1 (%2)")
                                          .arg(pdf_.isEmpty() ? file_->fileName() : pdf_, file_->errorString()))
                                         .toStdString());
        if (pdfWriter_) {
            if (!ownPainter_.begin(pdfWriter_.get()))
                throw std::runtime_error(QStringLiteral("PDFファイルを書き込めませんでした: %1").arg(pdf_).toStdString());
            painter_ = &ownPainter_;
        }
        begun_ = true;
        breakPending_ = false;
        pages_ = 1;
        beginPage();
    } else if (breakPending_) {
        endPage();
        breakPending_ = false;
        ++pages_;
        beginPage();
    }
}

void PainterPrintDevice::line(double x1, double y1, double x2, double y2)
{
    ensurePage();
    if (!painter_)
        return;
    painter_->setPen(makePen());
    painter_->drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void PainterPrintDevice::print(const QString &text)
{
    ensurePage();
    settleX();
    unsettled_ = text;
    if (!painter_)
        return;  // a page passed over: only the position moves on
    if (fontDirty_) {
        painter_->setFont(font_);
        fontDirty_ = false;
    }
    painter_->setPen(QPen(Qt::black));
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
        painter_->drawText(baseline, shown);
        return;
    }
    if (!it->laidOut) {
        QTextLayout layout(shown, font_, measuring_);
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        it->ascent = line.ascent();
        it->runs = layout.glyphRuns();
        it->laidOut = true;
    }
    for (const QGlyphRun &run : it->runs)
        painter_->drawGlyphRun(QPointF(baseline.x(), baseline.y() - it->ascent), run);
}

bool PainterPrintDevice::drawing() const
{
    if (!sink_)
        return true;
    if (begun_ && !breakPending_)
        return painter_ != nullptr;
    return sink_->draws(begun_ ? pages_ + 1 : 1);
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
    begun_ = false;
    if (sink_) {
        endPage();
        return;
    }
    painter_ = nullptr;
    ownPainter_.end();
    if (auto *pdf = dynamic_cast<QSaveFile *>(file_.get())) {
        if (!commitWhole(*pdf))
            throw std::runtime_error((QStringLiteral("PDFファイルを書き込めませんでした: %1 (%2)").arg(pdf_, file_->errorString()))
                                         .toStdString());
        return;
    }
    auto *job = static_cast<QTemporaryFile *>(file_.get());
    if (!job->flush())
        throw std::runtime_error(QStringLiteral("印刷データを書き込めませんでした: %1 (%2)").arg(job->fileName(), job->errorString())
                                     .toStdString());
    job->close();
    // From here the file is the service's to remove once it has read it.
    job->setAutoRemove(false);
    const QString refused = PrintService::program().submit({printer_, job->fileName(), docName_, paper_});
    if (!refused.isEmpty())
        throw std::runtime_error(refused.toStdString());
}

}  // namespace rz
