#pragma once
// The tariff editor's logic, apart from its widgets: the profile being edited,
// the modified mark, the clipboard cell, the default-profile rule, and the
// conversions between a cell and the texts of the editor's fields.
//
// The editor keeps a table and header of its own instead of editing the
// program's working profile in place: a session start or a change of tariff
// made while the editor is open loads another profile into the working
// profile, and the editor must never show or save that content under its own
// profile name. finish() hands the edited profile back to the program's
// working profile when the editor closes.

#include "tariff/ProfileFiles.h"
#include "tariff/TariffProfiles.h"

#include <QString>
#include <QStringList>

class IPrompt;

// The texts and boxes of the editor's fields for one cell. Rates and the
// fixed charge exclude VAT.
struct CellFields {
    bool scrsi = false;
    QString costorisp;
    QString dalle; // time of day, "hh:nn" with the locale's time separator
    QString costo1;
    QString doposec;
    QString costo2;
    bool scoAttivo = false;
    QString scopercent;
    QString scodoposec;
};

enum class ShowCellResult {
    Filled,    // every field was filled from the cell
    EmptyCell, // no band: the fields were left as they were
    BadTime,   // the start time cannot be shown ("Data Errata !"); the
               // fields before it were filled, the rest left as they were
};

// Copies a cell into the fields, in the order the editor fills them.
ShowCellResult cellToFields(const TariffCell& cell, CellFields& fields);

enum class StoreCellError {
    None,
    NoFixedCharge, // "Scatto alla Risposta" ticked with no positive charge: beep only
    BadTime,       // "Orario Errato !"
    BadCosto1,     // "Il Formato del Numero immesso è Errato !", focus to costo1
    BadCosto2,     // the same, focus to costo2
    BadPercent,    // the same, focus to scopercent
};

// Reads the fields into cell, which keeps the fields the editor does not
// show (reserved words, padding, and costorisp when no fixed charge is
// made). cell changes only when the result is None. A rate of 0 becomes the
// free marker; negative or non-finite rates, and discounts outside 0..100 per
// cent, are refused like text that is not a number, since the cost engine
// would turn them into negative costs.
StoreCellError fieldsToCell(const CellFields& fields, TariffCell& cell);

// The grid's texts for a cell: its start "hh.nn" and its rate with VAT
// ("Gratis" for a free band); both empty for an empty cell.
QString cellStartText(const TariffCell& cell);
QString cellRateText(const TariffCell& cell, int iva);

class TProfileEditor
{
public:
    // The grid shows band columns 1..7 as grid columns 1..7.
    static constexpr int ShownBands = 7;

    // defaultName: the program-wide default profile name ("TabDefault"),
    // changed by applyDefaultRule.
    TProfileEditor(const QString& programFolder, IPrompt& prompt, QString& defaultName);

    // Starts from the program's working profile and header, as the editor
    // shows them when the current profile is not in the list.
    void startFrom(const TariffProfiles& program);

    QStringList listProfiles() const;

    // Saves the shown profile if modified, then loads name (offering to
    // create it). False leaves everything as it was: a refused creation, an
    // unreadable file, or a failed save of the shown profile (its changes
    // are kept rather than lost).
    bool switchTo(const QString& name);

    // "Applica Tabella" changed: text is the name in the combo box.
    void applyDefaultRule(const QString& text, bool ticked);

    // Asks "Elimino la Tabella <name> ?"; on Yes deletes the file and leaves
    // the empty profile shown under that name, unmodified. The shown profile,
    // when it is another one with unsaved changes, is saved first. False when
    // the user says No or the deletion fails (reported).
    bool deleteProfile(const QString& name);

    // Cells of the grid: band column 1..7, day row 0..7.
    const TariffCell& cell(int band, int row) const { return m_own.working.cell(band, row); }
    // Stores an edited cell; marks the profile modified.
    void storeCell(int band, int row, const TariffCell& cell);
    void copyCell(int band, int row);
    // False (nothing done) for an empty clipboard or the cell copied from.
    bool pasteCell(int band, int row);
    // Asks "Svuoto la Cella Selezionata ?"; true when a band was emptied.
    bool clearCell(int band, int row);

    // "Applica Sconto del" changed: remembered in header byte 0.
    void setDiscountBox(bool on) { m_own.header.setDiscountBox(on); }

    // The window is about to close: saves the shown profile if modified.
    // False when the save failed (reported): the window should stay open with
    // the edits, unless the user chooses to leave without them.
    bool saveBeforeClosing() { return saveIfModified(); }
    // The user leaves without the edits the profile file could not take.
    void dropChanges() { m_modified = false; }

    // The window closes: saves the shown profile if modified and hands it to
    // the program's working profile and header. False when the save failed
    // (reported).
    bool finish(TariffProfiles& program);

    QString currentName() const { return m_current; }
    void setCurrentName(const QString& name) { m_current = name; }
    QString defaultName() const { return m_default; }
    bool isModified() const { return m_modified; }
    const TariffProfiles& own() const { return m_own; }

private:
    bool saveIfModified();

    TariffProfiles m_own;
    TProfileFiles m_files;
    IPrompt& m_prompt;
    QString& m_default;
    QString m_current;
    bool m_modified = false;
    TariffCell m_clip;
    int m_clipBand = -1;
    int m_clipRow = -1;
};
