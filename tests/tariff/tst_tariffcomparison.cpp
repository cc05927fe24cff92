// Which tariff would have cost least: the comparison engine over a selection,
// a marked range and a period of the archive; "tarvelo-cli archive compare";
// and the one price a connection has in the running session, in re-pricing
// and in the comparison.

#include "tariff/TariffComparison.h"

#include "app/ClockSync.h"
#include "app/SettingsStore.h"
#include "archive/ArchiveFile.h"
#include "archive/Selection.h"
#include "platform/clock/FakeClockSetter.h"
#include "platform/system/Registry.h"
#include "tariff/Repricing.h"
#include "tests/net/LocalServer.h"
#include "tests/support/CliRun.h"
#include "tests/tariff/ComparisonFixture.h"
#include "tests/watch/WatchFixture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace comparisontest;
using testsupport::CliRun;

namespace
{

CliRun cli(const QString& folder, const QStringList& args)
{
    return testsupport::runCliIn(folder, args);
}

const ComparisonRow* rowOf(const QList<ComparisonRow>& rows, const QString& profile)
{
    for (const ComparisonRow& r : rows)
        if (r.profile == profile)
            return &r;
    return nullptr;
}

QStringList namesOf(const QList<ComparisonRow>& rows, bool cheapestOnly = false)
{
    QStringList names;
    for (const ComparisonRow& r : rows)
        if (!cheapestOnly || r.cheapest)
            names << r.profile;
    return names;
}

std::unique_ptr<IConnectionSource> wholeArchive(const QString& folder)
{
    return std::make_unique<TArchivePeriodConnections>(archivePath(folder), -1e9, 1e9);
}

bool loadAll(const QString& folder, TSelection& selection)
{
    TArchiveFile archive(folder);
    return selection.load(archive, SelectionFilter::everything()) == TSelection::LoadResult::Loaded;
}

// Every row from 00:00 on the given rows at rate Lire a minute.
TariffTable flat(float rate, std::initializer_list<int> rows = fixtures::AllRows)
{
    TariffTable t;
    fixtures::setBandOn(t, rows, 1, 0, 0, rate);
    return t;
}

ComparedProfile profile(const QString& name, const TariffTable& table)
{
    return {name, table, {}};
}

// One minute at 10:00 on each of the given days of the week of Monday 7 May
// 2001 (0 = Monday).
bool writeMinutes(const QString& folder, const QList<int>& days)
{
    QByteArray bytes;
    for (int d : days) {
        ConnRecord r;
        r.inizio = dt::encode(2001, 5, 7 + d, 10, 0, 0);
        r.fine = r.inizio + 60 * dt::OneSecond + 500 * dt::OneMillisecond;
        r.costo = 10;
        bytes += r.toBytes();
    }
    return testsupport::writeFileBytes(archivePath(folder), bytes);
}

} // namespace

class TestTariffComparison : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    void fixtureAgainstPrice();
    void compareOutput_data();
    void compareOutput();
    void compareRefused_data();
    void compareRefused();
    void ivaFromSettings();
    void ranking_data();
    void ranking();
    void slicesSelectionsAndPeriods();
    void stoppedAndFailed();
    void damagedProfiles_data();
    void damagedProfiles();
    void sessionRepricingAndComparisonAgree();
};

