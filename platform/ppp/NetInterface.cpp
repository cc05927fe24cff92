#include "platform/ppp/NetInterface.h"

#include <cstring>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

bool interfaceHasAddress(const QString& name)
{
    const QByteArray n = name.toLocal8Bit();
    if (n.isEmpty() || n.size() >= IFNAMSIZ)
        return false;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ifreq req{};
    std::memcpy(req.ifr_name, n.constData(), size_t(n.size()));
    bool up = ::ioctl(fd, SIOCGIFFLAGS, &req) == 0 && (req.ifr_flags & IFF_UP) != 0;
    if (up) {
        req.ifr_addr.sa_family = AF_INET;
        up = ::ioctl(fd, SIOCGIFADDR, &req) == 0;
    }
    ::close(fd);
    return up;
}
