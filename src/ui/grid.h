// The grid of the list windows as a plain model: rows, columns, a fixed header
// row and fixed first column, cell texts and colours, column widths in twips,
// the current cell and selection, and cell geometry. Window procedures work on
// it without a screen; a QTableView draws it (it is a QAbstractTableModel).
#pragma once
#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <vector>

namespace rz {

constexpr int kTwipsPerPixel = 15;
inline int twipsToPixels(int twips) { return twips / kTwipsPerPixel; }
inline int pixelsToTwips(int px) { return px * kTwipsPerPixel; }
// A control's place as the windows are designed: left, top, width, height in twips.
inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

// Caption and tool tip of a command button.
struct ButtonText {
    const char *caption;
    const char *tip;
};

// OLE colour numbers as the windows are defined with: &H00BBGGRR, or a
// system colour &H800000xx (5 window background, 8 window text).
QColor oleColor(quint32 ole);

// A cell text that is a figure ("1,234", "-5", "2.500", "3    "): drawn
// right-aligned in a general column, and never cut short.
bool looksNumeric(const QString &text);

class Grid : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit Grid(QObject *parent = nullptr);

    int rows() const { return static_cast<int>(cells_.size()); }
    void setRows(int n);  // rows past n are dropped with their colours; new rows are empty
    int cols() const { return cols_; }
    void setCols(int n);
    int fixedRows() const { return 1; }
    int fixedCols() const { return 1; }

    // "|"-separated header texts; a leading "<", "^" or ">" aligns the column.
    // Sets the column count, the header row and each column's width from its
    // header text measured in the grid font.
    void setFormatString(const QString &format);
    void setFont(const QFont &font);
    const QFont &font() const { return font_; }

    QString text(int r, int c) const;
    void setText(int r, int c, const QString &text);

    int row() const { return row_; }
    int col() const { return col_; }
    int rowSel() const { return rowSel_; }
    int colSel() const { return colSel_; }
    void setRow(int r);  // also collapses the selection to the row
    void setCol(int c);
    void setRowSel(int r);
    void setColSel(int c);

    int colWidth(int c) const;  // twips
    void setColWidth(int c, int twips);
    int rowHeight() const { return rowHeight_; }
    int cellLeft(int c) const;  // twips from the grid's left edge
    int cellTop(int r) const;   // twips from the grid's top edge
    int cellWidth(int c) const { return colWidth(c); }
    int cellHeight() const { return rowHeight_; }
    int totalWidth() const;

    // Colours of one cell; an invalid QColor means the grid's default.
    QColor cellBackColor(int r, int c) const;
    QColor cellForeColor(int r, int c) const;
    void setCellBackColor(int r, int c, const QColor &color);
    void setCellForeColor(int r, int c, const QColor &color);
    // Colours the current selection (Row..RowSel x Col..ColSel).
    void setSelectionBackColor(const QColor &color);
    void setSelectionForeColor(const QColor &color);
    void setBackColorSel(const QColor &c);
    void setForeColorSel(const QColor &c);
    bool inSelection(int r, int c) const;
    Qt::Alignment alignment(int c) const;
    int headerTextWidthTwips(const QString &text) const;

    // QAbstractTableModel: every grid row and column, header included.
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    // Row 0, the fixed header row, as the horizontal header of the view, so
    // that it stays in place while the rows scroll.
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void cursorChanged();
    void widthsChanged();

private:
    struct Cell {
        QString text;
        QColor back;
        QColor fore;
    };
    Cell &cell(int r, int c);
    const Cell *cellPtr(int r, int c) const;
    void clampCursor();
    QColor headerBack(int c) const;
    void cellsChanged(int r1, int c1, int r2, int c2);

    std::vector<std::vector<Cell>> cells_;
    int cols_ = 2;
    std::vector<int> widths_;
    std::vector<Qt::Alignment> aligns_;
    std::vector<bool> general_;  // no marker: numbers right, other text left
    int row_ = 1, col_ = 1, rowSel_ = 1, colSel_ = 1;
    int rowHeight_ = 270;
    QColor backSel_, foreSel_;
    QFont font_;
};

}  // namespace rz
