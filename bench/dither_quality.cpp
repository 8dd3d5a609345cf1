// The quality of the conversion to the Quake palette's 224 ordinary colours,
// per dithering mode and colour metric, on a folder of pictures:
//
//   orrisbay_bench_dither_quality FOLDER [--each] [MODE/METRIC ...]
//
// (bench/quality_set.sh FOLDER fills a folder with the set the README names.)
// Square pictures are halved in linear light until they are at most 256
// pixels on a side, which keeps a tileable texture tileable; other pictures
// are photos: halved while their shorter side is over 512, then their middle
// 256 x 256 is taken. For each mode the table gives the mean CIEDE2000 from
// the full-colour picture, the same after a Gaussian blur of sigma 1 pixel in
// linear light that wraps around the edges (how the texture looks from a few
// metres away or in a smaller mip), the seam ratio (that blurred difference
// in the two-pixel bands around the seams of a 2 x 2 tiling against the
// inside; 1.00 is no seam) as mean and worst; the same bands against the
// same pixels converted with the picture moved by half a side, where they are
// inside (what the picture holds at its edges cancels out: 1.00 is no seam
// the conversion adds); and the time per megapixel of
// the conversion alone (best of three, processor time), with the time to build the
// converter. The modes default to today's two (none/rgb and
// floyd-steinberg/rgb, byte for byte the first conversion), the new ones, and
// each pixel's nearest colour by CIEDE2000 itself for reference.
#include <FreeImage.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "colour_difference.h"
#include "palette/palette_conversion.h"

namespace {

namespace fs = std::filesystem;
using namespace orrisbay;
using namespace orrisbay::bench;
using freeimage_base::Bitmap;

constexpr int kOrdinaryColours = 224;

struct Picture {
    std::string name;
    Bitmap rgb;
    LinearPicture original, blurred;
    Bitmap rolled;  // HalfRolled(rgb)
};

LinearPicture ToLinear(const FIBITMAP* rgb) {
    LinearPicture picture{static_cast<int>(freeimage_base::Width(rgb)),
                          static_cast<int>(freeimage_base::Height(rgb)),
                          {}};
    for (int y = 0; y < picture.height; ++y) {
        const BYTE* p =
            freeimage_base::ScanLine(rgb, static_cast<unsigned>(picture.height - 1 - y));
        for (int x = 0; x < picture.width; ++x, p += 3) {
            picture.pixels.push_back({DecodeSrgb(p[FI_RGBA_RED]), DecodeSrgb(p[FI_RGBA_GREEN]),
                                      DecodeSrgb(p[FI_RGBA_BLUE])});
        }
    }
    return picture;
}

LinearPicture IndexedToLinear(const FIBITMAP* indexed, const quake_palette::Palette& palette) {
    const unsigned width = freeimage_base::Width(indexed), height = freeimage_base::Height(indexed);
    LinearPicture picture{static_cast<int>(width), static_cast<int>(height), {}};
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* line = freeimage_base::ScanLine(indexed, height - 1 - y);
        for (unsigned x = 0; x < width; ++x) {
            const auto c = palette[line[x]];
            picture.pixels.push_back(
                {DecodeSrgb(c & 0xFF), DecodeSrgb((c >> 8) & 0xFF), DecodeSrgb((c >> 16) & 0xFF)});
        }
    }
    return picture;
}

// Halves a 24-bit picture, averaging each 2 x 2 block in linear light.
Bitmap Halved(const FIBITMAP* rgb) {
    const unsigned width = freeimage_base::Width(rgb) / 2, height = freeimage_base::Height(rgb) / 2;
    Bitmap half(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 24));
    for (unsigned y = 0; y < height; ++y) {
        BYTE* out = FreeImage_GetScanLine(half.get(), static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (unsigned dy = 0; dy < 2; ++dy) {
                    for (unsigned dx = 0; dx < 2; ++dx) {
                        sum += DecodeSrgb(
                            freeimage_base::ScanLine(rgb, 2 * y + dy)[3 * (2 * x + dx) + c]);
                    }
                }
                const double v = sum / 4;
                const double e = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
                out[3 * x + c] = static_cast<BYTE>(std::lround(std::clamp(e, 0.0, 1.0) * 255));
            }
        }
    }
    return half;
}

