#include "app/Program.h"

#include "app/SettingsStore.h"
#include "common/Clock.h"
#include "platform/ras/RasSimService.h"

#include <QCoreApplication>

namespace
{

QString withSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

Program::Program(IPrompt& prompt, IClock& clock, IRegistry& registry, IShell& shell,
                 const QString& programFolder, const QString& executablePath,
                 std::unique_ptr<IRasService> ras)
    : Program(prompt, clock, registry, shell, ProgramLayout::portable(programFolder),
              executablePath, std::move(ras))
{
}

Program::Program(IPrompt& prompt, IClock& clock, IRegistry& registry, IShell& shell,
                 const ProgramLayout& layout, const QString& executablePath,
                 std::unique_ptr<IRasService> ras)
    : prompt(prompt), clock(clock), registry(registry), shell(shell), layout(layout),
      programFolder(withSlash(layout.programFolder)), dataFolder(withSlash(layout.dataFolder)),
      executablePath(executablePath), version(VersionInfo::compiled()),
      archive(this->programFolder),
      rasService(ras ? std::move(ras)
                     : std::make_unique<TRasSimService>(this->programFolder, clock)),
      dialUp(*rasService, rasState, clock)
{
}

WatchContext Program::watchContext()
{
    return WatchContext{settings,        watch,        connRecords, archive,  profiles,
                        sessionSchedule, sessionTrace, holidays,    provider, dialUp,
                        programFolder,   clock,        prompt};
}

void Program::setApplicationTitle(const QString& title)
{
    applicationTitle = title;
    prompt.setApplicationTitle(title);
}

bool Program::prepare(QString* settingsError)
{
    const bool settingsRead = loadSettings(settingsError);
    watch.running = false;
    watch.connected = false;
    watch.lightImage = LightImage::Off;
    int year = 0, month = 0, day = 0;
    TflFestivi::splitDate(clock.now(), year, month, day);
    holidays = TflFestivi(uint16_t(year), &prompt);
    dialUp.enumerateEntries(provider);
    return settingsRead;
}

bool Program::loadSettings(QString* error)
{
    return TSettingsStore(registry).load(settings, error);
}

bool Program::saveSettings(QString* error)
{
    return TSettingsStore(registry).save(settings, error);
}

QString Program::executableFolder()
{
    return withSlash(QCoreApplication::applicationDirPath());
}
