#include "imageio/text_ops.h"

#include <gtest/gtest.h>

#include <string>

namespace orrisbay::imageio {
namespace {

using namespace std::string_literals;

TEST(TextAfter, FindsMarkerIgnoringCaseAndKeepsCaseOfTheRest) {
    EXPECT_EQ(TextAfter("*.png", "."), "png");
    EXPECT_EQ(TextAfter("IMAGE.PNG", ".p"), "NG");
    EXPECT_EQ(TextAfter("a.b.c", "."), "b.c");  // the first occurrence counts
    EXPECT_EQ(TextAfter("*.png", ";"), "");
    EXPECT_EQ(TextAfter("", "."), "");
}

TEST(TextBefore, StopsAtFirstMarkerIncludingNul) {
    EXPECT_EQ(TextBefore("C:\\a.png\0garbage\0"s, "\0"s), "C:\\a.png");
    EXPECT_EQ(TextBefore("Left.Right", ".R"), "Left");
    EXPECT_EQ(TextBefore("LeftXright", "x"), "Left");
    EXPECT_EQ(TextBefore("\0rest"s, "\0"s), "");
    EXPECT_EQ(TextBefore("no marker", "\0"s), "");
}

TEST(StripControlChars, DropsControlCodesAndOuterSpacesOnly) {
    EXPECT_EQ(StripControlChars("  wall\tpaper  "), "wallpaper");
    EXPECT_EQ(StripControlChars("a b\0\0  "s), "a b");
    EXPECT_EQ(StripControlChars("\x1f\x01 x \x7f"), "x \x7f");
    EXPECT_EQ(StripControlChars(std::string(1024, ' ') + "\0\0"s), "");
    // Multi-byte UTF-8 characters survive: their bytes are all 128 or more.
    EXPECT_EQ(StripControlChars(" Stra\xc3\x9f"
                                "e.png\0"s),
              "Stra\xc3\x9f"
              "e.png");
}

TEST(FolderOfPath, KeepsUpToLastSeparatorInLowerCase) {
    EXPECT_EQ(FolderOfPath("C:\\Textures\\Wall.PNG"), "c:\\textures\\");
    EXPECT_EQ(FolderOfPath("C:\\"), "c:\\");
    EXPECT_EQ(FolderOfPath("Wall.PNG"), "wall.png");
    EXPECT_EQ(FolderOfPath("/home/Ann/Wall.PNG"), "/home/ann/");
    EXPECT_EQ(FolderOfPath(""), "");
}

}  // namespace
}  // namespace orrisbay::imageio
