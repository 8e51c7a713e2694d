// The day's usage counters: restored at start-up, advanced by the tick, stored every minute and
// at the end, restarted when the local date changes.

#include <charconv>
#include <limits>

#include "app/main_form.h"
#include "app/main_form_internal.h"
#include "app/main_module.h"
#include "tint/presets.h"

namespace qvx::app {

using namespace main_form_detail;

namespace {

void PutDigits(int value, int count, char* out) {
    for (int i = count - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

std::int32_t StoredCounter(const std::string& text) {
    // Empty, not a number, negative or beyond 32 bits: the counter starts from 0.
    return tint::ParseCounter(text).value_or(0);
}

// A stored count may already sit at the top of the range; it stays there rather than wrap.
void Increment(std::int32_t& counter) {
    if (counter < std::numeric_limits<std::int32_t>::max()) {
        ++counter;
    }
}

void ShowClockTime(LabelControl& label, std::int32_t seconds) {
    char text[8];
    FormatClockTime(seconds, text);
    SetLabelText(label, std::string_view(text, sizeof text));
}

}  // namespace

std::string MainForm::ReadValue(const std::string& name) {
    return ports_.registry.ReadRegValue(HKEY_CURRENT_USER_ROOT, Names().quorvexKey, name);
}

void MainForm::WriteValue(const std::string& name, std::string_view text) {
    // A failed write is not reported: the state in memory stays, the next write tries again.
    ports_.registry.WriteRegValue(HKEY_CURRENT_USER_ROOT, Names().quorvexKey, name,
                                  RegData(std::string(text)), kStringType);
}

void MainForm::WriteNumber(const std::string& name, std::int32_t value) {
    char text[12];
    const auto result = std::to_chars(text, text + sizeof text, value);
    WriteValue(name, std::string_view(text, static_cast<std::size_t>(result.ptr - text)));
}

void MainForm::FormatToday(char (&out)[11]) {
    const LocalTime now = ports_.clock.Now();
    PutDigits(now.year, 4, out);
    out[4] = '-';
    PutDigits(now.month, 2, out + 5);
    out[7] = '-';
    PutDigits(now.day, 2, out + 8);
    out[10] = '\0';
}

bool MainForm::StartNewDayIfDateChanged() {
    const RegNames& names = Names();
    char today[11];
    FormatToday(today);
    if (ReadValue(names.date) == today) {
        return false;
    }
    WriteValue(names.date, today);
    kjsc_ = 0;
    ljsy_ = 0;
    zdsc_ = 0;
    return true;
}

void MainForm::RestoreDayCounters() {
    if (!StartNewDayIfDateChanged()) {
        const RegNames& names = Names();
        kjsc_ = StoredCounter(ReadValue(names.kjsc));
        ljsy_ = StoredCounter(ReadValue(names.ljsy));
        zdsc_ = StoredCounter(ReadValue(names.zdsc));
    }
    bcsc_ = 0;
}

void MainForm::AdvanceUseCounters() {
    Increment(ljsy_);
    Increment(bcsc_);
    if (bcsc_ > zdsc_) {
        zdsc_ = bcsc_;
    }
}

void MainForm::WriteUseLabels() {
    ShowClockTime(controls_.LJSY, ljsy_);
    ShowClockTime(controls_.BCSC, bcsc_);
    ShowClockTime(controls_.ZDSC, zdsc_);
}

void MainForm::AdvanceRunCounter() {
    Increment(kjsc_);
    ShowClockTime(controls_.KJSC, kjsc_);
    if (++saveTicks_ >= kTicksPerSave) {
        StoreCounters();
        saveTicks_ = 0;
    }
}

void MainForm::StoreCounters() {
    const RegNames& names = Names();
    WriteNumber(names.kjsc, kjsc_);
    WriteNumber(names.ljsy, ljsy_);
    WriteNumber(names.zdsc, zdsc_);
}

void MainForm::DayRollOver() {
    // The stored date is read every tick, so a date written by another copy counts too. The
    // current stretch of use goes on across midnight; only the day's totals start again.
    StartNewDayIfDateChanged();
}

}  // namespace qvx::app