// The totals of each profile are the sums of what "tarvelo-cli price" gives
// for each connection; the connections a profile has no band for are
// counted apart; nothing in the folder changes.
void TestTariffComparison::fixtureAgainstPrice()
{
    QTemporaryDir dir;
    QVERIFY(write(dir.path()));
    const QMap<QString, QByteArray> before = snapshot(dir.path());

    TTariffComparison comparison(TTariffComparison::loadProfiles(dir.path() + QLatin1Char('/')),
                                 20);
    QCOMPARE(comparison.run(wholeArchive(dir.path())), TTariffComparison::Step::Done);
    const QList<ComparisonRow> rows = comparison.rows();
    QCOMPARE(comparison.connections(), int64_t(connections().size()));

    const CliRun table = cli(dir.path(), {"archive", "compare", "--iva", "20"});
    QCOMPARE(table.status, 0);
    const QStringList lines = table.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);

    for (const QString& name : {Diurna, Serale}) {
        // What the command line prices each connection at, summed in
        // archive order as the comparison sums.
        int64_t priced = 0, unpriced = 0;
        double cost = 0, withVat = 0, stored = 0;
        QList<ConnectionPrice> detail;
        TArchivePeriodConnections source(archivePath(dir.path()), -1e9, 1e9);
        QVERIFY(TTariffComparison::pricesOf(name == Diurna ? diurna() : serale(), 20, source,
                                            [&](const ConnectionPrice& p) {
                                                detail << p;
                                                return true;
                                            }));
        QCOMPARE(detail.size(), connections().size());
        for (int i = 0; i < connections().size(); ++i) {
            const Connection& c = connections()[i];
            const CliRun r = cli(dir.path(), {"price", name, c.start, "--seconds",
                                              QString::number(c.seconds), "--iva", "20"});
            QCOMPARE(detail[i].connection.costo, c.stored);
            if (r.status != 0) {
                QCOMPARE(r.status, 1);
                QVERIFY2(r.err.contains(QStringLiteral("non ha nessuna fascia oraria")),
                         qPrintable(r.err));
                QVERIFY(!detail[i].cost);
                ++unpriced;
                continue;
            }
            const QStringList out = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            QCOMPARE(out.size(), 2);
            const float c1 = out[0].section(QLatin1Char('='), 1).toFloat();
            const float c2 = out[1].section(QLatin1Char('='), 1).toFloat();
            QCOMPARE(detail[i].cost, std::optional<float>(c1));
            QCOMPARE(detail[i].costWithVat, std::optional<float>(c2));
            ++priced;
            cost += c1;
            withVat += c2;
            stored += c.stored;
        }

        const ComparisonRow* row = rowOf(rows, name);
        QVERIFY(row);
        QCOMPARE(row->priced, priced);
        QCOMPARE(row->unpriced, unpriced);
        QCOMPARE(row->cost, cost);
        QCOMPARE(row->costWithVat, withVat);
        QCOMPARE(row->stored, stored);
        QCOMPARE(row->difference(), withVat - stored);

        const QStringList cells = lines[name == Serale ? 1 : 2].split(QLatin1Char('\t'));
        QCOMPARE(cells,
                 (QStringList{name, QString::number(priced), QString::number(unpriced),
                              QString::number(cost, 'f', 2), QString::number(withVat, 'f', 2),
                              QString::number(withVat - stored, 'f', 2)}));
    }
    // The holiday and the Monday before 08:00 have no band in "Diurna".
    QCOMPARE(rowOf(rows, Diurna)->unpriced, int64_t(2));
    QCOMPARE(rowOf(rows, Serale)->unpriced, int64_t(0));
    QCOMPARE(snapshot(dir.path()), before);
}

