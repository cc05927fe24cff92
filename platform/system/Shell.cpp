#include "platform/system/Shell.h"

#include "common/SysError.h"
#include "platform/file/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <unistd.h>

namespace
{

// A string value of a desktop entry: backslash and control characters escaped.
QString entryString(const QString& s)
{
    QString out;
    for (QChar c : s) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            out += c;
        }
    }
    if (out.startsWith(QLatin1Char(' ')))
        out.replace(0, 1, QStringLiteral("\\s"));
    return out;
}

// One argument of an Exec line: always in double quotes, with '"', '`', '$'
// and '\' escaped inside them and '%' doubled so it is no field code. The
// string escaping of the whole value comes on top (so a '\' ends up as four).
QString execArgument(const QString& arg)
{
    QString out = QStringLiteral("\"");
    for (QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            out += QLatin1Char('%');
        out += c;
    }
    return out + QLatin1Char('"');
}

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

} // namespace

TShell::TShell(IRegistry& registry, IDesktopOpener* opener, const QString& executable,
               const QString& programFolder)
    : m_registry(registry), m_opener(opener), m_executable(executable),
      m_programFolder(programFolder)
{
}

QUrl TShell::urlFor(const QString& pathOrUrl) const
{
    if (pathOrUrl.isEmpty())
        return {};
    static const QStringList schemes = {QStringLiteral("http"), QStringLiteral("https"),
                                        QStringLiteral("mailto"), QStringLiteral("file")};
    if (!pathOrUrl.startsWith(QLatin1Char('/'))) {
        const QUrl url(pathOrUrl, QUrl::StrictMode);
        if (url.isValid() && schemes.contains(url.scheme().toLower())) {
            if (url.scheme().startsWith(QLatin1String("http"), Qt::CaseInsensitive) &&
                url.host().isEmpty())
                return {};
            return url;
        }
    }
    return QUrl::fromLocalFile(QDir(m_programFolder).absoluteFilePath(pathOrUrl));
}

bool TShell::openDocument(const QString& pathOrUrl)
{
    const QUrl url = urlFor(pathOrUrl);
    if (!url.isValid() || !m_opener)
        return false;
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return false;
    return m_opener->openUrl(url);
}

QString TShell::startupFolder() const
{
    const RegValue v = m_registry.readValue(ShellFoldersKey, QStringLiteral("StartUp"));
    if (v.type == RegType::String && v.text.startsWith(QLatin1Char('/')))
        return withoutTrailingSlash(v.text);
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return withoutTrailingSlash(config) + QStringLiteral("/autostart");
}

QString TShell::startupShortcutPath() const
{
    return startupFolder() + QLatin1Char('/') + ShortcutFileName;
}

QByteArray TShell::desktopEntry(const QString& executable, const QString& programFolder)
{
    QString e = QStringLiteral("[Desktop Entry]\n"
                               "Type=Application\n"
                               "Name=Tarvelo!\n");
    // TryExec: once the program is removed, the desktop skips the entry
    // instead of failing to start it at every login.
    e += QStringLiteral("TryExec=") + entryString(executable) + QLatin1Char('\n');
    e += QStringLiteral("Exec=") + entryString(execArgument(executable)) + QLatin1Char('\n');
    e += QStringLiteral("Path=") + entryString(withoutTrailingSlash(programFolder)) +
         QLatin1Char('\n');
    e += QStringLiteral("Terminal=false\n");
    return e.toUtf8();
}

bool TShell::setStartupShortcut(bool enabled, QString* error)
{
    if (error)
        error->clear();
    const QString path = startupShortcutPath();
    if (!enabled) {
        if (::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT)
            return true;
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, systemErrorText(errno));
        return false;
    }
    const QString folder = startupFolder();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("%1: impossibile creare la cartella").arg(folder);
        return false;
    }
    const AtomicWriteResult r =
        writeFileAtomically(path, desktopEntry(m_executable, m_programFolder), false);
    if (!r.ok && error)
        *error = QStringLiteral("%1: %2").arg(path, r.error);
    return r.ok;
}
