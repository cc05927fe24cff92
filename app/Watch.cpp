#include "app/Watch.h"

#include "app/Settings.h"
#include "app/WatchState.h"
#include "archive/ArchiveFile.h"
#include "archive/ConnRecords.h"
#include "common/ByteIO.h"
#include "common/Clock.h"
#include "common/Format.h"
#include "common/Prompt.h"
#include "dialup/DialUp.h"
#include "dialup/ProviderRecord.h"
#include "tariff/ProfileFiles.h"
#include "tariff/TariffProfiles.h"

namespace
{

const QString CostPattern = QStringLiteral("#,#");
const QString TimePattern = QStringLiteral("hh.nn.ss");
const QString ZeroTime = QStringLiteral("00.00.00");
const QString ZeroCost = QStringLiteral("0");

} // namespace

QString TWatch::noBandText(const QString& profileName)
{
    return NoBandText(profileName) +
           QStringLiteral("\rQuando terminato, riabilita il Timer facendo clic sul Semaforo.");
}

TWatch::TWatch(const WatchContext& ctx, IWatchView& view)
    : m_ctx(ctx), m_view(view), m_tickPrompt(ctx.prompt)
{
}

void TWatch::watchOn()
{
    WatchState& w = m_ctx.watch;
    if (w.enabled)
        return;
    w.enabled = true;
    // Switching the watch off already ended its own timing; a session still
    // running here was started by the dialler meanwhile, and the watch takes
    // it over rather than dropping it untimed and never offered for keeping.
    m_view.setTimerActive(WatchTimer::Ctrl, true);
    w.mode = WatchMode::Automatic;
    m_view.setAutLight(true);
}

void TWatch::watchOff()
{
    WatchState& w = m_ctx.watch;
    if (!w.enabled)
        return;
    w.enabled = false;
    m_view.setTimerActive(WatchTimer::Ctrl, false);
    m_view.setTimerActive(WatchTimer::Blink, false);
    // A session that is no longer running must not go on being timed and
    // checkpointed with nobody left to end it.
    m_view.setTimerActive(WatchTimer::Session, false);
    w.light = Light::None;
    w.lightImage = LightImage::Off;
    m_view.showLight(lightIndex(LightImage::Off));
    w.running = false;
}

void TWatch::setLightState(Light light, LightImage image)
{
    m_ctx.watch.light = light;
    m_ctx.watch.lightImage = image;
}

void TWatch::watchTick()
{
    WatchState& w = m_ctx.watch;
    if (w.mode != WatchMode::Automatic)
        return;
    if (!w.enabled) {
        w.light = Light::None;
        return;
    }
    // The end dialog works on the running record: a new session must not
    // take it over before the user has answered. The new connection is
    // picked up at the first tick after the dialog closes.
    if (m_view.endDialogOpen())
        return;

    const RasProbeResult probe = m_ctx.dialUp.probe();
    switch (probe.outcome) {
    case RasProbe::NoConnection:
        if (w.lightImage == LightImage::Red)
            return;
        m_view.setTimerActive(WatchTimer::Blink, false);
        w.lightImage = LightImage::Red;
        m_view.showLight(lightIndex(LightImage::Red));
        if (w.running)
            StopClick();
        return;
    case RasProbe::Connected:
        if (w.running && w.light == Light::Green)
            return;
        w.connected = true;
        takeEntry(probe.entryName);
        StartClick();
        if (!w.enabled)
            return;
        m_view.setTimerActive(WatchTimer::Blink, false);
        setLightState(Light::Green, LightImage::Green);
        m_view.showLight(lightIndex(LightImage::Green));
        return;
    case RasProbe::Busy:
        return;
    case RasProbe::Connecting:
        w.connected = false;
        takeEntry(probe.entryName);
        if (w.running)
            return;
        StartClick();
        if (!w.enabled)
            return;
        setLightState(Light::Yellow, LightImage::Yellow);
        m_view.setTimerActive(WatchTimer::Blink, true);
        return;
    }
}

void TWatch::takeEntry(const QString& entryName)
{
    ConnRecord& r = m_ctx.records.running;
    const QString provider = bio::cutTo(entryName, ras::ProbeEntryNameMax);
    // While a session runs on this entry its record is already loaded;
    // reading it again every second would only repeat a failure's beep.
    if (m_ctx.watch.running && r.provider == provider)
        return;
    r.provider = provider;
    m_ctx.provider.load(m_ctx.programFolder, entryName, m_tickPrompt);
    r.telefono = bio::cutTo(m_ctx.provider.phoneNumber, ConnRecord::TelefonoMax);
}

