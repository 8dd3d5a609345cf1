// Height blending against its formula, worked here in plain double loops.
#include "slots/kernels/height_kernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "slots/kernels/height_rows.h"
#include "support/image_files.h"
#include "support/simd_targets.h"

namespace orrisbay::slots {
namespace {

using freeimage_base::Bitmap;
using freeimage_base::ScanLine;
using orrisbay::testing::RandomBitmap;
using orrisbay::testing::RandomMask;
using orrisbay::testing::SameBitmap;

// A layer's height before the strength: its height map's level, or its brightness.
double Height(const FIBITMAP* layer, const FIBITMAP* map, unsigned x, unsigned y) {
    if (map != nullptr) {
        return ScanLine(map, y)[x];
    }
    const BYTE* pixel = ScanLine(layer, y) + x * freeimage_base::Bpp(layer) / 8;
    return 0.2126 * pixel[FI_RGBA_RED] + 0.7152 * pixel[FI_RGBA_GREEN] +
           0.0722 * pixel[FI_RGBA_BLUE];
}

BYTE NewLevel(double y1, double y2, BYTE level, const HeightBlend& blend) {
    const double s = blend.strength;
    const double a = level / 255.0;
    const double h1 = s * y1 / 255;
    const double h2 = s * y2 / 255;
    const double t1 = h1 + (1 - a);
    const double t2 = h2 + a;
    const double m = std::max(t1, t2) - blend.depth;
    const double b1 = std::max(t1 - m, 0.0);
    const double b2 = std::max(t2 - m, 0.0);
    return static_cast<BYTE>(std::round(255 * b2 / (b1 + b2)));
}

Bitmap ExpectedMask(const MaskedLayers& in, const HeightMaps& maps, const HeightBlend& blend) {
    Bitmap mask = freeimage_base::Clone(in.mask2);
    for (unsigned y = 0; y < freeimage_base::Height(in.mask2); ++y) {
        for (unsigned x = 0; x < freeimage_base::Width(in.mask2); ++x) {
            const BYTE level = ScanLine(in.mask2, y)[x];
            BYTE& made = FreeImage_GetScanLine(mask.get(), static_cast<int>(y))[x];
            made = NewLevel(Height(in.layer1, maps.height1, x, y),
                            Height(in.layer2, maps.height2, x, y), level, blend);
            if (level == 0 || level == 255) {
                EXPECT_EQ(made, level) << "a solid area changed at " << x << ", " << y;
            }
        }
    }
    return mask;
}

template <class Level>
std::array<BYTE, 256> Filled(Level level) {
    std::array<BYTE, 256> row{};
    for (int x = 0; x < 256; ++x) {
        row[static_cast<std::size_t>(x)] = static_cast<BYTE>(level(x));
    }
    return row;
}

TEST(HeightKernel, GivesTheFormulasMaskAndTheCompositeThroughIt) {
    const int width = 259;
    const int height = 64;
    const Bitmap layer24 = RandomBitmap(width, height, 24, 1);
    const Bitmap layer32 = RandomBitmap(width, height, 32, 2);
    const Bitmap mask1 = RandomMask(width, height, 3);
    const Bitmap mask2 = RandomMask(width, height, 4);
    const Bitmap map1 = RandomBitmap(width, height, 8, 5);
    const Bitmap map2 = RandomBitmap(width, height, 8, 6);
    const struct {
        const FIBITMAP* layer1;
        const FIBITMAP* layer2;
        HeightMaps maps;
    } cases[] = {{layer24.get(), layer32.get(), {}},
                 {layer32.get(), layer24.get(), {map1.get(), nullptr}},
                 {layer24.get(), layer24.get(), {map1.get(), map2.get()}}};
    const HeightBlend blends[] = {{0.05}, {0.15}, {0.3}, {0.5, 0.5}, {0.1, 0.9}, {0.01, 0}};
    for (const auto& [layer1, layer2, maps] : cases) {
        const MaskedLayers inputs{layer1, mask1.get(), layer2, mask2.get()};
        for (const HeightBlend& blend : blends) {
            const Bitmap expectedMask = ExpectedMask(inputs, maps, blend);
            const Bitmap expected =
                CompositeMaskedLayers({layer1, mask1.get(), layer2, expectedMask.get()}, 1);
            for (const auto target : orrisbay::testing::KernelTargets()) {
                const orrisbay::testing::UseTarget use(target);
                SCOPED_TRACE(std::string("depth ") + std::to_string(blend.depth) + " strength " +
                             std::to_string(blend.strength) + " on " + hwy::TargetName(target));
                for (unsigned threads = 1; threads <= 2; ++threads) {
                    EXPECT_TRUE(SameBitmap(expectedMask.get(),
                                           HeightBlendedMask(inputs, maps, blend, threads).get()));
                    Bitmap result(FreeImage_Allocate(width, height, 24));
                    ASSERT_TRUE(
                        CompositeHeightBlendedInto(inputs, maps, blend, result.get(), threads));
                    EXPECT_TRUE(SameBitmap(expected.get(), result.get()));
                }
            }
        }
    }
}

// Every height of map 2 and every mask level against every height of map 1,
// or against random colours of layer 1: the only way to meet the few pixels
// whose level is a half, or nearly.
TEST(HeightKernel, EveryMapHeightAndMaskLevelGiveTheFormulasLevel) {
    const HeightBlend blend{0.1, 0.9};  // where the order of the operations shows most
    const Bitmap colours = RandomBitmap(256, 256, 24, 7);  // a row for each height 2
    const std::array<BYTE, 256> rising = Filled([](int x) { return x; });
    for (const unsigned bytes1 : {1U, 3U}) {
        const auto height1 = [&](int height2) {
            return bytes1 == 1 ? rising.data() : ScanLine(colours.get(), height2);
        };
        std::vector<BYTE> expected;  // by height 2, mask level, pixel
        for (int height2 = 0; height2 < 256; ++height2) {
            for (int level = 0; level < 256; ++level) {
                for (unsigned x = 0; x < 256; ++x) {
                    const double y1 = bytes1 == 1 ? x : Height(colours.get(), nullptr, x, height2);
                    expected.push_back(NewLevel(y1, height2, static_cast<BYTE>(level), blend));
                }
            }
        }
        for (const auto target : orrisbay::testing::KernelTargets()) {
            const orrisbay::testing::UseTarget use(target);
            std::vector<BYTE> made(expected.size());
            for (int height2 = 0; height2 < 256; ++height2) {
                const auto heights2 = Filled([&](int) { return height2; });
                for (int level = 0; level < 256; ++level) {
                    const auto levels = Filled([&](int) { return level; });
                    simd::HeightMaskRow(
                        {height1(height2), bytes1, heights2.data(), 1, levels.data()}, blend, 256,
                        made.data() + (height2 * 256 + level) * 256);
                }
            }
            EXPECT_TRUE(made == expected) << hwy::TargetName(target) << ", " << bytes1 << " bytes";
        }
    }
}

}  // namespace
}  // namespace orrisbay::slots
