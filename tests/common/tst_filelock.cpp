// Exclusive file locks: how long a lock waits for another holder, and which
// files it opens. Another holder is a second open of the same file, which
// flock() refuses exactly like another process.
#include "platform/file/FileLock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <thread>

Q_DECLARE_METATYPE(TFileLock::Open)

class TestFileLock : public QObject
{
    Q_OBJECT

private slots:
    void waitsForTheOtherHolder_data();
    void waitsForTheOtherHolder();
    void opening_data();
    void opening();
    void unlocksWhenGone();
};

void TestFileLock::waitsForTheOtherHolder_data()
{
    QTest::addColumn<int>("waitMs");
    QTest::addColumn<int>("releasedAfterMs"); // -1: kept for the whole test
    QTest::addColumn<bool>("held");

    QTest::newRow("once, kept") << 0 << -1 << false;
    QTest::newRow("until a deadline that passes") << 100 << -1 << false;
    QTest::newRow("until released before the deadline") << 5000 << 50 << true;
    QTest::newRow("for ever, until released") << int(posixio::LockForever) << 50 << true;
}

void TestFileLock::waitsForTheOtherHolder()
{
    QFETCH(int, waitMs);
    QFETCH(int, releasedAfterMs);
    QFETCH(bool, held);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lock"));
    auto other = std::make_unique<TFileLock>(path, TFileLock::Open::Create, 0);
    QVERIFY(other->held());
    std::thread releaser;
    if (releasedAfterMs >= 0)
        releaser = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(releasedAfterMs));
            other.reset();
        });

    QElapsedTimer waited;
    waited.start();
    const TFileLock lock(path, TFileLock::Open::Existing, waitMs);
    const qint64 elapsed = waited.elapsed();
    if (releaser.joinable())
        releaser.join();

    QCOMPARE(lock.held(), held);
    QCOMPARE(lock.heldElsewhere(), !held);
    QCOMPARE(lock.error(), held ? 0 : EWOULDBLOCK);
    // A lock given up waited out its deadline, not less.
    if (!held)
        QVERIFY2(elapsed >= waitMs, qPrintable(QString::number(elapsed)));
}

void TestFileLock::opening_data()
{
    QTest::addColumn<TFileLock::Open>("open");
    QTest::addColumn<QString>("standing"); // what stands at the path: "", "file", "link"
    QTest::addColumn<bool>("held");
    QTest::addColumn<int>("error");

    QTest::newRow("existing file") << TFileLock::Open::Existing << "file" << true << 0;
    QTest::newRow("existing, missing") << TFileLock::Open::Existing << "" << false << ENOENT;
    QTest::newRow("create, missing") << TFileLock::Open::Create << "" << true << 0;
    QTest::newRow("create, present") << TFileLock::Open::Create << "file" << true << 0;
    // A lock file is never made or opened through a link someone planted.
    QTest::newRow("create, link") << TFileLock::Open::Create << "link" << false << ELOOP;
}

void TestFileLock::opening()
{
    QFETCH(TFileLock::Open, open);
    QFETCH(QString, standing);
    QFETCH(bool, held);
    QFETCH(int, error);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lock"));
    const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
    if (standing == QLatin1String("file")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    } else if (standing == QLatin1String("link")) {
        QVERIFY(QFile::link(elsewhere, path));
    }

    const TFileLock lock(path, open, 0, 0600);
    QCOMPARE(lock.held(), held);
    QCOMPARE(lock.opened(), held);
    QCOMPARE(lock.error(), error);
    QVERIFY(!QFile::exists(elsewhere));
    struct stat st {
    };
    if (held && standing.isEmpty())
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0,
                 mode_t(0600));
}

void TestFileLock::unlocksWhenGone()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lock"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    {
        // A descriptor the caller keeps: unlocked, but not closed, at the end.
        const TFileLock borrowed(file.handle(), 0);
        QVERIFY(borrowed.held());
        QVERIFY(!TFileLock(path, TFileLock::Open::Existing, 0).held());
    }
    QVERIFY(::fcntl(file.handle(), F_GETFD) != -1);
    QVERIFY(TFileLock(path, TFileLock::Open::Existing, 0).held());
}

QTEST_GUILESS_MAIN(TestFileLock)
#include "tst_filelock.moc"
