#pragma once
// The archive window's filter: the predefined periods, the saved queries of
// "Int/" and the boxes of the current query (dates, telephone, provider,
// tariff profile), with "&Riselezione" and "&Aggiorna". It builds its
// controls on the window, keeps the current query and the saved ones, and
// asks the window to load the selection whenever the filter changes.

#include "archive/ConnContext.h"
#include "archive/QueryForm.h"
#include "archive/SavedQuery.h"
#include "archive/SelectionPeriod.h"

#include <QObject>

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QToolButton;

class TConnQueryPanel : public QObject
{
    Q_OBJECT
public:
    // Builds the controls on window and reads the choices kept from the last
    // opening; nothing is listed or loaded before start().
    TConnQueryPanel(const ConnContext& ctx, QWidget* window);

    // The window's creation: the saved queries listed (choosing the current
    // description loads the selection), then the profiles and providers.
    void start();
    // The window is shown: the current description again, then the
    // predefined period checked at the last closing, if any.
    void showing();
    // The window closes: the choices for the next opening.
    void keepChoices();
    // Every control of the filter, and its buttons, enabled or not.
    void setEnabled(bool on);

    // ---- The filter ----------------------------------------------------------
    // Copies the boxes into the current query; false (after "Data Errata !")
    // when a date cannot be read.
    bool readFilter();
    // There is a filter to load with: a saved query to choose, or the
    // predefined periods' own.
    bool hasQueryToApply() const;
    SelectionFilter filter() const;
    // Telephones of a loaded selection, offered in the telephone box.
    void addTelephones(const QStringList& telephones);
    const SavedQuery& currentQuery() const { return m_query; }
    SavedQuery& currentQuery() { return m_query; }
    QString currentDescription() const { return m_descrizione; }
    // The grid was last filled by "&Aggiorna", not by a period or
    // "&Riselezione".
    bool namedQuery() const { return m_namedQuery; }
    bool hasSavedQueries() const;
    // As the boxes show them, for the printed report.
    QString descriptionText() const;
    QString tariffText() const;
    bool allTariffs() const;

    // ---- Controls' handlers ----------------------------------------------------
    void periodClick(SelectionPeriod::Kind kind); // oggi, UltSett, ..., ultBimestre
    void PiuClick();                              // "avanti"
    void MenoClick();                             // "indietro"
    void RiselezioneClick();                      // "&Riselezione"
    void aggiornaClick();                         // "&Aggiorna"

    // ---- Saved queries ---------------------------------------------------------
    // Applies the query selected in `Descriz`.
    void chooseDescription();
    // Reads the query file of name into the current query; a missing file
    // brings the question to create it.
    bool loadQuery(const QString& name);
    bool saveQuery(const QString& name);
    // Enter in `Descriz`: a text that is no item yet becomes a new query
    // with the filter of the boxes.
    void DescrizEnter();
    void modificaClick(); // "&Modifica": saves the filter into the query shown
    void eliminaClick();  // "&Elimina": deletes the query shown

signals:
    // The filter changed: the window loads the selection again.
    void loadRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls(QWidget* window);
    void buildQueryLists();
    void mergeQueryIntoLists(const SavedQuery& q);
    void showQuery();
    void setPeriod(const SelectionPeriod& period);
    void movePeriod(bool forward);
    void fillProfiles();
    void fillProviders();
    void uncheckPeriods();
    QRadioButton* periodButton(SelectionPeriod::Kind kind) const;
    // The filter as the boxes hold it.
    QueryForm form() const;
    int currentYear() const;

    ConnContext m_ctx;
    TSavedQueries m_queries;
    SavedQuery m_query;
    QString m_descrizione;
    ConnWindowChoices m_kept;
    bool m_namedQuery = false;

    // The controls setEnabled() switches.
    QList<QWidget*> m_controls;
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
};