void TestTariffComparison::compareOutput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("damagedProfile");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const QString csvHeader = QStringLiteral(
        "profilo,calcolate,senza_fascia,totale_senza_iva,totale_con_iva,differenza\r\n");
    const QString tabHeader = QStringLiteral(
        "profilo\tcalcolate\tsenza_fascia\ttotale_senza_iva\ttotale_con_iva\tdifferenza\n");
    const QString diurnaNote = QStringLiteral(
        "tabella <Diurna>: connessioni senza fascia oraria in vigore all'inizio, non calcolate: "
        "%1 (i totali della tabella riguardano solo le altre)\n");
    // "Diurna": 247 + 307 + 207 Lire without VAT (20 % more with it) against
    // 500 + 800 + 400 stored; "Serale, festivi" 270 + 540 + 210 + 90 + 100
    // against 2250. Diurna's smaller total covers fewer calls: it comes
    // after the profile that priced them all.
    QTest::newRow("csv") << QStringList{"--csv", "--iva", "20"} << false
                         << csvHeader + "\"Serale, festivi\",5,0,1210.00,1452.00,-798.00\r\n"
                                        "Diurna,3,2,761.00,913.20,-786.80\r\n"
                         << diurnaNote.arg(2);
    QTest::newRow("plain") << QStringList{"--iva", "20"} << false
                           << tabHeader + "Serale, festivi\t5\t0\t1210.00\t1452.00\t-798.00\n"
                                          "Diurna\t3\t2\t761.00\t913.20\t-786.80\n"
                           << diurnaNote.arg(2);
    // Monday 29 and Wednesday 31 October.
    QTest::newRow("a period") << QStringList{"--from", "2001-10-29", "--to", "2001-10-31 08:00:00",
                                             "--csv",  "--iva",      "20"}
                              << false
                              << csvHeader + "\"Serale, festivi\",2,0,300.00,360.00,-290.00\r\n"
                                             "Diurna,1,1,207.00,248.40,-151.60\r\n"
                              << diurnaNote.arg(1);
    QTest::newRow("a period without connections")
        << QStringList{"--from", "2002-01-01", "--csv", "--iva", "20"} << false
        << csvHeader + "Diurna,0,0,0.00,0.00,0.00\r\n\"Serale, festivi\",0,0,0.00,0.00,0.00\r\n"
        << QString();
    QTest::newRow("VAT 4") << QStringList{"--csv", "--iva", "4"} << false
                           << csvHeader + "\"Serale, festivi\",5,0,1210.00,1258.40,-991.60\r\n"
                                          "Diurna,3,2,761.00,791.44,-908.56\r\n"
                           << diurnaNote.arg(2);
    QTest::newRow("a damaged profile is named and left out")
        << QStringList{"--csv", "--iva", "20"} << true
        << csvHeader + "\"Serale, festivi\",5,0,1210.00,1452.00,-798.00\r\n"
                       "Diurna,3,2,761.00,913.20,-786.80\r\n"
        << QStringLiteral("tabella <Rotta> non confrontata: il file è di 100 byte invece di "
                          "3852: non è una tabella tariffaria o è danneggiato\n") +
               diurnaNote.arg(2);
}

void TestTariffComparison::compareOutput()
{
    QFETCH(QStringList, args);
    QFETCH(bool, damagedProfile);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QTemporaryDir dir;
    QVERIFY(write(dir.path()));
    if (damagedProfile)
        QVERIFY(writeDamagedProfile(dir.path()));
    const QMap<QString, QByteArray> before = snapshot(dir.path());

    const CliRun r = cli(dir.path(), QStringList{"archive", "compare"} + args);
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, out);
    QCOMPARE(r.err, err);
    QCOMPARE(snapshot(dir.path()), before);
}

void TestTariffComparison::compareRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("setUp");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");
    const QString use = QStringLiteral("uso: archive compare");
    QTest::newRow("unknown option") << QStringList{"--xml"} << "" << 2 << use;
    QTest::newRow("a profile named") << QStringList{"Diurna"} << "" << 2 << use;
    QTest::newRow("bad date") << QStringList{"--to", "2001-02-30"} << "" << 2
                              << "data e ora non valide";
    QTest::newRow("period ending before it starts")
        << QStringList{"--from", "2001-11-01", "--to", "2001-10-01"} << "" << 2
        << "il periodo finisce prima di cominciare";
    QTest::newRow("bad VAT") << QStringList{"--iva", "venti"} << "" << 2 << "argomento non valido";
    QTest::newRow("no profile") << QStringList{} << "no profiles" << 1
                                << "nessuna tabella tariffaria da confrontare";
    QTest::newRow("only a damaged profile")
        << QStringList{} << "only damaged" << 1 << "tabella <Rotta> non confrontata";
    QTest::newRow("archive that cannot be read")
        << QStringList{} << "archive is a folder" << 1 << "Cannot open file";
}

