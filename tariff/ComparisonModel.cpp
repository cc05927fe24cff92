#include "tariff/ComparisonModel.h"

#include "common/Format.h"

#include <cmath>

TComparisonModel::TComparisonModel(const float& cambioEcu, QObject* parent)
    : QAbstractTableModel(parent), m_cambioEcu(cambioEcu)
{
}

void TComparisonModel::setRows(const QList<ComparisonRow>& rows)
{
    double dearest = 0;
    for (const ComparisonRow& r : rows)
        if (r.usable())
            dearest = std::max(dearest, r.costWithVat);

    bool sameProfiles = rows.size() == m_rows.size();
    for (qsizetype i = 0; sameProfiles && i < rows.size(); ++i)
        sameProfiles = rows[i].profile == m_rows[i].profile;
    if (sameProfiles) {
        m_rows = rows;
        m_dearest = dearest;
        if (!m_rows.isEmpty())
            emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
        return;
    }

    bool reordered = rows.size() == m_rows.size();
    for (qsizetype i = 0; reordered && i < rows.size(); ++i)
        reordered = rowOf(rows[i].profile) >= 0;
    if (!reordered) {
        beginResetModel();
        m_rows = rows;
        m_dearest = dearest;
        endResetModel();
        return;
    }
    // The same profiles in a new order: the persistent indexes (the view's
    // current row and selection) follow their profiles.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& i : before) {
        int moved = -1;
        for (qsizetype r = 0; r < rows.size() && moved < 0; ++r)
            if (rows[r].profile == m_rows[i.row()].profile)
                moved = int(r);
        after.append(index(moved, i.column()));
    }
    m_rows = rows;
    m_dearest = dearest;
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int TComparisonModel::rowOf(const QString& profile) const
{
    for (qsizetype i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].profile == profile)
            return int(i);
    return -1;
}

int TComparisonModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TComparisonModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

TComparisonModel::RowKind TComparisonModel::kind(int row) const
{
    const ComparisonRow& r = m_rows[row];
    if (!r.usable())
        return RowKind::Unusable;
    if (r.unpriced > 0)
        return RowKind::Partial;
    return r.cheapest ? RowKind::Cheapest : RowKind::Complete;
}

double TComparisonModel::barShare(int row) const
{
    const ComparisonRow& r = m_rows[row];
    if (!r.usable())
        return -1;
    return m_dearest > 0 ? r.costWithVat / m_dearest : 0.0;
}

QString TComparisonModel::text(int row, int column) const
{
    const ComparisonRow& r = m_rows[row];
    const bool usable = r.usable();
    switch (Column(column)) {
    case Profile:
        return r.profile;
    case Lire:
        return usable ? lireText(r.costWithVat) : QStringLiteral("-");
    case Euro:
        return usable ? fmt::formatFloat(QStringLiteral("#,#0.00"), r.euro(m_cambioEcu))
                      : QStringLiteral("-");
    case Difference:
        return usable ? differenceText(r.costWithVat, r.stored) : QStringLiteral("-");
    case Unpriced:
        return usable ? QString::number(r.unpriced) : QStringLiteral("-");
    case Bar:
        return QString();
    case Note:
        switch (kind(row)) {
        case RowKind::Cheapest:
            return QStringLiteral("la più conveniente");
        case RowKind::Partial:
            return QStringLiteral("totale parziale");
        case RowKind::Unusable:
            return QStringLiteral("non utilizzabile: ") + r.error;
        case RowKind::Complete:
            break;
        }
        return QString();
    case ColumnCount:
        break;
    }
    return QString();
}

QVariant TComparisonModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return text(index.row(), index.column());
    case Qt::ToolTipRole:
        if (index.column() == Note || index.column() == Profile)
            return text(index.row(), Note);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() >= Lire && index.column() <= Unpriced)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case BarRole:
        return barShare(index.row());
    case KindRole:
        return int(kind(index.row()));
    default:
        return {};
    }
}

QString TComparisonModel::caption(int column)
{
    switch (Column(column)) {
    case Profile:
        return QStringLiteral("Tariffa");
    case Lire:
        return QStringLiteral("Totale Lire\n(IVA compresa)");
    case Euro:
        return QStringLiteral("Totale\nEuro");
    case Difference:
        return QStringLiteral("Differenza\ndall'archivio");
    case Unpriced:
        return QStringLiteral("Non\ncalcolate");
    case Bar:
        return QStringLiteral("Confronto");
    case Note:
        return QStringLiteral("Note");
    case ColumnCount:
        break;
    }
    return QString();
}

QVariant TComparisonModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return caption(section);
}

Qt::ItemFlags TComparisonModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

double TComparisonModel::roundedLire(double lire)
{
    return std::nearbyint(lire + 0.49);
}

QString TComparisonModel::lireText(double lire)
{
    return fmt::formatFloat(QStringLiteral("#,#0"), roundedLire(lire));
}

QString TComparisonModel::differenceText(double lire, double fromLire)
{
    const double d = roundedLire(lire) - roundedLire(fromLire);
    const QString digits = fmt::formatFloat(QStringLiteral("#,#0"), std::fabs(d));
    return d > 0 ? QLatin1Char('+') + digits : d < 0 ? QLatin1Char('-') + digits : digits;
}

QString TComparisonModel::lireAndEuroText(double lire, float cambioEcu)
{
    const double euro = cambioEcu > 0 ? lire / double(cambioEcu) : 0.0;
    return lireText(lire) + QStringLiteral(" Lire (") +
           fmt::formatFloat(QStringLiteral("#,#0.00"), euro) + QStringLiteral(" E)");
}
