#include "archive/ConnGrid.h"

#include "archive/ConnTableModel.h"
#include "archive/Selection.h"
#include "common/Format.h"

#include <QHeaderView>
#include <QPainter>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <algorithm>

namespace
{

using RowKind = TConnTableModel::RowKind;
using Col = TConnTableModel::Column;

// Room a cell's text leaves: 2 pixels each side, and the grid line.
constexpr int CellMargins = 5;
// The least the description keeps when other columns need its room.
constexpr int MinDescriptionWidth = 60;

// Colours of the grid.
const QColor GridBackground(255, 255, 189);
const QColor CellBackground(255, 255, 227);
const QColor SelectedBackground(255, 225, 225);
const QColor Separator(192, 192, 192);
const QColor TimeColour(255, 255, 0); // yellow
const QColor CostColour(128, 128, 0); // olive

// How one line of text is drawn in a cell, relative to the cell's top.
struct LineStyle {
    int top = 0;
    int height = 14;
    int points = 9;
    bool bold = false;
    bool underline = false;
    QColor colour = Qt::blue;
    int align = Qt::AlignHCenter;
    // Cut with an ellipsis where it does not fit; other texts get room.
    bool cut = false;
};

const LineStyle DayName{1, 13, 8};
const LineStyle Date{14, 13, 8};
const LineStyle Time{29, 14, 9, true, false, Qt::black};
const LineStyle Centred{13, 16, 9, true, false, Qt::black};
const LineStyle Totals{13, 16, 9, true, true, Qt::black};
const LineStyle Lire{2, 22, 12, true, false, Qt::red, Qt::AlignRight};
const LineStyle Euro{26, 16, 9, false, false, Qt::blue, Qt::AlignRight};
const LineStyle Marks{0, 13, 7, false, false, Qt::black, Qt::AlignLeft};

// The style of line i of n in a cell of the given column and row kind.
LineStyle styleOf(RowKind kind, int column, int i, int n)
{
    if (kind == RowKind::Totals && column == Col::End)
        return Totals; // " TOTALI "
    switch (column) {
    case Col::Start:
    case Col::End:
        return i == n - 1 ? Time : i == 0 ? DayName : Date;
    case Col::Duration:
        return Centred;
    case Col::Cost:
        return i == 0 ? Lire : Euro;
    case Col::Names:
        return {1 + 14 * i, 14, 9, false, false, Qt::blue, Qt::AlignLeft, true};
    case Col::Marks:
        return Marks;
    default:
        return Centred;
    }
}

QFont cellFont(const QFont& base, int points, bool bold, bool underline = false)
{
    QFont f = base;
    f.setPointSize(points);
    f.setBold(bold);
    f.setUnderline(underline);
    return f;
}

// Word-wrapped text cut with an ellipsis where it leaves the rectangle.
QString wrappedToFit(const QFontMetrics& fm, const QRect& r, const QString& text)
{
    const auto fits = [&](const QString& t) {
        return fm.boundingRect(QRect(0, 0, r.width(), 10000), Qt::TextWordWrap, t).height() <=
               r.height();
    };
    if (fits(text))
        return text;
    QString t = text;
    while (!t.isEmpty() && !fits(t + QStringLiteral("…")))
        t.chop(1);
    return t + QStringLiteral("…");
}

// The header row and the number column: both drawn by the grid.
class ConnHeader : public QHeaderView
{
public:
    ConnHeader(Qt::Orientation o, const TConnGrid* grid) : QHeaderView(o, nullptr), m_grid(grid) {}
    QSize sizeHint() const override
    {
        const QSize s = QHeaderView::sizeHint();
        return orientation() == Qt::Horizontal ? QSize(s.width(), TConnGrid::RowHeight - 10)
                                               : QSize(m_width, s.height());
    }
    // The width of the number column (the vertical header).
    void setWidth(int width)
    {
        m_width = width;
        updateGeometry();
        emit geometriesChanged();
    }

protected:
    void paintSection(QPainter* p, const QRect& rect, int logicalIndex) const override
    {
        p->save();
        if (orientation() == Qt::Horizontal)
            m_grid->drawCell(*p, rect, 0, logicalIndex + 1, false);
        else
            m_grid->drawCell(*p, rect, logicalIndex + 1, 0, false);
        p->restore();
    }

private:
    const TConnGrid* m_grid;
    int m_width = TConnGrid::FixedColumnWidth;
};

class ConnCellDelegate : public QStyledItemDelegate
{
public:
    explicit ConnCellDelegate(TConnGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        p->save();
        m_grid->drawCell(*p, option.rect, index.row() + 1, index.column() + 1,
                         option.state & QStyle::State_Selected);
        p->restore();
    }

private:
    const TConnGrid* m_grid;
};

} // namespace

