// Changing many stored connections at once: what a re-pricing or a deletion
// changes and leaves alone, stopping it, another writer holding the archive,
// and all or nothing for real - the change killed with SIGKILL at each step
// of its commit (the test runs itself again as a helper process, which stops
// at the chosen step until the test kills it), a sync that fails (fiu-run),
// a full disk (a small tmpfs in a private mount namespace), and a running
// session saving its record around it.
#include "archive/ArchiveChange.h"
#include "archive/ArchiveFile.h"
#include "archive/SessionArchive.h"
#include "common/ScriptedPrompt.h"
#include "platform/file/FileLock.h"
#include "tests/archive/ArchiveTestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <sys/mount.h>
#include <unistd.h>

using namespace archivetest;
namespace ac = archivechange;

namespace
{

constexpr float NewCost = 777.0f;
const QString NewName = QStringLiteral("Nuova");

// n connections, one a day from 1 March 2001 (the days wrap every 28), with
// position 3 deleted and position 7 torn, and a 100-byte fragment at the end.
QByteArray archiveBytes(int n)
{
    QByteArray out;
    out.reserve(qsizetype(n) * ConnRecord::Size + 100);
    for (int i = 0; i < n; ++i) {
        if (i == 3) {
            out += QByteArray(ConnRecord::Size, '\0');
            continue;
        }
        ConnRecord r = sample(i);
        r.inizio = dt::encode(2001, 3, 1 + i % 28, 8 + i % 12, i % 60, 0);
        r.fine = r.inizio + (30 + i % 3000) * dt::OneSecond;
        QByteArray b = r.toBytes();
        if (i == 7)
            b.replace(0, 16, QByteArray(16, '\xff')); // a start no calendar holds
        out += b;
    }
    return out + QByteArray(100, 'x');
}

QString archivePath(const QString& folder)
{
    return folder + QStringLiteral("/Archivio.sto");
}

ConnRecord recordIn(const QByteArray& file, int i)
{
    return ConnRecord::fromBytes(recordAt(file, i));
}

// What re-pricing record i of `before` gives.
QByteArray repriced(const QByteArray& before, int i)
{
    ConnRecord r = recordIn(before, i);
    r.costo = NewCost;
    r.nomeTar = NewName;
    r.indice = i;
    return r.toBytes();
}

ac::PriceFn flatPrice()
{
    return [](TDateTime, TDateTime) { return std::optional<float>(NewCost); };
}

// Every record of `after` is as in `before`, or re-priced; how many each.
struct Tally {
    int same = 0;
    int changed = 0;
    int other = 0;
};
Tally tally(const QByteArray& before, const QByteArray& after, int n, int skip = -1)
{
    Tally t;
    for (int i = 0; i < n; ++i) {
        if (i == skip)
            continue;
        const QByteArray now = recordAt(after, i);
        if (now == recordAt(before, i))
            ++t.same;
        else if (now == repriced(before, i))
            ++t.changed;
        else
            ++t.other;
    }
    return t;
}

// ---- The helper process --------------------------------------------------------

// --change-helper FOLDER STEP: re-prices every connection of March 2001 in
// FOLDER's archive; at the commit step STEP it says "at=STEP" and waits to be
// killed. Prints "status=" and "error=" when it gets to the end.
int changeHelper(const char* folder, const char* stopAt)
{
    std::printf("helper started\n");
    std::fflush(stdout);
    ac::Options options;
    options.checkpoint = [stopAt](const char* step) {
        if (std::strcmp(step, stopAt) != 0)
            return;
        std::printf("at=%s\n", step);
        std::fflush(stdout);
        for (;;)
            ::pause();
    };
    const ac::Result r =
        ac::reprice(archivePath(QFile::decodeName(folder)),
                    ac::Targets::days(dt::encodeDate(2001, 3, 1), dt::encodeDate(2001, 3, 31)),
                    NewName, flatPrice(), options);
    std::printf("status=%d\nchanged=%lld\nerror=%s\n", int(r.status), (long long)r.changed,
                qPrintable(r.error));
    return r.status == ac::Status::Done ? 0 : 1;
}

// The helper, started; waits until it reaches its step (or ends).
struct Helper {
    QProcess process;
    QByteArray out;

