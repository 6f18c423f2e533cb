#include "gridview.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyledItemDelegate>

namespace rz {

namespace {
// A grid draws its text a pixel from the cell's edge; the default item
// margin of the style would clip a date in a column sized to its caption.
class TightCellStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_FocusFrameHMargin)
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

constexpr int kTextMargin = 1;  // each side, as the style above leaves it

// The header row drawn as the grid's fixed cells: the caption a pixel from
// the edge in the grid font, the cell's colours, the grid lines.
class FixedRowHeader : public QHeaderView {
public:
    explicit FixedRowHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent)
    {
        setSectionResizeMode(QHeaderView::Fixed);
        setSectionsClickable(false);
        setHighlightSections(false);
        // Column 0's caption is two blanks: Qt's smallest section would draw
        // it wider than the caption and push every column to the right.
        setMinimumSectionSize(0);
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int section) const override
    {
        if (!rect.isValid() || !model())
            return;
        const auto value = [&](int role) { return model()->headerData(section, Qt::Horizontal, role); };
        painter->save();
        painter->fillRect(rect, value(Qt::BackgroundRole).value<QColor>());
        painter->setFont(value(Qt::FontRole).value<QFont>());
        painter->setPen(value(Qt::ForegroundRole).value<QColor>());
        const auto align = value(Qt::TextAlignmentRole).value<Qt::Alignment>();
        const QRect text = rect.adjusted(kTextMargin, 0, -kTextMargin - 1, -1);
        painter->drawText(text, int(align), value(Qt::DisplayRole).toString());
        // The lines in the colour the table draws its own with.
        QStyleOption option;
        option.initFrom(parentWidget());
        const int line = parentWidget()->style()->styleHint(QStyle::SH_Table_GridLineColor, &option, parentWidget());
        painter->setPen(QColor::fromRgba(static_cast<QRgb>(line)));
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
        painter->restore();
    }
};

// A figure that does not fit its cell is drawn condensed: a cut figure reads
// as a wrong amount.
class FittingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (looksNumeric(option->text))
            option->font = GridView::fittedFont(option->font, option->text, option->rect.width() - 2 * kTextMargin);
    }
};
}  // namespace

QFont GridView::fittedFont(const QFont &font, const QString &text, int width)
{
    const int need = QFontMetrics(font).horizontalAdvance(text);
    if (need <= width || width <= 0)
        return font;
    QFont fitted = font;
    // Narrower letters first; where the face cannot be condensed that far, a
    // smaller size as well.
    for (int stretch = std::max(1, 100 * width / need); stretch >= 50; --stretch) {
        fitted.setStretch(stretch);
        if (QFontMetrics(fitted).horizontalAdvance(text) <= width)
            return fitted;
    }
    qreal size = fitted.pointSizeF() > 0 ? fitted.pointSizeF() : fitted.pixelSize();
    for (int i = 0; i < 200 && QFontMetrics(fitted).horizontalAdvance(text) > width; ++i) {
        size *= 0.95;
        if (fitted.pointSizeF() > 0)
            fitted.setPointSizeF(size);
        else
            fitted.setPixelSize(std::max(1, int(size)));
    }
    return fitted;
}

GridView::GridView(Grid *grid, QWidget *parent) : QTableView(parent), grid_(grid)
{
    static TightCellStyle *tight = [] {
        auto *style = new TightCellStyle;
        style->setParent(qApp);
        return style;
    }();
    setStyle(tight);
    setHorizontalHeader(new FixedRowHeader(this));
    setItemDelegate(new FittingDelegate(this));
    setModel(grid);
    verticalHeader()->hide();
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    // Cells are clipped like a grid's, never shortened with an ellipsis: the
    // captions end in blanks that may fall outside a narrow column.
    setTextElideMode(Qt::ElideNone);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFont(grid->font());
    connect(grid, &Grid::widthsChanged, this, &GridView::applyGridGeometry);
    connect(grid, &Grid::cursorChanged, this, &GridView::followCursor);
    connect(grid, &QAbstractItemModel::rowsInserted, this, &GridView::applyGridGeometry);
    connect(grid, &QAbstractItemModel::modelReset, this, &GridView::applyGridGeometry);
    applyGridGeometry();
}

void GridView::applyGridGeometry()
{
    for (int c = 0; c < grid_->cols(); ++c) {
        const int w = twipsToPixels(grid_->colWidth(c));
        setColumnHidden(c, w == 0);
        if (w > 0)
            setColumnWidth(c, w);
    }
    const int rowPx = twipsToPixels(grid_->rowHeight());
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(rowPx);
    horizontalHeader()->setFixedHeight(rowPx);
    // Row 0 of the model is drawn by the header above.
    setRowHidden(0, true);
}

int GridView::heightForRows(int rows) const
{
    return 2 * frameWidth() + twipsToPixels(grid_->rowHeight()) * (rows + 1);
}

void GridView::followCursor()
{
    following_ = true;
    const QModelIndex idx = grid_->index(grid_->row(), grid_->col());
    if (idx.isValid() && idx != currentIndex())
        setCurrentIndex(idx);
    if (idx.isValid() && idx.row() >= grid_->fixedRows())
        scrollTo(idx);
    following_ = false;
}

void GridView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (following_ || !current.isValid())
        return;
    int r = current.row(), c = current.column();
    if (r < grid_->fixedRows() || c < grid_->fixedCols()) {
        // The fixed header row and column are not cells the user works in.
        r = std::max(r, grid_->fixedRows());
        c = std::max(c, grid_->fixedCols());
        if (r >= grid_->rows())
            return;
    }
    emit cellActivated(r, c);
}

void GridView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        const QModelIndex idx = indexAt(event->position().toPoint());
        if (idx.isValid())
            emit rightClicked(idx.row(), idx.column(), event->globalPosition().toPoint());
        return;
    }
    QTableView::mousePressEvent(event);
}

}  // namespace rz
