// tarvelo-cli ras and provider, run in-process and as a separate process.
#include "common/Clock.h"
#include "common/ScriptedPrompt.h"
#include "dialup/DialUp.h"
#include "dialup/ProviderRecord.h"
#include "platform/ras/RasSimService.h"
#include "tools/Cli.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestCliDialUp : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_out, m_err;
    const TSystemClock m_systemClock;

    QString folder() const { return m_tmp->path() + QLatin1Char('/'); }

    int run(const QStringList& args)
    {
        m_out.clear();
        m_err.clear();
        QTextStream out(&m_out), err(&m_err);
        const int rc = runCli(QStringList{QStringLiteral("--folder"), m_tmp->path()} + args,
                              QString(), out, err);
        out.flush();
        err.flush();
        return rc;
    }

    RasProbeResult probe()
    {
        // The tool it shares the folder with runs on the system clock.
        TRasSimService service(folder(), m_systemClock);
        RasState state;
        TManualClock clock;
        return TDialUp(service, state, clock).probe();
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        // A folder of the simulated service, whatever dial-up service this
        // machine has.
        QVERIFY(QDir().mkpath(folder() + QStringLiteral("ras-sim")));
    }

    void entriesAndAdd()
    {
        QCOMPARE(run({"ras", "entries"}), 0);
        QVERIFY(m_out.isEmpty());
        QCOMPARE(run({"ras", "add", "Casa", "--phone", "0701234"}), 0);
        QCOMPARE(run({"ras", "add", "Lavoro"}), 0);
        QCOMPARE(run({"ras", "add", "casa", "--phone", "999"}), 0);
        QCOMPARE(run({"ras", "entries"}), 0);
        QCOMPARE(m_out, QStringLiteral("Casa\t999\nLavoro\t\n"));
        QCOMPARE(run({"ras", "add", "a]b"}), 1);
        QVERIFY(m_err.contains(QStringLiteral("non valido")));
        QCOMPARE(run({"ras", "add"}), 2);
    }

    // What the watch sees for each thing the command stages.
    void stagedConnectionsReachTheProbe()
    {
        QCOMPARE(run({"ras", "add", "Casa"}), 0);
        QCOMPARE(probe().outcome, RasProbe::NoConnection);

        QCOMPARE(run({"ras", "connecting", "casa"}), 0);
        RasProbeResult r = probe();
        QCOMPARE(r.outcome, RasProbe::Connecting);
        QCOMPARE(r.entryName, QStringLiteral("Casa"));
        QCOMPARE(run({"ras", "drop", "Casa"}), 0);
        QCOMPARE(m_out, QStringLiteral("connessioni chiuse: 1\n"));

        QCOMPARE(run({"ras", "connecting", "Casa", "--busy"}), 0);
        QCOMPARE(probe().outcome, RasProbe::Busy);
        QCOMPARE(run({"ras", "status"}), 0);
        QVERIFY(m_out.contains(QStringLiteral("Casa\t2 Connessione Periferica...\t676 La linea "
                                              "telefonica è occupata.")));
        QCOMPARE(run({"ras", "drop"}), 0);

        QCOMPARE(run({"ras", "connect", "Casa"}), 0);
        QCOMPARE(probe().outcome, RasProbe::Connected);
        QCOMPARE(run({"ras", "connect", "Casa"}), 0);
        QCOMPARE(probe().outcome, RasProbe::NoConnection); // two at once
        QCOMPARE(run({"ras", "drop"}), 0);
        QCOMPARE(m_out, QStringLiteral("connessioni chiuse: 2\n"));
        QCOMPARE(run({"ras", "status"}), 0);
        QCOMPARE(m_out, QStringLiteral("nessuna connessione attiva\n"));

        QCOMPARE(run({"ras", "connect", "Ignota"}), 1);
        QCOMPARE(run({"ras", "connect", "Casa", "--busy"}), 2);
    }

    // A connection made by another process is visible here, and ours there.
    void sharedBetweenProcesses()
    {
        const QString cli = QStringLiteral(TARVELO_CLI_PATH);
        const auto runProcess = [&](const QStringList& args) {
            QProcess p;
            p.start(cli, QStringList{QStringLiteral("--folder"), m_tmp->path()} + args);
            if (!p.waitForFinished(20000))
                return -1;
            m_out = QString::fromUtf8(p.readAllStandardOutput());
            return p.exitCode();
        };
        QCOMPARE(runProcess({"ras", "add", "Casa", "--phone", "0701234"}), 0);
        QCOMPARE(runProcess({"ras", "connect", "Casa"}), 0);
        QCOMPARE(probe().outcome, RasProbe::Connected);

        TRasSimService service(folder(), m_systemClock);
        RasState state;
        TManualClock clock;
        TDialUp dialup(service, state, clock, [&](int ms) { clock.advanceMs(ms); });
        QCOMPARE(dialup.hangUpWithWait(), RasHangUp::Gone);
        QCOMPARE(runProcess({"ras", "status"}), 0);
        QCOMPARE(m_out, QStringLiteral("nessuna connessione attiva\n"));
    }

    void providerSetAndShow()
    {
        QCOMPARE(run({"provider", "show", "Casa"}), 1);
        QCOMPARE(run({"provider", "set", "Casa", "--user", "mario", "--password", "segreto",
                      "--phone", "0701234"}),
                 0);
        QCOMPARE(run({"provider", "set", "Casa", "--profile", "Urbana", "--home", "http://h/",
                      "--userpage", "http://u/"}),
                 0);
        QCOMPARE(run({"provider", "show", "Casa"}), 0);
        QCOMPARE(m_out, QStringLiteral("Voce: Casa\nUtente: mario\nPassword: segreto\n"
                                       "Telefono: 0701234\nTariffa: Urbana\n"
                                       "Home page: http://h/\nPagina utente: http://u/\n"));

        // The program reads what the command wrote.
        TScriptedPrompt prompt;
        TProviderRecord r;
        QCOMPARE(r.load(folder(), QStringLiteral("Casa"), prompt),
                 TProviderRecord::LoadResult::Loaded);
        QCOMPARE(r.password, QStringLiteral("segreto"));

        QCOMPARE(run({"provider", "set", "Casa", "--phone", QString(26, QLatin1Char('1'))}), 2);
        QCOMPARE(run({"provider", "set", "Casa", "--colore", "rosso"}), 2);
        // The record holds single-byte text: a password it would store as
        // "?" in place of letters is refused, not saved altered.
        QCOMPARE(run({"provider", "set", "Casa", "--password", QStringLiteral("łódź")}), 2);
        QCOMPARE(r.load(folder(), QStringLiteral("Casa"), prompt),
                 TProviderRecord::LoadResult::Loaded);
        QCOMPARE(r.password, QStringLiteral("segreto"));
        // A name that is not a file name as it stands stays in the folder.
        QCOMPARE(run({"provider", "set", "../Casa", "--user", "x"}), 0);
        QVERIFY(!QFileInfo::exists(m_tmp->path() + QStringLiteral("/../Casa.ras")));
        QVERIFY(QFileInfo::exists(m_tmp->path() + QStringLiteral("/..%2FCasa.ras")));
    }

    // Every refusal and failure of "provider" says why, in Italian.
    void providerFailuresSayWhy_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("setup"); // "folder": a folder where the record goes;
                                            // "link": a link to a record elsewhere
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("record not readable")
            << "Casa"
            << "folder" << 1
            << "impossibile leggere il record: %1Casa.ras: lettura: è una cartella\n";
        QTest::newRow("record behind a link, as root")
            << "Casa"
            << "link" << 1
            << "impossibile scrivere il record: %1Casa.ras: il file è un collegamento simbolico: "
               "il programma avviato come root non scrive attraverso i collegamenti\n";
    }
    void providerFailuresSayWhy()
    {
        QFETCH(QString, entry);
        QFETCH(QString, setup);
        QFETCH(int, status);
        QFETCH(QString, message);
        QTemporaryDir elsewhere;
        if (setup == QLatin1String("folder"))
            QVERIFY(QDir(folder()).mkdir(QStringLiteral("Casa.ras")));
        if (setup == QLatin1String("link")) {
            if (::geteuid() != 0)
                QSKIP("the rule for links of root");
            TProviderRecord r;
            r.entryName = QStringLiteral("Casa");
            TScriptedPrompt prompt;
            QCOMPARE(r.save(elsewhere.path() + QLatin1Char('/'), prompt),
                     TProviderRecord::SaveResult::Saved);
            QVERIFY(QFile::link(elsewhere.filePath(QStringLiteral("Casa.ras")),
                                folder() + QStringLiteral("Casa.ras")));
        }
        QCOMPARE(run({"provider", "set", entry, "--user", "x"}), status);
        QCOMPARE(m_err, message.contains(QLatin1String("%1")) ? message.arg(folder()) : message);
        if (setup == QLatin1String("link")) {
            TScriptedPrompt prompt;
            TProviderRecord r;
            r.load(elsewhere.path() + QLatin1Char('/'), QStringLiteral("Casa"), prompt);
            QCOMPARE(r.userName, QString());
        }
    }
};

QTEST_GUILESS_MAIN(TestCliDialUp)
#include "tst_clidialup.moc"
