// tarvelo-cli archive list and archive reprice, run in-process on a
// temporary folder.
#include "common/Ansi.h"
#include "tariff/ProfileFiles.h"
#include "tests/archive/ArchiveTestFiles.h"
#include "tests/support/CliRun.h"
#include "tests/tariff/TariffFixtures.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace archivetest;

namespace
{

using testsupport::CliRun;

CliRun cli(const QString& folder, const QStringList& args)
{
    return testsupport::runCliIn(folder, args);
}

// Record 0 and 3 stored, 1 deleted, 2 torn.
void writeArchive(const QString& folder)
{
    ConnRecord a = sample(0);
    a.inizio = dt::encode(2001, 5, 14, 21, 30, 0);
    a.fine = dt::encode(2001, 5, 14, 21, 42, 5);
    a.costo = 1481.28f;
    a.motivo = QString();
    ConnRecord b = sample(3);
    b.inizio = dt::encode(2001, 12, 31, 23, 59, 50);
    b.fine = dt::encode(2002, 1, 1, 0, 0, 20);
    b.costo = 12.5f;
    b.provider = QStringLiteral("Rete, \"veloce\"");
    b.motivo = QStringLiteral("riga uno\r\nriga\tdue");
    QByteArray torn = sample(2).toBytes();
    torn[24] = char(99);
    QVERIFY(writeFileBytes(folder + QStringLiteral("/Archivio.sto"),
                           a.toBytes() + QByteArray(308, '\0') + torn + b.toBytes() +
                               QByteArray(50, 'z')));
}

const QString Header =
    QStringLiteral("posizione,inizio,fine,secondi,costo,telefono,provider,profilo,descrizione");

// The positions listed by a plain list's output.
QList<int> listedPositions(const QString& out)
{
    QList<int> positions;
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int i = 1; i < lines.size(); ++i)
        positions << lines[i].section(QLatin1Char('\t'), 0, 0).toInt();
    return positions;
}

// A record's line as the program's number and date formatting writes it,
// field by field through QString: what the listing must give.
QString referenceLine(const ConnRecord& r, bool csv)
{
    const QStringList fields = {QString::number(r.indice),
                                dt::toIsoText(r.inizio),
                                dt::toIsoText(r.fine),
                                QString::number(r.durationSeconds()),
                                QString::number(double(r.costo), 'f', 2),
                                r.telefono,
                                r.provider,
                                r.nomeTar,
                                r.motivo};
    QStringList cells;
    for (QString f : fields) {
        if (csv && (f.contains(QLatin1Char(',')) || f.contains(QLatin1Char('"')) ||
                    f.contains(QLatin1Char('\r')) || f.contains(QLatin1Char('\n'))))
            f = QLatin1Char('"') + f.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                QLatin1Char('"');
        if (!csv)
            for (QChar& c : f)
                if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                    c = QLatin1Char(' ');
        cells << f;
    }
    return cells.join(csv ? QLatin1Char(',') : QLatin1Char('\t')) +
           (csv ? QStringLiteral("\r\n") : QStringLiteral("\n"));
}

// Fills each text field of r with text(its longest length).
template <typename TextOfAtMost> void setTexts(ConnRecord& r, TextOfAtMost text)
{
    r.telefono = text(ConnRecord::TelefonoMax);
    r.provider = text(ConnRecord::ProviderMax);
    r.nomeTar = text(ConnRecord::NomeTarMax);
    r.motivo = text(ConnRecord::MotivoMax);
}

// Stored connections of every shape a record can hold: dates across the
// calendar, ends before starts, costs with halves at the second decimal,
// negative and huge, and texts of any byte at any length.
QList<ConnRecord> variedRecords(int n)
{
    QRandomGenerator rng(308);
    const float costs[] = {0.0f,     0.125f,  0.375f, 1234.125f, 2.675f,    1.005f,
                           1481.28f, -0.001f, -12.5f, 1e20f,     99999.99f, 0.005f};
    const auto text = [&rng](int max) {
        QByteArray b(int(rng.bounded(max + 1)), '\0');
        for (char& c : b)
            c = char(rng.bounded(256));
        return ansi::toUnicode(b);
    };
    QList<ConnRecord> out;
    for (int i = 0; i < n; ++i) {
        ConnRecord r;
        r.indice = i;
        r.inizio = i == 0 ? 1e-9 : rng.bounded(2958465.0);
        r.fine = std::clamp(r.inizio + rng.bounded(2.0) - 0.5, 1e-9, 2958465.5);
        r.costo = i < int(std::size(costs)) ? costs[i] : float(rng.bounded(100000.0));
        setTexts(r, text);
        out << r;
    }
    return out;
}

