// Changing the tariff of connections after the fact: a range of stored
// connections re-priced in place in a fixture archive, and the running
// connection re-priced from its start by the watch's next session tick.

#include "tariff/Repricing.h"

#include "tests/archive/ArchiveTestFiles.h"
#include "tests/support/TestSupport.h"
#include "tests/tariff/TariffFixtures.h"
#include "tests/watch/WatchFixture.h"

#include <QTest>

using namespace watchtest;

namespace
{

const QString Nuova = QStringLiteral("Nuova");

// Every row from 00:00 at rate Lire a minute.
TariffTable flat(float rate)
{
    TariffTable t;
    fixtures::setBandOn(t, fixtures::AllRows, 1, 0, 0, rate);
    return t;
}

ConnRecord stored(TDateTime start, int seconds, const QString& motivo)
{
    ConnRecord r;
    r.inizio = start;
    r.fine = start + seconds * dt::OneSecond;
    r.costo = 999;
    r.telefono = QStringLiteral("0701234567");
    r.provider = QStringLiteral("Prova");
    r.nomeTar = QStringLiteral("Vecchia");
    r.motivo = motivo;
    return r;
}

// A record that is neither empty nor plausible: a torn write.
QByteArray damagedBytes()
{
    QByteArray b(ConnRecord::Size, '\0');
    b.fill('\xff', 40);
    return b;
}

// A session priced with "Prova" at one Lira a second, ticks seconds old.
bool startSession(Fixture& f, int ticks)
{
    if (!f.saveProfile(QStringLiteral("Prova"), liraPerSecond()))
        return false;
    f.watcher.watchOn();
    if (!f.connect())
        return false;
    f.ticks(ticks);
    return f.watch.running;
}

repricing::RunningSession runningOf(Fixture& f)
{
    return {f.watch.running, f.records.running, f.profiles, f.schedule, f.trace};
}

repricing::StoredContext storedOf(Fixture& f)
{
    return {f.profiles, f.archive, f.holidays, f.folder, f.settings.iva, f.prompt};
}

} // namespace

class TestRepricing : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }
    void storedRange();
    void storedRefusals_data();
    void storedRefusals();
    void storedLeavesSessionAlone();
    void runningConnection();
    void runningRefusals_data();
    void runningRefusals();
};

// Archive: 0 A, 1 deleted, 2 B, 3 C (deleted after the list was loaded),
// 4 torn since, 5 D (not selected), then a 100-byte fragment. The list shows
// A, B, C, the torn one and D in rows 1..5; rows 1..4 are re-priced.
void TestRepricing::storedRange()
{
    Fixture f;
    QVERIFY(f.saveProfile(Nuova, flat(100)));
    const ConnRecord a = stored(monday(12), 60, QStringLiteral("A"));
    const ConnRecord b = stored(monday(18), 90, QStringLiteral("B"));
    const ConnRecord c = stored(monday(19), 30, QStringLiteral("C"));
    const ConnRecord d = stored(monday(20), 60, QStringLiteral("D"));
    const QByteArray before = a.toBytes() + QByteArray(ConnRecord::Size, '\0') + b.toBytes() +
                              QByteArray(ConnRecord::Size, '\0') + damagedBytes() + d.toBytes() +
                              QByteArray(100, 'x');
    QVERIFY(testsupport::writeFileBytes(f.archivePath(), before));

    QList<ConnRecord> list{a, b, c, stored(monday(21), 60, QStringLiteral("T")), d};
    const int at[] = {0, 2, 3, 4, 5};
    for (int k = 0; k < list.size(); ++k)
        list[k].indice = at[k];

    const repricing::StoredResult r = repricing::repriceStored(storedOf(f), Nuova, list, 1, 4);
    QVERIFY(r.started);
    QCOMPARE(r.repriced, 2);
    QCOMPARE(r.missing, 2);
    QVERIFY(!r.archiveFailed);

    QCOMPARE(f.prompt.texts(),
             QStringList({repricing::MissingConnectionText, repricing::MissingConnectionText}));
    QCOMPARE(f.prompt.requests()[0].title, QStringLiteral("Tarvelo!..."));
    QCOMPARE(f.prompt.requests()[0].icon, PromptIcon::Warning);

    const QByteArray after = f.archiveBytes();
    QCOMPARE(after.size(), before.size());
    // 60 s at 100 Lire a minute with IVA 20 stores 120; 90 s stores 180.
    ConnRecord a2 = a, b2 = b;
    a2.costo = 120;
    a2.nomeTar = Nuova;
    b2.costo = 180;
    b2.nomeTar = Nuova;
    b2.indice = 2; // written back where it was read from
    QCOMPARE(f.recordAt(0), a2);
    QCOMPARE(f.recordAt(2), b2);
    // Everything else, byte for byte: deleted, torn, unselected, fragment.
    for (int i : {1, 3, 4, 5})
        QCOMPARE(archivetest::recordAt(after, i), archivetest::recordAt(before, i));
    QCOMPARE(after.right(100), before.right(100));
}

