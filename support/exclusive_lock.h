// The system's slim lock and condition variables, for hand-overs between
// threads that wait in the process, never on a kernel object.
#pragma once

#include <windows.h>

// Holds `lock` exclusively while it lives.
class CExclusiveLock {
public:
    explicit CExclusiveLock(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
    CExclusiveLock(const CExclusiveLock&) = delete;
    CExclusiveLock& operator=(const CExclusiveLock&) = delete;
    ~CExclusiveLock() { ReleaseSRWLockExclusive(&m_lock); }

    // Sleeps on `condition` until `ready()` holds, the lock released meanwhile.
    template <typename Ready> void WaitFor(CONDITION_VARIABLE& condition, Ready ready)
    {
        while (!ready())
            SleepConditionVariableSRW(&condition, &m_lock, INFINITE, 0);
    }

private:
    SRWLOCK& m_lock;
};