Bitmap Prepared(Bitmap rgb) {
    const bool square = freeimage_base::Width(rgb.get()) == freeimage_base::Height(rgb.get());
    auto shorter = [&] {
        return std::min(freeimage_base::Width(rgb.get()), freeimage_base::Height(rgb.get()));
    };
    while (shorter() > (square ? 256u : 512u)) {
        rgb = Halved(rgb.get());
    }
    if (!square && shorter() >= 256) {
        const int left = static_cast<int>(freeimage_base::Width(rgb.get()) - 256) / 2;
        const int top = static_cast<int>(freeimage_base::Height(rgb.get()) - 256) / 2;
        rgb = Bitmap(FreeImage_Copy(rgb.get(), left, top, left + 256, top + 256));
    }
    return rgb;
}

// The picture moved by half its width and half its height, wrapping round:
// its edges in the middle, where a conversion treats them as inside.
Bitmap HalfRolled(const FIBITMAP* rgb) {
    const unsigned width = freeimage_base::Width(rgb), height = freeimage_base::Height(rgb);
    Bitmap rolled(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 24));
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* in = freeimage_base::ScanLine(rgb, (y + height / 2) % height);
        BYTE* out = FreeImage_GetScanLine(rolled.get(), static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x) {
            std::copy_n(in + 3 * ((x + width / 2) % width), 3, out + 3 * x);
        }
    }
    return rolled;
}

// A linear picture (top row first) moved back by what HalfRolled moved it.
LinearPicture RolledBack(const LinearPicture& rolled) {
    LinearPicture back{rolled.width, rolled.height, rolled.pixels};
    for (int y = 0; y < rolled.height; ++y) {
        for (int x = 0; x < rolled.width; ++x) {
            // Rows here run top first, FreeImage's bottom first.
            const int h = rolled.height, w = rolled.width;
            const int fromY = h - 1 - ((h - 1 - y - h / 2 + h) % h);
            const int fromX = (x - w / 2 + w) % w;
            back.pixels[static_cast<std::size_t>(y) * rolled.width + x] = rolled.At(fromX, fromY);
        }
    }
    return back;
}

// The blurred difference in the two-pixel bands around the seams against
// that of the same pixels converted inside the picture (moved there by half
// a side): 1.00 when the conversion treats the edges as it treats the inside,
// whatever the picture holds there.
double SeamAgainstInside(const std::vector<double>& seamed, const std::vector<double>& inside,
                         int width, int height) {
    auto nearSeam = [](int at, int side) { return at < 2 || at >= side - 2; };
    double atSeam = 0, atInside = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (nearSeam(x, width) || nearSeam(y, height)) {
                atSeam += seamed[static_cast<std::size_t>(y) * width + x];
                atInside += inside[static_cast<std::size_t>(y) * width + x];
            }
        }
    }
    return atInside > 0 ? atSeam / atInside : 1;
}

std::vector<Picture> LoadSet(const std::string& folder) {
    std::vector<fs::path> paths;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            paths.push_back(entry.path());
        }
    }
    std::sort(paths.begin(), paths.end());
    std::vector<Picture> pictures;
    for (const fs::path& path : paths) {
        const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str());
        if (format == FIF_UNKNOWN) {
            continue;
        }
        const Bitmap loaded(FreeImage_Load(format, path.c_str()));
        Bitmap rgb = loaded ? freeimage_base::ConvertTo24Bits(loaded.get()) : Bitmap();
        if (!rgb) {
            std::fprintf(stderr, "skipped %s: cannot be read\n", path.c_str());
            continue;
        }
        Picture picture{path.filename().string(), Prepared(std::move(rgb)), {}, {}, {}};
        picture.rolled = HalfRolled(picture.rgb.get());
        picture.original = ToLinear(picture.rgb.get());
        picture.blurred = WrappedBlur(picture.original, 1.0);
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

