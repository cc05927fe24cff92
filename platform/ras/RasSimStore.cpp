#include "platform/ras/RasSimStore.h"

#include "common/Clock.h"
#include "common/SysError.h"
#include "platform/file/AtomicFile.h"
#include "platform/file/FileLock.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace
{

// A phone book of thousands of entries is far below this.
constexpr qint64 MaxPhoneBookBytes = 64 * 1024 * 1024;

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool isLive(const SimConnection& c, qint64 now)
{
    return c.closingAt == 0 || c.closingAt < 0 || now < c.closingAt;
}

SimConnections parseConnections(const QByteArray& json, qint64 now)
{
    SimConnections s;
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    s.nextHandle = RasHandle(root.value(QLatin1String("nextHandle")).toInteger(1));
    for (const QJsonValue v : root.value(QLatin1String("connections")).toArray()) {
        const QJsonObject o = v.toObject();
        SimConnection c;
        c.handle = RasHandle(o.value(QLatin1String("handle")).toInteger());
        c.entryName = o.value(QLatin1String("entry")).toString();
        c.phoneNumber = o.value(QLatin1String("phone")).toString();
        c.state = uint32_t(o.value(QLatin1String("state")).toInteger());
        c.error = uint32_t(o.value(QLatin1String("error")).toInteger());
        c.closingAt = o.value(QLatin1String("closingAt")).toInteger();
        if (c.handle != 0 && isLive(c, now))
            s.list.push_back(c);
    }
    return s;
}

QByteArray connectionsJson(const SimConnections& s)
{
    QJsonArray list;
    for (const auto& c : s.list) {
        list.append(QJsonObject{
            {QLatin1String("handle"), qint64(c.handle)},
            {QLatin1String("entry"), c.entryName},
            {QLatin1String("phone"), c.phoneNumber},
            {QLatin1String("state"), qint64(c.state)},
            {QLatin1String("error"), qint64(c.error)},
            {QLatin1String("closingAt"), c.closingAt},
        });
    }
    const QJsonObject root{{QLatin1String("nextHandle"), qint64(s.nextHandle)},
                           {QLatin1String("connections"), list}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace

SimConnection* SimConnections::find(RasHandle handle)
{
    for (auto& c : list)
        if (c.handle == handle)
            return &c;
    return nullptr;
}

RasHandle SimConnections::allocateHandle()
{
    RasHandle h = nextHandle;
    while (h == 0 || find(h))
        ++h;
    nextHandle = h + 1;
    return h;
}

TRasSimStore::TRasSimStore(const QString& programFolder, const IClock& clock) : m_clock(clock)
{
    QString f = programFolder;
    if (!f.isEmpty() && !f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    m_folder = f + QStringLiteral("ras-sim/");
}

qint64 TRasSimStore::nowMs() const
{
    return m_clock.epochMs();
}

bool TRasSimStore::locked(const std::function<bool(QString&)>& work, QString& error)
{
    if (!QDir().mkpath(m_folder)) {
        error = QStringLiteral("impossibile creare la cartella %1").arg(m_folder);
        return false;
    }
    const QString lockPath = m_folder + QStringLiteral(".lock");
    const TFileLock lock(lockPath, TFileLock::Open::Create, posixio::LockForever, 0644);
    if (!lock.opened()) {
        error = QStringLiteral("%1: %2").arg(lockPath, systemErrorText(lock.error()));
        return false;
    }
    if (!lock.held()) {
        error = systemErrorText(QStringLiteral("blocco"), lock.error());
        return false;
    }
    return work(error);
}

TRasPhoneBook TRasSimStore::phoneBook() const
{
    return TRasPhoneBook::parse(readAll(phoneBookPath()));
}

bool TRasSimStore::setEntry(const QString& name, const std::optional<QString>& phone,
                            QString& error)
{
    if (!TRasPhoneBook::isValidEntryName(name)) {
        error = QStringLiteral("nome di voce non valido: \"%1\"").arg(name);
        return false;
    }
    // A line break would start another line, even another entry.
    if (phone && std::any_of(phone->begin(), phone->end(),
                             [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; })) {
        error = QStringLiteral("numero di telefono non valido: \"%1\"").arg(*phone);
        return false;
    }
    return locked(
        [&](QString& err) {
            // A phone book that is there but cannot be read is not replaced
            // by one holding only this entry.
            const WholeFileRead read = readWholeFile(phoneBookPath(), MaxPhoneBookBytes);
            if (!read.ok && read.exists) {
                err = phoneBookPath() + QStringLiteral(": ") + read.error;
                return false;
            }
            TRasPhoneBook pb = TRasPhoneBook::parse(read.data);
            pb.setEntry(name, phone);
            const AtomicWriteResult w = writeFileAtomically(phoneBookPath(), pb.text());
            err = w.error;
            return w.ok;
        },
        error);
}

SimConnections TRasSimStore::connections() const
{
    return parseConnections(readAll(connectionsPath()), nowMs());
}

bool TRasSimStore::update(const std::function<void(SimConnections&)>& change, QString& error)
{
    return locked(
        [&](QString& err) {
            SimConnections s = connections();
            change(s);
            const AtomicWriteResult w = writeFileAtomically(connectionsPath(), connectionsJson(s));
            err = w.error;
            return w.ok;
        },
        error);
}
