#pragma once
// What the program needs of the desktop shell: opening a file, folder or web
// address with the user's default application, and the start-up shortcut
// that makes the program start with the desktop session.
//
// Opening needs QtGui (QDesktopServices), so it sits behind IDesktopOpener;
// its Qt implementation is TDesktopOpener (library tarvelo_gui_platform_shell).
// Everything else here is QtCore only.

#include "platform/system/Registry.h"

#include <QString>
#include <QUrl>

class IDesktopOpener
{
public:
    virtual ~IDesktopOpener() = default;
    // Hands the URL to the desktop's default application; false when the
    // desktop refused it.
    virtual bool openUrl(const QUrl& url) = 0;
};

class IShell
{
public:
    virtual ~IShell() = default;

    // Opens a local file or folder or a URL ("http://...", "https://...",
    // "mailto:...", "file://...") with the default application. A relative
    // path is taken from the program folder ("hlp/index.htm").
    // False when a local target does not exist, the text is not a valid URL,
    // or the desktop refused it. Help pages open in the browser's usual
    // window: there is no portable way to ask for a maximised one.
    virtual bool openDocument(const QString& pathOrUrl) = 0;

    // Folder whose entries the desktop starts with the session.
    virtual QString startupFolder() const = 0;
    // Full path of the program's start-up shortcut in startupFolder().
    virtual QString startupShortcutPath() const = 0;
    // enabled: writes the shortcut (replacing an old one); false: removes it.
    // Removing an absent shortcut succeeds. error (if given) says why not.
    virtual bool setStartupShortcut(bool enabled, QString* error = nullptr) = 0;
};

class TShell : public IShell
{
public:
    // executable: absolute path of the program; programFolder: its folder
    // (the working folder of the started program). The registry is read for
    // the start-up folder; the opener may be null (openDocument then fails).
    TShell(IRegistry& registry, IDesktopOpener* opener, const QString& executable,
           const QString& programFolder);

    bool openDocument(const QString& pathOrUrl) override;
    // Value "StartUp" of ShellFoldersKey when it holds an absolute path of
    // this system (a Windows path such as "C:\..." copied over from a Windows
    // export is ignored); else $XDG_CONFIG_HOME/autostart
    // (~/.config/autostart).
    QString startupFolder() const override;
    QString startupShortcutPath() const override;
    bool setStartupShortcut(bool enabled, QString* error = nullptr) override;

    // The desktop entry written as the start-up shortcut.
    static QByteArray desktopEntry(const QString& executable, const QString& programFolder);
    // The URL openDocument() would hand to the opener; invalid when refused.
    QUrl urlFor(const QString& pathOrUrl) const;

    static inline const QString ShellFoldersKey =
        QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
    static inline const QString ShortcutFileName = QStringLiteral("Pindral Tarvelo!.desktop");

private:
    IRegistry& m_registry;
    IDesktopOpener* m_opener;
    QString m_executable;
    QString m_programFolder;
};
