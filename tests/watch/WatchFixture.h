#pragma once
// A connection watch over a temporary program folder: the simulated dial-up
// service (or a fake one), a manual clock, a scripted prompt and a fake bar.
// tick() moves the clock one second and fires the timers the watch has
// switched on, in the bar's order.

#include "app/Settings.h"
#include "app/Watch.h"
#include "app/WatchState.h"
#include "archive/ArchiveFile.h"
#include "archive/ConnRecords.h"
#include "common/Clock.h"
#include "common/ScriptedPrompt.h"
#include "dialup/DialUp.h"
#include "dialup/ProviderRecord.h"
#include "platform/ras/RasSimService.h"
#include "tariff/HolidayCalendar.h"
#include "tariff/ProfileFiles.h"
#include "tariff/TariffProfiles.h"
#include "tests/support/FakeRasService.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <map>
#include <memory>

namespace watchtest
{

// Monday 3 January 2000, midday: no holiday.
inline TDateTime monday(int h = 12, int m = 0, int s = 0)
{
    return dt::encode(2000, 1, 3, h, m, s);
}

class FakeView : public IWatchView
{
public:
    std::map<WatchTimer, bool> timers;
    QList<int> lights; // every image shown, in order
    QString tempo = QStringLiteral("00.00.00");
    QString costo = QStringLiteral("0");
    bool autGreen = true;
    QList<bool> autLights; // every autLight change
    int barShown = 0;
    int barHidden = 0;
    bool dialogOpen = false;
    QList<Light> endDialogs; // light of every end dialog opened
    // What the user does in the end dialog (default: nothing is written).
    std::function<void(Light light)> onEndDialog;
    int mainBarClosed = 0;
    bool dialerOpens = false;
    int dialerRequests = 0;
    int changeTariffOpened = 0;
    int updateRequests = 0;

    bool active(WatchTimer t) const
    {
        const auto it = timers.find(t);
        return it != timers.end() && it->second;
    }
    int light() const { return lights.isEmpty() ? -1 : lights.last(); }

    void setTimerActive(WatchTimer t, bool on) override { timers[t] = on; }
    void showLight(int index) override { lights << index; }
    void setTempoText(const QString& text) override { tempo = text; }
    void setCostoText(const QString& text) override { costo = text; }
    void setAutLight(bool green) override
    {
        autGreen = green;
        autLights << green;
    }
    void showBar() override { ++barShown; }
    void hideBar() override { ++barHidden; }
    bool endDialogOpen() const override { return dialogOpen; }
    void openEndDialog(Light light) override
    {
        endDialogs << light;
        dialogOpen = true;
        if (onEndDialog)
            onEndDialog(light);
        dialogOpen = false;
    }
    void closeMainBar() override { ++mainBarClosed; }
    bool openAutoDial() override
    {
        ++dialerRequests;
        return dialerOpens;
    }
    void openChangeTariff() override { ++changeTariffOpened; }
    void requestUpdateSearch() override { ++updateRequests; }
};

struct Fixture {
    enum class Service { Simulated, Fake };

    QTemporaryDir dir;
    QString folder = dir.path() + QLatin1Char('/');
    TScriptedPrompt prompt;
    TManualClock clock{monday()};
    Settings settings;
    WatchState watch;
    ConnRecords records;
    TArchiveFile archive{folder};
    TariffProfiles profiles;
    std::optional<Schedule> schedule;
    ScheduleTrace trace;
    TflFestivi holidays{2000};
    TProviderRecord provider;
    RasState ras;
    TRasSimService sim{folder, clock};
    FakeRasService fake;
    // Waiting for a hang-up moves the clock instead of sleeping.
    TDialUp dialUp;
    FakeView view;
    TWatch watcher;

    explicit Fixture(Service service = Service::Simulated) : Fixture(service, nullptr) {}
    // A watch over another dial-up service (a real backend).
    explicit Fixture(IRasService& service) : Fixture(Service::Simulated, &service) {}

private:
    Fixture(Service service, IRasService* other)
        : dialUp(other                           ? *other
                 : service == Service::Simulated ? static_cast<IRasService&>(sim)
                                                 : fake,
                 ras, clock, [this](int ms) { clock.advanceMs(ms); }),
          watcher(WatchContext{settings, watch, records, archive, profiles, schedule, trace,
                               holidays, provider, dialUp, folder, clock, prompt},
                  view)
    {
        settings.tabDefault = QStringLiteral("Prova");
        settings.iva = 20;
    }

public:
    QString archivePath() const { return archive.path(); }

    // Saves a profile under name.
    bool saveProfile(const QString& name, const TariffTable& table)
    {
        TariffProfiles p;
        p.working = table;
        return TProfileFiles(p, folder, prompt).SaveProfile(name);
    }

    // The simulated service's connection of entry, added or changed.
    bool setConnection(const QString& entry, uint32_t state, uint32_t error = 0)
    {
        QString why;
        return sim.store().update(
            [&](SimConnections& s) {
                for (SimConnection& c : s.list)
                    if (c.entryName == entry) {
                        c.state = state;
                        c.error = error;
                        return;
                    }
                s.list.push_back({s.allocateHandle(), entry, QString(), state, error, 0});
            },
            why);
    }
    bool connecting(const QString& entry = QStringLiteral("Prova"))
    {
        return setConnection(entry, ras::ConnectDevice);
    }
    bool connect(const QString& entry = QStringLiteral("Prova"))
    {
        return setConnection(entry, ras::Connected);
    }
    bool drop()
    {
        QString why;
        return sim.store().update([](SimConnections& s) { s.list.clear(); }, why);
    }

    // One second of the bar's timers.
    void tick()
    {
        clock.advanceSeconds(1);
        if (view.active(WatchTimer::Ctrl))
            watcher.watchTick();
        if (view.active(WatchTimer::Session))
            watcher.sessionTick();
        if (view.active(WatchTimer::Blink))
            watcher.blinkTick();
    }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i)
            tick();
    }

    QByteArray archiveBytes() const
    {
        QFile f(archive.path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    ConnRecord recordAt(int i) const
    {
        return ConnRecord::fromBytes(archiveBytes().mid(i * ConnRecord::Size, ConnRecord::Size));
    }

    // The end dialog's two answers, as its "&OK" does them.
    void confirmInDialog()
    {
        view.onEndDialog = [this](Light) {
            QVERIFY(session::finalWrite(records, archive, prompt));
            session::releaseSessionRecord(records);
        };
    }
    void discardInDialog()
    {
        view.onEndDialog = [this](Light) {
            QVERIFY(session::discardWrite(records, archive, prompt));
            session::releaseSessionRecord(records);
        };
    }
};

// Every row from 00:00 at 60 Lire a minute: one Lira a second.
inline TariffTable liraPerSecond()
{
    TariffTable t;
    for (int row = 0; row < DayRows; ++row)
        t.cell(1, row).costo1 = 60;
    return t;
}

} // namespace watchtest