// Each pixel's nearest ordinary colour by CIEDE2000 itself.
Bitmap NearestByCiede2000(const FIBITMAP* rgb, const quake_palette::Palette& palette) {
    std::vector<CieLab> colours;
    for (int i = 0; i < kOrdinaryColours; ++i) {
        const auto c = palette[static_cast<std::size_t>(i)];
        colours.push_back(LabFromLinear(
            {DecodeSrgb(c & 0xFF), DecodeSrgb((c >> 8) & 0xFF), DecodeSrgb((c >> 16) & 0xFF)}));
    }
    const unsigned width = freeimage_base::Width(rgb), height = freeimage_base::Height(rgb);
    Bitmap indexed(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 8));
    std::unordered_map<std::uint32_t, BYTE> known;
    for (unsigned y = 0; y < height; ++y) {
        const BYTE* p = freeimage_base::ScanLine(rgb, y);
        BYTE* out = FreeImage_GetScanLine(indexed.get(), static_cast<int>(y));
        for (unsigned x = 0; x < width; ++x, p += 3) {
            const std::uint32_t key =
                p[FI_RGBA_RED] | p[FI_RGBA_GREEN] << 8 | p[FI_RGBA_BLUE] << 16;
            auto [at, added] = known.try_emplace(key, 0);
            if (added) {
                const CieLab lab =
                    LabFromLinear({DecodeSrgb(p[FI_RGBA_RED]), DecodeSrgb(p[FI_RGBA_GREEN]),
                                   DecodeSrgb(p[FI_RGBA_BLUE])});
                double best = 1e300;
                for (int i = 0; i < kOrdinaryColours; ++i) {
                    const double d = Ciede2000(lab, colours[static_cast<std::size_t>(i)]);
                    if (d < best) {
                        best = d, at->second = static_cast<BYTE>(i);
                    }
                }
            }
            out[x] = at->second;
        }
    }
    return indexed;
}

struct Mode {
    std::string label;
    bool reference = false;  // nearest by CIEDE2000
    quake_palette::Dithering dithering;
    quake_palette::ColourMetric metric = quake_palette::ColourMetric::Rgb;
};

std::optional<Mode> ParseMode(const std::string& text) {
    if (text == "ciede2000") {
        return Mode{"nearest by CIEDE2000", true, {}, {}};
    }
    const std::size_t slash = text.find('/');
    auto dithering = quake_palette::ParseDithering(text.substr(0, slash));
    auto metric = quake_palette::ParseColourMetric(
        slash == std::string::npos ? "rgb" : text.substr(slash + 1));
    if (!dithering || !metric) {
        std::fprintf(stderr, "%s\n",
                     (!dithering ? dithering.problem() : metric.problem()).message.c_str());
        return std::nullopt;
    }
    const bool today = metric.value() == quake_palette::ColourMetric::Rgb &&
                       (dithering->mode == quake_palette::DitherMode::None ||
                        dithering->mode == quake_palette::DitherMode::FloydSteinberg);
    return Mode{(today ? "today: " : "") + text, false, *dithering, *metric};
}

struct Row {
    double plain = 0, blurred = 0, seam = 0, worstSeam = 0, seamInside = 0, worstSeamInside = 0;
    double msPerMegapixel = 0, setupMs = 0;
};

// Processor time of this thread in milliseconds: other programs sharing
// the machine do not count.
double CpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