// Connections in runs that share their day, as a real archive holds them:
// times at the edges of a second and of the day, ends a day or more later or
// before the start, costs at the edges of two decimals, and mostly plain
// texts with a byte to change or quote at any place of each 8-byte stretch.
QList<ConnRecord> recordsOfOneDayAfterAnother(int n)
{
    QRandomGenerator rng(1999);
    const double edges[] = {0, 0.0004999, 0.0005, 0.0005001, 0.4995, 0.9994999, 0.9995, 0.99999};
    const float costs[] = {0.005f, 0.015f, 0.125f, 999999.995f, 9.99999e14f, 1e15f, 1.17549e-38f};
    const char specials[] = {'"', ',', '\r', '\n', '\t', '\x7f', '\xe9', '\x80', '\x01'};
    const auto text = [&](int max) {
        QByteArray b(int(rng.bounded(max + 1)), 'a');
        for (char& c : b)
            c = char('a' + rng.bounded(26));
        for (int k = rng.bounded(3); k > 0 && !b.isEmpty(); --k)
            b[rng.bounded(b.size())] = specials[rng.bounded(int(std::size(specials)))];
        return ansi::toUnicode(b);
    };
    QList<ConnRecord> out;
    double day = dt::encodeDate(2001, 12, 30);
    for (int i = 0; i < n; ++i) {
        if (rng.bounded(8) == 0)
            day += 1 + rng.bounded(2);
        ConnRecord r;
        r.indice = i;
        const int second = int(rng.bounded(86400));
        r.inizio = day + (second + edges[rng.bounded(int(std::size(edges)))]) * dt::OneSecond;
        const double lengths[] = {rng.bounded(7200.0), 86400.0 * 3 + 0.5, -rng.bounded(90.0),
                                  std::floor(rng.bounded(600.0)) + 0.9995};
        r.fine = r.inizio + lengths[rng.bounded(4)] * dt::OneSecond;
        r.costo = rng.bounded(4) == 0 ? costs[rng.bounded(int(std::size(costs)))]
                                      : float(rng.bounded(5000.0));
        setTexts(r, text);
        out << r;
    }
    return out;
}

// The archive of the re-pricing tests: a Monday, a Tuesday, a deleted
// record and a Friday, each 60 s (90 s on Tuesday), priced 999 with "Vecchia".
QList<ConnRecord> repricingRecords()
{
    QList<ConnRecord> recs;
    const TDateTime starts[] = {dt::encode(2001, 5, 14, 21, 30, 0),
                                dt::encode(2001, 5, 15, 9, 0, 0), 0,
                                dt::encode(2001, 6, 1, 12, 0, 0)};
    for (int i = 0; i < 4; ++i) {
        ConnRecord r = sample(i);
        r.indice = i;
        r.inizio = starts[i];
        r.fine = starts[i] > 0 ? starts[i] + (i == 1 ? 90 : 60) * dt::OneSecond : 0;
        r.costo = 999;
        r.nomeTar = QStringLiteral("Vecchia");
        recs << (starts[i] > 0 ? r : ConnRecord{});
    }
    return recs;
}

void writeRecords(const QString& folder, const QList<ConnRecord>& recs)
{
    QByteArray bytes;
    for (const ConnRecord& r : recs)
        bytes += r.toBytes();
    QVERIFY(writeFileBytes(folder + QStringLiteral("/Archivio.sto"), bytes));
}

void writeProfile(const QString& path, const TariffTable& table)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVERIFY(writeFileBytes(path, TProfileFiles::fileBytes(ProfileHeader{}, table)));
}

// "Piatta": 100 Lire a minute at any time. "Martedi": Tuesdays only.
void writeProfiles(const QString& folder)
{
    TariffTable flat;
    fixtures::setBandOn(flat, fixtures::AllRows, 1, 0, 0, 100);
    writeProfile(folder + QStringLiteral("/Trf/Piatta.trf"), flat);
    writeProfile(folder + QStringLiteral("/altrove/Piatta.trf"), flat);
    TariffTable tuesday;
    fixtures::setBand(tuesday, 1, 1, 0, 0, 100);
    writeProfile(folder + QStringLiteral("/Trf/Martedi.trf"), tuesday);
}

} // namespace

