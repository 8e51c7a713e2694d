#include "report/win32/wmi_mac_source.h"

#include <windows.h>
#include <wbemidl.h>

#include "base/win32/scoped.h"
#include "base/win32/text.h"

namespace qvx::report::win32 {

namespace {

using base::win32::Bstr;
using base::win32::ComApartment;
using base::win32::ComPtr;
using base::win32::Variant;
using base::win32::WideToUtf8;

// CLSID_WbemLocator and IID_IWbemLocator, IID_IWbemServices not being in every import library.
constexpr CLSID kClsidWbemLocator = {
    0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};
constexpr IID kIidWbemLocator = {
    0xDC12A687, 0x737F, 0x11CF, {0x88, 0x4D, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

}  // namespace

std::optional<std::vector<std::string>> WmiMacSource::IpEnabledMacs() {
    ComApartment apartment;
    if (!apartment.Usable()) {
        return std::nullopt;
    }
    ComPtr<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(kClsidWbemLocator, nullptr, CLSCTX_INPROC_SERVER, kIidWbemLocator,
                                reinterpret_cast<void**>(locator.GetAddressOf())))) {
        return std::nullopt;
    }
    ComPtr<IWbemServices> services;
    const Bstr space(L"ROOT\\CIMV2");
    if (FAILED(locator->ConnectServer(space.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                      services.GetAddressOf()))) {
        return std::nullopt;
    }
    // The moniker's {impersonationLevel=impersonate}, on this one proxy.
    CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                      RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    ComPtr<IEnumWbemClassObject> results;
    const Bstr language(L"WQL");
    const Bstr query(L"Select * from Win32_NetworkAdapterConfiguration Where IPEnabled=TRUE");
    if (FAILED(services->ExecQuery(language.Get(), query.Get(),
                                   WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                   results.GetAddressOf()))) {
        return std::nullopt;
    }
    std::vector<std::string> macs;
    for (;;) {
        ComPtr<IWbemClassObject> adapter;
        ULONG returned = 0;
        const HRESULT hr = results->Next(WBEM_INFINITE, 1, adapter.GetAddressOf(), &returned);
        if (FAILED(hr)) {
            return std::nullopt;
        }
        if (hr != WBEM_S_NO_ERROR || returned == 0) {
            break;
        }
        // Wine lists every adapter whatever the filter says; the flag itself decides.
        Variant ipEnabled;
        if (SUCCEEDED(adapter->Get(L"IPEnabled", 0, ipEnabled.Out(), nullptr, nullptr)) &&
            ipEnabled.Get().vt == VT_BOOL && ipEnabled.Get().boolVal == VARIANT_FALSE) {
            continue;
        }
        // An adapter without an address (NULL) adds nothing.
        Variant mac;
        if (SUCCEEDED(adapter->Get(L"MACAddress", 0, mac.Out(), nullptr, nullptr)) &&
            mac.Get().vt == VT_BSTR && mac.Get().bstrVal != nullptr &&
            SysStringLen(mac.Get().bstrVal) > 0) {
            macs.push_back(
                WideToUtf8(std::wstring(mac.Get().bstrVal, SysStringLen(mac.Get().bstrVal))));
        }
    }
    return macs;
}

}  // namespace qvx::report::win32
