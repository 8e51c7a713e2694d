#pragma once
// Dates of the proleptic Gregorian calendar as days since 1970-01-01 and back, for any year:
// the program's UTC texts and the wall clock's local times count on them.

#include <cstdint>

namespace qvx::base {

struct CivilDate {
    std::int64_t year;
    int month;  // 1-12
    int day;    // 1-31
};

// A month or day outside its range carries over (month 13 is January of the next year, day 0
// the last day of the month before).
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day);
CivilDate CivilFromDays(std::int64_t days);

}  // namespace qvx::base
