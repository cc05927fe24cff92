#include "common/SafeName.h"

bool isSafeFileName(const QString& name, const QString& extension)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || u == '/' || u == '\\')
            return false;
        if (u >= 0x80 && u < 0xA0)
            return false;
    }
    return (name + extension).toUtf8().size() <= MaxFileNameBytes;
}
