#pragma once
// " Riepilogo delle Connessioni": the archive window. Lists the stored
// connections that pass the current filter (a period, a telephone, a
// provider, a tariff profile), one per grid row, with a totals row and marks
// for the dearest, cheapest, longest and shortest connection. The filter is
// a predefined period or a saved query of "Int/" (TConnQueryPanel); the grid
// (TConnGrid) shows the selection through TConnTableModel; the grid's menu
// edits, deletes and re-prices the listed connections.
//
// Grid rows are counted as the user sees them: row 0 is the header, rows 1..n
// the connections (row k + 1 shows selection record k), the last row the
// totals; column 0 holds the row numbers.

#include "archive/ConnContext.h"
#include "archive/ConnGrid.h"
#include "archive/ConnTableModel.h"
#include "archive/ReportPrinter.h"
#include "archive/SavedQuery.h"
#include "archive/Selection.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

class QKeyEvent;
class QLabel;
class QMenu;
class QMouseEvent;
class QProgressBar;
class QPushButton;
class QTableView;
class TConnQueryPanel;
class THelpKey;
class TReport;

class TfConn : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ColumnCount = TConnGrid::ColumnCount;
    static constexpr int FixedColumnWidth = TConnGrid::FixedColumnWidth;

    // Opens the window: creation, a first load, shown modally in its window
    // slot (filled while the window exists), destroyed when closed. Returns
    // the dialog's result.
    static int open(const ConnContext& ctx, QPointer<QWidget>* slot, QWidget* parent = nullptr);

    // Builds the window, reads the choices kept from the last opening, lists
    // the saved queries (choosing the current description loads the
    // selection), the profile names and the dial-up entry names.
    explicit TfConn(const ConnContext& ctx, QWidget* parent = nullptr);
    // Keeps the current description and the period choices.
    ~TfConn() override;

    // "&Stampa" prints on the default printer; a test puts a recorder here so
    // no page ever reaches a real printer. A long report comes with the
    // window's progress function (see TReportPrinter::Progress); a short one
    // without.
    using ReportSink = std::function<void(const TReport&, const TReportPrinter::Progress&)>;
    void setReportSink(ReportSink sink) { m_print = std::move(sink); }

    // ---- Selection -----------------------------------------------------------
    // Copies the filter boxes into the current query; false (after "Data
    // Errata !") when a date cannot be read.
    bool readFilter();
    // Loads the selection with the current query and refreshes the grid.
    // A load that one slice cannot finish goes on a slice at a time on the
    // event loop (see work()); the rows appear as they are read. While the
    // window opens, a load of the same filter from an archive of the same
    // size and time as the last one is not repeated.
    void loadSelection();
    const TSelection& selection() const { return m_selection; }
    const SavedQuery& currentQuery() const;
    SavedQuery& currentQuery();
    QString currentDescription() const;
    bool nothingLoaded() const { return m_model.nothingLoaded(); }
    bool namedQuery() const;
    TConnQueryPanel& queryPanel() const;

    // ---- Long work ------------------------------------------------------------
    // What runs in the window: a load of the selection a slice at a time, a
    // change of many stored connections on a worker thread, or a long
    // printout a page at a time. Meanwhile a
    // strip under the grid shows how far it got, "&Interrompi" (or Escape)
    // stops it, the commands that would act on a selection still being read
    // or an archive being changed are disabled, and closing the window stops
    // it and closes once it has stopped.
    enum class Work { None, Loading, Changing, Printing };
    Work work() const { return m_work; }
    // A load keeps the records read so far, with their totals, and the strip
    // says how far it got; a change leaves the archive as it was; a printout
    // is cancelled.
    void stopWork();
    // Read at most records archive records per slice, a slice every
    // intervalMs (0: slices as long as the event loop can spare, as fast as
    // it can): for tests, which watch a small archive load slowly.
    void setLoadPace(int records, int intervalMs);
    // Loads begun since the window was created (the ones a same-filter
    // request at opening skips are not counted).
    int loadsBegun() const { return m_loadsBegun; }
    // Changes of more rows than this run on a worker thread with the strip;
    // fewer run at once.
    static constexpr int InlineChangeRows = 4096;
    // Reports of more connections than this are printed with the strip.
    static constexpr int InlinePrintRecords = 200;

    // ---- Grid ----------------------------------------------------------------
    QTableView* grid() const;
    // Header, data rows and totals row.
    int rowCount() const;
    int currentRow() const;
    // First and last selected rows (the current row when nothing is
    // selected); the totals row included when selected.
    std::pair<int, int> selectedRows() const;
    // The first data row in view, and scrolling a row back to the top.
    int topRow() const;
    void setTopRow(int row);
    // The right button went down on the grid and has not come up yet: the
    // grid does not select rows by itself meanwhile.
    bool rightButton() const { return m_rightButton; }
    // The rectangle of a cell (row >= 1, col >= 1) in the coordinates of
    // the grid's viewport, where a click lands on it; empty otherwise.
    QRect cellRect(int row, int col) const;
    // The texts drawn in a cell, top to bottom (for tests and for reading
    // the grid without pixels).
    QStringList cellTexts(int row, int col) const;

    // ---- Controls' handlers ----------------------------------------------------
    void ChiudiClick(); // "&Chiudi"
    void printClick();  // "&Stampa"
    void helpKey();     // F1
    // Right button released over the grid at pos (viewport coordinates):
    // makes that row current unless it already is (so a selected range
    // stays when its current row is clicked) and, unless it is the totals
    // row, opens the grid's menu.
    void gridRightClick(const QPoint& pos);
    QMenu* gridMenu() const { return m_gridMenu; }

    // ---- The grid's menu ----------------------------------------------------
    // Each change is written at the record's own archive position, and only
    // over the connection the grid listed there: a record deleted, damaged
    // or replaced since the list was loaded is "Connessione Inesistente.".
    void Modifica1Click();      // "Modifica Connessione": the current row
    void Elimina1Click();       // "Elimina Connessioni": the selected rows
    void CambiaTariffa1Click(); // "&Cambia Tariffa": the selected rows, re-priced
    // "Confronta Tariffe...": the rows marked when more than one is, else
    // every listed connection, priced with each profile; nothing is written.
    void ConfrontaTariffe1Click();

    // While work runs, closing waits for it to stop.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What a load was begun with: the filter and the archive file as it was.
    struct LoadKey {
        QByteArray query;
        bool telBoxEmpty = true;
        bool providerBoxEmpty = true;
        qint64 size = -1;
        qint64 mtimeNs = 0;
        quint64 inode = 0;
        bool operator==(const LoadKey&) const = default;
    };
    LoadKey loadKey(const SelectionFilter& filter) const;
    void loadStep();
    void finishLoad();
    void beginWork(Work work, const QString& text);
    void endWork();
    void showProgress(int64_t done, int64_t total);
    void setCommandsEnabled(bool on);
    // Runs a change: at once when the rows are few, otherwise on a worker
    // thread while the event loop goes on and the strip shows its progress.
    void runChange(int rows, const QString& text, const archivechange::Work& change);
    void buildStrip();
    void buildControls();
    bool gridMouseEvent(QMouseEvent* event);
    void openPopupAt(const QPoint& viewportPos);
    // The data rows of the selection, the totals row left out; false when
    // the selection starts at the totals row.
    bool selectedDataRows(int& first, int& last) const;
    // Writes change(stored record) over the connection the grid listed,
    // when it is still there; says why not otherwise.
    bool editListed(const archivechange::RecordRef& listed,
                    const std::function<ConnRecord(const ConnRecord&)>& change);
    void missingConnection();
    // Reloads after an edit or a deletion: the saved query chosen in
    // `Descriz`, or the current filter when there is no saved query.
    void reloadAfterChange(int topRow);

    ConnContext m_ctx;
    TSelection m_selection;
    TConnTableModel m_model;
    ReportSink m_print;

    bool m_shown = false;
    bool m_rightButton = false;

    // The long work and its strip.
    Work m_work = Work::None;
    QTimer m_loadTimer;
    int m_paceRecords = 0;
    int m_paceMs = 0;
    std::atomic<bool> m_stopAsked{false};
    bool m_closeAsked = false;
    int m_closeResult = 0;
    // The window is being opened: creation, the first load, the showing.
    bool m_opening = true;
    std::optional<LoadKey> m_loaded; // the last load begun, unless it failed or was stopped
    int m_loadsBegun = 0;
    bool m_userMoved = false; // the user moved in the grid while it loaded
    bool m_movingCurrent = false;
    int m_pendingTop = 0; // a top row asked for while loading
    QWidget* m_strip = nullptr;
    QLabel* m_stripText = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_stampa = nullptr;

    TConnGrid* m_grid = nullptr;
    QMenu* m_gridMenu = nullptr;
    TConnQueryPanel* m_panel = nullptr;
    THelpKey* m_help = nullptr;
};
