#pragma once
// The simulated service's phone book, in the Windows phone-book file format:
// one INI section per entry, named after it, with "PhoneNumber=". Extra keys
// script what a dial of the entry does:
//   SimBusyAttempts=N  the first N dials of the entry (per running program)
//                      find the line busy (error 676)
//   SimError=CODE      the dials after those fail with CODE (678 no answer,
//                      680 no dial tone, 691 authentication failure, ...)
//   SimStepMs=MS       how long each dialling state lasts (default 400)
//   SimHangUpMs=MS     how long a hung-up connection lingers before it is
//                      gone; -1: it never goes (default 0)
// Section and key names compare without regard to case, as on Windows; the
// first of two sections with the same name wins, and so does the first of
// two equal keys in a section: reading and setEntry agree on both. The file
// is UTF-8; byte-order marks at its start are dropped.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

struct RasPhoneBookEntry {
    QString name;
    QString phoneNumber;
    int busyAttempts = 0;
    uint32_t failError = 0;
    int stepMs = 400;
    int hangUpMs = 0;
};

class TRasPhoneBook
{
public:
    static TRasPhoneBook parse(const QByteArray& text);

    const QList<RasPhoneBookEntry>& entries() const { return m_entries; }
    std::optional<RasPhoneBookEntry> find(const QString& name) const;

    // Adds the entry, or changes the number of an existing one; every other
    // line of the file is kept. A missing number leaves an existing one as is.
    void setEntry(const QString& name, const std::optional<QString>& phoneNumber);

    QByteArray text() const;

    // Names the file format can hold: not empty, at most 256 characters, no
    // control characters, no brackets, no spaces at either end.
    static bool isValidEntryName(const QString& name);

private:
    void reparse();

    QStringList m_lines;
    QList<RasPhoneBookEntry> m_entries;
    QHash<QString, qsizetype> m_index; // case-folded name -> entry
};
