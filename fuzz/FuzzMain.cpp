// One libFuzzer program per target, chosen when it is built.
#include "fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const fuzz::Target* target = fuzz::find(TARVELO_FUZZ_TARGET);
    if (!target)
        fuzz::fail("the target is known", __FILE__, __LINE__);
    target->entry(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}
