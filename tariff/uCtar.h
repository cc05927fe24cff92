#pragma once
// "Cambio Tariffa": shows the profile in use and the list of profiles, and
// applies the chosen one either to the running connection (from the main
// bar's "C&ambia Tariffa") or to a range of stored connections (from the
// archive window's "&Cambia Tariffa").

#include "archive/ArchiveChange.h"
#include "archive/ConnRecord.h"
#include "tariff/Repricing.h"

#include <QDialog>
#include <QList>
#include <QPointer>
#include <functional>
#include <optional>

class TArchiveFile;
class IPrompt;
class IShell;
class QComboBox;
class QLabel;
class QPushButton;
class TSelection;

// What the window needs of the rest of the program.
struct CtarContext {
    // The running session: whether one is timed, its record, the profiles
    // (working, session and re-pricing), its schedule and trace.
    const bool& sessionRunning;
    ConnRecord& runningRecord;
    TariffProfiles& profiles;
    std::optional<Schedule>& sessionSchedule;
    ScheduleTrace& sessionTrace;
    // The stored connections, the calendar that prices them, and the VAT.
    TArchiveFile& archive;
    TflFestivi& holidays;
    const int32_t& iva;
    // The user's files (profiles in "Trf/") and the shipped ones (help
    // pages), each with a trailing '/'.
    QString programFolder;
    QString dataFolder;
    IPrompt& prompt;
    IShell& shell;
    // The running connection is priced with the profile just applied: the
    // watch shows it as such (its light green).
    std::function<void()> runningRepriced;
};

class TfCtar : public QDialog
{
    Q_OBJECT
public:
    enum Mode {
        NotSet = 0,
        RunningConnection = 1, // change the running connection
        StoredConnections = 2, // re-price stored connections
    };

    static inline const QString EmptyListText = QStringLiteral("Nessuna Tariffa in archivio");
    static inline const QString NoModeText =
        QStringLiteral("Occorre settare ftype (contattare il fornitore)");

    // The main bar's "C&ambia Tariffa": the window for the running connection,
    // showing its profile, modal, in slot while it is open. Returns the result.
    static int openForRunning(const CtarContext& ctx, QPointer<QWidget>* slot,
                              QWidget* parent = nullptr);
    // The archive window's "&Cambia Tariffa": re-prices the connections of
    // grid rows firstRow..lastRow (row r shows selection[r - 1]), modal, in
    // slot while it is open. Accepted once the range has been re-priced; the
    // caller then reloads its view.
    static int openForStored(const CtarContext& ctx, QPointer<QWidget>* slot,
                             const QList<ConnRecord>& selection, int firstRow, int lastRow,
                             QWidget* parent = nullptr);
    // runner, when given, runs the re-pricing itself (see setRunner).
    static int openForStored(const CtarContext& ctx, QPointer<QWidget>* slot,
                             const TSelection& selection, int firstRow, int lastRow,
                             QWidget* parent = nullptr, const archivechange::Runner& runner = {});

    // Fills cb1 with the profile names; the mode is not set and both rows are 0.
    explicit TfCtar(const CtarContext& ctx, QWidget* parent = nullptr);

    // ftype.
    void setMode(int mode) { m_ftype = mode; }
    int mode() const { return m_ftype; }
    // The range for StoredConnections: where the connections of those rows
    // are, and the start each had when listed.
    void setRows(const QList<ConnRecord>& selection, int firstRow, int lastRow);
    void setRows(const TSelection& selection, int firstRow, int lastRow);
    // Runs the re-pricing of stored connections once a profile is applied:
    // the window goes out of the way first, so that the one that shows the
    // progress can be used to stop it.
    void setRunner(archivechange::Runner runner) { m_runner = std::move(runner); }
    int firstRow() const { return m_firstRow; }
    int lastRow() const { return m_lastRow; }
    // tabAtt: the profile in use.
    void setTabAtt(const QString& name);
    QString tabAtt() const;

    void applicaClick(); // "&Applica"
    void ChiudiClick();  // "&Chiudi"
    void profileChosen(int index);

private:
    void changeRunning();
    void repriceStored();

    CtarContext m_ctx;
    int m_ftype = NotSet;
    int m_firstRow = 0;
    int m_lastRow = 0;
    std::vector<archivechange::RecordRef> m_rows;
    archivechange::Runner m_runner;

    QLabel* m_tabAtt = nullptr;
    QComboBox* m_profiles = nullptr;
    QPushButton* m_applica = nullptr;
    QPushButton* m_chiudi = nullptr;
};
