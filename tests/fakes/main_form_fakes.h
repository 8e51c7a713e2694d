#pragma once
// Fakes of the main window's ports: a settable clock that walks across days, a scriptable idle
// clock on the wrapping 32-bit tick, a process table, the notification area, icon files, the
// shell, message boxes with scripted answers, the program host, and a registry wrapper that
// records each call. All of them can write into one shared CallLog, so a test sees the order
// of calls across ports.

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/main_form_ports.h"
#include "app/registry_port.h"

namespace qvx::fakes {

struct CallLog {
    std::vector<std::string> entries;
    void Add(std::string entry) { entries.push_back(std::move(entry)); }
};

inline void Record(CallLog* log, std::string entry) {
    if (log != nullptr) {
        log->Add(std::move(entry));
    }
}

// Local time with a whole-second clock beside it; Advance moves both, across days and months.
class FakeClock final : public app::Clock {
public:
    app::LocalTime now{2026, 12, 10, 12, 0, 0};
    std::int64_t seconds = 1'000'000;
    CallLog* log = nullptr;

    app::LocalTime Now() override {
        Record(log, "clock now");
        return now;
    }
    std::int64_t NowSeconds() override { return seconds; }

    void Advance(std::int64_t delta) {
        seconds += delta;
        std::int64_t total = DaysFromCivil(now.year, now.month, now.day) * 86400 + now.hour * 3600 +
                             now.minute * 60 + now.second + delta;
        std::int64_t days = total / 86400;
        std::int64_t rest = total % 86400;
        if (rest < 0) {
            rest += 86400;
            --days;
        }
        CivilFromDays(days, now.year, now.month, now.day);
        now.hour = static_cast<int>(rest / 3600);
        now.minute = static_cast<int>(rest / 60 % 60);
        now.second = static_cast<int>(rest % 60);
    }

private:
    // Days since 1970-01-01 of a proleptic Gregorian date, and back.
    static std::int64_t DaysFromCivil(int y, int m, int d) {
        y -= m <= 2 ? 1 : 0;
        const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
        const std::int64_t yoe = y - era * 400;
        const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + doe - 719468;
    }
    static void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
        z += 719468;
        const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
        const std::int64_t doe = z - era * 146097;
        const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const std::int64_t mp = (5 * doy + 2) / 153;
        d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
        m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
        y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    }
};

// GetTickCount and GetLastInputInfo on one 32-bit millisecond clock that wraps.
class FakeIdleClock final : public app::IdleClock {
public:
    std::uint32_t tick = 10'000;
    std::uint32_t lastInput = 10'000;
    bool failLastInput = false;

    std::optional<std::uint32_t> LastInputTick() override {
        if (failLastInput) {
            return std::nullopt;
        }
        return lastInput;
    }
    std::uint32_t TickCount() override { return tick; }

    // Time passes; the user's last input stays where it was.
    void Advance(std::uint32_t ms) { tick += ms; }
    // The last input lies idleMs before now.
    void SetIdle(std::uint32_t idleMs) { lastInput = tick - idleMs; }
};

class FakeProcessTable final : public app::ProcessTable {
public:
    std::optional<std::vector<std::uint32_t>> running = std::vector<std::uint32_t>{};
    std::uint32_t self = 100;
    std::vector<std::string> queries;
    std::vector<std::uint32_t> terminated;
    CallLog* log = nullptr;

    std::optional<std::vector<std::uint32_t>> ProcessesNamed(const std::string& image) override {
        queries.push_back(image);
        Record(log, "processes " + image);
        return running;
    }
    bool Terminate(std::uint32_t processId) override {
        terminated.push_back(processId);
        Record(log, "terminate " + std::to_string(processId));
        return true;
    }
    std::uint32_t CurrentProcessId() override { return self; }
};

// The notification area: the icons currently shown, keyed by (window, id).
class FakeTrayIcon final : public app::TrayIcon {
public:
    std::vector<app::TrayRecord> added;
    std::vector<app::TrayRecord> removed;
    std::set<std::pair<std::uintptr_t, std::uintptr_t>> shown;
    CallLog* log = nullptr;

