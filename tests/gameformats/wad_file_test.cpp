// WAD files of many lumps written, edited and refused, read back through the
// test's own reader.
#include "gameformats/wad_file.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>

#include <csignal>
#include <functional>

#include "gameformats/texture_maker.h"
#include "gameformats/wad2_reader.h"
#include "gameformats/wad_edit.h"
#include "support/image_files.h"

namespace orrisbay::gameformats {
namespace {

using Bytes = std::vector<std::uint8_t>;
using orrisbay::testing::RandomTexture;
using testing::FileBytes;
using testing::Wad2Reader;

Bytes RandomBytes(std::size_t size, unsigned seed) {
    const auto pixels = RandomTexture(static_cast<int>(size), 1, seed);
    const BYTE* line = freeimage_base::ScanLine(pixels.get(), 0);
    return Bytes(line, line + size);
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}
std::uint32_t Get32(const Bytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           std::uint32_t{bytes[at + 3]} << 24;
}
// Where directory entry `i` starts, and where lump `i` starts.
std::size_t Entry(const Bytes& bytes, int i) {
    return Get32(bytes, 8) + 32 * i;
}
std::size_t Lump(const Bytes& bytes, int i) {
    return Get32(bytes, Entry(bytes, i));
}

class WadFileTest : public ::testing::TestWithParam<WadKind> {
  protected:
    static void SetUpTestSuite() { freeimage_base::InitialiseImageLibrary(); }

    MipTexture Made(const std::string& name, int width, unsigned seed) const {
        const auto picture = RandomTexture(width, 16, seed);
        return MakeMipTexture(picture.get(), nullptr, name, GetParam(), {}, game).value();
    }

    const quake_palette::Palette game = *quake_palette::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE);

    // A palette, a picture of an odd size (so the next lump is padded) and three textures.
    WadFile Sample() const {
        WadFile wad{GetParam(), {}};
        wad.lumps.push_back({"palette", 0x40, 0, 768, RandomBytes(768, 1)});
        wad.lumps.push_back({"conback", 0x42, 0, 45, RandomBytes(45, 2)});
        for (const auto& [name, width] : {std::pair{"brick", 16}, {"*water", 32}, {"+0lava", 48}}) {
            wad.lumps.push_back(EncodeMipTexture(Made(name, width, width), GetParam()));
        }
        return wad;
    }

