#include "platform/system/ProgramLayout.h"

#include "platform/file/AtomicFile.h"
#include "platform/file/PosixIO.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

// TARVELO_DATA_FROM_BIN: the shipped files' folder relative to the installed
// executables, from the install folders the build was configured with
// ("../share/tarvelo").

namespace
{

QString withSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString withoutSlash(const QString& folder)
{
    return QDir::cleanPath(folder);
}

QString failure(const QString& text, const QString& path, int err)
{
    return text.arg(path, qt_error_string(err));
}

// Makes the folder and every missing one above it, each owner-only (the
// user's data folders hold phone numbers and passwords).
bool makeFolder(const QString& folder, QString& error)
{
    QString prefix;
    for (const QString& part : withoutSlash(folder).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        prefix += QLatin1Char('/') + part;
        const QByteArray native = QFile::encodeName(prefix);
        if (::mkdir(native.constData(), 0700) == 0)
            continue;
        const int err = errno;
        struct stat st;
        if (::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode))
            continue;
        error = failure(QStringLiteral("impossibile creare la cartella %1: %2"), prefix,
                        err == EEXIST ? ENOTDIR : err);
        return false;
    }
    return true;
}

// A new, empty folder with a name of its own inside parent.
bool makeTemporaryFolder(const QString& parent, const QString& stem, QString& made, QString& error)
{
    static const char chars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    int err = EEXIST;
    for (int attempt = 0; attempt < 100 && err == EEXIST; ++attempt) {
        made = parent + stem;
        for (int i = 0; i < 6; ++i)
            made += QLatin1Char(chars[QRandomGenerator::global()->bounded(int(sizeof chars - 1))]);
        if (::mkdir(QFile::encodeName(made).constData(), 0777) == 0)
            return true;
        err = errno;
    }
    error = failure(QStringLiteral("impossibile creare la cartella %1: %2"), made, err);
    return false;
}

// Renames folder from to to unless to exists. Returns 0, or the error.
int renameWithoutReplacing(const QString& from, const QString& to)
{
    const QByteArray f = QFile::encodeName(from);
    const QByteArray t = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL)
        return errno;
    // A file system that cannot refuse by itself: look first.
    struct stat st;
    if (::lstat(t.constData(), &st) == 0)
        return EEXIST;
    return ::rename(f.constData(), t.constData()) == 0 ? 0 : errno;
}

// Gives the program folder a "Trf" holding the shipped sample profiles when it
// has none. The samples are copied into a folder of their own, which then
// takes the name "Trf" only if nothing has it meanwhile.
bool seedProfiles(const ProgramLayout& layout, QString& error)
{
    const QString target = layout.programFolder + QStringLiteral("Trf");
    struct stat st;
    if (::lstat(QFile::encodeName(target).constData(), &st) == 0)
        return true;
    if (errno != ENOENT) {
        error = failure(QStringLiteral("impossibile leggere la cartella %1: %2"), target, errno);
        return false;
    }
    const QString source = layout.dataFolder + QStringLiteral("Trf/");
    const QStringList names =
        QDir(source).entryList({QStringLiteral("*.trf")}, QDir::Files | QDir::Hidden, QDir::Name);
    if (names.isEmpty())
        return true;

    QString staging;
    if (!makeTemporaryFolder(layout.programFolder, QStringLiteral(".Trf-"), staging, error))
        return false;
    const auto giveUp = [&staging] {
        QDir(staging).removeRecursively();
        return false;
    };
    for (const QString& name : names) {
        QFile in(source + name);
        if (!in.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("impossibile leggere il profilo %1: %2")
                        .arg(in.fileName(), in.errorString());
            return giveUp();
        }
        const QByteArray bytes = in.readAll();
        if (in.error() != QFileDevice::NoError) {
            error = QStringLiteral("impossibile leggere il profilo %1: %2")
                        .arg(in.fileName(), in.errorString());
            return giveUp();
        }
        const AtomicWriteResult written =
            writeFileAtomically(staging + QLatin1Char('/') + name, bytes);
        if (!written.ok) {
            error = QStringLiteral("impossibile copiare il profilo %1: %2")
                        .arg(target + QLatin1Char('/') + name, written.error);
            return giveUp();
        }
    }
    int err = renameWithoutReplacing(staging, target);
    if (err == EEXIST || err == ENOTEMPTY) {
        // Another start of the program (the window and the tool at once) was
        // quicker, or the user made the folder meanwhile: theirs stays.
        giveUp();
        return true;
    }
    if (err != 0) {
        error = failure(QStringLiteral("impossibile creare la cartella %1: %2"), target, err);
        return giveUp();
    }
    if (posixio::syncFolder(QFile::encodeName(layout.programFolder)) !=
        posixio::FolderSync::Synced) {
        err = errno;
        error = failure(QStringLiteral("impossibile salvare la cartella %1: %2"),
                        withoutSlash(layout.programFolder), err);
        return false;
    }
    return true;
}

} // namespace

LayoutEnvironment LayoutEnvironment::ofSystem()
{
    LayoutEnvironment env;
    env.dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    env.home = qEnvironmentVariable("HOME");
    if (!QDir::isAbsolutePath(env.home)) {
        const passwd* pw = ::getpwuid(::getuid());
        env.home = pw && pw->pw_dir ? QFile::decodeName(pw->pw_dir) : QDir::homePath();
    }
    env.writable = [](const QString& folder) {
        return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
    };
    return env;
}

ProgramLayout ProgramLayout::portable(const QString& folder)
{
    ProgramLayout l;
    l.kind = Kind::Portable;
    l.programFolder = withSlash(folder);
    l.dataFolder = l.programFolder;
    return l;
}

QString ProgramLayout::installedDataFolder(const QString& executableFolder)
{
    return withSlash(
        QDir::cleanPath(withSlash(executableFolder) + QStringLiteral(TARVELO_DATA_FROM_BIN)));
}

ProgramLayout ProgramLayout::forExecutable(const QString& executableFolder)
{
    return forExecutable(executableFolder, LayoutEnvironment::ofSystem());
}

ProgramLayout ProgramLayout::forExecutable(const QString& executableFolder,
                                           const LayoutEnvironment& env)
{
    const QString ownFolder = withSlash(withoutSlash(executableFolder));
    const QString shipped = installedDataFolder(ownFolder);
    const bool installation = QFileInfo(shipped).isDir();
    if (!installation && env.writable(ownFolder))
        return portable(ownFolder);

    ProgramLayout l;
    l.kind = Kind::Installed;
    const QString dataHome = QDir::isAbsolutePath(env.dataHome)
                                 ? env.dataHome
                                 : withSlash(env.home) + QStringLiteral(".local/share");
    l.programFolder = withSlash(QDir::cleanPath(dataHome + QStringLiteral("/tarvelo")));
    // A read-only copy of a portable folder still has its help pages and
    // profiles next to the executable.
    l.dataFolder = installation ? shipped : ownFolder;
    return l;
}

bool prepareProgramFolder(const ProgramLayout& layout, QString* error)
{
    if (layout.kind == ProgramLayout::Kind::Portable)
        return true;
    QString why;
    const bool ok = makeFolder(layout.programFolder, why) && seedProfiles(layout, why);
    if (error)
        *error = why;
    return ok;
}