    bool Add(const app::TrayRecord& record) override {
        added.push_back(record);
        Record(log, "tray add");
        return shown.insert({record.window, record.id}).second;
    }
    bool Remove(const app::TrayRecord& record) override {
        removed.push_back(record);
        Record(log, "tray remove");
        return shown.erase({record.window, record.id}) == 1;
    }
    bool ShowBalloon(const app::TrayRecord& record, const std::string& title,
                     const std::string& text) override {
        balloons.push_back({record.window, record.id, title, text});
        Record(log, "tray balloon");
        return shown.count({record.window, record.id}) == 1;
    }
    // Explorer restarted: every icon is gone.
    void ExplorerRestart() { shown.clear(); }

    struct Balloon {
        std::uintptr_t window;
        std::uintptr_t id;
        std::string title;
        std::string text;
    };
    std::vector<Balloon> balloons;
};

// Icon files by path; ExtractIcon gives the handle of an existing file that holds an icon.
class FakeIconFiles final : public app::IconFiles {
public:
    std::map<std::string, std::uintptr_t> files;  // path -> icon handle (0: file without icon)
    std::uintptr_t fallback = 0;
    std::vector<std::string> extracted;
    CallLog* log = nullptr;

    bool Exists(const std::string& path) override { return files.count(path) == 1; }
    std::uintptr_t ExtractIcon(const std::string& path, int index) override {
        extracted.push_back(path);
        Record(log, "icon " + path);
        const auto it = files.find(path);
        return it == files.end() || index != 0 ? 0 : it->second;
    }
    std::uintptr_t FallbackIcon() override { return fallback; }
};

class FakeShell final : public app::Shell {
public:
    std::vector<std::string> opened;
    void Open(const std::string& target) override { opened.push_back(target); }
};

class FakeMessageBoxes final : public app::MessageBoxes {
public:
    struct Shown {
        std::string text;
        app::MessageBoxKind kind;
    };
    std::vector<Shown> shown;
    std::deque<app::MessageBoxResult> answers;  // Ok once they run out

    app::MessageBoxResult Show(const std::string& text, app::MessageBoxKind kind) override {
        shown.push_back({text, kind});
        if (answers.empty()) {
            return app::MessageBoxResult::Ok;
        }
        const app::MessageBoxResult answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class FakeProgramHost final : public app::ProgramHost {
public:
    std::string folder = "C:\\Program Files\\Quorvex";
    std::string baseName = "quorvex";
    std::uintptr_t window = 0x30042;
    int endCount = 0;
    CallLog* log = nullptr;

    std::string ProgramFolder() override { return folder; }
    std::string ProgramBaseName() override { return baseName; }
    std::uintptr_t MainWindow() override { return window; }
    bool shownNow = true;
    void ShowMainWindowNow(bool shown) override {
        shownNow = shown;
        Record(log, shown ? "window shown" : "window hidden");
    }
    void EndProgram() override {
        ++endCount;
        Record(log, "end program");
    }
};

// Passes every call to the wrapped registry and records the writes, reads and deletes by value
// name ("reg write ZNHY", "reg read ZNHY", "reg delete quorvex").
class RecordingRegistry final : public app::Registry {
public:
    explicit RecordingRegistry(app::Registry& inner) : inner_(inner) {}
    CallLog* log = nullptr;

    long CreateKey(std::uint32_t root, const std::string& path, std::uintptr_t& key) override {
        return inner_.CreateKey(root, path, key);
    }
    long OpenKey(std::uint32_t root, const std::string& path, std::uintptr_t& key) override {
        return inner_.OpenKey(root, path, key);
    }
    long SetValue(std::uintptr_t key, const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& bytes) override {
        Record(log, "reg write " + name);
        return inner_.SetValue(key, name, type, bytes);
    }
    long QueryValue(std::uintptr_t key, const std::string& name, std::uint32_t& type,
                    std::vector<std::uint8_t>& bytes) override {
        Record(log, "reg read " + name);
        return inner_.QueryValue(key, name, type, bytes);
    }
    long DeleteValue(std::uintptr_t key, const std::string& name) override {
        Record(log, "reg delete " + name);
        return inner_.DeleteValue(key, name);
    }
    long DeleteKey(std::uintptr_t key, const std::string& subKey) override {
        return inner_.DeleteKey(key, subKey);
    }
    long CloseKey(std::uintptr_t key) override { return inner_.CloseKey(key); }

private:
    app::Registry& inner_;
};

}  // namespace qvx::fakes
