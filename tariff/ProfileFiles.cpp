#include "tariff/ProfileFiles.h"

#include "common/Prompt.h"
#include "common/SafeName.h"
#include "platform/file/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace
{

const QString ErrorTitle = QStringLiteral("Errore...");

QString unsafeNameText()
{
    return InvalidNameText + QStringLiteral(": contiene caratteri non ammessi in un nome di file "
                                            "o è troppo lungo.");
}

} // namespace

TProfileFiles::TProfileFiles(TariffProfiles& profiles, const QString& programFolder,
                             IPrompt& prompt)
    : m_profiles(profiles), m_programFolder(programFolder), m_prompt(prompt)
{
}

QString TProfileFiles::profilePath(const QString& name) const
{
    return m_programFolder + Folder + name + Extension;
}

bool TProfileFiles::readProfileFile(const QString& path, ProfileHeader& header, TariffTable& table,
                                    QString* error)
{
    const WholeFileRead r = readFileStart(path, FileSize);
    if (!r.ok) {
        if (error)
            *error = r.error;
        return false;
    }
    const QByteArray& b = r.data;
    // The header is one record for all profiles: a short file changes only
    // the bytes it has. The table starts empty so that a short file can never
    // inherit the bands of the profile loaded before it.
    const int headerBytes = int(std::min<qsizetype>(b.size(), ProfileHeader::Size));
    std::copy_n(b.constData(), headerBytes, header.bytes.data());
    TariffTable t;
    t.readFrom(b, ProfileHeader::Size);
    table = t;
    return true;
}

QByteArray TProfileFiles::fileBytes(const ProfileHeader& header, const TariffTable& table)
{
    QByteArray b = header.bytes.left(ProfileHeader::Size);
    b.append(table.toBytes());
    return b;
}

bool TProfileFiles::loadInto(const QString& name, TariffTable& table)
{
    m_lastError.clear();
    if (name.isEmpty())
        return false;
    const QString path = profilePath(name);
    if (!isSafeFileName(name, Extension) || !QFileInfo::exists(path)) {
        m_lastError = QStringLiteral("La tabella <%1> non esiste.").arg(name);
        return false;
    }
    return readProfileFile(path, m_profiles.header, table, &m_lastError);
}

bool TProfileFiles::LoadProfile(const QString& name, bool offerCreate)
{
    if (loadInto(name, m_profiles.working))
        return true;
    if (name.isEmpty() || !offerCreate)
        return false;
    if (isSafeFileName(name, Extension) && QFileInfo::exists(profilePath(name))) {
        // There is a file, it just cannot be read: never offer to overwrite it.
        m_prompt.message(
            QStringLiteral("Impossibile leggere la tabella <%1>.\r%2").arg(name, m_lastError),
            ErrorTitle, PromptIcon::Error);
        return false;
    }
    if (!m_prompt.confirm(QStringLiteral("Creo la nuova tabella <") + name + QStringLiteral("> ?")))
        return false;
    ProfileHeader header;
    const TariffTable empty;
    if (!writeProfile(name, header, empty))
        return false;
    m_profiles.header = header;
    m_profiles.working = empty;
    return true;
}

bool TProfileFiles::SaveProfile(const QString& name)
{
    m_lastError.clear();
    if (name.isEmpty())
        return false;
    return writeProfile(name, m_profiles.header, m_profiles.working);
}

bool TProfileFiles::writeProfile(const QString& name, ProfileHeader& header,
                                 const TariffTable& table)
{
    header.setFormatMark(ProfileHeader::FormatMark);
    if (!isSafeFileName(name, Extension)) {
        m_lastError = unsafeNameText();
    } else if (!QDir().mkpath(m_programFolder + Folder)) {
        m_lastError = QStringLiteral("Impossibile creare la cartella %1.").arg(Folder);
    } else {
        const AtomicWriteResult r =
            writeFileAtomically(profilePath(name), fileBytes(header, table));
        if (r.ok)
            return true;
        m_lastError = r.error;
    }
    m_prompt.message(
        QStringLiteral("Impossibile salvare la tabella <%1>.\r%2").arg(name, m_lastError),
        ErrorTitle, PromptIcon::Error);
    return false;
}

bool TProfileFiles::LoadProfileForRepricing(const QString& name)
{
    return loadInto(name, m_profiles.repricing);
}

void TProfileFiles::ListProfiles(QStringList& list) const
{
    list.append(listProfiles(m_programFolder));
}

QStringList TProfileFiles::listProfiles(const QString& programFolder)
{
    // Only the exact extension: a name listed here must load by that name.
    QStringList list;
    const QStringList files = QDir(programFolder + Folder)
                                  .entryList({QStringLiteral("*") + Extension},
                                             QDir::Files | QDir::Hidden | QDir::CaseSensitive,
                                             QDir::Name | QDir::IgnoreCase);
    for (const QString& file : files) {
        const QString name = file.chopped(Extension.size());
        if (isSafeFileName(name, Extension))
            list.append(name);
    }
    return list;
}
