#include "platform/ras/RasErrorNote.h"

#include "platform/ras/RasTexts.h"
#include "platform/ras/RasTypes.h"

void TRasErrorNote::setDetail(const QString& detail)
{
    std::lock_guard lock(m_mutex);
    m_detail = detail;
}

QString TRasErrorNote::text(uint32_t code) const
{
    if (code != ras::DeviceError)
        return ras::errorText(code);
    std::lock_guard lock(m_mutex);
    return m_detail.isEmpty()
               ? QStringLiteral("Il modem o il servizio di connessione ha segnalato un errore.")
               : m_detail;
}
