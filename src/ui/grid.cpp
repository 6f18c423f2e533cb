#include "grid.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace rz {

QColor oleColor(quint32 ole)
{
    if (ole & 0x80000000u) {
        const QPalette pal = QGuiApplication::palette();
        switch (ole & 0xFFu) {
        case 5:
            return pal.color(QPalette::Base);
        case 8:
            return pal.color(QPalette::Text);
        case 15:
            return pal.color(QPalette::Button);
        default:
            return QColor();
        }
    }
    return QColor(int(ole & 0xFF), int((ole >> 8) & 0xFF), int((ole >> 16) & 0xFF));
}

// Figures are drawn right-aligned, so that they line up by their last digit.
bool looksNumeric(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    int digits = 0;
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 128)
            ++digits;
        else if (!(c == u',' || c == u'.' || (c == u'-' && i == 0)))
            return false;
    }
    return digits > 0;
}

Grid::Grid(QObject *parent) : QAbstractTableModel(parent)
{
    cells_.resize(2, std::vector<Cell>(static_cast<size_t>(cols_)));
    widths_.assign(static_cast<size_t>(cols_), 960);
    aligns_.assign(static_cast<size_t>(cols_), Qt::AlignLeft | Qt::AlignVCenter);
    general_.assign(static_cast<size_t>(cols_), true);
}

void Grid::setRows(int n)
{
    n = std::max(n, 1);
    const int old = rows();
    if (n == old)
        return;
    if (n < old) {
        beginRemoveRows(QModelIndex(), n, old - 1);
        cells_.resize(static_cast<size_t>(n));
        endRemoveRows();
    } else {
        beginInsertRows(QModelIndex(), old, n - 1);
        cells_.resize(static_cast<size_t>(n), std::vector<Cell>(static_cast<size_t>(cols_)));
        endInsertRows();
    }
    clampCursor();
}

void Grid::setCols(int n)
{
    n = std::max(n, 1);
    beginResetModel();
    cols_ = n;
    for (auto &r : cells_)
        r.resize(static_cast<size_t>(n));
    widths_.resize(static_cast<size_t>(n), 960);
    aligns_.resize(static_cast<size_t>(n), Qt::AlignLeft | Qt::AlignVCenter);
    general_.resize(static_cast<size_t>(n), true);
    endResetModel();
    clampCursor();
    emit widthsChanged();
}

void Grid::setFont(const QFont &font)
{
    font_ = font;
    const int h = QFontMetrics(font_).height();
    rowHeight_ = pixelsToTwips(h + 4);
}

int Grid::headerTextWidthTwips(const QString &text) const
{
    // The caption plus a pixel on each side: the captions carry their own blanks,
    // and the list must fit the window as it was designed.
    return pixelsToTwips(QFontMetrics(font_).horizontalAdvance(text) + 2);
}

void Grid::setFormatString(const QString &format)
{
    const QStringList parts = format.split(u'|');
    setCols(static_cast<int>(parts.size()));
    for (int c = 0; c < cols_; ++c) {
        QString t = parts[c];
        Qt::Alignment a = c == 0 ? (Qt::AlignHCenter | Qt::AlignVCenter) : (Qt::AlignLeft | Qt::AlignVCenter);
        general_[static_cast<size_t>(c)] = !(t.startsWith(u'<') || t.startsWith(u'^') || t.startsWith(u'>'));
        if (t.startsWith(u'<')) {
            a = Qt::AlignLeft | Qt::AlignVCenter;
            t.remove(0, 1);
        } else if (t.startsWith(u'^')) {
            a = Qt::AlignHCenter | Qt::AlignVCenter;
            t.remove(0, 1);
        } else if (t.startsWith(u'>')) {
            a = Qt::AlignRight | Qt::AlignVCenter;
            t.remove(0, 1);
        }
        aligns_[static_cast<size_t>(c)] = a;
        cell(0, c).text = t;
        widths_[static_cast<size_t>(c)] = headerTextWidthTwips(t);
    }
    cellsChanged(0, 0, 0, cols_ - 1);
    emit widthsChanged();
}

