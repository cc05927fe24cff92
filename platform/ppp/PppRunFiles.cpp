#include "platform/ppp/PppRunFiles.h"

#include <QDir>
#include <QFile>

namespace
{

// At most a few lines: a pid and an interface name.
QList<QByteArray> readLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.read(256).split('\n');
}

} // namespace

std::map<pid_t, PppLinkInfo> readPppRunFiles(const QString& runFolder)
{
    std::map<pid_t, PppLinkInfo> links;
    const QDir dir(runFolder);
    const QStringList names =
        dir.entryList({QStringLiteral("ppp*.pid")}, QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QList<QByteArray> lines = readLines(dir.filePath(name));
        bool ok = false;
        const pid_t pid = pid_t(lines.value(0).trimmed().toInt(&ok));
        if (!ok || pid <= 0)
            continue;
        const QString base = name.chopped(4); // without ".pid"
        PppLinkInfo& link = links[pid];
        if (base.startsWith(QLatin1String("ppp-"))) {
            link.linkName = base.mid(4);
            const QString iface = QString::fromUtf8(lines.value(1).trimmed());
            if (!iface.isEmpty())
                link.interfaceName = iface;
        } else {
            link.interfaceName = base;
        }
    }
    return links;
}
