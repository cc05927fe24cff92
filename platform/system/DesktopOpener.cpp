#include "platform/system/DesktopOpener.h"

#include <QDesktopServices>

bool DesktopOpener::openUrl(const QUrl& url)
{
    return url.isValid() && QDesktopServices::openUrl(url);
}
