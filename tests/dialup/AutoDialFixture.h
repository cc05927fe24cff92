#pragma once
// The automatic dialler's run over a connection watch (WatchFixture), with
// a status window and dialler windows that record what they are asked. An
// attempt either takes its result from a script or, with no script, waits
// for the progress notifications of a real (simulated) dial to decide it.

#include "dialup/AutoDialPlan.h"
#include "dialup/DialProgress.h"
#include "tests/support/TestSupport.h"
#include "tests/watch/WatchFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <functional>

namespace dialtest
{

class FakeStatus : public IDialStatus
{
public:
    QStringList texts;
    QList<QThread*> threads; // thread of every call
    bool running = false;
    int result = 0;
    QEventLoop* loop = nullptr;
    std::function<void()> onText; // e.g. time passing while the states go by

    void setStatusText(const QString& text) override
    {
        if (onText)
            onText();
        texts << text;
        threads << QThread::currentThread();
    }
    void finishAttempt(int r) override
    {
        threads << QThread::currentThread();
        if (!running)
            return;
        result = r;
        running = false;
        if (loop)
            loop->quit();
    }
    QString last() const { return texts.isEmpty() ? QString() : texts.last(); }
    // What a failed dial leaves in the panel: its error, then the closing text.
    QStringList failureTail() const { return texts.mid(texts.size() - 2); }
};

class FakeWindows : public IAutoDialWindows
{
public:
    explicit FakeWindows(FakeStatus& status) : m_status(status) {}

    QList<int> results; // scripted results; none: wait for the notifications
    QStringList lines;  // attempt line of every attempt
    QStringList trace;  // "show", "hide", "creds <entry>", "attempt <entry> <phone>"
    bool timedOut = false;
    // Waiting attempts: the user presses "&Annulla" after this long (-1: never).
    int cancelAfterMs = -1;
    // What the credentials prompt answers.
    QString typedUser = QStringLiteral("mario");
    QString typedPass = QStringLiteral("segreta");
    // Runs just before a scripted result is returned (the dial's notifications
    // still in flight at that moment, say).
    std::function<void()> beforeResult;

    int runAttempt(const QString& line, const QString& entry, const QString& phone) override
    {
        lines << line;
        trace << QStringLiteral("attempt %1 %2").arg(entry, phone);
        if (!results.isEmpty()) {
            if (beforeResult)
                beforeResult();
            return results.takeFirst();
        }
        m_status.result = 0;
        m_status.running = true;
        QEventLoop loop;
        m_status.loop = &loop;
        QTimer::singleShot(5000, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        if (cancelAfterMs >= 0)
            QTimer::singleShot(cancelAfterMs, &loop,
                               [this] { m_status.finishAttempt(AttemptResult::Cancelled); });
        if (m_status.running)
            loop.exec();
        m_status.loop = nullptr;
        m_status.running = false;
        return m_status.result;
    }
    void showDialler() override { trace << QStringLiteral("show"); }
    void hideDialler() override { trace << QStringLiteral("hide"); }
    void processEvents() override { QCoreApplication::processEvents(); }
    void askCredentials(TProviderRecord& p) override
    {
        trace << QStringLiteral("creds ") + p.entryName;
        if (p.userName.isEmpty())
            p.userName = typedUser;
        if (p.password.isEmpty())
            p.password = typedPass;
    }

private:
    FakeStatus& m_status;
};

struct Fixture : watchtest::Fixture {
    FakeStatus status;
    FakeWindows windows{status};
    TDialProgress progress{watcher, status};
    TAutoDialPlan plan{watcher, progress, windows};

    explicit Fixture(Service service = Service::Simulated) : watchtest::Fixture(service)
    {
        setUp();
    }
    // The dialler over another dial-up service (a real backend).
    explicit Fixture(IRasService& service) : watchtest::Fixture(service) { setUp(); }

    void setUp()
    {
        progress.setPauses({5, 5, 5});
        // Manual mode: the dialler drives the session.
        watch.enabled = true;
        watch.mode = WatchMode::Manual;
        QVERIFY(saveProfile(QStringLiteral("Prova"), watchtest::liraPerSecond()));
    }

    void providerRecord(const QString& entry, const QString& phone,
                        const QString& user = QStringLiteral("utente"),
                        const QString& pass = QStringLiteral("pw"))
    {
        TProviderRecord r;
        r.entryName = entry;
        r.phoneNumber = phone;
        r.userName = user;
        r.password = pass;
        QCOMPARE(r.save(folder, prompt), TProviderRecord::SaveResult::Saved);
    }

    void phoneBook(const QByteArray& text)
    {
        QVERIFY(QDir().mkpath(folder + QStringLiteral("ras-sim")));
        QVERIFY(testsupport::writeFileBytes(folder + QStringLiteral("ras-sim/rasphone.pbk"), text));
    }
};

} // namespace dialtest
