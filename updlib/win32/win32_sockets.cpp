// Socket library, ICMP echo and message box adapters.
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/win32/text.h"
#include "updlib/win32/win32_adapters.h"

namespace qvx::updlib::win32 {
namespace {

class Win32Sockets : public Sockets {
public:
    SocketsStartup Startup(std::uint16_t version) override {
        WSADATA data{};
        const int error = WSAStartup(version, &data);
        if (error != 0) {
            return SocketsStartup{error, 0, 0};
        }
        return SocketsStartup{0, data.wVersion, data.iMaxSockets};
    }
    std::int32_t Cleanup() override { return WSACleanup(); }
    std::optional<std::vector<std::uint8_t>> HostAddress(const std::string& name) override {
        const hostent* host = gethostbyname(name.c_str());
        if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr ||
            host->h_length <= 0) {
            return std::nullopt;
        }
        const auto* first = reinterpret_cast<const std::uint8_t*>(host->h_addr_list[0]);
        return std::vector<std::uint8_t>(first, first + host->h_length);
    }
    IcmpHandle IcmpOpen() override {
        const HANDLE handle = IcmpCreateFile();
        return handle == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<IcmpHandle>(handle);
    }
    std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t address, const std::string& payload,
                               EchoReply& reply, std::uint32_t replySize,
                               std::uint32_t timeoutMs) override {
        // The platform's reply record (wider on 64-bit) goes into an aligned buffer of the
        // requested size and is copied field by field into the library's record.
        std::vector<std::uint64_t> buffer(
            (std::max<std::size_t>(replySize, sizeof(ICMP_ECHO_REPLY)) + 7) / 8);
        const DWORD bufferBytes = static_cast<DWORD>(buffer.size() * 8);
        std::string data = payload;
        const DWORD replies = ::IcmpSendEcho(reinterpret_cast<HANDLE>(handle), address, data.data(),
                                             static_cast<WORD>(data.size()), nullptr, buffer.data(),
                                             bufferBytes, timeoutMs);
        const DWORD lastError = GetLastError();
        const auto* platform = reinterpret_cast<const ICMP_ECHO_REPLY*>(buffer.data());
        if (replies == 0) {
            reply.status = platform->Status != 0 ? platform->Status : lastError;
            return 0;
        }
        reply.address = platform->Address;
        reply.status = platform->Status;
        reply.roundTripTime = platform->RoundTripTime;
        reply.dataSize = platform->DataSize;
        reply.reserved = platform->Reserved;
        reply.dataPointer =
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(platform->Data));
        reply.ttl = platform->Options.Ttl;
        reply.tos = platform->Options.Tos;
        reply.flags = platform->Options.Flags;
        reply.optionsSize = platform->Options.OptionsSize;
        reply.optionsData = static_cast<std::uint32_t>(
            reinterpret_cast<std::uintptr_t>(platform->Options.OptionsData));
        const auto* begin = reinterpret_cast<const std::uint8_t*>(buffer.data());
        const auto* echoed = static_cast<const std::uint8_t*>(platform->Data);
        if (echoed != nullptr && echoed >= begin && echoed < begin + bufferBytes) {
            const std::size_t room = static_cast<std::size_t>(begin + bufferBytes - echoed);
            const std::size_t n =
                std::min({static_cast<std::size_t>(platform->DataSize), reply.data.size(), room});
            std::memcpy(reply.data.data(), echoed, n);
        }
        return replies;
    }
    void IcmpClose(IcmpHandle handle) override {
        IcmpCloseHandle(reinterpret_cast<HANDLE>(handle));
    }
};

using qvx::base::win32::Utf8ToWide;

class Win32MessageBox : public MessageBoxPort {
public:
    explicit Win32MessageBox(const std::string& title) : title_(Utf8ToWide(title)) {}
    void Show(const std::string& text, MessageIcon icon) override {
        UINT flags = MB_OK;
        switch (icon) {
            case MessageIcon::Exclamation:
                flags |= MB_ICONEXCLAMATION;
                break;
            case MessageIcon::Information:
                flags |= MB_ICONINFORMATION;
                break;
            case MessageIcon::Error:
                flags |= MB_ICONERROR;
                break;
            case MessageIcon::None:
                break;
        }
        MessageBoxW(GetActiveWindow(), Utf8ToWide(text).c_str(), title_.c_str(), flags);
    }

private:
    std::wstring title_;
};

}  // namespace

std::unique_ptr<Sockets> MakeSockets() {
    return std::make_unique<Win32Sockets>();
}

std::unique_ptr<MessageBoxPort> MakeMessageBox(const std::string& programTitle) {
    return std::make_unique<Win32MessageBox>(programTitle);
}

}  // namespace qvx::updlib::win32
