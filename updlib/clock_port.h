#pragma once

#include "updlib/updlib_types.h"

namespace qvx::updlib {

// The local wall clock (GetLocalTime).
class Clock {
public:
    virtual ~Clock() = default;
    virtual TimeRecord LocalNow() = 0;
};

}  // namespace qvx::updlib
