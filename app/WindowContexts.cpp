#include "app/WindowContexts.h"

#include "app/Program.h"
#include "app/SettingsStore.h"
#include "tariff/ProfileFiles.h"

namespace
{

// The kept choices in the order of ConnWindowChoices::periods.
constexpr TSettingsStore::Period StoredPeriods[6] = {
    TSettingsStore::Period::Oggi,    TSettingsStore::Period::UltSett,
    TSettingsStore::Period::Ult15gg, TSettingsStore::Period::Ult30gg,
    TSettingsStore::Period::UltMese, TSettingsStore::Period::UltBimestre};

// The names of the profile files, sorted.
std::function<QStringList()> profileNames(Program& program)
{
    return [&program] {
        QStringList names;
        TProfileFiles(program.profiles, program.programFolder, program.prompt).ListProfiles(names);
        return names;
    };
}

} // namespace

ConnContext connContext(Program& program, QPointer<QWidget>* ctarSlot)
{
    const auto providerEntries = [&program] {
        // Only the entry names are wanted: the program's current provider
        // record may belong to a call being dialled and is left alone.
        TProviderRecord scratch;
        program.dialUp.enumerateEntries(scratch);
        return QStringList(program.rasState.entries.begin(), program.rasState.entries.end());
    };
    const auto loadChoices = [&program] {
        const TSettingsStore store(program.registry);
        ConnWindowChoices c;
        c.description = store.fDescrizioneAttuale();
        for (size_t i = 0; i < c.periods.size(); ++i)
            c.periods[i] = store.period(StoredPeriods[i]);
        return c;
    };
    const auto saveChoices = [&program](const ConnWindowChoices& c) {
        // The window is closing: a registry that cannot be written costs only
        // the choice of the next opening, and the bar's own save reports it.
        TSettingsStore store(program.registry);
        store.setFDescrizioneAttuale(c.description);
        for (size_t i = 0; i < c.periods.size(); ++i)
            store.setPeriod(StoredPeriods[i], c.periods[i]);
    };
    const auto reprice = [&program, ctarSlot](const TSelection& selection, int firstRow,
                                              int lastRow, QWidget* parent,
                                              const archivechange::Runner& runner) {
        TfCtar::openForStored(ctarContext(program), ctarSlot, selection, firstRow, lastRow, parent,
                              runner);
    };
    const auto compare = [&program](const TSelection& selection, int firstRow, int lastRow,
                                    QWidget* parent) {
        TfConfronto::open(confrontoContext(program),
                          TComparedConnections::fromSelection(selection, firstRow - 1, lastRow - 1),
                          parent);
    };
    return {program.archive,
            program.programFolder,
            program.dataFolder,
            program.clock,
            program.prompt,
            program.shell,
            program.settings.cambioEcu,
            profileNames(program),
            providerEntries,
            loadChoices,
            saveChoices,
            reprice,
            compare};
}

ConfrontoContext confrontoContext(Program& program)
{
    return {program.programFolder,      program.dataFolder, program.settings.iva,
            program.settings.cambioEcu, program.prompt,     program.shell};
}

CtarContext ctarContext(Program& program)
{
    return {program.watch.running,
            program.connRecords.running,
            program.profiles,
            program.sessionSchedule,
            program.sessionTrace,
            program.archive,
            program.holidays,
            program.settings.iva,
            program.programFolder,
            program.dataFolder,
            program.prompt,
            program.shell,
            [&program] { program.watch.lightImage = LightImage::Green; }};
}

TariffeContext tariffeContext(Program& program)
{
    return {program.profiles,
            program.settings.tabDefault,
            program.settings.tabellaAttuale,
            program.settings.iva,
            program.programFolder,
            program.dataFolder,
            program.prompt,
            program.shell,
            [&program] {
                const TSettingsStore store(program.registry);
                return std::pair(store.tabellaAttuale(), store.tabDefault());
            },
            [&program](const QString& current, const QString& byDefault) {
                // A registry that cannot be written costs only the choice of
                // the next opening; the bar's own settings save reports it.
                TSettingsStore store(program.registry);
                store.setTabellaAttuale(current);
                store.setTabDefault(byDefault);
            }};
}

SettContext settContext(Program& program)
{
    return {
        program.settings,      program.watch.connected,
        program.dialUp,        program.provider,
        program.rasBackend,    program.version,
        program.programFolder, program.dataFolder,
        program.prompt,        program.shell,
        profileNames(program), [&program](QString* error) { return program.saveSettings(error); }};
}

AutoDialContext autoDialContext(Program& program, IDialSession& session, TfStato* stato)
{
    return {session, program.settings, program.dataFolder, program.shell, stato};
}
