// Values of the pages "Avvio" and "Valuta": how settings are shown, which
// texts are accepted, and that a refused value changes nothing.

#include "common/Format.h"
#include "options/SettForm.h"
#include "tests/support/TestSupport.h"

#include <QTest>

class TestSettForm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }
    void shown_data();
    void shown();
    void startButtons_data();
    void startButtons();
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
    void storesEveryValue();
};

void TestSettForm::shown_data()
{
    QTest::addColumn<float>("cambio");
    QTest::addColumn<QString>("text");
    QTest::newRow("default") << 1936.27f << "1936,27";
    QTest::newRow("whole") << 2.0f << "2,00";
    QTest::newRow("below one") << 0.5f << ",50";
}

void TestSettForm::shown()
{
    QFETCH(float, cambio);
    QFETCH(QString, text);
    Settings s;
    s.cambioEcu = cambio;
    s.iva = 4;
    s.dialTime = -3;
    const SettForm f = SettForm::fromSettings(s);
    QCOMPARE(f.cambioEcu, text);
    QCOMPARE(f.iva, QStringLiteral("4"));
    QCOMPARE(f.dialTime, QStringLiteral("-3"));
    // What is shown is accepted back unchanged (to float precision).
    Settings back;
    QCOMPARE(f.store(back), SettForm::Error::None);
    QCOMPARE(fmt::formatFloat(QStringLiteral("#.00"), back.cambioEcu), text);
}

void TestSettForm::startButtons_data()
{
    QTest::addColumn<bool>("normWind");
    QTest::addColumn<bool>("ridottoIcona");
    QTest::addColumn<bool>("first");
    QTest::addColumn<bool>("second");
    QTest::newRow("normal") << true << false << true << false;
    QTest::newRow("both set: normal wins") << true << true << true << false;
    QTest::newRow("iconised") << false << true << false << true;
    QTest::newRow("neither") << false << false << false << false;
}

void TestSettForm::startButtons()
{
    QFETCH(bool, normWind);
    QFETCH(bool, ridottoIcona);
    Settings s;
    s.normWind = normWind;
    s.ridottoIcona = ridottoIcona;
    const SettForm f = SettForm::fromSettings(s);
    QTEST(f.normWind, "first");
    QTEST(f.ridottoIcona, "second");
}

void TestSettForm::accepted_data()
{
    QTest::addColumn<QString>("iva");
    QTest::addColumn<QString>("cambio");
    QTest::addColumn<QString>("dialTime");
    QTest::addColumn<int>("ivaStored");
    QTest::addColumn<float>("cambioStored");
    QTest::addColumn<int>("dialStored");
    QTest::newRow("plain") << "20"
                           << "1936,27"
                           << "5" << 20 << 1936.27f << 5;
    QTest::newRow("letters in VAT read as 20") << "abc"
                                               << "1936,27"
                                               << "0" << 20 << 1936.27f << 0;
    QTest::newRow("empty VAT read as 20") << ""
                                          << "1936,27"
                                          << "0" << 20 << 1936.27f << 0;
    QTest::newRow("VAT of one") << "1"
                                << "1936,27"
                                << "0" << 1 << 1936.27f << 0;
    QTest::newRow("negative dial time") << "4"
                                        << "1000"
                                        << "-7" << 4 << 1000.0f << -7;
    QTest::newRow("spaces around") << " 10 "
                                   << " 2,5 "
                                   << " 3 " << 10 << 2.5f << 3;
    QTest::newRow("whole exchange rate") << "20"
                                         << "1936"
                                         << "0" << 20 << 1936.0f << 0;
}

void TestSettForm::accepted()
{
    QFETCH(QString, iva);
    QFETCH(QString, cambio);
    QFETCH(QString, dialTime);
    SettForm f;
    f.iva = iva;
    f.cambioEcu = cambio;
    f.dialTime = dialTime;
    Settings s;
    QCOMPARE(f.store(s), SettForm::Error::None);
    QTEST(int(s.iva), "ivaStored");
    QTEST(s.cambioEcu, "cambioStored");
    QTEST(int(s.dialTime), "dialStored");
}

