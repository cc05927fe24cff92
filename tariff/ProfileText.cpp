#include "tariff/ProfileText.h"

#include "common/DateTime.h"

#include <QRegularExpression>
#include <QStringList>
#include <charconv>
#include <cmath>

namespace
{

const QString Columns = QStringLiteral(
    "# riga    fascia dalle costo1 scrsi costorisp doposec costo2 sco.attivo sco.percent "
    "sco.doposec");
const QString FreeText = QStringLiteral("Gratis");

QString shortest(float v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QString::fromLatin1(buf, int(r.ptr - buf));
}

bool parseFloat(const QString& text, float& out)
{
    const QByteArray b = text.toLatin1();
    const auto r = std::from_chars(b.constData(), b.constData() + b.size(), out);
    return r.ec == std::errc() && r.ptr == b.constData() + b.size() && std::isfinite(out);
}

bool parseInt(const QString& text, int32_t& out)
{
    bool ok = false;
    out = text.toInt(&ok, 10);
    return ok;
}

bool parseFlag(const QString& text, uint8_t& out)
{
    if (text != QLatin1String("0") && text != QLatin1String("1"))
        return false;
    out = text == QLatin1String("1") ? 1 : 0;
    return true;
}

int rowOfLabel(const QString& label)
{
    for (int r = 0; r < DayRows; ++r)
        if (dayRowLabel(r) == label)
            return r;
    return -1;
}

} // namespace

QString profileToText(const TariffTable& table)
{
    QStringList lines{Columns};
    for (int row = 0; row < DayRows; ++row) {
        for (int band = 1; band <= BandColumns; ++band) {
            const TariffCell& c = table.cell(band, row);
            if (!c.isBand())
                continue;
            const int m = c.startMinutes();
            lines.append(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11")
                             .arg(dayRowLabel(row), -9)
                             .arg(band, -6)
                             .arg(QStringLiteral("%1.%2")
                                      .arg(m / 60, 2, 10, QLatin1Char('0'))
                                      .arg(m % 60, 2, 10, QLatin1Char('0')),
                                  -5)
                             .arg(c.isFree() ? FreeText : shortest(c.costo1), -6)
                             .arg(int(c.scrsi), -5)
                             .arg(shortest(c.costorisp), -9)
                             .arg(c.doposec, -7)
                             .arg(shortest(c.costo2), -6)
                             .arg(int(c.sco.attivo), -10)
                             .arg(c.sco.percent, -11)
                             .arg(c.sco.doposec)
                             .trimmed());
        }
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

bool profileFromText(const QString& text, TariffTable& table, QString* error)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    static const QRegularExpression time(QStringLiteral("^(\\d{1,2})[.:](\\d{2})$"));
    TariffTable t;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].section(QLatin1Char('#'), 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        auto fail = [&](const QString& why) {
            if (error)
                *error = QStringLiteral("riga %1: %2").arg(i + 1).arg(why);
            return false;
        };
        const QStringList f = line.split(space);
        if (f.size() != 11)
            return fail(QStringLiteral("attesi 11 campi, trovati %1").arg(f.size()));
        const int row = rowOfLabel(f[0]);
        const int band = f[1].toInt();
        if (!TariffTable::isValid(band, row))
            return fail(QStringLiteral("giorno o fascia non valido"));
        TariffCell c;
        const auto tm = time.match(f[2]);
        if (!tm.hasMatch() || tm.captured(1).toInt() > 23 || tm.captured(2).toInt() > 59)
            return fail(QStringLiteral("orario non valido: ") + f[2]);
        c.dalle = dt::encodeTime(tm.captured(1).toInt(), tm.captured(2).toInt(), 0);
        if (f[3] == FreeText)
            c.costo1 = FreeMarker;
        else if (!parseFloat(f[3], c.costo1) || c.costo1 == 0.0f)
            return fail(QStringLiteral("costo1 non valido: ") + f[3]);
        if (!parseFlag(f[4], c.scrsi) || !parseFloat(f[5], c.costorisp) ||
            !parseInt(f[6], c.doposec) || !parseFloat(f[7], c.costo2) ||
            !parseFlag(f[8], c.sco.attivo) || !parseInt(f[9], c.sco.percent) ||
            !parseInt(f[10], c.sco.doposec))
            return fail(QStringLiteral("valore non valido"));
        if (t.cell(band, row).isBand())
            return fail(QStringLiteral("fascia ripetuta"));
        t.cell(band, row) = c;
    }
    table = t;
    return true;
}
