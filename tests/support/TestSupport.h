#pragma once
// Shared helpers for the tests.

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <sys/types.h>

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

// An ordinary user for tests that root runs: permission checks and the rules
// about other users' files only show with someone who is not root.
constexpr uid_t NobodyUid = 65534;
constexpr gid_t NobodyGid = 65534;
// The command line that runs program with args as the user nobody.
QStringList commandAsNobody(const QString& program, const QStringList& args);
// Gives path (a link itself, not what it points to) to uid:gid.
bool changeOwner(const QString& path, uid_t uid, gid_t gid);

} // namespace testsupport