class TstCliArchive : public QObject
{
    Q_OBJECT
private slots:
    void plainList()
    {
        QTemporaryDir dir;
        writeArchive(dir.path());
        const CliRun r = cli(dir.path(), {QStringLiteral("archive"), QStringLiteral("list")});
        QCOMPARE(r.status, 0);
        const QStringList lines = r.out.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4); // header, two records, final empty piece
        QCOMPARE(lines[0], QString(Header).replace(QLatin1Char(','), QLatin1Char('\t')));
        QCOMPARE(lines[1], QStringLiteral("0\t2001-05-14 21:30:00\t2001-05-14 21:42:05\t725\t"
                                          "1481.28\t01100\tProva 0\tTelecom Urbana 50%\t"));
        QCOMPARE(lines[2], QStringLiteral("3\t2001-12-31 23:59:50\t2002-01-01 00:00:20\t30\t"
                                          "12.50\t01103\tRete, \"veloce\"\tTelecom Urbana 50%\t"
                                          "riga uno  riga due"));
        QCOMPARE(lines[3], QString());
        QCOMPARE(r.err, QStringLiteral("record 2 danneggiato o illeggibile: ignorato\n"));
    }

    void csvList()
    {
        QTemporaryDir dir;
        writeArchive(dir.path());
        const CliRun r = cli(dir.path(), {QStringLiteral("archive"), QStringLiteral("list"),
                                          QStringLiteral("--csv")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, Header + QStringLiteral("\r\n") +
                            QStringLiteral("0,2001-05-14 21:30:00,2001-05-14 21:42:05,725,1481.28,"
                                           "01100,Prova 0,Telecom Urbana 50%,\r\n") +
                            QStringLiteral("3,2001-12-31 23:59:50,2002-01-01 00:00:20,30,12.50,"
                                           "01103,\"Rete, \"\"veloce\"\"\",Telecom Urbana 50%,"
                                           "\"riga uno\r\nriga\tdue\"\r\n"));
    }

    void missingArchiveIsEmpty()
    {
        QTemporaryDir dir;
        const CliRun r = cli(dir.path(), {QStringLiteral("archive"), QStringLiteral("list"),
                                          QStringLiteral("--csv")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, Header + QStringLiteral("\r\n"));
    }

    void unreadableArchive()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Archivio.sto")));
        const CliRun r = cli(dir.path(), {QStringLiteral("archive"), QStringLiteral("list")});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.startsWith(QStringLiteral("Cannot open file ")));
    }

    void listPeriod_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QList<int>>("positions");
        QTest::newRow("from") << QStringList{"--from", "2001-06-01"} << QList<int>{3};
        QTest::newRow("to, the last day included")
            << QStringList{"--to", "2001-05-14"} << QList<int>{0};
        QTest::newRow("one day given with a time")
            << QStringList{"--from", "2001-12-31 23:59:59", "--to", "2001-12-31"} << QList<int>{3};
        QTest::newRow("a period without connections")
            << QStringList{"--from", "2001-06-01", "--to", "2001-12-30"} << QList<int>{};
        QTest::newRow("options before --csv's place")
            << QStringList{"--to", "2002-01-01", "--from", "2001-01-01"} << QList<int>{0, 3};
    }
    void listPeriod()
    {
        QFETCH(QStringList, options);
        QFETCH(QList<int>, positions);
        QTemporaryDir dir;
        writeArchive(dir.path());
        const CliRun r = cli(dir.path(), QStringList{"archive", "list"} + options);
        QCOMPARE(r.status, 0);
        QCOMPARE(listedPositions(r.out), positions);
    }

    // Every field is written straight from the stored bytes: the text must
    // be what the program's own formatting of the decoded record gives.
    void listWritesWhatTheRecordSays_data()
    {
        QTest::addColumn<QList<ConnRecord>>("recs");
        QTest::newRow("across the calendar, any byte") << variedRecords(3000);
        // More than one block of the listing, so that blocks meet too.
        QTest::newRow("one day after another") << recordsOfOneDayAfterAnother(9000);
    }
    void listWritesWhatTheRecordSays()
    {
        QFETCH(QList<ConnRecord>, recs);
        QTemporaryDir dir;
        writeRecords(dir.path(), recs);
        for (bool csv : {false, true}) {
            const CliRun r = cli(dir.path(), csv ? QStringList{"archive", "list", "--csv"}
                                                 : QStringList{"archive", "list"});
            QCOMPARE(r.status, 0);
            QVERIFY(r.err.isEmpty());
            // Walked record by record, so that a difference shows where it is.
            qsizetype at = r.out.indexOf(QLatin1Char('\n')) + 1;
            for (const ConnRecord& rec : recs) {
                const QString want = referenceLine(ConnRecord::fromBytes(rec.toBytes()), csv);
                QCOMPARE(r.out.mid(at, want.size()), want);
                at += want.size();
            }
            QCOMPARE(at, r.out.size());
        }
    }

    void reprice_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QList<int>>("changed");
        QTest::addColumn<QString>("nomeTar");
        QTest::addColumn<bool>("noBandMessage");
        // 60 s at 100 Lire a minute with IVA 20 stores 120; 90 s stores 180.
        QTest::newRow("every connection")
            << QStringList{"Piatta", "--iva", "20"} << "ricalcolate=3\nsenza_fascia=0\n"
            << QList<int>{0, 1, 3} << "Piatta" << false;
        QTest::newRow("a period") << QStringList{"Piatta",     "--from", "2001-05-15", "--to",
                                                 "2001-05-31", "--iva",  "20"}
                                  << "ricalcolate=1\nsenza_fascia=0\n"
                                  << QList<int>{1} << "Piatta" << false;
        QTest::newRow("a profile file, named after it")
            << QStringList{"<folder>/altrove/Piatta.trf", "--iva", "20"}
            << "ricalcolate=3\nsenza_fascia=0\n"
            << QList<int>{0, 1, 3} << "Piatta" << false;
        // On a Monday no Tuesday band is in force yet; on a Friday the
        // Tuesday band of the same week still is.
        QTest::newRow("connections without a band stay as they were")
            << QStringList{"Martedi", "--iva", "20"} << "ricalcolate=2\nsenza_fascia=1\n"
            << QList<int>{1, 3} << "Martedi" << true;
    }
    void reprice()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, out);
        QFETCH(QList<int>, changed);
        QFETCH(QString, nomeTar);
        QFETCH(bool, noBandMessage);
        QTemporaryDir dir;
        writeProfiles(dir.path());
        const QList<ConnRecord> before = repricingRecords();
        writeRecords(dir.path(), before);
        args.replaceInStrings(QStringLiteral("<folder>"), dir.path());

        const CliRun r = cli(dir.path(), QStringList{"archive", "reprice"} + args);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, out);
        QCOMPARE(
            r.err.contains(QStringLiteral("La tabella <Martedi> non ha nessuna fascia oraria")),
            noBandMessage);
        QCOMPARE(r.err.contains(QStringLiteral("Connessioni lasciate invariate: 1.")),
                 noBandMessage);

        const QByteArray file = readFileBytes(dir.path() + QStringLiteral("/Archivio.sto"));
        QCOMPARE(file.size(), 4 * ConnRecord::Size);
        for (int i = 0; i < before.size(); ++i) {
            ConnRecord expected = before[i];
            if (changed.contains(i)) {
                expected.costo = i == 1 ? 180 : 120;
                expected.nomeTar = nomeTar;
            }
            QCOMPARE(ConnRecord::fromBytes(recordAt(file, i)), expected);
        }
    }

    void repriceRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("archiveIsFolder");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("err");
        QTest::newRow("no profile") << QStringList{} << false << 2 << "uso: archive reprice";
        QTest::newRow("two profiles")
            << QStringList{"Piatta", "Martedi"} << false << 2 << "uso: archive reprice";
        QTest::newRow("bad date") << QStringList{"Piatta", "--from", "2001-02-30"} << false << 2
                                  << "data e ora non valide";
        QTest::newRow("period ending before it starts")
            << QStringList{"Piatta", "--from", "2001-06-01", "--to", "2001-05-01"} << false << 2
            << "il periodo finisce prima di cominciare";
        QTest::newRow("bad VAT") << QStringList{"Piatta", "--iva", "venti"} << false << 2
                                 << "argomento non valido";
        QTest::newRow("missing profile") << QStringList{"Nessuna"} << false << 1 << "non esiste";
        QTest::newRow("archive that cannot be written")
            << QStringList{"Piatta", "--iva", "20"} << true << 1 << "Cannot open file";
    }
    void repriceRefused()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, archiveIsFolder);
        QFETCH(int, status);
        QFETCH(QString, err);
        QTemporaryDir dir;
        writeProfiles(dir.path());
        const QString path = dir.path() + QStringLiteral("/Archivio.sto");
        if (archiveIsFolder)
            QVERIFY(QDir().mkdir(path));
        else
            writeRecords(dir.path(), repricingRecords());
        const QByteArray before = readFileBytes(path);

        const CliRun r = cli(dir.path(), QStringList{"archive", "reprice"} + args);
        QCOMPARE(r.status, status);
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
        QVERIFY(r.out.isEmpty());
        QCOMPARE(readFileBytes(path), before);
    }

    void repriceWithoutArchive()
    {
        QTemporaryDir dir;
        writeProfiles(dir.path());
        const CliRun r = cli(dir.path(), {"archive", "reprice", "Piatta", "--iva", "20"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QStringLiteral("ricalcolate=0\nsenza_fascia=0\n"));
        QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/Archivio.sto")));
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no word") << QStringList{"archive"};
        QTest::newRow("unknown word") << QStringList{"archive", "show"};
        QTest::newRow("unknown option") << QStringList{"archive", "list", "--xml"};
        QTest::newRow("extra") << QStringList{"archive", "list", "--csv", "x"};
    }
    void badArguments()
    {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        const CliRun r = cli(dir.path(), args);
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains(QStringLiteral("archive list")));
        QVERIFY(r.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstCliArchive)
#include "tst_cliarchive.moc"
