#include "updater/win32/std_down_factory.h"

#include "updater/win32/download_file_adapter.h"
#include "updater/win32/window_message_pump.h"
#include "updater/win32/wininet_adapter.h"

namespace qvx::updater::win32 {
namespace {

// The adapters are members of a base constructed before CStdDown, which holds references.
struct Adapters {
    WinInetAdapter internet;
    DownloadFileAdapter files;
    WindowMessagePump pump;
};

class Win32StdDown : private Adapters, public CStdDown {
public:
    Win32StdDown() : CStdDown(internet, files, Adapters::pump) {}
    explicit Win32StdDown(MessagePump& pump) : CStdDown(internet, files, pump) {}
};

}  // namespace

std::unique_ptr<CStdDown> CreateStdDown() {
    return std::make_unique<Win32StdDown>();
}

std::unique_ptr<CStdDown> CreateStdDown(MessagePump& pump) {
    return std::make_unique<Win32StdDown>(pump);
}

}  // namespace qvx::updater::win32