    orrisbay::testing::TemporaryFolder folder{"orrisbay-wad-file"};
    const std::string path = folder.file("pack.wad");
};

INSTANTIATE_TEST_SUITE_P(BothKinds, WadFileTest, ::testing::Values(WadKind::Wad2, WadKind::Wad3));

TEST_P(WadFileTest, ReplacingATextureChangesOnlyItsLumpAndTheDirectory) {
    ASSERT_TRUE(WriteWadFile(path, Sample()));
    const auto before = Wad2Reader(FileBytes(path)).Read();
    ASSERT_TRUE(before);
    EXPECT_EQ(before->magic, GetParam() == WadKind::Wad3 ? "WAD3" : "WAD2");
    ASSERT_EQ(before->lumps.size(), 5u);
    EXPECT_EQ(before->lumps[1].raw, RandomBytes(45, 2));

    auto wad = OpenWadForEditing(path, WadKind::Wad2);
    ASSERT_TRUE(wad);
    const MipTexture water = Made("*WATER", 64, 9);
    const auto put = PutTexture(wad.value(), EncodeMipTexture(water, GetParam()));
    ASSERT_TRUE(put && put.value()) << put.problem().message;
    ASSERT_TRUE(WriteWadFile(path, wad.value()));

    const auto after = Wad2Reader(FileBytes(path)).Read();
    ASSERT_TRUE(after);
    ASSERT_EQ(after->lumps.size(), 5u);
    for (std::size_t i : {0, 1, 2, 4}) {
        EXPECT_EQ(after->lumps[i].raw, before->lumps[i].raw) << i;
        EXPECT_EQ(after->lumps[i].rawDirectoryName, before->lumps[i].rawDirectoryName) << i;
    }
    const testing::ReadLump& replaced = after->lumps[3];
    EXPECT_EQ(replaced.directoryName, GetParam() == WadKind::Wad3 ? "*water" : "*WATER");
    EXPECT_EQ(replaced.textureName, replaced.directoryName);
    EXPECT_EQ(replaced.width, 64u);
    for (int level = 0; level < 4; ++level) {
        EXPECT_EQ(replaced.mips[level], water.mips[level]) << level;
    }
    if (GetParam() == WadKind::Wad3) {
        ASSERT_EQ(replaced.palette.size(), 768u);
        for (std::size_t i = 0; i < 256; ++i) {
            EXPECT_EQ(
                quake_palette::MakeColour(replaced.palette[3 * i], replaced.palette[3 * i + 1],
                                          replaced.palette[3 * i + 2]),
                water.palette[i]);
        }
        EXPECT_EQ(replaced.raw.size() % 4, 0u);
    }
}

TEST_P(WadFileTest, DamagedWadsAreRefusedWithWhatIsWrong) {
    const auto bytes = EncodeWad(Sample());
    ASSERT_TRUE(bytes);
    struct Damage {
        const char* says;
        std::function<void(Bytes&)> apply;
    };
    const std::vector<Damage> damages = {
        {"ends inside its header", [](Bytes& b) { b.resize(8); }},
        {"negative number of lumps", [](Bytes& b) { Put32(b, 4, 0xFFFFFFFF); }},
        {"more than a file", [](Bytes& b) { Put32(b, 4, 100000); }},
        {"directory starts past the end", [](Bytes& b) { Put32(b, 8, b.size() + 64); }},
        {"directory runs past the end", [](Bytes& b) { Put32(b, 8, b.size() - 16); }},
        {"directory overlaps the file header", [](Bytes& b) { Put32(b, 8, 4); }},
        {"directory is at a negative position (-16)", [](Bytes& b) { Put32(b, 8, -16); }},
        {"\"palette\" is at a negative position (-4)", [](Bytes& b) { Put32(b, Entry(b, 0), -4); }},
        {"\"+0lava\" overlaps the directory",
         [](Bytes& b) {
             const std::uint32_t size = Get32(b, 8) - Lump(b, 4) + 8;
             Put32(b, Entry(b, 4) + 4, size);
             Put32(b, Entry(b, 4) + 8, size);
         }},
        {"\"palette\" runs past the end of the file",
         [](Bytes& b) {
             Put32(b, Entry(b, 0) + 4, b.size());
             Put32(b, Entry(b, 0) + 8, b.size());
         }},
        {"two sizes that differ", [](Bytes& b) { Put32(b, Entry(b, 1) + 8, 44); }},
        {"\"brick\" and \"*water\" overlap", [](Bytes& b) { Put32(b, Entry(b, 3), Lump(b, 2)); }},
        {"mip level 3 of its 16 x 16 texture lies outside",
         [](Bytes& b) { Put32(b, Lump(b, 2) + 36, 1 << 20); }},
        {"mip level 0 of its 4096 x 16 texture", [](Bytes& b) { Put32(b, Lump(b, 2) + 16, 4096); }},
    };
    for (const Damage& damage : damages) {
        Bytes damaged = bytes.value();
        damage.apply(damaged);
        orrisbay::testing::WriteFile(path, std::string(damaged.begin(), damaged.end()));
        const auto read = ReadWadFile(path);
        EXPECT_EQ(read.problem().kind, ProblemKind::Damaged) << damage.says;
        EXPECT_TRUE(read.problem().message.starts_with(path + ": the WAD is damaged"));
        EXPECT_NE(read.problem().message.find(damage.says), std::string::npos)
            << read.problem().message;
    }
    if (GetParam() == WadKind::Wad3) {
        Bytes damaged = bytes.value();
        damaged[Lump(damaged, 2) + 40 + 340] = 0xFF;  // brick's colour count, past 256
        const auto read = ParseWad(damaged, "pack.wad");
        EXPECT_NE(read.problem().message.find("palette of 511 colours"), std::string::npos);
    }
    EXPECT_EQ(ReadWadFile(folder.file("none.wad")).problem().kind, ProblemKind::Missing);
    EXPECT_EQ(ParseWad(Bytes{'P', 'K'}, "a.zip").problem().message,
              "a.zip: not a WAD2 or WAD3 file");
}

// Where the test may mount a 64 KiB file system of its own (as root), the new
// WAD does not fit on it; elsewhere the process may not write files that large.
TEST_P(WadFileTest, AFullDiskLeavesTheOldWadIntact) {
    const std::filesystem::path disk = folder.path() / "disk";
    std::filesystem::create_directory(disk);
    const bool mounted = ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") == 0;
    const std::string small = (disk / "pack.wad").string();
    ASSERT_TRUE(WriteWadFile(small, Sample()));
    const Bytes before = FileBytes(small);

    auto wad = OpenWadForEditing(small, GetParam());
    ASSERT_TRUE(wad);
    ASSERT_TRUE(PutTexture(wad.value(), EncodeMipTexture(Made("big", 4096, 3), GetParam())));
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit lowered{64 * 1024, limit.rlim_max};
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    if (!mounted) {
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    const Result<void> written = WriteWadFile(small, wad.value());
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldSignal);

    EXPECT_EQ(written.problem().kind, ProblemKind::CannotWrite);
    EXPECT_FALSE(written.problem().message.empty());
    EXPECT_EQ(FileBytes(small), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk), {}), 1);
    if (mounted) {
        ::umount(disk.c_str());
    }
}

}  // namespace
}  // namespace orrisbay::gameformats
