// Tarvelo!: the dial-up cost meter. Builds the services, starts the program
// and runs it until the main bar's close path ends it (see TProgramEntry).

#include "app/Program.h"
#include "app/ProgramEntry.h"
#include "app/RasSetup.h"
#include "app/uMain.h"
#include "common/Clock.h"
#include "platform/clock/LinuxClockSetter.h"
#include "platform/gui/QtPrompt.h"
#include "platform/gui/QtTranslation.h"
#include "platform/nm/NmBackend.h"
#include "platform/system/DesktopOpener.h"
#include "platform/system/ProgramLayout.h"
#include "platform/system/Registry.h"
#include "platform/system/Shell.h"
#include "platform/system/SingleInstance.h"

#include <QApplication>

#include <cstdio>

namespace
{

bool hasDisplay()
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (!hasDisplay()) {
        std::fputs(
            "Tarvelo!: nessun display grafico (DISPLAY e WAYLAND_DISPLAY non sono impostati).\n"
            "  Tarvelo! è un programma con finestre: avvialo da una sessione grafica, oppure\n"
            "  provalo su un display virtuale:  xvfb-run -a dist/tarvelo\n"
            "Tarvelo!: no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
            "  Start it from a desktop session, or try it on a virtual display:\n"
            "  xvfb-run -a dist/tarvelo\n",
            stderr);
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // Ties the windows to the menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(TARVELO_APP_ID));
    installItalianQtTranslation(app);

    TSystemClock clock;
    TQtPrompt prompt;
    TRegFile registry(TRegFile::defaultPath());
    TDesktopOpener opener;
    const ProgramLayout layout = ProgramLayout::forExecutable(Program::executableFolder());
    // The start-up shortcut starts this executable, wherever it lies, in the
    // folder of the user's files.
    const QString executable = QCoreApplication::applicationFilePath();
    TShell shell(registry, &opener, executable, layout.programFolder);
    RasSetup ras = setUpRasService(registry, layout.programFolder, clock, nmBackendHooks());
    Program program(prompt, clock, registry, shell, layout, executable, std::move(ras.service));
    program.rasBackend = ras.choice;
    TSingleInstance instance(QStringLiteral("Tarvelo! Pindral"));
    TLinuxClockSetter clockSetter;

    TProgramEntry entry(program, instance, clockSetter);
    if (!entry.start())
        return 1;
    // Boxes raised while no window of the program is modal or active stay
    // above the bar.
    prompt.setMainWindow(entry.mainBar());
    QObject::connect(entry.mainBar(), &TfMain::programEnded, &app,
                     [] { QCoreApplication::exit(0); });
    return entry.run();
}
