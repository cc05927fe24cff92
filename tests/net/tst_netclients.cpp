// The daytime and HTTP clients against scripted servers on 127.0.0.1.

#include "LocalServer.h"
#include "net/DaytimeClient.h"
#include "net/HttpClient.h"
#include "tests/support/TestSupport.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

// Minimal HTTP/1.1 server: answers each request by its path.
//   /ok        200 with a body          /missing  404 with an error page
//   /moved     302 to /ok               /loop     302 to itself
//   /big       200 larger than the client accepts
//   /silent    never answers
void serveHttp(QTcpSocket* s)
{
    QObject::connect(s, &QTcpSocket::readyRead, s, [s] {
        const QByteArray request = s->peek(8192);
        if (!request.contains("\r\n\r\n"))
            return;
        s->readAll();
        const QByteArray path = request.split(' ').value(1);
        auto reply = [s](const QByteArray& status, const QByteArray& headers,
                         const QByteArray& body) {
            s->write("HTTP/1.1 " + status +
                     "\r\nContent-Length: " + QByteArray::number(body.size()) +
                     "\r\nConnection: close\r\n" + headers + "\r\n" + body);
            s->disconnectFromHost();
        };
        if (path == "/ok")
            reply("200 OK", "Content-Type: application/octet-stream\r\n", "BODY-OF-OK");
        else if (path == "/moved")
            reply("302 Found", "Location: /ok\r\n", "");
        else if (path == "/loop")
            reply("302 Found", "Location: /loop\r\n", "");
        else if (path == "/big")
            reply("200 OK", "", QByteArray(THttpClient::MaxBodyBytes + 10, 'x'));
        else if (path == "/silent")
            return;
        else
            reply("404 Not Found", "Content-Type: text/html\r\n", "<html>not found</html>");
    });
}

// A daytime client aimed at a local port.
void aim(TDaytimeClient& client, quint16 port, int timeOut = 5000)
{
    client.host = QStringLiteral("127.0.0.1");
    client.port = port;
    client.timeOutMs = timeOut;
}

} // namespace

class TestNetClients : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }

    void dayTime_data();
    void dayTime();
    void dayTimeSilentServerTimesOut();
    void dayTimeRefused();
    void dayTimeOneRequestAtATime();

    void httpToFile_data();
    void httpToFile();
    void httpRedirect();
    void httpRefusesAddress_data();
    void httpRefusesAddress();
    void httpTimeOut();
    void httpRefused();
    void httpBodyInMemory();
};

void TestNetClients::dayTime_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("answer");

    QTest::newRow("line then close") << QByteArray("Wed Dec  8 21:58:33 2026\r\n") << true
                                     << QStringLiteral("Wed Dec  8 21:58:33 2026\r\n");
    // Whatever the server sends is handed over; judging it is the parser's job.
    QTest::newRow("other format") << QByteArray("\n61234 26-12-08 21:58:33 00 0 0 50.0 UTC *\n")
                                  << true
                                  << QStringLiteral(
                                         "\n61234 26-12-08 21:58:33 00 0 0 50.0 UTC *\n");
    QTest::newRow("empty") << QByteArray() << true << QString();
    QTest::newRow("too long") << QByteArray(TDaytimeClient::MaxAnswerBytes + 1, 'a') << false
                              << QString();
}

void TestNetClients::dayTime()
{
    QFETCH(QByteArray, sent);
    QFETCH(bool, ok);
    QFETCH(QString, answer);

    LocalServer server(LocalServer::sendAndClose(sent));
    QVERIFY(server.start());
    TDaytimeClient client;
    aim(client, server.port(), 5000);
    QSignalSpy finished(&client, &TDaytimeClient::finished);
    QVERIFY(client.requestDayTime());
    QVERIFY(client.isBusy());
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), ok);
    QVERIFY(!client.isBusy());
    if (ok) {
        QCOMPARE(client.dayTime(), answer);
        QCOMPARE(client.lastErrorNumber(), 0);
    } else {
        QVERIFY(client.lastErrorNumber() != 0);
    }
}

