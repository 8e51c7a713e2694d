#pragma once

namespace qvx::updater {

// Lets a long synchronous operation keep its window alive: handles the window messages that are
// waiting, then returns. Handlers may run inside DoEvents().
class MessagePump {
public:
    virtual ~MessagePump() = default;
    virtual void DoEvents() = 0;
};

}  // namespace qvx::updater