void TWatch::refuse(const QString& text)
{
    m_tickPrompt.beep();
    watchOff();
    m_tickPrompt.message(text, ErrorTitle, PromptIcon::Error, true);
}

void TWatch::StartClick()
{
    ConnRecords& recs = m_ctx.records;
    session::armFirstSave(recs);
    WatchState& w = m_ctx.watch;
    if (w.running)
        return;
    recs.running.motivo.clear();
    const QString name =
        m_ctx.provider.profile.isEmpty() ? m_ctx.settings.tabDefault : m_ctx.provider.profile;
    m_ctx.trace.lines.clear();
    m_ctx.trace.profileName = name;

    TProfileFiles files(m_ctx.profiles, m_ctx.programFolder, m_tickPrompt);
    if (!files.LoadProfile(name, false)) {
        refuse(NoProfileText);
        return;
    }
    // The schedule is built before anything of the session is set up: a
    // connection that cannot be priced is refused like a missing profile.
    const TDateTime now = m_ctx.clock.now();
    const int32_t dialTime = m_ctx.settings.dialTime;
    std::optional<Schedule> schedule = BuildSchedule(
        m_ctx.profiles.working, now + dialTime * dt::OneSecond, m_ctx.holidays, &m_ctx.trace);
    if (!schedule) {
        refuse(noBandText(name));
        return;
    }

    if (m_ctx.settings.mostraSeConn)
        m_view.showBar();
    m_ctx.profiles.session = m_ctx.profiles.working;
    // Running before the archive is opened, so that nothing the archive's
    // error message lets run meanwhile can start this session again.
    w.running = true;
    m_ctx.schedule = std::move(schedule);
    session::begin(recs, m_ctx.archive, name, dialTime, now, m_tickPrompt);

    m_view.setTimerActive(WatchTimer::Session, true);
    w.lightImage = LightImage::Green;
    m_view.setTimerActive(WatchTimer::Blink, true);
}

double TWatch::sessionCost(TDateTime end) const
{
    if (!m_ctx.schedule)
        return 0;
    return ComputeCost(m_ctx.profiles.session, *m_ctx.schedule, m_ctx.records.running.inizio, end)
        .cost;
}

void TWatch::sessionStartMoved()
{
    if (!m_ctx.watch.running || !m_ctx.schedule)
        return;
    ScheduleTrace trace{m_ctx.trace.profileName, {}};
    std::optional<Schedule> schedule =
        BuildSchedule(m_ctx.profiles.session, m_ctx.records.running.inizio, m_ctx.holidays, &trace);
    if (!schedule)
        return;
    m_ctx.schedule = std::move(schedule);
    m_ctx.trace = std::move(trace);
}

void TWatch::sessionTick()
{
    WatchState& w = m_ctx.watch;
    ConnRecords& recs = m_ctx.records;
    if (!w.running || !session::countTick(recs, m_ctx.clock.now()))
        return;
    const float shown = ShownCost(float(sessionCost(recs.running.fine)), m_ctx.settings.iva);
    w.shownCost = shown;
    m_view.setCostoText(fmt::formatFloat(CostPattern, shown));
    m_view.setTempoText(fmt::formatDateTime(TimePattern, recs.running.fine - recs.running.inizio));
    session::periodicSave(recs, m_ctx.archive, shown, w.connected, m_tickPrompt, this);
    if (m_ctx.settings.aggAuto && w.connected)
        m_view.requestUpdateSearch();
}

void TWatch::saveStarted()
{
    m_view.setAutLight(false);
}

void TWatch::saveFinished(bool ok)
{
    // A failed save leaves the light red: the archive is not being kept up
    // to date until a later save succeeds.
    if (ok)
        m_view.setAutLight(true);
}

