#include "imageio/colour_profile.h"

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>
#include <system_error>
#include <thread>
#include <vector>

namespace orrisbay::imageio {

namespace {

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Transform = std::unique_ptr<void, TransformDeleter>;

constexpr cmsUInt32Number kIntent = INTENT_RELATIVE_COLORIMETRIC;
// No one-pixel cache: one transform serves several threads at once.
constexpr cmsUInt32Number kFlags = cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE;

// Below this many pixels a conversion is not worth starting threads for.
constexpr std::uint64_t kPixelsPerThread = std::uint64_t{1} << 18;

struct LayoutTraits {
    cmsUInt32Number format;
    bool grey;
    bool alpha;
};

LayoutTraits TraitsOf(PixelLayout layout) {
    switch (layout) {
        case PixelLayout::Grey8:
            return {TYPE_GRAY_8, true, false};
        case PixelLayout::Grey16:
            return {TYPE_GRAY_16, true, false};
        case PixelLayout::Rgb8:
            return {TYPE_RGB_8, false, false};
        case PixelLayout::Bgr8:
            return {TYPE_BGR_8, false, false};
        case PixelLayout::Rgba8:
            return {TYPE_RGBA_8, false, true};
        case PixelLayout::Bgra8:
            return {TYPE_BGRA_8, false, true};
        case PixelLayout::Rgb16:
            return {TYPE_RGB_16, false, false};
        case PixelLayout::Rgba16:
            return {TYPE_RGBA_16, false, true};
    }
    return {TYPE_RGB_8, false, false};
}

// sRGB for colour pixels; for grey ones a grey profile with sRGB's tone
// curve (IEC 61966-2.1 as a parametric curve), so grey stays grey.
Profile SrgbProfile(bool grey) {
    if (!grey) {
        return Profile(cmsCreate_sRGBProfile());
    }
    const cmsFloat64Number curve[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* tone = cmsBuildParametricToneCurve(nullptr, 4, curve);
    if (tone == nullptr) {
        return {};
    }
    Profile profile(cmsCreateGrayProfile(cmsD50_xyY(), tone));
    cmsFreeToneCurve(tone);
    return profile;
}

// Colours that show whether a profile differs from sRGB: a coarse grid of
// the cube, and every level along the grey axis and each primary.
std::vector<float> RgbSamples() {
    std::vector<float> samples;
    constexpr int kGrid = 8;
    for (int r = 0; r <= kGrid; ++r) {
        for (int g = 0; g <= kGrid; ++g) {
            for (int b = 0; b <= kGrid; ++b) {
                samples.insert(samples.end(),
                               {r / float{kGrid}, g / float{kGrid}, b / float{kGrid}});
            }
        }
    }
    for (int level = 0; level < 256; ++level) {
        const float v = level / 255.0f;
        samples.insert(samples.end(), {v, v, v, v, 0, 0, 0, v, 0, 0, 0, v});
    }
    return samples;
}

std::vector<float> GreySamples() {
    std::vector<float> samples(256);
    for (int level = 0; level < 256; ++level) {
        samples[static_cast<std::size_t>(level)] = level / 255.0f;
    }
    return samples;
}

// True when converting from `profile` to `srgb` would move no sample by half
// an 8-bit level: sRGB under another name, whose pixels are left alone.
bool IsSrgbAlready(cmsHPROFILE profile, cmsHPROFILE srgb, bool grey) {
    const cmsUInt32Number format = grey ? TYPE_GRAY_FLT : TYPE_RGB_FLT;
    const Transform check(cmsCreateTransform(profile, format, srgb, format, kIntent, kFlags));
    if (!check) {
        return false;
    }
    const std::vector<float> samples = grey ? GreySamples() : RgbSamples();
    std::vector<float> converted(samples.size());
    const auto pixels = static_cast<cmsUInt32Number>(samples.size() / (grey ? 1 : 3));
    cmsDoTransform(check.get(), samples.data(), converted.data(), pixels);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (!(std::fabs(converted[i] - samples[i]) * 255.0f < 0.5f)) {
            return false;
        }
    }
    return true;
}

std::string SpaceName(cmsUInt32Number space) {
    switch (space) {
        case cmsSigGrayData:
            return "grey";
        case cmsSigRgbData:
            return "RGB";
        case cmsSigCmykData:
            return "CMYK";
        case cmsSigLabData:
            return "Lab";
        default:
            return "other";
    }
}

bool CanBeSource(cmsHPROFILE profile) {
    // As numbers: a file may hold any value, not only the enumerated ones.
    const cmsUInt32Number kind = cmsGetDeviceClass(profile);
    return kind == cmsSigInputClass || kind == cmsSigDisplayClass || kind == cmsSigOutputClass ||
           kind == cmsSigColorSpaceClass;
}

// A transform ready to run, none when the pixels need none, or the problem.
struct Preparation {
    Transform transform;
    std::string problem;
    bool greyProfileOnColours = false;  // colour pixels that a grey profile describes
};

Preparation Prepare(ProfileBytes bytes, PixelLayout layout) {
    const LayoutTraits traits = TraitsOf(layout);
    if (bytes.empty() || bytes.size() > std::numeric_limits<cmsUInt32Number>::max()) {
        return {{}, "cannot be read"};
    }
    const Profile profile(
        cmsOpenProfileFromMem(bytes.data(), static_cast<cmsUInt32Number>(bytes.size())));
    if (!profile) {
        return {{}, "cannot be read"};
    }
    const cmsUInt32Number space = cmsGetColorSpace(profile.get());
    if (!traits.grey && space == cmsSigGrayData) {
        return {{}, {}, true};
    }
    if (space != (traits.grey ? cmsSigGrayData : cmsSigRgbData)) {
        return {{},
                "describes " + SpaceName(space) + " colours, not the picture's " +
                    (traits.grey ? "grey levels" : "RGB colours")};
    }
    const Profile srgb = SrgbProfile(traits.grey);
    if (!srgb || !CanBeSource(profile.get())) {
        return {{}, "gives no conversion to sRGB"};
    }
    if (IsSrgbAlready(profile.get(), srgb.get(), traits.grey)) {
        return {};
    }
    const cmsUInt32Number flags = kFlags | (traits.alpha ? cmsFLAGS_COPY_ALPHA : 0);
    Transform transform(cmsCreateTransform(profile.get(), traits.format, srgb.get(), traits.format,
                                           kIntent, flags));
    if (!transform) {
        return {{}, "gives no conversion to sRGB"};
    }
    return {std::move(transform), {}};
}

void TransformBand(cmsHTRANSFORM transform, const PixelRows& rows, unsigned first, unsigned last) {
    for (unsigned y = first; y < last; ++y) {
        std::uint8_t* row = rows.first + static_cast<std::size_t>(y) * rows.stride;
        cmsDoTransform(transform, row, row, rows.width);
    }
}

// Splits the rows into one band per core; a band whose thread cannot be
// started is done on this thread.
void TransformRows(cmsHTRANSFORM transform, const PixelRows& rows) {
    const std::uint64_t pixels = std::uint64_t{rows.width} * rows.height;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const auto bands = static_cast<unsigned>(
        std::clamp<std::uint64_t>(pixels / kPixelsPerThread, 1, std::min(cores, rows.height)));
    auto bandStart = [&](unsigned band) {
        return static_cast<unsigned>(std::uint64_t{rows.height} * band / bands);
    };
    std::vector<std::thread> helpers;
    unsigned started = 1;
    for (; started < bands; ++started) {
        try {
            helpers.emplace_back(TransformBand, transform, std::cref(rows), bandStart(started),
                                 bandStart(started + 1));
        } catch (const std::system_error&) {
            break;
        }
    }
    TransformBand(transform, rows, 0, bandStart(1));
    TransformBand(transform, rows, bandStart(started), rows.height);
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

// Colour pixels under a grey profile (a grey picture the image library
// expanded to RGB): each colour channel is converted as a grey level, through
// a table of every level converted once; alpha is kept.
template <typename Channel>
Result<bool> ConvertChannelsAsGrey(ProfileBytes profile, const PixelRows& rows) {
    std::vector<Channel> levels(std::size_t{std::numeric_limits<Channel>::max()} + 1);
    std::iota(levels.begin(), levels.end(), Channel{0});
    const Result<bool> result = ConvertRowsToSrgb(
        profile, {reinterpret_cast<std::uint8_t*>(levels.data()), levels.size() * sizeof(Channel),
                  static_cast<unsigned>(levels.size()), 1,
                  sizeof(Channel) == 1 ? PixelLayout::Grey8 : PixelLayout::Grey16});
    if (!*result) {
        return result;
    }
    const unsigned channels = TraitsOf(rows.layout).alpha ? 4 : 3;
    for (unsigned y = 0; y < rows.height; ++y) {
        auto* pixel =
            reinterpret_cast<Channel*>(rows.first + static_cast<std::size_t>(y) * rows.stride);
        for (unsigned x = 0; x < rows.width; ++x, pixel += channels) {
            std::transform(pixel, pixel + 3, pixel, [&](Channel level) { return levels[level]; });
        }
    }
    return result;
}

}  // namespace

Result<bool> ConvertRowsToSrgb(ProfileBytes profile, const PixelRows& rows) {
    Preparation prepared = Prepare(profile, rows.layout);
    if (prepared.greyProfileOnColours) {
        const bool deep = rows.layout == PixelLayout::Rgb16 || rows.layout == PixelLayout::Rgba16;
        return deep ? ConvertChannelsAsGrey<std::uint16_t>(profile, rows)
                    : ConvertChannelsAsGrey<std::uint8_t>(profile, rows);
    }
    if (!prepared.transform) {
        return ProfileNotUsed(std::move(prepared.problem));
    }
    if (rows.first != nullptr && rows.width > 0) {
        TransformRows(prepared.transform.get(), rows);
    }
    return true;
}

Result<bool> ConvertColourTableToSrgb(ProfileBytes profile, std::span<std::uint8_t> rgb) {
    return ConvertRowsToSrgb(
        profile,
        {rgb.data(), rgb.size(), static_cast<unsigned>(rgb.size() / 3), 1, PixelLayout::Rgb8});
}

Result<bool> ProfileNotUsed(std::string problem) {
    Result<bool> result(false);
    result.Warn(std::move(problem));
    return result;
}

std::string WhyNotUsed(const Result<bool>& result) {
    return result.warnings().empty() ? std::string() : result.warnings().front();
}

std::string ColourProfileWarning(const std::string& problem) {
    return "its colour profile " + problem + ", so its colours are used as stored";
}

}  // namespace orrisbay::imageio
