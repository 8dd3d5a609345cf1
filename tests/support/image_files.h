#pragma once

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>
#include <string>

#include "imageio/freeimage_base.h"

namespace orrisbay::testing {

namespace fs = std::filesystem;

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A file `target` of mode 0600 in a folder made for it, and the symbolic link
// `link` to it: a texture linked into a game's folder, readable by its owner only.
inline void LinkToOwnerOnlyFile(const std::string& link, const std::string& target) {
    fs::create_directories(fs::path(target).parent_path());
    WriteFile(target, "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(target, link);
}

inline bool OwnerOnly(const std::string& path) {
    return (fs::status(path).permissions() & fs::perms::all) ==
           (fs::perms::owner_read | fs::perms::owner_write);
}

// A private folder under the system's temporary folder, removed afterwards.
class TemporaryFolder {
  public:
    explicit TemporaryFolder(const std::string& name) : path_(UniquePath(name)) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

    // Writes `bytes` as the file `name` in the folder and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        WriteFile(file(name), bytes);
        return file(name);
    }

    // The names of everything in the folder.
    std::set<std::string> entries() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(path_)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

  private:
    // Several folders of one name may live at once in one process.
    static fs::path UniquePath(const std::string& name) {
        static int counter = 0;
        return fs::temp_directory_path() /
               (name + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    }

    fs::path path_;
};

// A 24-bit bitmap of random bytes, the same for the same seed.
inline freeimage_base::Bitmap RandomTexture(int width, int height, unsigned seed) {
    freeimage_base::Bitmap dib(FreeImage_Allocate(width, height, 24));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> level(0, 255);
    for (int y = 0; y < height; ++y) {
        BYTE* line = FreeImage_GetScanLine(dib.get(), y);
        for (int x = 0; x < width * 3; ++x) {
            line[x] = static_cast<BYTE>(level(random));
        }
    }
    return dib;
}

// A bitmap of `bpp` bits (8 with a rising grey palette, 24 or 32) of random
// bytes, the same for the same seed.
inline freeimage_base::Bitmap RandomBitmap(int width, int height, int bpp, unsigned seed) {
    freeimage_base::InitialiseImageLibrary();
    freeimage_base::Bitmap dib(FreeImage_Allocate(width, height, bpp));
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        BYTE* line = FreeImage_GetScanLine(dib.get(), y);
        for (unsigned x = 0; x < FreeImage_GetLine(dib.get()); ++x) {
            line[x] = static_cast<BYTE>(random());
        }
    }
    return dib;
}

// A grey mask whose levels are 0, 255 or anything between, about a third each.
inline freeimage_base::Bitmap RandomMask(int width, int height, unsigned seed) {
    freeimage_base::Bitmap mask = RandomBitmap(width, height, 8, seed);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(mask.get(), y);
        for (int x = 0; x < width; ++x) {
            const unsigned pick = random() % 3;
            row[x] = pick == 0 ? 0 : pick == 1 ? 255 : row[x];
        }
    }
    return mask;
}

// A bitmap with a pattern that differs from pixel to pixel and channel to channel.
inline freeimage_base::Bitmap Pattern(int width, int height, int bpp, int seed = 0) {
    freeimage_base::InitialiseImageLibrary();
    freeimage_base::Bitmap bitmap(FreeImage_Allocate(width, height, bpp));
    if (bpp == 8) {
        RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
        for (int i = 0; i < 256; ++i) {
            palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = BYTE(i);
        }
    }
    for (int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap.get(), y);
        for (unsigned x = 0; x < FreeImage_GetLine(bitmap.get()); ++x) {
            row[x] = static_cast<BYTE>(x * 7 + static_cast<unsigned>(y) * 13 + seed * 31);
        }
    }
    return bitmap;
}

inline std::string SavePattern(const std::string& path, FREE_IMAGE_FORMAT format, int width,
                               int height, int bpp, int seed = 0) {
    freeimage_base::Bitmap bitmap = Pattern(width, height, bpp, seed);
    EXPECT_TRUE(FreeImage_Save(format, bitmap.get(), path.c_str(), 0)) << path;
    return path;
}

inline freeimage_base::Bitmap LoadAs(FREE_IMAGE_FORMAT format, const std::string& path,
                                     int flags = 0) {
    freeimage_base::InitialiseImageLibrary();
    return freeimage_base::Bitmap(FreeImage_Load(format, path.c_str(), flags));
}

// True when both bitmaps have the same size and depth and the same bytes in every pixel.
inline ::testing::AssertionResult SamePixels(const FIBITMAP* a, const FIBITMAP* b) {
    using namespace freeimage_base;
    if (a == nullptr || b == nullptr) {
        return ::testing::AssertionFailure() << "a bitmap is missing";
    }
    if (Width(a) != Width(b) || Height(a) != Height(b) || Bpp(a) != Bpp(b)) {
        return ::testing::AssertionFailure()
               << Width(a) << "x" << Height(a) << "x" << Bpp(a) << " against " << Width(b) << "x"
               << Height(b) << "x" << Bpp(b);
    }
    for (unsigned y = 0; y < Height(a); ++y) {
        if (std::memcmp(ScanLine(a, y), ScanLine(b, y), Line(a)) != 0) {
            return ::testing::AssertionFailure() << "row " << y << " differs";
        }
    }
    return ::testing::AssertionSuccess();
}

// The largest difference between two bitmaps of one size and depth, in levels of a byte.
inline int MaxLevelDifference(const FIBITMAP* expected, const FIBITMAP* actual) {
    EXPECT_EQ(freeimage_base::Bpp(expected), freeimage_base::Bpp(actual));
    const unsigned bytes = freeimage_base::Width(expected) * freeimage_base::Bpp(expected) / 8;
    int largest = 0;
    for (unsigned y = 0; y < freeimage_base::Height(expected); ++y) {
        const BYTE* a = freeimage_base::ScanLine(expected, y);
        const BYTE* b = freeimage_base::ScanLine(actual, y);
        for (unsigned x = 0; x < bytes; ++x) {
            largest = std::max(largest, std::abs(a[x] - b[x]));
        }
    }
    return largest;
}

// Same size, depth, palette and pixel bytes.
inline ::testing::AssertionResult SameBitmap(const FIBITMAP* expected, const FIBITMAP* actual) {
    if (auto same = SamePixels(expected, actual); !same) {
        return same;
    }
    if (freeimage_base::Bpp(expected) <= 8 &&
        std::memcmp(freeimage_base::Palette(expected), freeimage_base::Palette(actual),
                    freeimage_base::ColorsUsed(expected) * sizeof(RGBQUAD)) != 0) {
        return ::testing::AssertionFailure() << "the palettes differ";
    }
    return ::testing::AssertionSuccess();
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace orrisbay::testing