void TestNetClients::dayTimeSilentServerTimesOut()
{
    // Accepts and says nothing: the time-out bounds the wait. A server that
    // sends its line without closing has still answered.
    QList<QTcpSocket*> held;
    LocalServer silent([&held](QTcpSocket* s) { held << s; });
    LocalServer lineOnly([](QTcpSocket* s) { s->write("Wed Dec  8 21:58:33 2026\r\n"); });
    QVERIFY(silent.start());
    QVERIFY(lineOnly.start());

    TDaytimeClient client;
    aim(client, silent.port(), 300);
    QSignalSpy finished(&client, &TDaytimeClient::finished);
    QElapsedTimer timer;
    timer.start();
    QVERIFY(client.requestDayTime());
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(client.lastErrorNumber(), TNetClient::ErrTimedOut);
    QVERIFY(timer.elapsed() >= 250);

    client.port = lineOnly.port();
    QVERIFY(client.requestDayTime());
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(1).at(0).toBool(), true);
    QCOMPARE(client.dayTime(), QStringLiteral("Wed Dec  8 21:58:33 2026\r\n"));
}

void TestNetClients::dayTimeRefused()
{
    TDaytimeClient client;
    aim(client, LocalServer::closedPort());
    QSignalSpy finished(&client, &TDaytimeClient::finished);
    QSignalSpy failed(&client, &TNetClient::connectionFailed);
    QVERIFY(client.requestDayTime());
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(client.lastErrorNumber(), TNetClient::ErrConnectionRefused);
    QCOMPARE(failed.count(), 1);

    // No host at all is reported the same way, after the call returns.
    client.host.clear();
    QVERIFY(client.requestDayTime());
    QCOMPARE(finished.count(), 1);
    QVERIFY(finished.wait(5000));
    QCOMPARE(client.lastErrorNumber(), TNetClient::ErrInvalidArgument);
}

void TestNetClients::dayTimeOneRequestAtATime()
{
    QList<QTcpSocket*> held;
    LocalServer silent([&held](QTcpSocket* s) { held << s; });
    QVERIFY(silent.start());
    TDaytimeClient client;
    aim(client, silent.port(), 200);
    QSignalSpy finished(&client, &TDaytimeClient::finished);
    QVERIFY(client.requestDayTime());
    QVERIFY(!client.requestDayTime());
    QVERIFY(finished.wait(5000));
    // The client lets go of its one connection and takes no other: the
    // refused request was dropped, not queued.
    QCOMPARE(held.size(), 1);
    QTRY_COMPARE(held.first()->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(!client.isBusy());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(silent.connections(), 1);
}

void TestNetClients::httpToFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("reply");
    QTest::addColumn<QByteArray>("fileAfter");

    // A stale file is there before each request: only a 2xx reply replaces it.
    QTest::newRow("200") << "/ok" << 200 << QByteArray("BODY-OF-OK");
    QTest::newRow("404 keeps the old file") << "/missing" << 404 << QByteArray("OLD");
}

void TestNetClients::httpToFile()
{
    QFETCH(QString, path);
    QFETCH(int, reply);
    QFETCH(QByteArray, fileAfter);

    LocalServer server(serveHttp);
    QVERIFY(server.start());
    QTemporaryDir dir;
    const QString bodyFile = dir.filePath(QStringLiteral("tarvelo!.agg"));
    QVERIFY(testsupport::writeFileBytes(bodyFile, "OLD"));

    THttpClient http;
    http.bodyToFile = true;
    http.bodyFile = bodyFile;
    QSignalSpy finished(&http, &THttpClient::finished);
    QSignalSpy success(&http, &THttpClient::succeeded);
    QVERIFY(http.get(QStringLiteral("http://127.0.0.1:%1%2").arg(server.port()).arg(path)));
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QCOMPARE(int(http.replyNumber()), reply);
    QCOMPARE(success.count(), reply == 200 ? 1 : 0);
    QCOMPARE(testsupport::readFileBytes(bodyFile), fileAfter);
}

