#include "app/working_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "console/application.h"
#include "console/console.h"

namespace orrisbay::app {
namespace {

namespace fs = std::filesystem;

TEST(TrimTrailingBackslash, KeepsDriveRootsAndDropsOneTrailingBackslash) {
    EXPECT_EQ(TrimTrailingBackslash("C:\\"), "c:\\");
    EXPECT_EQ(TrimTrailingBackslash("C:\\Tools\\Textures\\"), "c:\\tools\\textures");
    EXPECT_EQ(TrimTrailingBackslash("C:\\Tools\\Textures"), "c:\\tools\\textures");
    EXPECT_EQ(TrimTrailingBackslash("c:\\tools\\\\"), "c:\\tools\\");
}

TEST(TrimTrailingBackslash, TestsLookAtTheTextBeforeTrimming) {
    EXPECT_EQ(TrimTrailingBackslash(" c:\\ "), "c:\\");
    EXPECT_EQ(TrimTrailingBackslash("  c:\\x \\"), "c:\\x");
    EXPECT_EQ(TrimTrailingBackslash("\\"), "");
    EXPECT_EQ(TrimTrailingBackslash(""), "");
    EXPECT_EQ(TrimTrailingBackslash("\tc:\\"), "\tc:");  // a tab is no space: not a root
}

class WorkingFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        console::ResetConsoleForTesting();
        original_ = fs::current_path();
    }
    void TearDown() override { fs::current_path(original_); }
    fs::path original_;
};

TEST_F(WorkingFolderTest, RestoreMakesTheApplicationFolderCurrentAgain) {
    fs::current_path(fs::temp_directory_path());
    EXPECT_TRUE(RestoreWorkingFolder());
    EXPECT_EQ(fs::current_path(), fs::path(console::ApplicationFolder()));
}

TEST_F(WorkingFolderTest, FolderWithUpperCaseLettersIsUsedAsItIs) {
    const fs::path folder =
        fs::temp_directory_path() / ("OrrisBay Case " + std::to_string(getpid()));
    fs::create_directories(folder);
    EXPECT_TRUE(SetCHDriveCHDir(folder.string()));
    EXPECT_EQ(fs::current_path(), folder);
    fs::current_path(original_);
    fs::remove_all(folder);
}

TEST_F(WorkingFolderTest, FolderThatCannotBeMadeCurrentIsLoggedNotFatal) {
    const fs::path before = fs::current_path();
    EXPECT_FALSE(SetCHDriveCHDir("/no/such/folder/for/orrisbay"));
    EXPECT_EQ(fs::current_path(), before);
    EXPECT_NE(console::ConsoleText().find("/no/such/folder/for/orrisbay"), std::string::npos);
}

}  // namespace
}  // namespace orrisbay::app
