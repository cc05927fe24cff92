// The settings store: defaults, storage types, the load/save round trip and
// the values other windows keep in the same key.
#include "app/SettingsStore.h"
#include "common/ByteIO.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantMap>

Q_DECLARE_METATYPE(RegValue)

namespace
{

const QString Root = TSettingsStore::RootKey;
QString key(const QString& section)
{
    return Root + QLatin1Char('\\') + section;
}

// Every field of the record by its value name, for whole-record comparisons.
QVariantMap fields(const Settings& s)
{
    QVariantMap m{
        {"MainTop", s.mainTop},
        {"MainLeft", s.mainLeft},
        {"TipoVisualiz", s.tipoVisualiz},
        {"NascondiIcone", s.nascondiIcone},
        {"TabDefault", s.tabDefault},
        {"TabellaAttuale", s.tabellaAttuale},
        {"IVA", s.iva},
        {"CambioEcu", s.cambioEcu},
        {"DialingIndex", s.dialingIndex},
        {"DialTime", s.dialTime},
        {"AvviaWind", s.avviaWind},
        {"NormWind", s.normWind},
        {"RidottoIcona", s.ridottoIcona},
        {"MostraSeConn", s.mostraSeConn},
        {"CPmin", s.cpMin},
        {"UltSearchAgg", s.ultSearchAgg},
        {"AggAuto", s.aggAuto},
        {"Provider", s.provider},
        {"Tentativi1", s.tentativi1},
        {"Rinuncia", s.rinuncia},
        {"Prosegui", s.prosegui},
        {"Tentativi2", s.tentativi2},
        {"Successivo", s.successivo},
        {"Interrompi", s.interrompi},
        {"RasBackend", s.rasBackend},
        {"PppCommand", s.pppCommand},
        {"PppPeers", s.pppPeers},
        {"PppRun", s.pppRun},
        {"ServerOraEsatta", s.serverOraEsatta},
        {"IndirizzoAggiornamento", s.indirizzoAggiornamento},
    };
    for (int i = 0; i < 3; ++i)
        m.insert(QStringLiteral("arrDialingTime%1").arg(i + 1), s.arrDialingTime[i]);
    for (int i = 0; i < 20; ++i)
        m.insert(QStringLiteral("altri%1").arg(i + 1), s.altri[i]);
    return m;
}

QByteArray doubleBytes(double d)
{
    QByteArray b(8, '\0');
    bio::putF64(b, 0, d);
    return b;
}

// Counts how often the store goes to the file.
class CountingRegistry : public TMemRegistry
{
public:
    int reloads = 0;
    bool reload(QString* error = nullptr) override
    {
        ++reloads;
        return TMemRegistry::reload(error);
    }
};

} // namespace

class TstSettingsStore : public QObject
{
    Q_OBJECT
private slots:
    void firstStartDefaults()
    {
        QTemporaryDir dir;
        TRegFile reg(dir.filePath(QStringLiteral("tarvelo/HKCU.reg")));
        TSettingsStore store(reg);
        Settings s;
        s.iva = 99; // whatever the record held is replaced by the default
        QString error;
        QVERIFY2(store.load(s, &error), qPrintable(error));
        QCOMPARE(fields(s), fields(Settings{}));
        QCOMPARE(s.iva, 20);
        QCOMPARE(s.cambioEcu, 1936.27f);
        QCOMPARE(s.tipoVisualiz, 1);
        QVERIFY(s.normWind);
        QCOMPARE(s.tentativi1, 10);
        QCOMPARE(s.tentativi2, 5);
        QCOMPARE(s.tabDefault, QStringLiteral("Telecom Urbana 50%"));
        QCOMPARE(s.serverOraEsatta, QStringLiteral("ntp1.inrim.it"));
        QCOMPARE(s.indirizzoAggiornamento,
                 QStringLiteral("http://www.pindral.example/tarvelo!.agg"));
        // The key exists from the first start on, even before any save.
        QFile f(reg.filePath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("REGEDIT4\r\n\r\n"
                                         "[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)]\r\n\r\n"));
    }