    bool start(const QStringList& prefix, const QString& folder, const QString& step)
    {
        QStringList args = prefix;
        const QString self = QCoreApplication::applicationFilePath();
        if (prefix.isEmpty()) {
            process.setProgram(self);
        } else {
            process.setProgram(args.takeFirst());
            args << self;
        }
        args << QStringLiteral("--change-helper") << folder << step;
        process.setArguments(args);
        process.start();
        return process.waitForStarted();
    }
    // True once the helper says it stands at its step; false if it ended.
    bool waitAtStep()
    {
        while (!out.contains("at=")) {
            if (process.state() == QProcess::NotRunning || !process.waitForReadyRead(30000)) {
                out += process.readAllStandardOutput();
                return out.contains("at=");
            }
            out += process.readAllStandardOutput();
        }
        return true;
    }
    void kill()
    {
        process.kill(); // SIGKILL
        process.waitForFinished(30000);
    }
    bool finish()
    {
        const bool ended = process.waitForFinished(60000);
        out += process.readAllStandardOutput();
        return ended;
    }
};

// A running session whose record is the archive's last one.
struct RunningSession {
    TArchiveFile archive;
    ConnRecords recs;
    TScriptedPrompt prompt;
    TDateTime now = dt::encode(2001, 3, 20, 18, 0, 0);

    explicit RunningSession(const QString& folder) : archive(folder)
    {
        recs.running.provider = QStringLiteral("Prova");
        recs.running.telefono = QStringLiteral("0114567");
        session::armFirstSave(recs);
        session::begin(recs, archive, QStringLiteral("Telecom Urbana 50%"), 0, now, prompt);
    }
    session::SaveResult save()
    {
        now += 30 * dt::OneSecond;
        session::countTick(recs, now);
        recs.saveCounter = session::SaveAfterTicks + 1; // due
        return session::periodicSave(recs, archive, 100.0 + recs.saveCounter, true, prompt);
    }
    QByteArray savedBytes() const
    {
        ConnRecord r = recs.running;
        r.indice = 0;
        return r.toBytes();
    }
};

bool rootCanMount()
{
    return ::geteuid() == 0;
}

} // namespace

class TstArchiveChange : public QObject
{
    Q_OBJECT
private slots:
    void repriceListed();
    void eraseStopsAtMissing();
    void repriceByDays();
    void stop_data();
    void stop();
    void busyArchive();
    void damagedJournalIsSetAside();
    void killed_data();
    void killed();
    void killedWhileSessionSaves_data();
    void killedWhileSessionSaves();
    void failingSync();
    void fullDisk();
};

// Listed rows: only the connections still there as listed change, and only
// costo, nomeTar and indice; rows gone or replaced since, and connections
// the price function cannot price, stay as they are.
void TstArchiveChange::repriceListed()
{
    QTemporaryDir dir;
    const QByteArray before = archiveBytes(12);
    QVERIFY(writeFileBytes(archivePath(dir.path()), before));
    const TDateTime noBandStart = recordIn(before, 5).inizio;
    std::vector<ac::RecordRef> rows = {
        {0, recordIn(before, 0).inizio},
        {3, recordIn(before, 0).inizio},       // deleted since
        {4, recordIn(before, 4).inizio + 1.0}, // another connection there now
        {5, noBandStart},                      // cannot be priced
        {7, recordIn(before, 6).inizio},       // torn since
        {-1, 0},                               // the empty row of an empty list
        {40, recordIn(before, 2).inizio},      // beyond the end
        {9, recordIn(before, 9).inizio},
    };
    const ac::Result r =
        ac::reprice(archivePath(dir.path()), ac::Targets::rows(rows), NewName,
                    [noBandStart](TDateTime inizio, TDateTime) {
                        return inizio == noBandStart ? std::nullopt : std::optional<float>(NewCost);
                    });
    QCOMPARE(r.status, ac::Status::Done);
    QCOMPARE(r.changed, 2);
    QCOMPARE(r.missing, 5);
    QCOMPARE(r.noBand, 1);

    const QByteArray after = readFileBytes(archivePath(dir.path()));
    QCOMPARE(after.size(), before.size());
    for (int i = 0; i < 12; ++i)
        QCOMPARE(recordAt(after, i), i == 0 || i == 9 ? repriced(before, i) : recordAt(before, i));
    QCOMPARE(after.right(100), before.right(100));
    QVERIFY(!QFile::exists(ac::journalPath(archivePath(dir.path()))));
    QVERIFY(!QFile::exists(ac::journalPath(archivePath(dir.path())) + ".new"));
}

