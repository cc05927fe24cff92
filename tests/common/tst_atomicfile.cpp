// Whole-file replace: the target holds the old or the new content, never
// anything else, and a failure leaves no temporary file behind.
//
// The fault cases need help from the system: a full disk is a 64 KiB tmpfs
// mounted in a private mount namespace (root, unshare), and failing system
// calls come from libfiu's fiu-run. For both the test runs itself again as a
// helper (first argument --full-disk or --replace) that prints what happened.
#include "platform/file/AtomicFile.h"
#include "tests/support/Sanitizers.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

const QByteArray OldContent = "old content\n";
const QString TargetName = QStringLiteral("HKCU.reg");

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList entries(const QString& dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

mode_t modeOf(const QString& path)
{
    struct stat st {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Lines "key=value" printed by a helper run.
QMap<QString, QString> report(const QByteArray& out)
{
    QMap<QString, QString> r;
    for (const QByteArray& line : out.split('\n')) {
        const int eq = line.indexOf('=');
        if (eq > 0)
            r.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return r;
}

void printResult(const AtomicWriteResult& r, const QString& target, const QByteArray& newContent,
                 const QString& dir, const QString& ignore = QString())
{
    const QByteArray now = readAll(target);
    const char* content = now == OldContent ? "old" : now == newContent ? "new" : "other";
    QStringList names = entries(dir);
    names.removeAll(ignore);
    std::printf("ok=%d\nerror=%s\ncontent=%s\nentries=%s\n", int(r.ok), qPrintable(r.error),
                content, qPrintable(names.join(QLatin1Char(','))));
}

// --full-disk DIR FREE_KB: in a private mount namespace, mount a 64 KiB tmpfs
// on DIR, save the old content, fill the disk leaving FREE_KB, then try to
// replace the file with 32 KiB.
int fullDiskHelper(const char* dirArg, int freeKb)
{
    std::printf("helper started\n");
    std::fflush(stdout);
    const QString dir = QFile::decodeName(dirArg);
    if (::mount("tmpfs", dirArg, "tmpfs", 0, "size=64k") != 0) {
        std::printf("refused=mount of a tmpfs: %s\n", std::strerror(errno));
        return 77;
    }
    const QString target = dir + QLatin1Char('/') + TargetName;
    if (!writeFileAtomically(target, OldContent).ok)
        return 3;
    const QByteArray filler = QFile::encodeName(dir + QStringLiteral("/filler"));
    const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT, 0600);
    const QByteArray block(4096, 'f');
    off_t size = 0;
    for (ssize_t w; (w = ::write(fd, block.constData(), size_t(block.size()))) > 0;)
        size += w;
    if (::ftruncate(fd, std::max<off_t>(0, size - freeKb * 1024)) != 0)
        return 4;
    ::close(fd);

    const QByteArray newContent(32 * 1024, 'n');
    printResult(writeFileAtomically(target, newContent), target, newContent, dir,
                QStringLiteral("filler"));
    return 0;
}

// --replace FILE [follow|refuse]: one replace, run under fiu-run with a
// failing call, or as another user, with the given rule for links.
int replaceHelper(const char* fileArg, const char* links)
{
    std::printf("helper started\n");
    const QString target = QFile::decodeName(fileArg);
    const QByteArray newContent = "new content\n";
    const LinkPolicy policy =
        qstrcmp(links, "refuse") == 0 ? LinkPolicy::Refuse : LinkPolicy::FollowOwn;
    printResult(writeFileAtomically(target, newContent, false, policy), target, newContent,
                QFileInfo(target).absolutePath());
    return 0;
}

struct HelperRun {
    bool started = false;
    int exitCode = -1;
    QMap<QString, QString> report;
    QString stderrText;
};

HelperRun runHelper(const QString& program, const QStringList& args)
{
    HelperRun h;
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted() || !p.waitForFinished(60000))
        return h;
    const QByteArray out = p.readAllStandardOutput();
    h.started = out.startsWith("helper started");
    h.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    h.report = report(out);
    h.stderrText = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    return h;
}

} // namespace

class TstAtomicFile : public QObject
{
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString path(const QString& name) const { return m_tmp.filePath(name); }

private slots:
    void initTestCase()
    {
        ::umask(022);
        QVERIFY(m_tmp.isValid());
    }
    void cleanup()
    {
        for (const QString& name : entries(m_tmp.path())) {
            if (QFileInfo(path(name)).isDir())
                QDir(path(name)).removeRecursively();
            else
                QFile::remove(path(name));
        }
    }

    void replaceLeavesOnlyTheTarget()
    {
        const QString target = path(TargetName);
        AtomicWriteResult r = writeFileAtomically(target, OldContent);
        QVERIFY2(r.ok, qPrintable(r.error));
        QVERIFY(r.error.isEmpty());
        QCOMPARE(readAll(target), OldContent);

        const QByteArray longer(100000, 'x');
        r = writeFileAtomically(target, longer);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(readAll(target), longer);

        r = writeFileAtomically(target, QByteArray());
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(readAll(target), QByteArray());
        QCOMPARE(entries(m_tmp.path()), QStringList{TargetName});
    }

    void permissions_data()
    {
        QTest::addColumn<int>("existingMode"); // 0: no file yet
        QTest::addColumn<bool>("ownerOnly");
        QTest::addColumn<int>("expectedMode");
        QTest::newRow("new file") << 0 << false << 0644;
        QTest::newRow("new secret") << 0 << true << 0600;
        QTest::newRow("private file stays private") << 0600 << false << 0600;
        QTest::newRow("shared file made secret") << 0644 << true << 0600;
        QTest::newRow("group bits kept") << 0664 << false << 0664;
    }
    void permissions()
    {
        QFETCH(int, existingMode);
        QFETCH(bool, ownerOnly);
        QFETCH(int, expectedMode);
        const QString target = path(TargetName);
        if (existingMode) {
            QVERIFY(writeFileAtomically(target, OldContent).ok);
            QCOMPARE(::chmod(QFile::encodeName(target).constData(), mode_t(existingMode)), 0);
        }
        const AtomicWriteResult r = writeFileAtomically(target, "secret", ownerOnly);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(int(modeOf(target)), expectedMode);
    }

    // A link at the target is followed only to the user's own file through
    // the user's own link, never by root, never for files that must not be
    // written through links. Run by root, the saves are made as "nobody" and
    // root is the other user.
    void symbolicLinks_data()
    {
        QTest::addColumn<bool>("ownLink");
        QTest::addColumn<QString>("file"); // "own", "other" or "none" (not made yet)
        QTest::addColumn<bool>("asRoot");
        QTest::addColumn<bool>("refuseLinks");
        QTest::addColumn<bool>("followed");
        QTest::newRow("own link to own file") << true << "own" << false << false << true;
        QTest::newRow("own link to a new file") << true << "none" << false << false << true;
        QTest::newRow("own link to another user's file")
            << true << "other" << false << false << false;
        QTest::newRow("another user's link to own file")
            << false << "own" << false << false << false;
        QTest::newRow("running as root") << true << "own" << true << false << false;
        QTest::newRow("file never written through links")
            << true << "own" << false << true << false;
    }
    void symbolicLinks()
    {
        QFETCH(bool, ownLink);
        QFETCH(QString, file);
        QFETCH(bool, asRoot);
        QFETCH(bool, refuseLinks);
        QFETCH(bool, followed);
        const bool root = ::geteuid() == 0;
        if (asRoot && !root)
            QSKIP("needs root");
        if (!root && (!ownLink || file == QLatin1String("other")))
            QSKIP("files of another user can only be made by root");
        // The user who saves, and the other one.
        const bool viaNobody = root && !asRoot;
        const uid_t me = viaNobody ? testsupport::NobodyUid : ::geteuid();
        const gid_t myGroup = viaNobody ? testsupport::NobodyGid : ::getegid();
        const uid_t other = 0;

        QTemporaryDir t;
        QCOMPARE(::chmod(QFile::encodeName(t.path()).constData(), 0755), 0);
        const QString dir = t.filePath(QStringLiteral("d"));
        const QString real = dir + QStringLiteral("/real/") + TargetName;
        QVERIFY(QDir().mkpath(dir + QStringLiteral("/real")));
        QVERIFY(testsupport::changeOwner(dir, me, myGroup));
        QVERIFY(testsupport::changeOwner(dir + QStringLiteral("/real"), me, myGroup));
        if (file != QLatin1String("none")) {
            QVERIFY(testsupport::writeFileBytes(real, OldContent));
            const bool own = file == QLatin1String("own");
            QVERIFY(testsupport::changeOwner(real, own ? me : other, own ? myGroup : 0));
        }
        const QString link = dir + QLatin1Char('/') + TargetName;
        QVERIFY(QFile::link(QStringLiteral("real/") + TargetName, link));
        QVERIFY(testsupport::changeOwner(link, ownLink ? me : other, ownLink ? myGroup : 0));

        QStringList command{QCoreApplication::applicationFilePath(), QStringLiteral("--replace"),
                            link,
                            refuseLinks ? QStringLiteral("refuse") : QStringLiteral("follow")};
        if (viaNobody)
            command = testsupport::commandAsNobody(command.takeFirst(), command);
        const HelperRun h = runHelper(command.takeFirst(), command);
        if (!h.started)
            QSKIP(qPrintable("the helper could not be run as another user: " + h.stderrText));
        QCOMPARE(h.exitCode, 0);
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(h.report.value("entries"), TargetName + QStringLiteral(",real"));
        if (followed) {
            QCOMPARE(h.report.value("ok"), QStringLiteral("1"));
            QCOMPARE(h.report.value("content"), QStringLiteral("new"));
        } else {
            QCOMPARE(h.report.value("ok"), QStringLiteral("0"));
            QVERIFY2(h.report.value("error").contains(QLatin1String("collegamento simbolico")),
                     qPrintable(h.report.value("error")));
            QCOMPARE(QFile::exists(real), file != QLatin1String("none"));
            if (QFile::exists(real))
                QCOMPARE(readAll(real), OldContent);
        }
        QCOMPARE(entries(dir + QStringLiteral("/real")),
                 QFile::exists(real) ? QStringList{TargetName} : QStringList{});
    }

    // A save killed between writing its temporary file and the rename leaves
    // that file behind; the next save of the same target removes it, but
    // never the file of a save still running, nor those of other targets.
    void leftoversOfKilledSaveRemoved()
    {
        const QString target = path(TargetName);
        QVERIFY(writeFileAtomically(target, OldContent).ok);
        const QString prefix = temporaryFilePrefix(target);
        QCOMPARE(prefix, QStringLiteral(".HKCU.reg.tv-"));
        const QString killed = path(prefix + QStringLiteral("k1ll3d"));
        const QString running = path(prefix + QStringLiteral("runnin"));
        const QString otherTarget = path(temporaryFilePrefix(path(QStringLiteral("Archivio.sto"))) +
                                         QStringLiteral("k1ll3d"));
        const QString lookalike = path(prefix + QStringLiteral("toolong"));
        for (const QString& f : {killed, running, otherTarget, lookalike})
            QVERIFY(testsupport::writeFileBytes(f, QByteArray(64 * 1024, 'x')));
        // A save in progress holds a lock on its temporary file.
        const int held = ::open(QFile::encodeName(running).constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(held >= 0);
        QCOMPARE(::flock(held, LOCK_EX), 0);

        const AtomicWriteResult r = writeFileAtomically(target, "new");
        ::close(held);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(readAll(target), QByteArray("new"));
        QStringList expected{TargetName, QFileInfo(running).fileName(),
                             QFileInfo(otherTarget).fileName(), QFileInfo(lookalike).fileName()};
        expected.sort();
        QCOMPARE(entries(m_tmp.path()), expected);

        // Once the running save is gone, its file is a leftover too.
        QVERIFY(writeFileAtomically(target, "newer").ok);
        QVERIFY(!QFile::exists(running));
    }

    void failureLeavesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("step");
        QTest::newRow("missing folder") << QStringLiteral("missing/") + TargetName << "creazione";
        QTest::newRow("folder in the way") << QStringLiteral("sub") << "rinomina";
        QTest::newRow("no name") << QString() << "creazione";
    }
    void failureLeavesNothing()
    {
        QFETCH(QString, name);
        QFETCH(QString, step);
        QVERIFY(QDir(m_tmp.path()).mkdir(QStringLiteral("sub")));
        QVERIFY(writeFileAtomically(path(QStringLiteral("sub/keep")), OldContent).ok);
        const QStringList before = entries(m_tmp.path());

        const AtomicWriteResult r =
            writeFileAtomically(name.isEmpty() ? QString() : path(name), "new");
        QVERIFY(!r.ok);
        QVERIFY2(r.error.startsWith(step + QLatin1String(": ")), qPrintable(r.error));
        QVERIFY(r.error.size() > step.size() + 2);
        QCOMPARE(entries(m_tmp.path()), before);
        QCOMPARE(entries(path(QStringLiteral("sub"))), QStringList{QStringLiteral("keep")});
    }

    void fullDiskKeepsOldContent_data()
    {
        QTest::addColumn<int>("freeKb");
        QTest::newRow("no space at all") << 0;
        QTest::newRow("room for part of the file") << 12;
    }
    void fullDiskKeepsOldContent()
    {
        QFETCH(int, freeKb);
        if (::geteuid() != 0)
            QSKIP("mounting a small tmpfs needs root");
        const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
        if (unshare.isEmpty())
            QSKIP("the unshare tool (util-linux) is not installed");
        QVERIFY(QDir(m_tmp.path()).mkdir(QStringLiteral("mnt")));

        const HelperRun h =
            runHelper(unshare, {QStringLiteral("--mount"), QStringLiteral("--propagation"),
                                QStringLiteral("private"), QCoreApplication::applicationFilePath(),
                                QStringLiteral("--full-disk"), path(QStringLiteral("mnt")),
                                QString::number(freeKb)});
        if (!h.started)
            QSKIP(qPrintable("the machine refuses a private mount namespace: " + h.stderrText));
        if (h.exitCode == 77)
            QSKIP(qPrintable("the machine refuses the " + h.report.value("refused")));
        QCOMPARE(h.exitCode, 0);
        QCOMPARE(h.report.value("ok"), QStringLiteral("0"));
        QCOMPARE(h.report.value("error"),
                 QStringLiteral("scrittura: spazio esaurito sul dispositivo"));
        QCOMPARE(h.report.value("content"), QStringLiteral("old"));
        QCOMPARE(h.report.value("entries"), TargetName);
    }

    void failingCallKeepsOldContent_data()
    {
        QTest::addColumn<QString>("failPoint");
        QTest::addColumn<QString>("step");
        QTest::newRow("file sync") << "posix/io/sync/fsync"
                                   << "sincronizzazione";
        QTest::newRow("write error") << "posix/io/rw/write"
                                     << "scrittura";
        QTest::newRow("rename") << "posix/io/dir/rename"
                                << "rinomina";
    }
    void failingCallKeepsOldContent()
    {
        QFETCH(QString, failPoint);
        QFETCH(QString, step);
#if TARVELO_TEST_ASAN
        QSKIP("fiu-run's preloaded library does not work with AddressSanitizer");
#endif
        const QString fiuRun = QStandardPaths::findExecutable(QStringLiteral("fiu-run"));
        if (fiuRun.isEmpty())
            QSKIP("fiu-run (Debian package fiu-utils) is not installed");
        const QString target = path(TargetName);
        QVERIFY(writeFileAtomically(target, OldContent).ok);

        const HelperRun h = runHelper(
            fiuRun, {QStringLiteral("-x"), QStringLiteral("-c"), "enable name=" + failPoint,
                     QCoreApplication::applicationFilePath(), QStringLiteral("--replace"), target});
        if (!h.started)
            QSKIP(qPrintable("fiu-run could not start the helper: " + h.stderrText));
        QCOMPARE(h.exitCode, 0);
        QCOMPARE(h.report.value("ok"), QStringLiteral("0"));
        QVERIFY2(h.report.value("error").startsWith(step + QLatin1String(": ")),
                 qPrintable(h.report.value("error")));
        QCOMPARE(h.report.value("content"), QStringLiteral("old"));
        QCOMPARE(h.report.value("entries"), TargetName);
        QCOMPARE(readAll(target), OldContent);
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--full-disk") == 0)
        return fullDiskHelper(argv[2], std::atoi(argv[3]));
    if ((argc == 3 || argc == 4) && qstrcmp(argv[1], "--replace") == 0)
        return replaceHelper(argv[2], argc == 4 ? argv[3] : "follow");
    QCoreApplication app(argc, argv);
    TstAtomicFile test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_atomicfile.moc"
