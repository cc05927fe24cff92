#include "app/ClockSync.h"

#include "app/Settings.h"
#include "app/WatchState.h"
#include "archive/ConnRecords.h"
#include "common/Clock.h"
#include "common/Format.h"
#include "common/Prompt.h"
#include "net/DaytimeClient.h"
#include "platform/clock/ClockSetter.h"

#include <QDate>

namespace
{

const char* const MonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool isAsciiLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Walks the answer with one position, the way the fields are read.
class Cursor
{
public:
    explicit Cursor(const QString& text, qsizetype start) : m_text(text), m_pos(start) {}

    template <typename Pred> QString take(Pred pred)
    {
        const qsizetype from = m_pos;
        while (m_pos < m_text.size() && pred(m_text.at(m_pos)))
            ++m_pos;
        return m_text.mid(from, m_pos - from);
    }
    void skipSpaces()
    {
        take([](QChar c) { return c == u' '; });
    }

private:
    const QString& m_text;
    qsizetype m_pos;
};

// A field of digits only, as a number within [min, max].
std::optional<quint16> number(const QString& text, int min, int max)
{
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    for (QChar c : text)
        if (!isDigit(c))
            return std::nullopt;
    const int value = text.toInt();
    if (value < min || value > max)
        return std::nullopt;
    return quint16(value);
}

} // namespace

QString TClockSync::questionText(TDateTime corrected)
{
    return QStringLiteral("L'Orario di sistema è errato:\r\rIl rilevamento dell'ora esatta è "
                          "stato effettuato alle ore ") +
           fmt::formatLongTime(corrected) + QStringLiteral("\r") + QStringLiteral("del ") +
           fmt::formatShortDate(corrected) + QStringLiteral("\r\r") +
           QStringLiteral("Sistemo l'orologio ?");
}

std::optional<DayTimeFields> TClockSync::parseDayTime(const QString& answer)
{
    // The first character is never looked at: it belongs to the weekday.
    Cursor cur(answer, 1);
    cur.take(isAsciiLetter);
    cur.skipSpaces();
    const QString monthName = cur.take(isAsciiLetter);
    cur.skipSpaces();
    const QString dayText = cur.take(isDigit);
    cur.skipSpaces();
    const QString timeText = cur.take([](QChar c) { return isDigit(c) || c == u':' || c == u'.'; });
    cur.skipSpaces();
    const QString yearText = cur.take(isDigit);

    DayTimeFields f;
    for (int m = 0; m < 12; ++m)
        if (monthName == QLatin1String(MonthNames[m]))
            f.month = quint16(m + 1);
    // An unknown month name is as unusable as any other malformed field.
    if (f.month == 0)
        return std::nullopt;

    // hh:mm:ss; anything after a third ':' is not part of the seconds.
    const QStringList parts = timeText.split(u':');
    if (parts.size() < 3)
        return std::nullopt;
    const auto day = number(dayText, 1, 31);
    const auto year = number(yearText, 1, 9999);
    const auto hour = number(parts[0], 0, 23);
    const auto minute = number(parts[1], 0, 59);
    const auto second = number(parts[2], 0, 59);
    if (!day || !year || !hour || !minute || !second)
        return std::nullopt;
    // A date before the start of the day count (30 December 1899) has no
    // date-and-time sum to compare with the clock: no working server sends one.
    if (!QDate::isValid(*year, f.month, *day) || QDate(*year, f.month, *day) < QDate(1899, 12, 30))
        return std::nullopt;

    f.day = *day;
    f.year = *year;
    f.hour = *hour;
    f.minute = *minute;
    f.second = *second;
    f.serverDate = dt::encodeDate(f.year, f.month, f.day);
    f.serverTime = dt::encodeTime(f.hour, f.minute, f.second, 0);
    return f;
}

std::pair<QString, quint16> TClockSync::serverAddress(const QString& text)
{
    const QString t = text.trimmed();
    QString host = t;
    QString port;
    if (t.startsWith(QLatin1Char('['))) {
        const qsizetype close = t.indexOf(QLatin1Char(']'));
        if (close < 0)
            return {t, 0};
        host = t.mid(1, close - 1);
        const QString rest = t.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))
            return {host, 0};
        port = rest.mid(1);
    } else if (t.count(QLatin1Char(':')) == 1) {
        host = t.section(QLatin1Char(':'), 0, 0);
        port = t.section(QLatin1Char(':'), 1);
    }
    if (port.isNull())
        return {host, DayTimePort};
    bool ok = false;
    const uint n = port.toUInt(&ok);
    return {host, ok && n > 0 && n <= 65535 ? quint16(n) : quint16(0)};
}

TClockSync::TClockSync(const ClockSyncContext& ctx, QObject* parent) : QObject(parent), m_ctx(ctx)
{
}

TClockSync::~TClockSync() = default;

void TClockSync::synchronise()
{
    if (!m_ctx.watch.connected || m_busy)
        return;
    m_busy = true;
    m_answer.clear();
    m_client = new TDaytimeClient(this);
    const auto [host, port] = serverAddress(m_ctx.settings.serverOraEsatta);
    m_client->host = host;
    m_client->port = port;
    m_client->timeOutMs = timeOutMs;
    connect(m_client, &TDaytimeClient::finished, this, &TClockSync::onAnswer);
    m_client->requestDayTime();
}

void TClockSync::onAnswer(bool ok)
{
    // A fresh client for every request: this one is done.
    TDaytimeClient* client = m_client;
    m_client = nullptr;
    client->deleteLater();

    if (ok) {
        m_answer = client->dayTime();
        applyAnswer();
    } else {
        m_ctx.prompt.message(ErrorText, ErrorTitle, PromptIcon::Error);
    }
    m_busy = false;
    emit finished();
}

void TClockSync::applyAnswer()
{
    m_arrival = m_ctx.clock.now();
    const auto fields = parseDayTime(m_answer);
    if (!fields) {
        m_ctx.prompt.message(ErrorText, ErrorTitle, PromptIcon::Error);
        return;
    }
    m_fields = *fields;
    m_offset = m_arrival - m_fields.serverDateTime();

    // Asked whatever the offset: the user sees the server's time even when
    // the clock was right.
    const int answer = m_ctx.prompt.ask({questionText(m_ctx.clock.now() - m_offset), ConfirmTitle,
                                         PromptIcon::Question, PbYes | PbNo, PbNo});
    if (answer == PbNo)
        return;

    // The question may have stayed open for a while: correct from the time
    // of the answer.
    QString reason;
    if (!m_ctx.clockSetter.setLocalTime(m_ctx.clock.now() - m_offset, &reason)) {
        // The clock did not move, so the running connection's start must not
        // either.
        m_ctx.prompt.message(SetFailedText + reason, ErrorTitle, PromptIcon::Error);
        return;
    }
    // The connection may have ended while the question was open; a finished
    // record is left as it was measured.
    if (m_ctx.watch.connected) {
        m_ctx.records.running.inizio -= m_offset;
        if (m_ctx.startMoved)
            m_ctx.startMoved();
    }
}
