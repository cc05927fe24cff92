#pragma once
// "Ora Esatta": reads the exact time from a daytime server, shows it, and on
// confirmation sets the computer's clock, moving the running connection's
// start by the same amount so that its elapsed time does not jump.
//
// The request is asynchronous: synchronise() returns at once and the rest
// happens when the answer (or the time-out) arrives, while the watch and the
// session tick go on running. One request at a time; a second call while one
// is waiting is ignored. The object lives as long as the main bar.

#include "common/DateTime.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <utility>

class IClock;
class IClockSetter;
class IPrompt;
class TDaytimeClient;
struct ConnRecords;
struct Settings;
struct WatchState;

// The program-wide records and services the operation works on.
struct ClockSyncContext {
    WatchState& watch;    // acts only while watch.connected
    ConnRecords& records; // the running record's inizio is moved
    IClock& clock;
    IPrompt& prompt;
    IClockSetter& clockSetter;
    const Settings& settings; // "ServerOraEsatta": where to ask
    // Told after the running record's inizio was moved, so that the session
    // prices the connection from its corrected start (TWatch::sessionStartMoved).
    std::function<void()> startMoved = {};
};

// The fields of a daytime answer such as "Wed Dec  8 21:58:33 2026".
struct DayTimeFields {
    quint16 day = 0, month = 0, year = 0;
    quint16 hour = 0, minute = 0, second = 0;
    TDateTime serverDate = 0; // whole days
    TDateTime serverTime = 0; // fraction of a day
    TDateTime serverDateTime() const { return serverDate + serverTime; }
};

class TClockSync : public QObject
{
    Q_OBJECT

public:
    // A public daytime service answering in the "Wed Dec  8 21:58:33 2026"
    // form.
    static inline const QString DefaultDayTimeHost = QStringLiteral("ntp1.inrim.it");
    static constexpr quint16 DayTimePort = 13;
    static constexpr int DayTimeTimeOut = 10000;

    static inline const QString ErrorText =
        QStringLiteral("Errore nel rilevare l'ora esatta sul Server");
    static inline const QString ErrorTitle = QStringLiteral("Errore...");
    static inline const QString ConfirmTitle = QStringLiteral("Conferma...");
    // The system refused the new time; the reason follows.
    static inline const QString SetFailedText =
        QStringLiteral("Non è stato possibile regolare l'orologio di sistema.\r");

    // The question for the corrected time, in the locale's long time and short
    // date formats.
    static QString questionText(TDateTime corrected);

    // Parses a daytime answer: weekday, month name (Jan..Dec, exactly), day,
    // hh:mm:ss and year, separated by any number of spaces. Nothing when a
    // field is missing or malformed, out of range, or the date does not exist.
    static std::optional<DayTimeFields> parseDayTime(const QString& answer);

    explicit TClockSync(const ClockSyncContext& ctx, QObject* parent = nullptr);
    ~TClockSync() override;

    // The host and port of a time server written "host", "host:port" or
    // "[v6 address]:port"; port 13 when none is given, 0 when it is no port.
    static std::pair<QString, quint16> serverAddress(const QString& text);

    int timeOutMs = DayTimeTimeOut;

    // "&Ora Esatta". Does nothing unless the connection is confirmed, or
    // while an earlier request is still waiting or asking.
    void synchronise();
    bool isBusy() const { return m_busy; }

    // The last answer and what was made of it.
    QString answer() const { return m_answer; }
    TDateTime arrivalTime() const { return m_arrival; }
    // arrival time - server time, in days: positive when the computer's clock
    // is ahead.
    double offset() const { return m_offset; }
    const DayTimeFields& fields() const { return m_fields; }

signals:
    // The operation is over, whatever its outcome (not emitted when
    // synchronise() did nothing).
    void finished();

private:
    void onAnswer(bool ok);
    void applyAnswer();

    ClockSyncContext m_ctx;
    TDaytimeClient* m_client = nullptr;
    // From the request until the operation is over: the question is modal
    // but the user can still reach the button again through other windows.
    bool m_busy = false;
    QString m_answer;
    TDateTime m_arrival = 0;
    double m_offset = 0;
    DayTimeFields m_fields;
};
