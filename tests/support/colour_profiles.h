#pragma once

// Colour profiles made with LittleCMS, and LittleCMS's own conversion of
// pixels to sRGB, the reference the program's conversions are held to.
#include <lcms2.h>

#include <string>
#include <vector>

namespace orrisbay::testing {

enum class ProfileKind { DisplayP3, Rec2020, LinearSrgb, TabulatedSrgb, LinearGrey, Lab };

inline const double kSrgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};

// The profile's bytes, as a file embeds them. TabulatedSrgb is sRGB as
// cameras embed it: a version 2 profile whose curves are 1024-entry tables.
inline std::string MakeProfile(ProfileKind kind) {
    using enum ProfileKind;
    const cmsCIExyY d65{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries =
        kind == DisplayP3 ? cmsCIExyYTRIPLE{{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}}
        : kind == Rec2020 ? cmsCIExyYTRIPLE{{0.708, 0.292, 1}, {0.170, 0.797, 1}, {0.131, 0.046, 1}}
                          : cmsCIExyYTRIPLE{{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};
    const double rec709Curve[5] = {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081};
    const double linear = 1.0;
    cmsToneCurve* tone =
        kind == LinearSrgb || kind == LinearGrey
            ? cmsBuildParametricToneCurve(nullptr, 1, &linear)
            : cmsBuildParametricToneCurve(nullptr, 4, kind == Rec2020 ? rec709Curve : kSrgbCurve);
    if (kind == TabulatedSrgb) {
        std::vector<cmsUInt16Number> table(1024);
        for (std::size_t i = 0; i < table.size(); ++i) {
            table[i] = cmsEvalToneCurve16(tone, static_cast<cmsUInt16Number>(i * 65535 / 1023));
        }
        cmsFreeToneCurve(tone);
        tone = cmsBuildTabulatedToneCurve16(nullptr, 1024, table.data());
    }
    cmsToneCurve* tones[3] = {tone, tone, tone};
    cmsHPROFILE profile = kind == LinearGrey ? cmsCreateGrayProfile(cmsD50_xyY(), tone)
                          : kind == Lab      ? cmsCreateLab4Profile(nullptr)
                                             : cmsCreateRGBProfile(&d65, &primaries, tones);
    cmsSetProfileVersion(profile, kind == TabulatedSrgb ? 2.1 : 4.3);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::string bytes(size, '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(tone);
    return bytes;
}

// Converts `count` pixels from `profile` to sRGB (to grey with sRGB's tone
// curve for a grey format), relative colorimetric with black point
// compensation; alpha is copied. `to` may differ from `from` in depth.
inline void LittleCmsToSrgb(const std::string& profile, const void* pixels, void* out,
                            unsigned count, cmsUInt32Number from, cmsUInt32Number to) {
    cmsHPROFILE source =
        cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()));
    cmsToneCurve* tone = cmsBuildParametricToneCurve(nullptr, 4, kSrgbCurve);
    cmsHPROFILE srgb = T_COLORSPACE(from) == PT_GRAY ? cmsCreateGrayProfile(cmsD50_xyY(), tone)
                                                     : cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform =
        cmsCreateTransform(source, from, srgb, to, INTENT_RELATIVE_COLORIMETRIC,
                           cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_COPY_ALPHA);
    cmsDoTransform(transform, pixels, out, count);
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    cmsCloseProfile(source);
    cmsFreeToneCurve(tone);
}

}  // namespace orrisbay::testing
