// "Cambio Tariffa" offscreen: its controls and profile list, and both ways
// it is opened: for the running connection from the main bar and for a range
// of stored connections from the archive window.

#include "app/WindowContexts.h"
#include "platform/gui/HelpKey.h"
#include "tariff/ProfileFiles.h"
#include "tariff/Repricing.h"
#include "tariff/uCtar.h"
#include "tests/support/LayoutRules.h"
#include "tests/support/ProgramFixture.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WidgetSupport.h"
#include "tests/tariff/TariffFixtures.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

using testsupport::child;
using testsupport::comboItems;

namespace
{

const QString Nuova = QStringLiteral("Nuova");

// Monday 3 January 2000 at h:00.
TDateTime monday(int h)
{
    return dt::encode(2000, 1, 3, h, 0, 0);
}

struct Fixture : ProgramFixture {
    QPointer<QWidget> slot;

    Fixture() : ProgramFixture(Options().at(monday(12)))
    {
        QDir(dir.path()).mkpath(QStringLiteral("Trf"));
        program.settings.iva = 20;
    }
    // Every row from 00:00 at rate Lire a minute.
    bool saveProfile(const QString& name, float rate)
    {
        TariffProfiles p;
        fixtures::setBandOn(p.working, fixtures::AllRows, 1, 0, 0, rate);
        return TProfileFiles(p, program.programFolder, prompt).SaveProfile(name);
    }
    ConnRecord connection(int h, int seconds)
    {
        ConnRecord r;
        r.inizio = monday(h);
        r.fine = r.inizio + seconds * dt::OneSecond;
        r.costo = 999;
        r.nomeTar = QStringLiteral("Vecchia");
        return r;
    }
};

// Runs inside the modal window once it is shown.
void whileOpen(QPointer<QWidget>& slot, const std::function<void(TfCtar*)>& work)
{
    QTimer::singleShot(0, [&slot, work] {
        auto* w = qobject_cast<TfCtar*>(slot.data());
        QVERIFY(w);
        QVERIFY(w->isVisible());
        work(w);
        if (w->isVisible())
            w->ChiudiClick();
    });
}

// Chooses name in cb1 the way the user does.
void choose(TfCtar* w, const QString& name)
{
    auto* cb1 = child<QComboBox>(w, "cb1");
    const int i = cb1->findText(name);
    QVERIFY(i >= 0);
    cb1->setCurrentIndex(i);
    emit cb1->activated(i);
}

} // namespace

class TestCtarWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { testsupport::pinItalianLocale(); }
    void controls_data();
    void controls();
    void modeNotSet();
    void runningConnection();
    void storedConnections();
    void storedWithoutProfile();
};

void TestCtarWindow::controls_data()
{
    QTest::addColumn<QStringList>("profiles");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("empty folder") << QStringList()
                                  << QStringList{QStringLiteral("Nessuna Tariffa in archivio")};
    QTest::newRow("sorted") << QStringList{"b", "Tariffa 1.5", "A"}
                            << QStringList{"A", "b", "Tariffa 1.5"};
}

void TestCtarWindow::controls()
{
    QFETCH(QStringList, profiles);
    QFETCH(QStringList, listed);
    Fixture f;
    for (const QString& name : profiles)
        QVERIFY(f.saveProfile(name, 100));

    TfCtar w(ctarContext(f.program));
    QCOMPARE(w.windowTitle(), QStringLiteral("Cambio Tariffa"));
    QCOMPARE(w.size(), QSize(256, 139));
    QCOMPARE(testsupport::layoutProblems(&w), QString());
    QCOMPARE(child<QGroupBox>(&w, "GroupBox1")->title(), QStringLiteral(" Tariffa Attuale "));
    QCOMPARE(child<QGroupBox>(&w, "GroupBox2")->title(), QStringLiteral(" Tariffa da Applicare "));
    QVERIFY(child<QLabel>(&w, "tabAtt")->font().bold());
    QCOMPARE(w.tabAtt(), QString());
    auto* cb1 = child<QComboBox>(&w, "cb1");
    QCOMPARE(comboItems(cb1), listed);
    QCOMPARE(cb1->currentText(), listed.first());
    auto* applica = child<QPushButton>(&w, "applica");
    QCOMPARE(applica->text(), QStringLiteral("&Applica"));
    QVERIFY(applica->isEnabled());
    QCOMPARE(child<QPushButton>(&w, "Chiudi")->text(), QStringLiteral("&Chiudi"));
    QCOMPARE(w.mode(), int(TfCtar::NotSet));
    QCOMPARE(w.firstRow(), 0);
    QCOMPARE(w.lastRow(), 0);

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.activateWindow();
    QTest::keyClick(&w, Qt::Key_F1);
    QCOMPARE(f.prompt.texts(), QStringList{NoHelpText});
}

