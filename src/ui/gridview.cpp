#include "gridview.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QProxyStyle>

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
}  // namespace

GridView::GridView(Grid *grid, QWidget *parent) : QTableView(parent), grid_(grid)
{
    static TightCellStyle *tight = [] {
        auto *style = new TightCellStyle;
        style->setParent(qApp);
        return style;
    }();
    setStyle(tight);
    setModel(grid);
    horizontalHeader()->hide();
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
    verticalHeader()->setDefaultSectionSize(twipsToPixels(grid_->rowHeight()));
    verticalHeader()->setMinimumSectionSize(1);
}

void GridView::followCursor()
{
    following_ = true;
    const QModelIndex idx = grid_->index(grid_->row(), grid_->col());
    if (idx.isValid() && idx != currentIndex())
        setCurrentIndex(idx);
    if (idx.isValid())
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
