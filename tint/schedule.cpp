#include "tint/schedule.h"

#include <algorithm>
#include <cstdlib>

#include "tint/sun_times.h"

namespace qvx::tint {

namespace {

constexpr std::int64_t kDaySeconds = 86400;
constexpr std::int64_t kDaysAround = 3;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) {
        --q;
    }
    return q;
}

Phase Other(Phase phase) {
    return phase == Phase::Day ? Phase::Night : Phase::Day;
}

}  // namespace

void ChangeList::Add(const Change& change) {
    if (size_ < kCapacity) {
        changes_[size_++] = change;
    }
}

void ChangeList::Sort() {
    std::stable_sort(changes_.begin(), changes_.begin() + static_cast<std::ptrdiff_t>(size_),
                     [](const Change& a, const Change& b) { return a.utc < b.utc; });
}

int StepToward(int origin, int target, std::int64_t begin, std::int64_t transitionSeconds,
               std::int64_t now) {
    if (now < begin) {
        return origin;
    }
    const std::int64_t steps = std::abs(target - origin);
    if (steps == 0 || transitionSeconds <= 0) {
        return target;
    }
    // Steps taken by now: the first at the beginning, then one every transition / steps.
    const std::int64_t taken = std::min(steps, (now - begin) * steps / transitionSeconds + 1);
    const int direction = target > origin ? 1 : -1;
    return origin + direction * static_cast<int>(taken);
}

SchedulePoint PointAt(const ChangeList& changes, std::int64_t now, const Strengths& strengths) {
    SchedulePoint point;
    std::size_t after = 0;  // the first change after now
    while (after < changes.Size() && changes[after].utc <= now) {
        ++after;
    }
    if (after == 0) {
        // Before every change: the phase the first one leaves.
        point.phase = changes.Size() > 0 ? Other(changes[0].to) : Phase::Day;
    } else {
        point.phase = changes[after - 1].to;
        // Back to the change that turned the phase: later ones to the same phase turn nothing.
        std::size_t turned = after - 1;
        while (turned > 0 && changes[turned - 1].to == point.phase) {
            --turned;
        }
        point.begun = changes[turned];
    }
    point.target = strengths.Of(point.phase);
    for (std::size_t i = after; i < changes.Size(); ++i) {
        if (changes[i].to != point.phase) {
            point.next = changes[i];
            break;
        }
    }
    return point;
}

std::optional<std::int64_t> NextDayStart(const ChangeList& changes, std::int64_t now) {
    for (std::size_t i = 0; i < changes.Size(); ++i) {
        if (changes[i].utc > now && changes[i].to == Phase::Day &&
            (i == 0 || changes[i - 1].to == Phase::Night)) {
            return changes[i].utc;
        }
    }
    return std::nullopt;
}

ChangeList SunChanges(double latitude, double longitude, std::int64_t around) {
    ChangeList changes;
    const std::int64_t today = FloorDiv(around, kDaySeconds);
    for (std::int64_t day = today - kDaysAround; day <= today + kDaysAround; ++day) {
        const SunDay sun = SunOnDay(latitude, longitude, day);
        switch (sun.kind) {
            case SunDay::Kind::RisesAndSets:
                changes.Add({sun.rise, Phase::Day, Change::Source::Sunrise});
                changes.Add({sun.set, Phase::Night, Change::Source::Sunset});
                break;
            case SunDay::Kind::AlwaysUp:
                changes.Add({sun.noon - kDaySeconds / 2, Phase::Day, Change::Source::Polar});
                break;
            case SunDay::Kind::AlwaysDown:
                changes.Add({sun.noon - kDaySeconds / 2, Phase::Night, Change::Source::Polar});
                break;
        }
    }
    changes.Sort();
    return changes;
}

}  // namespace qvx::tint
