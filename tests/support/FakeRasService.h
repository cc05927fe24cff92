#pragma once
// A dial-up service under the test's control: connections and their status
// are set directly, and a hang-up takes effect after a chosen number of
// status queries (or never).

#include "platform/ras/RasService.h"

#include <functional>
#include <map>

class FakeRasService : public IRasService
{
public:
    QStringList names;
    std::vector<RasConnection> conns;
    std::map<RasHandle, RasConnStatus> status;
    bool statusFails = false;
    // Status queries a hung-up connection survives; -1: it never goes.
    int queriesUntilGone = 0;
    // What hangUp answers (ras::AccessDenied: a connection of another user).
    uint32_t hangUpRefusal = ras::Success;

    std::function<void()> onGone; // called when a hung-up connection goes

    QList<RasHandle> hungUp;
    QList<RasDialParams> dials;
    RasHandle nextDialHandle = 77;

    void add(RasHandle h, const QString& name, uint32_t state, uint32_t error = 0)
    {
        conns.push_back({h, name});
        status[h] = {state, error};
    }

    QString problem;         // what entriesProblem says
    bool credentials = true; // what usesCredentials says

    QStringList entries() override { return names; }
    QString entriesProblem() override { return problem; }
    bool usesCredentials() const override { return credentials; }
    std::vector<RasConnection> connections() override { return conns; }
    uint32_t connectionStatus(RasHandle h, RasConnStatus& out) override
    {
        if (statusFails)
            return 605;
        const auto it = status.find(h);
        if (it == status.end())
            return ras::InvalidHandle;
        const auto p = m_pending.find(h);
        if (p != m_pending.end() && p->second >= 0 && p->second-- == 0) {
            m_pending.erase(p);
            status.erase(it);
            std::erase_if(conns, [h](const RasConnection& c) { return c.handle == h; });
            if (onGone)
                onGone();
            return ras::InvalidHandle;
        }
        out = it->second;
        return ras::Success;
    }
    RasHandle dial(const RasDialParams& p, RasNotifier) override
    {
        dials << p;
        return nextDialHandle;
    }
    uint32_t hangUp(RasHandle h) override
    {
        hungUp << h;
        if (hangUpRefusal != ras::Success)
            return hangUpRefusal;
        if (status.count(h) && !m_pending.count(h))
            m_pending[h] = queriesUntilGone;
        return ras::Success;
    }
    QString errorText(uint32_t code) override { return QStringLiteral("errore %1").arg(code); }

private:
    std::map<RasHandle, int> m_pending;
};
