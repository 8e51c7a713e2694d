#include "updlib/win32/win32_updlib_ports.h"

#include "updlib/win32/win32_adapters.h"

namespace qvx::updlib::win32 {
namespace {

class Win32TrovapiPortsImpl : public Win32TrovapiPorts {
public:
    TrovapiPorts Ports() override {
        return TrovapiPorts{*profile_, *files_, *wait_, *clock_, *windows_, *shell_, *text_};
    }

private:
    std::unique_ptr<ProfileFile> profile_ = win32::MakeProfileFile();
    std::unique_ptr<FileSystem> files_ = win32::MakeFileSystem();
    std::unique_ptr<WaitPort> wait_ = win32::MakeWaitPort();
    std::unique_ptr<Clock> clock_ = win32::MakeClock();
    std::unique_ptr<WindowSystem> windows_ = win32::MakeWindowSystem();
    std::unique_ptr<Shell> shell_ = win32::MakeShell();
    std::unique_ptr<TextCodec> text_ = win32::MakeTextCodec();
};

class Win32Module1PortsImpl : public Win32Module1Ports {
public:
    explicit Win32Module1PortsImpl(const std::string& programTitle)
        : messages_(win32::MakeMessageBox(programTitle)) {}
    Module1Ports Ports() override { return Module1Ports{*sockets_, *messages_, *clock_}; }

private:
    std::unique_ptr<Sockets> sockets_ = win32::MakeSockets();
    std::unique_ptr<MessageBoxPort> messages_;
    std::unique_ptr<Clock> clock_ = win32::MakeClock();
};

}  // namespace

std::unique_ptr<Win32TrovapiPorts> MakeWin32TrovapiPorts() {
    return std::make_unique<Win32TrovapiPortsImpl>();
}

std::unique_ptr<Win32Module1Ports> MakeWin32Module1Ports(const std::string& programTitle) {
    return std::make_unique<Win32Module1PortsImpl>(programTitle);
}

}  // namespace qvx::updlib::win32
