#include "fuzz/FuzzTargets.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstring>
#include <memory>

namespace fuzz
{

namespace
{

const Target All[] = {
    {"regfile", regFile},       {"phonebook", phoneBook}, {"archive", archive},
    {"profile", profile},       {"provider", provider},   {"query", query},
    {"updatefile", updateFile}, {"daytime", dayTime},
};

} // namespace

const Target* targets(int& count)
{
    count = int(std::size(All));
    return All;
}

const Target* find(const char* name)
{
    for (const Target& t : All)
        if (std::strcmp(t.name, name) == 0)
            return &t;
    return nullptr;
}

QString scratchFolder()
{
    static std::unique_ptr<QTemporaryDir> dir;
    if (!dir) {
        const QString shm = QStringLiteral("/dev/shm");
        dir = std::make_unique<QTemporaryDir>((QDir(shm).exists() ? shm : QDir::tempPath()) +
                                              QStringLiteral("/tarvelo-fuzz-XXXXXX"));
        if (!dir->isValid())
            fail("a scratch folder can be made", __FILE__, __LINE__);
    }
    return dir->path() + QLatin1Char('/');
}

} // namespace fuzz
