#pragma once
// Automatic search for a newer version of the program. The maker's web
// server offers a small binary file, "tarvelo!.agg", announcing the latest
// version and the page where it can be read about and downloaded; the file is
// fetched into the program folder, the announced version is compared with the
// program's own, and if it is newer and the user agrees the page is opened in
// the browser with both versions in its query. Nothing else is downloaded.
//
// The search runs at most once per run of the program, whatever its outcome.
// The request is asynchronous: start() returns at once and the rest happens
// when the answer (or the time-out) arrives, while the watch and the session
// tick go on running. The object lives as long as the main bar.

#include "common/DateTime.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>
#include <compare>
#include <optional>

class IClock;
class IPrompt;
class IShell;
class THttpClient;
struct Settings;
struct VersionInfo;

// The program-wide records and services the search works on.
struct UpdateCheckContext {
    // "IndirizzoAggiornamento" is where the search goes; "UltSearchAgg" is set
    // when an update was offered and accepted.
    Settings& settings;
    const VersionInfo& version; // the program's own version
    QString programFolder;      // with a trailing '/'; the file is stored there
    IClock& clock;
    IPrompt& prompt;
    IShell& shell;
};

class TUpdateCheck : public QObject
{
    Q_OBJECT

public:
    // Where the reply goes when the address names no file.
    static inline const QString DefaultFileName = QStringLiteral("default.agg");
    static constexpr int TimeOutMs = 10000;

    // Layout of the file: four 32-bit little-endian numbers, then the page
    // address as one length byte and up to 100 characters.
    static constexpr int AddressOffset = 16;
    static constexpr int MaxAddressLength = 100;
    static constexpr int FileSize = AddressOffset + 1 + MaxAddressLength; // 117

    static inline const QString ErrorText = QStringLiteral(
        "Collegamento con il server non riuscito.\rRiprovare più tardi.\rSi è verificato "
        "l'errore numero ");
    static inline const QString QuestionText = QStringLiteral(
        "E' stata rilevata la presenza di un aggiornamento al programma. Lo vuoi scaricare "
        "?\rSe rispondi <SI>, verrà aperta la pagina web del sito dove potrai leggere le novità "
        "della nuova versione e scaricare l'aggiornamento.");
    static inline const QString QuestionTitle = QStringLiteral("Richiesta Aggiornamento");
    // Title of the plain message boxes (no icon, OK only).
    static inline const QString MessageTitle = QStringLiteral("Tarvelo!");
    // The browser could not be started; the page address follows.
    static inline const QString OpenFailedText =
        QStringLiteral("Non è stato possibile aprire la pagina dell'aggiornamento:\r");
    static inline const QString OpenFailedTitle = QStringLiteral("Errore...");

    struct Version {
        int major = 0, minor = 0, release = 0, build = 0;
        // Field by field, from the major number down.
        auto operator<=>(const Version&) const = default;
    };

    // What the file announces.
    struct Announcement {
        Version version;
        QString address; // the page, as written in the file
    };

    // How the last search ended.
    enum class Outcome {
        NotRun,
        NetworkError,  // no reply: the error message was shown
        ServerError,   // a reply other than 2xx: nothing was stored, nothing shown
        BadFile,       // the stored file is short, unreadable or holds impossible numbers
        UnsafeAddress, // the page address is not a plain http/https address
        NoUpdate,      // the announced version is not newer
        Declined,
        Accepted,
    };

    // Each number in decimal with at least two digits, no separators:
    // 3.1.1.5 gives "03010105".
    static QString versionText(const Version& v);
    static Version ownVersion(const VersionInfo& info);
    // Reads the first FileSize bytes of the file's contents. Nothing when the
    // bytes end before the address does, a number is negative or larger than
    // a version field can be (65535), or the address is empty.
    static std::optional<Announcement> parseFile(const QByteArray& bytes);
    // The page address as a URL that may be opened: a valid http/https
    // address with a host and no user information (an address without a
    // scheme is taken as http://); invalid otherwise.
    static QUrl pageUrl(const QString& address);
    // page with "new=<announced>&old=<own>" added to its query.
    static QUrl updatePageUrl(const QUrl& page, const Version& announced, const Version& own);
    // Name of the file that receives the reply: the address's last path
    // segment, or DefaultFileName when it is empty or not a plain file name.
    static QString storedFileName(const QUrl& address);

    explicit TUpdateCheck(const UpdateCheckContext& ctx, QObject* parent = nullptr);
    ~TUpdateCheck() override;

    int timeOutMs = TimeOutMs;

    // The address of the update file: the setting "IndirizzoAggiornamento";
    // invalid when it is not a plain http/https address.
    QUrl address() const;
    // Full path of the file the reply is stored in.
    QString storedFilePath() const;

    // Starts the search; false (and nothing happens) when one has already
    // run in this run of the program or is running now.
    bool start();
    bool isBusy() const { return m_busy; }
    bool isDone() const { return m_done; }
    Outcome outcome() const { return m_outcome; }

signals:
    // The search is over, whatever its outcome (not emitted when start()
    // did nothing).
    void finished();

private:
    void onReply(bool ok);
    Outcome offerUpdate(const QString& filePath);
    void finish(Outcome outcome);

    UpdateCheckContext m_ctx;
    THttpClient* m_client = nullptr;
    bool m_busy = false;
    bool m_done = false;
    Outcome m_outcome = Outcome::NotRun;
};
