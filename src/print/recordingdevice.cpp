#include "recordingdevice.h"

#include "store/sjis.h"

namespace rz {

void RecordingPrintDevice::setPaper(PaperSize paper)
{
    paper_ = paper;
    paperSet_ = true;
    cellSize_ = size_;
}

double RecordingPrintDevice::textWidth(const QString &text) const
{
    return ansiByteLength(text) * size_ / 2;
}

double RecordingPrintDevice::textHeight(const QString &text) const
{
    return size_ * (text.count(u'\n') + 1);
}

void RecordingPrintDevice::startPage()
{
    if (!pageOpen_) {
        ++pages_;
        pageOpen_ = true;
    }
}

void RecordingPrintDevice::line(double x1, double y1, double x2, double y2)
{
    startPage();
    lines_.push_back({pages_, x1 / cellWidth(), y1 / cellHeight(), x2 / cellWidth(), y2 / cellHeight(), penWidth_,
                      penStyle_});
}

void RecordingPrintDevice::print(const QString &text)
{
    startPage();
    texts_.push_back({pages_, x_ / cellWidth(), y_ / cellHeight(), text, fontName_, size_, bold_, underline_});
    x_ += textWidth(text);
}

void RecordingPrintDevice::newPage()
{
    pageOpen_ = false;
    x_ = y_ = 0;
}

void RecordingPrintDevice::endDoc()
{
    pageOpen_ = false;
    x_ = y_ = 0;
    ++endDocs_;
}

std::vector<PrintedText> RecordingPrintDevice::textsOn(int page) const
{
    std::vector<PrintedText> out;
    for (const auto &t : texts_)
        if (t.page == page)
            out.push_back(t);
    return out;
}

std::vector<PrintedLine> RecordingPrintDevice::linesOn(int page) const
{
    std::vector<PrintedLine> out;
    for (const auto &l : lines_)
        if (l.page == page)
            out.push_back(l);
    return out;
}

std::vector<PrintedText> RecordingPrintDevice::textsAt(int page, int col, int row) const
{
    std::vector<PrintedText> out;
    for (const auto &t : texts_)
        if (t.page == page && t.icol() == col && t.irow() == row)
            out.push_back(t);
    return out;
}

std::vector<PrintedText> RecordingPrintDevice::textsOnRow(int page, int row) const
{
    std::vector<PrintedText> out;
    for (const auto &t : texts_)
        if (t.page == page && t.irow() == row)
            out.push_back(t);
    return out;
}

QString RecordingPrintDevice::rowImage(int page, int row, int width) const
{
    QString image(width, u' ');
    for (const auto &t : textsOnRow(page, row)) {
        int c = t.icol();
        for (QChar ch : t.text) {
            const int w = ansiByteWidth(ch);
            if (w == 0)
                continue;
            if (c >= 0 && c < width) {
                // Overprinting the right half of a full-width character wipes it.
                if (image[c].isNull() && c > 0)
                    image[c - 1] = u' ';
                image[c] = ch;
            }
            if (w == 2 && c + 1 >= 0 && c + 1 < width)
                image[c + 1] = QChar(0);
            c += w;
        }
    }
    QString out;
    for (QChar ch : image)
        if (!ch.isNull())
            out += ch;
    return out;
}

const PrintedText *RecordingPrintDevice::find(const QString &s) const
{
    for (const auto &t : texts_)
        if (t.text.contains(s))
            return &t;
    return nullptr;
}

}  // namespace rz
