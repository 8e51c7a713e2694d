// main() of the Wine suites: as gtest_main, except that a run in which some test skipped itself
// (GTEST_SKIP) and none failed ends with kSkippedExitCode, which ctest reports as skipped
// (SKIP_RETURN_CODE) instead of passed. A failure still ends with 1.

#include <gtest/gtest.h>

namespace {
constexpr int kSkippedExitCode = 77;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    if (result == 0 && ::testing::UnitTest::GetInstance()->skipped_test_count() > 0) {
        return kSkippedExitCode;
    }
    return result;
}
