#pragma once
// Text in the records and files of the program is single-byte Windows-1252
// (the ANSI code page of the Italian systems the files come from).

#include <QByteArray>
#include <QString>

namespace ansi
{

// Characters that Windows-1252 cannot represent become '?'.
QByteArray fromUnicode(const QString& text);
QString toUnicode(const QByteArray& bytes);

} // namespace ansi
