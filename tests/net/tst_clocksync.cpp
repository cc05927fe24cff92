// "Ora Esatta": the daytime answer parser, and the whole operation against a
// local daytime server with a manual clock, a fake clock setter and scripted
// answers.

#include "LocalServer.h"
#include "app/ClockSync.h"
#include "app/Settings.h"
#include "app/WatchState.h"
#include "archive/ConnRecords.h"
#include "common/Clock.h"
#include "common/ScriptedPrompt.h"
#include "net/DaytimeClient.h"
#include "platform/clock/FakeClockSetter.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

namespace
{

const QByteArray ServerAnswer = "Wed Dec  8 21:58:33 2026\r\n";
// The computer's clock is five minutes ahead of the server.
const TDateTime SystemNow = dt::encode(2026, 12, 8, 22, 3, 33);
const TDateTime ServerNow = dt::encode(2026, 12, 8, 21, 58, 33);
const QString Question = QStringLiteral(
    "L'Orario di sistema è errato:\r\rIl rilevamento dell'ora esatta è stato effettuato alle ore "
    "21:58:33\rdel 08/12/2026\r\rSistemo l'orologio ?");

bool near(TDateTime a, TDateTime b)
{
    return qAbs(a - b) < dt::OneMillisecond;
}

// One program's worth of records and services, with a session running for
// ten minutes on a confirmed connection.
struct Fixture {
    TManualClock clock{SystemNow};
    TFakeClockSetter setter{&clock};
    TScriptedPrompt prompt;
    WatchState watch;
    ConnRecords records;
    Settings settings;
    int startMoves = 0; // times the session was told its start moved
    TClockSync sync{ClockSyncContext{watch, records, clock, prompt, setter, settings,
                                     [this] { ++startMoves; }}};
    TDateTime start = SystemNow - 600 * dt::OneSecond;

    explicit Fixture(quint16 port, int timeOut = 5000)
    {
        watch.running = true;
        watch.connected = true;
        records.running.inizio = start;
        records.running.fine = SystemNow;
        settings.serverOraEsatta = QStringLiteral("127.0.0.1:%1").arg(port);
        sync.timeOutMs = timeOut;
    }
    bool run()
    {
        QSignalSpy finished(&sync, &TClockSync::finished);
        sync.synchronise();
        return finished.wait(5000) && finished.count() == 1;
    }
    double elapsedSeconds() const { return (clock.now() - records.running.inizio) / dt::OneSecond; }
};

} // namespace

class TestClockSync : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    void parse_data();
    void parse();

    void confirmedSetsClockAndKeepsElapsedTime();
    void declinedChangesNothing();
    void correctClockStillAsks();
    void failures_data();
    void failures();
    void refusedClockKeepsStart();
    void connectionEndsWhileWaiting();
    void notConnectedDoesNothing();
    void secondClickWhileAsking();
    void lineUsedBeforeServerCloses();
    void serverAddress_data();
    void serverAddress();
};

