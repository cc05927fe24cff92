// The phone book: a rewrite reads the same as the file it came from, and
// changing an entry's number changes exactly that (reader and writer agree
// on which line holds it).
#include "fuzz/FuzzTargets.h"
#include "platform/ras/RasPhoneBook.h"

namespace fuzz
{

namespace
{

bool sameEntries(const TRasPhoneBook& a, const TRasPhoneBook& b)
{
    if (a.entries().size() != b.entries().size())
        return false;
    for (qsizetype i = 0; i < a.entries().size(); ++i) {
        const RasPhoneBookEntry& x = a.entries().at(i);
        const RasPhoneBookEntry& y = b.entries().at(i);
        if (x.name != y.name || x.phoneNumber != y.phoneNumber ||
            x.busyAttempts != y.busyAttempts || x.failError != y.failError ||
            x.stepMs != y.stepMs || x.hangUpMs != y.hangUpMs)
            return false;
    }
    return true;
}

} // namespace

void phoneBook(const QByteArray& data)
{
    TRasPhoneBook pb = TRasPhoneBook::parse(data);
    const QByteArray text = pb.text();
    const TRasPhoneBook again = TRasPhoneBook::parse(text);
    FUZZ_CHECK(sameEntries(pb, again));
    FUZZ_CHECK(again.text() == text);

    // One entry of the file (or a new one) gets a new number.
    QString name = QStringLiteral("Casa");
    if (!pb.entries().isEmpty()) {
        const QString first = pb.entries().at(data.size() % pb.entries().size()).name;
        if (TRasPhoneBook::isValidEntryName(first))
            name = first;
    }
    const bool known = pb.find(name).has_value();
    pb.setEntry(name, QStringLiteral("0701234567"));
    const TRasPhoneBook changed = TRasPhoneBook::parse(pb.text());
    FUZZ_CHECK(changed.find(name).has_value());
    FUZZ_CHECK(changed.find(name)->phoneNumber == QStringLiteral("0701234567"));
    FUZZ_CHECK(changed.entries().size() == again.entries().size() + (known ? 0 : 1));
    for (const RasPhoneBookEntry& e : again.entries()) {
        if (e.name.toCaseFolded() == name.toCaseFolded())
            continue;
        FUZZ_CHECK(changed.find(e.name).has_value());
        FUZZ_CHECK(changed.find(e.name)->phoneNumber == e.phoneNumber);
    }
}

} // namespace fuzz
