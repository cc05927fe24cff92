#include "app/UpdateCheck.h"

#include "app/Settings.h"
#include "common/Ansi.h"
#include "common/ByteIO.h"
#include "common/Clock.h"
#include "common/Prompt.h"
#include "common/SafeName.h"
#include "net/HttpClient.h"
#include "platform/file/AtomicFile.h"
#include "platform/system/Shell.h"
#include "platform/system/VersionInfo.h"

namespace
{

// The numbers come from 16-bit fields of a version resource.
constexpr int MaxVersionNumber = 65535;

bool isVersionNumber(int n)
{
    return n >= 0 && n <= MaxVersionNumber;
}

} // namespace

QString TUpdateCheck::versionText(const Version& v)
{
    QString text;
    for (int n : {v.major, v.minor, v.release, v.build})
        text += QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    return text;
}

TUpdateCheck::Version TUpdateCheck::ownVersion(const VersionInfo& info)
{
    return {info.major, info.minor, info.release, info.build};
}

std::optional<TUpdateCheck::Announcement> TUpdateCheck::parseFile(const QByteArray& bytes)
{
    const QByteArray b = bytes.left(FileSize);
    if (b.size() < AddressOffset + 1)
        return std::nullopt;
    Announcement a;
    a.version = {bio::getI32(b, 0), bio::getI32(b, 4), bio::getI32(b, 8), bio::getI32(b, 12)};
    const Version& v = a.version;
    if (!isVersionNumber(v.major) || !isVersionNumber(v.minor) || !isVersionNumber(v.release) ||
        !isVersionNumber(v.build))
        return std::nullopt;
    const int length = bio::getU8(b, AddressOffset);
    if (length == 0 || length > MaxAddressLength || AddressOffset + 1 + length > b.size())
        return std::nullopt;
    // The address is whole even when the file ends right after it.
    a.address = ansi::toUnicode(b.mid(AddressOffset + 1, length));
    return a;
}

QUrl TUpdateCheck::pageUrl(const QString& address)
{
    return THttpClient::webAddress(address);
}

QUrl TUpdateCheck::updatePageUrl(const QUrl& page, const Version& announced, const Version& own)
{
    // Added to whatever query the page already has, and ahead of its
    // fragment, so the page still gets both versions.
    QString query = page.query(QUrl::FullyEncoded);
    if (!query.isEmpty())
        query += QLatin1Char('&');
    query += QStringLiteral("new=") + versionText(announced) + QStringLiteral("&old=") +
             versionText(own);
    QUrl url = page;
    url.setQuery(query, QUrl::StrictMode);
    return url;
}

QString TUpdateCheck::storedFileName(const QUrl& address)
{
    const QString name = address.fileName();
    return !name.isEmpty() && isSafeFileName(name) ? name : DefaultFileName;
}

TUpdateCheck::TUpdateCheck(const UpdateCheckContext& ctx, QObject* parent)
    : QObject(parent), m_ctx(ctx)
{
}

TUpdateCheck::~TUpdateCheck() = default;

QUrl TUpdateCheck::address() const
{
    return THttpClient::webAddress(m_ctx.settings.indirizzoAggiornamento);
}

QString TUpdateCheck::storedFilePath() const
{
    return m_ctx.programFolder + storedFileName(address());
}

bool TUpdateCheck::start()
{
    if (m_busy || m_done)
        return false;
    m_busy = true;
    m_client = new THttpClient(this);
    m_client->timeOutMs = timeOutMs;
    m_client->bodyToFile = true;
    m_client->bodyFile = storedFilePath();
    connect(m_client, &THttpClient::finished, this, &TUpdateCheck::onReply);
    // An address that is no plain http/https address fails like any request
    // that cannot be made, with the error message.
    const QUrl url = address();
    m_client->get(url.isValid() ? url.toString(QUrl::FullyEncoded)
                                : m_ctx.settings.indirizzoAggiornamento);
    return true;
}

void TUpdateCheck::onReply(bool ok)
{
    // One request per run: the client is done.
    THttpClient* client = m_client;
    m_client = nullptr;
    client->deleteLater();

    if (!ok) {
        m_ctx.prompt.message(ErrorText + QString::number(client->lastErrorNumber()), MessageTitle,
                             PromptIcon::None);
        finish(Outcome::NetworkError);
        return;
    }
    const int reply = client->replyNumber();
    if (reply < 200 || reply > 299) {
        // The client stores only a 2xx body, so the file in the folder (if
        // any) is from an earlier search and must not be read as news.
        finish(Outcome::ServerError);
        return;
    }
    const Outcome outcome = offerUpdate(client->bodyFile);
    // The time of the last search moves only with an update offered and
    // accepted (the reply was a 2xx, or the file would not have been read).
    if (outcome == Outcome::Accepted)
        m_ctx.settings.ultSearchAgg = m_ctx.clock.now();
    finish(outcome);
}

TUpdateCheck::Outcome TUpdateCheck::offerUpdate(const QString& filePath)
{
    const WholeFileRead file = readFileStart(filePath, FileSize);
    if (!file.ok)
        return Outcome::BadFile;
    const auto announcement = parseFile(file.data);
    if (!announcement)
        return Outcome::BadFile;
    const QUrl page = pageUrl(announcement->address);
    if (!page.isValid())
        return Outcome::UnsafeAddress;
    const Version own = ownVersion(m_ctx.version);
    if (!(announcement->version > own))
        return Outcome::NoUpdate;

    if (m_ctx.prompt.ask({QuestionText, QuestionTitle, PromptIcon::Question, PbYes | PbNo, PbNo}) !=
        PbYes)
        return Outcome::Declined;
    m_ctx.prompt.message(announcement->address, MessageTitle, PromptIcon::None);
    const QUrl target = updatePageUrl(page, announcement->version, own);
    if (!m_ctx.shell.openDocument(target.toString(QUrl::FullyEncoded)))
        m_ctx.prompt.message(OpenFailedText + target.toDisplayString(), OpenFailedTitle,
                             PromptIcon::Error);
    return Outcome::Accepted;
}

void TUpdateCheck::finish(Outcome outcome)
{
    m_outcome = outcome;
    m_busy = false;
    m_done = true;
    emit finished();
}
