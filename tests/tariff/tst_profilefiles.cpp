// Profile files: creating, loading and saving, the header shared by every
// read and write, files of the wrong length, the profile list, and names or
// folders that cannot hold a file.
#include "TariffFixtures.h"
#include "common/ScriptedPrompt.h"
#include "tariff/CostEngine.h"
#include "tariff/HolidayCalendar.h"
#include "tariff/ProfileFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace fixtures;

namespace
{

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Bytes in which every field, padding and reserved byte differs from zero
// (floats included, NaN patterns among them).
QByteArray patterned(int size, int seed)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 131 + seed * 17 + 7) & 0xFF);
    return b;
}

QByteArray header(int32_t first, int32_t mark, int32_t last)
{
    QByteArray b(ProfileHeader::Size, '\0');
    bio::putI32(b, 0, first);
    bio::putI32(b, 4, mark);
    bio::putI32(b, 8, last);
    return b;
}

} // namespace

class TestProfileFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void createOnOffer();
    void createRefused();
    void missingWithoutOffer();
    void loadAndSaveChangesOnlyTheMark();
    void headerIsShared();
    void fileLength_data();
    void fileLength();
    void listProfiles();
    void unsafeNames_data();
    void unsafeNames();
    void unreadableFile();
    void emptyName();
    void saveFailureKeepsTheOldFile();

private:
    QString path(const QString& name) const { return m_folder + "Trf/" + name + ".trf"; }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    TScriptedPrompt m_prompt;
    TariffProfiles m_profiles;
};

void TestProfileFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->path() + "/";
    m_prompt.clear();
    m_profiles = TariffProfiles{};
}

void TestProfileFiles::createOnOffer()
{
    m_profiles.working = evening();
    m_profiles.header.bytes = header(1, 2, 3);
    TProfileFiles files(m_profiles, m_folder, m_prompt);
    m_prompt.answerNext(PbYes);
    QVERIFY(files.LoadProfile("Nuova", true));

    QCOMPARE(m_prompt.requests().size(), 1);
    const PromptRequest& q = m_prompt.requests().first();
    QCOMPARE(q.text, QStringLiteral("Creo la nuova tabella <Nuova> ?"));
    QCOMPARE(q.title, QStringLiteral("Conferma..."));
    QCOMPARE(q.icon, PromptIcon::Question);
    QCOMPARE(q.buttons, PbYes | PbNo);
    QCOMPARE(q.defaultButton, int(PbNo));

    const QByteArray file = readAll(path("Nuova"));
    QCOMPARE(file.size(), 3852);
    QCOMPARE(file.left(12), header(0, 300, 0));
    QCOMPARE(file.mid(12), QByteArray(3840, '\0'));
    QCOMPARE(m_profiles.working.toBytes(), QByteArray(3840, '\0'));
    QCOMPARE(m_profiles.header.bytes, header(0, 300, 0));

    TflFestivi holidays(2000);
    QVERIFY(!BuildSchedule(m_profiles.working, dt::encode(2000, 3, 8, 10, 0), holidays));
}

void TestProfileFiles::createRefused()
{
    m_profiles.working = evening();
    TProfileFiles files(m_profiles, m_folder, m_prompt);
    m_prompt.answerNext(PbNo);
    QVERIFY(!files.LoadProfile("Nuova", true));
    QVERIFY(!QFile::exists(path("Nuova")));
    QCOMPARE(m_profiles.working.toBytes(), evening().toBytes());
}

void TestProfileFiles::missingWithoutOffer()
{
    TProfileFiles files(m_profiles, m_folder, m_prompt);
    QVERIFY(!files.LoadProfile("Manca", false));
    QVERIFY(!files.LoadProfileForRepricing("Manca"));
    QVERIFY(m_prompt.requests().isEmpty());
    QVERIFY(files.lastError().contains("<Manca>"));
    QVERIFY(!QFile::exists(path("Manca")));
}

