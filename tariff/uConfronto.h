#pragma once
// " Confronto Tariffe": what the connections listed in the archive window
// (or those marked there) would have cost with each tariff profile of
// "Trf/", without writing anything. One row per profile, cheapest first:
// the total with VAT in Lire and Euro, the difference from what they cost
// as stored, how many connections the profile could not price, a bar. The
// pricing runs a slice at a time on the event loop, with a progress bar and
// a stop button; a double click on a row lists that profile's price of each
// connection.

#include "tariff/ComparedConnections.h"
#include "tariff/ComparisonModel.h"
#include "tariff/TariffComparison.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <memory>

class IPrompt;
class IShell;
class QLabel;
class QModelIndex;
class QProgressBar;
class QPushButton;
class QTableView;

// What the window needs of the rest of the program.
struct ConfrontoContext {
    // The user's files (profiles in "Trf/") and the shipped ones (help
    // pages), each with a trailing '/'.
    QString programFolder;
    QString dataFolder;
    // The VAT added to each connection's cost, and the Lire to Euro rate, as
    // the settings hold them.
    const int32_t& iva;
    const float& cambioEcu;
    IPrompt& prompt;
    IShell& shell;
};

class TfConfronto : public QDialog
{
    Q_OBJECT
public:
    static inline const QString NoConnectionsText =
        QStringLiteral("Nessuna connessione da confrontare.");
    static inline const QString NoProfilesText =
        QStringLiteral("Nessuna Tabella Tariffe da confrontare nella cartella Trf.");

    // The archive window's "Confronta Tariffe...": the window over parent,
    // modal, in slot while it is open; returns once it is closed. With no
    // connection or no profile it only says so.
    static int open(const ConfrontoContext& ctx, const TComparedConnections& connections,
                    QWidget* parent = nullptr, QPointer<QWidget>* slot = nullptr);

    // Reads the profiles of "Trf/"; the pricing starts when the window is
    // first shown (or start() is called).
    TfConfronto(const ConfrontoContext& ctx, const TComparedConnections& connections,
                QWidget* parent = nullptr);
    ~TfConfronto() override;

    // Starts pricing afresh; the slices then follow on the event loop.
    void start();
    // One slice: prices the next connections and shows the totals so far.
    void slice();
    // Connections priced by one slice (tests make them few).
    void setSlicePositions(int positions) { m_slicePositions = positions; }
    bool running() const { return m_comparison.running(); }
    const TTariffComparison& comparison() const { return m_comparison; }
    const TComparisonModel& model() const { return m_model; }
    QTableView* table() const { return m_table; }
    // The detail window while it is open.
    QWidget* detail() const { return m_detail; }

    void InterrompiClick(); // "&Interrompi": stops, keeping the totals so far
    void DettaglioClick();  // "&Dettaglio": the detail of the current row
    void ChiudiClick();     // "&Chiudi": stops and closes
    // The detail of a row of the table, modal over this window.
    void showDetail(int row);

protected:
    void showEvent(QShowEvent* event) override;
    // The close box, Escape and "&Chiudi" stop the pricing first.
    void reject() override;

private:
    void buildControls();
    void stop();
    void showState();

    ConfrontoContext m_ctx;
    TComparedConnections m_connections;
    TTariffComparison m_comparison;
    TComparisonModel m_model;
    QTimer m_timer;
    int m_slicePositions = TTariffComparison::SlicePositions;
    bool m_started = false;
    bool m_stopped = false;

    QLabel* m_summary = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_state = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_dettaglio = nullptr;
    QPushButton* m_interrompi = nullptr;
    QPushButton* m_chiudi = nullptr;
    QPointer<QWidget> m_detail;
};
