// Draws a Grid: no headers of its own (row 0 and column 0 are the grid's
// fixed cells), column widths and row height from the model, and the model's
// current cell as the view's current cell.
#pragma once
#include "grid.h"

#include <QTableView>

namespace rz {

class GridView : public QTableView {
    Q_OBJECT
public:
    explicit GridView(Grid *grid, QWidget *parent = nullptr);
    Grid *grid() const { return grid_; }
    void applyGridGeometry();
    void followCursor();

signals:
    // The user moved to a cell (mouse or arrow keys); fixed cells are never reported.
    void cellActivated(int row, int col);
    void rightClicked(int row, int col, const QPoint &globalPos);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    Grid *grid_;
    bool following_ = false;
};

}  // namespace rz
