#include "report/win32/process_launcher.h"
#include "report/win32/wmi_mac_source.h"

#include <gtest/gtest.h>
// winsock2 before the IP helper header, which needs its types.
#include <winsock2.h>

#include <iphlpapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "report/mac_address.h"

namespace qvx::report::win32 {
namespace {

// MACs ("aa:bb:cc:dd:ee:ff", lower case) of the adapters with an IP address, as the IP helper
// library lists them.
std::vector<std::string> IpHelperMacs() {
    ULONG size = 16 * 1024;
    std::vector<unsigned char> buffer;
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = GetAdaptersAddresses(
            AF_UNSPEC, 0, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()), &size);
    }
    std::vector<std::string> macs;
    if (result != NO_ERROR) {
        ADD_FAILURE() << "GetAdaptersAddresses: " << result;
        return macs;
    }
    for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()); a; a = a->Next) {
        if (a->PhysicalAddressLength != 6 || a->FirstUnicastAddress == nullptr) {
            continue;
        }
        char text[18];
        std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", a->PhysicalAddress[0],
                      a->PhysicalAddress[1], a->PhysicalAddress[2], a->PhysicalAddress[3],
                      a->PhysicalAddress[4], a->PhysicalAddress[5]);
        macs.push_back(text);
    }
    return macs;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// The adapter query works under Wine as under Windows: a failed query is a fault of the
// adapter, not of the machine.
TEST(WmiMacSource, ListsTheAdapters) {
    WmiMacSource source;
    const auto macs = source.IpEnabledMacs();
    ASSERT_TRUE(macs.has_value()) << "WMI adapter query failed";
    std::cout << "WMI adapters with an address: " << macs->size() << "; MAC text \""
              << MacText(*macs) << "\"\n";
    for (const std::string& mac : *macs) {
        EXPECT_FALSE(mac.empty());
        EXPECT_EQ(mac.find(' '), std::string::npos) << mac;
    }
    // Every adapter with an address and a hardware address is among them.
    std::vector<std::string> lowered;
    for (const std::string& mac : *macs) {
        lowered.push_back(Lower(mac));
    }
    for (const std::string& mac : IpHelperMacs()) {
        EXPECT_NE(std::find(lowered.begin(), lowered.end(), mac), lowered.end())
            << mac << " is missing from \"" << MacText(*macs) << "\"";
    }
    // A second query in the same thread works as well (the apartment is set up and undone).
    EXPECT_EQ(source.IpEnabledMacs(), macs);
}

TEST(ProcessLauncher, MissingProgramIsReportedAndAnExistingOneStarts) {
    ProcessLauncher launcher;
    EXPECT_FALSE(launcher.Start("qvxUpgraded_not_here.exe"));
    // Found by bare name through the system's program search.
    EXPECT_TRUE(launcher.Start("hostname.exe"));
}

}  // namespace
}  // namespace qvx::report::win32
