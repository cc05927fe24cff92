#pragma once
// One cell of a tariff profile: a time band of one day type. The 48 bytes of
// the file are carried field by field, the padding and reserved bytes
// included, so that loading and saving a profile never changes a byte the
// program does not understand.

#include <QByteArray>
#include <array>
#include <cstdint>

// costo1 of a band that exists and is free ("Gratis"); every reader turns it
// back into a rate of 0.
constexpr float FreeMarker = -999.0f;

struct TariffCell {
    static constexpr int Size = 48;

    uint8_t scrsi = 0; // a fixed charge is made at answer (0/1)
    std::array<uint8_t, 3> pad1{};
    float costorisp = 0;                // fixed charge at answer, Lire
    double dalle = 0;                   // start of the band; hours and minutes count
    std::array<uint8_t, 4> reserved1{}; // offset 16
    int32_t doposec = 0;                // seconds from the connection start to costo2; <= 0 never
    float costo1 = 0;                   // Lire per minute; 0 no band; FreeMarker free band
    std::array<uint8_t, 4> reserved2{}; // offset 28
    float costo2 = 0;                   // second rate, Lire per minute, used as stored

    struct Discount {
        uint8_t attivo = 0;
        std::array<uint8_t, 3> pad{};
        int32_t percent = 0; // per cent of the rate
        int32_t doposec = 0; // seconds from the connection start; <= 0 never
    } sco;

    // A cell is a band exactly when costo1 is not 0.
    bool isBand() const { return costo1 != 0.0f; }
    bool isFree() const { return costo1 == FreeMarker; }
    // The rate per minute of the band, the free marker read as 0.
    float rate1() const { return isFree() ? 0.0f : costo1; }
    bool hasFixedCharge() const { return scrsi != 0; }
    bool hasDiscount() const { return sco.attivo != 0; }
    // Hours and minutes of dalle as minutes after midnight (0..1439); seconds
    // and fractions are dropped.
    int startMinutes() const;

    // The cell at byte offset off of b (b must hold the 48 bytes).
    static TariffCell fromBytes(const QByteArray& b, int off);
    void toBytes(QByteArray& b, int off) const;
};
