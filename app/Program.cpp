#include "app/Program.h"

#include "app/SettingsStore.h"

#include <QCoreApplication>

namespace
{

QString withSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

} // namespace

Program::Program(IPrompt& prompt, IClock& clock, IRegistry& registry, IShell& shell,
                 const QString& programFolder, const QString& executablePath)
    : prompt(prompt), clock(clock), registry(registry), shell(shell),
      programFolder(withSlash(programFolder)), executablePath(executablePath),
      version(VersionInfo::compiled())
{
}

bool Program::loadSettings(QString* error)
{
    return SettingsStore(registry).load(settings, error);
}

bool Program::saveSettings(QString* error)
{
    return SettingsStore(registry).save(settings, error);
}

QString Program::executableFolder()
{
    return withSlash(QCoreApplication::applicationDirPath());
}
