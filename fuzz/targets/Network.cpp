// What comes from the network: the update file and the daytime answer.
// Whatever they hold, an accepted update file has versions within range and
// an address that is a plain web address; an accepted daytime answer is a
// valid date and time that the day count gives back field for field.
#include "app/ClockSync.h"
#include "app/UpdateCheck.h"
#include "common/DateTime.h"
#include "fuzz/FuzzTargets.h"

#include <QDate>
#include <QUrl>

namespace fuzz
{

void updateFile(const QByteArray& data)
{
    const auto a = TUpdateCheck::parseFile(data);
    if (!a)
        return;
    for (int n : {a->version.major, a->version.minor, a->version.release, a->version.build})
        FUZZ_CHECK(n >= 0 && n <= 65535);
    FUZZ_CHECK(!a->address.isEmpty() && a->address.size() <= TUpdateCheck::MaxAddressLength);
    const QUrl page = TUpdateCheck::pageUrl(a->address);
    if (!page.isValid())
        return;
    const QString scheme = page.scheme();
    FUZZ_CHECK(scheme == QLatin1String("http") || scheme == QLatin1String("https"));
    FUZZ_CHECK(!page.host().isEmpty() && page.userInfo().isEmpty());
    const QUrl opened = TUpdateCheck::updatePageUrl(page, a->version, {3, 1, 1, 5});
    FUZZ_CHECK(opened.isValid() && opened.scheme() == scheme && opened.host() == page.host());
    FUZZ_CHECK(
        opened.query().contains(QStringLiteral("new=") + TUpdateCheck::versionText(a->version)));
}

void dayTime(const QByteArray& data)
{
    const auto f = TClockSync::parseDayTime(QString::fromLatin1(data));
    if (!f)
        return;
    FUZZ_CHECK(QDate::isValid(f->year, f->month, f->day));
    FUZZ_CHECK(f->hour < 24 && f->minute < 60 && f->second < 60);
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    dt::decodeDate(f->serverDateTime(), year, month, day);
    dt::decodeTime(f->serverDateTime(), hour, minute, second, ms);
    FUZZ_CHECK(year == f->year && month == f->month && day == f->day);
    FUZZ_CHECK(hour == f->hour && minute == f->minute && second == f->second && ms == 0);
}

} // namespace fuzz
