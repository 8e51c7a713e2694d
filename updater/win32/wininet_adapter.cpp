#include <windows.h>
#include <wininet.h>

// The port keeps the platform's names; wininet.h maps them to its A/W forms.
#undef InternetOpen
#undef InternetOpenUrl
#undef HttpQueryInfo

#include "updater/win32/wininet_adapter.h"

namespace qvx::updater::win32 {
namespace {

HINTERNET ToNative(InternetPort::Handle handle) {
    return reinterpret_cast<HINTERNET>(handle);
}
InternetPort::Handle FromNative(HINTERNET handle) {
    return reinterpret_cast<InternetPort::Handle>(handle);
}

}  // namespace

InternetPort::Handle WinInetAdapter::InternetOpen(const std::string& agent,
                                                  std::uint32_t accessType) {
    return FromNative(::InternetOpenA(agent.c_str(), accessType, nullptr, nullptr, 0));
}

InternetPort::Handle WinInetAdapter::InternetOpenUrl(Handle session, const std::string& url,
                                                     std::uint32_t flags) {
    return FromNative(::InternetOpenUrlA(ToNative(session), url.c_str(), nullptr, 0, flags, 0));
}

bool WinInetAdapter::HttpQueryInfo(Handle request, std::uint32_t infoLevel, char* buffer,
                                   std::uint32_t& length) {
    DWORD size = length;
    const BOOL ok = ::HttpQueryInfoA(ToNative(request), infoLevel, buffer, &size, nullptr);
    length = size;
    return ok != FALSE;
}

bool WinInetAdapter::InternetReadFile(Handle request, char* buffer, std::uint32_t toRead,
                                      std::uint32_t& read) {
    DWORD count = 0;
    const BOOL ok = ::InternetReadFile(ToNative(request), buffer, toRead, &count);
    read = count;
    return ok != FALSE;
}

bool WinInetAdapter::InternetCloseHandle(Handle handle) {
    return ::InternetCloseHandle(ToNative(handle)) != FALSE;
}

std::uint32_t WinInetAdapter::LastError() {
    return ::GetLastError();
}

}  // namespace qvx::updater::win32
