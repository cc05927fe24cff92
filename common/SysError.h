#pragma once
// The reason of a failed system call, in Italian, from one table shared by
// every message of the program. The system's own texts would come in the
// language of the locale the program was started in, and Qt's in English.

#include <QString>

// "spazio esaurito sul dispositivo" for ENOSPC, and so on; a number outside
// the table gives "errore di sistema N".
QString systemErrorText(int errorNumber);

// "step: reason", the form every file operation reports its failure in.
QString systemErrorText(const QString& step, int errorNumber);