TConnGrid::TConnGrid(TConnTableModel& model, QWidget* parent) : QTableView(parent), m_model(model)
{
    setHorizontalHeader(new ConnHeader(Qt::Horizontal, this));
    setVerticalHeader(new ConnHeader(Qt::Vertical, this));
    setModel(&model);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(RowHeight);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setHighlightSections(false);
    for (int c = 0; c < ColumnCount - 1; ++c)
        setColumnWidth(c, DesignWidths[c]);
    setItemDelegate(new ConnCellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setCornerButtonEnabled(false);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, GridBackground);
    setPalette(pal);
}

int TConnGrid::gridRowCount() const
{
    return m_model.rowCount() + 1;
}

QRect TConnGrid::cellRect(int row, int col) const
{
    if (row < 1 || col < 1 || row >= gridRowCount() || col >= ColumnCount)
        return {};
    return visualRect(m_model.index(row - 1, col - 1));
}

// The columns keep their design widths where the system font holds their
// texts. Where it does not (row numbers of six digits, totals of seven,
// long day or month names), a column widens to its widest text; the room
// comes from the description, which is cut with an ellipsis anyway.
void TConnGrid::fitColumns()
{
    const auto width = [this](const QString& text, int points, bool bold) {
        return QFontMetrics(cellFont(font(), points, bold)).horizontalAdvance(text) + CellMargins;
    };
    const SelectionTotals& t = m_model.totals();
    const float cambio = m_model.exchangeRate();

    int taken = 0;
    auto* header = static_cast<ConnHeader*>(verticalHeader());
    const int rowNumber = width(QStringLiteral("n. %1").arg(gridRowCount() - 2), 8, false);
    if (rowNumber > header->sizeHint().width()) {
        taken += rowNumber - header->sizeHint().width();
        header->setWidth(rowNumber);
    }

    int dates =
        width(fmt::formatDateTime(QStringLiteral("hh nn ss"), dt::encodeTime(23, 59, 59)), 9, true);
    for (int i = 0; i < 7; ++i) // a Monday to a Sunday
        dates = std::max(dates, width(fmt::formatDateTime(QStringLiteral("dddd"),
                                                          dt::encodeDate(2001, 1, 1 + i)),
                                      8, false));
    for (int month = 1; month <= 12; ++month)
        dates = std::max(dates, width(fmt::formatDateTime(QStringLiteral("d mmm yyyy"),
                                                          dt::encodeDate(2000, month, 28)),
                                      8, false));
    const int durations = std::max(width(TSelection::durationText(t.maxTime), 9, true),
                                   width(TSelection::totalTimeText(t.totalTime), 9, true));
    int costs = 0;
    for (const float c : {t.totalCost, t.maxCost})
        costs = std::max({costs, width(TSelection::lireText(c), 12, true),
                          width(TSelection::euroText(c, cambio), 9, false)});
    const int marks = width(QStringLiteral("spesa max, tempo max"), 7, false);

    // A header caption wraps between words, so its longest word must fit as
    // well (the marks' column has the legend instead).
    const std::pair<int, int> needs[] = {{Col::Start, dates},
                                         {Col::End, dates},
                                         {Col::Duration, durations},
                                         {Col::Cost, costs},
                                         {Col::Marks, marks}};
    for (auto [col, needed] : needs) {
        if (col != Col::Marks)
            for (const QString& word :
                 TConnTableModel::caption(col).split(QRegularExpression(QStringLiteral("\\s+"))))
                needed = std::max(needed, width(word, 8, false));
        const int now = columnWidth(col);
        if (needed > now) {
            setColumnWidth(col, needed);
            taken += needed - now;
        }
    }
    if (taken > 0) {
        const int descr = columnWidth(Col::Description);
        setColumnWidth(Col::Description, std::max(MinDescriptionWidth, descr - taken));
        // Past what the description can give, the grid scrolls sideways.
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    }
}

