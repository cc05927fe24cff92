#pragma once
// The tariff comparison window's table: one row per profile, in the order of
// TTariffComparison::rows() (cheapest first), with the totals, the
// difference from the stored costs, the connections the profile could not
// price, a bar for the total and a note. Amounts in Lire are rounded as the
// archive window rounds them, so that the stored total here reads as the
// archive's totals row does.

#include "tariff/TariffComparison.h"

#include <QAbstractTableModel>
#include <QList>

class TComparisonModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Profile, Lire, Euro, Difference, Unpriced, Bar, Note, ColumnCount };
    enum Role {
        BarRole = Qt::UserRole + 1, // double: the total as a share of the dearest total, 0..1;
                                    // -1 where there is no bar (a profile that cannot be read)
        KindRole,                   // int: the row's RowKind
    };
    enum class RowKind {
        Cheapest, // priced every connection, for the lowest total
        Complete, // priced every connection
        Partial,  // left some connections out: its total covers only the others
        Unusable, // the profile could not be read
    };

    explicit TComparisonModel(const float& cambioEcu, QObject* parent = nullptr);

    // Shows rows; rows of the same profiles in another order move, so the
    // view keeps its current row on the same profile.
    void setRows(const QList<ComparisonRow>& rows);
    const QList<ComparisonRow>& rows() const { return m_rows; }
    // The row of a profile; -1 when there is none.
    int rowOf(const QString& profile) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    RowKind kind(int row) const;
    // The text of a cell, and a column's caption ('\n' breaks it).
    QString text(int row, int column) const;
    double barShare(int row) const;
    static QString caption(int column);

    // Whole Lire as the archive window shows them: (value + 0.49) rounded,
    // with thousands separators.
    static double roundedLire(double lire);
    static QString lireText(double lire);
    // "1.452 Lire (0,75 E)"
    static QString lireAndEuroText(double lire, float cambioEcu);
    // The difference of two rounded amounts, with its sign ("+12", "-1.350", "0").
    static QString differenceText(double lire, double fromLire);

private:
    const float& m_cambioEcu;
    QList<ComparisonRow> m_rows;
    double m_dearest = 0;
};
