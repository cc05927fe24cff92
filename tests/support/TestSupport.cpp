#include "tests/support/TestSupport.h"

#include <QFile>
#include <QtGlobal>

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

} // namespace testsupport
