#pragma once

#include <cstdint>

#include "updater/message_pump.h"

namespace qvx::updater::win32 {

// Dispatches the messages waiting in the calling thread's queue. A WM_QUIT met here is posted
// again so that the program's own message loop still ends.
//
// A download asks for message processing after every 1 KiB piece, tens of thousands of times a
// second on a fast line, and each look into the queue costs as much as the read itself. So the
// queue is looked at no more often than every `intervalMs` milliseconds (0: on every call),
// which still keeps the window responsive.
class WindowMessagePump : public MessagePump {
public:
    explicit WindowMessagePump(unsigned intervalMs = 10) : intervalMs_(intervalMs) {}
    void DoEvents() override;

private:
    unsigned intervalMs_;
    std::uint64_t lastPump_ = 0;
    bool pumped_ = false;
};

}  // namespace qvx::updater::win32
