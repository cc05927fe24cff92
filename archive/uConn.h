#pragma once
// " Riepilogo delle Connessioni": the archive window. Lists the stored
// connections that pass the current filter (a period, a telephone, a
// provider, a tariff profile), one per grid row, with a totals row and marks
// for the dearest, cheapest, longest and shortest connection. The filter is
// a predefined period or a saved query of "Int/".
//
// Grid rows are counted as the user sees them: row 0 is the header, rows 1..n
// the connections (row k + 1 shows selection record k), the last row the
// totals; column 0 holds the row numbers (see TConnGrid).

#include "archive/ConnGrid.h"
#include "archive/ConnTableModel.h"
#include "archive/QueryForm.h"
#include "archive/SavedQuery.h"
#include "archive/Selection.h"
#include "archive/SelectionPeriod.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <utility>

struct Program;
class QCheckBox;
class QComboBox;
class QMenu;
class QMouseEvent;
class QPainter;
class QPushButton;
class QRadioButton;
class QTableView;
class QToolButton;
class THelpKey;
class TReport;

class TfConn : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ColumnCount = TConnGrid::ColumnCount;
    static constexpr int FixedColumnWidth = TConnGrid::FixedColumnWidth;

    // Opens the window from the main bar: creation, a first load, shown
    // modally in its window slot (filled while the window exists), destroyed
    // when closed. ctarSlot: the change-tariff window's slot, filled while
    // "&Cambia Tariffa" has it open. Returns the dialog's result.
    static int open(Program& program, QPointer<QWidget>* slot, QWidget* parent = nullptr,
                    QPointer<QWidget>* ctarSlot = nullptr);

    // Runs the creation steps: grid sizes, the window's settings, caption,
    // saved-query lists (choosing the current description loads the
    // selection), profile names, dial-up entry names.
    explicit TfConn(Program& program, QWidget* parent = nullptr);
    // Saves the current description and the period choices.
    ~TfConn() override;

    // "&Stampa" prints on the default printer; a test puts a recorder here so
    // no page ever reaches a real printer.
    void setReportSink(std::function<void(const TReport&)> sink) { m_print = std::move(sink); }

    // ---- Selection -----------------------------------------------------------
    // Copies the filter controls into the current query; false (after
    // "Data Errata !") when a date cannot be read.
    bool readFilter();
    // Loads the selection with the current query and refreshes the grid.
    void loadSelection();
    const TSelection& selection() const { return m_selection; }
    const SavedQuery& currentQuery() const { return m_query; }
    SavedQuery& currentQuery() { return m_query; }
    QString currentDescription() const { return m_descrizione; }
    bool nothingLoaded() const { return m_model.nothingLoaded(); }
    bool namedQuery() const { return m_namedQuery; }

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
    void periodClick(SelectionPeriod::Kind kind); // oggi, UltSett, ..., ultBimestre
    void PiuClick();                              // "avanti"
    void MenoClick();                             // "indietro"
    void RiselezioneClick();                      // "&Riselezione"
    void aggiornaClick();                         // "&Aggiorna"
    void ChiudiClick();                           // "&Chiudi"
    void helpKey();                               // F1
    // Right button released over the grid at pos (viewport coordinates):
    // makes that row current unless it already is (so a selected range
    // stays when its current row is clicked) and, unless it is the totals
    // row, opens the grid's menu.
    void gridRightClick(const QPoint& pos);
    QMenu* popupMenu1() const { return m_popupMenu1; }
    // The change-tariff window's slot (may be null).
    void setCtarSlot(QPointer<QWidget>* slot) { m_ctarSlot = slot; }

    // ---- Saved queries ---------------------------------------------------------
    // Applies the query selected in `Descriz`.
    void chooseDescription();
    // Reads the query file of name into the current query; a missing file
    // brings the question to create it.
    bool loadQuery(const QString& name);
    bool saveQuery(const QString& name);
    // Enter in `Descriz`: a text that is no item yet becomes a new query
    // with the filter of the controls.
    void DescrizEnter();
    void modificaClick(); // "&Modifica": saves the filter into the query shown
    void eliminaClick();  // "&Elimina": deletes the query shown

    // ---- The grid's menu ----------------------------------------------------
    // Each change is written at the record's own archive position, and only
    // over the connection the grid listed there: a record deleted, damaged
    // or replaced since the list was loaded is "Connessione Inesistente.".
    void Modifica1Click();      // "Modifica Connessione": the current row
    void Elimina1Click();       // "Elimina Connessioni": the selected rows
    void CambiaTariffa1Click(); // "&Cambia Tariffa": the selected rows, re-priced

    void SpeedButton1Click(); // "&Stampa" (not available yet)

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void loadWindowSettings();
    void saveWindowSettings();
    void buildQueryLists();
    void mergeQueryIntoLists(const SavedQuery& q);
    void showQuery();
    void setPeriod(const SelectionPeriod& period);
    void movePeriod(bool forward);
    void fillProfiles();
    void fillProviders();
    void formShow();
    void uncheckPeriods();
    QRadioButton* periodButton(SelectionPeriod::Kind kind) const;
    // The filter as the controls hold it.
    QueryForm form() const;
    int currentYear() const;
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

    Program& m_program;
    TSavedQueries m_queries;
    TSelection m_selection;
    TConnTableModel m_model;
    SavedQuery m_query;
    std::function<void(const TReport&)> m_print;
    QString m_descrizione;
    bool m_periodFlags[6] = {};

    bool m_namedQuery = false;
    bool m_shown = false;
    bool m_rightButton = false;
    QPointer<QWidget>* m_ctarSlot = nullptr;

    TConnGrid* m_sg1 = nullptr;
    QMenu* m_popupMenu1 = nullptr;
    QRadioButton* m_periods[6] = {};
    QComboBox* m_descriz = nullptr;
    QPushButton* m_modifica = nullptr;
    QPushButton* m_elimina = nullptr;
    QComboBox* m_dal = nullptr;
    QComboBox* m_al = nullptr;
    QToolButton* m_meno = nullptr;
    QToolButton* m_piu = nullptr;
    QComboBox* m_nomeTar = nullptr;
    QCheckBox* m_tarTutti = nullptr;
    QComboBox* m_tel = nullptr;
    QComboBox* m_provider = nullptr;
    QCheckBox* m_provTutti = nullptr;
    THelpKey* m_help = nullptr;
};
