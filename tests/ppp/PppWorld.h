#pragma once
// A dial-up world around the pppd backend: a peers folder, a run folder for
// pid files, real chat talking to a fake Hayes modem on a pty, and a
// stand-in for pppd (tests/ppp/standin/pppd) that does what pppd does around
// a link and makes a real ppp0. Run inside a private network namespace (the
// test is started through tests/ppp/in-netns.sh) so that ppp0 never touches
// the machine's network.

#include "platform/ppp/ProcTable.h"
#include "platform/ppp/RasPppService.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <memory>

namespace ppptest
{

inline const QString Chat = QStringLiteral("/usr/sbin/chat");
inline const QString DebianPython = QStringLiteral("/usr/bin/python3");

// Why the tests of dials cannot run here, or "".
inline QString missingTools()
{
    if (!QFileInfo(Chat).isExecutable())
        return QStringLiteral("chat is not installed (Debian package ppp)");
    if (!QFileInfo(DebianPython).isExecutable())
        return QStringLiteral("/usr/bin/python3 runs the fake modem and the pppd stand-in");
    return {};
}

// Why links cannot be made here, or "": the stand-in's ppp0 needs a private
// network namespace in which it may create a tun device.
inline QString noPrivateNetwork()
{
    if (qgetenv("TARVELO_NETNS") != "1")
        return QStringLiteral("not in a private network namespace (unshare -n refused)");
    QProcess ip;
    ip.start(QStringLiteral("ip"), {"tuntap", "add", "dev", "tvcheck0", "mode", "tun"});
    if (!ip.waitForFinished() || ip.exitCode() != 0)
        return QStringLiteral("no tun device can be made here (/dev/net/tun)");
    ip.start(QStringLiteral("ip"), {"link", "del", "tvcheck0"});
    ip.waitForFinished();
    return {};
}

struct World {
    QTemporaryDir dir;
    QString peers = dir.filePath(QStringLiteral("peers"));
    QString run = dir.filePath(QStringLiteral("run"));
    QString modemLink = dir.filePath(QStringLiteral("modem"));
    QString chatScript = dir.filePath(QStringLiteral("dial.chat"));
    QString gate = dir.filePath(QStringLiteral("answer"));
    QProcess modem;
    std::vector<std::unique_ptr<QProcess>> pons;

    World()
    {
        QDir().mkpath(peers);
        QDir().mkpath(run);
        // Short time-outs: a dial that gets no answer fails within seconds.
        testsupport::writeFileBytes(chatScript, "ABORT BUSY\n"
                                                "ABORT 'NO CARRIER'\n"
                                                "ABORT VOICE\n"
                                                "ABORT 'NO DIALTONE'\n"
                                                "ABORT 'NO DIAL TONE'\n"
                                                "ABORT 'NO ANSWER'\n"
                                                "TIMEOUT 2\n"
                                                "'' ATZ\n"
                                                "OK ATDT\\T\n"
                                                "TIMEOUT 6\n"
                                                "CONNECT ''\n");
        qputenv("TARVELO_TEST_PEERS", peers.toLocal8Bit());
        qputenv("TARVELO_TEST_RUN", run.toLocal8Bit());
    }
    ~World()
    {
        // Links a failed test left up, whoever started them.
        for (const ProcEntry& p : TProcTable(QStringLiteral("/proc")).named("pppd"))
            if (p.arguments.contains(standIn()))
                ::kill(p.pid, SIGKILL);
        for (auto& p : pons)
            p->waitForFinished();
        modem.kill();
        modem.waitForFinished();
    }

    static QString standIn()
    {
        return testsupport::sourceDir() + QStringLiteral("/tests/ppp/standin/pppd");
    }
    PppPaths paths() const
    {
        PppPaths p;
        p.command = standIn();
        p.peers = peers;
        p.run = run;
        return p;
    }

    // Starts the modem: replies per number ("111" -> {"BUSY", "CONNECT"});
    // gated: dials are answered only once answer() is called.
    bool startModem(const QMap<QString, QStringList>& replies = {}, bool gated = false)
    {
        QStringList args{testsupport::sourceDir() + QStringLiteral("/tests/ppp/fakemodem.py"),
                         modemLink};
        if (gated)
            args << QStringLiteral("--gate") << gate;
        for (auto it = replies.begin(); it != replies.end(); ++it)
            args << it.key() + QLatin1Char('=') + it.value().join(QLatin1Char(','));
        modem.start(DebianPython, args);
        // Ready once it has printed its terminal's name.
        return modem.waitForReadyRead(10000) && QFileInfo::exists(modemLink);
    }
    void answer() { testsupport::writeFileBytes(gate, "1"); }

    // A peer dialling the modem through real chat, with the number the
    // program passes (TARVELO_PHONE) or a fixed one, and extra lines.
    void peer(const QString& name, const QString& fixedNumber = {}, const QByteArray& extra = {})
    {
        const QString number =
            fixedNumber.isEmpty() ? QStringLiteral("$TARVELO_PHONE") : fixedNumber;
        const QByteArray text =
            (modemLink + QStringLiteral("\n115200\nconnect \"") + Chat + QStringLiteral(" -s -f ") +
             chatScript + QStringLiteral(" -T ") + number + QStringLiteral("\"\n"))
                .toLocal8Bit() +
            "user \"mario\"\nnoauth\n" + extra;
        testsupport::writeFileBytes(peers + QLatin1Char('/') + name, text);
    }

    // "pon NAME": pppd started by someone else, as a process of its own.
    // prefix: a command to start it with (another user, say).
    QProcess* pon(const QString& name, const QStringList& prefix = {})
    {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QStringList args = prefix + QStringList{standIn(), QStringLiteral("call"), name};
        p->start(args.first(), args.mid(1));
        p->waitForStarted();
        pons.push_back(std::move(p));
        return pons.back().get();
    }
};

using testsupport::waitFor;

} // namespace ppptest
