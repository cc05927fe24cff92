#pragma once
// Drops capabilities from the calling thread only, for as long as the object
// lives: tests run as root, and root's capabilities would otherwise let it
// read any folder and signal any process.

#include <cstdint>
#include <initializer_list>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

class ThreadWithout
{
public:
    explicit ThreadWithout(std::initializer_list<int> caps)
    {
        m_ok = ::syscall(SYS_capget, &m_header, m_saved) == 0;
        if (!m_ok)
            return;
        __user_cap_data_struct data[2] = {m_saved[0], m_saved[1]};
        for (int cap : caps)
            data[cap / 32].effective &= ~(uint32_t(1) << (cap % 32));
        m_ok = ::syscall(SYS_capset, &m_header, data) == 0;
    }
    ~ThreadWithout()
    {
        if (m_ok)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    ThreadWithout(const ThreadWithout&) = delete;
    ThreadWithout& operator=(const ThreadWithout&) = delete;

    bool ok() const { return m_ok; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_ok = false;
};
