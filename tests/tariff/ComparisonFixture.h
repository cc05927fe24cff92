#pragma once
// A small program folder for comparing tariffs: an archive of five stored
// connections (and a deleted record) in autumn 2001 that between them cross
// a band change, midnight into a holiday, a holiday, and a Monday before a
// profile's first band, with two profiles in Trf/:
//
// - "Diurna": weekdays from 08:00 at 8 Lire a minute, from 18:30 at 4;
//   Sundays at 3 all day; a fixed charge of 127 at answer; nothing at all on
//   holidays. It cannot price the holiday connection nor the Monday one
//   before 08:00 (the search for a band never goes back before Monday).
// - "Serale, festivi": every day from 00:00 at 15, from 22:00 at 6, holidays
//   at 4 all day; after 600 s the second rates 12, 5 and 3. It prices all.
//
// Each connection ends half a second after a whole number of seconds, as a
// clock with milliseconds leaves it, so its length in whole seconds is
// beyond doubt. The same folder serves the comparison window's tests.

#include "archive/ConnRecord.h"
#include "tariff/ProfileFiles.h"
#include "tests/support/TestSupport.h"
#include "tests/tariff/TariffFixtures.h"

#include <QDir>
#include <QDirIterator>
#include <QList>
#include <QMap>
#include <QString>

namespace comparisontest
{

inline const QString Diurna = QStringLiteral("Diurna");
inline const QString Serale = QStringLiteral("Serale, festivi");

struct Connection {
    QString start;   // as tarvelo-cli reads it
    int seconds;     // whole seconds it lasted
    float stored;    // the cost its record holds
    QString what;    // what it shows
    bool diurnaBand; // "Diurna" has a band at its start
};

// In archive order; the deleted record lies between the third and fourth.
inline const QList<Connection>& connections()
{
    static const QList<Connection> list = {
        {QStringLiteral("2001-10-24 18:20:00"), 1200, 500, QStringLiteral("band change"), true},
        {QStringLiteral("2001-10-28 21:30:00"), 3600, 800, QStringLiteral("Sunday evening"), true},
        {QStringLiteral("2001-10-29 07:30:00"), 900, 250,
         QStringLiteral("Monday before the first band"), false},
        {QStringLiteral("2001-10-31 23:50:00"), 1200, 400,
         QStringLiteral("midnight into a holiday"), true},
        {QStringLiteral("2001-11-01 10:00:00"), 1800, 300, QStringLiteral("a holiday"), false},
    };
    return list;
}
// Where the deleted record is.
constexpr int DeletedPosition = 3;

inline TDateTime startOf(const Connection& c)
{
    TDateTime t = 0;
    dt::fromIsoText(c.start, t);
    return t;
}

inline TDateTime endOf(const Connection& c)
{
    return startOf(c) + c.seconds * dt::OneSecond + 500 * dt::OneMillisecond;
}

// The archive's records, the deleted one included, indice set.
inline QList<ConnRecord> records()
{
    QList<ConnRecord> out;
    for (const Connection& c : connections()) {
        if (out.size() == DeletedPosition)
            out.append(ConnRecord{});
        ConnRecord r;
        r.inizio = startOf(c);
        r.fine = endOf(c);
        r.costo = c.stored;
        r.telefono = QStringLiteral("0702001");
        r.provider = QStringLiteral("Prova");
        r.nomeTar = QStringLiteral("Telecom Urbana 50%");
        r.motivo = c.what;
        out.append(r);
    }
    for (int i = 0; i < out.size(); ++i)
        out[i].indice = out[i].inizio > 0 ? i : 0;
    return out;
}

inline TariffTable diurna()
{
    using namespace fixtures;
    TariffTable t;
    setBandOn(t, WeekdayRows, 1, 8, 0, 8);
    setBandOn(t, WeekdayRows, 2, 18, 30, 4);
    setBand(t, 1, SundayRow, 0, 0, 3);
    for (TariffCell& c : t.cells)
        if (c.isBand()) {
            c.scrsi = 1;
            c.costorisp = 127;
        }
    return t;
}

inline TariffTable serale()
{
    using namespace fixtures;
    TariffTable t;
    const std::initializer_list<int> days = {0, 1, 2, 3, 4, 5, SundayRow};
    setBandOn(t, days, 1, 0, 0, 15);
    setBandOn(t, days, 2, 22, 0, 6);
    setBand(t, 1, HolidayRow, 0, 0, 4);
    for (int row : AllRows) {
        t.cell(1, row).costo2 = row == HolidayRow ? 3 : 12;
        t.cell(2, row).costo2 = 5;
        t.cell(1, row).doposec = t.cell(2, row).doposec = 600;
    }
    return t;
}

inline QString archivePath(const QString& folder)
{
    return folder + QStringLiteral("/Archivio.sto");
}

inline bool writeProfile(const QString& folder, const QString& name, const QByteArray& bytes)
{
    return QDir().mkpath(folder + QStringLiteral("/Trf")) &&
           testsupport::writeFileBytes(
               folder + QStringLiteral("/Trf/") + name + TProfileFiles::Extension, bytes);
}

inline bool writeProfile(const QString& folder, const QString& name, const TariffTable& table)
{
    return writeProfile(folder, name, TProfileFiles::fileBytes(ProfileHeader{}, table));
}

// The archive and both profiles into folder.
inline bool write(const QString& folder)
{
    QByteArray bytes;
    for (const ConnRecord& r : records())
        bytes += r.toBytes();
    return testsupport::writeFileBytes(archivePath(folder), bytes) &&
           writeProfile(folder, Diurna, diurna()) && writeProfile(folder, Serale, serale());
}

// A third profile file that is no profile: cut short.
inline const QString Rotta = QStringLiteral("Rotta");
inline bool writeDamagedProfile(const QString& folder)
{
    return writeProfile(folder, Rotta,
                        TProfileFiles::fileBytes(ProfileHeader{}, diurna()).left(100));
}

// Every file under folder with its bytes: what a comparison must leave as
// it was.
inline QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, testsupport::readFileBytes(path));
    }
    return files;
}

} // namespace comparisontest
