#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "console/console.h"
#include "palette/quake_palette.h"
#include "palette_test_support.h"

namespace orrisbay::quake_palette {
namespace {

using testing::LoadSwatches;
using testing::PaletteRead;
using testing::PaletteText;
using testing::ReadPalette;
using testing::RecordingSurface;
using testing::ReportRecorder;
using testing::TempFolder;

// Entry j of the test palettes: every component distinct from its neighbours.
ColourValue TestColour(int j) {
    return MakeColour(j, 255 - j, (j * 7) % 256);
}

std::vector<std::string> TestEntries(int count) {
    std::vector<std::string> entries;
    for (int j = 0; j < count; ++j) {
        entries.push_back(std::to_string(j) + " " + std::to_string(255 - j) + " " +
                          std::to_string((j * 7) % 256));
    }
    return entries;
}

class PaletteReader : public ::testing::Test {
  protected:
    PaletteRead Read(const std::string& bytes) {
        last = ReadPalette(folder.WritePalette(bytes));
        return last;
    }

    TempFolder folder;
    ReportRecorder reports;
    PaletteRead last;
    const Palette& colors = last.PaletteColors;  // the table of the last Read
};

TEST_F(PaletteReader, WellFormedFileFillsTheTableAndEverySwatch) {
    folder.WritePalette(PaletteText("256", TestEntries(256)));
    RecordingSurface box;
    const PaletteRead result = LoadSwatches(box, folder.Path());

    EXPECT_TRUE(result.opened);
    EXPECT_TRUE(result.headerMatched);
    EXPECT_FALSE(result.endedEarly);
    EXPECT_EQ(result.entriesSet, 256);
    EXPECT_TRUE(reports.shown.empty());
    EXPECT_TRUE(console::ConsoleText().empty());
    for (int j = 0; j < 256; ++j) {
        ASSERT_EQ(result.PaletteColors[j], TestColour(j)) << "entry " << j;
        ASSERT_EQ(box.SwatchColour(j), TestColour(j)) << "swatch " << j;
    }
}

TEST_F(PaletteReader, WrongHeaderIsReportedOnceAndTheEntriesAreStillRead) {
    for (const std::string header : {"jasc-pal", "JASC-PAL ", "", "\xef\xbb\xbfJASC-PAL"}) {
        reports.shown.clear();
        RecordingSurface box;
        folder.WritePalette(PaletteText("2", {"1 2 3", "4 5 6"}, header));
        const PaletteRead result = LoadSwatches(box, folder.Path());

        EXPECT_FALSE(result.headerMatched) << header;
        EXPECT_EQ(reports.shown, std::vector<std::string>{std::string(kUnavailableMessage)});
        EXPECT_EQ(result.entriesSet, 2);
        EXPECT_EQ(box.SwatchColour(1), MakeColour(4, 5, 6));
    }
    EXPECT_NE(console::ConsoleText().find(kUnavailableMessage), std::string::npos);
}

TEST_F(PaletteReader, ZeroOrNonNumericCountReadsNoEntries) {
    for (const std::string count : {"0", "-5", "none", "", "-40000"}) {
        const PaletteRead result = Read(PaletteText(count, {"9 9 9", "8 8 8"}));
        EXPECT_EQ(result.entriesSet, 0) << count;
        EXPECT_FALSE(result.endedEarly) << count;
        EXPECT_EQ(colors[0], 0u) << count;
    }
    EXPECT_TRUE(reports.shown.empty());
}

TEST_F(PaletteReader, CountOfSixteenFillsTheTopRowOnly) {
    std::vector<std::string> entries = TestEntries(16);
    entries.push_back("250 250 250");  // line 20, never read
    RecordingSurface box;
    folder.WritePalette(PaletteText("16", entries));
    const PaletteRead result = LoadSwatches(box, folder.Path());

    EXPECT_EQ(result.entriesSet, 16);
    for (int j = 0; j < 16; ++j) {
        EXPECT_EQ(box.SwatchColour(j), TestColour(j));
    }
    for (int j = 16; j < 256; ++j) {
        ASSERT_EQ(box.SwatchColour(j), 0u) << j;
    }
}

TEST_F(PaletteReader, LinesOfOtherThanThreeFieldsAreSkippedButUseTheirIndex) {
    const std::vector<std::string> malformed = {"1  2 3", " 1 2 3", "1 2 3 ", "1\t2\t3",
                                                "",       "1 2",    "1 2 3 4"};
    std::vector<std::string> entries = malformed;
    entries.push_back("9 8 7");

    const PaletteRead result = Read(PaletteText("8", entries));
    EXPECT_EQ(result.entriesSet, 1);
    for (std::size_t j = 0; j < malformed.size(); ++j) {
        // An index the file does not set keeps its value: black.
        EXPECT_EQ(colors[j], 0u) << "line \"" << malformed[j] << "\"";
    }
    EXPECT_EQ(colors[7], MakeColour(9, 8, 7));
    EXPECT_TRUE(reports.shown.empty());
}

TEST_F(PaletteReader, ComponentsAreRoundedAndClamped) {
    Read(PaletteText("6", {"300 0 0", "127.5 128.5 0", "12px abc 0", "-5 40000 7", "nan inf 1e400",
                           "1\t2 3 -0.5"}));
    EXPECT_EQ(colors[0], MakeColour(255, 0, 0));
    EXPECT_EQ(colors[1], MakeColour(128, 128, 0));
    EXPECT_EQ(colors[2], MakeColour(12, 0, 0));
    EXPECT_EQ(colors[3], MakeColour(0, 255, 7));
    EXPECT_EQ(colors[4], MakeColour(0, 0, 255));
    EXPECT_EQ(colors[5], MakeColour(12, 3, 0));
    EXPECT_TRUE(reports.shown.empty());
}

TEST_F(PaletteReader, CountAboveTheTableReadsAtMost256Entries) {
    // 256 entry lines and nothing after them: a reader that went on for all
    // 1000 would find the file ended early.
    const PaletteRead result = Read(PaletteText("1000", TestEntries(256)));
    EXPECT_EQ(result.entriesSet, 256);
    EXPECT_FALSE(result.endedEarly);
    EXPECT_EQ(colors[255], TestColour(255));
    EXPECT_TRUE(reports.shown.empty());
}

TEST_F(PaletteReader, MissingFileIsReportedByNameAndTheGridIsStillPainted) {
    RecordingSurface box;
    const PaletteRead result = LoadSwatches(box, folder.Path());

    EXPECT_FALSE(result.opened);
    ASSERT_EQ(reports.shown.size(), 1u);
    EXPECT_EQ(reports.shown[0], std::string(kCannotOpenMessage) + PaletteFilePath(folder.Path()));
    EXPECT_EQ(box.fills, 256);
    EXPECT_EQ(box.SwatchColour(0), 0u);
}

TEST_F(PaletteReader, FolderInPlaceOfTheFileCannotBeOpened) {
    std::filesystem::create_directory(PaletteFilePath(folder.Path()));
    const PaletteRead result = ReadPalette(PaletteFilePath(folder.Path()));
    EXPECT_FALSE(result.opened);
    ASSERT_EQ(reports.shown.size(), 1u);
    EXPECT_EQ(reports.shown[0].rfind(kCannotOpenMessage, 0), 0u);
}

TEST_F(PaletteReader, EarlyEndKeepsTheEntriesReadAndIsReportedOnce) {
    RecordingSurface box;
    folder.WritePalette(PaletteText("5", {"1 2 3", "4 5 6"}));
    const PaletteRead result = LoadSwatches(box, folder.Path());

    EXPECT_TRUE(result.endedEarly);
    EXPECT_EQ(result.entriesSet, 2);
    EXPECT_EQ(reports.shown, std::vector<std::string>{std::string(kEndedEarlyMessage) +
                                                      PaletteFilePath(folder.Path())});
    EXPECT_EQ(box.SwatchColour(1), MakeColour(4, 5, 6));
    EXPECT_EQ(box.fills, 256);
}

TEST_F(PaletteReader, EarlyEndInTheHeadLinesIsReported) {
    for (const std::string bytes : {"", "JASC-PAL\r\n", "JASC-PAL\r\n0100\r\n"}) {
        reports.shown.clear();
        const PaletteRead result = Read(bytes);
        EXPECT_TRUE(result.endedEarly) << bytes;
        EXPECT_EQ(result.entriesSet, 0);
        ASSERT_EQ(reports.shown.size(), 1u) << bytes;
        EXPECT_EQ(reports.shown[0].rfind(kEndedEarlyMessage, 0), 0u);
    }
}

TEST_F(PaletteReader, EveryLineEndReadsTheSame) {
    for (const std::string lineEnd : {"\r\n", "\n", "\r"}) {
        const PaletteRead result =
            Read(PaletteText("3", {"1 2 3", "", "7 8 9"}, "JASC-PAL", lineEnd));
        EXPECT_TRUE(result.headerMatched);
        EXPECT_FALSE(result.endedEarly);
        EXPECT_EQ(colors[0], MakeColour(1, 2, 3));
        EXPECT_EQ(colors[1], 0u);  // the empty line is its own line
        EXPECT_EQ(colors[2], MakeColour(7, 8, 9));
    }
    // A last line without a line end is still a line; mixed ends are fine.
    const PaletteRead result = Read("JASC-PAL\n0100\r\n2\r1 1 1\r\n2 2 2");
    EXPECT_EQ(result.entriesSet, 2);
    EXPECT_FALSE(result.endedEarly);
    EXPECT_EQ(colors[1], MakeColour(2, 2, 2));
    EXPECT_TRUE(reports.shown.empty());
}

TEST_F(PaletteReader, OverlongAndBinaryLinesAreSkippedSafely) {
    const std::string longLine = "1 2 3" + std::string(100000, '4');
    const std::string withNul("5\0 6 7", 6);
    Read(PaletteText("4", {longLine, withNul, "\xff\xfe \x80 \xc3", "1 1 1"}));
    EXPECT_EQ(colors[0], 0u);
    EXPECT_EQ(colors[1], MakeColour(5, 6, 7));
    EXPECT_EQ(colors[2], 0u);
    EXPECT_EQ(colors[3], MakeColour(1, 1, 1));

    // An overlong count line counts as no number.
    const PaletteRead result = Read(PaletteText("2" + std::string(10000, ' ') + "56", {}));
    EXPECT_EQ(result.entriesSet, 0);
    EXPECT_FALSE(result.endedEarly);
}

TEST_F(PaletteReader, RandomBinaryFileNeverFails) {
    std::mt19937 bytes(20240521);
    for (int round = 0; round < 20; ++round) {
        std::string data(64 * 1024, '\0');
        for (char& c : data) {
            c = static_cast<char>(bytes() % 7 == 0 ? '\n' : bytes() % 256);
        }
        const PaletteRead result = Read(data);
        EXPECT_TRUE(result.opened);
        EXPECT_LE(result.entriesSet, 256);
    }
}

}  // namespace
}  // namespace orrisbay::quake_palette
