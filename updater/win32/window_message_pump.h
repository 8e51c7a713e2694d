#pragma once

#include "updater/message_pump.h"

// Dispatches the messages waiting in the calling thread's queue. A WM_QUIT met here is posted
// again so that the program's own message loop still ends.
class WindowMessagePump : public MessagePump {
public:
    void DoEvents() override;
};
