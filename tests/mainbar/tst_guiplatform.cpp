// The Qt side of the platform: message boxes built from prompt requests, the
// Italian standard buttons, the tray icon without a tray host, termination
// signals reaching the event loop, and the help key.

#include "platform/gui/HelpKey.h"
#include "platform/gui/QtPrompt.h"
#include "platform/gui/QtTranslation.h"
#include "platform/gui/TermSignals.h"
#include "platform/gui/TrayIcon.h"

#include "common/ScriptedPrompt.h"
#include "tests/mainbar/FakeShell.h"
#include <QSystemTrayIcon>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <memory>

class TestGuiPlatform : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void boxFromRequest_data();
    void boxFromRequest();
    void italianButtons();
    void askReturnsPressedButton();
    void trayWithoutHost();
    void terminationSignal_data();
    void terminationSignal();
    void helpPages();
};

void TestGuiPlatform::initTestCase()
{
    QVERIFY2(installItalianQtTranslation(*qApp), "qt6-translations-l10n is not installed");
}

void TestGuiPlatform::boxFromRequest_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("systemModal");
    QTest::addColumn<int>("expectedDefault");
    QTest::addColumn<int>("expectedIcon");

    QTest::newRow("question, No preselected")
        << int(PbYes | PbNo) << int(PbNo) << int(PromptIcon::Question) << false
        << int(QMessageBox::No) << int(QMessageBox::Question);
    QTest::newRow("error, system-modal")
        << int(PbOk) << int(PbNone) << int(PromptIcon::Error) << true << int(QMessageBox::Ok)
        << int(QMessageBox::Critical);
    QTest::newRow("default not among the buttons: the first")
        << int(PbRetry | PbCancel) << int(PbYes) << int(PromptIcon::Warning) << false
        << int(QMessageBox::Retry) << int(QMessageBox::Warning);
    QTest::newRow("no buttons: OK") << int(PbNone) << int(PbNone) << int(PromptIcon::None) << false
                                    << int(QMessageBox::Ok) << int(QMessageBox::NoIcon);
}

void TestGuiPlatform::boxFromRequest()
{
    QFETCH(int, buttons);
    QFETCH(int, defaultButton);
    QFETCH(int, icon);
    QFETCH(bool, systemModal);
    QFETCH(int, expectedDefault);
    QFETCH(int, expectedIcon);

    PromptRequest r{QStringLiteral("Prima riga\rSeconda\r\rQuarta"),
                    QStringLiteral("Errore..."),
                    PromptIcon(icon),
                    buttons,
                    defaultButton,
                    systemModal};
    std::unique_ptr<QMessageBox> box(QtPrompt::buildBox(r, nullptr));
    QCOMPARE(box->text(), QStringLiteral("Prima riga\nSeconda\n\nQuarta"));
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->windowTitle(), QStringLiteral("Errore..."));
    QCOMPARE(int(box->icon()), expectedIcon);
    QCOMPARE(int(box->standardButton(box->defaultButton())), expectedDefault);
    if (systemModal)
        QCOMPARE(box->windowModality(), Qt::ApplicationModal);
}

void TestGuiPlatform::italianButtons()
{
    PromptRequest r{QStringLiteral("?"), QStringLiteral("Conferma..."), PromptIcon::Question,
                    PbYes | PbNo | PbOk | PbCancel};
    std::unique_ptr<QMessageBox> box(QtPrompt::buildBox(r, nullptr));
    auto text = [&](QMessageBox::StandardButton b) {
        return box->button(b)->text().remove(QLatin1Char('&'));
    };
    QCOMPARE(text(QMessageBox::Yes), QStringLiteral("Sì"));
    QCOMPARE(text(QMessageBox::No), QStringLiteral("No"));
    QCOMPARE(text(QMessageBox::Ok), QStringLiteral("OK"));
    QCOMPARE(text(QMessageBox::Cancel), QStringLiteral("Annulla"));
}

void TestGuiPlatform::askReturnsPressedButton()
{
    QtPrompt prompt;
    // Press No on the box as soon as it is up; Escape would mean No as well.
    QTimer::singleShot(0, qApp, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        box->button(QMessageBox::No)->click();
    });
    QCOMPARE(prompt.ask({QStringLiteral("Sicuro ?"), QStringLiteral("Conferma..."),
                         PromptIcon::Question, PbYes | PbNo, PbYes}),
             int(PbNo));

    QTimer::singleShot(0, qApp,
                       [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    QCOMPARE(prompt.ask({QStringLiteral("Sicuro ?"), QStringLiteral("Conferma..."),
                         PromptIcon::Question, PbYes | PbNo, PbYes}),
             int(PbNo));
}

void TestGuiPlatform::trayWithoutHost()
{
    QVERIFY(!TTrayIcon::hostAvailable()); // the offscreen platform has none
    TTrayIcon tray(QIcon{});
    QSignalSpy right(&tray, &TTrayIcon::rightClicked);
    QSignalSpy activated(&tray, &TTrayIcon::activated);
    tray.add();
    QVERIFY(tray.isAdded());
    emit tray.native()->activated(QSystemTrayIcon::Context);
    emit tray.native()->activated(QSystemTrayIcon::DoubleClick);
    emit tray.native()->activated(QSystemTrayIcon::MiddleClick);
    QCOMPARE(right.count(), 1);
    QCOMPARE(activated.count(), 1);
    tray.remove();
    QVERIFY(!tray.isAdded());
}

void TestGuiPlatform::terminationSignal_data()
{
    QTest::addColumn<int>("sig");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestGuiPlatform::terminationSignal()
{
    QFETCH(int, sig);
    TTermSignals term;
    QVERIFY(term.install());
    TTermSignals second;
    QVERIFY(!second.install()); // one set of handlers per process
    QSignalSpy spy(&term, &TTermSignals::terminationRequested);
    std::raise(sig);
    QVERIFY(spy.wait(2000));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().first().toInt(), sig);
}

void TestGuiPlatform::helpPages()
{
    FakeShell shell;
    ScriptedPrompt prompt;
    THelpKey::showHelp(shell, prompt, QStringLiteral("/p/"), QStringLiteral("finavvio.htm"));
    QCOMPARE(shell.opened, QStringList{QStringLiteral("/p/hlp/finavvio.htm")});
    QVERIFY(prompt.requests().isEmpty());

    THelpKey::showHelp(shell, prompt, QStringLiteral("/p/"), QString());
    QCOMPARE(prompt.texts(), QStringList{QStringLiteral("Nessun aiuto per questa finestra.")});
    QCOMPARE(shell.opened.size(), 1);
}

QTEST_MAIN(TestGuiPlatform)
#include "tst_guiplatform.moc"
