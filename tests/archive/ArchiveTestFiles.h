#pragma once
// Small helpers for the archive tests: raw file contents and sample records.

#include "archive/ConnRecord.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QString>

namespace archivetest
{

inline ConnRecord sample(int n)
{
    ConnRecord r;
    r.inizio = dt::encode(2000, 1, 3, 12, 0, 0) + n;
    r.fine = r.inizio + 90 * dt::OneSecond;
    r.costo = 100.0f * float(n + 1);
    r.telefono = QStringLiteral("0110%1").arg(n);
    r.provider = QStringLiteral("Prova %1").arg(n);
    r.nomeTar = QStringLiteral("Telecom Urbana 50%");
    r.motivo = QStringLiteral("posta n. %1").arg(n);
    return r;
}

using testsupport::readFileBytes;
using testsupport::writeFileBytes;

inline QByteArray recordAt(const QByteArray& file, int i)
{
    return file.mid(i * ConnRecord::Size, ConnRecord::Size);
}

} // namespace archivetest