void TestSettForm::refused_data()
{
    QTest::addColumn<QString>("iva");
    QTest::addColumn<QString>("cambio");
    QTest::addColumn<QString>("dialTime");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("text");
    const int iva = int(SettForm::Error::Iva);
    const int cambio = int(SettForm::Error::Cambio);
    const int dial = int(SettForm::Error::DialTime);
    const QString ivaText = QStringLiteral("L'IVA deve essere maggiore di zero!");
    const QString cambioText = QStringLiteral("Valore del cambio Non valido !");
    const QString dialText = QStringLiteral("Deve essere un valore numerico intero e positivo !");
    QTest::newRow("VAT zero") << "0"
                              << "1936,27"
                              << "0" << iva << ivaText;
    QTest::newRow("VAT negative") << "-4"
                                  << "1936,27"
                                  << "0" << iva << ivaText;
    QTest::newRow("VAT first of several errors") << "0"
                                                 << "x"
                                                 << "x" << iva << ivaText;
    QTest::newRow("rate with a point") << "20"
                                       << "1936.27"
                                       << "0" << cambio << cambioText;
    QTest::newRow("rate with grouping") << "20"
                                        << "1.936,27"
                                        << "0" << cambio << cambioText;
    QTest::newRow("rate letters") << "20"
                                  << "mille"
                                  << "0" << cambio << cambioText;
    QTest::newRow("rate empty") << "20"
                                << ""
                                << "0" << cambio << cambioText;
    QTest::newRow("rate zero") << "20"
                               << "0"
                               << "0" << cambio << cambioText;
    QTest::newRow("rate negative") << "20"
                                   << "-1936,27"
                                   << "0" << cambio << cambioText;
    QTest::newRow("rate beyond a float") << "20"
                                         << "1e39"
                                         << "0" << cambio << cambioText;
    QTest::newRow("rate too small for a float") << "20"
                                                << "1e-50"
                                                << "0" << cambio << cambioText;
    QTest::newRow("dial time with decimals") << "20"
                                             << "1936,27"
                                             << "1,5" << dial << dialText;
    QTest::newRow("dial time letters") << "20"
                                       << "1936,27"
                                       << "due" << dial << dialText;
    QTest::newRow("dial time empty") << "20"
                                     << "1936,27"
                                     << "" << dial << dialText;
    QTest::newRow("dial time beyond 32 bits") << "20"
                                              << "1936,27"
                                              << "3000000000" << dial << dialText;
}

void TestSettForm::refused()
{
    QFETCH(QString, iva);
    QFETCH(QString, cambio);
    QFETCH(QString, dialTime);
    QFETCH(int, error);
    QFETCH(QString, text);
    SettForm f;
    f.iva = iva;
    f.cambioEcu = cambio;
    f.dialTime = dialTime;
    f.avviaWind = true;
    f.mostraSeConn = true;
    Settings s;
    s.iva = 7;
    s.cambioEcu = 2.0f;
    s.dialTime = 9;
    const Settings before = s;
    QCOMPARE(int(f.store(s)), error);
    QCOMPARE(SettForm::errorText(SettForm::Error(error)), text);
    // Nothing of a refused confirmation stays in force.
    QCOMPARE(s.iva, before.iva);
    QCOMPARE(s.cambioEcu, before.cambioEcu);
    QCOMPARE(s.dialTime, before.dialTime);
    QCOMPARE(s.avviaWind, before.avviaWind);
    QCOMPARE(s.mostraSeConn, before.mostraSeConn);
}

void TestSettForm::storesEveryValue()
{
    SettForm f;
    f.iva = QStringLiteral("10");
    f.cambioEcu = QStringLiteral("1000,5");
    f.dialTime = QStringLiteral("12");
    f.avviaWind = true;
    f.normWind = false;
    f.ridottoIcona = true;
    f.mostraSeConn = true;
    Settings s;
    s.tipoVisualiz = 5;
    QCOMPARE(f.store(s), SettForm::Error::None);
    QCOMPARE(s.iva, 10);
    QCOMPARE(s.cambioEcu, 1000.5f);
    QCOMPARE(s.dialTime, 12);
    QVERIFY(s.avviaWind);
    QVERIFY(!s.normWind);
    QVERIFY(s.ridottoIcona);
    QVERIFY(s.mostraSeConn);
    QCOMPARE(s.tipoVisualiz, 5); // not the window's to change
}

QTEST_GUILESS_MAIN(TestSettForm)
#include "tst_settform.moc"
