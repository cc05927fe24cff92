#include "platform/gui/TermSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

constexpr int HandledSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler cannot reach an object, so the socket pair lives here; only
// one TTermSignals can be installed at a time (install() refuses a second).
int g_pipe[2] = {-1, -1};

extern "C" void onTermSignal(int sig)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    [[maybe_unused]] ssize_t n = ::write(g_pipe[0], &byte, 1);
    errno = saved;
}

} // namespace

TTermSignals::TTermSignals(QObject* parent) : QObject(parent) {}

TTermSignals::~TTermSignals()
{
    if (!m_installed)
        return;
    for (int sig : HandledSignals)
        std::signal(sig, SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

bool TTermSignals::install()
{
    if (m_installed || g_pipe[0] != -1)
        return false;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0)
        return false;
    m_notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TTermSignals::readSignal);

    struct sigaction sa = {};
    sa.sa_handler = onTermSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    m_installed = true;
    for (int sig : HandledSignals)
        if (::sigaction(sig, &sa, nullptr) != 0)
            return false;
    return true;
}

void TTermSignals::readSignal()
{
    unsigned char byte = 0;
    while (::read(g_pipe[1], &byte, 1) == 1)
        emit terminationRequested(byte);
}
