// Draws a Grid: row 0 as a header that stays in place while the rows scroll,
// column 0 as the first cell of each row, column widths and row height from
// the model, figures that do not fit their cell condensed rather than cut,
// and the model's current cell as the view's current cell.
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

    // Pixel height that shows the header and `rows` rows without scrolling.
    int heightForRows(int rows) const;
    // The font a text is drawn with in `width` pixels: the cell font, or for a
    // figure too wide for it the font condensed (or smaller) until it fits.
    static QFont fittedFont(const QFont &font, const QString &text, int width);

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
