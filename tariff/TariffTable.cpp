#include "tariff/TariffTable.h"

QByteArray TariffTable::toBytes() const
{
    QByteArray b(Size, '\0');
    for (int i = 0; i < int(cells.size()); ++i)
        cells[i].toBytes(b, i * TariffCell::Size);
    return b;
}

int TariffTable::readFrom(const QByteArray& b, int off)
{
    int n = 0;
    for (; n < int(cells.size()); ++n) {
        const int at = off + n * TariffCell::Size;
        if (at < 0 || at + TariffCell::Size > b.size())
            break;
        cells[n] = TariffCell::fromBytes(b, at);
    }
    return n;
}

QString dayRowLabel(int row)
{
    static const char* const labels[DayRows] = {"LUN", "MAR", "MER", "GIO",
                                                "VEN", "SAB", "DOM", "FESTIVI"};
    return row >= 0 && row < DayRows ? QString::fromLatin1(labels[row]) : QString();
}