void TestRepricing::storedRefusals_data()
{
    QTest::addColumn<QString>("profile");
    QTest::addColumn<int>("firstRow");
    QTest::addColumn<int>("lastRow");
    QTest::addColumn<bool>("emptyList");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("started");

    const QStringList none;
    QTest::newRow("rows not set") << Nuova << 0 << 1 << false << none << QString() << false;
    QTest::newRow("last before first") << Nuova << 2 << 1 << false << none << QString() << true;
    // With an empty profile folder the box offers its placeholder text,
    // which names no profile.
    QTest::newRow("no profile") << QStringLiteral("Nessuna Tariffa in archivio") << 1 << 1 << false
                                << QStringList{QStringLiteral("La tabella indicata NON esiste.")}
                                << QStringLiteral("Errore...") << false;
    QTest::newRow("empty row of an empty list")
        << Nuova << 1 << 1 << true << QStringList{QStringLiteral("Connessione Inesistente.")}
        << QStringLiteral("Tarvelo!...") << true;
    // Nuova has bands on Tuesdays only: a Monday connection cannot be priced.
    QTest::newRow("no band")
        << QStringLiteral("Martedi") << 1 << 1 << false
        << QStringList{QStringLiteral(
               "La tabella <Martedi> non ha nessuna fascia oraria in vigore all'inizio della "
               "connessione: il costo non può essere calcolato.\rControlla la tabella nella "
               "finestra Tariffe.\rConnessioni lasciate invariate: 1.")}
        << QStringLiteral("Errore...") << true;
}

void TestRepricing::storedRefusals()
{
    QFETCH(QString, profile);
    QFETCH(int, firstRow);
    QFETCH(int, lastRow);
    QFETCH(bool, emptyList);
    QFETCH(QStringList, texts);
    QFETCH(QString, title);
    QFETCH(bool, started);

    Fixture f;
    QVERIFY(f.saveProfile(Nuova, flat(100)));
    TariffTable tuesday;
    fixtures::setBand(tuesday, 1, 1, 0, 0, 100);
    QVERIFY(f.saveProfile(QStringLiteral("Martedi"), tuesday));
    const ConnRecord a = stored(monday(12), 60, QStringLiteral("A"));
    QVERIFY(testsupport::writeFileBytes(f.archivePath(), a.toBytes()));
    const QByteArray before = f.archiveBytes();
    QList<ConnRecord> list;
    if (!emptyList)
        list << a;

    const repricing::StoredResult r =
        repricing::repriceStored(storedOf(f), profile, list, firstRow, lastRow);
    QCOMPARE(r.started, started);
    QCOMPARE(r.repriced, 0);
    QCOMPARE(f.prompt.texts(), texts);
    if (!texts.isEmpty())
        QCOMPARE(f.prompt.requests().last().title, title);
    QCOMPARE(f.archiveBytes(), before);
}

// Pricing stored connections builds schedules of their own: the running
// session goes on with its profile and schedule.
void TestRepricing::storedLeavesSessionAlone()
{
    Fixture f;
    QVERIFY(f.saveProfile(Nuova, flat(600)));
    QVERIFY(startSession(f, 11));
    const QList<ScheduleEntry> sessionEntries = f.schedule->entries();
    const TariffTable sessionProfile = f.profiles.session;

    ConnRecord a = f.recordAt(0);
    QCOMPARE(a.motivo, session::InCorso);
    const repricing::StoredResult r = repricing::repriceStored(storedOf(f), Nuova, {a}, 1, 1);
    QCOMPARE(r.repriced, 1);
    QCOMPARE(f.schedule->entries().size(), sessionEntries.size());
    QCOMPARE(f.schedule->first().rate, 60.0f);
    QCOMPARE(f.profiles.session.toBytes(), sessionProfile.toBytes());

    f.tick();
    // 11 s at one Lira a second, IVA 20, plus the rounding term.
    QCOMPARE(f.watch.shownCost, ShownCost(11, 20));
}

