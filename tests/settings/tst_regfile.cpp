// The per-user registry file: REGEDIT4 layout, escaping, the Unicode
// flavour, Windows exports, damaged files and failed writes.
#include "platform/system/Registry.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

Q_DECLARE_METATYPE(RegValue)

namespace
{

const QString SettKey = QStringLiteral("Tarvelo! Pindral(C)\\Sett");

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

class TstRegFile : public QObject
{
    Q_OBJECT
private slots:
    void writesRegedit4Layout()
    {
        TMemRegistry reg;
        reg.writeValue(SettKey, QStringLiteral("IVA"), RegValue::ofDword(10));
        reg.writeValue(SettKey, QStringLiteral("Path"),
                       RegValue::ofString(QStringLiteral("C:\\x \"q\" è")));
        reg.writeValue(SettKey, QString(), RegValue::ofString(QStringLiteral("def")));
        QByteArray blob;
        for (int i = 0; i < 40; ++i)
            blob.append(char(i * 7));
        reg.writeValue(QStringLiteral("Tarvelo! Pindral(C)\\Main"), QStringLiteral("Blob"),
                       RegValue::ofBinary(blob));

        const QByteArray out = TRegFile::serialize(reg);
        // Parents before subkeys, values in the order written, CRLF, ANSI text.
        const QByteArray head = "REGEDIT4\r\n\r\n"
                                "[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\Main]\r\n"
                                "\"Blob\"=hex:00,07,0e,15,1c,23,2a,31,38,3f,46,4d,54,5b,62,69,70,"
                                "77,7e,85,8c,93,\\\r\n  9a,";
        QVERIFY2(out.startsWith(head), out.constData());
        const QByteArray sett = "\r\n\r\n[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\Sett]\r\n"
                                "\"IVA\"=dword:0000000a\r\n"
                                "\"Path\"=\"C:\\\\x \\\"q\\\" \xE8\"\r\n"
                                "@=\"def\"\r\n\r\n";
        QVERIFY2(out.endsWith(sett), out.constData());
        for (const QByteArray& line : out.split('\n'))
            QVERIFY2(line.size() <= 80, line.constData());

        TMemRegistry back;
        QCOMPARE(TRegFile::parse(out, back), 0);
        QCOMPARE(back.keys(), reg.keys());
        for (const QString& key : reg.keys()) {
            QCOMPARE(back.valueNames(key), reg.valueNames(key));
            for (const QString& name : reg.valueNames(key))
                QCOMPARE(back.readValue(key, name), reg.readValue(key, name));
        }
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<RegValue>("value");
        QTest::addColumn<QByteArray>("header");
        const QByteArray ansi = "REGEDIT4";
        const QByteArray wide("\xFF\xFEW\0i\0n\0d\0o\0w\0s\0", 16);
        QTest::newRow("backslashes and quotes")
            << "Nome" << RegValue::ofString(QStringLiteral("a\\b\"c\\\"\\")) << ansi;
        QTest::newRow("quote in the name")
            << "a\"b\\c" << RegValue::ofString(QStringLiteral("x")) << ansi;
        QTest::newRow("empty text") << "Vuoto" << RegValue::ofString(QString()) << ansi;
        QTest::newRow("Windows-1252 text")
            << "Nome" << RegValue::ofString(QStringLiteral("Città € “x”")) << ansi;
        QTest::newRow("not in Windows-1252: Unicode file")
            << "Nome" << RegValue::ofString(QStringLiteral("Tariffa ☎ Ω")) << wide;
        QTest::newRow("line break kept")
            << "Nome" << RegValue::ofString(QStringLiteral("uno\r\ndue\tz")) << ansi;
        QTest::newRow("line break, Unicode")
            << "Nome" << RegValue::ofString(QStringLiteral("☎\ndue")) << wide;
        QTest::newRow("default value") << "" << RegValue::ofString(QStringLiteral("d")) << ansi;
        QTest::newRow("largest number") << "N" << RegValue::ofDword(0xFFFFFFFFu) << ansi;
        QTest::newRow("empty binary") << "B" << RegValue::ofBinary(QByteArray()) << ansi;
        QTest::newRow("long binary") << "B" << RegValue::ofBinary(QByteArray(300, '\xAB')) << ansi;
        QTest::newRow("other type kept")
            << "E" << RegValue::ofOther(2, QByteArray("%HOME%\0", 7), false) << ansi;
    }
    void roundTrip()
    {
        QFETCH(QString, name);
        QFETCH(RegValue, value);
        QFETCH(QByteArray, header);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sub/HKCU.reg"));
        TRegFile reg(path);
        reg.writeValue(SettKey, name, value);
        QString error;
        QVERIFY2(reg.commit(&error), qPrintable(error));
        QVERIFY(!reg.isDirty());

        QVERIFY(readAll(path).startsWith(header));
        struct stat st {
        };
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);

