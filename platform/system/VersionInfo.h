#pragma once
// The program's own version: four numbers, product name and product version,
// compiled in from the build. The update check compares these numbers and the
// splash and about window show the version line.

#include <QString>

struct VersionInfo {
    int major = 0;
    int minor = 0;
    int release = 0;
    int build = 0;
    QString productName;
    QString productVersion;

    // "Versione 3.1.1.5 " followed by the product version.
    QString versionLine() const;

    // The values this executable was built with.
    static VersionInfo compiled();
};
