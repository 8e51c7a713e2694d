#include "app/handler_queue.h"

#include <utility>

namespace qvx::app {

HandlerQueue::HandlerQueue(std::function<bool()> stopped, std::function<void()> failed)
    : stopped_(std::move(stopped)), failed_(std::move(failed)) {}

bool HandlerQueue::Run(const Handler& handler, WhenBusy whenBusy) {
    if (busy_) {
        if (whenBusy == WhenBusy::Defer)
            waiting_.push_back(handler);
        return false;
    }
    busy_ = true;
    Guarded(handler);
    while (!waiting_.empty() && !stopped_()) {
        Handler next = std::move(waiting_.front());
        waiting_.pop_front();
        Guarded(next);
    }
    waiting_.clear();
    busy_ = false;
    return true;
}

void HandlerQueue::Guarded(const Handler& handler) noexcept {
    try {
        handler();
    } catch (...) {
        // The form stays as far as the handler got; the caller leaves a trace.
        failed_();
    }
}

}  // namespace qvx::app