void TestClockSync::parse_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<TDateTime>("expected"); // 0: no result

    const TDateTime example = dt::encode(2026, 12, 8, 21, 58, 33);
    QTest::newRow("with line break") << QString::fromLatin1(ServerAnswer) << example;
    QTest::newRow("single spaces") << "Wed Dec 8 21:58:33 2026" << example;
    QTest::newRow("many spaces") << "Wed   Dec     8   21:58:33    2026" << example;
    QTest::newRow("time zone not read")
        << "Tue Feb 29 00:00:00 2028 UTC" << dt::encode(2028, 2, 29);
    QTest::newRow("last second of the year") << "Thu Dec 31 23:59:59 2026\n"
                                             << dt::encode(2026, 12, 31, 23, 59, 59);
    QTest::newRow("more after the seconds") << "Wed Dec 8 21:58:33:07 2026" << example;
    // The weekday's first character is never looked at.
    QTest::newRow("any first character") << "9ed Dec 8 21:58:33 2026" << example;

    QTest::newRow("month in capitals") << "Wed DEC 8 21:58:33 2026" << 0.0;
    QTest::newRow("month in lower case") << "Wed dec 8 21:58:33 2026" << 0.0;
    QTest::newRow("month in full") << "Wed December 8 21:58:33 2026" << 0.0;
    QTest::newRow("numeric form") << "\n61234 26-12-08 21:58:33 00 0 0 50.0 UTC(NIST) *\n" << 0.0;
    QTest::newRow("numeric form, no line break") << "61234 26-12-08 21:58:33 00 0 0 50.0" << 0.0;
    QTest::newRow("RFC 867 example") << "Tuesday, February 22, 1982 17:37:43-PST" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("one character") << "W" << 0.0;
    QTest::newRow("no day") << "Wed Dec 21:58:33 2026" << 0.0;
    QTest::newRow("no seconds") << "Wed Dec 8 21:58 2026" << 0.0;
    QTest::newRow("dots in the time") << "Wed Dec 8 21.58.33 2026" << 0.0;
    QTest::newRow("decimal seconds") << "Wed Dec 8 21:58:33.5 2026" << 0.0;
    QTest::newRow("no year") << "Wed Dec 8 21:58:33\r\n" << 0.0;
    QTest::newRow("hour 24") << "Wed Dec 8 24:00:00 2026" << 0.0;
    QTest::newRow("minute 60") << "Wed Dec 8 21:60:00 2026" << 0.0;
    QTest::newRow("leap second") << "Wed Dec 31 23:59:60 2026" << 0.0;
    QTest::newRow("no such day") << "Wed Feb 29 21:58:33 2026" << 0.0;
    QTest::newRow("day 0") << "Wed Dec 0 21:58:33 2026" << 0.0;
    QTest::newRow("year 0") << "Wed Dec 8 21:58:33 0" << 0.0;
    // Before the start of the day count a date and a time add up to another
    // moment altogether.
    QTest::newRow("before 30 December 1899") << "Fri Dec 29 12:00:00 1899" << 0.0;
    QTest::newRow("first day of the count")
        << "Sat Dec 30 12:00:00 1899" << dt::encode(1899, 12, 30, 12, 0, 0);
    QTest::newRow("huge day") << "Wed Dec 99999999999 21:58:33 2026" << 0.0;
}

void TestClockSync::parse()
{
    QFETCH(QString, answer);
    QFETCH(TDateTime, expected);
    const auto fields = TClockSync::parseDayTime(answer);
    QCOMPARE(fields.has_value(), expected != 0);
    if (fields) {
        QVERIFY(near(fields->serverDateTime(), expected));
        QCOMPARE(fields->serverDate, dt::datePart(expected));
    }
}

void TestClockSync::confirmedSetsClockAndKeepsElapsedTime()
{
    LocalServer server(LocalServer::sendAndClose(ServerAnswer));
    QVERIFY(server.start());
    Fixture f(server.port());
    f.prompt.answerNext(PbYes);
    QVERIFY(qAbs(f.elapsedSeconds() - 600.0) < 0.001);

    QVERIFY(f.run());

    QCOMPARE(f.prompt.requests().size(), 1);
    const PromptRequest& q = f.prompt.requests().at(0);
    QCOMPARE(q.text, Question);
    QCOMPARE(q.title, QStringLiteral("Conferma..."));
    QCOMPARE(q.icon, PromptIcon::Question);
    QCOMPARE(q.buttons, PbYes | PbNo);
    QCOMPARE(q.defaultButton, int(PbNo));

    QVERIFY(near(f.sync.offset(), 300 * dt::OneSecond));
    QCOMPARE(f.setter.requests().size(), 1);
    QVERIFY(near(f.clock.now(), ServerNow));
    // The session's elapsed time goes on from where it was.
    QVERIFY(near(f.records.running.inizio, f.start - 300 * dt::OneSecond));
    QVERIFY(qAbs(f.elapsedSeconds() - 600.0) < 0.001);
    QCOMPARE(f.startMoves, 1);
    QCOMPARE(f.sync.fields().day, quint16(8));
    QCOMPARE(f.sync.fields().month, quint16(12));
}

void TestClockSync::declinedChangesNothing()
{
    LocalServer server(LocalServer::sendAndClose(ServerAnswer));
    QVERIFY(server.start());
    Fixture f(server.port());
    f.prompt.answerNext(PbNo);
    QVERIFY(f.run());
    QCOMPARE(f.prompt.texts(), QStringList{Question});
    QVERIFY(f.setter.requests().isEmpty());
    QCOMPARE(f.clock.now(), SystemNow);
    QCOMPARE(f.records.running.inizio, f.start);
    QCOMPARE(f.startMoves, 0);
}

