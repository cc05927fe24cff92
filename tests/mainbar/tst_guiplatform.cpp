// The Qt side of the platform: message boxes built from prompt requests, the
// Italian standard buttons, the tray icon without a tray host, termination
// signals reaching the event loop, and the help key.

#include "platform/gui/HelpKey.h"
#include "platform/gui/QtPrompt.h"
#include "platform/gui/QtTranslation.h"
#include "platform/gui/TermSignals.h"
#include "platform/gui/TrayIcon.h"

#include "common/ScriptedPrompt.h"
#include "tests/support/FakeShell.h"
#include <QSystemTrayIcon>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
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
    void boxBelongsToItsWindow_data();
    void boxBelongsToItsWindow();
    void noticeDoesNotWait();
    void noticeNeverSitsOnABox();
    void plainBoxTitle();
    void noWaitPromptAsksOnlyQuestions();
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
    std::unique_ptr<QMessageBox> box(TQtPrompt::buildBox(r, nullptr));
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
    std::unique_ptr<QMessageBox> box(TQtPrompt::buildBox(r, nullptr));
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
    TQtPrompt prompt;
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

// A box is modal to the window it is raised over and kept in that window's
// layer; a box of no window is modal to the program and stays on top; a box
// of the bar sits in the middle of the screen rather than over the strip.
void TestGuiPlatform::boxBelongsToItsWindow_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("staysOnTop");
    QTest::newRow("modal window") << "modal" << false;
    QTest::newRow("modal window of the bar") << "modal of the bar" << true;
    QTest::newRow("only the bar") << "bar" << true;
    QTest::newRow("no window shown") << "none" << true;
}

void TestGuiPlatform::boxBelongsToItsWindow()
{
    QFETCH(QString, window);
    QFETCH(bool, staysOnTop);
    QWidget bar(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    bar.setGeometry(0, 0, 300, 25);
    // A window of the bar stays in the bar's layer, above other windows.
    QDialog dialog(window == QLatin1String("modal of the bar") ? &bar : nullptr);
    dialog.resize(400, 300);
    TQtPrompt prompt;
    prompt.setMainWindow(&bar);
    if (window != QLatin1String("none"))
        bar.show();
    if (window.startsWith(QLatin1String("modal"))) {
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
    }

    QWidget* expected = window.startsWith(QLatin1String("modal")) ? &dialog
                        : window == QLatin1String("bar")          ? &bar
                                                                  : nullptr;
    QCOMPARE(prompt.owner(), expected);
    prompt.notify({QStringLiteral("Attenzione"), QStringLiteral("Errore..."), PromptIcon::Error});
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box);
    QCOMPARE(box->parentWidget(), expected);
    QCOMPARE(box->windowModality(), expected ? Qt::WindowModal : Qt::ApplicationModal);
    QCOMPARE(bool(box->windowFlags() & Qt::WindowStaysOnTopHint), staysOnTop);
    if (expected == &bar) {
        const QPoint centre = bar.screen()->availableGeometry().center();
        QVERIFY(box->frameGeometry().contains(centre));
        QVERIFY(!box->frameGeometry().intersects(bar.frameGeometry()));
    }
    box->close();
}

// A notice shows its box and returns at once; the same notice still open
// is not shown twice; answered, its box goes away.
void TestGuiPlatform::noticeDoesNotWait()
{
    TQtPrompt prompt;
    const PromptRequest r{QStringLiteral("Cannot open file /x/Archivio.sto"),
                          QStringLiteral("Tarvelo!"), PromptIcon::Error};
    prompt.notify(r);
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QCOMPARE(box->text(), r.text);
    prompt.notify(r);
    QCOMPARE(QApplication::activeModalWidget(), box);
    int open = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        open += qobject_cast<QMessageBox*>(w) && w->isVisible();
    QCOMPARE(open, 1);

    QPointer<QMessageBox> guard(box);
    box->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(guard.isNull());
    prompt.notify(r); // shown again once the first is gone
    QVERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
    QApplication::activeModalWidget()->close();
    QTRY_VERIFY(!QApplication::activeModalWidget());
}

// A box that waits belongs to the box it is raised over (that box cannot go
// first); a notice goes to the window under the boxes, or a box closing
// before it would take it along.
void TestGuiPlatform::noticeNeverSitsOnABox()
{
    QDialog dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    TQtPrompt prompt;
    QWidget* questionOwner = nullptr;
    QWidget* noticeOwner = nullptr;
    QTimer::singleShot(0, qApp, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->parentWidget(), &dialog);
        questionOwner = prompt.owner(false);
        noticeOwner = prompt.owner(true);
        QCOMPARE(questionOwner, box);
        box->button(QMessageBox::No)->click();
    });
    prompt.ask({QStringLiteral("Sicuro ?"), QStringLiteral("Conferma..."), PromptIcon::Question,
                PbYes | PbNo, PbNo});
    QVERIFY(questionOwner);
    QCOMPARE(noticeOwner, &dialog);
}

// A plain box (no title of its own) carries the application title.
void TestGuiPlatform::plainBoxTitle()
{
    TQtPrompt prompt;
    prompt.setApplicationTitle(QStringLiteral("Tarvelo! 3.1"));
    prompt.notify({QStringLiteral("Nome di Connessione Ras Inesistente"), QString()});
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(box);
    QCOMPARE(box->windowTitle(), QStringLiteral("Tarvelo! 3.1"));
    box->close();
    QTRY_VERIFY(!QApplication::activeModalWidget());

    TScriptedPrompt scripted;
    scripted.setApplicationTitle(QStringLiteral("Tarvelo!"));
    scripted.message(QStringLiteral("x"), QString(), PromptIcon::None);
    scripted.message(QStringLiteral("y"), QStringLiteral("Errore..."), PromptIcon::Error);
    QCOMPARE(scripted.requests()[0].title, QStringLiteral("Tarvelo!"));
    QCOMPARE(scripted.requests()[1].title, QStringLiteral("Errore..."));
}

// What the timer handlers see: messages are shown without waiting, a
// question still waits for its answer.
void TestGuiPlatform::noWaitPromptAsksOnlyQuestions()
{
    TScriptedPrompt target;
    TNoWaitPrompt ticks(target);
    target.answerNext(PbYes);
    ticks.message(QStringLiteral("a"), QStringLiteral("Errore..."), PromptIcon::Error, true);
    QVERIFY(ticks.confirm(QStringLiteral("b ?")));
    ticks.beep();
    QCOMPARE(target.texts(), (QStringList{"a", "b ?"}));
    QCOMPARE(target.notices(), QStringList{"a"});
    QVERIFY(target.requests()[0].systemModal);
    QCOMPARE(target.beeps(), 1);
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
    TScriptedPrompt prompt;
    THelpKey::showHelp(shell, prompt, QStringLiteral("/p/"), QStringLiteral("finavvio.htm"));
    QCOMPARE(shell.opened, QStringList{QStringLiteral("/p/hlp/finavvio.htm")});
    QVERIFY(prompt.requests().isEmpty());

    THelpKey::showHelp(shell, prompt, QStringLiteral("/p/"), QString());
    QCOMPARE(prompt.texts(), QStringList{QStringLiteral("Nessun aiuto per questa finestra.")});
    QCOMPARE(shell.opened.size(), 1);
}

QTEST_MAIN(TestGuiPlatform)
#include "tst_guiplatform.moc"
