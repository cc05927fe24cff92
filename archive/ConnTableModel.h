#pragma once
// The archive window's grid as a table model: one row per selected
// connection (an empty row when none is selected), then the totals row; one
// column per grid column right of the row numbers. Each cell gives the texts
// it shows, top to bottom; how they are drawn is the grid's business.
//
// The model follows a selection that grows while it is loaded a slice at a
// time: after each slice, appendLoaded() adds the new rows before the totals
// row. A load that starts afresh is wrapped in beginLoad()/endLoad().

#include "archive/ConnRecord.h"
#include "archive/Selection.h"

#include <QAbstractTableModel>
#include <QStringList>

class TConnTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum class RowKind {
        Record, // a selected connection
        Empty,  // the one row of an empty selection
        Totals, // the last row
    };
    enum Role {
        LinesRole = Qt::UserRole + 1, // QStringList: the cell's texts, top to bottom
        KindRole,                     // int: the row's RowKind
    };
    // Model column c is grid column c + 1 (grid column 0 holds the row numbers).
    enum Column { Start, End, Duration, Cost, Names, Description, Marks, ColumnCount };

    // cambioEcu: the Lire to Euro rate, read as the cells are asked for.
    TConnTableModel(const TSelection& selection, const float& cambioEcu, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Around a load that empties the selection and fills it again.
    void beginLoad();
    void endLoad();
    // The selection has grown since the last load or call.
    void appendLoaded();

    // Nothing was loaded (no query to apply, or the archive could not be
    // read): the rows show no connection and no totals.
    void setNothingLoaded(bool on);
    bool nothingLoaded() const { return m_nothingLoaded; }

    RowKind kind(int row) const;
    // The connection of a row; the empty record for the other rows.
    ConnRecord record(int row) const;
    const SelectionTotals& totals() const { return m_selection.totals(); }
    float exchangeRate() const { return m_cambioEcu; }
    // The texts of a cell, top to bottom (DisplayRole joins them with '\n').
    QStringList lines(int row, int column) const;
    // A column's header caption; '\n' breaks it.
    static QString caption(int column);

private:
    const TSelection& m_selection;
    const float& m_cambioEcu;
    // Selected records the rows show: the selection's count at the last
    // load or append, so that rows and signals agree while it grows.
    int m_records = 0;
    bool m_nothingLoaded = false;
};
