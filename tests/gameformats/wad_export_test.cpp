// WAD textures through the export: the game's layout, mips reduced from full
// colour, the conversion options in every level, and refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "gameformats/texture_export.h"
#include "gameformats/texture_maker.h"
#include "imageio/image_writer.h"
#include "support/image_files.h"
#include "wad2_reader.h"

namespace orrisbay::gameformats {
namespace {

namespace fs = std::filesystem;
using freeimage_base::Bitmap;
using orrisbay::testing::RandomTexture;
using quake_palette::ConversionOptions;
using quake_palette::kFirstFullbright;
using quake_palette::Palette;
using testing::FileBytes;
using testing::Wad2Reader;

// Pure red and pure blue in single-pixel checks.
Bitmap RedBlueChecker(int size) {
    Bitmap dib(FreeImage_Allocate(size, size, 24));
    for (int y = 0; y < size; ++y) {
        BYTE* pixel = FreeImage_GetScanLine(dib.get(), y);
        for (int x = 0; x < size; ++x, pixel += 3) {
            const bool red = (x + y) % 2 == 0;
            pixel[FI_RGBA_RED] = red ? 255 : 0;
            pixel[FI_RGBA_GREEN] = 0;
            pixel[FI_RGBA_BLUE] = red ? 0 : 255;
        }
    }
    return dib;
}

std::vector<std::uint8_t> TopDown(const Bitmap& indexed) {
    const unsigned width = FreeImage_GetWidth(indexed.get());
    const unsigned height = FreeImage_GetHeight(indexed.get());
    std::vector<std::uint8_t> indices;
    for (unsigned row = 0; row < height; ++row) {
        const BYTE* line = FreeImage_GetScanLine(indexed.get(), static_cast<int>(height - 1 - row));
        indices.insert(indices.end(), line, line + width);
    }
    return indices;
}

// The shipped palette, read through the program's own reader.
const Palette& ShippedPalette() {
    static const Palette palette = [] {
        freeimage_base::InitialiseImageLibrary();
        const auto read = quake_palette::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE);
        EXPECT_TRUE(read);
        return *read;
    }();
    return palette;
}

Result<MipTexture> MakeWadTexture(const FIBITMAP* texture, const std::string& name,
                                  ConversionOptions options) {
    return MakeMipTexture(texture, nullptr, name, WadKind::Wad2, {options}, ShippedPalette());
}

Bitmap ConvertToQuakePalette(const FIBITMAP* texture, ConversionOptions options = {}) {
    return quake_palette::ConvertToQuakePalette(texture, ShippedPalette(), options);
}

// The export to a WAD2, answering no to a rescale.
Result<ExportWritten> SaveQuakeWad(const FIBITMAP* texture, const std::string& path) {
    return ExportTexture(texture, {.path = path}, ShippedPalette(), {true, true, false});
}

class Wad2Test : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ShippedPalette(); }
    orrisbay::testing::TemporaryFolder folder{"orrisbay-wad"};
};

TEST_F(Wad2Test, AWrittenTextureReadsBackWithTheGamesLayout) {
    const Bitmap texture = RandomTexture(64, 32, 1);
    const std::string path = folder.file("+0Lava_Flow.wad");
    ASSERT_TRUE(SaveQuakeWad(texture.get(), path));

    const auto wad = Wad2Reader(FileBytes(path)).Read();
    ASSERT_TRUE(wad);
    EXPECT_EQ(wad->magic, "WAD2");
    ASSERT_EQ(wad->count, 1u);
    const testing::ReadLump& lump = wad->lumps[0];
    EXPECT_EQ(lump.position, 12u);
    EXPECT_EQ(lump.type, 0x44);
    EXPECT_EQ(lump.compression, 0);
    EXPECT_EQ(lump.pad1 | lump.pad2, 0);
    EXPECT_EQ(lump.directoryName, "+0lava_flow");
    EXPECT_EQ(lump.rawDirectoryName, std::string("+0lava_flow") + std::string(5, '\0'));
    EXPECT_EQ(lump.textureName, "+0lava_flow");
    EXPECT_EQ(lump.width, 64u);
    EXPECT_EQ(lump.height, 32u);
    const std::uint32_t expectedOffsets[4] = {40, 40 + 2048, 40 + 2048 + 512,
                                              40 + 2048 + 512 + 128};
    for (int level = 0; level < 4; ++level) {
        EXPECT_EQ(lump.offsets[level], expectedOffsets[level]) << level;
        EXPECT_EQ(lump.mips[level].size(), (64u >> level) * (32u >> level)) << level;
    }
    EXPECT_EQ(lump.diskSize, 40u + 2048 + 512 + 128 + 32);
    EXPECT_EQ(lump.memorySize, lump.diskSize);
    EXPECT_EQ(wad->directoryOffset, 12 + lump.diskSize);

    const Bitmap converted = ConvertToQuakePalette(texture.get());
    EXPECT_EQ(lump.mips[0], TopDown(converted));
    for (const auto& mip : lump.mips) {
        for (const std::uint8_t index : mip) {
            ASSERT_LT(index, kFirstFullbright);
        }
    }
}

