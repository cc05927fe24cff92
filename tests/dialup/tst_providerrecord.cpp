// Provider records: the 539-byte file, load and save rules, names that cannot
// be file names as they stand.
#include "common/ByteIO.h"
#include "common/ScriptedPrompt.h"
#include "dialup/Crypt.h"
#include "dialup/ProviderRecord.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestProviderRecord : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;
    // The program folder sits inside the private temporary folder, so a test
    // can check that nothing was written next to it without seeing the files
    // other programs create in the system's temporary folder.
    QString folder() const { return m_tmp.path() + QStringLiteral("/prog/"); }

    static TProviderRecord sample()
    {
        TProviderRecord r;
        r.entryName = QStringLiteral("Linea Città");
        r.userName = QStringLiteral("mario.rossi");
        r.password = QStringLiteral("pàss-01");
        r.phoneNumber = QStringLiteral("0702345678");
        r.profile = QStringLiteral("Tariffa Urbana");
        r.homePage = QStringLiteral("http://www.esempio.it/");
        r.userPage = QStringLiteral("http://utenti.esempio.it/mario");
        return r;
    }
    static QByteArray readFile(const QString& path) { return testsupport::readFileBytes(path); }
    static void writeFile(const QString& path, const QByteArray& data)
    {
        QVERIFY(testsupport::writeFileBytes(path, data));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        QVERIFY(QDir(m_tmp.path()).mkdir(QStringLiteral("prog")));
    }

    void roundTripThroughTheFile()
    {
        TScriptedPrompt prompt;
        const TProviderRecord r = sample();
        QCOMPARE(r.save(folder(), prompt), TProviderRecord::SaveResult::Saved);
        const QString path = folder() + QStringLiteral("Linea Città.ras");
        QCOMPARE(QFileInfo(path).size(), 539);

        TProviderRecord back;
        back.userName = QStringLiteral("stale");
        QCOMPARE(back.load(folder(), r.entryName, prompt), TProviderRecord::LoadResult::Loaded);
        QCOMPARE(back, r);
        QCOMPARE(prompt.beeps(), 0);
    }

    // Every field at its offset, the password scrambled, the reserved bytes zero.
    void fileLayout()
    {
        TScriptedPrompt prompt;
        const TProviderRecord r = sample();
        QCOMPARE(r.save(folder(), prompt), TProviderRecord::SaveResult::Saved);
        const QByteArray b = readFile(TProviderRecord::filePath(folder(), r.entryName));
        QCOMPARE(b.size(), 539);
        QCOMPARE(bio::getPStr(b, 0, 60), r.entryName);
        QCOMPARE(uint8_t(b[0]), uint8_t(11));
        QCOMPARE(bio::getPStr(b, 61, 60), r.userName);
        QCOMPARE(bio::getPStr(b, 183, 25), r.phoneNumber);
        QCOMPARE(b.mid(209, 77), QByteArray(77, '\0'));
        QCOMPARE(bio::getPStr(b, 286, 50), r.profile);
        QCOMPARE(bio::getPStr(b, 337, 100), r.homePage);
        QCOMPARE(bio::getPStr(b, 438, 100), r.userPage);

        QByteArray pw = bio::getPStrBytes(b, 122, 60);
        QCOMPARE(pw.size(), 7);
        QVERIFY(pw != QByteArray("p\xe0ss-01"));
        TCrypt c;
        c.setPassword(TCrypt::recordKey());
        c.scramble(pw);
        QCOMPARE(pw, QByteArray("p\xe0ss-01")); // Windows-1252
    }

    // A file written by hand at the documented offsets loads field by field;
    // the reserved bytes survive a load and save.
    void loadsHandMadeFile()
    {
        QByteArray b(539, '\0');
        bio::putPStr(b, 0, 60, QStringLiteral("Mano"));
        bio::putPStr(b, 61, 60, QStringLiteral("utente"));
        QByteArray pw("chiave");
        TCrypt c;
        c.setPassword(TCrypt::recordKey());
        c.scramble(pw);
        bio::putPStrBytes(b, 122, 60, pw);
        bio::putPStr(b, 183, 25, QStringLiteral("1234"));
        b[250] = 'R';
        bio::putPStr(b, 286, 50, QStringLiteral("Profilo"));
        bio::putPStr(b, 337, 100, QStringLiteral("home"));
        bio::putPStr(b, 438, 100, QStringLiteral("user"));
        writeFile(folder() + QStringLiteral("Mano.ras"), b);

        TScriptedPrompt prompt;
        TProviderRecord r;
        QCOMPARE(r.load(folder(), QStringLiteral("Mano"), prompt),
                 TProviderRecord::LoadResult::Loaded);
        QCOMPARE(r.userName, QStringLiteral("utente"));
        QCOMPARE(r.password, QStringLiteral("chiave"));
        QCOMPARE(r.phoneNumber, QStringLiteral("1234"));
        QCOMPARE(r.profile, QStringLiteral("Profilo"));
        QCOMPARE(r.homePage, QStringLiteral("home"));
        QCOMPARE(r.userPage, QStringLiteral("user"));
        QCOMPARE(r.save(folder(), prompt), TProviderRecord::SaveResult::Saved);
        QCOMPARE(readFile(folder() + QStringLiteral("Mano.ras")), b);
    }

    // A short file fills what it has; the rest stays empty.
    void shortFileLeavesZeros()
    {
        QByteArray b = sample().toBytes().left(190); // up to the middle of the phone number
        writeFile(folder() + QStringLiteral("Corto.ras"), b);
        TScriptedPrompt prompt;
        TProviderRecord r;
        QCOMPARE(r.load(folder(), QStringLiteral("Corto"), prompt),
                 TProviderRecord::LoadResult::Loaded);
        QCOMPARE(r.entryName, sample().entryName);
        QCOMPARE(r.password, sample().password);
        QCOMPARE(r.phoneNumber, QStringLiteral("070234")); // 6 of 10 characters were in the file
        QVERIFY(r.profile.isEmpty());
        QVERIFY(r.homePage.isEmpty());
        QCOMPARE(r.reserved, QByteArray(77, '\0'));

        writeFile(folder() + QStringLiteral("Vuoto.ras"), QByteArray());
        QCOMPARE(r.load(folder(), QStringLiteral("Vuoto"), prompt),
                 TProviderRecord::LoadResult::Loaded);
        QCOMPARE(r, TProviderRecord());
    }

    void missingFileGivesEmptyRecord()
    {
        TScriptedPrompt prompt;
        TProviderRecord r = sample();
        QCOMPARE(r.load(folder(), QStringLiteral("Inesistente"), prompt),
                 TProviderRecord::LoadResult::Missing);
        QCOMPARE(r, TProviderRecord());
        QCOMPARE(prompt.beeps(), 0);
    }

    void emptyEntryNameWritesNothing()
    {
        TScriptedPrompt prompt;
        TProviderRecord r = sample();
        r.entryName.clear();
        const QStringList before = QDir(folder()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(r.save(folder(), prompt), TProviderRecord::SaveResult::Skipped);
        QCOMPARE(QDir(folder()).entryList(QDir::Files | QDir::Hidden), before);
        QCOMPARE(prompt.beeps(), 0);
    }

    // Entry names that cannot be a file name as they stand (dial-up services
    // name entries freely) get a file of their own, in the folder itself,
    // with a name derived from theirs; the record keeps the entry's own name.
    void unsafeEntryNameGetsItsOwnFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::newRow("slash") << QStringLiteral("../fuori") << QStringLiteral("..%2Ffuori.ras");
        QTest::newRow("backslash") << QStringLiteral("a\\b") << QStringLiteral("a%5Cb.ras");
        QTest::newRow("dot dot") << QStringLiteral("..") << QStringLiteral("%2E%2E.ras");
        QTest::newRow("dot") << QStringLiteral(".") << QStringLiteral("%2E.ras");
        QTest::newRow("control") << QStringLiteral("a\nb") << QStringLiteral("a%0Ab.ras");
        QTest::newRow("percent in an unsafe name")
            << QStringLiteral("50%/Roma") << QStringLiteral("50%25%2FRoma.ras");
        QTest::newRow("percent in a safe name")
            << QStringLiteral("Sconto 50%") << QStringLiteral("Sconto 50%.ras");
        QTest::newRow("cut to the field first")
            << QString(59, QLatin1Char('x')) + QStringLiteral("/y")
            << QString(59, QLatin1Char('x')) + QStringLiteral("%2F.ras");
    }
    void unsafeEntryNameGetsItsOwnFile()
    {
        QFETCH(QString, name);
        QFETCH(QString, file);
        QTemporaryDir parent;
        const QString inner = parent.filePath(QStringLiteral("programma/"));
        QVERIFY(QDir().mkpath(inner));
        TScriptedPrompt prompt;
        TProviderRecord r = sample();
        r.entryName = name;
        QCOMPARE(r.save(inner, prompt), TProviderRecord::SaveResult::Saved);
        QCOMPARE(prompt.beeps(), 0);
        QCOMPARE(QDir(inner).entryList(QDir::Files | QDir::Hidden), QStringList{file});
        QCOMPARE(QDir(parent.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

        TProviderRecord loaded;
        QCOMPARE(loaded.load(inner, name, prompt), TProviderRecord::LoadResult::Loaded);
        QCOMPARE(loaded.entryName, bio::cutTo(name, TProviderRecord::EntryNameMax));
        QCOMPARE(loaded.password, r.password);
    }

    // A file that exists but cannot be read (here a folder in its place).
    void unreadableFileBeeps()
    {
        QVERIFY(QDir(folder()).mkdir(QStringLiteral("Cartella.ras")));
        TScriptedPrompt prompt;
        TProviderRecord r = sample();
        QCOMPARE(r.load(folder(), QStringLiteral("Cartella"), prompt),
                 TProviderRecord::LoadResult::Failed);
        QCOMPARE(prompt.beeps(), 1);
        QCOMPARE(r.entryName, QStringLiteral("Cartella"));
        QVERIFY(r.userName.isEmpty() && r.password.isEmpty() && r.phoneNumber.isEmpty());

        r = sample();
        r.entryName = QStringLiteral("Cartella");
        QCOMPARE(r.save(folder(), prompt), TProviderRecord::SaveResult::Failed);
        QCOMPARE(prompt.beeps(), 2);

        r.entryName = QStringLiteral("Altrove");
        QCOMPARE(r.save(folder() + QStringLiteral("manca/"), prompt),
                 TProviderRecord::SaveResult::Failed);
        QCOMPARE(prompt.beeps(), 3);
    }

    // The password is in the file: no moment where others may read it.
    void fileIsOwnerOnly()
    {
        TScriptedPrompt prompt;
        TProviderRecord r = sample();
        r.entryName = QStringLiteral("Privato");
        QCOMPARE(r.save(folder(), prompt), TProviderRecord::SaveResult::Saved);
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(TProviderRecord::filePath(folder(), r.entryName)), &st),
                 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0600));
    }

    // Texts longer than their fields are cut when stored; an entry name
    // longer than its field is saved and found again under the stored name.
    void longTextsAreCut()
    {
        TScriptedPrompt prompt;
        TProviderRecord r;
        r.entryName = QString(70, QLatin1Char('E'));
        r.password = QString(70, QLatin1Char('p'));
        r.phoneNumber = QString(30, QLatin1Char('9'));
        r.profile = QString(60, QLatin1Char('T'));
        QCOMPARE(r.save(folder(), prompt), TProviderRecord::SaveResult::Saved);
        QVERIFY(
            QFileInfo::exists(folder() + QString(60, QLatin1Char('E')) + QStringLiteral(".ras")));

        TProviderRecord back;
        QCOMPARE(back.load(folder(), r.entryName, prompt), TProviderRecord::LoadResult::Loaded);
        QCOMPARE(back.entryName, QString(60, QLatin1Char('E')));
        QCOMPARE(back.password, QString(60, QLatin1Char('p')));
        QCOMPARE(back.phoneNumber, QString(25, QLatin1Char('9')));
        QCOMPARE(back.profile, QString(50, QLatin1Char('T')));
    }
};

QTEST_GUILESS_MAIN(TestProviderRecord)
#include "tst_providerrecord.moc"
