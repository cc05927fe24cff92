#pragma once
// Where the program keeps its files. The program window and the command-line
// tool both ask here, so they always agree.
//
// Portable: the executable's folder holds everything, the user's files
// (archive, profiles, provider records, saved queries, the simulated dial-up
// service) next to the shipped ones (help pages, sample profiles). This is a
// folder unpacked or built anywhere the user may write, e.g. dist/.
//
// Installed: the executable lies in a folder the user may not write (/usr/bin)
// or in the bin folder of an installation, recognised by the shipped files in
// <prefix>/share/tarvelo/ beside it. The user's files then go to
// $XDG_DATA_HOME/tarvelo/ (~/.local/share/tarvelo/), made on first start, and
// the shipped files are read where they were installed. An installation in a
// folder the user may write (~/.local, or any installation run as root) is
// still an installation: the user's files never mix with the executables.

#include <QString>

#include <functional>

// What the choice depends on, gathered from the system by ofSystem(); tests
// give their own.
struct LayoutEnvironment {
    QString dataHome; // $XDG_DATA_HOME as set; ignored when empty or relative
    QString home;     // the user's home folder
    // True when the user may create files in the folder.
    std::function<bool(const QString& folder)> writable;

    static LayoutEnvironment ofSystem();
};

struct ProgramLayout {
    enum class Kind { Portable, Installed };

    Kind kind = Kind::Portable;
    // The user's files: archive, Trf/, Int/, provider records, ras-sim/.
    QString programFolder;
    // The shipped files: hlp/ and the sample profiles in Trf/.
    QString dataFolder;
    // Both end with '/'.

    // Everything in one folder (the folder given to the command-line tool, a
    // test's folder).
    static ProgramLayout portable(const QString& folder);
    // The layout of a program whose executable lies in executableFolder
    // (symbolic links resolved).
    static ProgramLayout forExecutable(const QString& executableFolder);
    static ProgramLayout forExecutable(const QString& executableFolder,
                                       const LayoutEnvironment& env);

    // Where an installation keeps the shipped files, seen from its bin folder
    // ("<prefix>/bin/../share/tarvelo/").
    static QString installedDataFolder(const QString& executableFolder);
};

// Readies the user's folder of an installed layout: makes it on first start
// (owner-only, like any missing folder above it) and, while it has no "Trf"
// at all, gives it one holding the shipped sample profiles. The samples
// arrive together or not at all, so an interrupted start is completed by the
// next one; a "Trf" already there is the user's and is never touched (a
// sample the user deleted stays deleted). A portable layout needs nothing.
// False, with a reason in Italian, when the folder cannot be made or the
// samples cannot be copied.
bool prepareProgramFolder(const ProgramLayout& layout, QString* error = nullptr);
