#pragma once

#include <memory>

#include "updater/message_pump.h"
#include "updater/std_down.h"

namespace qvx::updater::win32 {

// A CStdDown on WinInet and kernel32 files. The object owns its adapters; the first form also
// owns a pump on the calling thread's message queue, the second uses the caller's pump, which
// must outlive the object.
std::unique_ptr<CStdDown> CreateStdDown();
std::unique_ptr<CStdDown> CreateStdDown(MessagePump& pump);

}  // namespace qvx::updater::win32