void TConnGrid::drawCell(QPainter& p, const QRect& rect, int row, int col, bool selected) const
{
    if (row == 0 || col == 0) {
        drawFixedCell(p, rect, row, col);
        return;
    }
    p.fillRect(rect, selected ? SelectedBackground : CellBackground);
    drawDataCell(p, rect, row, col);
}

void TConnGrid::drawFixedCell(QPainter& p, const QRect& rect, int row, int col) const
{
    const QPalette& pal = palette();
    p.fillRect(rect, pal.button());
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(rect.bottomLeft(), rect.bottomRight());
    p.drawLine(rect.topRight(), rect.bottomRight());
    p.setPen(Qt::white);
    p.drawLine(rect.topLeft(), rect.topRight());
    p.drawLine(rect.topLeft(), rect.bottomLeft());
    p.setPen(pal.color(QPalette::ToolTipText));
    p.setFont(cellFont(font(), 8, false));
    const QRect inner = rect.adjusted(2, 0, -2, 0);
    if (row == 0 && col - 1 == Col::Marks) {
        p.fillRect(QRect(rect.left() + 6, rect.top() + 4, 10, 10), TimeColour);
        p.drawText(QRect(rect.left() + 20, rect.top() + 2, rect.width() - 22, 14),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tempo"));
        p.fillRect(QRect(rect.left() + 6, rect.top() + 19, 10, 10), CostColour);
        p.drawText(QRect(rect.left() + 20, rect.top() + 17, rect.width() - 22, 14),
                   Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Lire"));
    } else if (row == 0 && col >= 1) {
        const int top = col - 1 == Col::Description ? 14 : 3;
        p.drawText(inner.adjusted(0, top, 0, 0), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                   TConnTableModel::caption(col - 1));
    } else if (col == 0 && row >= 1) {
        p.drawText(inner.adjusted(0, 4, 0, 0), Qt::AlignHCenter | Qt::AlignTop,
                   m_model.headerData(row - 1, Qt::Vertical).toString());
    }
}

void TConnGrid::drawDataCell(QPainter& p, const QRect& rect, int row, int col) const
{
    const int modelRow = row - 1;
    const int column = col - 1;
    const QStringList lines = m_model.lines(modelRow, column);
    if (lines.isEmpty())
        return;
    const RowKind kind = m_model.kind(modelRow);
    const QRect inner = rect.adjusted(2, 0, -2, 0);
    const auto draw = [&](const QString& text, const LineStyle& l) {
        const QRect r(inner.left(), rect.top() + l.top, inner.width(), l.height);
        p.setFont(cellFont(font(), l.points, l.bold, l.underline));
        p.setPen(l.colour);
        p.drawText(r, l.align | Qt::AlignVCenter,
                   l.cut ? QFontMetrics(p.font()).elidedText(text, Qt::ElideRight, r.width())
                         : text);
    };
    if (column == Col::Description) {
        p.setFont(cellFont(font(), 9, false));
        p.setPen(Qt::black);
        QString text = lines.first();
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        const QRect box = inner.adjusted(0, 1, 0, -1);
        p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   wrappedToFit(QFontMetrics(p.font()), box, text));
        return;
    }
    for (int i = 0; i < lines.size(); ++i)
        draw(lines[i], styleOf(kind, column, i, int(lines.size())));
    if (kind == RowKind::Totals)
        return;
    if (column == Col::Start || column == Col::End) {
        p.setPen(Separator);
        p.drawLine(rect.left(), rect.top() + 28, rect.right(), rect.top() + 28);
    } else if (column == Col::Marks) {
        const ConnRecord r = m_model.record(modelRow);
        const SelectionTotals& t = m_model.totals();
        const int w = rect.width() - 4;
        p.fillRect(QRect(rect.left(), rect.top() + 23, TSelection::costBarLength(r, t, w), 15),
                   CostColour);
        const int timeLen = TSelection::timeBarLength(r, t, w);
        const QRect timeBar(rect.left(), rect.top() + 13, timeLen, 15);
        p.fillRect(timeBar, TimeColour);
        if (timeLen > 0) {
            p.setPen(Qt::black);
            p.drawRect(timeBar.adjusted(0, 0, -1, -1));
        }
    }
}
