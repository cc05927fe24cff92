#pragma once
// A small archive for the selection tests: five connections in March 2001
// over two providers, two telephones and two tariffs, plus a deleted record
// and a damaged one in between.

#include "archive/ArchiveFile.h"
#include "archive/Selection.h"
#include "tests/archive/ArchiveTestFiles.h"

#include <QList>

namespace selectiontest
{

inline ConnRecord conn(int day, int h, int m, int seconds, float costo, const QString& tel,
                       const QString& provider, const QString& nomeTar,
                       const QString& motivo = QString())
{
    ConnRecord r;
    r.inizio = dt::encode(2001, 3, day, h, m, 0);
    r.fine = r.inizio + seconds * dt::OneSecond;
    r.costo = costo;
    r.telefono = tel;
    r.provider = provider;
    r.nomeTar = nomeTar;
    r.motivo = motivo;
    return r;
}

// Positions in the file: 0..2 stored, 3 deleted, 4 damaged, 5..6 stored.
inline QList<ConnRecord> fixtureRecords()
{
    const QString tu = QStringLiteral("Telecom Urbana 50%");
    return {
        conn(1, 10, 0, 3600, 1234.2f, QStringLiteral("0101"), QStringLiteral("Alfa"), tu,
             QStringLiteral("posta")),
        conn(2, 23, 50, 1200, 300.0f, QStringLiteral("0202"), QStringLiteral("Beta"), tu),
        conn(3, 9, 0, 60, 50.0f, QStringLiteral("0101"), QStringLiteral("Alfa"),
             QStringLiteral("Interurbana")),
        ConnRecord{},
        ConnRecord{},
        conn(4, 8, 0, 600, 1234.2f, QString(), QStringLiteral("Beta"), QString()),
        conn(10, 8, 0, 120, 80.0f, QStringLiteral("0202"), QStringLiteral("Alfa"), tu),
    };
}

// Every connection of March 2001, whatever its telephone, provider and tariff.
inline SelectionFilter wholeMarch()
{
    SelectionFilter f;
    f.query.dal = dt::encodeDate(2001, 3, 1);
    f.query.al = dt::encodeDate(2001, 3, 31);
    f.query.provTutti = true;
    f.query.tarTutti = true;
    return f;
}

// Writes the fixture as "Archivio.sto" in folder.
inline bool writeFixture(const QString& folder)
{
    QByteArray bytes;
    const QList<ConnRecord> recs = fixtureRecords();
    for (int i = 0; i < recs.size(); ++i) {
        QByteArray b = recs[i].toBytes();
        if (i == 4) { // a torn record: a start date no calendar holds
            b = QByteArray(ConnRecord::Size, '\0');
            b.replace(0, 16, QByteArray(16, '\xff'));
        }
        bytes += b;
    }
    return archivetest::writeFileBytes(folder + QStringLiteral("/Archivio.sto"), bytes);
}

} // namespace selectiontest
