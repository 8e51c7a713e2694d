// The smart mode's schedule while the program runs: the slider follows the changes between day
// and night, gradually; a user's choice holds until the next change begins; the main window's
// line says what comes next; the schedule's settings from the settings window.

#include <cstdio>
#include <limits>

#include "app/main_form.h"
#include "base/civil_date.h"
#include "app/main_form_internal.h"
#include "app/main_module.h"

namespace qvx::app {

using namespace main_form_detail;

namespace {

constexpr std::int64_t kNoChangeAhead = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kNoChangeBegun = std::numeric_limits<std::int64_t>::min();

// Days since 1970 of a local date, to tell today from tomorrow.
std::int64_t DayNumber(const LocalTime& t) {
    std::int64_t y = t.year - (t.month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (t.month + (t.month > 2 ? -3 : 9)) + 2) / 5 + t.day - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy;
}

}  // namespace

void MainForm::LoadSchedule() {
    changes_.reset();
    schedule_ = LoadScheduleSettings([this](const std::string& name) -> std::optional<std::string> {
        std::string text = ReadValue(name);
        if (text.empty()) {
            return std::nullopt;
        }
        return text;
    });
}

tint::SchedulePoint MainForm::SchedulePointAt(std::int64_t nowUtc) {
    const LocalTime local = ports_.wallClock.ToLocal(nowUtc);
    const std::int64_t offset = base::DaysFromCivil(local.year, local.month, local.day) * 86400 +
                                local.hour * 3600 + local.minute * 60 + local.second - nowUtc;
    constexpr std::int64_t kChangesFor = 60;
    if (!changes_ || nowUtc < changesAt_ || nowUtc - changesAt_ >= kChangesFor ||
        offset != changesOffset_) {
        changes_ = ScheduleChanges(schedule_, ports_.wallClock, nowUtc);
        changesAt_ = nowUtc;
        changesOffset_ = offset;
    }
    return tint::PointAt(*changes_, nowUtc, schedule_.strengths);
}

int MainForm::ScheduleStartPosition() {
    const std::int64_t now = ports_.wallClock.UtcNow();
    const tint::SchedulePoint point = SchedulePointAt(now);
    holding_ = false;
    scheduleBegun_ = point.begun ? point.begun->utc : kNoChangeBegun;
    scheduleOrigin_ = point.target;
    scheduleWrote_ = point.target;
    ShowScheduleLine(point, now);
    return point.target;
}

void MainForm::FollowSchedule() {
    if (znhy_ != 1) {
        ShowScheduleLine(tint::SchedulePoint{}, 0);
        return;
    }
    const std::int64_t now = ports_.wallClock.UtcNow();
    const tint::SchedulePoint point = SchedulePointAt(now);
    ShowScheduleLine(point, now);
    if (holding_) {
        if ((point.next ? point.next->utc : kNoChangeAhead) == holdNext_) {
            return;
        }
        // The change that was next has begun, or the schedule moved under the choice (the
        // clock or the time zone changed, a setting did): the schedule leads again.
        holding_ = false;
    }
    const std::int64_t begun = point.begun ? point.begun->utc : kNoChangeBegun;
    if (begun != scheduleBegun_) {
        // A change began since the last look (on time, or found after sleep or a clock jump):
        // the slider moves from where it stands.
        scheduleBegun_ = begun;
        scheduleOrigin_ = controls_.RGBSlider.position;
    }
    const int position =
        begun == kNoChangeBegun
            ? point.target
            : tint::StepToward(scheduleOrigin_, point.target, begun,
                               static_cast<std::int64_t>(schedule_.transitionMinutes) * 60, now);
    if (position != scheduleWrote_) {
        scheduleWrote_ = position;
        SetSliderPosition(position);
    }
}

void MainForm::HoldSchedule() {
    if (znhy_ != 1) {
        return;
    }
    const tint::SchedulePoint point = SchedulePointAt(ports_.wallClock.UtcNow());
    holding_ = true;
    holdNext_ = point.next ? point.next->utc : kNoChangeAhead;
}

void MainForm::ShowScheduleLine(const tint::SchedulePoint& point, std::int64_t nowUtc) {
    LabelControl& line = controls_.ScheduleNotice;
    // The pause line and the refusal line stand in the same place and come first.
    if (znhy_ != 1 || pauseEnd_ || controls_.GammaNotice.visible || ended_) {
        line.visible = false;
        return;
    }
    char text[128];
    if (point.next) {
        const tint::Change& next = *point.next;
        const LocalTime at = ports_.wallClock.ToLocal(next.utc);
        const std::int64_t days = DayNumber(at) - DayNumber(ports_.wallClock.ToLocal(nowUtc));
        char when[48];
        const char* source = next.source == tint::Change::Source::Sunrise  ? "日出 "
                             : next.source == tint::Change::Source::Sunset ? "日落 "
                                                                           : "";
        if (days <= 0) {
            std::snprintf(when, sizeof when, "%s%02d:%02d", source, at.hour, at.minute);
        } else if (days == 1) {
            std::snprintf(when, sizeof when, "明天%s%s%02d:%02d", *source ? "" : " ", source,
                          at.hour, at.minute);
        } else {
            std::snprintf(when, sizeof when, "%d月%d日 %s%02d:%02d", at.month, at.day, source,
                          at.hour, at.minute);
        }
        std::snprintf(text, sizeof text, "%s %s %d", when,
                      schedule_.transitionMinutes > 0 ? "起渐变至" : "切换至",
                      schedule_.strengths.Of(next.to));
    } else {
        // The sun stays up, or down, for the days ahead.
        std::snprintf(text, sizeof text, "%s：全天 %d",
                      point.phase == tint::Phase::Day ? "极昼" : "极夜", point.target);
    }
    SetLabelText(line, text);
    line.visible = true;
}

void MainForm::ApplyScheduleNow() {
    changes_.reset();  // a setting changed: the changes are worked out again
    settings_.Refresh();
    if (znhy_ != 1 || ended_) {
        return;
    }
    SetSliderPosition(ScheduleStartPosition());
}

void MainForm::SetScheduleKind(ScheduleKind kind) {
    schedule_.kind = kind;
    WriteValue(schedule_names::kSchedule, kind == ScheduleKind::Sun ? "sun" : "clock");
    ApplyScheduleNow();
}

void MainForm::SetDayStart(int minutes) {
    if (minutes < 0 || minutes >= 24 * 60 || minutes == schedule_.nightStart) {
        settings_.Refresh();
        return;
    }
    schedule_.dayStart = minutes;
    WriteValue(schedule_names::kDayStart, FormatClockTime(minutes));
    ApplyScheduleNow();
}

void MainForm::SetNightStart(int minutes) {
    if (minutes < 0 || minutes >= 24 * 60 || minutes == schedule_.dayStart) {
        settings_.Refresh();
        return;
    }
    schedule_.nightStart = minutes;
    WriteValue(schedule_names::kNightStart, FormatClockTime(minutes));
    ApplyScheduleNow();
}

void MainForm::SetLocation(const Location& location, const std::string& place) {
    const std::optional<Location> valid =
        ParseLocation(FormatDegrees(location.latitude), FormatDegrees(location.longitude));
    if (!valid) {
        settings_.Refresh();
        return;
    }
    schedule_.location = valid;
    schedule_.place = place;
    WriteValue(schedule_names::kLatitude, FormatDegrees(valid->latitude));
    WriteValue(schedule_names::kLongitude, FormatDegrees(valid->longitude));
    WriteValue(schedule_names::kPlace, place);
    ApplyScheduleNow();
}

void MainForm::SetTransitionMinutes(int minutes) {
    if (minutes < 0 || minutes > kLongestTransitionMinutes) {
        settings_.Refresh();
        return;
    }
    schedule_.transitionMinutes = minutes;
    WriteValue(schedule_names::kTransitionMinutes, std::to_string(minutes));
    ApplyScheduleNow();
}

void MainForm::SetDayStrength(int position) {
    if (position < 0 || position > 50) {
        settings_.Refresh();
        return;
    }
    schedule_.strengths.day = position;
    WriteValue(schedule_names::kDayStrength, std::to_string(position));
    ApplyScheduleNow();
}

void MainForm::SetNightStrength(int position) {
    if (position < 0 || position > 50) {
        settings_.Refresh();
        return;
    }
    schedule_.strengths.night = position;
    WriteValue(schedule_names::kNightStrength, std::to_string(position));
    ApplyScheduleNow();
}

}  // namespace qvx::app
