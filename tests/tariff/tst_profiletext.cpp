// The text form of a profile, and the profile that ships in data/Trf: the
// committed file must be exactly what the generator makes of its source.
#include "TariffFixtures.h"
#include "tariff/CostEngine.h"
#include "tariff/HolidayCalendar.h"
#include "tariff/ProfileFiles.h"
#include "tariff/ProfileText.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QTest>

using namespace fixtures;

namespace
{

QByteArray readAll(const QString& path)
{
    return testsupport::readFileBytes(path);
}

} // namespace

class TestProfileText : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip();
    void rejected_data();
    void rejected();
    void shippedProfileMatchesItsSource();
    void shippedProfilePrices();
};

void TestProfileText::roundTrip()
{
    TariffTable t = evening();
    TariffCell& c = setBand(t, 10, HolidayRow, 23, 59, FreeMarker);
    c.scrsi = 1;
    c.costorisp = 127;
    c.doposec = 600;
    c.costo2 = 0.1f; // not exact in binary: must come back as the same float
    c.sco = {1, {}, 33, 1200};
    setBand(t, 3, 2, 7, 5, 12.345f);

    const QString text = profileToText(t);
    QVERIFY(text.contains("FESTIVI   10     23.59 Gratis 1     127       600     0.1    1"));
    TariffTable back;
    QString error;
    QVERIFY2(profileFromText(text, back, &error), qPrintable(error));
    QCOMPARE(back.toBytes(), t.toBytes());
    QCOMPARE(profileToText(back), text);
}

void TestProfileText::rejected_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("why");
    QTest::newRow("short line") << "LUN 1 00.00 10"
                                << "attesi 11 campi";
    QTest::newRow("unknown row") << "DOMENICA 1 00.00 10 0 0 0 0 0 0 0"
                                 << "giorno o fascia";
    QTest::newRow("band 11") << "LUN 11 00.00 10 0 0 0 0 0 0 0"
                             << "giorno o fascia";
    QTest::newRow("bad time") << "LUN 1 24.00 10 0 0 0 0 0 0 0"
                              << "orario non valido";
    QTest::newRow("rate 0 is no band") << "LUN 1 00.00 0 0 0 0 0 0 0 0"
                                       << "costo1 non valido";
    QTest::newRow("flag 2") << "LUN 1 00.00 10 2 0 0 0 0 0 0"
                            << "valore non valido";
    QTest::newRow("twice the same band") << "LUN 1 00.00 10 0 0 0 0 0 0 0\n"
                                            "LUN 1 08.00 10 0 0 0 0 0 0 0"
                                         << "riga 3: fascia ripetuta";
}

void TestProfileText::rejected()
{
    QFETCH(QString, line);
    QFETCH(QString, why);
    TariffTable t = evening();
    QString error;
    QVERIFY(!profileFromText("# comment\n" + line, t, &error));
    QVERIFY2(error.contains(why), qPrintable(error));
    QCOMPARE(t.toBytes(), evening().toBytes()); // untouched
}

void TestProfileText::shippedProfileMatchesItsSource()
{
    const QString root = testsupport::sourceDir();
    const QByteArray source = readAll(root + "/tariff/tools/Telecom Urbana 50%.txt");
    QVERIFY(!source.isEmpty());
    TariffTable table;
    QString error;
    QVERIFY2(profileFromText(QString::fromUtf8(source), table, &error), qPrintable(error));
    ProfileHeader header;
    header.setFormatMark(ProfileHeader::FormatMark);
    QCOMPARE(readAll(root + "/data/Trf/Telecom Urbana 50%.trf"),
             TProfileFiles::fileBytes(header, table));
}

void TestProfileText::shippedProfilePrices()
{
    ProfileHeader header;
    TariffTable table;
    QVERIFY(TProfileFiles::readProfileFile(
        testsupport::sourceDir() + "/data/Trf/Telecom Urbana 50%.trf", header, table));
    TflFestivi holidays(2000);
    // Wednesday 10:00: 106 at answer, then 19 Lire a minute.
    auto s = BuildSchedule(table, dt::encode(2000, 3, 8, 10, 0), holidays);
    QVERIFY(s);
    QCOMPARE(CostForSeconds(table, *s, 600), 106.0f + 190.0f);
    // Sunday afternoon: the reduced rate.
    s = BuildSchedule(table, dt::encode(2000, 3, 12, 15, 0), holidays);
    QVERIFY(s);
    QCOMPARE(CostForSeconds(table, *s, 600), 106.0f + 95.0f);
}

QTEST_GUILESS_MAIN(TestProfileText)
#include "tst_profiletext.moc"
