#pragma once
// Error texts of a real dial-up backend. Most codes have the program's usual
// text; ras::DeviceError stands for every failure without a code of its own,
// and its text is what the backend last said about it (an exit status, a
// reason given by the system's network service). The backend sets the detail
// on its own thread just before it reports the error; the dialler asks for
// the text when it handles that report.

#include <QString>
#include <cstdint>
#include <mutex>

class TRasErrorNote
{
public:
    void setDetail(const QString& detail);
    QString text(uint32_t code) const;

private:
    mutable std::mutex m_mutex;
    QString m_detail;
};
