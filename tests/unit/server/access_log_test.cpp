#include "server/access_log.h"

#include <gtest/gtest.h>

namespace qvx::server {
namespace {

TEST(AccessLog, EscapeTable) {
    const struct {
        std::string text;
        std::string logged;
    } cases[] = {
        {"/vmo?MAC_in=00-1A 52-54&devicetype=pc", "/vmo?MAC_in=00-1A 52-54&devicetype=pc"},
        {"/a\" 200 1\n127.0.0.1 - - [x] \"GET /forged",
         "/a\\x22 200 1\\x0A127.0.0.1 - - [x] \\x22GET /forged"},
        {"/a\r\nb", "/a\\x0D\\x0Ab"},
        {"/\x1b[31mred", "/\\x1B[31mred"},
        {"/back\\slash", "/back\\x5Cslash"},
        {"/\xE4\xB8\xAD", "/\\xE4\\xB8\\xAD"},
        {std::string("/nul\0x", 6), "/nul\\x00x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EscapeForLog(c.text), c.logged);
    }
}

TEST(AccessLog, CommonLogFormatLine) {
    EXPECT_EQ(CommonLogLine("127.0.0.1", 1700000000, "POST", "/v?MAC_in=A B", "HTTP/1.1", 200, 1),
              "127.0.0.1 - - [14/Nov/2023:22:13:20 +0000] \"POST /v?MAC_in=A B HTTP/1.1\" 200 1\n");
    // No reply given (the connection ended first): status "-".
    EXPECT_EQ(CommonLogLine("::1", 0, "", "/x\"", "", 0, 0),
              "::1 - - [01/Jan/1970:00:00:00 +0000] \"- /x\\x22 -\" - 0\n");
}

}  // namespace
}  // namespace qvx::server