        TRegFile back(path);
        QVERIFY(back.reload(&error));
        QCOMPARE(back.skippedLines(), 0);
        QCOMPARE(back.valueNames(SettKey), QStringList{name});
        QCOMPARE(back.readValue(SettKey, name), value);
    }

    // Small files in the shapes people and other programs produce.
    void readsVariants_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<RegValue>("expected");
        const QByteArray k = "[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\Sett]";
        QTest::newRow("LF line ends") << "REGEDIT4\n\n" + k + "\n\"A\"=dword:00000002\n"
                                      << QStringLiteral("A") << RegValue::ofDword(2);
        QTest::newRow("Windows-1252 byte")
            << "REGEDIT4\r\n" + k + "\r\n\"A\"=\"citt\xE0\"\r\n"
            << QStringLiteral("A") << RegValue::ofString(QStringLiteral("città"));
        QTest::newRow("UTF-8 edited by hand")
            << "REGEDIT4\n" + k + "\n\"A\"=\"citt\xC3\xA0\"\n"
            << QStringLiteral("A") << RegValue::ofString(QStringLiteral("città"));
        QTest::newRow("UTF-8 with BOM, version 5")
            << "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n" + k +
                   "\n\"A\"=\"\xE2\x98\x8E\"\n"
            << QStringLiteral("A") << RegValue::ofString(QStringLiteral("☎"));
        QTest::newRow("names ignore case")
            << QByteArray(
                   "REGEDIT4\n[hkey_current_user\\TARVELO! PINDRAL(C)\\sett]\n\"a\"=dword:1\n")
            << QStringLiteral("A") << RegValue::ofDword(1);
        QTest::newRow("spaces around =, comment")
            << "REGEDIT4\n; note\n" + k + "\n  \"A\" = \"x\"  \n"
            << QStringLiteral("A") << RegValue::ofString(QStringLiteral("x"));
        QTest::newRow("default value") << "REGEDIT4\n" + k + "\n@=\"d\"\n"
                                       << QString() << RegValue::ofString(QStringLiteral("d"));
        QTest::newRow("hex(4) is a number") << "REGEDIT4\n" + k + "\n\"A\"=hex(4):0a,01,00,00\n"
                                            << QStringLiteral("A") << RegValue::ofDword(0x10a);
        QTest::newRow("hex(1) ANSI text")
            << "REGEDIT4\n" + k + "\n\"A\"=hex(1):61,e0,00\n"
            << QStringLiteral("A") << RegValue::ofString(QStringLiteral("aà"));
        QTest::newRow("hex(1) UTF-16 text")
            << "Windows Registry Editor Version 5.00\n" + k + "\n\"A\"=hex(1):61,00,0e,26,00,00\n"
            << QStringLiteral("A") << RegValue::ofString(QStringLiteral("a☎"));
        QTest::newRow("hex continued")
            << "REGEDIT4\n" + k + "\n\"A\"=hex:01,02,\\\n   03,\\\n  04\n"
            << QStringLiteral("A") << RegValue::ofBinary(QByteArray("\x01\x02\x03\x04"));
        QTest::newRow("value deleted later") << "REGEDIT4\n" + k + "\n\"A\"=dword:1\n\"A\"=-\n"
                                             << QStringLiteral("A") << RegValue{};
        QTest::newRow("key deleted later")
            << "REGEDIT4\n" + k + "\n\"A\"=dword:1\n[-HKEY_CURRENT_USER\\Tarvelo! Pindral(C)]\n"
            << QStringLiteral("A") << RegValue{};
        QTest::newRow("other hive skipped")
            << QByteArray(
                   "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Tarvelo! Pindral(C)\\Sett]\n\"A\"=dword:1\n")
            << QStringLiteral("A") << RegValue{};
        QTest::newRow("last one wins")
            << "REGEDIT4\n" + k + "\n\"A\"=dword:1\n\"a\"=\"t\"\n"
            << QStringLiteral("A") << RegValue::ofString(QStringLiteral("t"));
    }
    void readsVariants()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, name);
        QFETCH(RegValue, expected);
        TMemRegistry reg;
        TRegFile::parse(file, reg);
        QCOMPARE(reg.readValue(SettKey, name), expected);
    }

    // What cannot be read counts as absent; everything readable around it is kept.
    void damagedFile()
    {
        static const char raw[] = "[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\Sett]\r\n" // no header
                                  "\"Good1\"=dword:00000001\r\n"
                                  "\"Open=\\\"never closed\r\n"
                                  "\"Long\"=dword:123456789\r\n"
                                  "\"Neg\"=dword:-1\r\n"
                                  "\"BadHex\"=hex:01,zz,03\r\n"
                                  "\"Wide\"=hex:0102\r\n"
                                  "\"NoEq\" \"x\"\r\n"
                                  "\"Trail\"=\"x\" junk\r\n"
                                  "\"Type\"=hex(q):00\r\n"
                                  "garbage \x01\x02\x00\xFF line\r\n"
                                  "\"Good2\"=\"ok\"\r\n"
                                  "[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\Main\r\n"
                                  "\"Lost\"=dword:1\r\n"  // its key is unknown
                                  "\"Cut\"=hex:01,02,\\"; // the file ends inside the data
        const QByteArray file(raw, sizeof(raw) - 1);
        TMemRegistry reg;
        QCOMPARE(TRegFile::parse(file, reg), 13);
        QCOMPARE(reg.valueNames(SettKey), (QStringList{"Good1", "Good2"}));
        QCOMPARE(reg.readValue(SettKey, QStringLiteral("Good2")).text, QStringLiteral("ok"));

        // Odd-sized UTF-16 and random bytes: read what fits, never crash.
        TMemRegistry odd;
        TRegFile::parse(QByteArray("\xFF\xFEW\0i\0\x00", 7), odd);
        static const char alphabet[] = "\"=[]\\,:-@hexdword0a \r\n\xFF\xFE\x00";
        auto* rng = QRandomGenerator::global();
        for (int i = 0; i < 300; ++i) {
            QByteArray junk = (i % 2 ? "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n" : "");
            const int n = int(rng->bounded(200));
            for (int j = 0; j < n; ++j)
                junk.append(alphabet[rng->bounded(int(sizeof(alphabet)) - 1)]);
            TMemRegistry r;
            TRegFile::parse(junk, r);
            TRegFile::parse(TRegFile::serialize(r), r);
        }
    }

    // A save writes the program's values and keeps everything else of the
    // file where it was: comments, keys of other hives, a line it could not
    // read; a text holding a NUL is written so that it reads back whole.
    void saveKeepsWhatItDidNotRead()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("HKCU.reg"));
        static const char before[] = "REGEDIT4\r\n"
                                     "\r\n"
                                     "; Impostazioni di Tarvelo! \x97 copiate a mano\r\n"
                                     "[HKEY_LOCAL_MACHINE\\Software\\Altro]\r\n"
                                     "\"Chiave\"=\"valore\"\r\n"
                                     "\r\n"
                                     "[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\Sett]\r\n"
                                     "; IVA cambiata nel 2023\r\n"
                                     "\"IVA\"=dword:00000014\r\n"
                                     "\"Rotta\"=dword:zz\r\n"
                                     "\"Nul\"=\"prima\0dopo\"\r\n"
                                     "\"IVA\"=dword:00000016\r\n"
                                     "\r\n"
                                     "[HKEY_CLASSES_ROOT\\.trf]\r\n"
                                     "@=\"Tarvelo.Tabella\"\r\n";
        QVERIFY(writeAll(path, QByteArray(before, sizeof(before) - 1)));
        TRegFile reg(path);
        QVERIFY(reg.reload());
        QCOMPARE(reg.skippedLines(), 1);
        QCOMPARE(reg.readValue(SettKey, QStringLiteral("IVA")), RegValue::ofDword(0x16));
        reg.writeValue(SettKey, QStringLiteral("IVA"), RegValue::ofDword(21));
        reg.writeValue(SettKey, QStringLiteral("DialTime"), RegValue::ofDword(7));
        reg.writeValue(QStringLiteral("Tarvelo! Pindral(C)\\Main"), QStringLiteral("MainTop"),
                       RegValue::ofDword(5));
        QString error;
        QVERIFY2(reg.commit(&error), qPrintable(error));

        const QByteArray after = "REGEDIT4\r\n"
                                 "\r\n"
                                 "; Impostazioni di Tarvelo! \x97 copiate a mano\r\n"
                                 "[HKEY_LOCAL_MACHINE\\Software\\Altro]\r\n"
                                 "\"Chiave\"=\"valore\"\r\n"
                                 "\r\n"
                                 "[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\Sett]\r\n"
                                 "; IVA cambiata nel 2023\r\n"
                                 "\"IVA\"=dword:00000015\r\n"
                                 "\"Rotta\"=dword:zz\r\n"
                                 "\"Nul\"=hex(1):70,72,69,6d,61,00,64,6f,70,6f,00\r\n"
                                 "\"DialTime\"=dword:00000007\r\n"
                                 "\r\n"
                                 "[HKEY_CLASSES_ROOT\\.trf]\r\n"
                                 "@=\"Tarvelo.Tabella\"\r\n"
                                 "\r\n"
                                 "[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\Main]\r\n"
                                 "\"MainTop\"=dword:00000005\r\n"
                                 "\r\n";
        QCOMPARE(readAll(path), after);

        TRegFile back(path);
        QVERIFY(back.reload());
        QCOMPARE(back.readValue(SettKey, QStringLiteral("Nul")),
                 RegValue::ofString(QStringLiteral("prima") + QChar(0) + QStringLiteral("dopo")));
        QVERIFY(TMemRegistry::sameContent(back, reg));
        // Saved again unchanged, the file stays as it is.
        back.writeValue(SettKey, QStringLiteral("IVA"), RegValue::ofDword(21));
        QVERIFY(back.commit());
        QCOMPARE(readAll(path), after);
    }

    // Files in awkward shapes read back the same after a save, with a value
    // changed, one added to an existing key and one to a new key; a second
    // save gives the same bytes.
    void saveReadsBackTheSame_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QByteArray k = "[HKEY_CURRENT_USER\\Tarvelo! Pindral(C)\\Sett]\n";
        QTest::newRow("no banner, values before any key")
            << QByteArray("\"Fuori\"=dword:1\n") + k + "\"A\"=dword:2\n";
        QTest::newRow("deletions") << "REGEDIT4\n" + k +
                                          "\"A\"=dword:1\n\"B\"=dword:2\n\"A\"=-\n"
                                          "[-HKEY_CURRENT_USER\\Tarvelo! Pindral(C)]\n" +
                                          k + "\"C\"=dword:3\n";
        QTest::newRow("key deleted, values after it ignored")
            << "REGEDIT4\n" + k +
                   "\"A\"=dword:1\n[-HKEY_CURRENT_USER\\Tarvelo! "
                   "Pindral(C)\\Sett]\n\"B\"=dword:2\n";
        QTest::newRow("same key twice") << "REGEDIT4\n" + k + "\"A\"=dword:1\n" +
                                               "[HKEY_CURRENT_USER\\Altro]\n\"X\"=\"x\"\n" + k +
                                               "\"a\"=dword:5\n\"B\"=dword:2\n";
        QTest::newRow("unreadable data continued to the end")
            << "REGEDIT4\n" + k + "\"A\"=dword:1\n\"C\"=hex:01,zz,\\\\";
        QTest::newRow("data continued into the end, line break")
            << "REGEDIT4\n" + k + "\"A\"=hex:01,\\\n";
        QTest::newRow("other hive's data continued to the end")
            << QByteArray("REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"A\"=hex:01,\\\\\\");
        QTest::newRow("Unicode file, odd text data")
            << "Windows Registry Editor Version 5.00\n" + k + "\"A\"=hex(1):41\n\"B\"=dword:1\n";
        QTest::newRow("comment outside Windows-1252")
            << "REGEDIT4\n; \xE2\x98\x8E\n" + k + "\"A\"=\"\xC3\xA0\"\n";
        QTest::newRow("Windows-1252 bytes that read as UTF-8")
            << "REGEDIT4\n" + k + "\"A\"=\"x\" junk\n\"B\"=hex(2):c3,a8,00\n";
        QTest::newRow("no line break at the end") << "REGEDIT4\n" + k + "\"A\"=dword:1";
    }
    void saveReadsBackTheSame()
    {
        QFETCH(QByteArray, file);
        TRegFile reg(QStringLiteral("unused"));
        reg.readFrom(file);
        reg.writeValue(SettKey, QStringLiteral("B"), RegValue::ofDword(0xB));
        reg.writeValue(SettKey, QStringLiteral("Nuovo"), RegValue::ofString(QStringLiteral("n")));
        reg.writeValue(QStringLiteral("Nuova\\Chiave"), QStringLiteral("N"), RegValue::ofDword(1));
        const QByteArray saved = reg.contents();
        QVERIFY(reg.layoutKept());

        TRegFile back(QStringLiteral("unused"));
        back.readFrom(saved);
        QVERIFY2(TMemRegistry::sameContent(back, reg), saved.constData());
        QCOMPARE(back.skippedLines() <= reg.skippedLines(), true);
        QCOMPARE(back.contents(), saved);
    }

    // A file exported by the Windows registry editor (UTF-16LE with BOM).
    void windowsExport()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("HKCU.reg"));
        QVERIFY(QFile::copy(
            testsupport::sourceDir() + "/tests/settings/fixtures/windows-export.reg", path));
        TRegFile reg(path);
        QString error;
        QVERIFY2(reg.reload(&error), qPrintable(error));
        QCOMPARE(reg.skippedLines(), 0);
        const QString main = QStringLiteral("Tarvelo! Pindral(C)\\Main");
        QCOMPARE(reg.readValue(QStringLiteral("Tarvelo! Pindral(C)\\AutoDial"),
                               QStringLiteral("Provider")),
                 RegValue::ofString(QStringLiteral("Città € Net")));
        QCOMPARE(reg.readValue(QStringLiteral("Tarvelo! Pindral(C)\\Tariffe"),
                               QStringLiteral("TabDefault"))
                     .text,
                 QStringLiteral("Casa \"sera\""));
        const QByteArray expanded("%\0U\0S\0E\0R\0P\0R\0O\0F\0I\0L\0E\0%\0\0\0", 28);
        QCOMPARE(reg.readValue(main, QStringLiteral("Nota")), RegValue::ofOther(2, expanded, true));
        QVERIFY(!reg.keyExists(QStringLiteral("SOFTWARE\\Elsewhere")));
        QVERIFY(reg.keyExists(QStringLiteral("Software\\Microsoft\\Windows")));

        // Saved again it becomes a REGEDIT4 file; the expandable text follows
        // into the ANSI encoding that REGEDIT4 gives it.
        reg.writeValue(main, QStringLiteral("MainTop"), RegValue::ofDword(5));
        QVERIFY2(reg.commit(&error), qPrintable(error));
        const QByteArray saved = readAll(path);
        QVERIFY(saved.startsWith("REGEDIT4\r\n"));
        QVERIFY(saved.contains("\"Nota\"=hex(2):25,55,53,45,52,50,52,4f,46,49,4c,45,25,00\r\n"));
        QVERIFY(saved.contains("\"Provider\"=\"Citt\xE0 \x80 Net\"\r\n"));
        TRegFile back(path);
        QVERIFY(back.reload());
        QCOMPARE(back.readValue(main, QStringLiteral("Nota")).bytes,
                 QByteArray("%USERPROFILE%\0", 14));
    }

    void absentFileIsEmpty()
    {
        QTemporaryDir dir;
        TRegFile reg(dir.filePath(QStringLiteral("none/HKCU.reg")));
        reg.writeValue(SettKey, QStringLiteral("A"), RegValue::ofDword(1));
        QString error = QStringLiteral("stale");
        QVERIFY(reg.reload(&error));
        QVERIFY(error.isEmpty());
        QVERIFY(reg.keys().isEmpty());
        QVERIFY(reg.commit()); // nothing changed: nothing written
        QVERIFY(!QFile::exists(reg.filePath()));
    }

    void defaultPathFollowsXdg()
    {
        const QByteArray old = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", "/some/config");
        QCOMPARE(TRegFile::defaultPath(), QStringLiteral("/some/config/tarvelo/HKCU.reg"));
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(TRegFile::defaultPath(), QDir::homePath() + "/.config/tarvelo/HKCU.reg");
        qputenv("XDG_CONFIG_HOME", old);
    }

    void failedWriteIsReported_data()
    {
        QTest::addColumn<QString>("blocker"); // what stands where the write must go
        QTest::addColumn<QString>("target");
        QTest::newRow("folder is a file") << "cfg"
                                          << "cfg/HKCU.reg";
        QTest::newRow("file is a folder") << "HKCU.reg/x"
                                          << "HKCU.reg";
    }
    void failedWriteIsReported()
    {
        QFETCH(QString, blocker);
        QFETCH(QString, target);
        QTemporaryDir dir;
        if (blocker.endsWith(QLatin1String("/x")))
            QVERIFY(QDir(dir.path()).mkpath(blocker));
        else
            QVERIFY(writeAll(dir.filePath(blocker), "not a folder"));
        TRegFile reg(dir.filePath(target));
        reg.writeValue(SettKey, QStringLiteral("A"), RegValue::ofDword(1));
        QString error;
        QVERIFY(!reg.commit(&error));
        QVERIFY(!error.isEmpty());
        QVERIFY(reg.isDirty()); // still pending: a later commit tries again
    }
};

QTEST_GUILESS_MAIN(TstRegFile)
#include "tst_regfile.moc"
