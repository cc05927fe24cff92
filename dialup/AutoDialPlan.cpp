#include "dialup/AutoDialPlan.h"

#include "archive/ConnRecord.h"
#include "common/ByteIO.h"
#include "common/Prompt.h"
#include "dialup/DialProgress.h"
#include "dialup/DialSession.h"
#include "dialup/DialUp.h"
#include "dialup/ProviderRecord.h"
#include "dialup/RasState.h"

#include <optional>

namespace
{

std::optional<int> number(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}

} // namespace

int TAutoDialPlan::attemptsToDial(const QString& text)
{
    return number(text).value_or(1);
}

int32_t TAutoDialPlan::storedAttempts1(const QString& text)
{
    const int n = number(text).value_or(DefaultAttempts1);
    return n < 0 || n > MaxAttempts ? DefaultAttempts1 : n;
}

int32_t TAutoDialPlan::storedAttempts2(const QString& text)
{
    const int n = number(text).value_or(DefaultAttempts2);
    // Out of range falls back to 10, not to this field's own default of 5:
    // stored files of earlier versions carry that value.
    return n < 0 || n > MaxAttempts ? DefaultAttempts1 : n;
}

TAutoDialPlan::TAutoDialPlan(IDialSession& session, TDialProgress& progress,
                             IAutoDialWindows& windows)
    : m_session(session), m_progress(progress), m_windows(windows)
{
}

bool TAutoDialPlan::takeProvider(const QString& name, bool first)
{
    TProviderRecord& provider = m_session.provider();
    IPrompt& prompt = m_session.prompt();
    provider.load(m_session.programFolder(), name, prompt);
    if (provider.phoneNumber.isEmpty()) {
        if (!first) {
            m_windows.showDialler();
            m_windows.processEvents();
        }
        // The name asked for, not the record's: a missing record has none.
        prompt.message(NoPhoneText, Title + name, PromptIcon::Warning, true);
        return false;
    }
    // Only credentials the dial-up service will use are asked for.
    if ((provider.userName.isEmpty() || provider.password.isEmpty()) &&
        m_session.dialUp().service().usesCredentials())
        m_windows.askCredentials(provider);
    ConnRecord& running = m_session.runningRecord();
    running.provider = bio::cutTo(provider.entryName, ConnRecord::ProviderMax);
    running.telefono = bio::cutTo(provider.phoneNumber, ConnRecord::TelefonoMax);
    return true;
}

TAutoDialPlan::Step TAutoDialPlan::attempts(int count, const QString& countText,
                                            const QString& lineEnd)
{
    TDialUp& dialUp = m_session.dialUp();
    const TProviderRecord& provider = m_session.provider();
    IPrompt& prompt = m_session.prompt();
    for (int i = 1; i <= count; ++i) {
        m_progress.beginAttempt();
        dialUp.dial(provider, m_progress.notifier());
        // Until the first notification names it, the dial just placed is the
        // one a cancel must hang up; otherwise a dial cancelled early would
        // go on and connect with nobody watching.
        RasState& ras = dialUp.state();
        ras.notifiedHandle = ras.dialHandle;
        const QString line = QStringLiteral("Tentativo %1 di %2").arg(i).arg(countText) + lineEnd;
        m_windows.hideDialler();
        const int result = m_windows.runAttempt(line, provider.entryName, provider.phoneNumber);
        switch (result) {
        case AttemptResult::Cancelled:
            ending();
            prompt.message(CancelledText, Title, PromptIcon::Error);
            return Step::Cancelled;
        case AttemptResult::Failed:
            ending();
            if (m_choice.interrompi) {
                prompt.message(StoppedText, Title, PromptIcon::Error);
                return Step::Stopped;
            }
            prompt.message(NextOnErrorText, Title, PromptIcon::Error);
            return Step::NextProvider;
        case AttemptResult::Busy:
            dialUp.quickHangUp();
            break;
        case AttemptResult::Connected:
            m_windows.hideDialler();
            return Step::Connected;
        default:
            break;
        }
    }
    return Step::Exhausted;
}

void TAutoDialPlan::ending()
{
    // The dial is given up: notifications of it still on their way (a device
    // or connected state posted just before the cancel) must not start a
    // session, or take over the one offered below, once messages are processed.
    m_progress.beginAttempt();
    m_windows.showDialler();
    m_session.setBlinking(false);
    // Also after a failed dial: a session left running would go on being
    // timed with nobody to end it.
    if (m_session.sessionRunning())
        m_session.stopSession();
    m_windows.processEvents();
    m_session.dialUp().quickHangUp();

    // Only this run's own session is offered for keeping: the running record
    // may still hold an earlier connection that has been stored already.
    const ConnRecord& running = m_session.runningRecord();
    if (m_progress.sessionStartedThisRun() && !m_session.endDialogOpen() &&
        running.inizio < running.fine)
        m_session.offerEnd();
    m_progress.beginRun();
    m_session.setLight(Light::Red, true);
}

std::optional<TAutoDialPlan::Outcome> TAutoDialPlan::runEnded(Step step)
{
    switch (step) {
    case Step::Connected:
        return Outcome::Connected;
    case Step::Cancelled:
        return Outcome::Cancelled;
    case Step::Stopped:
        return Outcome::Stopped;
    case Step::NextProvider:
    case Step::Exhausted:
        break;
    }
    return std::nullopt;
}

TAutoDialPlan::Outcome TAutoDialPlan::run(const AutoDialChoice& choice)
{
    m_choice = choice;
    IPrompt& prompt = m_session.prompt();
    m_progress.beginRun();

    if (choice.provider.isEmpty()) {
        prompt.message(NoProviderText, Title, PromptIcon::Warning, true);
        return Outcome::NoProvider;
    }
    if (!takeProvider(choice.provider, true))
        return Outcome::NoPhone;

    const int n = attemptsToDial(choice.tentativi1);
    Step step = Step::Exhausted;
    if (n >= 1)
        step = attempts(n, choice.tentativi1, QStringLiteral(" con"));
    if (const auto end = runEnded(step))
        return *end;
    if (step == Step::Exhausted && choice.rinuncia) {
        prompt.message(NoSuccessText, Title, PromptIcon::Error);
        m_windows.showDialler();
        m_windows.processEvents();
        return Outcome::Exhausted;
    }

    for (const QString& name : choice.ordine) {
        if (name.isEmpty() || name == choice.provider)
            continue;
        if (!takeProvider(name, false))
            return Outcome::NoPhone;
        const int m = attemptsToDial(choice.tentativi2);
        if (const auto end = runEnded(attempts(m, choice.tentativi2, QString())))
            return *end;
    }
    m_windows.showDialler();
    m_windows.processEvents();
    prompt.message(NoSuccessText, Title, PromptIcon::Error);
    return Outcome::Exhausted;
}