void TWatch::StopClick()
{
    WatchState& w = m_ctx.watch;
    ConnRecords& recs = m_ctx.records;
    w.running = false;
    // A confirmed connection does not outlive its session: without this, a
    // connection gone within "DialTime" would leave "&Disconnetti" offered.
    w.connected = false;
    m_view.setTimerActive(WatchTimer::Session, false);
    m_view.setTimerActive(WatchTimer::Blink, false);
    w.lightImage = LightImage::Red;
    m_view.showLight(lightIndex(LightImage::Red));

    const TDateTime now = m_ctx.clock.now();
    session::end(recs, now, WithVat(float(sessionCost(now)), m_ctx.settings.iva));

    RasState& ras = m_ctx.dialUp.state();
    if (ras.lastError == ras::LineBusy) {
        m_view.setTempoText(ZeroTime);
        m_view.setCostoText(ZeroCost);
        ras.lastError = ras::Pending;
        return;
    }
    if (w.mode == WatchMode::Automatic && !m_view.endDialogOpen() &&
        recs.running.inizio < recs.running.fine)
        m_view.openEndDialog(w.light);
}

void TWatch::blinkTick()
{
    WatchState& w = m_ctx.watch;
    if (!w.enabled)
        return;
    w.blinkShifted = !w.blinkShifted;
    m_view.showLight(lightIndex(w.lightImage, w.blinkShifted));
}

void TWatch::AutoInt1Click()
{
    WatchState& w = m_ctx.watch;
    if (w.connected) {
        IPrompt& prompt = m_ctx.prompt;
        if (prompt.confirm(AlreadyConnectedText, ConfirmTitle) &&
            prompt.confirm(SureToEndText, ConfirmTitle) && Disconnect())
            w.connected = false;
        return;
    }
    m_view.setAutLight(false);
    w.mode = WatchMode::Manual;
    // Without a dialler nothing would ever bring the watch back to automatic.
    if (!m_view.openAutoDial()) {
        w.mode = WatchMode::Automatic;
        m_view.setAutLight(true);
    }
}

bool TWatch::Disconnect()
{
    WatchState& w = m_ctx.watch;
    if (w.hangUpGuard)
        return false;
    w.hangUpGuard = true;
    struct ClearGuard {
        bool& flag;
        ~ClearGuard() { flag = false; }
    } clearGuard{w.hangUpGuard};

    // No is preselected, as in every question of the program: Enter alone
    // must never end the program in the last resort.
    const auto ask = [this](const QString& text) {
        return m_ctx.prompt.ask(
                   {text, ProgramTitle, PromptIcon::Warning, PbYes | PbNo, PbNo, true}) == PbYes;
    };
    for (;;) {
        switch (m_ctx.dialUp.hangUpWithWait()) {
        case RasHangUp::Gone:
            return true;
        case RasHangUp::AlreadyRunning:
            return false;
        case RasHangUp::Refused: {
            TDialUp& dialUp = m_ctx.dialUp;
            m_ctx.prompt.message(
                HangUpRefusedText.arg(dialUp.errorText(dialUp.state().hangUpError)), ErrorTitle,
                PromptIcon::Error);
            return false;
        }
        case RasHangUp::TimedOut:
            break;
        }
        if (ask(HangUpTimeoutText))
            continue;
        if (!ask(GiveUpText))
            return false;
        // The last resort: whatever the line does, the session is closed and
        // offered for keeping, then the program ends.
        if (w.running)
            StopClick();
        m_view.closeMainBar();
        return false;
    }
}

void TWatch::cambiatariffa1Click()
{
    if (m_ctx.watch.connected)
        m_view.openChangeTariff();
}

ConnRecord& TWatch::runningRecord()
{
    return m_ctx.records.running;
}

bool TWatch::watchEnabled() const
{
    return m_ctx.watch.enabled;
}

bool TWatch::sessionRunning() const
{
    return m_ctx.watch.running;
}

void TWatch::setLight(Light light, bool show)
{
    switch (light) {
    case Light::None:
        setLightState(light, LightImage::Off);
        break;
    case Light::Green:
        setLightState(light, LightImage::Green);
        break;
    case Light::Yellow:
        setLightState(light, LightImage::Yellow);
        break;
    case Light::Red:
        setLightState(light, LightImage::Red);
        break;
    }
    if (show)
        m_view.showLight(lightIndex(m_ctx.watch.lightImage));
}

void TWatch::setBlinking(bool on)
{
    m_view.setTimerActive(WatchTimer::Blink, on);
}

void TWatch::setConnected(bool connected)
{
    m_ctx.watch.connected = connected;
}

void TWatch::backToAutomatic()
{
    m_view.setAutLight(true);
    m_ctx.watch.mode = WatchMode::Automatic;
}

bool TWatch::endDialogOpen() const
{
    return m_view.endDialogOpen();
}

void TWatch::offerEnd()
{
    m_ctx.watch.running = false;
    m_view.openEndDialog(m_ctx.watch.light);
}
