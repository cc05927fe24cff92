#include "platform/system/VersionInfo.h"

#include "platform/system/VersionConfig.h"

QString VersionInfo::versionLine() const
{
    return QStringLiteral("Versione %1.%2.%3.%4 %5")
        .arg(major)
        .arg(minor)
        .arg(release)
        .arg(build)
        .arg(productVersion);
}

VersionInfo VersionInfo::compiled()
{
    VersionInfo v;
    v.major = TARVELO_VERSION_MAJOR;
    v.minor = TARVELO_VERSION_MINOR;
    v.release = TARVELO_VERSION_RELEASE;
    v.build = TARVELO_VERSION_BUILD;
    v.productName = QStringLiteral(TARVELO_PRODUCT_NAME_TEXT);
    v.productVersion = QStringLiteral(TARVELO_PRODUCT_VERSION_TEXT);
    return v;
}
