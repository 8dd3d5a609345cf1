// A game's palette read from each kind of file it comes in.
#include "palette/palette_files.h"

#include <gtest/gtest.h>

#include "support/game_palettes.h"
#include "support/image_files.h"

namespace orrisbay::quake_palette {
namespace {

using orrisbay::testing::DistinctColours;
using orrisbay::testing::RgbBytes;

std::string ColourLines(const Palette& colours, const std::string& end) {
    std::string text;
    for (int j = 0; j < 256; ++j) {
        text += std::to_string(colours[j] & 0xFF) + " " + std::to_string(colours[j] >> 8 & 0xFF) +
                " " + std::to_string(colours[j] >> 16) + end;
    }
    return text;
}

std::string Jasc(const Palette& colours) {
    return "JASC-PAL\r\n0100\r\n256\r\n" + ColourLines(colours, "\r\n");
}

std::string Gimp(const Palette& colours) {
    return "GIMP Palette\nName: Test\nColumns: 16\n#\n" + ColourLines(colours, "\tIndex\n");
}

// A 16 x 2 picture of 8 bits in one plane whose 32 indices need no run
// encoding, then the byte 12 and the colours.
std::string Pcx(const Palette& colours, int planes = 1) {
    std::string bytes(128, '\0');
    bytes[0] = 0x0A, bytes[1] = 5, bytes[2] = 1, bytes[3] = 8;
    bytes[8] = 15, bytes[10] = 1;  // the last column and row
    bytes[65] = static_cast<char>(planes), bytes[66] = 16, bytes[68] = 1;
    for (char index = 0; index < 32; ++index) {
        bytes.push_back(index);
    }
    return bytes + '\x0C' + RgbBytes(colours);
}

TEST(PaletteFiles, EveryFormatGivesTheSame256Colours) {
    const orrisbay::testing::TemporaryFolder folder("palette-files");
    const Palette colours = DistinctColours();
    const struct {
        const char* file;
        std::string bytes;
        PaletteFormat format;
    } cases[] = {
        {"test.pal", Jasc(colours), PaletteFormat::Jasc},
        {"palette.lmp", RgbBytes(colours), PaletteFormat::RawLump},
        {"colormap.pcx", Pcx(colours), PaletteFormat::Pcx},
        {"test.gpl", Gimp(colours), PaletteFormat::Gimp},
        {"gimp.pal", "\xEF\xBB\xBF" + Gimp(colours), PaletteFormat::Gimp},  // by content
    };
    for (const auto& test : cases) {
        const std::string path = folder.Write(test.file, test.bytes);
        const Result<PaletteFile> read = ReadGamePaletteFile(path);
        ASSERT_TRUE(read) << read.problem().message;
        EXPECT_EQ(read->palette.colours, colours.colours) << test.file;
        EXPECT_EQ(read->format, test.format) << test.file;
        EXPECT_EQ(read->palette.fullbrightCount, 0) << test.file;
    }
    // The picture the test made is one the image library reads, with the same colours.
    const freeimage_base::Bitmap pcx =
        orrisbay::testing::LoadAs(FIF_PCX, folder.file("colormap.pcx"));
    ASSERT_TRUE(pcx);
    for (int j = 0; j < 256; ++j) {
        const RGBQUAD entry = freeimage_base::Palette(pcx.get())[j];
        ASSERT_EQ(MakeColour(entry.rgbRed, entry.rgbGreen, entry.rgbBlue), colours[j]);
    }
}

TEST(PaletteFiles, OnlyQuakesOwnColoursHaveFullbrights) {
    const orrisbay::testing::TemporaryFolder folder("palette-quake");
    const Result<PaletteFile> quake = ReadGamePaletteFile(ORRISBAY_SOURCE_PALETTE);
    ASSERT_TRUE(quake);
    EXPECT_EQ(quake->palette, *ReadPaletteFile(ORRISBAY_SOURCE_PALETTE));
    EXPECT_EQ(ReadGamePaletteFile(folder.Write("q.lmp", RgbBytes(quake->palette)))
                  ->palette.fullbrightCount,
              32);
    Palette nearly = quake->palette;
    nearly[255] ^= 1;
    EXPECT_EQ(ReadGamePaletteFile(folder.Write("n.lmp", RgbBytes(nearly)))->palette.fullbrightCount,
              0);
}

TEST(PaletteFiles, DamagedFilesAreRefusedWithTheReason) {
    const orrisbay::testing::TemporaryFolder folder("palette-damaged");
    const Palette colours = DistinctColours();
    const std::string jasc = Jasc(colours), gimp = Gimp(colours);
    std::string unmarked = Pcx(colours);
    unmarked[unmarked.size() - 769] = 10;
    const struct {
        const char* file;
        std::string bytes;
        ProblemKind kind;
        const char* reason;
    } cases[] = {
        {"short.pal", jasc.substr(0, jasc.rfind("\r\n", jasc.size() - 3) + 2), ProblemKind::Damaged,
         "ends after 255 of its 256 colours"},
        {"wrong.pal", "JASC-PAL\r\n0100\r\n256\r\n1 2 3\r\n4 300 6\r\n", ProblemKind::Damaged,
         "line 5 is not a colour of three numbers from 0 to 255: \"4 300 6\""},
        {"small.pal", "JASC-PAL\r\n0100\r\n16\r\n" + ColourLines(colours, "\r\n"),
         ProblemKind::UnsupportedType, "it holds 16 colours"},
        {"short.gpl", gimp.substr(0, gimp.rfind("\n", gimp.size() - 2) + 1),
         ProblemKind::UnsupportedType, "it holds 255 colours"},
        {"short.lmp", RgbBytes(colours).substr(1), ProblemKind::UnsupportedType,
         "not a palette file"},
        {"unmarked.pcx", unmarked, ProblemKind::Damaged, "the byte 12 that marks one is missing"},
        {"rgb.pcx", Pcx(colours, 3), ProblemKind::UnsupportedType, "3 planes of 8 bits"},
    };
    for (const auto& test : cases) {
        const std::string path = folder.Write(test.file, test.bytes);
        const Result<PaletteFile> read = ReadGamePaletteFile(path);
        ASSERT_FALSE(read) << test.file;
        EXPECT_EQ(read.problem().kind, test.kind) << test.file;
        EXPECT_EQ(read.problem().path, path);
        EXPECT_EQ(read.problem().message.find(path + ": "), 0u) << read.problem().message;
        EXPECT_NE(read.problem().message.find(test.reason), std::string::npos)
            << read.problem().message;
    }
    EXPECT_EQ(ReadGamePaletteFile(folder.file("none.lmp")).problem().kind, ProblemKind::Missing);
    EXPECT_EQ(ReadGamePaletteFile(folder.path().string()).problem().kind, ProblemKind::Unreadable);
}

}  // namespace
}  // namespace orrisbay::quake_palette
