#pragma once
// Shared helpers for the tests.

#include <QLocale>
#include <QString>

namespace testsupport {

// Pins Qt's default locale to Italian (Italy): "." groups thousands, ","
// marks decimals, day and month names are Italian.
void pinItalianLocale();

// The source tree (for fixtures under tests/), from TARVELO_SOURCE_DIR.
QString sourceDir();

} // namespace testsupport
