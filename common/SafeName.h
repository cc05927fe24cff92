#pragma once
// Names chosen by the user that become file names (profiles, saved queries,
// dial-up entries). A name is refused, never silently rewritten, when it is
// empty, "." or "..", holds "/", "\\", NUL or a control character, or when the
// name with its extension is longer than MaxFileNameBytes in UTF-8.
// Names that differ only in case are different files, as on any Linux folder.

#include <QString>

constexpr int MaxFileNameBytes = 200;

// The reason given wherever such a name is refused.
inline const QString InvalidNameText = QStringLiteral("nome non valido");

bool isSafeFileName(const QString& name, const QString& extension = QString());
