#include "platform/gui/TrayIcon.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>

TTrayIcon::TTrayIcon(const QIcon& icon, QObject* parent)
    : QObject(parent), m_icon(new QSystemTrayIcon(icon, this))
{
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                switch (reason) {
                case QSystemTrayIcon::Context:
                    emit rightClicked(QCursor::pos());
                    break;
                case QSystemTrayIcon::DoubleClick:
                case QSystemTrayIcon::Trigger:
                    emit activated();
                    break;
                default:
                    break;
                }
            });
}

TTrayIcon::~TTrayIcon()
{
    remove();
}

bool TTrayIcon::hostAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TTrayIcon::add()
{
    m_added = true;
    // On X11 the icon is shown even when no host answers now, so that Qt can
    // hand it to a panel that starts after the program; other platforms
    // without a host (offscreen, minimal) have nowhere to put it.
    if (hostAvailable() || QGuiApplication::platformName() == QLatin1String("xcb"))
        m_icon->show();
}

void TTrayIcon::remove()
{
    m_added = false;
    m_icon->hide();
}

void TTrayIcon::setMenu(QMenu* menu)
{
    m_icon->setContextMenu(menu);
}

void TTrayIcon::setToolTip(const QString& tip)
{
    m_icon->setToolTip(tip);
}
