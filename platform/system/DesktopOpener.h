#pragma once
// Opens files, folders and web addresses with the desktop's default
// application through QDesktopServices (needs QtGui, hence its own library
// tarvelo_gui_platform_shell).

#include "platform/system/Shell.h"

class TDesktopOpener : public IDesktopOpener
{
public:
    bool openUrl(const QUrl& url) override;
};