void TestTariffComparison::compareRefused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, setUp);
    QFETCH(int, status);
    QFETCH(QString, err);
    QTemporaryDir dir;
    if (setUp == QLatin1String("archive is a folder")) {
        QVERIFY(writeProfile(dir.path(), Diurna, diurna()));
        QVERIFY(QDir().mkdir(archivePath(dir.path())));
    } else {
        QVERIFY(write(dir.path()));
        if (setUp != QLatin1String(""))
            QVERIFY(QDir(dir.path() + QStringLiteral("/Trf")).removeRecursively());
        if (setUp == QLatin1String("only damaged"))
            QVERIFY(writeDamagedProfile(dir.path()));
    }
    const QMap<QString, QByteArray> before = snapshot(dir.path());

    const CliRun r = cli(dir.path(), QStringList{"archive", "compare"} + args);
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
    QCOMPARE(r.out, QString());
    QCOMPARE(snapshot(dir.path()), before);
}

// Without --iva the "IVA" setting applies, as for archive reprice.
void TestTariffComparison::ivaFromSettings()
{
    QTemporaryDir dir;
    QVERIFY(write(dir.path()));
    TRegFile registry(TRegFile::defaultPath());
    TSettingsStore store(registry);
    store.writeInteger(TSettingsStore::Sett, "IVA", 4);
    QVERIFY(store.commit());
    const CliRun r = cli(dir.path(), {"archive", "compare", "--csv"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.contains(QStringLiteral("\"Serale, festivi\",5,0,1210.00,1258.40,-991.60\r\n")),
             qPrintable(r.out));
}

// One minute on each of the days given, priced with flat rates on every day
// ("Cara" 20, "Media" and "Pari" 10), from Tuesday on only ("Da martedì",
// 2), on Wednesdays only ("Solo mercoledì", 1), and a damaged profile.
void TestTariffComparison::ranking_data()
{
    QTest::addColumn<QList<int>>("days");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QStringList>("cheapest");

    // Equal totals both count as cheapest; a profile that left connections
    // unpriced comes after those that priced them all, however small its
    // total, and the fewer it left the sooner.
    QTest::newRow("Monday to Wednesday")
        << QList<int>{0, 1, 2}
        << QStringList{"Media", "Pari", "Cara", "Da martedì", "Solo mercoledì", "Rotta"}
        << QStringList{"Media", "Pari"};
    QTest::newRow("Wednesday only")
        << QList<int>{2}
        << QStringList{"Solo mercoledì", "Da martedì", "Media", "Pari", "Cara", "Rotta"}
        << QStringList{"Solo mercoledì"};
    // Nothing to compare: the profiles keep their order and none is cheapest.
    QTest::newRow("no connection")
        << QList<int>{}
        << QStringList{"Cara", "Da martedì", "Media", "Pari", "Solo mercoledì", "Rotta"}
        << QStringList{};
    // Only profiles that priced every connection can be the cheapest.
    QTest::newRow("Monday only, priced by every day's profiles")
        << QList<int>{0}
        << QStringList{"Media", "Pari", "Cara", "Da martedì", "Solo mercoledì", "Rotta"}
        << QStringList{"Media", "Pari"};
}

void TestTariffComparison::ranking()
{
    QFETCH(QList<int>, days);
    QFETCH(QStringList, order);
    QFETCH(QStringList, cheapest);
    QTemporaryDir dir;
    QVERIFY(writeMinutes(dir.path(), days));
    QList<ComparedProfile> profiles = {
        profile("Cara", flat(20)),  profile("Da martedì", flat(2, {1})),
        profile("Media", flat(10)), profile("Pari", flat(10)),
        profile("Rotta", {}),       profile("Solo mercoledì", flat(1, {2})),
    };
    profiles[4].error = QStringLiteral("rotta");
    TTariffComparison comparison(profiles, 20);
    QCOMPARE(comparison.run(wholeArchive(dir.path())), TTariffComparison::Step::Done);
    const QList<ComparisonRow> rows = comparison.rows();
    QCOMPARE(namesOf(rows), order);
    QCOMPARE(namesOf(rows, true), cheapest);
    const ComparisonRow* rotta = rowOf(rows, "Rotta");
    QCOMPARE(rotta->priced + rotta->unpriced, int64_t(0));
    for (const ComparisonRow& r : rows)
        if (r.usable())
            QCOMPARE(r.priced + r.unpriced, int64_t(days.size()));
}

// Slices of any size give the same rows as one run; a selection, a marked
// range of it and a period of the archive give the same for the same
// connections.
void TestTariffComparison::slicesSelectionsAndPeriods()
{
    QTemporaryDir dir;
    QVERIFY(write(dir.path()));
    const QList<ComparedProfile> profiles = {profile(Diurna, diurna()), profile(Serale, serale())};
    const auto rowsOf = [&](std::unique_ptr<IConnectionSource> source, int slice) {
        TTariffComparison c(profiles, 20);
        if (!c.begin(std::move(source)))
            return QList<ComparisonRow>();
        int64_t done = 0;
        TTariffComparison::Step s = TTariffComparison::Step::More;
        while (s == TTariffComparison::Step::More) {
            s = c.step(slice);
            if (c.done() < done || c.done() > c.total())
                return QList<ComparisonRow>();
            done = c.done();
        }
        return s == TTariffComparison::Step::Done && c.complete() && done == c.total()
                   ? c.rows()
                   : QList<ComparisonRow>();
    };
    const auto same = [](const QList<ComparisonRow>& a, const QList<ComparisonRow>& b) {
        if (a.size() != b.size() || a.isEmpty())
            return false;
        for (int i = 0; i < a.size(); ++i)
            if (a[i].profile != b[i].profile || a[i].priced != b[i].priced ||
                a[i].unpriced != b[i].unpriced || a[i].cost != b[i].cost ||
                a[i].costWithVat != b[i].costWithVat || a[i].stored != b[i].stored ||
                a[i].cheapest != b[i].cheapest)
                return false;
        return true;
    };

    const QList<ComparisonRow> whole = rowsOf(wholeArchive(dir.path()), 1 << 20);
    QCOMPARE(whole.size(), 2);
    for (int slice : {1, 2, 5})
        QVERIFY2(same(rowsOf(wholeArchive(dir.path()), slice), whole),
                 qPrintable(QString::number(slice)));

    TSelection selection;
    QVERIFY(loadAll(dir.path(), selection));
    QCOMPARE(selection.count(), connections().size());
    QVERIFY(same(rowsOf(std::make_unique<TSelectionConnections>(selection), 2), whole));

    // Rows 2..3 of the list (from 1) hold the Sunday and the Monday
    // connections, the days of 28 and 29 October; a range that runs past the
    // end takes only the rows there are.
    const TDateTime sunday = dt::encodeDate(2001, 10, 28);
    const QList<ComparisonRow> period = rowsOf(
        std::make_unique<TArchivePeriodConnections>(archivePath(dir.path()), sunday, sunday + 1),
        3);
    QVERIFY(same(rowsOf(std::make_unique<TSelectionConnections>(selection, 1, 2), 1), period));
    const QList<ComparisonRow> tail =
        rowsOf(std::make_unique<TArchivePeriodConnections>(archivePath(dir.path()),
                                                           dt::encodeDate(2001, 11, 1), 1e9),
               3);
    QVERIFY(same(rowsOf(std::make_unique<TSelectionConnections>(selection, 4, 9), 1), tail));
    // The empty row of an empty list holds no connection.
    TSelection empty;
    const QList<ComparisonRow> none =
        rowsOf(std::make_unique<TSelectionConnections>(empty, 0, 0), 1);
    QCOMPARE(none.size(), 2);
    QCOMPARE(none[0].priced + none[0].unpriced, int64_t(0));
}

// Stopped part-way the sums so far stay and nothing is marked cheapest; an
// archive that cannot be opened, or that is cut short while it is read, fails
// with the runtime's words; a new begin starts over.
void TestTariffComparison::stoppedAndFailed()
{
    QTemporaryDir dir;
    QVERIFY(write(dir.path()));
    TTariffComparison c({profile(Diurna, diurna()), profile(Serale, serale())}, 20);
    QVERIFY(c.begin(wholeArchive(dir.path())));
    QCOMPARE(c.total(), int64_t(6));
    QCOMPARE(c.step(2), TTariffComparison::Step::More);
    QVERIFY(c.running());
    c.cancel();
    QVERIFY(!c.running());
    QVERIFY(!c.complete());
    QCOMPARE(c.done(), int64_t(2));
    QCOMPARE(c.connections(), int64_t(2));
    QCOMPARE(c.storedTotal(), 1300.0);
    QCOMPARE(c.rows().first().priced, int64_t(2));
    QCOMPARE(namesOf(c.rows(), true), QStringList());
    QCOMPARE(c.step(), TTariffComparison::Step::Failed);

    // Cut short behind the reader's back after the first slice.
    QVERIFY(c.begin(wholeArchive(dir.path())));
    QCOMPARE(c.step(1), TTariffComparison::Step::More);
    QVERIFY(QFile::resize(archivePath(dir.path()), 2 * ConnRecord::Size));
    QCOMPARE(c.step(4), TTariffComparison::Step::Failed);
    QVERIFY2(c.errorText().startsWith(QStringLiteral("Cannot read file ")),
             qPrintable(c.errorText()));
    QCOMPARE(c.connections(), int64_t(1));
    QVERIFY(!c.running());

    QTemporaryDir folderDir;
    QVERIFY(QDir().mkdir(archivePath(folderDir.path())));
    QVERIFY(!c.begin(wholeArchive(folderDir.path())));
    QVERIFY(c.errorText().startsWith(QStringLiteral("Cannot open file ")));
    QCOMPARE(c.connections(), int64_t(0));

    // A damaged record is passed over and named.
    QByteArray bytes = testsupport::readFileBytes(archivePath(dir.path()));
    bytes.append(QByteArray(ConnRecord::Size, '\xff'));
    bytes.append(records().first().toBytes());
    QVERIFY(testsupport::writeFileBytes(archivePath(dir.path()), bytes));
    QCOMPARE(c.run(wholeArchive(dir.path())), TTariffComparison::Step::Done);
    QCOMPARE(c.takeDamaged(), QList<int>{2});
    QCOMPARE(c.connections(), int64_t(3));
    const CliRun r = cli(dir.path(), {"archive", "compare", "--iva", "20"});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.err.startsWith(QStringLiteral("record 2 danneggiato o illeggibile: ignorato\n")),
             qPrintable(r.err));
}

