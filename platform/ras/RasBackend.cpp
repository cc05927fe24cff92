#include "platform/ras/RasBackend.h"

#include "platform/ras/RasSimService.h"

std::unique_ptr<IRasService> createRasService(const QString& programFolder)
{
    return std::make_unique<TRasSimService>(programFolder);
}
