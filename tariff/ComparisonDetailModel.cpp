#include "tariff/ComparisonDetailModel.h"

#include "archive/Selection.h"
#include "common/Format.h"
#include "tariff/ComparisonModel.h"
#include "tariff/HolidayCalendar.h"
#include "tariff/TariffComparison.h"

TComparisonDetailModel::TComparisonDetailModel(const TComparedConnections& connections,
                                               const QString& profileName,
                                               const TariffTable& profile, int32_t iva,
                                               QObject* parent)
    : QAbstractTableModel(parent), m_connections(connections), m_profile(profileName)
{
    TflFestivi holidays{0};
    m_priced.reserve(size_t(connections.size()));
    for (int i = 0; i < connections.size(); ++i) {
        const ConnectionPrice p =
            TTariffComparison::priceOf(profile, iva, connections.at(i), holidays);
        m_priced.push_back(p.costWithVat);
        if (!p.costWithVat) {
            ++m_unpriced;
            continue;
        }
        m_pricedTotal += *p.costWithVat;
        m_storedOfPriced += connections.at(i).costo;
    }
}

int TComparisonDetailModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_connections.size();
}

int TComparisonDetailModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString TComparisonDetailModel::text(int row, int column) const
{
    const StoredConnection& c = m_connections.at(row);
    const std::optional<float> p = m_priced[size_t(row)];
    switch (Column(column)) {
    case Number:
        return QString::number(m_connections.row(row));
    case Start:
        return fmt::formatDateTime(QStringLiteral("ddd ") + fmt::shortDatePattern() +
                                       QStringLiteral(" hh.nn.ss"),
                                   c.inizio);
    case Duration:
        return TSelection::durationText(c.fine - c.inizio);
    case Telephone: {
        const QString t = m_connections.telephone(row);
        return t.isEmpty() ? QStringLiteral("- nd -") : t;
    }
    case Stored:
        return TComparisonModel::lireText(c.costo);
    case Priced:
        return p ? TComparisonModel::lireText(*p) : NoBandText;
    case Difference:
        return p ? TComparisonModel::differenceText(*p, c.costo) : QStringLiteral("-");
    case ColumnCount:
        break;
    }
    return QString();
}

QVariant TComparisonDetailModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) {
        const bool number = index.column() == Number || index.column() >= Stored;
        return int((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    }
    return {};
}

QString TComparisonDetailModel::caption(int column) const
{
    switch (Column(column)) {
    case Number:
        return QStringLiteral("Conn.\nn.");
    case Start:
        return QStringLiteral("Inizio\nConnessione");
    case Duration:
        return QStringLiteral("Durata");
    case Telephone:
        return QStringLiteral("Telefono");
    case Stored:
        return QStringLiteral("Costo in\narchivio");
    case Priced:
        return QStringLiteral("Costo con\n") + m_profile;
    case Difference:
        return QStringLiteral("Differenza");
    case ColumnCount:
        break;
    }
    return QString();
}

QVariant TComparisonDetailModel::headerData(int section, Qt::Orientation orientation,
                                            int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return caption(section);
}
