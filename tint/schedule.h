#pragma once
// Where a day/night schedule stands: from the moments its changes begin (UTC), the phase in
// force, the slider position of a change that moves one position at a time evenly over the
// transition, and the change that comes next. Which moments a schedule has (the clock's or the
// sun's) is the caller's; the sun's are made here from the solar days around a time.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace qvx::tint {

enum class Phase : std::uint8_t { Day, Night };

struct Change {
    enum class Source : std::uint8_t {
        Clock,    // the set day or night start
        Sunrise,  // the sun's
        Sunset,
        Polar,  // the start of a day on which the sun neither rises nor sets
    };
    std::int64_t utc = 0;  // the moment the change begins
    Phase to = Phase::Day;
    Source source = Source::Clock;
};

// The changes of about a week around a time, in order; fixed storage, so a tick takes no memory.
class ChangeList {
public:
    static constexpr std::size_t kCapacity = 24;
    void Add(const Change& change);  // beyond the capacity: dropped
    // Sorted by time, a later change at the same moment kept over an earlier one.
    void Sort();
    std::size_t Size() const { return size_; }
    const Change& operator[](std::size_t i) const { return changes_[i]; }
    const Change* begin() const { return changes_.data(); }
    const Change* end() const { return changes_.data() + size_; }

private:
    std::array<Change, kCapacity> changes_{};
    std::size_t size_ = 0;
};

struct Strengths {
    int day = 17;
    int night = 33;
    int Of(Phase phase) const { return phase == Phase::Day ? day : night; }
    bool operator==(const Strengths&) const = default;
};

// One slider position at a time from `origin` to `target`, evenly over `transitionSeconds`
// from `begin`: the first step at `begin`, the target one step-time before the end. A
// transition of 0 seconds reaches the target at `begin`; before `begin` the origin holds.
int StepToward(int origin, int target, std::int64_t begin, std::int64_t transitionSeconds,
               std::int64_t now);

struct SchedulePoint {
    Phase phase = Phase::Day;  // in force now
    // The last change that turned the phase, at or before now: its moment and source. None
    // when the list holds no change at or before now (the phase is then the one before the
    // first change).
    std::optional<Change> begun;
    int target = 17;  // the strength of the phase in force
    // The change that turns the phase next, after now; none within the list.
    std::optional<Change> next;
};

// Where the schedule of these changes stands at now. A change to the phase already in force
// turns nothing and is passed over.
SchedulePoint PointAt(const ChangeList& changes, std::int64_t now, const Strengths& strengths);

// The first change to day after now that follows night: the next day start.
std::optional<std::int64_t> NextDayStart(const ChangeList& changes, std::int64_t now);

// The sun's changes of the solar days from about three days before `around` to three after:
// sunrise to day, sunset to night, and for a day on which the sun stays up (or down) a change
// to day (or night) at the solar midnight that begins it.
ChangeList SunChanges(double latitude, double longitude, std::int64_t around);

}  // namespace qvx::tint