void TestProfileFiles::loadAndSaveChangesOnlyTheMark()
{
    QByteArray original = patterned(3852, 1);
    bio::putI32(original, 4, 123);
    writeAll(path("Tariffa"), original);

    TProfileFiles files(m_profiles, m_folder, m_prompt);
    QVERIFY(files.LoadProfile("Tariffa", false));
    QVERIFY(files.SaveProfile("Tariffa"));

    QByteArray expected = original;
    bio::putI32(expected, 4, 300);
    QCOMPARE(readAll(path("Tariffa")), expected);
    QVERIFY(m_prompt.requests().isEmpty());
}

void TestProfileFiles::headerIsShared()
{
    QByteArray a = patterned(3852, 2);
    a.replace(0, 12, header(0x0A0A0A01, 77, 0x0A0A0A0A));
    QByteArray b = evening().toBytes().prepend(header(0x0B0B0B00, 300, 0x0B0B0B0B));
    writeAll(path("A"), a);
    writeAll(path("B"), b);

    TProfileFiles files(m_profiles, m_folder, m_prompt);
    QVERIFY(files.LoadProfile("B", false));
    QVERIFY(files.LoadProfileForRepricing("A"));
    QCOMPARE(m_profiles.repricing.toBytes(), a.mid(12));
    QVERIFY(files.SaveProfile("B"));

    const QByteArray saved = readAll(path("B"));
    QCOMPARE(saved.left(12), header(0x0A0A0A01, 300, 0x0A0A0A0A));
    QCOMPARE(saved.mid(12), b.mid(12));
}

void TestProfileFiles::fileLength_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("empty file") << 0;
    QTest::newRow("part of the header") << 5;
    QTest::newRow("header and three and a half cells") << 12 + 3 * 48 + 24;
    QTest::newRow("exact") << 3852;
    QTest::newRow("longer") << 3852 + 100;
}

void TestProfileFiles::fileLength()
{
    QFETCH(int, size);
    const QByteArray file = patterned(size, 3);
    writeAll(path("Corta"), file);
    m_profiles.working = evening();
    const QByteArray before = header(0x11111111, 0x22222222, 0x33333333);
    m_profiles.header.bytes = before;

    TProfileFiles files(m_profiles, m_folder, m_prompt);
    QVERIFY(files.LoadProfile("Corta", false));

    // The header bytes the file has, the old ones for the rest.
    const int headerBytes = std::min(size, 12);
    QCOMPARE(m_profiles.header.bytes, file.left(headerBytes) + before.mid(headerBytes));
    // The whole cells the file has; the others empty, not the old bands.
    const int cells = std::clamp((size - 12) / 48, 0, 80);
    QByteArray expected = file.mid(12, cells * 48);
    expected.append(QByteArray(3840 - expected.size(), '\0'));
    QCOMPARE(m_profiles.working.toBytes(), expected);
}

void TestProfileFiles::listProfiles()
{
    for (const char* name : {"Tariffa 1.5.trf", "b.trf", "A.trf", "Maiuscole.TRF", "note.txt"})
        writeAll(m_folder + "Trf/" + name, "x");
    QDir().mkpath(m_folder + "Trf/cartella.trf");
    // Files put there by hand under names the program cannot load by.
    writeAll(m_folder + "Trf/" + QString(210, 'x') + ".trf", "x");
    writeAll(m_folder + "Trf/a\tb.trf", "x");

    TProfileFiles files(m_profiles, m_folder, m_prompt);
    QStringList list{"già qui"};
    files.ListProfiles(list);
    QCOMPARE(list, QStringList({"già qui", "A", "b", "Tariffa 1.5"}));
    for (const QString& name : list.mid(1))
        QVERIFY2(files.LoadProfileForRepricing(name), qPrintable(name));

    QStringList none;
    TProfileFiles(m_profiles, m_folder + "manca/", m_prompt).ListProfiles(none);
    QVERIFY(none.isEmpty());
}

