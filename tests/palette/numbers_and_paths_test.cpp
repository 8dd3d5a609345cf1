#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "palette/palette_numbers.h"
#include "palette/quake_palette.h"

namespace orrisbay::quake_palette {
namespace {

TEST(NumericValue, ReadsTheLeadingNumberOnly) {
    EXPECT_EQ(NumericValue("12px"), 12.0);
    EXPECT_EQ(NumericValue("px"), 0.0);
    EXPECT_EQ(NumericValue(""), 0.0);
    EXPECT_EQ(NumericValue("12,5"), 12.0);
    EXPECT_EQ(NumericValue("0x10"), 0.0);
    EXPECT_EQ(NumericValue("-4.5"), -4.5);
    EXPECT_EQ(NumericValue("+7"), 7.0);
    EXPECT_EQ(NumericValue(".5"), 0.5);
    EXPECT_EQ(NumericValue("5."), 5.0);
    EXPECT_EQ(NumericValue("-"), 0.0);
    EXPECT_EQ(NumericValue("."), 0.0);
}

TEST(NumericValue, IgnoresBlanksAndTabsAnywhere) {
    EXPECT_EQ(NumericValue(" 1 2 "), 12.0);
    EXPECT_EQ(NumericValue("\t3\t4"), 34.0);
    EXPECT_EQ(NumericValue("- 2 . 5"), -2.5);
}

TEST(NumericValue, ReadsExponentsOnlyWhenDigitsFollow) {
    EXPECT_EQ(NumericValue("1e2"), 100.0);
    EXPECT_EQ(NumericValue("2.5E-1"), 0.25);
    EXPECT_EQ(NumericValue("1e"), 1.0);
    EXPECT_EQ(NumericValue("1e+"), 1.0);
    EXPECT_EQ(NumericValue("3ex"), 3.0);
}

TEST(NumericValue, SurvivesHugeTinyAndSpecialTexts) {
    EXPECT_EQ(NumericValue("1e400"), INFINITY);
    EXPECT_EQ(NumericValue("-1e400"), -INFINITY);
    EXPECT_EQ(NumericValue("1e99999999999999999999999"), INFINITY);
    EXPECT_EQ(NumericValue(std::string(400, '9')), INFINITY);
    EXPECT_EQ(NumericValue("0." + std::string(400, '0') + "1e20"), 0.0);
    EXPECT_EQ(NumericValue("1e-400"), 0.0);
    EXPECT_EQ(NumericValue("0e99999"), 0.0);
    EXPECT_EQ(NumericValue("nan"), 0.0);
    EXPECT_EQ(NumericValue("inf"), 0.0);
    EXPECT_EQ(NumericValue(std::string("1\0 2", 4)), 1.0);
    EXPECT_EQ(NumericValue("\xff\xfe"), 0.0);
}

TEST(Rounding, CountsStayWithinTheTable) {
    EXPECT_EQ(EntryCount("256"), 256);
    EXPECT_EQ(EntryCount("1000"), 256);
    EXPECT_EQ(EntryCount("40000"), 256);
    EXPECT_EQ(EntryCount("-3"), 0);
    EXPECT_EQ(EntryCount("-40000"), 0);
    EXPECT_EQ(EntryCount("abc"), 0);
    EXPECT_EQ(EntryCount("16.5"), 16);
}

TEST(EnsureTrailingBackslash, LowerCasesTrimsAndEndsInOneBackslash) {
    EXPECT_EQ(EnsureTrailingBackslash("C:\\Tools"), "c:\\tools\\");
    EXPECT_EQ(EnsureTrailingBackslash("c:\\"), "c:\\");
    EXPECT_EQ(EnsureTrailingBackslash(""), "\\");
    EXPECT_EQ(EnsureTrailingBackslash("C:\\Games\\"), "c:\\games\\");
    EXPECT_EQ(EnsureTrailingBackslash("  D:\\Quake Maps  "), "d:\\quake maps\\");
    EXPECT_EQ(EnsureTrailingBackslash("   "), "\\");
}

TEST(PaletteFilePath, UpperCaseFolderGivesLowerCaseFolderWithOneBackslash) {
    // The form used where paths are not case-sensitive.
    EXPECT_EQ(
        EnsureTrailingBackslash("C:\\Program Files\\Orrisbay") + std::string(kPaletteFileName),
        "c:\\program files\\orrisbay\\quake_palette_jasc.pal");
}

TEST(PaletteFilePath, JoinsTheFolderAsItIs) {
#ifdef _WIN32
    EXPECT_EQ(PaletteFilePath("C:\\Tools"), "c:\\tools\\quake_palette_jasc.pal");
#else
    EXPECT_EQ(PaletteFilePath("/Home/Mapper/Orrisbay"),
              "/Home/Mapper/Orrisbay/quake_palette_jasc.pal");
    EXPECT_EQ(PaletteFilePath("/opt/orrisbay/"), "/opt/orrisbay/quake_palette_jasc.pal");
    EXPECT_EQ(PaletteFilePath("/"), "/quake_palette_jasc.pal");
#endif
}

}  // namespace
}  // namespace orrisbay::quake_palette
