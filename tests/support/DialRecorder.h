#pragma once
// Collects the notifications of dials as they arrive on a dial-up service's
// own thread, for tests of the service backends.

#include "platform/ras/RasService.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QTest>
#include <mutex>
#include <thread>
#include <vector>

namespace dialtest
{

// One notification: state and error.
struct Seen {
    uint32_t state;
    uint32_t error;
    bool operator==(const Seen&) const = default;
};

inline char* toString(const Seen& s)
{
    return qstrdup(QByteArray::number(s.state) + "/" + QByteArray::number(s.error));
}

struct Recorder {
    std::mutex mutex;
    std::vector<Seen> seen; // not QList: the copies handed out must not share data
    std::vector<RasHandle> handles;
    bool otherThread = true;
    std::thread::id testThread = std::this_thread::get_id();

    RasNotifier notifier()
    {
        return [this](const RasNotification& n) {
            std::lock_guard lock(mutex);
            seen.push_back({n.state, n.error});
            handles.push_back(n.handle);
            otherThread = otherThread && std::this_thread::get_id() != testThread &&
                          n.message == ras::DialEventMessage;
        };
    }
    // Dials an entry with this recorder as the notifier.
    RasHandle dial(IRasService& service, const QString& entry, const QString& phone = {})
    {
        RasDialParams p;
        p.entryName = entry;
        p.phoneNumber = phone;
        return service.dial(p, notifier());
    }
    QList<Seen> snapshot()
    {
        std::lock_guard lock(mutex);
        return QList<Seen>(seen.begin(), seen.end());
    }
    // The dial reached lastState or failed.
    bool ended(uint32_t lastState)
    {
        const QList<Seen> s = snapshot();
        return !s.isEmpty() && (s.last().state == lastState || s.last().error != 0);
    }
};

} // namespace dialtest

Q_DECLARE_METATYPE(QList<dialtest::Seen>)
