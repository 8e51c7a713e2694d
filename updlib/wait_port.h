#pragma once

#include <cstdint>
#include <string>

namespace qvx::updlib {

using TimerHandle = std::uintptr_t;

enum class WaitOutcome {
    Timer,   // the timer was signalled
    Input,   // input or a message arrived for the thread
    Failed,  // the wait itself failed
};

struct CreatedTimer {
    TimerHandle handle = 0;  // 0 when the creation failed
    bool existed = false;    // a timer of that name existed already and was opened
};

// Waitable timer and the wait for it or for thread input (MsgWaitForMultipleObjects).
class WaitPort {
public:
    virtual ~WaitPort() = default;
    // CreateWaitableTimerA: manual reset, default security, the name (none when empty).
    virtual CreatedTimer CreateTimer(const std::string& name) = 0;
    // SetWaitableTimer with the due time in 100 ns units (negative = relative), no period.
    virtual bool SetTimer(TimerHandle timer, std::int64_t dueTime) = 0;
    // Waits without time-out for the timer or any input (QS_ALLINPUT).
    virtual WaitOutcome WaitForTimerOrInput(TimerHandle timer) = 0;
    // Handles every pending window message of the thread.
    virtual void PumpMessages() = 0;
    virtual void CloseTimer(TimerHandle timer) = 0;
    // GetLastError, for the failure report.
    virtual std::uint32_t LastError() = 0;
};

}  // namespace qvx::updlib