Grid::Cell &Grid::cell(int r, int c)
{
    if (r < 0 || r >= rows() || c < 0 || c >= cols_)
        throw std::out_of_range("grid cell out of range");
    return cells_[static_cast<size_t>(r)][static_cast<size_t>(c)];
}

const Grid::Cell *Grid::cellPtr(int r, int c) const
{
    if (r < 0 || r >= rows() || c < 0 || c >= cols_)
        return nullptr;
    return &cells_[static_cast<size_t>(r)][static_cast<size_t>(c)];
}

QString Grid::text(int r, int c) const
{
    const Cell *p = cellPtr(r, c);
    return p ? p->text : QString();
}

void Grid::setText(int r, int c, const QString &text)
{
    Cell &x = cell(r, c);
    if (x.text == text)
        return;
    x.text = text;
    cellsChanged(r, c, r, c);
}

void Grid::clampCursor()
{
    const int maxRow = std::max(rows() - 1, 0);
    const int maxCol = std::max(cols_ - 1, 0);
    row_ = std::clamp(row_, 0, maxRow);
    rowSel_ = std::clamp(rowSel_, 0, maxRow);
    col_ = std::clamp(col_, 0, maxCol);
    colSel_ = std::clamp(colSel_, 0, maxCol);
}

void Grid::setRow(int r)
{
    if (r < 0 || r >= rows())
        throw std::out_of_range("grid row out of range");
    const int old1 = std::min(row_, rowSel_), old2 = std::max(row_, rowSel_);
    row_ = rowSel_ = r;
    cellsChanged(old1, 0, old2, cols_ - 1);
    cellsChanged(r, 0, r, cols_ - 1);
    emit cursorChanged();
}

void Grid::setCol(int c)
{
    if (c < 0 || c >= cols_)
        throw std::out_of_range("grid column out of range");
    col_ = colSel_ = c;
    cellsChanged(std::min(row_, rowSel_), 0, std::max(row_, rowSel_), cols_ - 1);
    emit cursorChanged();
}

void Grid::setRowSel(int r)
{
    rowSel_ = std::clamp(r, 0, rows() - 1);
    cellsChanged(0, 0, rows() - 1, cols_ - 1);
}

void Grid::setColSel(int c)
{
    colSel_ = std::clamp(c, 0, cols_ - 1);
    cellsChanged(std::min(row_, rowSel_), 0, std::max(row_, rowSel_), cols_ - 1);
}

int Grid::colWidth(int c) const
{
    return (c >= 0 && c < cols_) ? widths_[static_cast<size_t>(c)] : 0;
}

void Grid::setColWidth(int c, int twips)
{
    if (c < 0 || c >= cols_)
        throw std::out_of_range("grid column out of range");
    widths_[static_cast<size_t>(c)] = std::max(twips, 0);
    emit widthsChanged();
}

int Grid::cellLeft(int c) const
{
    int x = 0;
    for (int i = 0; i < c && i < cols_; ++i)
        x += widths_[static_cast<size_t>(i)];
    return x;
}

int Grid::cellTop(int r) const { return r * rowHeight_; }

int Grid::totalWidth() const { return cellLeft(cols_); }

QColor Grid::cellBackColor(int r, int c) const
{
    const Cell *p = cellPtr(r, c);
    return p ? p->back : QColor();
}

QColor Grid::cellForeColor(int r, int c) const
{
    const Cell *p = cellPtr(r, c);
    return p ? p->fore : QColor();
}

void Grid::setCellBackColor(int r, int c, const QColor &color)
{
    cell(r, c).back = color;
    cellsChanged(r, c, r, c);
}

void Grid::setCellForeColor(int r, int c, const QColor &color)
{
    cell(r, c).fore = color;
    cellsChanged(r, c, r, c);
}

void Grid::setSelectionBackColor(const QColor &color)
{
    for (int r = std::min(row_, rowSel_); r <= std::max(row_, rowSel_); ++r)
        for (int c = std::min(col_, colSel_); c <= std::max(col_, colSel_); ++c)
            cell(r, c).back = color;
    cellsChanged(std::min(row_, rowSel_), 0, std::max(row_, rowSel_), cols_ - 1);
}