void TestCtarWindow::modeNotSet()
{
    Fixture f;
    TfCtar w(ctarContext(f.program));
    w.applicaClick();
    QCOMPARE(f.prompt.texts(),
             QStringList{QStringLiteral("Occorre settare ftype (contattare il fornitore)")});
}

// The main bar's way: the running record's profile is shown, the change is
// applied, the window stays open until "&Chiudi".
void TestCtarWindow::runningConnection()
{
    Fixture f;
    QVERIFY(f.saveProfile(QStringLiteral("Cara"), 600));
    QVERIFY(f.saveProfile(Nuova, 120));
    Program& p = f.program;
    p.watch.running = true;
    p.watch.connected = true;
    p.connRecords.running = f.connection(12, 1);
    const TDateTime inizio = p.connRecords.running.inizio;

    whileOpen(f.slot, [&](TfCtar* w) {
        QCOMPARE(w->mode(), int(TfCtar::RunningConnection));
        QCOMPARE(w->tabAtt(), QStringLiteral("Vecchia"));
        choose(w, Nuova);
        auto* applica = child<QPushButton>(w, "applica");
        applica->click();
        QVERIFY(f.prompt.requests().isEmpty());
        QCOMPARE(p.connRecords.running.nomeTar, Nuova);
        QCOMPARE(p.connRecords.running.inizio, inizio);
        QVERIFY(p.sessionSchedule);
        QCOMPARE(p.sessionSchedule->first().rate, 120.0f);
        QCOMPARE(p.watch.lightImage, LightImage::Green);
        QCOMPARE(w->tabAtt(), Nuova);
        QVERIFY(!applica->isEnabled());
        QVERIFY(w->isVisible());
        // Choosing again offers "&Applica" again.
        choose(w, QStringLiteral("Cara"));
        QVERIFY(applica->isEnabled());
        child<QPushButton>(w, "Chiudi")->click();
    });
    QCOMPARE(TfCtar::openForRunning(ctarContext(p), &f.slot), int(QDialog::Rejected));
    QVERIFY(!f.slot);
    QCOMPARE(p.connRecords.running.nomeTar, Nuova);
}

// The archive window's way: rows 1..2 of a list of three are re-priced and
// the window closes with OK.
void TestCtarWindow::storedConnections()
{
    Fixture f;
    QVERIFY(f.saveProfile(Nuova, 100));
    QList<ConnRecord> list{f.connection(9, 60), f.connection(10, 30), f.connection(11, 60)};
    QVERIFY(f.program.archive.open());
    for (int i = 0; i < list.size(); ++i) {
        list[i].indice = i;
        QVERIFY(f.program.archive.write(i, list[i]));
    }
    f.program.archive.close();

    whileOpen(f.slot, [&](TfCtar* w) {
        QCOMPARE(w->mode(), int(TfCtar::StoredConnections));
        QCOMPARE(w->tabAtt(), QString());
        QCOMPARE(w->firstRow(), 1);
        QCOMPARE(w->lastRow(), 2);
        choose(w, Nuova);
        child<QPushButton>(w, "applica")->click();
        QCOMPARE(w->tabAtt(), Nuova);
        QVERIFY(!child<QPushButton>(w, "applica")->isEnabled());
    });
    QCOMPARE(TfCtar::openForStored(ctarContext(f.program), &f.slot, list, 1, 2),
             int(QDialog::Accepted));
    QVERIFY(!f.slot);
    QVERIFY(f.prompt.requests().isEmpty());

    TArchiveFile& archive = f.program.archive;
    QVERIFY(archive.open(TArchiveFile::Access::ReadOnly));
    const QList<ConnRecord> after = archive.readStored();
    QCOMPARE(after.size(), 3);
    // 60 s and 30 s at 100 Lire a minute, IVA 20; the third is not selected.
    QCOMPARE(after[0].costo, 120.0f);
    QCOMPARE(after[1].costo, 60.0f);
    QCOMPARE(after[2].costo, 999.0f);
    QCOMPARE(after[1].nomeTar, Nuova);
    QCOMPARE(after[2].nomeTar, QStringLiteral("Vecchia"));
}

// A profile that cannot be loaded is reported and the window stays open for
// another choice.
void TestCtarWindow::storedWithoutProfile()
{
    Fixture f;
    const QList<ConnRecord> list{f.connection(9, 60)};
    whileOpen(f.slot, [&](TfCtar* w) {
        QCOMPARE(child<QComboBox>(w, "cb1")->currentText(),
                 QStringLiteral("Nessuna Tariffa in archivio"));
        child<QPushButton>(w, "applica")->click();
        QCOMPARE(f.prompt.texts(), QStringList{repricing::NoTableText});
        QVERIFY(w->isVisible());
        QVERIFY(child<QPushButton>(w, "applica")->isEnabled());
    });
    QCOMPARE(TfCtar::openForStored(ctarContext(f.program), &f.slot, list, 1, 1),
             int(QDialog::Rejected));
}

QTEST_MAIN(TestCtarWindow)
#include "tst_ctarwindow.moc"
