#pragma once
// The exchange's work on a thread of its own: the version check, the adapter query and the usage
// report may each take seconds when the service is slow, and the window thread must not wait.
// One piece of work at a time; the thread is joined before the next starts and when the object
// goes (each request is bounded in time, so that wait is too). The adapters the work uses must
// outlive this object.

#include <atomic>
#include <functional>
#include <thread>

#include "report/report_ports.h"

namespace qvx::report::win32 {

class BackgroundThread final : public Background {
public:
    BackgroundThread() = default;
    ~BackgroundThread() override;
    BackgroundThread(const BackgroundThread&) = delete;
    BackgroundThread& operator=(const BackgroundThread&) = delete;

    // A thread that cannot be made runs the work in the caller's thread instead.
    void Start(std::function<void()> work) override;
    bool Finished() override;

private:
    std::thread thread_;
    std::atomic<bool> finished_{true};
};

}  // namespace qvx::report::win32
