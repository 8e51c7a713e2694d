#pragma once
// Fakes of the ports of stepping aside, pausing and the hotkeys: a desktop with a settable
// window in front and monitors, hotkeys some of which another program holds, a file dialog
// with a scripted answer, and a wall clock whose time zone can change its offset (daylight
// saving) at given moments.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/desktop_ports.h"

namespace qvx::fakes {

class FakeDesktop final : public app::Desktop {
public:
    std::optional<app::ForegroundWindow> foreground;
    std::vector<app::MonitorArea> monitors;
    bool acceptsNotifications = true;

    std::optional<app::ForegroundWindow> Foreground() override { return foreground; }
    std::vector<app::MonitorArea> Monitors() override { return monitors; }
    bool AcceptsNotifications() override { return acceptsNotifications; }
};

// Like RegisterHotKey: a combination already registered (by another program, or by us under
// another id) is refused. Registering an id again without unregistering it first: the platform
// keeps both, the old one never let go; the fake refuses it, so a caller that forgets shows.
class FakeHotkeys final : public app::Hotkeys {
public:
    std::map<int, app::Hotkey> registered;
    std::vector<app::Hotkey> heldByAnother;  // combinations other programs hold
    std::vector<app::Hotkey> failing;        // combinations the platform refuses outright
    int registerCalls = 0;
    int unregisterCalls = 0;

    app::HotkeyRegistration Register(int id, const app::Hotkey& hotkey) override {
        ++registerCalls;
        if (Contains(failing, hotkey) || registered.contains(id)) {
            return app::HotkeyRegistration::Failed;
        }
        const bool ours =
            std::any_of(registered.begin(), registered.end(),
                        [&hotkey](const auto& entry) { return entry.second == hotkey; });
        if (ours || Contains(heldByAnother, hotkey)) {
            return app::HotkeyRegistration::HeldByAnother;
        }
        registered[id] = hotkey;
        return app::HotkeyRegistration::Registered;
    }

    void Unregister(int id) override {
        ++unregisterCalls;
        registered.erase(id);
    }

private:
    static bool Contains(const std::vector<app::Hotkey>& hotkeys, const app::Hotkey& hotkey) {
        return std::find(hotkeys.begin(), hotkeys.end(), hotkey) != hotkeys.end();
    }
};

class FakeProgramPicker final : public app::ProgramPicker {
public:
    std::optional<std::string> answer;  // nullopt: the user cancels
    int calls = 0;

    std::optional<std::string> ChooseProgram() override {
        ++calls;
        return answer;
    }
};

// UTC now plus a time zone: a base offset, then from each transition's UTC moment on, its
// offset. Local times skipped by a change map to the moment of the change; local times that
// occur twice map to the first, as the port says.
class FakeWallClock final : public app::WallClock {
public:
    struct Transition {
        std::int64_t utcStart;
        std::int64_t offsetSeconds;
    };

    std::int64_t utcNow = 0;
    std::int64_t baseOffsetSeconds = 0;
    std::vector<Transition> transitions;  // in order of utcStart

    std::int64_t UtcNow() override { return utcNow; }
    void Advance(std::int64_t seconds) { utcNow += seconds; }

    std::int64_t OffsetAt(std::int64_t utc) const {
        std::int64_t offset = baseOffsetSeconds;
        for (const Transition& transition : transitions) {
            if (transition.utcStart <= utc) {
                offset = transition.offsetSeconds;
            }
        }
        return offset;
    }

    app::LocalTime ToLocal(std::int64_t utc) override { return Civil(utc + OffsetAt(utc)); }

    std::int64_t FromLocal(const app::LocalTime& local) override {
        const std::int64_t wall = Seconds(local);
        // Each stretch of one offset: [begin, end) in UTC. The first that shows the wall time
        // gives the answer.
        std::int64_t begin = std::numeric_limits<std::int64_t>::min();
        std::int64_t offset = baseOffsetSeconds;
        for (std::size_t i = 0; i <= transitions.size(); ++i) {
            const std::int64_t end = i < transitions.size()
                                         ? transitions[i].utcStart
                                         : std::numeric_limits<std::int64_t>::max();
            const std::int64_t utc = wall - offset;
            if (utc >= begin && utc < end) {
                return utc;
            }
            if (i < transitions.size()) {
                // Skipped by a change forward: the moment the clock jumped.
                const std::int64_t next = transitions[i].offsetSeconds;
                if (next > offset && wall >= end + offset && wall < end + next) {
                    return end;
                }
                begin = end;
                offset = next;
            }
        }
        return wall - offset;  // not reached: every wall time is shown or skipped
    }

    // Seconds since 1970 of a date and time read as UTC, and back (proleptic Gregorian).
    static std::int64_t Seconds(const app::LocalTime& t) {
        std::int64_t y = t.year - (t.month <= 2 ? 1 : 0);
        const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
        const std::int64_t yoe = y - era * 400;
        const std::int64_t doy = (153 * (t.month + (t.month > 2 ? -3 : 9)) + 2) / 5 + t.day - 1;
        const std::int64_t days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
        return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
    }

    static app::LocalTime Civil(std::int64_t seconds) {
        std::int64_t days = seconds / 86400;
        std::int64_t rest = seconds % 86400;
        if (rest < 0) {
            rest += 86400;
            --days;
        }
        const std::int64_t z = days + 719468;
        const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
        const std::int64_t doe = z - era * 146097;
        const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const std::int64_t mp = (5 * doy + 2) / 153;
        app::LocalTime t;
        t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
        t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
        t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
        t.hour = static_cast<int>(rest / 3600);
        t.minute = static_cast<int>(rest / 60 % 60);
        t.second = static_cast<int>(rest % 60);
        return t;
    }
};

}  // namespace qvx::fakes
