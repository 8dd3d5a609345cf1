// Pictures whose files carry a colour profile load as LittleCMS converts them
// to sRGB; pictures without one, or with sRGB's, load as the library decodes them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "imageio/crafted_images.h"
#include "imageio/file_types.h"
#include "support/colour_profiles.h"
#include "support/image_files.h"

namespace orrisbay::imageio {
namespace {

using namespace orrisbay::testing;
using freeimage_base::Bitmap;

// The stored pixels (rows without padding) converted by LittleCMS: what a load should give.
Bitmap Converted(const FIBITMAP* stored, const std::string& profile) {
    Bitmap copy = freeimage_base::Clone(stored);
    const unsigned bpp = freeimage_base::Bpp(copy.get());
    const cmsUInt32Number format = bpp == 8 ? TYPE_GRAY_8 : bpp == 24 ? TYPE_BGR_8 : TYPE_BGRA_8;
    LittleCmsToSrgb(profile, FreeImage_GetBits(copy.get()), FreeImage_GetBits(copy.get()),
                    FreeImage_GetWidth(copy.get()) * FreeImage_GetHeight(copy.get()), format,
                    format);
    return copy;
}

struct Case {
    const char* name;  // .png or .jpg
    int bpp;           // 8 (grey), 24 or 32
    std::optional<ProfileKind> profile;
    bool unitGamma;  // a PNG gamma chunk of 1.0 besides
    bool converted;  // expected: LittleCMS's conversion; else the pixels as decoded
};

std::string FileBytes(const Case& c, std::string profile, bool jpeg) {
    Bitmap picture = Pattern(24, 16, c.bpp, 3);
    if (jpeg) {
        FreeImage_CreateICCProfile(picture.get(), profile.data(),
                                   static_cast<long>(profile.size()));
        return SavedBytes(picture.get(), FIF_JPEG, JPEG_QUALITYSUPERB);
    }
    const std::string gamma = PngChunk("gAMA", std::string("\0\1\x86\xa0", 4));  // 1.0
    return WithPngChunks(SavedBytes(picture.get(), FIF_PNG),
                         (c.profile ? IccpChunk(profile) : "") + (c.unitGamma ? gamma : ""));
}

TEST(ColourProfiles, PicturesLoadAsTheirProfilesMeanThem) {
    using enum ProfileKind;
    const Case cases[] = {
        {"plain.png", 24, {}, false, false},
        {"gamma.png", 24, {}, true, false},  // the library's own gamma, as before
        {"srgb.png", 32, TabulatedSrgb, false, false},
        {"p3.png", 24, DisplayP3, false, true},
        {"rec2020.png", 32, Rec2020, false, true},   // alpha kept
        {"linear.png", 24, LinearSrgb, true, true},  // corrected once: the gamma chunk yields
        {"grey.png", 8, LinearGrey, false, true},    // stays grey
        {"plain.jpg", 24, {}, false, false},         // the accurate decoder's pixels
        {"p3.jpg", 24, DisplayP3, false, true},
    };
    TemporaryFolder folder("orrisbay-colour");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool jpeg = FileExtension(c.name) == ".jpg";
        const std::string profile = c.profile ? MakeProfile(*c.profile) : "";
        const std::string path = folder.Write(c.name, FileBytes(c, profile, jpeg));
        const Result<freeimage_base::Bitmap> loaded = LoadImageFile(path);
        ASSERT_TRUE(loaded);
        EXPECT_THAT(loaded.warnings(), ::testing::IsEmpty());
        const Bitmap stored = jpeg ? LoadAs(FIF_JPEG, path, JPEG_ACCURATE)
                                   : LoadAs(FIF_PNG, path, c.profile ? PNG_IGNOREGAMMA : 0);
        const FIBITMAP* got = loaded->get();
        EXPECT_EQ(freeimage_base::ColorType(got), freeimage_base::ColorType(stored.get()));
        if (c.converted) {
            EXPECT_LE(MaxLevelDifference(Converted(stored.get(), profile).get(), got), 1);
            EXPECT_GT(MaxLevelDifference(stored.get(), got), 1);
        } else {
            EXPECT_TRUE(SamePixels(stored.get(), got));
        }
    }
}

TEST(ColourProfiles, UnusableProfilesLeaveThePixelsAsStoredAndSaySo) {
    const std::string png = SavedBytes(Pattern(16, 8, 24).get(), FIF_PNG);
    const std::string chunks[] = {
        IccpChunk(std::string(300, 'x')), PngChunk("iCCP", std::string("ICC\0\0not zlib", 13)),
        IccpChunk(MakeProfile(ProfileKind::Lab)),  // not a picture's colours
    };
    TemporaryFolder folder("orrisbay-colour-broken");
    for (const std::string& chunk : chunks) {
        const std::string path = folder.Write("broken.png", WithPngChunks(png, chunk));
        const Result<freeimage_base::Bitmap> loaded = LoadImageFile(path);
        ASSERT_TRUE(loaded);
        EXPECT_TRUE(SamePixels(LoadAs(FIF_PNG, path, PNG_IGNOREGAMMA).get(), loaded->get()));
        EXPECT_THAT(loaded.warnings(),
                    ::testing::ElementsAre(::testing::MatchesRegex(
                        "its colour profile .+, so its colours are used as stored")));
    }
}

// Grey with alpha comes from the library as RGBA: each colour channel is
// converted as the grey level it is.
TEST(ColourProfiles, GreyWithAlphaUnderAGreyProfileStaysGrey) {
    const std::string profile = MakeProfile(ProfileKind::LinearGrey);
    TemporaryFolder folder("orrisbay-colour-grey-alpha");
    const Result<freeimage_base::Bitmap> loaded = LoadImageFile(
        folder.Write("ga.png", WithPngChunks(HandMadePng(4, 2, 8, 4, 0x40), IccpChunk(profile))));
    ASSERT_EQ(freeimage_base::Bpp(loaded->get()), 32u);
    BYTE level = 0x40;
    LittleCmsToSrgb(profile, &level, &level, 1, TYPE_GRAY_8, TYPE_GRAY_8);
    const BYTE* pixel = freeimage_base::Bits(loaded->get());
    EXPECT_THAT(std::vector<BYTE>(pixel, pixel + 4),
                ::testing::ElementsAre(level, level, level, 0x40));
}

// Converted at 16 bits, the colours stay closer to what the file means than
// when the pixels are cut to 8 bits first.
TEST(ColourProfiles, SixteenBitPicturesAreConvertedBeforeReduction) {
    constexpr unsigned kWidth = 512;
    Bitmap stored(FreeImage_AllocateT(FIT_RGB16, kWidth, 1));
    auto* pixels = reinterpret_cast<FIRGB16*>(FreeImage_GetBits(stored.get()));
    for (unsigned x = 0; x < kWidth; ++x) {
        pixels[x] = {WORD(x * 127 + 61), WORD(65535 - x * 101), WORD(x * 4099)};
    }
    const std::string profile = MakeProfile(ProfileKind::Rec2020);
    TemporaryFolder folder("orrisbay-colour-16");
    const Result<freeimage_base::Bitmap> loaded = LoadImageFile(folder.Write(
        "deep.png", WithPngChunks(SavedBytes(stored.get(), FIF_PNG), IccpChunk(profile))));
    ASSERT_EQ(freeimage_base::ImageType(loaded->get()), FIT_RGB16);

    std::vector<float> ideal(3 * kWidth);
    LittleCmsToSrgb(profile, pixels, ideal.data(), kWidth, TYPE_RGB_16, TYPE_RGB_FLT);
    const Bitmap cut(FreeImage_ConvertTo24Bits(stored.get()));
    BYTE* cutFirst = FreeImage_GetBits(cut.get());
    LittleCmsToSrgb(profile, cutFirst, cutFirst, kWidth, TYPE_BGR_8, TYPE_BGR_8);
    const auto* ours = reinterpret_cast<const WORD*>(freeimage_base::Bits(loaded->get()));
    const int cutChannel[] = {FI_RGBA_RED, FI_RGBA_GREEN, FI_RGBA_BLUE};
    double oursError = 0, cutError = 0;
    for (unsigned i = 0; i < 3 * kWidth; ++i) {
        oursError += std::fabs(ours[i] / 65535.0 - ideal[i]);
        cutError += std::fabs(cutFirst[i - i % 3 + cutChannel[i % 3]] / 255.0 - ideal[i]);
    }
    EXPECT_LE(oursError, cutError);
}

}  // namespace
}  // namespace orrisbay::imageio
