// The settings file: whatever the reader accepts is written back so that it
// reads back the same, keeping its own layout, and a second save gives the
// same bytes; so do the changes a program run makes (a value changed, one
// added, one deleted, a new key).
#include "fuzz/FuzzTargets.h"
#include "platform/system/Registry.h"

namespace fuzz
{

namespace
{

void readsBackTheSame(TRegFile& reg)
{
    const QByteArray saved = reg.contents();
    FUZZ_CHECK(reg.layoutKept());
    TRegFile back(QStringLiteral("HKCU.reg"));
    back.readFrom(saved);
    FUZZ_CHECK(TMemRegistry::sameContent(back, reg));
    FUZZ_CHECK(back.contents() == saved);
    FUZZ_CHECK(back.skippedLines() <= reg.skippedLines() + 1);
}

} // namespace

void regFile(const QByteArray& data)
{
    TRegFile reg(QStringLiteral("HKCU.reg"));
    reg.readFrom(data);
    readsBackTheSame(reg);

    // The changes of a run, drawn from the input so that they land on keys
    // and values of the file as well as on new ones.
    const QStringList keys = reg.keys();
    const uint seed = data.isEmpty() ? 0 : uchar(data.back());
    const QString key = keys.isEmpty() ? QStringLiteral("Tarvelo! Pindral(C)\\Sett")
                                       : keys.at(int(seed % uint(keys.size())));
    const QStringList names = reg.valueNames(key);
    if (!names.isEmpty())
        reg.deleteValue(key, names.first());
    reg.writeValue(key, names.size() > 1 ? names.last() : QStringLiteral("IVA"),
                   RegValue::ofDword(uint32_t(data.size())));
    const QString text = seed & 1 ? QStringLiteral("Città \u260E") + QChar(0) + QStringLiteral("x")
                                  : QStringLiteral("Casa \"sera\" \\");
    reg.writeValue(key, QStringLiteral("Nuovo"), RegValue::ofString(text));
    reg.writeValue(QStringLiteral("Tarvelo! Pindral(C)\\Nuova"), QStringLiteral("N"),
                   RegValue::ofBinary(data.left(40)));
    readsBackTheSame(reg);
    if (!names.isEmpty() && names.size() > 1) {
        TRegFile back(QStringLiteral("HKCU.reg"));
        back.readFrom(reg.contents());
        FUZZ_CHECK(back.readValue(key, names.first()).isAbsent());
    }
}

} // namespace fuzz
