#pragma once
// A grid of fixed-size cells whose content the owner draws: the grid keeps
// the sizes, the fixed columns and the selected cell, and calls the owner's
// draw function for every cell it paints. Grid lines are one pixel wide.

#include <QWidget>
#include <functional>

class TKvStringGrid : public QWidget
{
    Q_OBJECT
public:
    // Paints one cell: rect is the cell without its grid lines; selected is
    // true for the selected cell (never for a fixed one).
    using DrawCell =
        std::function<void(QPainter& painter, int col, int row, const QRect& rect, bool selected)>;

    explicit TKvStringGrid(QWidget* parent = nullptr);

    void setGridSize(int cols, int rows, int fixedCols, int colWidth, int rowHeight);
    // The fixed columns' own width (by default the width of every column):
    // room for labels the system font makes wider than the other cells.
    void setFixedColWidth(int width);
    void setDrawCell(DrawCell draw) { m_draw = std::move(draw); }

    int colCount() const { return m_cols; }
    int rowCount() const { return m_rows; }
    int fixedCols() const { return m_fixedCols; }

    // The cell's rectangle in widget coordinates, without its grid lines.
    QRect cellRect(int col, int row) const;
    // The cell under pos, or false outside every cell.
    bool cellAt(const QPoint& pos, int& col, int& row) const;

    int col() const { return m_col; }
    int row() const { return m_row; }
    // Selects a non-fixed cell, emits selectCell when the selection moves.
    void setSelection(int col, int row);

    QSize sizeHint() const override;

signals:
    void selectCell(int col, int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_cols = 0;
    int m_rows = 0;
    int m_fixedCols = 0;
    int m_colWidth = 64;
    int m_fixedColWidth = 64;
    int m_rowHeight = 24;
    int m_col = 0;
    int m_row = 0;
    DrawCell m_draw;

    int colLeft(int col) const;
    int colWidth(int col) const { return col < m_fixedCols ? m_fixedColWidth : m_colWidth; }
};
