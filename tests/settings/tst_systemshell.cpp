// Single-instance lock, start-up shortcut and opening documents.
#include "platform/system/Registry.h"
#include "platform/system/Shell.h"
#include "platform/system/SingleInstance.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace
{

class RecordingOpener : public IDesktopOpener
{
public:
    QList<QUrl> opened;
    bool answer = true;
    bool openUrl(const QUrl& url) override
    {
        opened.append(url);
        return answer;
    }
};

QByteArray readAll(const QString& path)
{
    return testsupport::readFileBytes(path);
}

} // namespace

class TstSystemShell : public QObject
{
    Q_OBJECT
private slots:
    void secondInstanceRefused()
    {
        QTemporaryDir dir;
        TSingleInstance first(QStringLiteral("Tarvelo! Pindral"), dir.path());
        TSingleInstance second(QStringLiteral("Tarvelo! Pindral"), dir.path());
        QVERIFY(first.tryAcquire());
        QVERIFY(first.tryAcquire()); // asking again keeps it
        QCOMPARE(second.acquire(), TSingleInstance::Result::HeldElsewhere);
        QVERIFY(second.errorString().isEmpty());
        first.release();
        QVERIFY(second.tryAcquire());
        {
            TSingleInstance third(QStringLiteral("Tarvelo! Pindral"), dir.path());
            QVERIFY(!third.tryAcquire());
        }
        QVERIFY(second.isHeld()); // a refused object going away leaves the holder alone
        TSingleInstance other(QStringLiteral("Another name"), dir.path());
        QVERIFY(other.tryAcquire());
    }

    void lockDroppedWhenTheHolderDies()
    {
        const QString flock = QStandardPaths::findExecutable(QStringLiteral("flock"));
        if (flock.isEmpty())
            QSKIP("the flock command is not installed");
        QTemporaryDir dir;
        TSingleInstance probe(QStringLiteral("Tarvelo! Pindral"), dir.path());
        QVERIFY(probe.tryAcquire()); // creates the file
        const QString path = probe.lockFilePath();
        probe.release();

        // The shell takes the lock on its descriptor 9 and becomes "sleep",
        // so the one process we kill is the one that holds it.
        QProcess holder;
        holder.start(QStringLiteral("sh"),
                     {QStringLiteral("-c"),
                      QStringLiteral("exec 9>\"$0\" && flock -x 9 && exec sleep 60"), path});
        QVERIFY(holder.waitForStarted());
        // Probing must not keep the lock, or the child could never take it.
        const auto probeOnce = [&probe] {
            const auto r = probe.acquire();
            probe.release();
            return r;
        };
        QTRY_COMPARE(probeOnce(), TSingleInstance::Result::HeldElsewhere);
        holder.kill();
        QVERIFY(holder.waitForFinished());
        QVERIFY(probe.tryAcquire());
    }

    void lockFileAndFolder()
    {
        QCOMPARE(TSingleInstance::lockFileName(QStringLiteral("Tarvelo! Pindral")),
                 QStringLiteral("Tarvelo_21_20Pindral.lock"));
        QCOMPARE(TSingleInstance::lockFileName(QStringLiteral("../a/b")),
                 QStringLiteral(".._2fa_2fb.lock"));
        // The tests run with a private XDG_RUNTIME_DIR.
        QCOMPARE(TSingleInstance::defaultLockFolder(), qEnvironmentVariable("XDG_RUNTIME_DIR"));
        TSingleInstance lock(QStringLiteral("Tarvelo! Pindral"));
        QVERIFY2(lock.tryAcquire(), qPrintable(lock.errorString()));
        QCOMPARE(QFileInfo(lock.lockFilePath()).absolutePath(),
                 QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).absolutePath());