TEST_F(Wad2Test, MipLevelsAreReducedFromFullColourThenConverted) {
    // Reducing the indices would keep red or blue; reducing the colours gives
    // purple, 188 in linear light.
    const Bitmap checker = RedBlueChecker(32);
    const auto made = MakeWadTexture(checker.get(), "checker", {});
    ASSERT_TRUE(made);
    const quake_palette::NearestColourFinder finder(ShippedPalette(), false);
    EXPECT_EQ(made.value().mips[0].front(), finder.Nearest(0, 0, 255)) << "top-left is blue";
    for (int level = 1; level < 4; ++level) {
        for (const std::uint8_t index : made.value().mips[static_cast<std::size_t>(level)]) {
            ASSERT_EQ(index, finder.Nearest(188, 0, 188)) << "level " << level;
        }
    }
}

TEST_F(Wad2Test, DitherAndFullbrightOptionsReachEveryMipLevel) {
    // The fullbright colours themselves (255 being kept for see-through
    // pixels), repeated over a 16 x 16 texture.
    Bitmap bright(FreeImage_Allocate(16, 16, 24));
    for (int y = 0; y < 16; ++y) {
        BYTE* pixel = FreeImage_GetScanLine(bright.get(), y);
        for (int x = 0; x < 16; ++x, pixel += 3) {
            const auto colour =
                ShippedPalette()[static_cast<std::size_t>(kFirstFullbright + (x + y) % 31)];
            pixel[FI_RGBA_RED] = static_cast<BYTE>(colour & 0xFF);
            pixel[FI_RGBA_GREEN] = static_cast<BYTE>((colour >> 8) & 0xFF);
            pixel[FI_RGBA_BLUE] = static_cast<BYTE>((colour >> 16) & 0xFF);
        }
    }
    const auto allowed = MakeWadTexture(bright.get(), "glow", {true, true});
    const auto plain = MakeWadTexture(bright.get(), "glow", {true, false});
    ASSERT_TRUE(allowed && plain);
    EXPECT_EQ(allowed.value().mips[0], TopDown(ConvertToQuakePalette(bright.get(), {true, true})));
    int brightIndices = 0;
    for (int level = 0; level < 4; ++level) {
        for (const std::uint8_t index : plain.value().mips[static_cast<std::size_t>(level)]) {
            ASSERT_LT(index, kFirstFullbright);
        }
        for (const std::uint8_t index : allowed.value().mips[static_cast<std::size_t>(level)]) {
            brightIndices += index >= kFirstFullbright;
        }
    }
    EXPECT_GT(brightIndices, 256) << "the full-size level alone is all fullbright";
}

