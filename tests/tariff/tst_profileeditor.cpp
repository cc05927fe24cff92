// The tariff editor's cell conversions: what the fields show for a cell,
// what "&Salva Tariffa" makes of the fields, and the grid's texts.

#include "common/DateTime.h"
#include "tariff/ProfileEditor.h"
#include "tests/support/TestSupport.h"

#include <QTest>
#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(StoreCellError)

namespace
{

// A band of 100 Lire/min from 08:30 with every optional part set, and
// non-zero reserved words that every edit must carry.
TariffCell fullBand()
{
    TariffCell c;
    c.scrsi = 1;
    c.costorisp = 150;
    c.dalle = dt::encodeTime(8, 30, 0);
    c.doposec = 120;
    c.costo1 = 100;
    c.costo2 = 50.5f;
    c.sco.attivo = 1;
    c.sco.percent = 30;
    c.sco.doposec = 600;
    c.reserved1 = {1, 2, 3, 4};
    c.reserved2 = {5, 6, 7, 8};
    return c;
}

QByteArray bytesOf(const TariffCell& c)
{
    QByteArray b(TariffCell::Size, '\0');
    c.toBytes(b, 0);
    return b;
}

CellFields validFields()
{
    CellFields f;
    f.dalle = QStringLiteral("18:30");
    f.costo1 = QStringLiteral("12,5");
    f.doposec = QStringLiteral("60");
    f.costo2 = QStringLiteral("10");
    return f;
}

} // namespace

class TestProfileEditor : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }
    void showsBand();
    void emptyCellKeepsFields();
    void unshowableStartStopsHalfway();
    void storesFields();
    void refusesFields_data();
    void refusesFields();
    void gridTexts_data();
    void gridTexts();
};

void TestProfileEditor::showsBand()
{
    CellFields f;
    QCOMPARE(cellToFields(fullBand(), f), ShowCellResult::Filled);
    QVERIFY(f.scrsi);
    QCOMPARE(f.costorisp, QStringLiteral("150"));
    QCOMPARE(f.dalle, QStringLiteral("08:30"));
    QCOMPARE(f.costo1, QStringLiteral("100,00"));
    QCOMPARE(f.doposec, QStringLiteral("120"));
    QCOMPARE(f.costo2, QStringLiteral("50,50"));
    QVERIFY(f.scoAttivo);
    QCOMPARE(f.scopercent, QStringLiteral("30"));
    QCOMPARE(f.scodoposec, QStringLiteral("600"));

    // A free band shows a rate of 0; no fixed charge shows an empty field.
    TariffCell free = fullBand();
    free.costo1 = FreeMarker;
    free.costorisp = 0;
    QCOMPARE(cellToFields(free, f), ShowCellResult::Filled);
    QCOMPARE(f.costo1, QStringLiteral("0,00"));
    QCOMPARE(f.costorisp, QString());
}

void TestProfileEditor::emptyCellKeepsFields()
{
    CellFields f = validFields();
    TariffCell empty = fullBand();
    empty.costo1 = 0;
    QCOMPARE(cellToFields(empty, f), ShowCellResult::EmptyCell);
    QCOMPARE(f.dalle, QStringLiteral("18:30"));
    QCOMPARE(f.costo1, QStringLiteral("12,5"));
}

void TestProfileEditor::unshowableStartStopsHalfway()
{
    CellFields f = validFields();
    TariffCell c = fullBand();
    c.dalle = std::numeric_limits<double>::quiet_NaN();
    QCOMPARE(cellToFields(c, f), ShowCellResult::BadTime);
    QCOMPARE(f.scopercent, QStringLiteral("30")); // filled before the start time
    QCOMPARE(f.costorisp, QStringLiteral("150"));
    QCOMPARE(f.dalle, QStringLiteral("18:30")); // the rest as it was
    QCOMPARE(f.costo1, QStringLiteral("12,5"));
}

