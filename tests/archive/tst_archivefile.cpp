// The 308-byte connection record and the archive file: layout at its
// offsets, damaged records, counting with a trailing fragment, appends that
// fail half-way, and the writers' lock.
#include "archive/ArchiveFile.h"
#include "common/ByteIO.h"
#include "common/ScriptedPrompt.h"
#include "platform/file/FileLock.h"
#include "tests/archive/ArchiveTestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace archivetest;

class TstArchiveFile : public QObject
{
    Q_OBJECT
private slots:
    void decodesKnownBytes()
    {
        // Built by hand from the layout, independent of the encoder.
        QByteArray b(ConnRecord::Size, '\0');
        b.replace(0, 8, QByteArray::fromHex("0000000010d6e140")); // 2000-01-03 12:00
        b.replace(8, 8, QByteArray::fromHex("0000000018d6e140")); // 2000-01-03 18:00
        b.replace(16, 4, QByteArray::fromHex("07000000"));        // indice 7
        b.replace(20, 4, QByteArray::fromHex("f628b944"));        // 1481.28
        b.replace(24, 4,
                  QByteArray("\x03"
                             "011",
                             4));
        b.replace(55, 6,
                  QByteArray("\x05"
                             "Prova",
                             6));
        b.replace(106, 4,
                  QByteArray("\x03"
                             "Tab",
                             4));
        b.replace(157, 6,
                  QByteArray("\x05"
                             "caff\xe8",
                             6));
        b.replace(40, 3, "xyz"); // after telefono's text: not significant

        QCOMPARE(ConnRecord::classify(b), ConnRecord::Kind::Stored);
        const ConnRecord r = ConnRecord::fromBytes(b);
        QCOMPARE(r.inizio, dt::encode(2000, 1, 3, 12));
        QCOMPARE(r.fine, dt::encode(2000, 1, 3, 18));
        QCOMPARE(r.indice, 7);
        QCOMPARE(r.costo, 1481.28f);
        QCOMPARE(r.telefono, QStringLiteral("011"));
        QCOMPARE(r.provider, QStringLiteral("Prova"));
        QCOMPARE(r.nomeTar, QStringLiteral("Tab"));
        QCOMPARE(r.motivo, QStringLiteral("caffè"));
        QCOMPARE(r.durationSeconds(), 6 * 3600);
    }

    // Whole seconds of a connection, taken to the millisecond first with
    // halves away from zero (as the library's rounding), then cut.
    void durationRounding_data()
    {
        QTest::addColumn<double>("inizio");
        QTest::addColumn<double>("fine");
        QTest::addColumn<qint64>("seconds");
        const double t = dt::encode(2001, 5, 14, 21, 30, 0);
        const double ms = dt::OneMillisecond;
        QTest::newRow("12 min 5 s as day fractions") << t << t + 725 * dt::OneSecond << qint64(725);
        QTest::newRow("999.6 ms is a second") << t << t + 999.6 * ms << qint64(1);
        QTest::newRow("999.4 ms is none") << t << t + 999.4 * ms << qint64(0);
        QTest::newRow("an end before the start") << t << t - 1000.6 * ms << qint64(-1);
        QTest::newRow("over a day") << t << t + 3.5 << qint64(302400);
        QTest::newRow("no number") << t << std::nan("") << qint64(0);
        QTest::newRow("infinite") << t << HUGE_VAL << qint64(0);
    }
    void durationRounding()
    {
        QFETCH(double, inizio);
        QFETCH(double, fine);
        QFETCH(qint64, seconds);
        QCOMPARE(ConnRecord::durationSeconds(inizio, fine), seconds);
    }
    void durationRoundsAsTheLibrary()
    {
        // Around every half millisecond of four seconds either way, from
        // starts early and late in the calendar.
        for (double inizio : {0.25, dt::encode(2001, 5, 14, 21, 30, 0), 2958465.75}) {
            for (int half = -8001; half <= 8001; half += 2) {
                const double exact = inizio + half / 2.0 * dt::OneMillisecond;
                for (double fine :
                     {exact, std::nextafter(exact, -HUGE_VAL), std::nextafter(exact, HUGE_VAL)}) {
                    const double rounded = std::round((fine - inizio) / dt::OneMillisecond);
                    QCOMPARE(ConnRecord::durationSeconds(inizio, fine), int64_t(rounded) / 1000);
                }
            }
        }
    }

