// The atomic image writer on real bitmaps and real files.
#include "imageio/image_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/image_files.h"

namespace orrisbay::imageio {
namespace {

using orrisbay::testing::LinkToOwnerOnlyFile;
using orrisbay::testing::LoadAs;
using orrisbay::testing::OwnerOnly;
using orrisbay::testing::Pattern;
using orrisbay::testing::ReadFile;
using orrisbay::testing::SamePixels;
using orrisbay::testing::TemporaryFolder;
using orrisbay::testing::WriteFile;

TEST(ImageWriterTest, DepthsEachFormatCannotTakeAreConverted) {
    TemporaryFolder folder("orrisbay-writer");
    // 32-bit and palette colour to JPEG become 24-bit; 8-bit grey stays grey.
    const freeimage_base::Bitmap rgba = Pattern(16, 8, 32);
    ASSERT_TRUE(SaveImageFile(rgba.get(), folder.file("rgba.jpg")));
    EXPECT_EQ(FreeImage_GetBPP(LoadAs(FIF_JPEG, folder.file("rgba.jpg")).get()), 24u);
    freeimage_base::Bitmap palette = Pattern(16, 8, 8);
    FreeImage_GetPalette(palette.get())[3].rgbRed = 200;  // no longer a grey ramp
    ASSERT_TRUE(SaveImageFile(palette.get(), folder.file("palette.jpeg")));
    EXPECT_EQ(FreeImage_GetBPP(LoadAs(FIF_JPEG, folder.file("palette.jpeg")).get()), 24u);
    const freeimage_base::Bitmap grey = Pattern(16, 8, 8);
    ASSERT_TRUE(SaveImageFile(grey.get(), folder.file("grey.jpg")));
    EXPECT_EQ(FreeImage_GetBPP(LoadAs(FIF_JPEG, folder.file("grey.jpg")).get()), 8u);
    // Lossless formats keep the pixels exactly, alpha included.
    ASSERT_TRUE(SaveImageFile(rgba.get(), folder.file("rgba.tga")));
    EXPECT_TRUE(SamePixels(rgba.get(), LoadAs(FIF_TARGA, folder.file("rgba.tga")).get()));
}

TEST(ImageWriterTest, AQuicklyCompressedPngDecodesToThePixelsOfTheLibrarysOwn) {
    TemporaryFolder folder("orrisbay-writer");
    // Odd widths give rows with padding; the resolution travels too.
    for (const auto& [width, bpp] : {std::pair{37, 24}, {20, 24}, {37, 32}, {16, 8}}) {
        SCOPED_TRACE(std::to_string(width) + " x 13, " + std::to_string(bpp) + " bits");
        const freeimage_base::Bitmap picture = Pattern(width, 13, bpp);
        FreeImage_SetDotsPerMeterX(picture.get(), 3780);
        ASSERT_TRUE(SaveImageFile(picture.get(), folder.file("own.png")));
        ASSERT_TRUE(SaveImageFile(picture.get(), folder.file("quick.png"), PngCompression::Fast));
        const freeimage_base::Bitmap own = LoadAs(FIF_PNG, folder.file("own.png"));
        const freeimage_base::Bitmap quick = LoadAs(FIF_PNG, folder.file("quick.png"));
        EXPECT_TRUE(SamePixels(own.get(), quick.get()));
        EXPECT_TRUE(SamePixels(picture.get(), quick.get()));
        EXPECT_EQ(FreeImage_GetDotsPerMeterX(quick.get()), 3780u);
    }
}

TEST(ImageWriterTest, FailuresLeaveTheTargetAndTheFolderAlone) {
    TemporaryFolder folder("orrisbay-writer");
    const std::string target = folder.file("texture.png");
    WriteFile(target, "old");
    const freeimage_base::Bitmap complex(FreeImage_AllocateT(FIT_COMPLEX, 4, 4));
    const freeimage_base::Bitmap good = Pattern(4, 4, 24);

    EXPECT_EQ(SaveImageFile(complex.get(), target).problem().kind, ProblemKind::Failed);
    EXPECT_EQ(SaveImageFile(nullptr, target).problem().kind, ProblemKind::Failed);
    EXPECT_EQ(SaveImageFile(good.get(), folder.file("texture.tif")).problem().kind,
              ProblemKind::UnsupportedType);
    const Result<void> missing = SaveImageFile(good.get(), folder.file("none/texture.png"));
    EXPECT_EQ(missing.problem().kind, ProblemKind::CannotWrite);
    EXPECT_FALSE(missing.problem().message.empty());
    EXPECT_TRUE(ReadFile(target) == "old");
    EXPECT_EQ(folder.entries(), std::set<std::string>{"texture.png"});

    ASSERT_TRUE(SaveImageFile(good.get(), target));
    EXPECT_TRUE(SamePixels(good.get(), LoadAs(FIF_PNG, target).get()));
    EXPECT_EQ(folder.entries(), std::set<std::string>{"texture.png"});
}

// The texture is encoded straight into the file: a write that fails half way
// (here a file size limit, as a full disk would) fails the save, whichever
// encoder wrote, and leaves nothing behind.
TEST(ImageWriterTest, AWriteThatFailsHalfWayLeavesTheTargetAlone) {
    TemporaryFolder folder("orrisbay-writer");
    const freeimage_base::Bitmap texture = orrisbay::testing::RandomBitmap(64, 64, 24, 1);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit oldLimit{};
    getrlimit(RLIMIT_FSIZE, &oldLimit);
    rlimit limit = oldLimit;
    limit.rlim_cur = 1000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    for (const char* name : {"texture.bmp", "texture.png", "texture.tga"}) {
        WriteFile(folder.file(name), "old");
        const Result<void> saved = SaveImageFile(texture.get(), folder.file(name));
        EXPECT_EQ(saved.problem().kind, ProblemKind::CannotWrite) << name;
        EXPECT_FALSE(saved.problem().message.empty()) << name;
        EXPECT_TRUE(ReadFile(folder.file(name)) == "old") << name;
    }
    setrlimit(RLIMIT_FSIZE, &oldLimit);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(folder.entries(),
              (std::set<std::string>{"texture.bmp", "texture.png", "texture.tga"}));
}

// Replacing through links: the link stays and its final target gets the new
// bytes; a replaced file keeps its mode; a dangling link is created at its
// target when that folder exists and refused, touching nothing, when not.
TEST(ImageWriterTest, ReplacingAFileKeepsLinksAndPermissions) {
    namespace fs = std::filesystem;
    TemporaryFolder folder("orrisbay-writer");
    LinkToOwnerOnlyFile(folder.file("absolute"), folder.file("game/wall.wad"));
    fs::create_symlink("game/wall.wad", folder.file("relative"));
    fs::create_symlink(folder.file("relative"), folder.file("chain"));
    fs::create_symlink("game/new.wad", folder.file("dangling"));
    fs::create_symlink("nowhere/new.wad", folder.file("lost"));
    const struct {
        const char* written;
        const char* landsIn;  // null: refused
    } cases[] = {
        {"absolute", "game/wall.wad"}, {"relative", "game/wall.wad"},
        {"chain", "game/wall.wad"},    {"game/wall.wad", "game/wall.wad"},
        {"dangling", "game/new.wad"},  {"lost", nullptr},
    };
    for (const auto& c : cases) {
        const std::string bytes = std::string("new ") + c.written;
        const Result<void> saved = WriteAtomically(reinterpret_cast<const BYTE*>(bytes.data()),
                                                   bytes.size(), folder.file(c.written));
        if (c.landsIn == nullptr) {
            EXPECT_FALSE(saved) << c.written;
            EXPECT_NE(saved.problem().message.find("does not exist"), std::string::npos)
                << saved.problem().message;
            continue;
        }
        ASSERT_TRUE(saved) << c.written << ": " << saved.problem().message;
        EXPECT_TRUE(ReadFile(folder.file(c.landsIn)) == bytes) << c.written;
        EXPECT_TRUE(std::string(c.landsIn) != "game/wall.wad" || OwnerOnly(folder.file(c.landsIn)))
            << c.written;
    }
    for (const char* link : {"absolute", "relative", "chain", "dangling", "lost"}) {
        EXPECT_TRUE(fs::is_symlink(folder.file(link))) << link;
    }
    EXPECT_EQ(folder.entries(),
              (std::set<std::string>{"absolute", "chain", "dangling", "game", "lost", "relative"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.file("game")), fs::directory_iterator()),
              2);
}

// What the user could not write is not replaced: a read-only file, another
// user's file and a folder the user may not write in are refused before
// anything is written. Run as an ordinary user (root drops to nobody in a
// child process, since root may write anything).
TEST(ImageWriterTest, FilesAndFoldersTheUserCannotWriteAreRefused) {
    namespace fs = std::filesystem;
    TemporaryFolder folder("orrisbay-writer");
    const bool root = ::geteuid() == 0;
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_read |
                                       fs::perms::group_exec | fs::perms::others_read |
                                       fs::perms::others_exec);
    fs::create_directory(folder.file("open"));
    fs::permissions(folder.file("open"), fs::perms::all);  // anyone may make files here
    const std::string readOnly = folder.file("open/ro.wad");
    WriteFile(readOnly, "old");
    fs::permissions(readOnly,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const struct {
        std::string target;
        std::string says;
    } cases[] = {
        {readOnly, "it is read-only (Permission denied)"},
        {folder.file("closed.wad"), ""},
    };
    for (const auto& c : cases) {
        int told[2];
        ASSERT_EQ(::pipe(told), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                ::_exit(2);
            }
            const Result<void> saved =
                WriteAtomically(reinterpret_cast<const BYTE*>("new"), 3, c.target);
            const std::string reason = saved ? std::string() : ReasonOf(saved.problem());
            (void)!::write(told[1], reason.data(), reason.size());
            ::_exit(saved ? 0 : 1);
        }
        ::close(told[1]);
        char text[512] = {};
        const ssize_t length = ::read(told[0], text, sizeof text - 1);
        ::close(told[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        const std::string message(text, length > 0 ? static_cast<std::size_t>(length) : 0);
        if (!root && c.says.empty()) {
            continue;  // an ordinary user may write the folder made for the test
        }
        EXPECT_EQ(WEXITSTATUS(status), 1) << c.target << ": " << message;
        EXPECT_EQ(message, c.says.empty() ? "its folder " + folder.path().string() +
                                                " cannot be written to (Permission denied)"
                                          : c.says);
    }
    EXPECT_TRUE(ReadFile(readOnly) == "old");
    EXPECT_EQ(folder.entries(), std::set<std::string>{"open"});
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.file("open")), fs::directory_iterator()),
              1);
}

}  // namespace
}  // namespace orrisbay::imageio
