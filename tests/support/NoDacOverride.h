#pragma once
// Tests run as root on many machines, where a mode of 000 keeps nobody out.
// ScopedNoDacOverride makes such tests real instead of skipping them.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>

// Takes CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH out of the calling thread's
// effective set for its lifetime (capabilities are per thread), so that a
// mode of 000 keeps even root out. Does nothing for a user without them.
class ScopedNoDacOverride {
public:
    ScopedNoDacOverride() {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        m_header.pid = 0;
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2];
        std::memcpy(reduced, m_saved, sizeof reduced);
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_active = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~ScopedNoDacOverride() {
        if (m_active)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    ScopedNoDacOverride(const ScopedNoDacOverride&) = delete;
    ScopedNoDacOverride& operator=(const ScopedNoDacOverride&) = delete;

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
    bool m_active = false;
};
