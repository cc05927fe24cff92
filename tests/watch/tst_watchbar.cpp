// The real main bar, offscreen, timing one short call made on the simulated
// dial-up service the way `tarvelo-cli ras` makes it, and storing it through
// the end-of-connection dialog.

#include "app/uMain.h"
#include "archive/uStop.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WidgetSupport.h"
#include "tests/watch/WatchFixture.h"
#include "tools/Cli.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace watchtest;
using testsupport::child;

class TestWatchBar : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }
    void oneCall();

private:
    int cli(const QString& folder, const QStringList& args)
    {
        QString out, err;
        QTextStream o(&out), e(&err);
        const int rc =
            runCli(QStringList{QStringLiteral("--folder"), folder} + args, QString(), o, e);
        if (rc != 0)
            qWarning("%s", qPrintable(err));
        return rc;
    }
};

void TestWatchBar::oneCall()
{
    ProgramFixture f(ProgramFixture::Options().at(monday()));
    QVERIFY(f.dir.isValid());

    TariffProfiles p;
    p.working = liraPerSecond();
    QVERIFY(TProfileFiles(p, f.folder, f.prompt).SaveProfile(QStringLiteral("Prova")));
    QCOMPARE(cli(f.folder, {"ras", "add", "Prova", "--phone", "0701234567"}), 0);
    QCOMPARE(
        cli(f.folder, {"provider", "set", "Prova", "--phone", "0701234567", "--profile", "Prova"}),
        0);

    TfMain bar(f.program, f.clockSetter);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QCOMPARE(f.program.rasState.entries[0], QStringLiteral("Prova"));
    auto* tempo = child<QLabel>(&bar, "Tempo");
    auto* costo = child<QLabel>(&bar, "Costo");

    bar.watchTick();
    QCOMPARE(bar.shownLight(), lightIndex(LightImage::Red));

    // "ras connecting": the light blinks yellow; "ras connect": green.
    QCOMPARE(cli(f.folder, {"ras", "connecting", "Prova"}), 0);
    f.clock.advanceSeconds(1);
    bar.watchTick();
    QCOMPARE(f.program.watch.light, Light::Yellow);
    QVERIFY(bar.blinkTimer().isActive());
    bar.blinkTick();
    QCOMPARE(bar.shownLight(), lightIndex(LightImage::Yellow, true)); // blinking
    QCOMPARE(cli(f.folder, {"ras", "connect", "Prova"}), 0);
    bar.watchTick();
    QCOMPARE(bar.shownLight(), lightIndex(LightImage::Green));
    QVERIFY(bar.sessionTimer().isActive());
    QVERIFY(!bar.blinkTimer().isActive());
    for (int i = 0; i < 25; ++i) {
        bar.sessionTick();
        f.clock.advanceSeconds(1);
        bar.watchTick();
    }
    QCOMPARE(tempo->text(), QStringLiteral("00.00.24"));
    QCOMPARE(costo->text(), QStringLiteral("29")); // 24 × 1.2 + 0.49
    QCOMPARE(QFileInfo(f.program.archive.path()).size(), qint64(ConnRecord::Size));

    QCOMPARE(cli(f.folder, {"ras", "drop"}), 0);
    bool answered = false;
    QTimer::singleShot(0, this, [&] {
        auto* stop = qobject_cast<TfStop*>(bar.windows().fStop.data());
        QVERIFY(stop);
        QVERIFY(stop->isVisible());
        QVERIFY(bar.isHidden());
        QCOMPARE(child<QLabel>(stop, "Label1")->text(), TfStop::EndedTitle);
        QVERIFY(child<QRadioButton>(stop, "rbSI")->isChecked());
        child<QPushButton>(stop, "Button1")->click();
        answered = true;
    });
    bar.watchTick(); // a second after the last session tick
    QVERIFY(answered);
    QVERIFY(!bar.windows().fStop);
    QVERIFY(bar.isVisible());
    QCOMPARE(bar.shownLight(), lightIndex(LightImage::Red));
    QVERIFY(!bar.sessionTimer().isActive());
    QVERIFY(!f.program.watch.running);

    TArchiveFile archive(f.folder);
    QVERIFY(archive.open(TArchiveFile::Access::ReadOnly));
    const QList<ConnRecord> stored = archive.readStored();
    QCOMPARE(stored.size(), 1);
    const ConnRecord& r = stored.first();
    QCOMPARE(r.provider, QStringLiteral("Prova"));
    QCOMPARE(r.telefono, QStringLiteral("0701234567"));
    QCOMPARE(r.nomeTar, QStringLiteral("Prova"));
    QCOMPARE(r.motivo, QString());
    QCOMPARE(r.durationSeconds(), 25);
    QCOMPARE(r.costo, 25 * 1.2f);
    QVERIFY(f.prompt.requests().isEmpty());
}

QTEST_MAIN(TestWatchBar)
#include "tst_watchbar.moc"
