#include "options/ProviderPage.h"

#include "common/ByteIO.h"
#include "common/Prompt.h"
#include "dialup/DialUp.h"
#include "dialup/ProviderRecord.h"
#include "platform/ras/RasBackend.h"

#include <algorithm>

TProviderPage::TProviderPage(TDialUp& dialUp, TProviderRecord& current,
                             const QString& programFolder, IPrompt& prompt)
    : m_dialUp(dialUp), m_current(current), m_programFolder(programFolder), m_prompt(prompt)
{
}

QStringList TProviderPage::enumerateEntries()
{
    m_dialUp.enumerateEntries(m_current);
    QStringList names;
    for (const QString& slot : m_dialUp.state().entries)
        if (!slot.isEmpty() && !names.contains(slot))
            names.append(slot);
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

ProviderFields TProviderPage::show(const QString& entry, const QStringList& profiles)
{
    m_current.load(m_programFolder, entry, m_prompt);
    ProviderFields f;
    f.userName = m_current.userName;
    f.password = m_current.password;
    f.phoneNumber = m_current.phoneNumber;
    f.profile = profiles.contains(m_current.profile) ? m_current.profile : QString();
    f.homePage = m_current.homePage;
    f.userPage = m_current.userPage;
    return f;
}

TProviderPage::SaveResult TProviderPage::save(const QString& entry, const ProviderFields& fields,
                                              const QStringList& profiles)
{
    // An empty name would match an unused slot and then save nothing at all;
    // it is as unknown as a name the phone book lacks.
    const auto& list = m_dialUp.state().entries;
    if (entry.isEmpty() || std::find(list.begin(), list.end(), entry) == list.end()) {
        m_prompt.ask({UnknownEntryText, QString(), PromptIcon::None, PbOk, PbOk, false});
        return SaveResult::UnknownEntry;
    }
    using R = TProviderRecord;
    m_current.entryName = bio::cutTo(entry, R::EntryNameMax);
    m_current.userName = bio::cutTo(fields.userName, R::UserNameMax);
    m_current.password = bio::cutTo(fields.password, R::PasswordMax);
    m_current.phoneNumber = bio::cutTo(fields.phoneNumber, R::PhoneMax);
    m_current.homePage = bio::cutTo(fields.homePage, R::PageMax);
    m_current.userPage = bio::cutTo(fields.userPage, R::PageMax);
    m_current.profile =
        profiles.contains(fields.profile) ? bio::cutTo(fields.profile, R::ProfileMax) : QString();
    m_lastError.clear();
    return m_current.save(m_programFolder, m_prompt, &m_lastError) == R::SaveResult::Saved
               ? SaveResult::Saved
               : SaveResult::Failed;
}

QString TProviderPage::serviceLine(const QString& serviceTitle)
{
    const QString link = m_dialUp.entriesProblem().isEmpty()
                             ? QStringLiteral("Uso di numero e password")
                             : QStringLiteral("Perché l'elenco è vuoto?");
    return QStringLiteral("Servizio: <b>%1</b><br><a href=\"info\">%2</a>")
        .arg(serviceTitle.toHtmlEscaped(), link);
}

QString TProviderPage::serviceDetails(const RasBackendChoice& choice)
{
    QString text;
    const QString problem = m_dialUp.entriesProblem();
    if (!problem.isEmpty())
        text = problem + QStringLiteral("\r\r");
    text += choice.note;
    if (!choice.reason.isEmpty())
        text += QStringLiteral("\r\rServizio scelto perché: %1.").arg(choice.reason);
    return text;
}

QUrl TProviderPage::webAddress(const QString& text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    QUrl url(t, QUrl::StrictMode);
    if (url.scheme().isEmpty() || !t.contains(QLatin1String("://")))
        url = QUrl(QStringLiteral("http://") + t, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty())
        return {};
    return url;
}