        QTemporaryDir dir;
        TSingleInstance broken(QStringLiteral("x"), dir.filePath(QStringLiteral("missing")));
        QCOMPARE(broken.acquire(), TSingleInstance::Result::Failed);
        QVERIFY(!broken.errorString().isEmpty());
    }

    void startupShortcut()
    {
        QTemporaryDir dir;
        const QByteArray old = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(QStringLiteral("config"))));
        TMemRegistry reg;
        TShell shell(reg, nullptr, QStringLiteral("/opt/My \"Tarvelo\"/100% $x\\tarvelo"),
                     QStringLiteral("/opt/My \"Tarvelo\"/"));
        const QString autostart = dir.filePath(QStringLiteral("config/autostart"));
        QCOMPARE(shell.startupFolder(), autostart);
        QCOMPARE(shell.startupShortcutPath(), autostart + "/Pindral Tarvelo!.desktop");

        QString error;
        QVERIFY2(shell.setStartupShortcut(true, &error), qPrintable(error));
        QCOMPARE(readAll(shell.startupShortcutPath()),
                 QByteArray("[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=Tarvelo!\n"
                            "TryExec=/opt/My \"Tarvelo\"/100% $x\\\\tarvelo\n"
                            "Exec=\"/opt/My \\\\\"Tarvelo\\\\\"/100%% \\\\$x\\\\\\\\tarvelo\"\n"
                            "Path=/opt/My \"Tarvelo\"\n"
                            "Terminal=false\n"));
        // The desktop's own validator (scripts/install-deps.sh installs it)
        // agrees with the escaping.
        const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
        if (!validator.isEmpty()) {
            QProcess check;
            check.setProcessChannelMode(QProcess::MergedChannels);
            check.start(validator, {shell.startupShortcutPath()});
            QVERIFY(check.waitForFinished());
            QCOMPARE(check.readAll(), QByteArray());
            QCOMPARE(check.exitCode(), 0);
        }
        QVERIFY(shell.setStartupShortcut(true)); // again: replaced, no error
        QVERIFY(shell.setStartupShortcut(false, &error));
        QVERIFY(!QFile::exists(shell.startupShortcutPath()));
        QVERIFY2(shell.setStartupShortcut(false, &error), qPrintable(error)); // absent: fine
        QVERIFY(error.isEmpty());
        qputenv("XDG_CONFIG_HOME", old);
    }

    // The "StartUp" value of the Shell Folders key wins when it names a folder
    // of this system.
    void startupFolderFromRegistry_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("used");
        QTest::newRow("absolute path") << "%1/avvio/" << true;
        QTest::newRow("Windows path") << "C:\\Users\\mario\\Start Menu\\Programs\\Startup" << false;
        QTest::newRow("relative path") << "avvio" << false;
    }
    void startupFolderFromRegistry()
    {
        QFETCH(QString, value);
        QFETCH(bool, used);
        QTemporaryDir dir;
        TMemRegistry reg;
        const QString folder = value.contains("%1") ? value.arg(dir.path()) : value;
        reg.writeValue(TShell::ShellFoldersKey, QStringLiteral("Startup"),
                       RegValue::ofString(folder));
        TShell shell(reg, nullptr, QStringLiteral("/usr/bin/tarvelo"), QStringLiteral("/usr/bin"));
        if (!used) {
            QVERIFY(shell.startupFolder().endsWith(QLatin1String("/autostart")));
            return;
        }
        QCOMPARE(shell.startupFolder(), dir.filePath(QStringLiteral("avvio")));
        QVERIFY(shell.setStartupShortcut(true));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("avvio/Pindral Tarvelo!.desktop"))));
    }

    void openDocument_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("url"); // empty: refused without asking the desktop
        QTest::newRow("help page, relative") << "hlp/index.htm"
                                             << "file://%1/hlp/index.htm";
        QTest::newRow("absolute file") << "%1/hlp/index.htm"
                                       << "file://%1/hlp/index.htm";
        QTest::newRow("folder") << "%1/hlp"
                                << "file://%1/hlp";
        QTest::newRow("missing page") << "hlp/none.htm"
                                      << "";
        QTest::newRow("web page") << "http://www.example.com/agg?v=3.1"
                                  << "http://www.example.com/agg?v=3.1";
        QTest::newRow("mail") << "mailto:info@example.com"
                              << "mailto:info@example.com";
        QTest::newRow("web without host") << "http:/agg"
                                          << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void openDocument()
    {
        QFETCH(QString, target);
        QFETCH(QString, url);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("hlp")));
        QFile page(dir.filePath(QStringLiteral("hlp/index.htm")));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.close();
        TMemRegistry reg;
        RecordingOpener opener;
        TShell shell(reg, &opener, dir.filePath(QStringLiteral("tarvelo")), dir.path());
        const bool ok = shell.openDocument(target.contains("%1") ? target.arg(dir.path()) : target);
        QCOMPARE(ok, !url.isEmpty());
        if (url.isEmpty()) {
            QVERIFY(opener.opened.isEmpty());
            return;
        }
        QCOMPARE(opener.opened, QList<QUrl>{QUrl(url.contains("%1") ? url.arg(dir.path()) : url)});
        opener.answer = false; // the desktop refuses: reported
        QVERIFY(!shell.openDocument(target.contains("%1") ? target.arg(dir.path()) : target));
    }
};

QTEST_GUILESS_MAIN(TstSystemShell)
#include "tst_systemshell.moc"
