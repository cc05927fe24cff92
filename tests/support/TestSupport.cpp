#include "tests/support/TestSupport.h"

#include <QFile>
#include <QtGlobal>

#include <unistd.h>

namespace testsupport
{

void pinItalianLocale()
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
}

QString sourceDir()
{
    return qEnvironmentVariable("TARVELO_SOURCE_DIR");
}

QByteArray readFileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QStringList commandAsNobody(const QString& program, const QStringList& args)
{
    return QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=%1").arg(NobodyUid),
                       QStringLiteral("--regid=%1").arg(NobodyGid),
                       QStringLiteral("--clear-groups"), program} +
           args;
}

bool changeOwner(const QString& path, uid_t uid, gid_t gid)
{
    return ::lchown(QFile::encodeName(path).constData(), uid, gid) == 0;
}

} // namespace testsupport
