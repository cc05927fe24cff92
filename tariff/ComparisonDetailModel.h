#pragma once
// The detail of one row of the tariff comparison: each compared connection
// with what it cost as stored and what it would have cost with the row's
// profile (VAT included, as re-pricing would store it), or that the profile
// has no band in force at its start.

#include "tariff/ComparedConnections.h"
#include "tariff/TariffTable.h"

#include <QAbstractTableModel>
#include <optional>
#include <vector>

class TComparisonDetailModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Number, Start, Duration, Telephone, Stored, Priced, Difference, ColumnCount };

    // Prices every connection with profile at once (some 30 ms for a
    // hundred thousand connections).
    TComparisonDetailModel(const TComparedConnections& connections, const QString& profileName,
                           const TariffTable& profile, int32_t iva, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    QString text(int row, int column) const;
    QString caption(int column) const;
    // The cost of connection row with the profile, VAT included; nothing
    // when the profile has no band at its start.
    std::optional<float> priced(int row) const { return m_priced[size_t(row)]; }
    // Connections the profile could not price; the sum of the others' costs
    // with the profile, and as stored.
    int unpriced() const { return m_unpriced; }
    double pricedTotal() const { return m_pricedTotal; }
    double storedOfPriced() const { return m_storedOfPriced; }

    static inline const QString NoBandText = QStringLiteral("senza fascia");

private:
    TComparedConnections m_connections;
    QString m_profile;
    std::vector<std::optional<float>> m_priced;
    int m_unpriced = 0;
    double m_pricedTotal = 0;
    double m_storedOfPriced = 0;
};