// Deleting rows stops at the first one that is gone: the rows before it are
// deleted, those after it stay.
void TstArchiveChange::eraseStopsAtMissing()
{
    QTemporaryDir dir;
    const QByteArray before = archiveBytes(10);
    QVERIFY(writeFileBytes(archivePath(dir.path()), before));
    std::vector<ac::RecordRef> rows;
    for (int i : {1, 2, 3, 4})
        rows.push_back({i, recordIn(before, i == 3 ? 2 : i).inizio});
    const ac::Result r = ac::erase(archivePath(dir.path()), ac::Targets::rows(rows, true));
    QCOMPARE(r.status, ac::Status::Done);
    QCOMPARE(r.changed, 2);
    QCOMPARE(r.missing, 1);
    const QByteArray after = readFileBytes(archivePath(dir.path()));
    QCOMPARE(after.size(), before.size());
    for (int i = 0; i < 10; ++i)
        QCOMPARE(recordAt(after, i),
                 i == 1 || i == 2 ? QByteArray(ConnRecord::Size, '\0') : recordAt(before, i));
}

// A period: every stored connection that started on one of its days, by the
// start's whole day, both ends included.
void TstArchiveChange::repriceByDays()
{
    QTemporaryDir dir;
    const QByteArray before = archiveBytes(40);
    QVERIFY(writeFileBytes(archivePath(dir.path()), before));
    const ac::Result r =
        ac::reprice(archivePath(dir.path()),
                    ac::Targets::days(dt::encodeDate(2001, 3, 2), dt::encode(2001, 3, 4, 6, 0, 0)),
                    NewName, flatPrice());
    QCOMPARE(r.status, ac::Status::Done);
    const QByteArray after = readFileBytes(archivePath(dir.path()));
    QList<int> changed;
    for (int i = 0; i < 40; ++i)
        if (recordAt(after, i) != recordAt(before, i)) {
            QCOMPARE(recordAt(after, i), repriced(before, i));
            changed << i;
        }
    // Days 2..4 are positions 1, 2 (3 deleted), 29, 30, 31 (days wrap at 28).
    QCOMPARE(changed, (QList<int>{1, 2, 29, 30, 31}));
    QCOMPARE(r.changed, 5);
    QCOMPARE(after.right(100), before.right(100));
}

void TstArchiveChange::stop_data()
{
    QTest::addColumn<int>("phase");
    QTest::newRow("while reading") << int(ac::Phase::Reading);
    QTest::newRow("while writing") << int(ac::Phase::Writing);
}