// Ten minutes into a session the profile changes: the next tick prices the
// whole connection, from its unchanged start, with the new profile.
void TestRepricing::runningConnection()
{
    Fixture f;
    QVERIFY(f.saveProfile(Nuova, flat(120)));
    QVERIFY(startSession(f, 601));
    const TDateTime inizio = f.records.running.inizio;
    QCOMPARE(f.view.costo, QStringLiteral("720")); // 600 s × 1 Lira + 20 %

    const repricing::ChangeResult r =
        repricing::changeRunning(runningOf(f), f.folder, f.holidays, Nuova, f.prompt);
    QCOMPARE(r, repricing::ChangeResult::Changed);
    QVERIFY(f.prompt.requests().isEmpty());
    QCOMPARE(f.records.running.nomeTar, Nuova);
    QCOMPARE(f.records.running.inizio, inizio);
    QCOMPARE(f.profiles.session.toBytes(), flat(120).toBytes());
    QCOMPARE(f.schedule->first().rate, 120.0f);
    QCOMPARE(f.trace.profileName, Nuova);

    f.tick();
    // 601 s × 2 Lire + 20 % + 0.49 = 1442.89, shown as whole Lire.
    QCOMPARE(f.view.costo, QStringLiteral("1.443"));
    QVERIFY(f.watch.enabled);
    QVERIFY(f.watch.running);

    // The next periodic save stores the new profile's name and cost.
    f.ticks(21);
    const ConnRecord saved = f.recordAt(0);
    QCOMPARE(saved.nomeTar, Nuova);
    QCOMPARE(saved.costo, ShownCost(float(saved.durationSeconds() * 2), 20));
}

void TestRepricing::runningRefusals_data()
{
    QTest::addColumn<bool>("running");
    QTest::addColumn<QString>("profile");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("beeps");

    QTest::newRow("no session")
        << false << Nuova << int(repricing::ChangeResult::NotRunning)
        << QStringLiteral("Non c'è nessuna connessione in corso. Nessuna modifica possibile.")
        << QStringLiteral("Tarvelo!...") << 0;
    QTest::newRow("no profile") << true << QStringLiteral("Nessuna Tariffa in archivio")
                                << int(repricing::ChangeResult::NoProfile)
                                << QStringLiteral("La tabella indicata NON esiste.")
                                << QStringLiteral("Errore...") << 1;
    QTest::newRow("no band") << true << QStringLiteral("Martedi")
                             << int(repricing::ChangeResult::NoBand)
                             << NoBandText(QStringLiteral("Martedi")) << QStringLiteral("Errore...")
                             << 1;
}

// A refused change leaves the session exactly as it was, still timed.
void TestRepricing::runningRefusals()
{
    QFETCH(bool, running);
    QFETCH(QString, profile);
    QFETCH(int, result);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(int, beeps);

    Fixture f;
    TariffTable tuesday;
    fixtures::setBand(tuesday, 1, 1, 0, 0, 100);
    QVERIFY(f.saveProfile(QStringLiteral("Martedi"), tuesday));
    f.watcher.watchOn();
    if (running)
        QVERIFY(startSession(f, 11));
    const ConnRecord record = f.records.running;
    const std::optional<Schedule> schedule = f.schedule;
    const TariffTable sessionProfile = f.profiles.session;

    const repricing::ChangeResult r =
        repricing::changeRunning(runningOf(f), f.folder, f.holidays, profile, f.prompt);
    QCOMPARE(int(r), result);
    QCOMPARE(f.prompt.texts(), QStringList{text});
    QCOMPARE(f.prompt.requests()[0].title, title);
    QCOMPARE(f.prompt.beeps(), beeps);
    QCOMPARE(f.records.running, record);
    QCOMPARE(f.schedule.has_value(), schedule.has_value());
    if (schedule)
        QCOMPARE(f.schedule->first().rate, schedule->first().rate);
    QCOMPARE(f.profiles.session.toBytes(), sessionProfile.toBytes());
    QVERIFY(f.watch.enabled);
    QCOMPARE(f.watch.running, running);
    if (running) {
        f.tick();
        QCOMPARE(f.watch.shownCost, ShownCost(11, 20));
    }
}

QTEST_GUILESS_MAIN(TestRepricing)
#include "tst_repricing.moc"
