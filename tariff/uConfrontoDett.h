#pragma once
// " Dettaglio Confronto [<profile>]": each connection of a tariff comparison
// with its stored cost and what it would have cost with one profile.

#include "tariff/ComparisonDetailModel.h"
#include "tariff/TariffComparison.h"

#include <QDialog>
#include <initializer_list>

class IPrompt;
class IShell;
class QAbstractItemModel;
class QLabel;
class QRect;
class QTableView;

class TfConfrontoDett : public QDialog
{
    Q_OBJECT
public:
    struct Context {
        QString dataFolder; // holds "hlp/"
        const float& cambioEcu;
        IPrompt& prompt;
        IShell& shell;
    };

    // Prices connections with profile at once.
    TfConfrontoDett(const Context& ctx, const TComparedConnections& connections,
                    const ComparedProfile& profile, int32_t iva, QWidget* parent = nullptr);

    const TComparisonDetailModel& model() const { return m_model; }
    QTableView* table() const { return m_table; }
    QString totalsText() const;

    void ChiudiClick(); // "&Chiudi"

    // A read-only table of whole rows called sg1 on model, as both
    // comparison windows show theirs: the given widths from the left, the
    // last column taking the rest.
    static QTableView* makeTable(QWidget* parent, QAbstractItemModel* model, const QRect& geometry,
                                 int rowHeight, std::initializer_list<int> widths);

    // Widens window by what table's columns need beyond its width (a long
    // profile name), as far as the screen allows: controls that span the
    // window grow, those in its right half move right.
    static void widenForColumns(QWidget* window, QTableView* table);

private:
    TComparisonDetailModel m_model;
    QLabel* m_totals = nullptr;
    QTableView* m_table = nullptr;
};