    void roundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("HKCU.reg"));
        Settings s;
        s.mainTop = -20;
        s.mainLeft = 1500;
        s.tipoVisualiz = 7;
        s.nascondiIcone = true;
        s.tabDefault = QStringLiteral("Casa \"sera\" \\ è");
        s.iva = 4;
        s.cambioEcu = 2000.5f;
        s.arrDialingTime = {36526.25, 1.5, -3.75};
        s.dialingIndex = 3;
        s.dialTime = 12;
        s.avviaWind = true;
        s.normWind = false;
        s.ridottoIcona = true;
        s.mostraSeConn = true;
        s.cpMin = 15;
        s.ultSearchAgg = 45383.123456789;
        s.aggAuto = true;
        s.provider = QStringLiteral("Provider €");
        s.tentativi1 = 0;
        s.rinuncia = false;
        s.prosegui = true;
        s.tentativi2 = -1;
        s.successivo = true;
        s.interrompi = false;
        for (int i = 0; i < 20; ++i)
            s.altri[i] = QStringLiteral("Entry %1").arg(i);
        s.rasBackend = QStringLiteral("ppp");
        s.pppCommand = QStringLiteral("/opt/ppp/sbin/pppd");
        s.pppPeers = QStringLiteral("/opt/ppp/peers");
        s.pppRun = QStringLiteral("/var/run");
        s.serverOraEsatta = QStringLiteral("127.0.0.1:1313");
        s.indirizzoAggiornamento = QStringLiteral("http://127.0.0.1:8080/prova/tarvelo!.agg");
        {
            TRegFile reg(path);
            TSettingsStore store(reg);
            QString error;
            QVERIFY2(store.save(s, &error), qPrintable(error));
        }
        TRegFile reg(path);
        TSettingsStore store(reg);
        Settings back;
        QVERIFY(store.load(back));
        Settings expected = s;
        expected.tabellaAttuale = Settings{}.tabellaAttuale; // never written by the save
        QCOMPARE(fields(back), fields(expected));

        // Written in the load order, each section with its own types.
        QCOMPARE(reg.valueNames(key("Sett")), (QStringList{"IVA",
                                                           "CambioEcu",
                                                           "arrDialingTime1",
                                                           "arrDialingTime2",
                                                           "arrDialingTime3",
                                                           "DialingIndex",
                                                           "DialTime",
                                                           "AvviaWind",
                                                           "NormWind",
                                                           "RidottoIcona",
                                                           "MostraSeConn",
                                                           "CPmin",
                                                           "UltSearchAgg",
                                                           "AggAuto",
                                                           "RasBackend",
                                                           "PppCommand",
                                                           "PppPeers",
                                                           "PppRun",
                                                           "ServerOraEsatta",
                                                           "IndirizzoAggiornamento"}));
        QStringList autoDial{"Provider", "Tentativi1", "Tentativi2", "Rinuncia",
                             "Prosegui", "Successivo", "Interrompi"};
        for (int i = 1; i <= 20; ++i)
            autoDial << QStringLiteral("altri%1").arg(i);
        QCOMPARE(reg.valueNames(key("AutoDial")), autoDial);
        QCOMPARE(reg.valueNames(key("Main")),
                 (QStringList{"MainTop", "MainLeft", "TipoVisualiz", "NascondiIcone"}));
        QCOMPARE(reg.valueNames(key("Tariffe")), QStringList{"TabDefault"});
        QCOMPARE(reg.readValue(key("Main"), "MainTop"), RegValue::ofDword(uint32_t(-20)));
        QCOMPARE(reg.readValue(key("Main"), "NascondiIcone"), RegValue::ofString("1"));
        QCOMPARE(reg.readValue(key("Sett"), "NormWind"), RegValue::ofString("0"));
        QCOMPARE(reg.readValue(key("Sett"), "UltSearchAgg"),
                 RegValue::ofBinary(doubleBytes(45383.123456789)));
    }

    // How each storage type reads what may be found in the registry,
    // including values of an unexpected type (they read as the default).
    void readers_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("name");
        QTest::addColumn<RegValue>("stored");
        QTest::addColumn<QVariant>("expected");
        auto row = [](const char* tag, const char* sec, const char* name, const RegValue& v,
                      const QVariant& e) {
            QTest::newRow(tag) << QString(sec) << QString(name) << v << e;
        };
        const auto text = [](const QByteArray& t) {
            return RegValue::ofString(QString::fromUtf8(t));
        };
        const auto num = RegValue::ofDword;
        row("int number", "Sett", "IVA", num(22), 22);
        row("int negative", "Main", "MainTop", num(0xFFFFFFF6u), -10);
        row("int as text", "Sett", "IVA", text("22"), 22);
        row("int as text, spaces", "Sett", "IVA", text(" -7 "), -7);
        row("int text not a number", "Sett", "IVA", text("venti"), 20);
        row("int text decimal", "Sett", "IVA", text("20.5"), 20);
        row("int text too big", "Sett", "IVA", text("4294967296"), 20);
        row("int empty text", "Sett", "IVA", text(""), 20);
        row("int as binary", "Sett", "IVA", RegValue::ofBinary(QByteArray("\x16\0\0\0", 4)), 20);
        row("bool text 1", "Sett", "AvviaWind", text("1"), true);
        row("bool text 0", "Sett", "NormWind", text("0"), false);
        row("bool number 1", "Sett", "AvviaWind", num(1), true);
        row("bool number 0", "Sett", "NormWind", num(0), false);
        row("bool any non-zero", "Sett", "AvviaWind", num(5), true);
        row("bool unreadable text", "Sett", "NormWind", text("sì"), true);
        row("bool as binary", "AutoDial", "Rinuncia", RegValue::ofBinary("\1"), true);
        row("float binary", "Sett", "CambioEcu", RegValue::ofBinary(doubleBytes(1000.25)),
            1000.25f);
        row("float as text", "Sett", "CambioEcu", text("2000"), 1936.27f);
        row("float as number", "Sett", "CambioEcu", num(2000), 1936.27f);
        row("float 4 bytes", "Sett", "CambioEcu", RegValue::ofBinary(QByteArray(4, '\0')),
            1936.27f);
        row("float not a number", "Sett", "CambioEcu", RegValue::ofBinary(doubleBytes(qQNaN())),
            1936.27f);
        row("date binary", "Sett", "UltSearchAgg", RegValue::ofBinary(doubleBytes(36526.5)),
            36526.5);
        row("date as text", "Sett", "UltSearchAgg", text("36526.5"), 0.0);
        row("text", "Tariffe", "TabDefault", text("Casa"), "Casa");
        row("text as number", "Tariffe", "TabDefault", num(3), "Telecom Urbana 50%");
        row("text as binary", "AutoDial", "Provider", RegValue::ofBinary("abc"), "");
        row("Provider cut to 60", "AutoDial", "Provider", text(QByteArray(70, 'p')),
            QString(60, 'p'));
        row("altri cut to 60", "AutoDial", "altri20", text(QByteArray(61, 'a')), QString(60, 'a'));
        row("TabDefault unbounded", "Tariffe", "TabDefault", text(QByteArray(300, 't')),
            QString(300, 't'));
    }
    void readers()
    {
        QFETCH(QString, section);
        QFETCH(QString, name);
        QFETCH(RegValue, stored);
        QFETCH(QVariant, expected);
        TMemRegistry reg;
        reg.writeValue(key(section), name, stored);
        TSettingsStore store(reg);
        Settings s;
        QVERIFY(store.load(s));
        const QVariantMap got = fields(s);
        QVariantMap want = fields(Settings{});
        want[name] = expected;
        QCOMPARE(got, want);
    }

    // A value stored as text keeps being text; a number stays a number.
    void integerKeepsItsType_data()
    {
        QTest::addColumn<RegValue>("stored");
        QTest::addColumn<RegValue>("written");
        QTest::newRow("text stays text") << RegValue::ofString("250") << RegValue::ofString("-300");
        QTest::newRow("unreadable text stays text")
            << RegValue::ofString("abc") << RegValue::ofString("-300");
        QTest::newRow("number") << RegValue::ofDword(250) << RegValue::ofDword(uint32_t(-300));
        QTest::newRow("absent becomes a number") << RegValue{} << RegValue::ofDword(uint32_t(-300));
        QTest::newRow("binary becomes a number")
            << RegValue::ofBinary("xx") << RegValue::ofDword(uint32_t(-300));
    }
    void integerKeepsItsType()
    {
        QFETCH(RegValue, stored);
        QFETCH(RegValue, written);
        TMemRegistry reg;
        reg.writeValue(key("Main"), "MainLeft", stored);
        TSettingsStore store(reg);
        Settings s;
        QVERIFY(store.load(s));
        s.mainLeft = -300;
        QVERIFY(store.save(s));
        QCOMPARE(reg.readValue(key("Main"), "MainLeft"), written);
    }

    void cambioEcuHeldAsSingle()
    {
        TMemRegistry reg;
        TSettingsStore store(reg);
        Settings s;
        QVERIFY(store.load(s));
        QVERIFY(store.save(s));
        const RegValue v = reg.readValue(key("Sett"), "CambioEcu");
        QCOMPARE(v.bytes, doubleBytes(1936.27001953125));
        QCOMPARE(bio::getF64(v.bytes, 0), 1936.27001953125);
        QVERIFY(store.load(s));
        QCOMPARE(s.cambioEcu, 1936.27f);
    }

    void savedTextsAreCut()
    {
        TMemRegistry reg;
        TSettingsStore store(reg);
        Settings s;
        s.provider = QString(75, 'x');
        s.altri[4] = QString(61, 'y');
        s.tabDefault = QString(100, 'z');
        QVERIFY(store.save(s));
        QCOMPARE(reg.readValue(key("AutoDial"), "Provider").text, QString(60, 'x'));
        QCOMPARE(reg.readValue(key("AutoDial"), "altri5").text, QString(61 - 1, 'y'));
        QCOMPARE(reg.readValue(key("Tariffe"), "TabDefault").text, QString(100, 'z'));
    }

    void tabellaAttualeOnlyByTheEditor()
    {
        TMemRegistry reg;
        TSettingsStore store(reg);
        Settings s;
        QVERIFY(store.load(s));
        s.tabellaAttuale = QStringLiteral("Stale");
        QVERIFY(store.save(s)); // absent: not created by the general save
        QVERIFY(reg.readValue(key("Tariffe"), "TabellaAttuale").isAbsent());

        QVERIFY(store.setTabellaAttuale(QStringLiteral("Ufficio")));
        QVERIFY(store.save(s)); // the record's stale name does not overwrite it
        QCOMPARE(reg.readValue(key("Tariffe"), "TabellaAttuale").text, QStringLiteral("Ufficio"));
        QCOMPARE(store.tabellaAttuale(), QStringLiteral("Ufficio"));
        QVERIFY(store.load(s));
        QCOMPARE(s.tabellaAttuale, QStringLiteral("Ufficio"));

        QCOMPARE(store.tabDefault(), DefaultProfileName);
        QVERIFY(store.setTabDefault(QStringLiteral("Notte")));
        QVERIFY(store.load(s));
        QCOMPARE(s.tabDefault, QStringLiteral("Notte"));
    }

    void archiveWindowValues()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("HKCU.reg"));
        using P = TSettingsStore::Period;
        {
            TRegFile reg(path);
            TSettingsStore store(reg);
            QCOMPARE(store.fDescrizioneAttuale(), QStringLiteral("01 Bimestre 1 nov - 31 dic"));
            QCOMPARE(store.period(P::Oggi, true), true); // absent: the caller's default
            QCOMPARE(store.period(P::UltBimestre), false);
            QVERIFY(store.setFDescrizioneAttuale(QString(65, 'q')));
            QVERIFY(store.setPeriod(P::Ult15gg, true));
            QVERIFY(store.setPeriod(P::Oggi, false));
        }
        TRegFile reg(path);
        TSettingsStore store(reg);
        Settings s;
        QVERIFY(store.load(s));
        QCOMPARE(store.fDescrizioneAttuale(), QString(60, 'q'));
        QCOMPARE(store.period(P::Ult15gg), true);
        QCOMPARE(store.period(P::Oggi, true), false);
        QCOMPARE(reg.readValue(key("Connessioni"), "ult15gg"), RegValue::ofString("1"));
        QStringList names;
        for (P p : {P::Oggi, P::UltSett, P::Ult15gg, P::Ult30gg, P::UltMese, P::UltBimestre})
            names << TSettingsStore::periodValueName(p);
        QCOMPARE(names,
                 (QStringList{"oggi", "ultsett", "ult15gg", "ult30gg", "ultmese", "ultbimestre"}));
    }

    // The file is read once per load and written once per save.
    void oneReadAndOneWritePerOperation()
    {
        CountingRegistry reg;
        TSettingsStore store(reg);
        Settings s;
        QVERIFY(store.load(s));
        QCOMPARE(reg.reloads, 1);
        QCOMPARE(reg.commitCount(), 1); // the key created on the first start
        QVERIFY(store.load(s));
        QCOMPARE(reg.commitCount(), 1);
        QVERIFY(store.save(s));
        QCOMPARE(reg.reloads, 3);
        QCOMPARE(reg.commitCount(), 2);
    }

    // The dial-up backend is chosen before the bar loads the settings: that
    // early read takes the stored values and writes nothing, not even the key
    // a first start creates.
    void peekWritesNothing()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("HKCU.reg"));
        Settings s;
        {
            TRegFile reg(path);
            TSettingsStore store(reg);
            store.peek(s);
            QCOMPARE(fields(s), fields(Settings{}));
            QCOMPARE(reg.commitCount(), 0);
            QVERIFY(!QFile::exists(path));
            s.rasBackend = QStringLiteral("sim");
            s.pppPeers = QStringLiteral("/tmp/peers");
            QVERIFY(store.save(s));
        }
        TRegFile reg(path);
        Settings back;
        TSettingsStore(reg).peek(back);
        QCOMPARE(back.rasBackend, QStringLiteral("sim"));
        QCOMPARE(back.pppPeers, QStringLiteral("/tmp/peers"));
        QCOMPARE(reg.commitCount(), 0);
    }

    // A file exported from a Windows registry, copied over the settings file.
    void windowsExport()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("HKCU.reg"));
        QVERIFY(QFile::copy(
            testsupport::sourceDir() + "/tests/settings/fixtures/windows-export.reg", path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        TRegFile reg(path);
        TSettingsStore store(reg);
        Settings s;
        QString error;
        QVERIFY2(store.load(s, &error), qPrintable(error));
        QCOMPARE(s.iva, 22);
        QCOMPARE(s.cambioEcu, 1936.27f);
        QCOMPARE(s.normWind, false);
        QCOMPARE(s.avviaWind, true);
        QCOMPARE(s.mainTop, 100);
        QCOMPARE(s.mainLeft, 250);
        QCOMPARE(s.ultSearchAgg, 36526.5);
        QCOMPARE(s.provider, QStringLiteral("Città € Net"));
        QCOMPARE(s.tentativi1, 3);
        QCOMPARE(s.altri[0], QStringLiteral("Secondo"));
        QCOMPARE(s.tabDefault, QStringLiteral("Casa \"sera\""));
        QCOMPARE(s.tabellaAttuale, QStringLiteral("Ufficio"));

        QVERIFY2(store.save(s, &error), qPrintable(error));
        TRegFile back(path);
        QVERIFY(back.reload());
        QCOMPARE(back.readValue(key("Main"), "MainLeft"), RegValue::ofString("250"));
        QCOMPARE(back.readValue(key("Main"), "Nota").type, RegType::Other);
        QCOMPARE(back.readValue(key("Tariffe"), "TabellaAttuale").text, QStringLiteral("Ufficio"));
        QVERIFY(!back.readValue(TShellFoldersKey(), "Startup").isAbsent());
    }

    // A damaged file: the readable values count, the rest is default.
    void damagedFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("HKCU.reg"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        static const char damaged[] =
            "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\Sett]\r\n"
            "\"IVA\"=dword:0000000x\r\n"
            "\"DialTime\"=dword:00000007\r\n"
            "\"CambioEcu\"=hex:00,00,00,\r\n" // three bytes of eight
            "\"NormWind\"=\"0\r\n"
            "\x00\x01\x02\xFF\xFE garbage\r\n"
            "[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\AutoDial\r\n"
            "\"Tentativi1\"=dword:00000002\r\n";
        f.write(damaged, sizeof(damaged) - 1);
        f.close();
        TRegFile reg(path);
        TSettingsStore store(reg);
        Settings s;
        QVERIFY(store.load(s));
        Settings expected;
        expected.dialTime = 7;
        QCOMPARE(fields(s), fields(expected));
        QVERIFY(reg.skippedLines() > 0);
        // The next save writes every value and keeps the lines it could not
        // read where they were, for the user to mend.
        QVERIFY(store.save(s));
        TRegFile back(path);
        QVERIFY(back.reload());
        QCOMPARE(back.skippedLines(), reg.skippedLines());
        Settings again;
        QVERIFY(TSettingsStore(back).load(again));
        QCOMPARE(fields(again), fields(expected));
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        QVERIFY(
            bytes.startsWith("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\Sett]\r\n"
                             "\"IVA\"=dword:0000000x\r\n"
                             "\"DialTime\"=dword:00000007\r\n"));
        static const char tail[] = "\"NormWind\"=\"0\r\n"
                                   "\x00\x01\x02\xFF\xFE garbage\r\n"
                                   "[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\AutoDial\r\n"
                                   "\"Tentativi1\"=dword:00000002\r\n\r\n";
        QVERIFY(bytes.contains(QByteArray(tail, sizeof(tail) - 1)));
    }

    // The file turns unreadable while the program runs (replaced by one far
    // over the size it reads): the save reports it once and leaves it alone;
    // later saves keep the values in memory without a word.
    void fileUnreadableAtSaveIsLeftAlone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("HKCU.reg"));
        TRegFile reg(path);
        TSettingsStore store(reg);
        Settings s;
        QVERIFY(store.load(s));
        QVERIFY(QFile::exists(path));
        QFile big(path);
        QVERIFY(big.resize(TRegFile::MaxFileSize + 1));
        s.iva = 7;
        QString error;
        QVERIFY(!store.save(s, &error));
        QVERIFY2(error.startsWith(path + QStringLiteral(": lettura: file troppo grande")),
                 qPrintable(error));
        QVERIFY(reg.keptInMemory());
        QCOMPARE(QFileInfo(path).size(), TRegFile::MaxFileSize + 1);
        s.iva = 8;
        QVERIFY(store.save(s, &error));
        QCOMPARE(store.readInteger(TSettingsStore::Sett, QStringLiteral("IVA"), 0), 8);
        QCOMPARE(QFileInfo(path).size(), TRegFile::MaxFileSize + 1);
    }

    void failedSaveIsReported()
    {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(QStringLiteral("tarvelo")));
        QVERIFY(blocker.open(QIODevice::WriteOnly)); // a file where the folder should be
        blocker.close();
        TRegFile reg(dir.filePath(QStringLiteral("tarvelo/HKCU.reg")));
        TSettingsStore store(reg);
        Settings s;
        QString error;
        QVERIFY(!store.load(s, &error)); // the new key could not be written
        QVERIFY(!error.isEmpty());
        QCOMPARE(fields(s), fields(Settings{}));
        error.clear();
        QVERIFY(!store.save(s, &error));
        QVERIFY(!error.isEmpty());
    }

private:
    static QString TShellFoldersKey()
    {
        return QStringLiteral(
            "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    }
};

QTEST_GUILESS_MAIN(TstSettingsStore)
#include "tst_settingsstore.moc"