void TestProfileEditor::storesFields()
{
    // Showing a band and storing it unchanged gives the same cell back.
    TariffCell c = fullBand();
    CellFields f;
    cellToFields(c, f);
    TariffCell stored = c;
    QCOMPARE(fieldsToCell(f, stored), StoreCellError::None);
    QCOMPARE(bytesOf(stored), bytesOf(c));

    // New values; costorisp is kept when no fixed charge is made; 0 is free.
    f = validFields();
    f.costo1 = QStringLiteral("0");
    f.scopercent = QStringLiteral("x"); // not a number: 0
    QCOMPARE(fieldsToCell(f, stored), StoreCellError::None);
    QCOMPARE(stored.scrsi, uint8_t(0));
    QCOMPARE(stored.costorisp, 150.0f);
    QCOMPARE(stored.startMinutes(), 18 * 60 + 30);
    QCOMPARE(stored.costo1, FreeMarker);
    QCOMPARE(stored.costo2, 10.0f);
    QCOMPARE(stored.doposec, 60);
    QCOMPARE(stored.sco.attivo, uint8_t(0));
    QCOMPARE(stored.sco.percent, 0);
    QCOMPARE(stored.reserved1, c.reserved1);
    QCOMPARE(stored.reserved2, c.reserved2);

    f.costo1 = QStringLiteral("12,5");
    QCOMPARE(fieldsToCell(f, stored), StoreCellError::None);
    QCOMPARE(stored.costo1, 12.5f);
}

void TestProfileEditor::refusesFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<StoreCellError>("error");
    using E = StoreCellError;
    QTest::newRow("no fixed charge") << "costorisp"
                                     << "" << E::NoFixedCharge;
    QTest::newRow("fixed charge 0") << "costorisp"
                                    << "0" << E::NoFixedCharge;
    QTest::newRow("fixed charge negative") << "costorisp"
                                           << "-5" << E::NoFixedCharge;
    QTest::newRow("fixed charge decimal") << "costorisp"
                                          << "12,5" << E::NoFixedCharge;
    QTest::newRow("empty time") << "dalle"
                                << ":" << E::BadTime;
    QTest::newRow("hour 25") << "dalle"
                             << "25:00" << E::BadTime;
    QTest::newRow("minute 61") << "dalle"
                               << "10:61" << E::BadTime;
    QTest::newRow("rate text") << "costo1"
                               << "cento" << E::BadCosto1;
    QTest::newRow("rate empty") << "costo1"
                                << "" << E::BadCosto1;
    QTest::newRow("rate negative") << "costo1"
                                   << "-1" << E::BadCosto1;
    QTest::newRow("rate free marker") << "costo1"
                                      << "-999" << E::BadCosto1;
    QTest::newRow("rate too big") << "costo1"
                                  << "1e300" << E::BadCosto1;
    QTest::newRow("second rate text") << "costo2"
                                      << "x" << E::BadCosto2;
    QTest::newRow("second rate negative") << "costo2"
                                          << "-3" << E::BadCosto2;
    QTest::newRow("discount over 100") << "scopercent"
                                       << "150" << E::BadPercent;
    QTest::newRow("discount negative") << "scopercent"
                                       << "-10" << E::BadPercent;
}

void TestProfileEditor::refusesFields()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(StoreCellError, error);
    CellFields f = validFields();
    f.scrsi = true;
    f.costorisp = QStringLiteral("100");
    if (field == QLatin1String("costorisp"))
        f.costorisp = text;
    else if (field == QLatin1String("dalle"))
        f.dalle = text;
    else if (field == QLatin1String("costo1"))
        f.costo1 = text;
    else if (field == QLatin1String("costo2"))
        f.costo2 = text;
    else if (field == QLatin1String("scopercent"))
        f.scopercent = text;

    // Nothing is stored, not even the fields read before the refusal.
    const TariffCell before = fullBand();
    TariffCell c = before;
    QCOMPARE(fieldsToCell(f, c), error);
    QCOMPARE(bytesOf(c), bytesOf(before));
}

void TestProfileEditor::gridTexts_data()
{
    QTest::addColumn<float>("costo1");
    QTest::addColumn<int>("iva");
    QTest::addColumn<QString>("rate");
    QTest::newRow("100 with IVA 20") << 100.0f << 20 << "120";
    QTest::newRow("decimals") << 10.3f << 20 << "12,36";
    QTest::newRow("no IVA") << 12.5f << 0 << "12,5";
    QTest::newRow("free") << FreeMarker << 20 << "Gratis";
    QTest::newRow("empty") << 0.0f << 20 << "";
}

void TestProfileEditor::gridTexts()
{
    QFETCH(float, costo1);
    QFETCH(int, iva);
    QFETCH(QString, rate);
    TariffCell c = fullBand();
    c.costo1 = costo1;
    QCOMPARE(cellRateText(c, iva), rate);
    QCOMPARE(cellStartText(c), costo1 == 0 ? QString() : QStringLiteral("08.30"));
}

QTEST_GUILESS_MAIN(TestProfileEditor)
#include "tst_profileeditor.moc"
