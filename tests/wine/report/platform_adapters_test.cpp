#include "report/win32/process_launcher.h"
#include "report/win32/wmi_mac_source.h"

#include <gtest/gtest.h>

#include <iostream>

#include "report/mac_address.h"

namespace qvx::report::win32 {
namespace {

TEST(WmiMacSource, ListsTheAdaptersOrSaysTheQueryFailed) {
    WmiMacSource source;
    const auto macs = source.IpEnabledMacs();
    if (!macs) {
        std::cout << "WMI adapter query failed\n";
        return;
    }
    std::cout << "WMI adapters with an address: " << macs->size() << "; MAC text \""
              << MacText(*macs) << "\"\n";
    for (const std::string& mac : *macs) {
        EXPECT_FALSE(mac.empty());
        EXPECT_EQ(mac.find(' '), std::string::npos) << mac;
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