// Stopping, whenever it happens, leaves the archive as it was.
void TstArchiveChange::stop()
{
    QFETCH(int, phase);
    QTemporaryDir dir;
    const QByteArray before = archiveBytes(9000);
    QVERIFY(writeFileBytes(archivePath(dir.path()), before));
    ac::Options options;
    int calls = 0;
    bool inBounds = true;
    options.progress = [&](const ac::Progress& p) {
        ++calls;
        inBounds = inBounds && p.done <= p.total;
        return int(p.phase) != phase;
    };
    const ac::Result r = ac::erase(archivePath(dir.path()), ac::Targets::days(0, 1e6), options);
    QCOMPARE(r.status, ac::Status::Stopped);
    QVERIFY(calls > 0);
    QVERIFY(inBounds);
    QCOMPARE(readFileBytes(archivePath(dir.path())), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Archivio.sto"});
}

// Another process holding the archive: the change fails as busy, changing
// nothing, and works once the archive is free.
void TstArchiveChange::busyArchive()
{
    QTemporaryDir dir;
    const QByteArray before = archiveBytes(5);
    QVERIFY(writeFileBytes(archivePath(dir.path()), before));
    ac::Options options;
    options.lockWaitMs = 50;
    {
        const TFileLock other(archivePath(dir.path()), TFileLock::Open::Existing, 0);
        QVERIFY(other.held());
        const ac::Result r = ac::reprice(archivePath(dir.path()), ac::Targets::days(0, 1e6),
                                         NewName, flatPrice(), options);
        QCOMPARE(r.status, ac::Status::Failed);
        QVERIFY(r.busy);
        QVERIFY(r.error.contains(QStringLiteral("in uso da un altro processo")));
        QCOMPARE(readFileBytes(archivePath(dir.path())), before);
    }
    const ac::Result r = ac::reprice(archivePath(dir.path()), ac::Targets::days(0, 1e6), NewName,
                                     flatPrice(), options);
    QCOMPARE(r.status, ac::Status::Done);
    QCOMPARE(r.changed, 4);
}

// A journal that does not hold together is never applied: it is set aside
// and the archive is read as it is.
void TstArchiveChange::damagedJournalIsSetAside()
{
    QTemporaryDir dir;
    const QByteArray before = archiveBytes(5);
    QVERIFY(writeFileBytes(archivePath(dir.path()), before));
    const QString journal = ac::journalPath(archivePath(dir.path()));
    QVERIFY(writeFileBytes(journal, QByteArray("TRVJRNL1") + QByteArray(200, '\x01')));
    TArchiveFile a(dir.path());
    QVERIFY(a.open());
    QCOMPARE(readFileBytes(archivePath(dir.path())), before);
    QVERIFY(!QFile::exists(journal));
    QVERIFY(QFile::exists(journal + QStringLiteral(".damaged")));
}

void TstArchiveChange::killed_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<bool>("made");
    QTest::newRow("journal being written") << "read-part" << false;
    QTest::newRow("journal written, archive untouched") << "journal" << false;
    QTest::newRow("first block rewritten") << "written-part" << false;
    QTest::newRow("every block rewritten, not synced") << "written" << false;
    QTest::newRow("synced, journal still there") << "synced" << false;
    QTest::newRow("journal removed") << "done" << true;
}

// A re-pricing killed at each step of its commit: the next opening finds
// every connection of the period re-priced, or none.
void TstArchiveChange::killed()
{
    QFETCH(QString, step);
    QFETCH(bool, made);
    QTemporaryDir dir;
    const int n = 9000; // more than one block of records
    const QByteArray before = archiveBytes(n);
    QVERIFY(writeFileBytes(archivePath(dir.path()), before));

    Helper h;
    QVERIFY(h.start({}, dir.path(), step));
    QVERIFY2(h.waitAtStep(), h.out.constData());
    h.kill();

    TArchiveFile a(dir.path());
    QVERIFY(a.open(TArchiveFile::Access::ReadOnly)); // a reader undoes it too
    const QByteArray after = readFileBytes(archivePath(dir.path()));
    QCOMPARE(after.size(), before.size());
    const Tally t = tally(before, after, n);
    QCOMPARE(t.other, 0);
    // Two of the records are deleted and torn: never re-priced.
    QCOMPARE(t.changed, made ? n - 2 : 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Archivio.sto"});
}

void TstArchiveChange::killedWhileSessionSaves_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<bool>("made");
    QTest::newRow("journal written") << "journal" << false;
    QTest::newRow("half rewritten") << "written-part" << false;
    QTest::newRow("synced") << "synced" << false;
    QTest::newRow("journal removed") << "done" << true;
}

