#pragma once
// The archive window's grid: a table view on TConnTableModel whose cells,
// header row and row numbers are all drawn here, in the grid's own fonts,
// colours, marks and bars.
//
// Rows and columns are counted as the user sees them: row 0 is the header,
// rows 1..n the model's rows (the last one the totals), column 0 the row
// numbers. In Qt terms the header row and the number column are the view's
// two header views, so they stay in place while the rows scroll.

#include <QTableView>

class QPainter;
class TConnTableModel;

class TConnGrid : public QTableView
{
    Q_OBJECT
public:
    static constexpr int RowHeight = 44;
    static constexpr int ColumnCount = 8; // the number column and the model's seven
    // The number column's design width: 60 pixels, 10 less at creation.
    static constexpr int FixedColumnWidth = 50;
    // The design widths of columns 1..7.
    static constexpr int DesignWidths[ColumnCount - 1] = {71, 71, 71, 71, 118, 161, 121};

    TConnGrid(TConnTableModel& model, QWidget* parent);

    TConnTableModel& connModel() const { return m_model; }
    // Header, the model's rows, and so the totals row last.
    int gridRowCount() const;
    // The rectangle of a cell (row >= 1, col >= 1) in the coordinates of the
    // viewport, where a click lands on it; empty otherwise.
    QRect cellRect(int row, int col) const;
    // Widens the columns whose texts the system font cannot hold.
    void fitColumns();
    // Draws one cell, header and number cells included.
    void drawCell(QPainter& p, const QRect& rect, int row, int col, bool selected) const;

private:
    void drawFixedCell(QPainter& p, const QRect& rect, int row, int col) const;
    void drawDataCell(QPainter& p, const QRect& rect, int row, int col) const;

    TConnTableModel& m_model;
};
