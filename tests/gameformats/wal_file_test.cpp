// Quake II .wal textures, read back by the test's own reader and compared
// with the WAD2 texture the same conversion makes; and a WAD's palette lump.
#include <gtest/gtest.h>

#include "gameformats/texture_export.h"
#include "gameformats/texture_rules.h"
#include "gameformats/wad_palette.h"
#include "gameformats/wal_texture.h"
#include "support/game_palettes.h"
#include "support/image_files.h"
#include "support/wal_reader.h"
#include "wad2_reader.h"

namespace orrisbay::gameformats {
namespace {

namespace fs = std::filesystem;
using orrisbay::testing::RandomTexture;
using orrisbay::testing::ReadWal;
using orrisbay::testing::ReadWalBytes;
using testing::FileBytes;

class WalFile : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { freeimage_base::InitialiseImageLibrary(); }
    const orrisbay::testing::TemporaryFolder folder{"wal-file"};
    const quake_palette::Palette game = *quake_palette::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE);
};

TEST_F(WalFile, HoldsTheWad2TexturesLevelsAndItsHeaderAndReadsBackAsAPicture) {
    const freeimage_base::Bitmap texture = RandomTexture(64, 32, 5);
    const std::string path = folder.file("baseq2/textures/e1u1/floor_1.wal");
    fs::create_directories(fs::path(path).parent_path());
    const WalOptions options{"", {"e1u1/floor_2", 0x201, 1, -300}, {true, true}};
    const Result<WalTexture> written = WriteWalTexture(texture.get(), path, options, game);
    ASSERT_TRUE(written) << written.problem().message;

    const ExportAnswers yes{true, true, true};
    const ExportRequest asWad{folder.file("same.wad"), true, options.conversion, "floor_1"};
    ASSERT_TRUE(ExportTexture(texture.get(), asWad, game, yes));
    const auto wad = testing::Wad2Reader(FileBytes(asWad.path)).Read();
    ASSERT_TRUE(wad && wad->lumps.size() == 1);

    const ReadWal wal = ReadWalBytes(FileBytes(path));
    EXPECT_EQ(wal.name, "e1u1/floor_1");
    EXPECT_EQ(wal.next, "e1u1/floor_2");
    const std::uint32_t value = static_cast<std::uint32_t>(-300);
    EXPECT_EQ(wal.numbers,
              (std::vector<std::uint32_t>{64, 32, 100, 2148, 2660, 2788, 0x201, 1, value}));
    EXPECT_EQ(wal.mips, wad->lumps[0].mips);

    const Result<freeimage_base::Bitmap> picture = ReadWalPicture(path, game);
    ASSERT_TRUE(picture) << picture.problem().message;
    ASSERT_EQ(freeimage_base::Bpp(picture->get()), 8u);
    for (unsigned row = 0; row < 32; ++row) {
        const BYTE* line = freeimage_base::ScanLine(picture->get(), 31 - row);
        ASSERT_TRUE(std::equal(line, line + 64, wal.mips[0].begin() + row * 64)) << row;
    }
    const RGBQUAD& last = freeimage_base::Palette(picture->get())[255];
    EXPECT_EQ(quake_palette::MakeColour(last.rgbRed, last.rgbGreen, last.rgbBlue), game[255]);
}

TEST_F(WalFile, NamesComeFromTheTexturesFolderAndFollowTheHeadersRules) {
    EXPECT_EQ(WalNameForPath("/q2/baseq2/textures/e1u1/floor1_3.wal"), "e1u1/floor1_3");
    EXPECT_EQ(WalNameForPath("/home/textures/q2/textures/city/../city2/wall.wal"), "city2/wall");
    EXPECT_EQ(WalNameForPath("/home/me/art/grass.wal"), "grass");

    const freeimage_base::Bitmap texture = RandomTexture(32, 32, 1);
    const struct {
        const char* name;
        const char* refusal;  // empty: made
    } cases[] = {
        {"e1u1/a_name_of_exactly_31_chars", ""},
        {"e1u1/a_name_of_exactly_32_chars_", "has 32 characters; a .wal holds names of at most 31"},
        {"my grass", "without spaces"},
    };
    for (const auto& test : cases) {
        const Result<WalTexture> made = MakeWalTexture(texture.get(), {test.name}, game);
        ASSERT_EQ(static_cast<bool>(made), *test.refusal == '\0') << test.name;
        if (!made) {
            EXPECT_EQ(made.problem().kind, ProblemKind::BreaksGameRule);
            EXPECT_NE(made.problem().message.find(test.refusal), std::string::npos);
        }
    }
    const freeimage_base::Bitmap offGrid = RandomTexture(40, 32, 1);
    const Result<WalTexture> refused = MakeWalTexture(offGrid.get(), {"grid"}, game);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.problem().kind, ProblemKind::NotOnGrid);
    EXPECT_EQ(refused.problem().message, TextureSizeMessage(40, 32));
}