void TestNetClients::httpRedirect()
{
    LocalServer server(serveHttp);
    QVERIFY(server.start());
    THttpClient http;
    QSignalSpy finished(&http, &THttpClient::finished);
    QSignalSpy redirected(&http, &THttpClient::redirected);
    QVERIFY(http.get(QStringLiteral("http://127.0.0.1:%1/moved").arg(server.port())));
    QVERIFY(finished.wait(5000));
    QCOMPARE(int(http.replyNumber()), 200);
    QCOMPARE(redirected.count(), 1);
    QCOMPARE(http.finalUrl().path(), QStringLiteral("/ok"));
    QCOMPARE(http.bodyBytes(), QByteArray("BODY-OF-OK"));

    // A redirect loop ends after a bounded number of hops, without a body,
    // as a failed request.
    QVERIFY(http.get(QStringLiteral("http://127.0.0.1:%1/loop").arg(server.port())));
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(1).at(0).toBool(), false);
    QVERIFY(http.lastErrorNumber() != 0);
    QVERIFY(redirected.count() <= 1 + THttpClient::MaxRedirects);
    QVERIFY(http.bodyBytes().isEmpty());
}

void TestNetClients::httpRefusesAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("not http") << "ftp://127.0.0.1/tarvelo!.agg";
    QTest::newRow("user information") << "http://user:pw@127.0.0.1/x";
    QTest::newRow("no host") << "http:///x";
    QTest::newRow("not an address") << "tarvelo!.agg";
    QTest::newRow("empty") << "";
}

void TestNetClients::httpRefusesAddress()
{
    QFETCH(QString, address);
    QTemporaryDir dir;
    THttpClient http;
    http.bodyToFile = true;
    http.bodyFile = dir.filePath(QStringLiteral("out"));
    QSignalSpy finished(&http, &THttpClient::finished);
    QVERIFY(http.get(address));
    QCOMPARE(finished.count(), 0);
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(http.lastErrorNumber(), TNetClient::ErrInvalidArgument);
    QVERIFY(!QFile::exists(http.bodyFile));
}

void TestNetClients::httpTimeOut()
{
    LocalServer server(serveHttp);
    QVERIFY(server.start());
    THttpClient http;
    http.timeOutMs = 300;
    QSignalSpy finished(&http, &THttpClient::finished);
    QVERIFY(http.get(QStringLiteral("http://127.0.0.1:%1/silent").arg(server.port())));
    QVERIFY(!http.get(QStringLiteral("http://127.0.0.1:%1/ok").arg(server.port())));
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(http.lastErrorNumber(), TNetClient::ErrTimedOut);
    QCOMPARE(int(http.replyNumber()), 0);

    // Too large a body is a failure too, and nothing is kept.
    http.timeOutMs = 10000;
    QVERIFY(http.get(QStringLiteral("http://127.0.0.1:%1/big").arg(server.port())));
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.at(1).at(0).toBool(), false);
    QVERIFY(http.bodyBytes().isEmpty());
}

void TestNetClients::httpRefused()
{
    THttpClient http;
    QSignalSpy finished(&http, &THttpClient::finished);
    QSignalSpy failure(&http, &THttpClient::failed);
    QVERIFY(http.get(QStringLiteral("http://127.0.0.1:%1/ok").arg(LocalServer::closedPort())));
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(http.lastErrorNumber(), TNetClient::ErrConnectionRefused);
    QCOMPARE(failure.count(), 1);
}

void TestNetClients::httpBodyInMemory()
{
    // Without bodyToFile no file is written, whatever bodyFile says.
    LocalServer server(serveHttp);
    QVERIFY(server.start());
    QTemporaryDir dir;
    THttpClient http;
    http.bodyFile = dir.filePath(QStringLiteral("never"));
    QSignalSpy finished(&http, &THttpClient::finished);
    QVERIFY(http.get(QStringLiteral("http://127.0.0.1:%1/ok").arg(server.port())));
    QVERIFY(finished.wait(5000));
    QCOMPARE(http.bodyBytes(), QByteArray("BODY-OF-OK"));
    QVERIFY(!QFile::exists(http.bodyFile));
}

QTEST_GUILESS_MAIN(TestNetClients)
#include "tst_netclients.moc"
