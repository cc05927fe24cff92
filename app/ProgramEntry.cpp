#include "app/ProgramEntry.h"

#include "app/Program.h"
#include "app/uMain.h"
#include "app/uPopup.h"
#include "common/Prompt.h"
#include "dialup/uStato.h"
#include "options/uSplash.h"
#include "platform/gui/TermSignals.h"
#include "platform/system/SingleInstance.h"

#include <QApplication>
#include <QSessionManager>

#include <cstdio>

TProgramEntry::TProgramEntry(Program& program, TSingleInstance& instance, IClockSetter& clockSetter)
    : m_program(program), m_instance(instance), m_clockSetter(clockSetter)
{
}

TProgramEntry::~TProgramEntry() = default;

bool TProgramEntry::start()
{
    // One instance per user.
    switch (m_instance.acquire()) {
    case TSingleInstance::Result::Acquired:
        break;
    case TSingleInstance::Result::HeldElsewhere:
        m_program.prompt.message(AlreadyRunningText, QStringLiteral("Tarvelo!"), PromptIcon::Error);
        return false;
    case TSingleInstance::Result::Failed:
        // Not knowing is no reason to refuse to start; say why the check failed.
        m_program.prompt.message(
            QStringLiteral("Non è possibile verificare se Tarvelo! è già in esecuzione.\r") +
                m_instance.errorString(),
            QStringLiteral("Tarvelo!..."), PromptIcon::Warning);
        break;
    }

    // An installed program makes the user's folder on its first start. Without
    // it nothing can be stored, but the bar still meters: say so and go on.
    QString why;
    if (!prepareProgramFolder(m_program.layout, &why))
        m_program.prompt.message(QStringLiteral("Impossibile preparare la cartella dei dati di "
                                                "Tarvelo!:\r") +
                                     why,
                                 QStringLiteral("Errore..."), PromptIcon::Warning);

    // The splash, painted at once.
    auto splash = std::make_unique<TfSplash>(m_program.version);
    splash->show();
    splash->repaint();
    QCoreApplication::processEvents();

    m_program.setApplicationTitle(QStringLiteral("%1 %2.%3")
                                      .arg(m_program.version.productName)
                                      .arg(m_program.version.major)
                                      .arg(m_program.version.minor));

    // The main bar. The other windows are made as they are opened (each
    // lives only while shown, in its window slot), but for two below.
    m_main = std::make_unique<TfMain>(m_program, m_clockSetter);
    connectEndings();
    // Hidden while the rest is built; it appears as the event loop starts.
    m_main->hideBar();
    // The dialling-status window, reused by every dial of the automatic dialler.
    m_stato = std::make_unique<TfStato>();
    m_main->setStatusWindow(m_stato.get());
    // The extra-information window, made once.
    m_popup = std::make_unique<TfPopup>();
    // Everything is built: the splash goes.
    splash.reset();

    // The bar appears as the event loop starts, unless the program starts
    // iconised.
    if (m_program.settings.normWind)
        m_main->showBar();
    return true;
}

void TProgramEntry::connectEndings()
{
    TfMain* bar = m_main.get();
    m_termination = std::make_unique<TTermSignals>();
    if (!m_termination->install())
        std::fputs("Tarvelo!: i segnali di terminazione non salveranno le impostazioni.\n", stderr);
    QObject::connect(m_termination.get(), &TTermSignals::terminationRequested, bar,
                     [bar] { bar->shutdown(false); });
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, bar, [bar] { bar->shutdown(false); });
    // The desktop asks for data to be saved before it ends the session. The
    // program must not end here (the user may still cancel the logout), so
    // only the settings are written; the session then closes the program.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, bar, [bar](QSessionManager&) {
        QString error;
        if (!bar->saveSettings(&error))
            std::fprintf(stderr, "Tarvelo!: %s\n", qPrintable(error));
    });
}

int TProgramEntry::run()
{
    return QApplication::exec();
}