void TestTariffComparison::damagedProfiles_data()
{
    QTest::addColumn<int>("size"); // -1: no file
    QTest::addColumn<QString>("error");
    QTest::newRow("a profile") << 3852 << QString();
    QTest::newRow("empty") << 0 << "il file è di 0 byte invece di 3852";
    QTest::newRow("one byte short") << 3851 << "il file è di 3851 byte invece di 3852";
    QTest::newRow("one byte more") << 3853 << "il file è di 3853 byte invece di 3852";
    QTest::newRow("gone") << -1 << "impossibile leggere il file (";
}

void TestTariffComparison::damagedProfiles()
{
    QFETCH(int, size);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Prova.trf"));
    QByteArray bytes = TProfileFiles::fileBytes(ProfileHeader{}, flat(10));
    bytes.resize(std::max(size, 0), '\0');
    if (size >= 0)
        QVERIFY(testsupport::writeFileBytes(path, bytes));
    const ComparedProfile p = TTariffComparison::loadProfile(QStringLiteral("Prova"), path);
    QCOMPARE(p.name, QStringLiteral("Prova"));
    QVERIFY2(error.isEmpty() ? p.error.isEmpty() : p.error.startsWith(error), qPrintable(p.error));
    QCOMPARE(p.usable(), error.isEmpty());
    QCOMPARE(p.table.toBytes(), (p.usable() ? flat(10) : TariffTable{}).toBytes());
}