// A running session saves its record while another process re-prices the
// period its record lies in: the save waits without a message while the
// archive is held, and after the re-pricing is killed the session's next
// save lands; the period is re-priced wholly or not at all, and the
// session's record is the one it saved last.
void TstArchiveChange::killedWhileSessionSaves()
{
    QFETCH(QString, step);
    QFETCH(bool, made);
    QTemporaryDir dir;
    const int n = 9000;
    QVERIFY(writeFileBytes(archivePath(dir.path()), archiveBytes(n).left(n * ConnRecord::Size)));
    RunningSession s(dir.path());
    QCOMPARE(s.save(), session::SaveResult::Saved);
    QCOMPARE(s.recs.sessionIndex, n);
    const QByteArray before = readFileBytes(archivePath(dir.path()));

    Helper h;
    QVERIFY(h.start({}, dir.path(), step));
    QVERIFY2(h.waitAtStep(), h.out.constData());
    if (step != QLatin1String("done")) {
        const QByteArray held = readFileBytes(archivePath(dir.path()));
        QCOMPARE(s.save(), session::SaveResult::Failed);
        QVERIFY(s.prompt.requests().isEmpty()); // only late, not shown
        QCOMPARE(readFileBytes(archivePath(dir.path())), held);
    }
    h.kill();

    QCOMPARE(s.save(), session::SaveResult::Saved);
    QVERIFY(s.prompt.requests().isEmpty());
    const QByteArray after = readFileBytes(archivePath(dir.path()));
    QCOMPARE(after.size(), before.size());
    QCOMPARE(recordAt(after, n), s.savedBytes());
    const Tally t = tally(before, after, n);
    QCOMPARE(t.other, 0);
    QCOMPARE(t.changed, made ? n - 2 : 0);
}

// Every data sync fails with EIO (fiu-run): the re-pricing fails and cannot even sync its
// undoing; the journal stays, and the next opening undoes the change.
void TstArchiveChange::failingSync()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("fiu-run's preloaded library does not work with AddressSanitizer");
#endif
    const QString fiuRun = QStandardPaths::findExecutable(QStringLiteral("fiu-run"));
    if (fiuRun.isEmpty())
        QSKIP("fiu-run (Debian package fiu-utils) is not installed");
    QTemporaryDir dir;
    const int n = 300;
    const QByteArray before = archiveBytes(n);
    QVERIFY(writeFileBytes(archivePath(dir.path()), before));

    Helper h;
    QVERIFY(h.start({fiuRun, QStringLiteral("-x"), QStringLiteral("-c"),
                     QStringLiteral("enable name=posix/io/sync/fdatasync,failinfo=5")},
                    dir.path(), QStringLiteral("never")));
    QVERIFY(h.finish());
    if (!h.out.startsWith("helper started"))
        QSKIP("fiu-run could not start the helper");
    QCOMPARE(h.process.exitCode(), 1);
    QVERIFY2(h.out.contains("status=2"), h.out.constData());

    TArchiveFile a(dir.path());
    QVERIFY(a.open());
    QCOMPARE(readFileBytes(archivePath(dir.path())), before);
    QVERIFY(!QFile::exists(ac::journalPath(archivePath(dir.path()))));
}

// No room for the journal: the change fails before touching the archive
// and leaves no file behind.
void TstArchiveChange::fullDisk()
{
    if (!rootCanMount())
        QSKIP("mounting a small tmpfs needs root");
    QTemporaryDir dir;
    const QString mountPoint = dir.filePath(QStringLiteral("small"));
    QVERIFY(QDir().mkpath(mountPoint));
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("a private tmpfs cannot be mounted here (needs root and mount rights)");

    const QByteArray before = archiveBytes(150); // 45 KiB of the 64
    QVERIFY(writeFileBytes(archivePath(mountPoint), before));
    QFile filler(mountPoint + QStringLiteral("/filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    while (filler.write(QByteArray(1024, 'f')) == 1024) {
    }
    filler.close();

    for (bool erase : {false, true}) {
        const ac::Result r = erase ? ac::erase(archivePath(mountPoint), ac::Targets::days(0, 1e6))
                                   : ac::reprice(archivePath(mountPoint), ac::Targets::days(0, 1e6),
                                                 NewName, flatPrice());
        QCOMPARE(r.status, ac::Status::Failed);
        QVERIFY2(r.error.contains(QStringLiteral("spazio esaurito sul dispositivo")),
                 qPrintable(r.error));
        QCOMPARE(readFileBytes(archivePath(mountPoint)), before);
        QCOMPARE(QDir(mountPoint).entryList(QDir::Files), (QStringList{"Archivio.sto", "filler"}));
    }
    ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH);
}

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--change-helper") == 0)
        return changeHelper(argv[2], argv[3]);
    QCoreApplication app(argc, argv);
    TstArchiveChange test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_archivechange.moc"
