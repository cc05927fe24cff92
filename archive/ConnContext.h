#pragma once
// What the archive window needs of the rest of the program, and nothing
// more: the archive, where the files are, the services, and a few questions
// answered by whoever opens it (the main bar, or a test).

#include "archive/ArchiveChange.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class TArchiveFile;
class IClock;
class IPrompt;
class IShell;
class QWidget;
class TSelection;

// The choices the window keeps from one opening to the next: the query
// described in "Descriz" and which predefined period was checked (oggi,
// UltSett, Ult15gg, Ult30gg, ultMese, ultBimestre).
struct ConnWindowChoices {
    QString description;
    std::array<bool, 6> periods{};
};

struct ConnContext {
    TArchiveFile& archive;
    // The user's files (saved queries in "Int/"), and the shipped ones (help
    // pages), each with a trailing '/'.
    QString programFolder;
    QString dataFolder;
    IClock& clock;
    IPrompt& prompt;
    IShell& shell;
    // Lire to Euro, as the settings hold it now.
    const float& cambioEcu;

    // The names of the tariff profiles, and of the dial-up entries.
    std::function<QStringList()> profileNames;
    std::function<QStringList()> providerEntries;
    // The choices kept from the last opening, and keeping them at closing.
    std::function<ConnWindowChoices()> loadChoices;
    std::function<void(const ConnWindowChoices&)> saveChoices;
    // "&Cambia Tariffa": re-prices the connections of grid rows first..last
    // (row r shows selection record r - 1) in a window of its own over parent;
    // returns once it is closed. runner, when set, runs the change (with the
    // progress shown and a way to stop it). Unset: the item does nothing.
    std::function<void(const TSelection& selection, int firstRow, int lastRow, QWidget* parent,
                       const archivechange::Runner& runner)>
        reprice;
    // "Confronta Tariffe...": prices the connections of grid rows
    // firstRow..lastRow with every profile, writing nothing, in a window of
    // its own over parent; returns once it is closed. Unset: the item does
    // nothing.
    std::function<void(const TSelection& selection, int firstRow, int lastRow, QWidget* parent)>
        compare;
};