void TestProfileFiles::unsafeNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("parent folder") << "../fuori";
    QTest::newRow("slash") << "a/b";
    QTest::newRow("backslash") << "a\\b";
    QTest::newRow("control character") << "a\nb";
    QTest::newRow("too long") << QString(250, 'x');
}

void TestProfileFiles::unsafeNames()
{
    QFETCH(QString, name);
    m_profiles.working = evening();
    TProfileFiles files(m_profiles, m_folder, m_prompt);

    m_prompt.answerNext(PbYes);
    QVERIFY(!files.LoadProfile(name, true));
    QCOMPARE(m_prompt.requests().size(), 2); // the offer, then the refusal
    QCOMPARE(m_prompt.requests().last().title, QStringLiteral("Errore..."));
    QVERIFY(m_prompt.requests().last().text.startsWith("Impossibile salvare la tabella <"));
    QCOMPARE(m_profiles.working.toBytes(), evening().toBytes());

    QVERIFY(!files.SaveProfile(name));
    QCOMPARE(m_prompt.requests().size(), 3);
    QVERIFY(!files.LoadProfileForRepricing(name));

    const QStringList left =
        QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QVERIFY2(left.isEmpty() || left == QStringList{"Trf"}, qPrintable(left.join(", ")));
    QVERIFY(QDir(m_folder + "Trf").isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    QVERIFY(!QFile::exists(m_dir->path() + "/../fuori.trf"));
}

void TestProfileFiles::unreadableFile()
{
    QDir().mkpath(path("Cartella")); // exists, but cannot be read as a file
    m_profiles.working = evening();
    TProfileFiles files(m_profiles, m_folder, m_prompt);

    QVERIFY(!files.LoadProfile("Cartella", false));
    QVERIFY(!files.lastError().isEmpty());
    QVERIFY(m_prompt.requests().isEmpty());

    // Offering to create never overwrites what is there: the failure is told.
    QVERIFY(!files.LoadProfile("Cartella", true));
    QCOMPARE(m_prompt.requests().size(), 1);
    QVERIFY(m_prompt.texts().first().startsWith("Impossibile leggere la tabella <Cartella>."));
    QCOMPARE(m_profiles.working.toBytes(), evening().toBytes());
}

void TestProfileFiles::emptyName()
{
    TProfileFiles files(m_profiles, m_folder, m_prompt);
    QVERIFY(!files.LoadProfile("", true));
    QVERIFY(!files.SaveProfile(""));
    QVERIFY(!files.LoadProfileForRepricing(""));
    QVERIFY(m_prompt.requests().isEmpty());
    QVERIFY(!QDir(m_folder + "Trf").exists());
}

void TestProfileFiles::saveFailureKeepsTheOldFile()
{
    TProfileFiles files(m_profiles, m_folder, m_prompt);
    m_profiles.working = evening();
    QVERIFY(files.SaveProfile("Vecchia"));
    const QByteArray old = readAll(path("Vecchia"));
    QCOMPARE(old.size(), 3852);

    // The folder refuses new files (root ignores permission bits, so the
    // immutable flag is used; some file systems do not have it).
    const QString trf = m_folder + "Trf";
    if (QProcess::execute("chattr", {"+i", trf}) != 0)
        QSKIP("chattr +i is not available here");
    m_profiles.working = TariffTable{};
    const bool saved = files.SaveProfile("Vecchia");
    QProcess::execute("chattr", {"-i", trf});
    QVERIFY(!saved);
    QCOMPARE(readAll(path("Vecchia")), old);
    QCOMPARE(m_prompt.requests().size(), 1);
    QCOMPARE(m_prompt.requests().first().icon, PromptIcon::Error);
    QVERIFY(m_prompt.texts().first().startsWith("Impossibile salvare la tabella <Vecchia>.\r"));
}

QTEST_GUILESS_MAIN(TestProfileFiles)
#include "tst_profilefiles.moc"