void Grid::setSelectionForeColor(const QColor &color)
{
    for (int r = std::min(row_, rowSel_); r <= std::max(row_, rowSel_); ++r)
        for (int c = std::min(col_, colSel_); c <= std::max(col_, colSel_); ++c)
            cell(r, c).fore = color;
    cellsChanged(std::min(row_, rowSel_), 0, std::max(row_, rowSel_), cols_ - 1);
}

void Grid::setBackColorSel(const QColor &c) { backSel_ = c; }
void Grid::setForeColorSel(const QColor &c) { foreSel_ = c; }

bool Grid::inSelection(int r, int c) const
{
    return r >= std::min(row_, rowSel_) && r <= std::max(row_, rowSel_) && c >= std::min(col_, colSel_) &&
           c <= std::max(col_, colSel_);
}

Qt::Alignment Grid::alignment(int c) const
{
    return (c >= 0 && c < cols_) ? aligns_[static_cast<size_t>(c)] : Qt::Alignment(Qt::AlignLeft);
}

int Grid::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : rows(); }
int Grid::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : cols_; }

QVariant Grid::data(const QModelIndex &index, int role) const
{
    const Cell *p = cellPtr(index.row(), index.column());
    if (!p)
        return {};
    const bool fixed = index.row() < fixedRows() || index.column() < fixedCols();
    switch (role) {
    case Qt::DisplayRole:
        return p->text;
    case Qt::TextAlignmentRole:
        if (index.row() >= fixedRows() && index.column() < cols_ && general_[static_cast<size_t>(index.column())] &&
            looksNumeric(p->text))
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return QVariant::fromValue(alignment(index.column()));
    case Qt::FontRole:
        return font_;
    // The selection highlight is drawn over the cells' own colours, as a
    // grid shows its selected cells.
    case Qt::BackgroundRole:
        if (!fixed && backSel_.isValid() && inSelection(index.row(), index.column()))
            return backSel_;
        if (p->back.isValid())
            return p->back;
        if (index.row() == 0)
            return headerBack(index.column());
        if (fixed)
            return QGuiApplication::palette().color(QPalette::Button);
        return {};
    case Qt::ForegroundRole:
        if (!fixed && foreSel_.isValid() && inSelection(index.row(), index.column()))
            return foreSel_;
        if (p->fore.isValid())
            return p->fore;
        return {};
    default:
        return {};
    }
}

static double luminance(const QColor &c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

static double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor Grid::headerBack(int c) const
{
    const Cell *p = cellPtr(0, c);
    if (p && p->back.isValid())
        return p->back;
    const QColor face = QGuiApplication::palette().color(QPalette::Button);
    // A light caption (the yellow of the budget columns) cannot be read on
    // the light face of a header: such a caption gets a dark slate cell.
    if (p && p->fore.isValid() && contrast(p->fore, face) < 4.5)
        return QColor(0x30, 0x40, 0x60);
    return face;
}

QVariant Grid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= cols_)
        return QAbstractTableModel::headerData(section, orientation, role);
    const Cell *p = cellPtr(0, section);
    switch (role) {
    case Qt::DisplayRole:
        return p ? p->text : QString();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(alignment(section));
    case Qt::FontRole:
        return font_;
    case Qt::BackgroundRole:
        return headerBack(section);
    case Qt::ForegroundRole:
        if (p && p->fore.isValid())
            return p->fore;
        return QGuiApplication::palette().color(QPalette::ButtonText);
    default:
        return {};
    }
}

void Grid::cellsChanged(int r1, int c1, int r2, int c2)
{
    if (rows() == 0 || cols_ == 0)
        return;
    r1 = std::clamp(r1, 0, rows() - 1);
    r2 = std::clamp(r2, 0, rows() - 1);
    c1 = std::clamp(c1, 0, cols_ - 1);
    c2 = std::clamp(c2, 0, cols_ - 1);
    emit dataChanged(index(r1, c1), index(r2, c2));
    if (r1 == 0)
        emit headerDataChanged(Qt::Horizontal, c1, c2);
}

}  // namespace rz
