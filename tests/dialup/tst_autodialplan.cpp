// The automatic dialler's run, attempt by attempt, with scripted attempt
// results: busy retries, giving up or going on with the other providers, what
// a dial error does, cancelling, and the refusals before any dial.

#include "tests/dialup/AutoDialFixture.h"

#include <QTest>

using namespace dialtest;
using R = TAutoDialPlan;
using Outcome = TAutoDialPlan::Outcome;

Q_DECLARE_METATYPE(TAutoDialPlan::Outcome)

namespace AR = AttemptResult;

class TestAutoDialPlan : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }
    void sequence_data();
    void sequence();
    void attemptCounts_data();
    void attemptCounts();
    void missingPhoneTitles();
    void credentialsAskedWhenMissing();
    void credentialsNotAskedWhenUnused();
    void runningRecordTakesEachProvider();
};

void TestAutoDialPlan::sequence_data()
{
    QTest::addColumn<QString>("provider");
    QTest::addColumn<QString>("tentativi1");
    QTest::addColumn<bool>("rinuncia");
    QTest::addColumn<QStringList>("ordine");
    QTest::addColumn<QString>("tentativi2");
    QTest::addColumn<bool>("interrompi");
    QTest::addColumn<QList<int>>("results");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("hangUps");
    QTest::addColumn<QStringList>("messages");

    const QString a = QStringLiteral("A");
    const QStringList abc{"A", "B", "C"};
    const QStringList none;

    QTest::newRow("busy every time, give up")
        << a << "3" << true << abc << "2" << true << QList<int>{AR::Busy, AR::Busy, AR::Busy}
        << Outcome::Exhausted
        << QStringList{"Tentativo 1 di 3 con", "Tentativo 2 di 3 con", "Tentativo 3 di 3 con"} << 3
        << QStringList{R::NoSuccessText};
    QTest::newRow("no attempt with 0: give up at once")
        << a << "0" << true << abc << "2" << true << QList<int>{} << Outcome::Exhausted
        << QStringList{} << 0 << QStringList{R::NoSuccessText};
    QTest::newRow("letters: one attempt")
        << a << "tre" << true << abc << "2" << true << QList<int>{AR::Busy} << Outcome::Exhausted
        << QStringList{"Tentativo 1 di tre con"} << 1 << QStringList{R::NoSuccessText};
    QTest::newRow("connected at once")
        << a << "3" << true << abc << "2" << true << QList<int>{AR::Connected} << Outcome::Connected
        << QStringList{"Tentativo 1 di 3 con"} << 0 << QStringList{};
    QTest::newRow("no result: next attempt without hang-up")
        << a << "2" << true << abc << "2" << true << QList<int>{0, AR::Connected}
        << Outcome::Connected << QStringList{"Tentativo 1 di 2 con", "Tentativo 2 di 2 con"} << 0
        << QStringList{};
    QTest::newRow("go on: the others in order, the starting one skipped")
        << a << "1" << false << QStringList{"C", "A", "B"} << "2" << true
        << QList<int>{AR::Busy, AR::Busy, AR::Busy, AR::Connected} << Outcome::Connected
        << QStringList{"Tentativo 1 di 1 con", "Tentativo 1 di 2", "Tentativo 2 di 2",
                       "Tentativo 1 di 2"}
        << 3 << QStringList{};
    QTest::newRow("go on: the others busy too")
        << a << "1" << false << abc << "1" << true << QList<int>{AR::Busy, AR::Busy, AR::Busy}
        << Outcome::Exhausted
        << QStringList{"Tentativo 1 di 1 con", "Tentativo 1 di 1", "Tentativo 1 di 1"} << 3
        << QStringList{R::NoSuccessText};
    QTest::newRow("go on after 0 attempts")
        << a << "0" << false << abc << "1" << true << QList<int>{AR::Connected}
        << Outcome::Connected << QStringList{"Tentativo 1 di 1"} << 0 << QStringList{};
    QTest::newRow("error stops") << a << "5" << true << abc << "2" << true
                                 << QList<int>{AR::Busy, AR::Failed} << Outcome::Stopped
                                 << QStringList{"Tentativo 1 di 5 con", "Tentativo 2 di 5 con"} << 2
                                 << QStringList{R::StoppedText};
    QTest::newRow("error passes on, even with Rinuncia")
        << a << "5" << true << abc << "2" << false << QList<int>{AR::Failed, AR::Connected}
        << Outcome::Connected << QStringList{"Tentativo 1 di 5 con", "Tentativo 1 di 2"} << 1
        << QStringList{R::NextOnErrorText};
    QTest::newRow("error on every provider")
        << a << "5" << true << abc << "2" << false << QList<int>{AR::Failed, AR::Failed, AR::Failed}
        << Outcome::Exhausted
        << QStringList{"Tentativo 1 di 5 con", "Tentativo 1 di 2", "Tentativo 1 di 2"} << 3
        << QStringList{R::NextOnErrorText, R::NextOnErrorText, R::NextOnErrorText,
                       R::NoSuccessText};
    QTest::newRow("error on another provider stops")
        << a << "1" << false << abc << "2" << true << QList<int>{AR::Busy, AR::Failed}
        << Outcome::Stopped << QStringList{"Tentativo 1 di 1 con", "Tentativo 1 di 2"} << 2
        << QStringList{R::StoppedText};
    QTest::newRow("cancel the starting provider")
        << a << "3" << true << abc << "2" << true << QList<int>{AR::Cancelled} << Outcome::Cancelled
        << QStringList{"Tentativo 1 di 3 con"} << 1 << QStringList{R::CancelledText};
    QTest::newRow("cancel another provider")
        << a << "1" << false << abc << "2" << true << QList<int>{AR::Busy, AR::Cancelled}
        << Outcome::Cancelled << QStringList{"Tentativo 1 di 1 con", "Tentativo 1 di 2"} << 2
        << QStringList{R::CancelledText};
    QTest::newRow("another provider without number ends the run")
        << a << "1" << false << QStringList{"A", "N", "B"} << "2" << true << QList<int>{AR::Busy}
        << Outcome::NoPhone << QStringList{"Tentativo 1 di 1 con"} << 1
        << QStringList{R::NoPhoneText};
    QTest::newRow("no provider") << QString() << "3" << true << abc << "2" << true << QList<int>{}
                                 << Outcome::NoProvider << QStringList{} << 0
                                 << QStringList{R::NoProviderText};
    QTest::newRow("starting provider without number")
        << "N"
        << "3" << true << abc << "2" << true << QList<int>{} << Outcome::NoPhone << QStringList{}
        << 0 << QStringList{R::NoPhoneText};
    QTest::newRow("starting provider without record")
        << "Z"
        << "3" << true << none << "2" << true << QList<int>{} << Outcome::NoPhone << QStringList{}
        << 0 << QStringList{R::NoPhoneText};
}

