#include "tests/support/ProgramFixture.h"

#include "app/SettingsStore.h"
#include "tests/support/TestSupport.h"

#include <QDir>

namespace
{

QString folderOf(const ProgramFixture::Options& o, const QTemporaryDir& dir)
{
    QString folder = o.layout                  ? o.layout->programFolder
                     : o.fixedFolder.isEmpty() ? dir.path()
                                               : o.fixedFolder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace

ProgramFixture::ProgramFixture() : ProgramFixture(Options{}) {}

ProgramFixture::ProgramFixture(Options o)
    : folder(folderOf(o, dir)), clock(o.now), ras(o.rasEntries ? new FakeRasService : nullptr),
      m_program(o.layout ? std::make_unique<Program>(prompt, clock, registry, shell, *o.layout,
                                                     QString(), std::unique_ptr<IRasService>(ras))
                         : std::make_unique<Program>(prompt, clock, registry, shell, folder,
                                                     QString(), std::unique_ptr<IRasService>(ras))),
      program(*m_program)
{
    if (ras)
        ras->names = *o.rasEntries;
}

ProgramFixture::~ProgramFixture() = default;

bool ProgramFixture::addProfileFile(const QString& name, const QByteArray& bytes)
{
    return QDir(folder).mkpath(QStringLiteral("Trf")) &&
           testsupport::writeFileBytes(path(QStringLiteral("Trf/") + name + QStringLiteral(".trf")),
                                       bytes);
}

bool ProgramFixture::storeInteger(const QString& section, const QString& name, int value)
{
    TSettingsStore store(registry);
    store.writeInteger(section, name, value);
    return store.commit();
}

bool ProgramFixture::storeBool(const QString& section, const QString& name, bool value)
{
    TSettingsStore store(registry);
    store.writeBool(section, name, value);
    return store.commit();
}