    void encodesAtOffsetsAndCuts()
    {
        ConnRecord r = sample(2);
        r.indice = 0x01020304;
        r.telefono = QString(40, QLatin1Char('9'));
        r.motivo = QString(200, QLatin1Char('m'));
        const QByteArray b = r.toBytes();
        QCOMPARE(b.size(), 308);
        QCOMPARE(b.mid(16, 4), QByteArray::fromHex("04030201"));
        QCOMPARE(quint8(b[24]), quint8(30));
        QCOMPARE(b.mid(25, 30), QByteArray(30, '9'));
        QCOMPARE(quint8(b[55]), quint8(r.provider.size()));
        QCOMPARE(b.mid(56, r.provider.size()), r.provider.toLatin1());
        QCOMPARE(b.mid(56 + r.provider.size(), 50 - r.provider.size()),
                 QByteArray(50 - r.provider.size(), '\0'));
        QCOMPARE(quint8(b[106]), quint8(r.nomeTar.size()));
        QCOMPARE(quint8(b[157]), quint8(150));
        QCOMPARE(b.mid(158, 150), QByteArray(150, 'm'));

        ConnRecord back = ConnRecord::fromBytes(b);
        r.cutTexts();
        QCOMPARE(back, r);
    }

    void classify_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        const auto f64 = [](double v) {
            QByteArray b(8, '\0');
            bio::putF64(b, 0, v);
            return b;
        };
        const int stored = int(ConnRecord::Kind::Stored);
        const int deleted = int(ConnRecord::Kind::Deleted);
        const int damaged = int(ConnRecord::Kind::Damaged);
        QTest::newRow("plain record") << -1 << QByteArray() << stored;
        QTest::newRow("start 0") << 0 << f64(0) << deleted;
        QTest::newRow("end negative") << 8 << f64(-1) << deleted;
        QTest::newRow("start NaN") << 0 << f64(std::numeric_limits<double>::quiet_NaN()) << damaged;
        QTest::newRow("end infinite")
            << 8 << f64(std::numeric_limits<double>::infinity()) << damaged;
        QTest::newRow("start after year 9999") << 0 << f64(1e300) << damaged;
        QTest::newRow("cost NaN") << 20 << QByteArray::fromHex("0000c07f") << damaged;
        QTest::newRow("telefono length 31") << 24 << QByteArray(1, char(31)) << damaged;
        QTest::newRow("provider length 51") << 55 << QByteArray(1, char(51)) << damaged;
        QTest::newRow("nomeTar length 200") << 106 << QByteArray(1, char(200)) << damaged;
        QTest::newRow("motivo length 151") << 157 << QByteArray(1, char(151)) << damaged;
        QTest::newRow("motivo length 150") << 157 << QByteArray(1, char(150)) << stored;
    }
    void classify()
    {
        QFETCH(int, offset);
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QByteArray b = sample(0).toBytes();
        if (offset >= 0)
            b.replace(offset, bytes.size(), bytes);
        QCOMPARE(int(ConnRecord::classify(b)), kind);
    }

    void emptyAndShortRecords()
    {
        QCOMPARE(ConnRecord::classify(QByteArray(308, '\0')), ConnRecord::Kind::Deleted);
        QCOMPARE(ConnRecord{}.toBytes(), QByteArray(308, '\0'));
        QCOMPARE(ConnRecord::classify(QByteArray(307, '\0')), ConnRecord::Kind::Damaged);
    }

    void openCreatesMissingFile()
    {
        QTemporaryDir dir;
        TArchiveFile a(dir.path());
        QCOMPARE(a.path(), dir.path() + QStringLiteral("/Archivio.sto"));
        QVERIFY(a.open());
        QCOMPARE(a.count(), 0);
        QVERIFY(QFileInfo::exists(a.path()));
        QCOMPARE(QFileInfo(a.path()).size(), 0);
    }

    void openFailures()
    {
        QTemporaryDir dir;
        TArchiveFile noFolder(dir.path() + QStringLiteral("/missing"));
        QVERIFY(!noFolder.open());
        QCOMPARE(noFolder.errorText(), QStringLiteral("Cannot create file ") + noFolder.path());
        QVERIFY(!noFolder.isOpen());

        TArchiveFile readOnlyMissing(dir.path());
        QVERIFY(!readOnlyMissing.open(TArchiveFile::Access::ReadOnly));
        QCOMPARE(readOnlyMissing.errorText(),
                 QStringLiteral("Cannot open file ") + readOnlyMissing.path());

        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Archivio.sto")));
        TArchiveFile folderInTheWay(dir.path());
        QVERIFY(!folderInTheWay.open());
        QCOMPARE(folderInTheWay.errorText(),
                 QStringLiteral("Cannot open file ") + folderInTheWay.path());
    }

    // A file of 308 × n + 100 bytes holds n records; the next append lands
    // over the fragment and leaves 308 × (n + 1) bytes.
    void fragmentIsIgnoredAndOverwritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Archivio.sto"));
        QByteArray content;
        for (int i = 0; i < 3; ++i)
            content += sample(i).toBytes();
        content += QByteArray(100, '\x7f');
        QVERIFY(writeFileBytes(path, content));

        TArchiveFile a(dir.path());
        QVERIFY(a.open());
        QCOMPARE(a.count(), 3);
        QVERIFY(a.write(a.count(), sample(3)));
        QCOMPARE(a.count(), 4);
        a.close();

        const QByteArray after = readFileBytes(path);
        QCOMPARE(after.size(), 4 * 308);
        QCOMPARE(after.left(3 * 308), content.left(3 * 308));
        QCOMPARE(recordAt(after, 3), sample(3).toBytes());

        QVERIFY(a.open(TArchiveFile::Access::ReadOnly));
        ConnRecord r;
        QCOMPARE(a.read(3, r), TArchiveFile::ReadStatus::Stored);
        QCOMPARE(r.indice, 3);
        r.indice = 0;
        QCOMPARE(r, sample(3));
    }

    // Deleting record 5 of 10 keeps the size; records 6 to 9 stay in place.
    void overwriteInPlace()
    {
        QTemporaryDir dir;
        TArchiveFile a(dir.path());
        QVERIFY(a.open());
        for (int i = 0; i < 10; ++i)
            QVERIFY(a.write(i, sample(i)));
        const QByteArray before = readFileBytes(a.path());
        QVERIFY(a.write(5, ConnRecord{}));
        const QByteArray after = readFileBytes(a.path());
        QCOMPARE(after.size(), before.size());
        QCOMPARE(recordAt(after, 5), QByteArray(308, '\0'));
        QCOMPARE(after.left(5 * 308), before.left(5 * 308));
        QCOMPARE(after.mid(6 * 308), before.mid(6 * 308));

        QList<int> damaged;
        const QList<ConnRecord> stored = a.readStored(&damaged);
        QCOMPARE(stored.size(), 9);
        QCOMPARE(stored[5].indice, 6);
        QVERIFY(damaged.isEmpty());
    }

    void damagedRecordsAreSkipped()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Archivio.sto"));
        QByteArray torn = sample(1).toBytes();
        torn[157] = char(240); // description length beyond its field
        QByteArray nan = sample(2).toBytes();
        nan.replace(0, 8, QByteArray::fromHex("000000000000f87f"));
        QVERIFY(writeFileBytes(path, sample(0).toBytes() + torn + QByteArray(308, '\0') + nan +
                                         sample(4).toBytes()));
        TArchiveFile a(dir.path());
        QVERIFY(a.open(TArchiveFile::Access::ReadOnly));
        QCOMPARE(a.count(), 5);
        ConnRecord r;
        QCOMPARE(a.read(1, r), TArchiveFile::ReadStatus::Damaged);
        QCOMPARE(r.indice, 1);
        QVERIFY(r.isDeleted());
        QCOMPARE(a.read(2, r), TArchiveFile::ReadStatus::Deleted);
        QList<int> damaged;
        const QList<ConnRecord> stored = a.readStored(&damaged);
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored[0].indice, 0);
        QCOMPARE(stored[1].indice, 4);
        QCOMPARE(damaged, (QList<int>{1, 3}));
        QVERIFY(!a.write(0, sample(9))); // opened read-only
    }

    void readBeyondEndFails()
    {
        QTemporaryDir dir;
        TArchiveFile a(dir.path());
        QVERIFY(a.open());
        ConnRecord r;
        QCOMPARE(a.read(0, r), TArchiveFile::ReadStatus::Failed);
        QVERIFY(!a.errorText().isEmpty());
    }

    // The archive is written in place: a link planted at its name is followed
    // only to the user's own file and never by root; reading is unaffected.
    void linkAtTheArchive()
    {
        QTemporaryDir dir, elsewhere;
        const QString target = elsewhere.filePath(QStringLiteral("altro.sto"));
        QVERIFY(writeFileBytes(target, sample(0).toBytes()));
        TArchiveFile a(dir.path());
        QVERIFY(QFile::link(target, a.path()));
        const bool root = ::geteuid() == 0;
        QCOMPARE(a.open(TArchiveFile::Access::ReadWrite), !root);
        if (root) {
            QCOMPARE(a.errorText(), QStringLiteral("Cannot open file %1\ril file è un collegamento "
                                                   "simbolico: il programma avviato come root non "
                                                   "scrive attraverso i collegamenti")
                                        .arg(a.path()));
            QVERIFY(a.open(TArchiveFile::Access::ReadOnly));
            QCOMPARE(a.count(), 1);
        } else {
            QVERIFY(a.write(1, sample(1)));
        }
        a.close();
        QCOMPARE(readFileBytes(target).size(), root ? 308 : 616);
        QVERIFY(QFileInfo(a.path()).isSymLink());
    }

    void writeToFullDevice()
    {
        TArchiveFile a(QStringLiteral("/dev"), QStringLiteral("full"));
        if (!a.open())
            QSKIP("/dev/full cannot be opened for writing here");
        QVERIFY(!a.write(0, sample(0)));
        QVERIFY(a.errorText().startsWith(QStringLiteral("Cannot write file /dev/full: ")));
        QCOMPARE(a.count(), 0);
    }

    // An append that runs out of space half-way is cut back: the file keeps
    // its old length and no half record is left to shift later appends.
    void shortAppendIsCutBack()
    {
        QTemporaryDir dir;
        const QString mountPoint = dir.filePath(QStringLiteral("small"));
        QVERIFY(QDir().mkpath(mountPoint));
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=8k") != 0)
            QSKIP("a private tmpfs cannot be mounted here (needs root and mount rights)");

        // 13 records end 92 bytes before the first page boundary.
        TArchiveFile a(mountPoint);
        QVERIFY(a.open());
        for (int i = 0; i < 13; ++i)
            QVERIFY(a.write(i, sample(i)));
        const QByteArray before = readFileBytes(a.path());
        QCOMPARE(before.size(), 13 * 308);
        // Fill every remaining page.
        QFile filler(mountPoint + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) == 4096) {
        }
        filler.close();

        QVERIFY(!a.write(13, sample(13)));
        QVERIFY(a.errorText().contains(QStringLiteral("Cannot write file")));
        QCOMPARE(a.count(), 13);
        QCOMPARE(readFileBytes(a.path()), before);

        // Once space is back the same append works and lands at 308 × 13.
        QVERIFY(QFile::remove(filler.fileName()));
        QVERIFY(a.write(13, sample(13)));
        QCOMPARE(recordAt(readFileBytes(a.path()), 13), sample(13).toBytes());
        a.close();
        ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH);
    }

    // A process holding the archive lock keeps the program's writes out;
    // the write fails cleanly and works again once the lock is gone.
    void writersLock()
    {
        QTemporaryDir dir;
        TArchiveFile a(dir.path());
        QVERIFY(a.open());
        QVERIFY(a.write(0, sample(0)));
        {
            TFileLock other(a.path(), TFileLock::Open::Existing, 0);
            QVERIFY(other.held());
            TFileLock second(a.path(), TFileLock::Open::Existing, 0);
            QVERIFY(!second.held());
            QVERIFY(second.heldElsewhere());
            QVERIFY(!a.write(1, sample(1)));
            QVERIFY(a.errorText().contains(QStringLiteral("in uso da un altro processo")));
            QCOMPARE(QFileInfo(a.path()).size(), 308);
        }
        QVERIFY(a.write(1, sample(1)));
        QCOMPARE(QFileInfo(a.path()).size(), 2 * 308);
    }

    void generalErrorBox()
    {
        TScriptedPrompt prompt;
        showArchiveError(prompt, QStringLiteral("Cannot open file /x/Archivio.sto"));
        QCOMPARE(prompt.requests().size(), 1);
        QCOMPARE(prompt.requests()[0].title, QStringLiteral("Tarvelo!"));
        QCOMPARE(prompt.requests()[0].icon, PromptIcon::Error);
    }
};

QTEST_GUILESS_MAIN(TstArchiveFile)
#include "tst_archivefile.moc"