TEST_F(Wad2Test, SeveralTexturesGetOneLumpAndOneDirectoryEntryEach) {
    const Bitmap a = RandomTexture(16, 16, 2);
    const Bitmap b = RandomTexture(32, 48, 3);
    const std::vector<MipTexture> textures = {MakeWadTexture(a.get(), "*water", {}).value(),
                                              MakeWadTexture(b.get(), "sky1", {}).value()};
    WadFile file{WadKind::Wad2, {}};
    for (const MipTexture& texture : textures) {
        file.lumps.push_back(EncodeMipTexture(texture, WadKind::Wad2));
    }
    const auto bytes = EncodeWad(file);
    ASSERT_TRUE(bytes);
    const auto wad = Wad2Reader(bytes.value()).Read();
    ASSERT_TRUE(wad);
    ASSERT_EQ(wad->count, 2u);
    EXPECT_EQ(wad->lumps[0].directoryName, "*water");
    EXPECT_EQ(wad->lumps[1].directoryName, "sky1");
    EXPECT_EQ(wad->lumps[1].position, wad->lumps[0].position + wad->lumps[0].diskSize);
    EXPECT_EQ(wad->lumps[1].width, 32u);
    EXPECT_EQ(wad->lumps[1].height, 48u);
    EXPECT_EQ(wad->lumps[1].mips[3], textures[1].mips[3]);
}

TEST_F(Wad2Test, TexturesThatTheGameCannotLoadAreRefused) {
    const auto problem = [](const FIBITMAP* texture, const std::string& name) {
        return MakeWadTexture(texture, name, {}).problem().kind;
    };
    const Bitmap odd = RandomTexture(100, 70, 4);
    EXPECT_EQ(problem(odd.get(), "odd"), ProblemKind::NotOnGrid);
    const Bitmap good = RandomTexture(16, 16, 5);
    EXPECT_EQ(problem(good.get(), ""), ProblemKind::BreaksGameRule);
    EXPECT_EQ(problem(good.get(), "sixteen_letters_"), ProblemKind::BreaksGameRule);
    EXPECT_EQ(problem(nullptr, "none"), ProblemKind::Failed);
    const Bitmap floats(FreeImage_AllocateT(FIT_FLOAT, 16, 16));
    EXPECT_EQ(problem(floats.get(), "float"), ProblemKind::ConversionFailed);
    EXPECT_TRUE(EncodeWad(WadFile{}));
}

TEST_F(Wad2Test, FailedSavesLeaveTheOldFileAndNoTemporaryFiles) {
    const std::string path = folder.file("brick.wad");
    std::ofstream(path, std::ios::binary) << "old contents";
    const Bitmap good = RandomTexture(16, 16, 7);
    EXPECT_EQ(SaveQuakeWad(good.get(), path).problem().kind, ProblemKind::Unreadable);
    EXPECT_EQ(FileBytes(path).size(), std::string("old contents").size());
    std::filesystem::remove(path);

    ASSERT_TRUE(SaveQuakeWad(good.get(), path));
    const auto before = FileBytes(path);
    const Bitmap odd = RandomTexture(100, 70, 6);
    const Result<ExportWritten> refused = SaveQuakeWad(odd.get(), path);
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.problem().message.find("96 x 64"), std::string::npos)
        << refused.problem().message;
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_EQ(folder.entries().size(), 1u);

    EXPECT_FALSE(SaveQuakeWad(good.get(), folder.file("missing/brick.wad")));
    const auto wad = Wad2Reader(FileBytes(path)).Read();
    ASSERT_TRUE(wad);
    EXPECT_EQ(wad->lumps[0].directoryName, "brick");
    EXPECT_EQ(folder.entries().size(), 1u);
}

// The loose 8-bit images for editors go through the program's image writer.
TEST_F(Wad2Test, IndexedImagesSavedByTheImageWriterStayIndexedWithThePalette) {
    const Bitmap indexed = ConvertToQuakePalette(RandomTexture(32, 16, 8).get());
    for (const std::string name : {"wall.png", "wall.bmp"}) {
        const std::string path = folder.file(name);
        ASSERT_TRUE(imageio::SaveImageFile(indexed.get(), path)) << name;
        const Bitmap back(FreeImage_Load(FreeImage_GetFileType(path.c_str(), 0), path.c_str(), 0));
        ASSERT_TRUE(back) << name;
        ASSERT_EQ(FreeImage_GetBPP(back.get()), 8u) << name;
        const RGBQUAD* table = FreeImage_GetPalette(back.get());
        for (std::size_t i = 0; i < 256; ++i) {
            ASSERT_EQ(
                quake_palette::MakeColour(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue),
                ShippedPalette()[i])
                << name;
        }
        EXPECT_EQ(TopDown(back), TopDown(indexed)) << name;
    }
}

}  // namespace
}  // namespace orrisbay::gameformats
