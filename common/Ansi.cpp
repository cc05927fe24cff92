#include "common/Ansi.h"

#include <array>

namespace ansi
{

namespace
{
// 0x80..0x9F of Windows-1252; 0 marks the five undefined positions, which
// are mapped to the C1 control of the same value, so every byte reads back
// as itself.
constexpr std::array<char16_t, 32> High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char16_t decodeByte(unsigned char b)
{
    if (b >= 0x80 && b < 0xA0) {
        const char16_t c = High[b - 0x80];
        return c ? c : char16_t(b);
    }
    return char16_t(b);
}
} // namespace

QByteArray fromUnicode(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.append(char(c));
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i) {
            if (High[i] == c || (High[i] == 0 && c == char16_t(0x80 + i))) {
                mapped = char(0x80 + i);
                break;
            }
        }
        out.append(mapped);
    }
    return out;
}

QString toUnicode(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char b : bytes)
        out.append(QChar(decodeByte(static_cast<unsigned char>(b))));
    return out;
}

} // namespace ansi
