#include "archive/ConnTableModel.h"

#include "common/Format.h"

namespace
{

const QString NoData = QStringLiteral("- nd -");

const char* const Captions[] = {
    "Inizio Connessione",
    "Termine Connessione",
    "Durata\nConnessione",
    "Costo in\nLire / Ecu",
    "Telefono, Provider e\nTipo Tariffa",
    "Descrizione",
    "Tempo\nLire", // the legend of the bars
};

// Day name and date (when asked), then the time.
QStringList dateLines(TDateTime t, bool withDate)
{
    QStringList lines;
    if (withDate)
        lines << fmt::formatDateTime(QStringLiteral("dddd"), t)
              << fmt::formatDateTime(QStringLiteral("d mmm yyyy"), t);
    lines << fmt::formatDateTime(QStringLiteral("hh nn ss"), t);
    return lines;
}

QStringList costLines(float costo, float cambioEcu)
{
    return {TSelection::lireText(costo), TSelection::euroText(costo, cambioEcu)};
}

} // namespace

TConnTableModel::TConnTableModel(const TSelection& selection, const float& cambioEcu,
                                 QObject* parent)
    : QAbstractTableModel(parent), m_selection(selection), m_cambioEcu(cambioEcu),
      m_records(selection.count())
{
}

int TConnTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max(1, m_records) + 1;
}

int TConnTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

TConnTableModel::RowKind TConnTableModel::kind(int row) const
{
    if (row == rowCount() - 1)
        return RowKind::Totals;
    return row < m_records ? RowKind::Record : RowKind::Empty;
}

ConnRecord TConnTableModel::record(int row) const
{
    return kind(row) == RowKind::Record ? m_selection.at(row) : ConnRecord{};
}

QStringList TConnTableModel::lines(int row, int column) const
{
    if (m_nothingLoaded || row < 0 || row >= rowCount() || column < 0 || column >= ColumnCount)
        return {};
    if (kind(row) == RowKind::Totals) {
        const SelectionTotals& t = totals();
        switch (column) {
        case End:
            return {QStringLiteral(" TOTALI ")};
        case Duration:
            return {TSelection::totalTimeText(t.totalTime)};
        case Cost:
            return costLines(t.totalCost, m_cambioEcu);
        default:
            return {};
        }
    }
    const ConnRecord r = record(row);
    if (r.inizio == 0 || r.fine == 0)
        return {};
    switch (column) {
    case Start:
        return dateLines(r.inizio, true);
    case End:
        return dateLines(r.fine, fmt::formatShortDate(r.fine) != fmt::formatShortDate(r.inizio));
    case Duration:
        return {TSelection::durationText(r.fine - r.inizio)};
    case Cost:
        return costLines(r.costo, m_cambioEcu);
    case Names: {
        QStringList out;
        for (const QString& s : {r.telefono, r.provider, r.nomeTar})
            out << (s.isEmpty() ? NoData : s);
        return out;
    }
    case Description:
        return {r.motivo};
    case Marks:
        return {TSelection::marks(r, totals())};
    default:
        return {};
    }
}

QVariant TConnTableModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return lines(index.row(), index.column()).join(QLatin1Char('\n'));
    case LinesRole:
        return lines(index.row(), index.column());
    case KindRole:
        return int(kind(index.row()));
    default:
        return {};
    }
}

QString TConnTableModel::caption(int column)
{
    return column >= 0 && column < ColumnCount ? QString::fromUtf8(Captions[column]) : QString();
}

QVariant TConnTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < ColumnCount ? QVariant(caption(section)) : QVariant();
    if (section < 0 || section >= rowCount())
        return {};
    // The row numbers, as the user counts the rows (the header row is row 0).
    return kind(section) == RowKind::Totals ? QString()
                                            : QStringLiteral("Conn.\nn. %1").arg(section + 1);
}

Qt::ItemFlags TConnTableModel::flags(const QModelIndex& index) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TConnTableModel::beginLoad()
{
    beginResetModel();
}

void TConnTableModel::endLoad()
{
    m_records = m_selection.count();
    endResetModel();
}

void TConnTableModel::appendLoaded()
{
    const int now = m_selection.count();
    if (m_records == 0 && now > 0) {
        // The empty row of an empty selection becomes the first record's row.
        m_records = 1;
        emit dataChanged(index(0, 0), index(0, ColumnCount - 1));
    }
    if (now > m_records) { // the new rows go before the totals row
        beginInsertRows(QModelIndex(), m_records, now - 1);
        m_records = now;
        endInsertRows();
    }
    // The totals changed, and with them every row's marks and bars.
    emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void TConnTableModel::setNothingLoaded(bool on)
{
    if (on == m_nothingLoaded)
        return;
    m_nothingLoaded = on;
    emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}
