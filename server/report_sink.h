#pragma once
// Where the HTTP side hands a validated usage report. The sink commits it on its own thread(s)
// and calls done exactly once: done(true) only after the report's rows are committed, so the
// service answers "1" only for what is on disk; done(false) when it could not be stored (the
// client then sends it again). done may run on any thread; it must not block.

#include <cstdint>
#include <functional>
#include <string>

#include "server/usage_request.h"

namespace qvx::server {

class ReportSink {
public:
    using Done = std::function<void(bool committed)>;

    virtual ~ReportSink() = default;
    virtual void Submit(UsageReport report, std::string clientAddress, std::int64_t now,
                        Done done) = 0;
};

}  // namespace qvx::server
