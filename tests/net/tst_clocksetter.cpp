// The Linux clock setter refuses honestly when the process may not set the
// clock. The real clock is never changed: the call is made in a child
// process that has given up the right to set the time first.

#include "common/DateTime.h"
#include "platform/clock/LinuxClockSetter.h"

#include <QtTest>

#include <cerrno>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

bool haveSysTime()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return true; // unknown: assume the worst
    return data[0].effective & (1u << CAP_SYS_TIME);
}

bool dropSysTime()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return false;
    data[0].effective &= ~(1u << CAP_SYS_TIME);
    data[0].permitted &= ~(1u << CAP_SYS_TIME);
    data[0].inheritable &= ~(1u << CAP_SYS_TIME);
    return syscall(SYS_capset, &header, data) == 0 && !haveSysTime();
}

enum ChildResult { Refused = 0, WrongReason = 1, CannotDrop = 2, Accepted = 3 };

} // namespace

class TestClockSetter : public QObject
{
    Q_OBJECT

private slots:
    void refusesWithoutPermission();
};

void TestClockSetter::refusesWithoutPermission()
{
    const TDateTime now = dt::fromQDateTime(QDateTime::currentDateTime());
    const QString expected = TLinuxClockSetter::reasonFor(EPERM);
    const pid_t pid = fork();
    QVERIFY(pid >= 0);
    if (pid == 0) {
        if (!dropSysTime())
            _exit(CannotDrop);
        QString reason;
        if (TLinuxClockSetter().setLocalTime(now, &reason))
            _exit(Accepted);
        _exit(reason == expected ? Refused : WrongReason);
    }
    int status = 0;
    QCOMPARE(waitpid(pid, &status, 0), pid);
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == CannotDrop)
        QSKIP("this process cannot give up CAP_SYS_TIME");
    QCOMPARE(WEXITSTATUS(status), int(Refused));
}

QTEST_GUILESS_MAIN(TestClockSetter)
#include "tst_clocksetter.moc"