void TestClockSync::correctClockStillAsks()
{
    LocalServer server(LocalServer::sendAndClose(ServerAnswer));
    QVERIFY(server.start());
    Fixture f(server.port());
    f.clock.set(ServerNow);
    f.records.running.inizio = f.start = ServerNow - 600 * dt::OneSecond;
    f.prompt.answerNext(PbYes);
    QVERIFY(f.run());
    QCOMPARE(f.prompt.texts(), QStringList{Question});
    QVERIFY(near(f.sync.offset(), 0));
    QVERIFY(near(f.records.running.inizio, f.start));
}

void TestClockSync::failures_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<int>("server"); // 0 answers, 1 silent, 2 nothing listens

    QTest::newRow("numeric form") << QByteArray("\n61234 26-12-08 21:58:33 00 0 0 50.0 UTC *\n")
                                  << 0;
    QTest::newRow("unknown month") << QByteArray("Wed Dez  8 21:58:33 2026\r\n") << 0;
    QTest::newRow("invalid date") << QByteArray("Wed Feb 30 21:58:33 2026\r\n") << 0;
    QTest::newRow("empty answer") << QByteArray() << 0;
    QTest::newRow("time-out") << QByteArray() << 1;
    QTest::newRow("connection refused") << QByteArray() << 2;
}

void TestClockSync::failures()
{
    QFETCH(QByteArray, sent);
    QFETCH(int, server);

    QList<QTcpSocket*> held;
    LocalServer answering(LocalServer::sendAndClose(sent));
    LocalServer silent([&held](QTcpSocket* s) { held << s; });
    QVERIFY(answering.start());
    QVERIFY(silent.start());
    const quint16 port = server == 0   ? answering.port()
                         : server == 1 ? silent.port()
                                       : LocalServer::closedPort();
    Fixture f(port, 300);
    f.prompt.answerNext(PbYes);
    QVERIFY(f.run());

    QCOMPARE(f.prompt.requests().size(), 1);
    const PromptRequest& m = f.prompt.requests().at(0);
    QCOMPARE(m.text, QStringLiteral("Errore nel rilevare l'ora esatta sul Server"));
    QCOMPARE(m.title, QStringLiteral("Errore..."));
    QCOMPARE(m.icon, PromptIcon::Error);
    QVERIFY(f.setter.requests().isEmpty());
    QCOMPARE(f.records.running.inizio, f.start);
    QVERIFY(!f.sync.isBusy());
}

void TestClockSync::refusedClockKeepsStart()
{
    LocalServer server(LocalServer::sendAndClose(ServerAnswer));
    QVERIFY(server.start());
    Fixture f(server.port());
    const QString reason = QStringLiteral("Il programma non ha il permesso di cambiare l'ora.");
    f.setter.refuseWith(reason);
    f.prompt.answerNext(PbYes);
    QVERIFY(f.run());
    QCOMPARE(f.prompt.texts(), (QStringList{Question, TClockSync::SetFailedText + reason}));
    QCOMPARE(f.prompt.requests().at(1).icon, PromptIcon::Error);
    QCOMPARE(f.setter.requests().size(), 1);
    QCOMPARE(f.clock.now(), SystemNow);
    QCOMPARE(f.records.running.inizio, f.start);
    QCOMPARE(f.startMoves, 0);
}

void TestClockSync::connectionEndsWhileWaiting()
{
    // The answer arrives after the session has ended: the clock is set, the
    // finished connection keeps the start it was measured with. A second
    // request while one waits is ignored.
    LocalServer server(LocalServer::sendAndClose(ServerAnswer));
    QVERIFY(server.start());
    Fixture f(server.port());
    f.prompt.answerNext(PbYes);
    QSignalSpy finished(&f.sync, &TClockSync::finished);
    f.sync.synchronise();
    QVERIFY(f.sync.isBusy());
    f.sync.synchronise();
    f.watch.connected = false;
    f.watch.running = false;
    QVERIFY(finished.wait(5000));
    // Whatever the answer queued is handled, and no request runs after it.
    QCoreApplication::processEvents();
    QVERIFY(!f.sync.isBusy());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(server.connections(), 1);
    QVERIFY(near(f.clock.now(), ServerNow));
    QCOMPARE(f.records.running.inizio, f.start);
    QCOMPARE(f.startMoves, 0);
}