TEST_F(WalFile, DamagedFilesAreRefusedWithTheReason) {
    WalTexture small{.name = "small", .width = 16, .height = 16};
    small.mips = {std::vector<std::uint8_t>(256, 7), std::vector<std::uint8_t>(64),
                  std::vector<std::uint8_t>(16), std::vector<std::uint8_t>(4)};
    const std::vector<std::uint8_t> good = *EncodeWal(small);
    const auto with = [&good](std::size_t at, std::uint32_t value) {
        std::vector<std::uint8_t> bytes = good;
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = static_cast<std::uint8_t>(value >> 8 * i);
        }
        return bytes;
    };
    std::vector<std::uint8_t> unnamed = good;
    std::fill_n(unnamed.begin(), 32, 'a');
    const struct {
        std::vector<std::uint8_t> bytes;
        ProblemKind kind;
        const char* reason;
    } cases[] = {
        {{good.begin(), good.begin() + 99},
         ProblemKind::Damaged,
         "ends inside its 100-byte header"},
        {unnamed, ProblemKind::Damaged, "texture name is not ended by a NUL byte"},
        {with(32, 0), ProblemKind::Damaged, "its texture is 0 x 16"},
        {with(48, good.size() - 15), ProblemKind::Damaged,
         "mip level 2 of its 16 x 16 texture lies outside the file"},
        {with(32, 20000), ProblemKind::TooLarge, "larger than"},
    };
    for (const auto& test : cases) {
        const std::string path =
            folder.Write("bad.wal", std::string(test.bytes.begin(), test.bytes.end()));
        const Result<WalTexture> read = ReadWalFile(path);
        ASSERT_FALSE(read) << test.reason;
        EXPECT_EQ(read.problem().kind, test.kind) << read.problem().message;
        EXPECT_NE(read.problem().message.find(path), std::string::npos);
        EXPECT_NE(read.problem().message.find(test.reason), std::string::npos)
            << read.problem().message;
    }
}

TEST_F(WalFile, APaletteComesFromAWadsPaletteLumpOrAnyOtherPaletteFile) {
    const quake_palette::Palette colours = orrisbay::testing::DistinctColours();
    const std::string rgb = orrisbay::testing::RgbBytes(colours);
    WadFile gfx{WadKind::Wad2,
                {{"CONCHARS", 0x42, 0, 4, {1, 2, 3, 4}},
                 {"PALETTE", kPaletteLumpType, 0, 768, {rgb.begin(), rgb.end()}}}};
    ASSERT_TRUE(WriteWadFile(folder.file("gfx.wad"), gfx));
    const Result<quake_palette::PaletteFile> fromWad = ReadAnyPaletteFile(folder.file("gfx.wad"));
    ASSERT_TRUE(fromWad) << fromWad.problem().message;
    EXPECT_EQ(fromWad->palette.colours, colours.colours);
    EXPECT_EQ(fromWad->format, quake_palette::PaletteFormat::WadLump);

    ASSERT_TRUE(WriteWadFile(folder.file("hl.wad"), {WadKind::Wad3, {}}));
    const std::string hl = ReadAnyPaletteFile(folder.file("hl.wad")).problem().message;
    EXPECT_NE(hl.find("no palette lump (type 0x40, 768 bytes); a Half-Life"), std::string::npos);

    EXPECT_EQ(ReadAnyPaletteFile(folder.Write("palette.lmp", rgb))->format,
              quake_palette::PaletteFormat::RawLump);
}

}  // namespace
}  // namespace orrisbay::gameformats
