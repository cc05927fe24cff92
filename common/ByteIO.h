#pragma once
// Little-endian field codecs for the fixed-layout records of the program.
// Records are built and read field by field at explicit offsets; no C++
// struct is ever copied to or from a file.

#include "common/Ansi.h"

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <cstdint>
#include <cstring>

namespace bio
{

inline bool fits(const QByteArray& b, int offset, int size)
{
    return offset >= 0 && size >= 0 && offset + size <= b.size();
}

inline uint8_t getU8(const QByteArray& b, int off)
{
    return fits(b, off, 1) ? uint8_t(b[off]) : 0;
}
inline int32_t getI32(const QByteArray& b, int off)
{
    return fits(b, off, 4) ? qFromLittleEndian<qint32>(b.constData() + off) : 0;
}
inline uint16_t getU16(const QByteArray& b, int off)
{
    return fits(b, off, 2) ? qFromLittleEndian<quint16>(b.constData() + off) : 0;
}
inline float getF32(const QByteArray& b, int off)
{
    if (!fits(b, off, 4))
        return 0;
    const quint32 u = qFromLittleEndian<quint32>(b.constData() + off);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
inline double getF64(const QByteArray& b, int off)
{
    if (!fits(b, off, 8))
        return 0;
    const quint64 u = qFromLittleEndian<quint64>(b.constData() + off);
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

inline void putU8(QByteArray& b, int off, uint8_t v)
{
    if (fits(b, off, 1))
        b[off] = char(v);
}
inline void putI32(QByteArray& b, int off, int32_t v)
{
    if (fits(b, off, 4))
        qToLittleEndian<qint32>(v, b.data() + off);
}
inline void putU16(QByteArray& b, int off, uint16_t v)
{
    if (fits(b, off, 2))
        qToLittleEndian<quint16>(v, b.data() + off);
}
inline void putF32(QByteArray& b, int off, float v)
{
    quint32 u;
    std::memcpy(&u, &v, 4);
    if (fits(b, off, 4))
        qToLittleEndian<quint32>(u, b.data() + off);
}
inline void putF64(QByteArray& b, int off, double v)
{
    quint64 u;
    std::memcpy(&u, &v, 8);
    if (fits(b, off, 8))
        qToLittleEndian<quint64>(u, b.data() + off);
}

// Length-prefixed text in a field of maxLen + 1 bytes: one length byte, then
// the characters. Reading honours the length byte (capped to the field) and
// ignores whatever follows it; writing cuts to maxLen and zero-fills the rest.
inline QByteArray getPStrBytes(const QByteArray& b, int off, int maxLen)
{
    if (!fits(b, off, maxLen + 1))
        return {};
    int len = uint8_t(b[off]);
    if (len > maxLen)
        len = maxLen;
    return b.mid(off + 1, len);
}
inline QString getPStr(const QByteArray& b, int off, int maxLen)
{
    return ansi::toUnicode(getPStrBytes(b, off, maxLen));
}
inline void putPStrBytes(QByteArray& b, int off, int maxLen, const QByteArray& text)
{
    if (!fits(b, off, maxLen + 1))
        return;
    const int len = int(std::min<qsizetype>(text.size(), maxLen));
    b[off] = char(len);
    std::memcpy(b.data() + off + 1, text.constData(), size_t(len));
    std::memset(b.data() + off + 1 + len, 0, size_t(maxLen - len));
}
inline void putPStr(QByteArray& b, int off, int maxLen, const QString& text)
{
    putPStrBytes(b, off, maxLen, ansi::fromUnicode(text));
}
// Cuts text as storing it in a field of maxLen characters would.
inline QString cutTo(const QString& text, int maxLen)
{
    return text.size() > maxLen ? text.left(maxLen) : text;
}

} // namespace bio
