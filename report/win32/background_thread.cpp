#include "report/win32/background_thread.h"

#include <system_error>
#include <utility>

namespace qvx::report::win32 {

BackgroundThread::~BackgroundThread() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void BackgroundThread::Start(std::function<void()> work) {
    if (thread_.joinable()) {
        thread_.join();
    }
    finished_.store(false, std::memory_order_relaxed);
    try {
        thread_ = std::thread([this, work = std::move(work)] {
            work();
            // Release: what the work wrote is visible to whoever sees it finished.
            finished_.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        work();
        finished_.store(true, std::memory_order_release);
    }
}

bool BackgroundThread::Finished() {
    return finished_.load(std::memory_order_acquire);
}

}  // namespace qvx::report::win32
