#include "tests/support/TestSupport.h"

#include <QtGlobal>

namespace testsupport {

void pinItalianLocale()
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
}

QString sourceDir()
{
    return qEnvironmentVariable("TARVELO_SOURCE_DIR");
}

} // namespace testsupport