void TestClockSync::notConnectedDoesNothing()
{
    LocalServer server(LocalServer::sendAndClose(ServerAnswer));
    QVERIFY(server.start());
    Fixture f(server.port());
    f.watch.connected = false; // a connection still being set up
    QSignalSpy finished(&f.sync, &TClockSync::finished);
    f.sync.synchronise();
    QVERIFY(!f.sync.isBusy());
    QCoreApplication::processEvents();
    QVERIFY(!f.sync.isBusy());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(server.connections(), 0);
    QVERIFY(f.prompt.requests().isEmpty());
}

void TestClockSync::secondClickWhileAsking()
{
    // The question is modal, but the button can be reached again while it is
    // open: that click must not start a second request and a second question.
    LocalServer server(LocalServer::sendAndClose(ServerAnswer));
    QVERIFY(server.start());
    Fixture f(server.port());
    struct ClickingPrompt : TScriptedPrompt {
        std::function<void()> onAsk;
        int ask(const PromptRequest& request) override
        {
            if (onAsk)
                onAsk();
            return TScriptedPrompt::ask(request);
        }
    } prompt;
    TClockSync sync{ClockSyncContext{f.watch, f.records, f.clock, prompt, f.setter, f.settings}};
    prompt.onAsk = [&sync] { sync.synchronise(); };
    prompt.answerNext(PbYes);
    QSignalSpy finished(&sync, &TClockSync::finished);
    sync.synchronise();
    QVERIFY(finished.wait(5000));
    QCoreApplication::processEvents();
    QVERIFY(!sync.isBusy());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(server.connections(), 1);
    QCOMPARE(prompt.requests().size(), 1);
    QCOMPARE(f.setter.requests().size(), 1);
}

// A server that sends its line and keeps the connection open: the line is
// used as soon as it is complete, while the connection is still open, not
// when the 10-second time-out ends the wait (which would put the clock and
// the session's start 10 seconds wrong).
void TestClockSync::lineUsedBeforeServerCloses()
{
    QList<QTcpSocket*> held;
    LocalServer server([&held](QTcpSocket* s) {
        held << s;
        s->write(ServerAnswer);
    });
    QVERIFY(server.start());
    Fixture f(server.port(), TClockSync::DayTimeTimeOut);
    f.prompt.answerNext(PbYes);
    QElapsedTimer waited;
    waited.start();
    QSignalSpy finished(&f.sync, &TClockSync::finished);
    f.sync.synchronise();
    QVERIFY(finished.wait(TClockSync::DayTimeTimeOut / 2));
    QVERIFY(waited.elapsed() < TClockSync::DayTimeTimeOut / 2);
    QCOMPARE(held.size(), 1);
    QCOMPARE(held.first()->state(), QAbstractSocket::ConnectedState);
    QCOMPARE(f.prompt.texts(), QStringList{Question});
    QVERIFY(near(f.sync.offset(), 300 * dt::OneSecond));
    QVERIFY(near(f.sync.arrivalTime(), SystemNow));
}

// Where "ServerOraEsatta" sends the request.
void TestClockSync::serverAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("host name") << "ntp1.inrim.it"
                               << "ntp1.inrim.it" << 13;
    QTest::newRow("with a port") << "127.0.0.1:1313"
                                 << "127.0.0.1" << 1313;
    QTest::newRow("spaces around") << " time.example:37 "
                                   << "time.example" << 37;
    QTest::newRow("IPv6 with a port") << "[::1]:1313"
                                      << "::1" << 1313;
    QTest::newRow("IPv6 bare") << "::1"
                               << "::1" << 13;
    QTest::newRow("port not a number") << "time.example:tredici"
                                       << "time.example" << 0;
    QTest::newRow("port too large") << "time.example:70000"
                                    << "time.example" << 0;
}

void TestClockSync::serverAddress()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    const auto [h, p] = TClockSync::serverAddress(text);
    QCOMPARE(h, host);
    QCOMPARE(int(p), port);
}

QTEST_GUILESS_MAIN(TestClockSync)
#include "tst_clocksync.moc"
