// The tariff commands of tarvelo-cli, run in-process: price, schedule,
// holiday and profile.
#include "TariffFixtures.h"
#include "app/SettingsStore.h"
#include "platform/system/Registry.h"
#include "tariff/ProfileFiles.h"
#include "tariff/ProfileText.h"
#include "tests/support/CliRun.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace fixtures;

namespace
{

using testsupport::CliRun;

void writeProfile(const QString& path, const TariffTable& table)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(TProfileFiles::fileBytes(ProfileHeader{}, table));
}

} // namespace

class TestCliTariff : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void price_data();
    void price();
    void priceRefused_data();
    void priceRefused();
    void ivaFromSettings();
    void schedule();
    void holiday_data();
    void holiday();
    void profileListAndShow();

private:
    CliRun run(const QStringList& args) { return testsupport::runCliIn(m_dir->path(), args); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestCliTariff::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    writeProfile(m_dir->path() + "/Trf/Sera.trf", evening());
    writeProfile(m_dir->path() + "/Trf/Vuota.trf", TariffTable{});
    writeProfile(m_dir->path() + "/altrove/sera.trf", evening());
}

void TestCliTariff::cleanup()
{
    QFile::remove(TRegFile::defaultPath());
}

void TestCliTariff::price_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("out");
    const QString start = "2000-03-06 18:00:00"; // a Monday
    QTest::newRow("3000 s over the 18:30 change")
        << QStringList{"Sera", start, "--seconds", "3000", "--iva", "20"}
        << "cost=400\ncost_iva=480\n";
    QTest::newRow("options first") << QStringList{"--iva", "4", "--seconds", "60", "Sera", start}
                                   << "cost=10\ncost_iva=10.3999996\n";
    QTest::newRow("0 seconds") << QStringList{"Sera", start, "--seconds", "0", "--iva", "20"}
                               << "cost=0\ncost_iva=0\n";
    // Whole seconds from the date-time difference, truncated: a 50-minute
    // span of date-times is 2999.9999997 seconds, so 2999 are charged.
    QTest::newRow("--end by the elapsed-time rule")
        << QStringList{"Sera", start, "--end", "2000-03-06 18:50:00", "--iva", "20"}
        << "cost=399.916656\ncost_iva=479.899994\n";
    QTest::newRow("a path to a profile file")
        << QStringList{"altrove/sera.trf", start, "--seconds", "60", "--iva", "20"}
        << "cost=10\ncost_iva=12\n";
}

void TestCliTariff::price()
{
    QFETCH(QStringList, args);
    QFETCH(QString, out);
    // Relative paths are taken from the current folder.
    const QString here = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    const CliRun r = run(QStringList{"price"} + args);
    QDir::setCurrent(here);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.out, out);
    QCOMPARE(r.status, 0);
}

void TestCliTariff::priceRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    const QString start = "2000-03-06 18:00:00";
    QTest::newRow("missing profile")
        << QStringList{"Manca", start, "--seconds", "60"} << 1 << "la tabella <Manca> non esiste";
    QTest::newRow("no band in force") << QStringList{"Vuota", start, "--seconds", "60"} << 1
                                      << "La tabella <Vuota> non ha nessuna fascia oraria";
    QTest::newRow("unsafe name") << QStringList{"../Trf/Sera", start, "--seconds", "60"} << 1
                                 << "nome di tabella non valido: ../Trf/Sera";
    QTest::newRow("bad start") << QStringList{"Sera", "2000-02-30 10:00:00", "--seconds", "60"} << 1
                               << "data e ora non valide";
    QTest::newRow("end before start") << QStringList{"Sera", start, "--end", "2000-03-06 17:00:00"}
                                      << 2 << "la fine precede l'inizio";
    QTest::newRow("both lengths") << QStringList{"Sera", start,   "--seconds",
                                                 "5",    "--end", "2000-03-06 19:00:00"}
                                  << 2 << "uso: price";
    QTest::newRow("no length") << QStringList{"Sera", start} << 2 << "uso: price";
    QTest::newRow("negative seconds") << QStringList{"Sera", start, "--seconds", "-1"} << 2
                                      << "argomento non valido: --seconds -1";
    QTest::newRow("VAT not a number") << QStringList{"Sera", start, "--seconds", "1", "--iva", "x"}
                                      << 2 << "argomento non valido: --iva x";
}

void TestCliTariff::priceRefused()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, message);
    const CliRun r = run(QStringList{"price"} + args);
    QCOMPARE(r.status, status);
    QCOMPARE(r.out, QString());
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
}

void TestCliTariff::ivaFromSettings()
{
    const QStringList args{"price", "Sera", "2000-03-06 18:00:00", "--seconds", "3000"};
    QCOMPARE(run(args).out, QStringLiteral("cost=400\ncost_iva=480\n")); // default 20

    TRegFile registry(TRegFile::defaultPath());
    TSettingsStore store(registry);
    store.writeInteger(TSettingsStore::Sett, "IVA", 10);
    QVERIFY(store.commit());
    const CliRun r = run(args);
    QCOMPARE(r.out, QStringLiteral("cost=400\ncost_iva=440\n"));
    QCOMPARE(r.err, QString());
}

void TestCliTariff::schedule()
{
    CliRun r = run({"schedule", "Sera", "2000-03-06 18:00:00"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("0 1 0 1800 10\n"
                                   "1 2 0 19800 5\n"
                                   "2 1 1 66600 10\n"
                                   "3 2 1 19800 5\n"
                                   "4 1 2 66600 10\n"
                                   "5 2 2 19800 5\n"
                                   "6 1 3 66600 10\n"
                                   "7 2 3 19800 5\n"
                                   "8 1 4 66600 10\n"
                                   "9 2 4 - 5\n"));

    r = run({"schedule", "Vuota", "2000-03-06 18:00:00"});
    QCOMPARE(r.status, 1);
    QCOMPARE(r.out, QString());
}

void TestCliTariff::holiday_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::newRow("Easter Monday 2002") << "2002-04-01" << 0 << "1\n";
    QTest::newRow("8 December") << "1999-12-08" << 0 << "1\n";
    QTest::newRow("21 April 2026") << "2026-04-21" << 0 << "0\n";
    QTest::newRow("not a date") << "2002-13-01" << 2 << "";
    QTest::newRow("with a time") << "2002-04-01 10:00:00" << 2 << "";
}

void TestCliTariff::holiday()
{
    QFETCH(QString, date);
    QFETCH(int, status);
    QFETCH(QString, out);
    const CliRun r = run({"holiday", date});
    QCOMPARE(r.status, status);
    QCOMPARE(r.out, out);
}

void TestCliTariff::profileListAndShow()
{
    CliRun r = run({"profile", "list"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("Sera\nVuota\n"));

    r = run({"profile", "show", "Sera"});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.contains("\nLUN       2      18.30 5 "));
    // What show prints reads back as the same table.
    TariffTable back;
    QVERIFY(profileFromText(r.out, back));
    QCOMPARE(back.toBytes(), evening().toBytes());

    r = run({"profile", "show", "Manca"});
    QCOMPARE(r.status, 1);
    QVERIFY(r.err.contains("<Manca>"));
    QCOMPARE(run({"profile"}).status, 2);
}

QTEST_GUILESS_MAIN(TestCliTariff)
#include "tst_clitariff.moc"
