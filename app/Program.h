#pragma once
// The program object: one instance, created by the program entry and passed
// down to the main bar and every window. It holds the program-wide records
// and the services that stand between the program and the system, so that a
// test can build a fresh one with a temporary folder, an in-memory registry,
// a scripted prompt and a manual clock.
//
// Window slots live on the window side (app/WindowSlots.h): this object has
// no widgets.

#include "app/Settings.h"
#include "app/Watch.h"
#include "app/WatchState.h"
#include "archive/ArchiveFile.h"
#include "archive/ConnRecords.h"
#include "dialup/DialUp.h"
#include "dialup/ProviderRecord.h"
#include "platform/ras/RasBackend.h"
#include "platform/ras/RasService.h"
#include "platform/system/ProgramLayout.h"
#include "platform/system/VersionInfo.h"
#include "tariff/HolidayCalendar.h"
#include "tariff/TariffProfiles.h"

#include <QString>
#include <memory>
#include <optional>

class IClock;
class IPrompt;
class IRegistry;
class IShell;

struct Program {
    // programFolder: where every file lives (a portable layout: the
    // program's own files and the shipped ones in one folder); a missing
    // trailing '/' is added. executablePath: the program file, used for the
    // start-up shortcut.
    // ras: the dial-up service (the program entry passes the backend the
    // settings choose, see RasSetup); by default the simulated service of
    // programFolder.
    Program(IPrompt& prompt, IClock& clock, IRegistry& registry, IShell& shell,
            const QString& programFolder, const QString& executablePath = QString(),
            std::unique_ptr<IRasService> ras = nullptr);
    // The same with the user's files and the shipped ones where the layout
    // says (see ProgramLayout).
    Program(IPrompt& prompt, IClock& clock, IRegistry& registry, IShell& shell,
            const ProgramLayout& layout, const QString& executablePath = QString(),
            std::unique_ptr<IRasService> ras = nullptr);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Services.
    IPrompt& prompt;
    IClock& clock;
    IRegistry& registry;
    IShell& shell;

    // Where the files are: layout.programFolder (the user's files, also
    // programFolder) and layout.dataFolder (the shipped help pages, also
    // dataFolder), each with a trailing '/'. Portable: both are the folder of
    // the executable; every data file of the program is relative to it.
    const ProgramLayout layout;
    const QString programFolder;
    const QString dataFolder;
    const QString executablePath;
    // programFolder + relative ("Archivio.sto", "Trf/x.trf", ...).
    QString path(const QString& relative) const { return programFolder + relative; }

    // "Tarvelo! 3.1" while starting, "Tarvelo!" once the main bar exists; the
    // title of the program as a whole (Linux has no application window to
    // carry it, so it is kept here for whoever shows it).
    QString applicationTitle;
    // Sets it, and with it the title of the prompt's plain boxes.
    void setApplicationTitle(const QString& title);
    VersionInfo version;

    Settings settings;
    WatchState watch;

    // Tariffs: the working, session and re-pricing profiles; the running
    // session's own schedule and its trace list; the holiday calendar (made
    // for the current year when the main bar is created).
    TariffProfiles profiles;
    std::optional<Schedule> sessionSchedule;
    ScheduleTrace sessionTrace;
    TflFestivi holidays{0};

    // The connection records and the archive file "Archivio.sto".
    ConnRecords connRecords;
    TArchiveFile archive;

    // Dial-up: the service, its state (RAS entry list, last RAS error), the
    // operations over both, and the current provider record.
    std::unique_ptr<IRasService> rasService;
    // Which backend rasService is, and why it was chosen (shown by the options).
    RasBackendChoice rasBackend;
    RasState rasState;
    TDialUp dialUp;
    TProviderRecord provider;

    // The records and services the connection watch works on.
    WatchContext watchContext();

    // What the program sets up as its main bar is made: the settings from the
    // registry (false, with error, when they could not be read: the defaults
    // then stand), no session running or connected and the light off until
    // the watch's first tick, the holiday calendar of the current year, and
    // the dial-up entry names (the current provider record reset).
    bool prepare(QString* settingsError = nullptr);

    // Settings of the registry key, with the store's rules. The bar's
    // position is applied/copied by the bar itself.
    bool loadSettings(QString* error = nullptr);
    bool saveSettings(QString* error = nullptr);

    // Folder of the running executable with a trailing '/' (needs the
    // application object).
    static QString executableFolder();
};
