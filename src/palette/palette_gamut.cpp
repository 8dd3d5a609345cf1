#include "palette/palette_gamut.h"

#include <libqhull_r/qhull_ra.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "palette/colour_finder.h"
#include "palette/hull_nearest.h"
#include "palette/perceptual_colour.h"

namespace orrisbay::quake_palette {
namespace {

constexpr int kBlockLevels = GamutMap::kLevelsPerBlock;
constexpr int kBlocks = GamutMap::kBlocksPerChannel;
constexpr int kCorners = kBlocks + 1;  // per channel; the last at level 255

// How far outside a face a colour may lie and still count as in reach: the
// rounding of the faces' arithmetic.
constexpr float kOnFace = 1e-6f;

int BlockOf(int level) {
    return std::clamp(level, 0, 255) / kBlockLevels;
}

// The linear light of each block corner's level.
const std::array<float, kCorners> kCornerLevels = [] {
    std::array<float, kCorners> levels{};
    for (int i = 0; i < kCorners; ++i) {
        levels[static_cast<std::size_t>(i)] =
            static_cast<float>(LinearFromSrgb(std::min(i * kBlockLevels, 255)));
    }
    return levels;
}();

float CornerLevel(int corner) {
    return kCornerLevels[static_cast<std::size_t>(corner)];
}

// How far across its block each level lies, by linear light, as the
// corners are spaced.
const std::array<float, 256> kAcross = [] {
    std::array<float, 256> across{};
    for (int level = 0; level < 256; ++level) {
        const int block = level / kBlockLevels;
        const float low = kCornerLevels[static_cast<std::size_t>(block)];
        const float high = kCornerLevels[static_cast<std::size_t>(block + 1)];
        across[static_cast<std::size_t>(level)] =
            (static_cast<float>(LinearFromSrgb(level)) - low) / (high - low);
    }
    return across;
}();

float Across(int level) {
    return kAcross[static_cast<std::size_t>(std::clamp(level, 0, 255))];
}

int CornerIndex(int red, int green, int blue) {
    return (red * kCorners + green) * kCorners + blue;
}

// The faces of the hull of `colours` (outward normal and offset) and its
// corners; none when the colours span no volume, Qhull's messages kept quiet.
struct Hull {
    std::vector<std::array<double, 4>> planes;
    std::vector<LinearColour> corners;
};

Hull HullOf(const std::vector<LinearColour>& colours) {
    Hull hull;
    FILE* quiet = colours.size() >= 4 ? std::fopen("/dev/null", "w") : nullptr;
    if (!quiet) {
        return hull;
    }
    std::vector<coordT> points;
    for (const LinearColour& colour : colours) {
        points.insert(points.end(), colour.begin(), colour.end());
    }
    qhT context;
    qhT* qh = &context;
    qh_zero(qh, quiet);
    char options[] = "qhull Qt";
    if (qh_new_qhull(qh, 3, static_cast<int>(colours.size()), points.data(), False, options,
                     nullptr, quiet) == 0) {
        facetT* facet;
        FORALLfacets {
            hull.planes.push_back(
                {facet->normal[0], facet->normal[1], facet->normal[2], facet->offset});
        }
        vertexT* vertex;
        FORALLvertices {
            hull.corners.push_back({static_cast<float>(vertex->point[0]),
                                    static_cast<float>(vertex->point[1]),
                                    static_cast<float>(vertex->point[2])});
        }
    }
    qh_freeqhull(qh, !qh_ALL);
    int leftCount = 0, leftBytes = 0;
    qh_memfreeshort(qh, &leftCount, &leftBytes);
    std::fclose(quiet);
    return hull;
}

using Matrix = std::array<Vector3, 3>;

// How CIEDE2000 weighs small differences around `at` (linear light): CIELAB's
// slopes there, turned into lightness, chroma and hue differences scaled as
// the formula scales them near that colour, with its chroma-hue term folded
// in. The rows' squared lengths sum to the squared difference.
Matrix Ciede2000Slopes(const Vector3& at) {
    constexpr double kStep = 1e-4;
    constexpr double kPi = 3.14159265358979323846;
    Matrix lab{};
    for (std::size_t c = 0; c < 3; ++c) {
        Vector3 up = at, down = at;
        up[c] += kStep;
        down[c] -= kStep;
        const Triple high = CielabOfLinear(up), low = CielabOfLinear(down);
        for (std::size_t r = 0; r < 3; ++r) {
            lab[r][c] = (high[r] - low[r]) / (2 * kStep);
        }
    }
    const Triple centre = CielabOfLinear(at);
    const auto seventh = [](double chroma) {
        const double c7 = std::pow(chroma, 7);
        return std::sqrt(c7 / (c7 + std::pow(25.0, 7)));
    };
    const double g = 0.5 * (1 - seventh(std::hypot(centre[1], centre[2])));
    const double a = (1 + g) * centre[1], b = centre[2];
    const double chroma = std::hypot(a, b);
    const double hue = chroma > 0 ? std::atan2(b, a) : 0;
    const double degrees = hue < 0 ? (hue + 2 * kPi) * 180 / kPi : hue * 180 / kPi;
    const auto cosine = [](double d) { return std::cos(d * kPi / 180); };
    const double t = 1 - 0.17 * cosine(degrees - 30) + 0.24 * cosine(2 * degrees) +
                     0.32 * cosine(3 * degrees + 6) - 0.20 * cosine(4 * degrees - 63);
    const double l50 = (centre[0] - 50) * (centre[0] - 50);
    const double sl = 1 + 0.015 * l50 / std::sqrt(20 + l50);
    const double sc = 1 + 0.045 * chroma, sh = 1 + 0.015 * chroma * t;
    const double theta = 30 * std::exp(-std::pow((degrees - 275) / 25, 2));
    // c^2 + h^2 + rt c h = (c + r h)^2 + (1 - r^2) h^2 with r = rt / 2.
    const double r = -std::sin(2 * theta * kPi / 180) * seventh(chroma);
    Matrix slopes{};
    for (std::size_t c = 0; c < 3; ++c) {
        const double da = (1 + g) * lab[1][c], db = lab[2][c];
        const double dc = (std::cos(hue) * da + std::sin(hue) * db) / sc;
        const double dh = (std::cos(hue) * db - std::sin(hue) * da) / sh;
        slopes[0][c] = lab[0][c] / sl;
        slopes[1][c] = dc + r * dh;
        slopes[2][c] = std::sqrt(std::max(0.0, 1 - r * r)) * dh;
    }
    return slopes;
}

}  // namespace

GamutMap::GamutMap(const Palette& palette, const IndexSet& allowed) {
    std::vector<LinearColour> colours;
    for (int i = 0; i < 256; ++i) {
        if (allowed.Contains(i)) {
            const ColourValue c = palette[static_cast<std::size_t>(i)];
            const auto linear = [c](int channel) {
                return static_cast<float>(
                    LinearFromSrgb(static_cast<int>((c >> (8 * channel)) & 0xFFu)));
            };
            colours.push_back({linear(0), linear(1), linear(2)});
        }
    }
    Hull hull = HullOf(colours);
    for (const auto& plane : hull.planes) {
        faces_.x.push_back(static_cast<float>(plane[0]));
        faces_.y.push_back(static_cast<float>(plane[1]));
        faces_.z.push_back(static_cast<float>(plane[2]));
        faces_.offset.push_back(static_cast<float>(plane[3]));
    }
    corners_ = hull.corners.empty() ? colours : std::move(hull.corners);
    constexpr int kAllCorners = kCorners * kCorners * kCorners;
    cornerOffsets_ = std::make_unique<LinearColour[]>(kAllCorners);
    cornerState_ = std::make_unique<std::atomic<std::uint8_t>[]>(kAllCorners);
    FindBlocksInReach();
}

// sRGB levels grow with linear light channel by channel, so a block is a box
// in linear light, inside the (convex) hull when its corners are. A block
// whose corners are all outside is taken as wholly outside: at most an edge
// of the hull reaches into it.
void GamutMap::FindBlocksInReach() {
    blockReach_.assign(kBlocks * kBlocks * kBlocks, Reach::None);
    if (faces_.x.empty()) {
        return;
    }
    std::vector<std::uint8_t> cornerInReach(kCorners * kCorners * kCorners);
    for (int red = 0; red < kCorners; ++red) {
        for (int green = 0; green < kCorners; ++green) {
            for (int blue = 0; blue < kCorners; ++blue) {
                cornerInReach[static_cast<std::size_t>(CornerIndex(red, green, blue))] =
                    InReach({CornerLevel(red), CornerLevel(green), CornerLevel(blue)});
            }
        }
    }
    for (int red = 0; red < kBlocks; ++red) {
        for (int green = 0; green < kBlocks; ++green) {
            for (int blue = 0; blue < kBlocks; ++blue) {
                int inside = 0;
                for (int k = 0; k < 8; ++k) {
                    inside += cornerInReach[static_cast<std::size_t>(
                        CornerIndex(red + (k >> 2), green + ((k >> 1) & 1), blue + (k & 1)))];
                }
                blockReach_[static_cast<std::size_t>((red * kBlocks + green) * kBlocks + blue)] =
                    inside == 8  ? Reach::All
                    : inside > 0 ? Reach::Part
                                 : Reach::None;
            }
        }
    }
}

bool GamutMap::InReach(const LinearColour& linear) const {
    bool inside = !faces_.x.empty();
    for (std::size_t i = 0; i < faces_.x.size(); ++i) {
        inside &= faces_.x[i] * linear[0] + faces_.y[i] * linear[1] + faces_.z[i] * linear[2] +
                      faces_.offset[i] <=
                  kOnFace;
    }
    return inside;
}

// CIEDE2000 weighs a difference as the mean of its two colours sets, so the
// point found with the weights of `wanted` is found again with those of the
// middle between it and `wanted`.
LinearColour GamutMap::NearestReachable(const LinearColour& wanted) const {
    const Vector3 at{wanted[0], wanted[1], wanted[2]};
    Vector3 middle = at;
    LinearColour reached{0, 0, 0};
    std::vector<Vector3> seen(corners_.size());
    for (int round = 0; round < 2; ++round) {
        // The corners as differences from `wanted` the way CIEDE2000 sees them.
        const Matrix slopes = Ciede2000Slopes(middle);
        for (std::size_t i = 0; i < corners_.size(); ++i) {
            const Vector3 d{corners_[i][0] - at[0], corners_[i][1] - at[1], corners_[i][2] - at[2]};
            for (std::size_t r = 0; r < 3; ++r) {
                seen[i][r] = slopes[r][0] * d[0] + slopes[r][1] * d[1] + slopes[r][2] * d[2];
            }
        }
        const HullPoint nearest = NearestToOrigin(seen);
        reached = {0, 0, 0};
        for (std::size_t i = 0; i < nearest.count; ++i) {
            for (std::size_t c = 0; c < 3; ++c) {
                reached[c] +=
                    static_cast<float>(nearest.weights[i] * corners_[nearest.members[i]][c]);
            }
        }
        for (std::size_t c = 0; c < 3; ++c) {
            middle[c] = (at[c] + reached[c]) / 2;
        }
    }
    return reached;
}

const LinearColour& GamutMap::CornerOffset(int corner, LinearColour& offset) const {
    std::atomic<std::uint8_t>& state = cornerState_[corner];
    if (state.load(std::memory_order_acquire) == kFound) {
        return cornerOffsets_[corner];
    }
    const LinearColour own{CornerLevel(corner / (kCorners * kCorners)),
                           CornerLevel(corner / kCorners % kCorners),
                           CornerLevel(corner % kCorners)};
    offset = {0, 0, 0};
    if (!InReach(own)) {
        const LinearColour reached = NearestReachable(own);
        offset = {reached[0] - own[0], reached[1] - own[1], reached[2] - own[2]};
    }
    // The first thread to find it keeps it; another finding it meanwhile
    // only uses its own answer (the same).
    std::uint8_t unknown = kUnknown;
    if (state.compare_exchange_strong(unknown, kFinding, std::memory_order_relaxed)) {
        cornerOffsets_[corner] = offset;
        state.store(kFound, std::memory_order_release);
    }
    return offset;
}

LinearColour GamutMap::Aim(const std::array<int, 3>& srgb, const LinearColour& linear) const {
    const int red = BlockOf(srgb[0]), green = BlockOf(srgb[1]), blue = BlockOf(srgb[2]);
    const Reach reach =
        blockReach_[static_cast<std::size_t>((red * kBlocks + green) * kBlocks + blue)];
    if (reach == Reach::All || (reach == Reach::Part && InReach(linear))) {
        return linear;
    }
    const float r = Across(srgb[0]), g = Across(srgb[1]), b = Across(srgb[2]);
    // Summed in locals, not in the array, which keeps them in registers.
    float aimRed = linear[0], aimGreen = linear[1], aimBlue = linear[2];
    for (int i = 0; i < 8; ++i) {
        const float weight = ((i & 4) ? r : 1 - r) * ((i & 2) ? g : 1 - g) * ((i & 1) ? b : 1 - b);
        LinearColour found;
        const LinearColour& offset = CornerOffset(
            CornerIndex(red + (i >> 2), green + ((i >> 1) & 1), blue + (i & 1)), found);
        aimRed += weight * offset[0];
        aimGreen += weight * offset[1];
        aimBlue += weight * offset[2];
    }
    return {aimRed, aimGreen, aimBlue};
}

}  // namespace orrisbay::quake_palette
