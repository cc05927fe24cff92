#pragma once
// The "Providers" page of the options window apart from its widgets: the
// dial-up entries to choose from, the provider record of the chosen entry as
// field texts, and saving the fields back as that entry's record file.
//
// The page works on the program's one current provider record: showing an
// entry loads its file into it, saving writes it from the fields.

#include <QString>
#include <QStringList>
#include <QUrl>

class IPrompt;
class TDialUp;
struct RasBackendChoice;
struct TProviderRecord;

struct ProviderFields {
    QString userName;
    QString password;
    QString phoneNumber;
    QString profile; // empty when the record names no profile of the list
    QString homePage;
    QString userPage;
    bool operator==(const ProviderFields&) const = default;
};

class TProviderPage
{
public:
    static inline const QString UnknownEntryText =
        QStringLiteral("Nome di Connessione Ras Inesistente");

    enum class SaveResult { UnknownEntry, Saved, Failed };

    // programFolder ends with '/'; the record files live there.
    TProviderPage(TDialUp& dialUp, TProviderRecord& current, const QString& programFolder,
                  IPrompt& prompt);

    // Reads the phone book into the RAS entry list (which also empties the
    // current record) and gives the names of its filled slots, each once,
    // sorted without regard to case like the pick-list that shows them.
    QStringList enumerateEntries();

    // Loads the entry's record into the current record. The profile is kept
    // only when it is one of profiles (the profile files that exist).
    ProviderFields show(const QString& entry, const QStringList& profiles);

    // Looks entry up in the RAS entry list (exact, case counts). Unknown or
    // empty: the message UnknownEntryText. Known: the current record takes the
    // entry name and the fields (each cut to its field; a profile that is not
    // one of profiles is saved as none) and is written at once.
    SaveResult save(const QString& entry, const ProviderFields& fields,
                    const QStringList& profiles);
    // Why the last save failed.
    QString lastError() const { return m_lastError; }

    // Which dial-up service the entries come from (rich text, with a link to
    // serviceDetails), as of the last enumeration.
    QString serviceLine(const QString& serviceTitle);
    // What that service does with the records' telephone number, user name
    // and password, why the entries could not be read if they could not, and
    // why the service was chosen.
    QString serviceDetails(const RasBackendChoice& choice);

    // The address to open for a "&Vai" button: an http or https address with
    // a host; a bare host name ("www.esempio.it/utenti") is taken as http.
    // Invalid for an empty field and for anything else (local files, other
    // schemes), which the page does not open.
    static QUrl webAddress(const QString& text);

private:
    TDialUp& m_dialUp;
    TProviderRecord& m_current;
    QString m_programFolder;
    IPrompt& m_prompt;
    QString m_lastError;
};
