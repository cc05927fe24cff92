#pragma once
// Shared helpers for the tests.

#include <QByteArray>
#include <QLocale>
#include <QString>

namespace testsupport
{

// Pins Qt's default locale to Italian (Italy): "." groups thousands, ","
// marks decimals, day and month names are Italian.
void pinItalianLocale();

// The source tree (for fixtures under tests/), from TARVELO_SOURCE_DIR.
QString sourceDir();

// Whole-file read (empty when the file cannot be read) and plain write
// (truncating; false when the file cannot be written in full). Tests use
// these to lay out fixtures and inspect results byte by byte.
QByteArray readFileBytes(const QString& path);
bool writeFileBytes(const QString& path, const QByteArray& bytes);

} // namespace testsupport
