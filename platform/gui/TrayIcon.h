#pragma once
// The notification-area icon. Without a tray host (a bare window manager,
// the offscreen platform) the icon is simply not shown and the program runs
// on; the wrapper still remembers whether it was added, so callers never
// need to ask.

#include <QIcon>
#include <QObject>
#include <QPoint>

class QMenu;
class QSystemTrayIcon;

class TTrayIcon : public QObject
{
    Q_OBJECT
public:
    explicit TTrayIcon(const QIcon& icon, QObject* parent = nullptr);
    ~TTrayIcon() override;

    void add();
    void remove();
    bool isAdded() const { return m_added; }
    static bool hostAvailable();

    // The menu the tray host opens on a right click.
    void setMenu(QMenu* menu);
    void setToolTip(const QString& tip);

    QSystemTrayIcon* native() const { return m_icon; }

signals:
    // Right button on the icon; the host opens the menu itself.
    void rightClicked(QPoint globalPos);
    // Left double click, or a single activation on hosts that report no
    // double clicks (the StatusNotifier protocol has none).
    void activated();

private:
    QSystemTrayIcon* m_icon;
    bool m_added = false;
};