// A session across a band change, midnight into a holiday and its second
// rate, with the clock set right half-way: what the session stores is what
// re-pricing would store and what the comparison counts for the same
// connection.
void TestTariffComparison::sessionRepricingAndComparisonAgree()
{
    using namespace watchtest;
    Fixture f;
    // Weekdays from 23:55 at 6 Lire a minute, before that at 15; holidays
    // at 4; after 600 s the second rates.
    TariffTable late = serale();
    for (int row = 0; row < HolidayRow; ++row)
        late.cell(2, row).dalle = dt::encodeTime(23, 55, 0);
    QVERIFY(f.saveProfile(QStringLiteral("Prova"), late));
    // The computer's clock is five minutes ahead: the call seems to start
    // after the band change, and really starts before it.
    f.clock.set(dt::encode(2001, 10, 31, 23, 57, 0));
    f.confirmInDialog();
    f.watcher.watchOn();
    f.tick();
    QVERIFY(f.connect());
    f.ticks(60);
    QVERIFY(f.watch.connected);
    const TDateTime seemingStart = f.records.running.inizio;

    const QByteArray answer =
        QByteArray("Wed Oct 31 ") +
        dt::toIsoText(f.clock.now() - 300 * dt::OneSecond).mid(11).toLatin1() + " 2001\r\n";
    LocalServer server(LocalServer::sendAndClose(answer));
    QVERIFY(server.start());
    TFakeClockSetter setter(&f.clock);
    f.prompt.answerNext(PbYes);
    f.settings.serverOraEsatta = QStringLiteral("127.0.0.1:%1").arg(server.port());
    TClockSync sync{ClockSyncContext{f.watch, f.records, f.clock, f.prompt, setter, f.settings,
                                     [&f] { f.watcher.sessionStartMoved(); }}};
    QSignalSpy finished(&sync, &TClockSync::finished);
    sync.synchronise();
    QVERIFY(finished.wait(5000));
    QCOMPARE(setter.requests().size(), 1);
    QVERIFY(f.records.running.inizio < dt::encode(2001, 10, 31, 23, 55, 0));

    // On past midnight into the holiday, and past 600 s.
    f.ticks(800);
    QVERIFY(f.drop());
    f.tick();
    QCOMPARE(f.view.endDialogs.size(), 1);
    const ConnRecord stored = f.recordAt(0);
    QVERIFY(stored.fine > dt::encode(2001, 11, 1, 0, 0, 0));
    QVERIFY(stored.durationSeconds() > 600);

    const std::optional<float> repriced =
        repricing::costWithVat(late, stored, f.settings.iva, f.holidays);
    QCOMPARE(repriced, std::optional<float>(stored.costo));
    TTariffComparison comparison({profile(QStringLiteral("Prova"), late)}, f.settings.iva);
    QCOMPARE(comparison.run(wholeArchive(f.dir.path())), TTariffComparison::Step::Done);
    QCOMPARE(comparison.rows().first().priced, int64_t(1));
    QCOMPARE(comparison.rows().first().costWithVat, double(stored.costo));
    // From the start the wrong clock gave, the same call costs otherwise.
    QVERIFY(repricing::costWithVat(late, seemingStart, seemingStart + stored.fine - stored.inizio,
                                   f.settings.iva, f.holidays) != repriced);
}

QTEST_GUILESS_MAIN(TestTariffComparison)
#include "tst_tariffcomparison.moc"
