#include "platform/system/DesktopOpener.h"

#include <QDesktopServices>

bool TDesktopOpener::openUrl(const QUrl& url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}
