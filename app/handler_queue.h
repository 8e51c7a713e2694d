#pragma once
// The order in which the window runs the form's handlers. A handler that waits (a message box,
// the COM calls of the server exchange) lets the system dispatch messages inside it, but no
// handler may run inside another one: a user action (click, slider move) that arrives meanwhile
// runs right after it, in arrival order, as it would in a window that is simply blocked; a timer
// tick is dropped (the next one comes a second later, and the tint refresh answers the gap with
// its nudge). Nothing a handler throws gets out.

#include <cstddef>
#include <deque>
#include <functional>

namespace qvx::app {

class HandlerQueue {
public:
    enum class WhenBusy { Defer, Drop };
    using Handler = std::function<void()>;

    // stopped: asked before each deferred handler; once it says true (the form has ended), the
    // ones still waiting are dropped. failed: called inside the catch block when a handler
    // throws, so it can log what was thrown (it must not throw itself); the next handler runs
    // all the same.
    HandlerQueue(std::function<bool()> stopped, std::function<void()> failed);

    // Runs the handler now, or, when another one is running, defers or drops it. True when this
    // call ran handlers (the caller then brings its window in line with the form).
    bool Run(const Handler& handler, WhenBusy whenBusy);

    bool Busy() const { return busy_; }
    std::size_t Waiting() const { return waiting_.size(); }

private:
    void Guarded(const Handler& handler) noexcept;

    std::function<bool()> stopped_;
    std::function<void()> failed_;
    bool busy_ = false;
    std::deque<Handler> waiting_;
};

}  // namespace qvx::app