void TestAutoDialPlan::sequence()
{
    QFETCH(QString, provider);
    QFETCH(QString, tentativi1);
    QFETCH(bool, rinuncia);
    QFETCH(QStringList, ordine);
    QFETCH(QString, tentativi2);
    QFETCH(bool, interrompi);
    QFETCH(QList<int>, results);

    Fixture f(Fixture::Service::Fake);
    f.providerRecord(QStringLiteral("A"), QStringLiteral("111"));
    f.providerRecord(QStringLiteral("B"), QStringLiteral("222"));
    f.providerRecord(QStringLiteral("C"), QStringLiteral("333"));
    f.providerRecord(QStringLiteral("N"), QString());
    f.windows.results = results;

    const Outcome outcome =
        f.plan.run({provider, tentativi1, rinuncia, ordine, tentativi2, interrompi});

    QTEST(outcome, "outcome");
    QTEST(f.windows.lines, "lines");
    QVERIFY2(f.windows.results.isEmpty(), "every scripted attempt was made");
    QCOMPARE(f.fake.dials.size(), f.windows.lines.size());
    QTEST(int(f.fake.hungUp.size()), "hangUps");
    // Hang-ups reach the dial even when no notification has named it yet.
    for (RasHandle h : f.fake.hungUp)
        QCOMPARE(h, f.fake.nextDialHandle);
    QTEST(f.prompt.texts(), "messages");
    // The dialler is out of the way during every attempt and back after
    // every run that did not connect.
    for (const QString& step : f.windows.trace)
        if (step.startsWith(QStringLiteral("attempt"))) {
            const int at = int(f.windows.trace.indexOf(step));
            QCOMPARE(f.windows.trace.value(at - 1), QStringLiteral("hide"));
        }
    if (outcome == Outcome::Connected)
        QCOMPARE(f.windows.trace.last(), QStringLiteral("hide"));
    else if (!f.windows.lines.isEmpty())
        QVERIFY(f.windows.trace.contains(QStringLiteral("show")));
    // Nothing here ever started a session, so nothing is offered for keeping.
    QVERIFY(f.view.endDialogs.isEmpty());
}

void TestAutoDialPlan::attemptCounts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("dialled");
    QTest::addColumn<int>("stored1");
    QTest::addColumn<int>("stored2");

    QTest::newRow("number") << "7" << 7 << 7 << 7;
    QTest::newRow("zero") << "0" << 0 << 0 << 0;
    QTest::newRow("twenty") << "20" << 20 << 20 << 20;
    QTest::newRow("letters") << "abc" << 1 << 10 << 5;
    QTest::newRow("empty") << "" << 1 << 10 << 5;
    QTest::newRow("above 20") << "25" << 25 << 10 << 10;
    QTest::newRow("negative") << "-3" << -3 << 10 << 10;
}

