#include "updlib/trovapi.h"

#include <algorithm>
#include <cstdio>

namespace qvx::updlib {
namespace {

constexpr char kWaitSource[] = "[clsWaitableTimer.Wait] ";

TrovapiError WaitError(std::uint32_t code, const std::string& what) {
    return TrovapiError{static_cast<std::int32_t>(code), "trovapi",
                        std::string(kWaitSource) + what};
}

std::string TimerName(const std::string& programFile, const TimeRecord& now) {
    std::string name = PathFileName(programFile);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) {
        name.erase(dot);
    }
    char stamp[8];
    std::snprintf(stamp, sizeof stamp, "%02u%02u", static_cast<unsigned>(now.minute % 100),
                  static_cast<unsigned>(now.second % 100));
    return name + "Timer" + stamp;
}

}  // namespace

std::optional<TrovapiError> trovapi::Sleep(std::int32_t seconds) {
    // The port objects outlive this object; `this` may not, because handlers run inside the wait.
    WaitPort& wait = ports_.wait;
    const std::shared_ptr<bool> alive = alive_;

    const std::string name = TimerName(ports_.files.ModuleFileName(), ports_.clock.LocalNow());
    CreatedTimer created = wait.CreateTimer(name);
    if (created.handle != 0 && created.existed) {
        // Another wait started in the same second (a handler inside this one, or another copy
        // of the program) owns the named timer; arming it again would end that wait at this
        // one's time. This wait takes a timer of its own.
        wait.CloseTimer(created.handle);
        created = wait.CreateTimer(std::string());
    }
    const TimerHandle timer = created.handle;
    if (timer == 0) {
        return WaitError(wait.LastError(), "the waiting timer " + name + " could not be created");
    }
    waitTimers_.push_back(timer);
    auto release = [&]() {
        wait.CloseTimer(timer);
        waitTimers_.erase(std::find(waitTimers_.begin(), waitTimers_.end(), timer));
    };

    const std::int64_t dueTime = -static_cast<std::int64_t>(std::max(seconds, 0)) * 10000;
    if (!wait.SetTimer(timer, dueTime)) {
        const TrovapiError error =
            WaitError(wait.LastError(), "the waiting timer could not be set");
        release();
        return error;
    }
    for (;;) {
        const WaitOutcome outcome = wait.WaitForTimerOrInput(timer);
        if (outcome == WaitOutcome::Failed) {
            // Waiting again would fail again at once: report instead of spinning.
            const TrovapiError error = WaitError(wait.LastError(), "the wait failed");
            release();
            return error;
        }
        wait.PumpMessages();
        if (!*alive) {
            // Released from a handler: its destruction closed the timer already.
            return std::nullopt;
        }
        if (outcome == WaitOutcome::Timer) {
            break;
        }
    }
    release();
    return std::nullopt;
}

}  // namespace qvx::updlib
