#include "tariff/KvStringGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace
{
constexpr int GridLine = 1;
}

TKvStringGrid::TKvStringGrid(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
}

void TKvStringGrid::setGridSize(int cols, int rows, int fixedCols, int colWidth, int rowHeight)
{
    m_cols = cols;
    m_rows = rows;
    m_fixedCols = fixedCols;
    m_colWidth = colWidth;
    m_fixedColWidth = colWidth;
    m_rowHeight = rowHeight;
    m_col = fixedCols < cols ? fixedCols : 0;
    m_row = 0;
    setFixedSize(sizeHint());
    update();
}

void TKvStringGrid::setFixedColWidth(int width)
{
    m_fixedColWidth = width;
    setFixedSize(sizeHint());
    update();
}

int TKvStringGrid::colLeft(int col) const
{
    const int fixed = std::min(col, m_fixedCols);
    return GridLine + fixed * (m_fixedColWidth + GridLine) +
           (col - fixed) * (m_colWidth + GridLine);
}

QSize TKvStringGrid::sizeHint() const
{
    return {colLeft(m_cols), m_rows * (m_rowHeight + GridLine) + GridLine};
}

QRect TKvStringGrid::cellRect(int col, int row) const
{
    return QRect(colLeft(col), GridLine + row * (m_rowHeight + GridLine), colWidth(col),
                 m_rowHeight);
}

bool TKvStringGrid::cellAt(const QPoint& pos, int& col, int& row) const
{
    if (pos.x() < 0 || pos.y() < 0)
        return false;
    int c = 0;
    while (c < m_cols && pos.x() >= colLeft(c + 1))
        ++c;
    const int r = pos.y() / (m_rowHeight + GridLine);
    if (c >= m_cols || r >= m_rows)
        return false;
    col = c;
    row = r;
    return true;
}

void TKvStringGrid::setSelection(int col, int row)
{
    if (col < m_fixedCols || col >= m_cols || row < 0 || row >= m_rows)
        return;
    const bool moved = col != m_col || row != m_row;
    m_col = col;
    m_row = row;
    update();
    if (moved)
        emit selectCell(col, row);
}

void TKvStringGrid::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_cols; ++c) {
            const QRect cell = cellRect(c, r);
            p.save();
            p.setClipRect(cell);
            if (m_draw)
                m_draw(p, c, r, cell, c == m_col && r == m_row && c >= m_fixedCols);
            else
                p.fillRect(cell, palette().color(QPalette::Base));
            p.restore();
        }
    }
}

void TKvStringGrid::mousePressEvent(QMouseEvent* event)
{
    int c = 0;
    int r = 0;
    if (cellAt(event->position().toPoint(), c, r))
        setSelection(c, r);
    QWidget::mousePressEvent(event);
}

void TKvStringGrid::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        setSelection(m_col - 1, m_row);
        break;
    case Qt::Key_Right:
        setSelection(m_col + 1, m_row);
        break;
    case Qt::Key_Up:
        setSelection(m_col, m_row - 1);
        break;
    case Qt::Key_Down:
        setSelection(m_col, m_row + 1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}
