// The helpers every module shares: the one rounding and the application folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "console/application.h"
#include "console/rounding.h"

namespace orrisbay::console {
namespace {

namespace fs = std::filesystem;

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
    const std::pair<double, int> cases[] = {{2.5, 2},    {3.5, 4},    {0.5, 0},
                                            {50.5, 50},  {-2.5, -2},  {-3.5, -4},
                                            {2.4999, 2}, {2.5001, 3}, {2.6, 3}};
    for (const auto& [value, rounded] : cases) {
        EXPECT_EQ(RoundHalfEven(value), rounded) << value;
    }
    EXPECT_EQ(RoundHalfEven(1e10), std::nullopt);
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::infinity()), std::nullopt);
}

TEST(ApplicationFolder, IsTheRealFolderOfThisExecutable) {
    const fs::path folder = ApplicationFolder();
    EXPECT_TRUE(folder.is_absolute());
    EXPECT_TRUE(fs::exists(folder / "test_console"));
    EXPECT_EQ(fs::canonical(folder), folder);
}

}  // namespace
}  // namespace orrisbay::console
