#pragma once
// The profile files: "Trf/<name>.trf" in the program folder, 3852 bytes each
// (the 12-byte header, then the 3840-byte table). Names are used exactly as
// typed (case counts, as for any file on Linux); a name that cannot be a
// file name (see isSafeFileName) is refused like a file that cannot be
// created. Saves replace the file atomically: a failed save leaves the old
// profile in place.
//
// A file shorter than 3852 bytes gives what it holds: the header bytes it has
// and the whole cells it has; the cells it lacks are empty, never left over
// from the profile loaded before. Bytes beyond 3852 are ignored; the format
// mark is not checked.

#include "tariff/TariffProfiles.h"

#include <QString>
#include <QStringList>

class IPrompt;

class TProfileFiles
{
public:
    static constexpr int FileSize = ProfileHeader::Size + TariffTable::Size; // 3852
    static inline const QString Folder = QStringLiteral("Trf/");
    static inline const QString Extension = QStringLiteral(".trf");

    // programFolder ends with '/'. Nothing is read or written until asked.
    TProfileFiles(TariffProfiles& profiles, const QString& programFolder, IPrompt& prompt);

    // Fills the working profile and the shared header from the file of name.
    // A missing file, when offerCreate is set, brings the question
    // "Creo la nuova tabella <name> ?"; Yes writes a new empty profile at once
    // and makes it the working profile. With offerCreate (the editor) every
    // failure is also reported through the prompt; without it (session start,
    // change of tariff) the false result is all, the caller words the message
    // and lastError() says what went wrong.
    bool LoadProfile(const QString& name, bool offerCreate);

    // Writes the shared header (format mark set to 300) and the working
    // profile as the file of name. An empty name does nothing and gives false.
    // A failure is reported through the prompt and gives false; the old file,
    // if any, is still there.
    bool SaveProfile(const QString& name);

    // Fills the re-pricing profile and the shared header; never creates a file
    // and never asks. False when the file is missing or unreadable.
    bool LoadProfileForRepricing(const QString& name);

    // Appends the name of every "Trf/*.trf" file (the file name without its
    // final extension), sorted by name without regard to case. Files under a
    // name that could not be loaded by it (see isSafeFileName) are left out.
    void ListProfiles(QStringList& list) const;
    // The same names for the profile folder of programFolder.
    static QStringList listProfiles(const QString& programFolder);

    // Why the last call failed, for the caller's message; empty after success.
    QString lastError() const { return m_lastError; }

    QString profilePath(const QString& name) const;

    // Lower-level helpers, shared with the command-line tool.
    // Reads a profile file as described above; on failure nothing changes.
    static bool readProfileFile(const QString& path, ProfileHeader& header, TariffTable& table,
                                QString* error = nullptr);
    // The 3852 bytes of a profile file.
    static QByteArray fileBytes(const ProfileHeader& header, const TariffTable& table);

private:
    bool loadInto(const QString& name, TariffTable& table);
    // Sets the header's format mark, writes; reports a failure.
    bool writeProfile(const QString& name, ProfileHeader& header, const TariffTable& table);

    TariffProfiles& m_profiles;
    QString m_programFolder;
    IPrompt& m_prompt;
    QString m_lastError;
};
