#pragma once
// The 12 bytes before the table in a profile file. The program keeps one
// header for all its profiles: every read fills it and every write stores it
// (with the format mark set), so a save writes the header of whichever
// profile file was read last.

#include "common/ByteIO.h"

#include <QByteArray>
#include <cstdint>

struct ProfileHeader {
    static constexpr int Size = 12;
    static constexpr int32_t FormatMark = 300;

    // byte 0: the editor's "Applica Sconto del" box at its last change;
    // bytes 1..3 carried; 4..7 the format mark; 8..11 carried.
    QByteArray bytes = QByteArray(Size, '\0');

    bool discountBox() const { return bio::getU8(bytes, 0) != 0; }
    void setDiscountBox(bool on) { bio::putU8(bytes, 0, on ? 1 : 0); }
    int32_t formatMark() const { return bio::getI32(bytes, 4); }
    void setFormatMark(int32_t mark) { bio::putI32(bytes, 4, mark); }
};
