#include "net/NetClient.h"

int TNetClient::socketErrorNumber(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return ErrConnectionRefused;
    case QAbstractSocket::RemoteHostClosedError:
        return ErrConnectionReset;
    case QAbstractSocket::HostNotFoundError:
        return ErrHostNotFound;
    case QAbstractSocket::SocketAccessError:
        return ErrAccess;
    case QAbstractSocket::SocketTimeoutError:
        return ErrTimedOut;
    case QAbstractSocket::NetworkError:
        return ErrNetworkDown;
    default:
        return ErrConnectionAborted;
    }
}