Row Measure(const Mode& mode, const std::vector<Picture>& pictures,
            const quake_palette::Palette& palette, bool each) {
    Row row;
    const quake_palette::IndexSet ordinary =
        quake_palette::IndexSet::Range(0, kOrdinaryColours - 1);
    // The set-up of a finder built anew (converters keep the last few built).
    const double setupStart = CpuMilliseconds();
    const quake_palette::NearestColourFinder cold(palette, ordinary, mode.metric);
    row.setupMs = CpuMilliseconds() - setupStart;
    const quake_palette::PaletteConverter converter(palette, {ordinary, {}, 255}, mode.metric);
    double totalMs = 0, megapixels = 0;
    for (const Picture& picture : pictures) {
        Bitmap indexed;
        double bestMs = 1e300;
        for (int run = 0; run < (mode.reference ? 1 : 3); ++run) {
            const double start = CpuMilliseconds();
            indexed =
                mode.reference
                    ? NearestByCiede2000(picture.rgb.get(), palette)
                    : std::move(
                          converter.Convert(picture.rgb.get(), nullptr, mode.dithering).value());
            bestMs = std::min(bestMs, CpuMilliseconds() - start);
        }
        totalMs += bestMs;
        megapixels += picture.original.pixels.size() / 1e6;
        const LinearPicture converted = IndexedToLinear(indexed.get(), palette);
        const std::vector<double> plain = Differences(picture.original, converted);
        const std::vector<double> blurred =
            Differences(picture.blurred, WrappedBlur(converted, 1.0));
        auto mean = [](const std::vector<double>& v) {
            double sum = 0;
            for (double d : v)
                sum += d;
            return sum / static_cast<double>(v.size());
        };
        const double seam = SeamRatio(blurred, picture.original.width, picture.original.height);
        const Bitmap rolled =
            mode.reference
                ? NearestByCiede2000(picture.rolled.get(), palette)
                : std::move(
                      converter.Convert(picture.rolled.get(), nullptr, mode.dithering).value());
        const double seamAgainstInside = SeamAgainstInside(
            blurred,
            Differences(picture.blurred,
                        WrappedBlur(RolledBack(IndexedToLinear(rolled.get(), palette)), 1.0)),
            picture.original.width, picture.original.height);
        row.seamInside += seamAgainstInside;
        row.worstSeamInside = std::max(row.worstSeamInside, seamAgainstInside);
        row.plain += mean(plain);
        row.blurred += mean(blurred);
        row.seam += seam;
        row.worstSeam = std::max(row.worstSeam, seam);
        if (each) {
            std::printf("  %-28s %-22s %6.2f %6.2f %5.2f %5.2f\n", mode.label.c_str(),
                        picture.name.c_str(), mean(plain), mean(blurred), seam, seamAgainstInside);
        }
    }
    const double n = static_cast<double>(pictures.size());
    row.plain /= n, row.blurred /= n, row.seam /= n, row.seamInside /= n;
    row.msPerMegapixel = totalMs / megapixels;
    return row;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [--each] [MODE/METRIC ...]\n", argv[0]);
        return 64;
    }
    freeimage_base::InitialiseImageLibrary();
    const auto palette = quake_palette::ReadPaletteFile(ORRISBAY_SOURCE_PALETTE);
    // A check of the difference formula against Sharma, Wu and Dalal's first pair.
    if (std::abs(Ciede2000({50, 2.6772, -79.7751}, {50, 0, -82.7485}) - 2.0425) > 1e-4 ||
        !palette) {
        std::fprintf(stderr, "the CIEDE2000 formula or the palette is wrong\n");
        return 70;
    }
    bool each = false;
    std::vector<std::string> names;
    for (int i = 2; i < argc; ++i) {
        std::string(argv[i]) == "--each" ? void(each = true) : names.push_back(argv[i]);
    }
    if (names.empty()) {
        names = {"none/rgb",
                 "floyd-steinberg/rgb",
                 "none/perceptual",
                 "none/oklab",
                 "none/cielab",
                 "diffusion/rgb",
                 "diffusion/perceptual",
                 "ordered/rgb",
                 "ordered/perceptual",
                 "ciede2000"};
    }
    const std::vector<Picture> pictures = LoadSet(argv[1]);
    if (pictures.empty()) {
        std::fprintf(stderr, "no pictures in %s\n", argv[1]);
        return 66;
    }
    std::printf("%zu pictures from %s\n\n", pictures.size(), argv[1]);
    std::printf(
        "| mode | mean CIEDE2000 | blurred (sigma 1, linear) | seam ratio mean / worst | seam "
        "against the same pixels inside, mean / worst | ms per megapixel | set-up ms |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    for (const std::string& name : names) {
        const auto mode = ParseMode(name);
        if (!mode) {
            return 64;
        }
        const Row row = Measure(*mode, pictures, *palette, each);
        std::printf("| %s | %.2f | %.2f | %.2f / %.2f | %.2f / %.2f | %.1f | %.1f |\n",
                    mode->label.c_str(), row.plain, row.blurred, row.seam, row.worstSeam,
                    row.seamInside, row.worstSeamInside, row.msPerMegapixel, row.setupMs);
        std::fflush(stdout);
    }
    return 0;
}
