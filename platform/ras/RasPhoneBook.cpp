#include "platform/ras/RasPhoneBook.h"

#include "platform/ras/RasTypes.h"

namespace
{

const QString PhoneKey = QStringLiteral("PhoneNumber");

bool isSection(const QString& trimmed)
{
    return trimmed.size() >= 2 && trimmed.startsWith(QLatin1Char('[')) &&
           trimmed.endsWith(QLatin1Char(']'));
}

QString sectionName(const QString& trimmed)
{
    return trimmed.mid(1, trimmed.size() - 2);
}

// The comparison the entry index makes, so reading and writing agree.
bool sameName(const QString& a, const QString& b)
{
    return a.toCaseFolded() == b.toCaseFolded();
}

int toInt(const QString& value, int fallback)
{
    bool ok = false;
    const int v = value.toInt(&ok);
    return ok ? v : fallback;
}

} // namespace

TRasPhoneBook TRasPhoneBook::parse(const QByteArray& text)
{
    TRasPhoneBook pb;
    QString s = QString::fromUtf8(text);
    // Byte-order marks at the start say nothing about the text, however many
    // an editor left there; the file is written without.
    qsizetype marks = 0;
    while (marks < s.size() && s.at(marks) == QChar(0xFEFF))
        ++marks;
    s.remove(0, marks);
    pb.m_lines = s.split(QLatin1Char('\n'));
    // Line ends are written as LF: carriage returns before them go, however
    // many there are, so that a rewrite reads the same as the file.
    for (QString& line : pb.m_lines)
        while (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    if (!pb.m_lines.isEmpty() && pb.m_lines.last().isEmpty())
        pb.m_lines.removeLast();
    pb.reparse();
    return pb;
}

void TRasPhoneBook::reparse()
{
    m_entries.clear();
    m_index.clear();
    RasPhoneBookEntry* current = nullptr;
    // A key given twice in a section counts the first time, as setEntry
    // changes the first.
    enum Seen { Phone = 1, Busy = 2, Error = 4, Step = 8, HangUp = 16 };
    int seen = 0;
    const auto first = [&seen](Seen key) {
        const bool isFirst = !(seen & key);
        seen |= key;
        return isFirst;
    };
    for (const QString& line : std::as_const(m_lines)) {
        const QString t = line.trimmed();
        if (isSection(t)) {
            const QString name = sectionName(t);
            current = nullptr;
            seen = 0;
            const QString id = name.toCaseFolded();
            if (!m_index.contains(id)) {
                m_index.insert(id, m_entries.size());
                m_entries.append(RasPhoneBookEntry{});
                current = &m_entries.last();
                current->name = name;
            }
            continue;
        }
        const int eq = t.indexOf(QLatin1Char('='));
        if (!current || eq <= 0 || t.startsWith(QLatin1Char(';')))
            continue;
        const QString key = t.left(eq).trimmed();
        const QString value = t.mid(eq + 1).trimmed();
        if (sameName(key, PhoneKey)) {
            if (first(Phone))
                current->phoneNumber = value;
        } else if (sameName(key, QLatin1String("SimBusyAttempts"))) {
            if (first(Busy))
                current->busyAttempts = std::max(0, toInt(value, 0));
        } else if (sameName(key, QLatin1String("SimError"))) {
            if (first(Error))
                current->failError = uint32_t(std::max(0, toInt(value, 0)));
        } else if (sameName(key, QLatin1String("SimStepMs"))) {
            if (first(Step))
                current->stepMs = std::clamp(toInt(value, current->stepMs), 0, 60000);
        } else if (sameName(key, QLatin1String("SimHangUpMs"))) {
            if (first(HangUp))
                current->hangUpMs = std::max(-1, toInt(value, 0));
        }
    }
}

std::optional<RasPhoneBookEntry> TRasPhoneBook::find(const QString& name) const
{
    const auto i = m_index.constFind(name.toCaseFolded());
    if (i == m_index.constEnd())
        return std::nullopt;
    return m_entries.at(*i);
}

void TRasPhoneBook::setEntry(const QString& name, const std::optional<QString>& phoneNumber)
{
    const QString phoneLine = PhoneKey + QLatin1Char('=') + phoneNumber.value_or(QString());
    int header = -1;
    for (int i = 0; i < m_lines.size() && header < 0; ++i) {
        const QString t = m_lines[i].trimmed();
        if (isSection(t) && sameName(sectionName(t), name))
            header = i;
    }
    if (header < 0) {
        if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
            m_lines.append(QString());
        m_lines.append(QLatin1Char('[') + name + QLatin1Char(']'));
        m_lines.append(phoneLine);
    } else if (phoneNumber) {
        int i = header + 1;
        for (; i < m_lines.size() && !isSection(m_lines[i].trimmed()); ++i) {
            const QString t = m_lines[i].trimmed();
            const int eq = t.indexOf(QLatin1Char('='));
            if (eq > 0 && sameName(t.left(eq).trimmed(), PhoneKey)) {
                m_lines[i] = phoneLine;
                break;
            }
        }
        if (i == m_lines.size() || isSection(m_lines[i].trimmed()))
            m_lines.insert(header + 1, phoneLine);
    }
    reparse();
}

QByteArray TRasPhoneBook::text() const
{
    QByteArray out;
    for (const QString& line : m_lines)
        out += line.toUtf8() + '\n';
    return out;
}

bool TRasPhoneBook::isValidEntryName(const QString& name)
{
    if (name.isEmpty() || name.size() > ras::MaxEntryName || name != name.trimmed())
        return false;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == '[' || u == ']')
            return false;
    }
    return true;
}
