#pragma once
// Windows' critical-error box ("There is no disk in the drive") for a drive whose
// media is not ready, kept from coming up again and again while the agent polls.

#include "platform/win32/WinApi.h"

namespace kardello {

// While it lives, a failing call on this thread fails quietly. Only the thread's mode
// changes: the process's, which the programs the agent starts inherit, stays as it is.
class QuietCriticalErrors {
public:
    QuietCriticalErrors() {
        set_ = SetThreadErrorMode(GetThreadErrorMode() | SEM_FAILCRITICALERRORS, &previous_) != FALSE;
    }
    ~QuietCriticalErrors() {
        if (set_) SetThreadErrorMode(previous_, nullptr);
    }
    QuietCriticalErrors(const QuietCriticalErrors&) = delete;
    QuietCriticalErrors& operator=(const QuietCriticalErrors&) = delete;

private:
    DWORD previous_ = 0;
    bool set_ = false;
};

}  // namespace kardello
