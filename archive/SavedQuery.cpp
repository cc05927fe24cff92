#include "archive/SavedQuery.h"

#include "common/ByteIO.h"
#include "common/SafeName.h"
#include "platform/file/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QByteArray SavedQuery::toBytes() const
{
    QByteArray b = raw;
    b.resize(Size, '\0');
    bio::putPStr(b, OffDescriz, DescrizMax, descriz);
    bio::putF64(b, OffDal, dal);
    bio::putF64(b, OffAl, al);
    bio::putPStr(b, OffTel, TelMax, tel);
    bio::putPStr(b, OffProvider, ProviderMax, provider);
    bio::putU8(b, OffProvTutti, provTutti ? 1 : 0);
    bio::putPStr(b, OffNomeTar, NomeTarMax, nomeTar);
    bio::putU8(b, OffTarTutti, tarTutti ? 1 : 0);
    bio::putPStr(b, OffVersion, VersionMax, Version);
    bio::putU16(b, OffSize, uint16_t(Size));
    return b;
}

SavedQuery SavedQuery::fromBytes(const QByteArray& bytes)
{
    SavedQuery q;
    q.raw = bytes.left(Size);
    q.raw.resize(Size, '\0');
    const QByteArray& b = q.raw;
    q.descriz = bio::getPStr(b, OffDescriz, DescrizMax);
    q.dal = bio::getF64(b, OffDal);
    q.al = bio::getF64(b, OffAl);
    q.tel = bio::getPStr(b, OffTel, TelMax);
    q.provider = bio::getPStr(b, OffProvider, ProviderMax);
    q.provTutti = bio::getU8(b, OffProvTutti) != 0;
    q.nomeTar = bio::getPStr(b, OffNomeTar, NomeTarMax);
    q.tarTutti = bio::getU8(b, OffTarTutti) != 0;
    return q;
}

TSavedQueries::TSavedQueries(const QString& programFolder) : m_folder(programFolder + Folder) {}

QString TSavedQueries::path(const QString& name) const
{
    return m_folder + name + Extension;
}

bool TSavedQueries::isValidName(const QString& name)
{
    return isSafeFileName(name, Extension);
}

bool TSavedQueries::exists(const QString& name) const
{
    if (!isValidName(name))
        return false;
    const QFileInfo info(path(name));
    return info.exists() && !info.isDir();
}

QStringList TSavedQueries::list() const
{
    QStringList names;
    const QDir dir(m_folder);
    const QStringList files =
        dir.entryList({QStringLiteral("*") + Extension},
                      QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& file : files) {
        const QString name = file.chopped(Extension.size());
        if (isValidName(name))
            names.append(name);
    }
    return names;
}

bool TSavedQueries::load(const QString& name, SavedQuery& q, QString* error) const
{
    const QString p = path(name);
    QFile f(p);
    if (!isValidName(name) || !f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open file %1").arg(p);
        return false;
    }
    q = SavedQuery::fromBytes(f.read(SavedQuery::Size));
    return true;
}

bool TSavedQueries::save(const QString& name, const SavedQuery& q, QString* error) const
{
    const QString p = path(name);
    if (!isValidName(name) || !QDir().mkpath(m_folder)) {
        if (error)
            *error = QStringLiteral("Cannot create file %1").arg(p);
        return false;
    }
    const AtomicWriteResult r = writeFileAtomically(p, q.toBytes());
    if (!r.ok && error)
        *error = QStringLiteral("Cannot create file %1: %2").arg(p, r.error);
    return r.ok;
}

bool TSavedQueries::remove(const QString& name) const
{
    return isValidName(name) && QFile::remove(path(name));
}
