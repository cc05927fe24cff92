#pragma once
// " Profili Tariffe Telefoniche": the tariff profile editor. Shows one
// profile as a grid of day rows by band columns 1..7, edits one cell at a
// time through the fields under the grid, copies, pastes and clears cells,
// creates, deletes and saves profiles, and marks the default profile that
// sessions apply ("Applica Tabella").
//
// The profile is edited in a table of the editor's own (TProfileEditor), so
// a session start or a change of tariff while the window is open cannot slip
// another profile under the editor; the edited profile becomes the program's
// working profile when the window closes.

#include "tariff/ProfileEditor.h"

#include <QDialog>
#include <QPointer>
#include <functional>

class IPrompt;
class IShell;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QMenu;
class QPainter;
class QPushButton;
class THelpKey;
class TKvStringGrid;

// What the window needs of the rest of the program.
struct TariffeContext {
    // The program's working profile, which the edited one becomes at closing.
    TariffProfiles& profiles;
    // The settings' default profile ("TabDefault", changed in place by
    // "Applica Tabella") and current profile ("TabellaAttuale").
    QString& tabDefault;
    QString& tabellaAttuale;
    const int32_t& iva;
    // The user's files (profiles in "Trf/") and the shipped ones (help
    // pages), each with a trailing '/'.
    QString programFolder;
    QString dataFolder;
    IPrompt& prompt;
    IShell& shell;
    // The two names as stored (current, default), read at opening; and
    // storing them at closing.
    std::function<std::pair<QString, QString>()> storedNames;
    std::function<void(const QString& current, const QString& byDefault)> storeNames;
};

class TfTariffe : public QDialog
{
    Q_OBJECT
public:
    static constexpr int CellWidth = 60;
    static constexpr int CellHeight = 36;

    // Opens the window from the main bar: shown modally with its window slot
    // filled while it exists, destroyed when closed.
    static int open(const TariffeContext& ctx, QPointer<QWidget>* slot, QWidget* parent = nullptr);

    explicit TfTariffe(const TariffeContext& ctx, QWidget* parent = nullptr);
    // Saves the shown profile if modified, hands it to the program's working
    // profile and writes "TabellaAttuale" and "TabDefault".
    ~TfTariffe() override;

    // Runs once, when the window is first shown: reads the two profile names,
    // fills the list and shows the current profile.
    void opening();

    // Handlers, public so tests can drive them as the controls do.
    void nometabChoice();   // an item chosen from the list
    void nometabEnter();    // Enter in the name field
    void TabDefaultClick(); // "Applica Tabella" changed
    void gridSelectCell(int col, int row);
    void SalvaTariffaClick();
    void AzzeraCampiClick();
    void EliminaTabellaClick();
    void CopiaClick();
    void IncollaClick();
    void CancellaClick();
    // The grid's pop-up menu is about to open at pos (grid coordinates).
    void gridMenuOpening(const QPoint& pos);
    void cbScontoClick();

    // The texts a grid cell shows: a fixed cell its day label and "CpM", a
    // band its start and its rate with VAT; none for an empty cell.
    QStringList cellTexts(int col, int row) const;
    // Paints one grid cell as the window shows it.
    void gridDrawCell(QPainter& painter, int col, int row, const QRect& rect, bool selected);

    // The fields under the grid, as CellFields.
    CellFields fields() const;
    void setFields(const CellFields& f);

    TKvStringGrid* grid() const { return m_grid; }
    QMenu* gridMenu() const { return m_popup; }
    const TProfileEditor& editor() const { return m_editor; }
    const TariffCell& editBuffer() const { return m_buffer; }

    // The question asked when the edits could not be saved at the close.
    static QString leaveWithoutSavingText(const QString& name);

    // Closing (by "&Chiudi", Esc or the title bar) first saves the edits; when
    // that fails the window stays open with them, unless the user chooses to
    // leave without them.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // Width of the day column: the design cell width, or what the widest
    // day label needs in the system font.
    int dayColumnWidth() const;
    void switchProfile(bool fromList);
    void addName(const QString& name);

    TariffeContext m_ctx;
    TProfileEditor m_editor;
    TariffCell m_buffer;
    bool m_opened = false;

    QComboBox* m_nometab;
    QCheckBox* m_TabDefault;
    TKvStringGrid* m_grid;
    QCheckBox* m_scrsi;
    QLineEdit* m_costorisp;
    QLineEdit* m_dalle;
    QLineEdit* m_costo1;
    QLineEdit* m_doposec;
    QLineEdit* m_costo2;
    QCheckBox* m_cbSconto;
    QLineEdit* m_scopercent;
    QLineEdit* m_scodoposec;
    QMenu* m_popup;
    THelpKey* m_help;
};
