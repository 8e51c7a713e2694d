#pragma once

#include <memory>
#include <string>

#include "updlib/clock_port.h"
#include "updlib/file_system_port.h"
#include "updlib/message_box_port.h"
#include "updlib/profile_port.h"
#include "updlib/shell_port.h"
#include "updlib/sockets_port.h"
#include "updlib/text_codec_port.h"
#include "updlib/wait_port.h"
#include "updlib/window_port.h"

// The Win32 adapters of the updater support library, one by one (the factories of
// win32_updlib_ports.h bundle them).
namespace qvx::updlib::win32 {

std::unique_ptr<ProfileFile> MakeProfileFile();
std::unique_ptr<FileSystem> MakeFileSystem();
std::unique_ptr<WaitPort> MakeWaitPort();
std::unique_ptr<Clock> MakeClock();
std::unique_ptr<WindowSystem> MakeWindowSystem();
std::unique_ptr<Shell> MakeShell();
std::unique_ptr<TextCodec> MakeTextCodec();
std::unique_ptr<Sockets> MakeSockets();
// Message boxes titled `programTitle` (UTF-8), owned by the thread's active window.
std::unique_ptr<MessageBoxPort> MakeMessageBox(const std::string& programTitle);

}  // namespace qvx::updlib::win32