void TestAutoDialPlan::attemptCounts()
{
    QFETCH(QString, text);
    QTEST(R::attemptsToDial(text), "dialled");
    QTEST(int(R::storedAttempts1(text)), "stored1");
    QTEST(int(R::storedAttempts2(text)), "stored2");
}

void TestAutoDialPlan::missingPhoneTitles()
{
    Fixture f(Fixture::Service::Fake);
    f.providerRecord(QStringLiteral("N"), QString());
    QCOMPARE(f.plan.run({QStringLiteral("N"), "1", true, {}, "1", true}), Outcome::NoPhone);
    QCOMPARE(f.prompt.requests().size(), 1);
    const PromptRequest& r = f.prompt.requests().first();
    QCOMPARE(r.title, QStringLiteral("Tarvelo!...N"));
    QCOMPARE(r.icon, PromptIcon::Warning);
    QVERIFY(r.systemModal);
    QVERIFY(f.fake.dials.isEmpty());
}

void TestAutoDialPlan::credentialsAskedWhenMissing()
{
    Fixture f(Fixture::Service::Fake);
    f.providerRecord(QStringLiteral("A"), QStringLiteral("111"), QStringLiteral("anna"), QString());
    f.providerRecord(QStringLiteral("B"), QStringLiteral("222"), QString(), QString());
    f.providerRecord(QStringLiteral("C"), QStringLiteral("333"));
    f.windows.results = {AR::Busy, AR::Busy, AR::Busy};

    f.plan.run({QStringLiteral("A"), "1", false, {"A", "B", "C"}, "1", true});

    QCOMPARE(f.windows.trace.filter(QStringLiteral("creds")),
             QStringList({QStringLiteral("creds A"), QStringLiteral("creds B")}));
    QCOMPARE(f.fake.dials.size(), 3);
    QCOMPARE(f.fake.dials[0].userName, QStringLiteral("anna"));
    QCOMPARE(f.fake.dials[0].password, QStringLiteral("segreta"));
    QCOMPARE(f.fake.dials[1].userName, QStringLiteral("mario"));
    QCOMPARE(f.fake.dials[2].userName, QStringLiteral("utente"));
    QCOMPARE(f.fake.dials[2].password, QStringLiteral("pw"));
    // Typed credentials live in memory only.
    TProviderRecord stored;
    stored.load(f.folder, QStringLiteral("B"), f.prompt);
    QVERIFY(stored.userName.isEmpty());
    QVERIFY(stored.password.isEmpty());
}

// A service that keeps its own credentials (pppd, NetworkManager) would
// throw typed ones away: they are not asked for.
void TestAutoDialPlan::credentialsNotAskedWhenUnused()
{
    Fixture f(Fixture::Service::Fake);
    f.fake.credentials = false;
    f.providerRecord(QStringLiteral("A"), QStringLiteral("111"), QString(), QString());
    f.windows.results = {AR::Connected};

    QCOMPARE(f.plan.run({QStringLiteral("A"), "1", true, {}, "1", true}), Outcome::Connected);

    QVERIFY(f.windows.trace.filter(QStringLiteral("creds")).isEmpty());
    QCOMPARE(f.fake.dials.size(), 1);
    QCOMPARE(f.fake.dials[0].phoneNumber, QStringLiteral("111"));
}

void TestAutoDialPlan::runningRecordTakesEachProvider()
{
    Fixture f(Fixture::Service::Fake);
    f.providerRecord(QStringLiteral("A"), QStringLiteral("111"));
    f.providerRecord(QStringLiteral("Un provider dal nome molto lungo, oltre cinquanta caratteri"),
                     QStringLiteral("0123456789012345678901234"));
    f.windows.results = {AR::Busy, AR::Connected};
    const QString longName =
        QStringLiteral("Un provider dal nome molto lungo, oltre cinquanta caratteri");
    QCOMPARE(f.plan.run({QStringLiteral("A"), "1", false, {longName}, "1", true}),
             Outcome::Connected);
    QCOMPARE(f.windows.trace.filter(QStringLiteral("attempt")),
             QStringList({QStringLiteral("attempt A 111"),
                          QStringLiteral("attempt ") + longName +
                              QStringLiteral(" 0123456789012345678901234")}));
    QCOMPARE(f.records.running.provider, longName.left(ConnRecord::ProviderMax));
    QCOMPARE(f.records.running.telefono, QStringLiteral("0123456789012345678901234"));
}

QTEST_GUILESS_MAIN(TestAutoDialPlan)
#include "tst_autodialplan.moc"
