#include "palette/colour_finder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "palette/palette_gamut.h"

namespace orrisbay::quake_palette {

namespace {

constexpr int kCellBits = 3;  // 8 levels per channel in a cell, 32 cells per channel
constexpr int kCellsPerChannel = 256 >> kCellBits;
constexpr int kCellSpan = 1 << kCellBits;
constexpr int kCellCount = kCellsPerChannel * kCellsPerChannel * kCellsPerChannel;
constexpr int kBlockSpan = 32;  // sifted first, then halved down to cells

// A box of sRGB levels, both ends included.
struct Box {
    std::array<int, 3> low, high;
};

std::size_t CellIndex(int red, int green, int blue) {
    return (static_cast<std::size_t>(red >> kCellBits) * kCellsPerChannel +
            static_cast<std::size_t>(green >> kCellBits)) *
               kCellsPerChannel +
           static_cast<std::size_t>(blue >> kCellBits);
}

int Red(ColourValue colour) {
    return static_cast<int>(colour & 0xFFu);
}
int Green(ColourValue colour) {
    return static_cast<int>((colour >> 8) & 0xFFu);
}
int Blue(ColourValue colour) {
    return static_cast<int>((colour >> 16) & 0xFFu);
}

std::uint64_t Square(int value) {
    return static_cast<std::uint64_t>(value) * static_cast<std::uint64_t>(value);
}

// The smallest and largest distance along one channel from `value` to any
// level in [low, high].
int NearestGap(int value, int low, int high) {
    return value < low ? low - value : (value > high ? value - high : 0);
}
int FarthestGap(int value, int low, int high) {
    return std::max(value - low, high - value);
}

}  // namespace

// Bounds of the redmean distance over a box: both take the red-sum weights at
// their least and most favourable ends of the box.
struct RgbSpace {
    using Entry = NearestColourFinder::RgbEntry;
    using Bound = std::uint64_t;
    using Prepared = Box;

    Prepared Prepare(const Box& box) const { return box; }
    Bound Lower(const Entry& e, const Box& box) const {
        const int minSum = e.red + box.low[0], maxSum = e.red + box.high[0];
        return static_cast<std::uint64_t>(1024 + minSum) *
                   Square(NearestGap(e.red, box.low[0], box.high[0])) +
               2048u * Square(NearestGap(e.green, box.low[1], box.high[1])) +
               static_cast<std::uint64_t>(1534 - maxSum) *
                   Square(NearestGap(e.blue, box.low[2], box.high[2]));
    }
    Bound Upper(const Entry& e, const Box& box) const {
        const int minSum = e.red + box.low[0], maxSum = e.red + box.high[0];
        return static_cast<std::uint64_t>(1024 + maxSum) *
                   Square(FarthestGap(e.red, box.low[0], box.high[0])) +
               2048u * Square(FarthestGap(e.green, box.low[1], box.high[1])) +
               static_cast<std::uint64_t>(1534 - minSum) *
                   Square(FarthestGap(e.blue, box.low[2], box.high[2]));
    }
    static void SetClosest(Entry& e, Bound lower) { e.closest = static_cast<std::uint32_t>(lower); }
};

// Bounds of the squared distance in a perceptual space over a box of sRGB
// levels: the space's coordinates over the box lie in the box LabBoxOf
// gives, no nearer than its nearest point and no farther than its farthest
// corner. A slack of a ten-thousandth of the lightness scale covers the
// single-precision lookups.
struct LabSpace {
    using Entry = NearestColourFinder::LabEntry;
    using Bound = double;
    using Prepared = LabBox;
    ColourMetric space;
    double slack = space == ColourMetric::Oklab ? 1e-4 : 1e-2;

    Prepared Prepare(const Box& box) const { return LabBoxOf(space, box.low, box.high); }
    static Triple Coordinates(const Entry& e) { return {e.lab.lightness, e.lab.a, e.lab.b}; }
    Bound Lower(const Entry& e, const LabBox& box) const {
        const Triple at = Coordinates(e);
        double sum = 0;
        for (std::size_t c = 0; c < 3; ++c) {
            const double gap = std::max({box.low[c] - at[c], at[c] - box.high[c], 0.0});
            sum += std::max(gap - slack, 0.0) * std::max(gap - slack, 0.0);
        }
        return sum;
    }
    Bound Upper(const Entry& e, const LabBox& box) const {
        const Triple at = Coordinates(e);
        double sum = 0;
        for (std::size_t c = 0; c < 3; ++c) {
            const double gap = std::max(at[c] - box.low[c], box.high[c] - at[c]) + slack;
            sum += gap * gap;
        }
        return sum;
    }
    static void SetClosest(Entry& e, Bound lower) {
        e.closest = std::nextafter(static_cast<float>(lower), 0.0f);
    }
};

namespace {

// The entries of `from` that can be nearest (or tie for nearest) to a colour
// of the box: those whose smallest possible distance is no more than the
// best guaranteed distance of any of them. Kept in `from`'s order.
template <typename Space>
void Sift(const Space& space, const std::vector<typename Space::Entry>& from,
          const typename Space::Prepared& box, std::vector<typename Space::Entry>& kept,
          std::vector<typename Space::Bound>& lower) {
    using Bound = typename Space::Bound;
    lower.resize(from.size());
    Bound bestUpper = std::numeric_limits<Bound>::max();
    for (std::size_t i = 0; i < from.size(); ++i) {
        lower[i] = space.Lower(from[i], box);
        bestUpper = std::min(bestUpper, space.Upper(from[i], box));
    }
    kept.clear();
    for (std::size_t i = 0; i < from.size(); ++i) {
        if (lower[i] <= bestUpper) {
            kept.push_back(from[i]);
            Space::SetClosest(kept.back(), lower[i]);
        }
    }
}

}  // namespace

IndexSet IndexSet::Range(int first, int last) {
    IndexSet set;
    for (int i = std::max(first, 0); i <= std::min(last, 255); ++i) {
        set.bits_.set(static_cast<std::size_t>(i));
    }
    return set;
}

IndexSet IndexSet::Without(int index) const {
    IndexSet set = *this;
    if (index >= 0 && index < 256) {
        set.bits_.reset(static_cast<std::size_t>(index));
    }
    return set;
}

std::uint32_t ColourDistance(int r1, int g1, int b1, int r2, int g2, int b2) {
    // At most 1534 * 255^2 per term, so the sum fits 32 bits.
    const int redSum = r1 + r2;
    const int dr = r1 - r2, dg = g1 - g2, db = b1 - b2;
    return static_cast<std::uint32_t>(1024 + redSum) * static_cast<std::uint32_t>(dr * dr) +
           2048u * static_cast<std::uint32_t>(dg * dg) +
           static_cast<std::uint32_t>(1534 - redSum) * static_cast<std::uint32_t>(db * db);
}

NearestColourFinder::NearestColourFinder(const Palette& palette, const IndexSet& allowed,
                                         ColourMetric metric)
    : palette_(palette), allowed_(allowed), metric_(metric) {
    if (metric == ColourMetric::Rgb) {
        std::vector<RgbEntry> entries;
        for (int i = 0; i < 256; ++i) {
            const ColourValue c = palette[static_cast<std::size_t>(i)];
            if (allowed.Contains(i)) {
                entries.push_back(RgbEntry{
                    static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(Red(c)),
                    static_cast<std::uint8_t>(Green(c)), static_cast<std::uint8_t>(Blue(c)), 0});
            }
        }
        Build(RgbSpace{}, entries, rgbCandidates_);
    } else {
        std::vector<LabEntry> entries;
        for (int i = 0; i < 256; ++i) {
            const ColourValue c = palette[static_cast<std::size_t>(i)];
            if (allowed.Contains(i)) {
                entries.push_back(LabEntry{static_cast<std::uint8_t>(i),
                                           LabOf(metric, Red(c), Green(c), Blue(c)), 0});
            }
        }
        Build(LabSpace{metric}, entries, labCandidates_);
    }
}

const GamutMap& NearestColourFinder::Gamut() const {
    std::call_once(gamutMade_,
                   [this] { gamut_ = std::make_shared<const GamutMap>(palette_, allowed_); });
    return *gamut_;
}

NearestColourFinder::NearestColourFinder(const Palette& palette, bool allowFullbrights)
    : NearestColourFinder(
          palette, IndexSet::Range(0, allowFullbrights ? 255 : palette.FirstFullbright() - 1)) {}

template <typename Space>
void NearestColourFinder::Build(const Space& space,
                                const std::vector<typename Space::Entry>& allowed,
                                std::vector<typename Space::Entry>& candidates) {
    cellStart_.assign(kCellCount, 0);
    cellEnd_.assign(kCellCount, 0);
    for (int r = 0; r < 256; r += kBlockSpan) {
        for (int g = 0; g < 256; g += kBlockSpan) {
            for (int b = 0; b < 256; b += kBlockSpan) {
                BuildBox(space, allowed, {r, g, b}, kBlockSpan, candidates);
            }
        }
    }
}

// Sifts `from` for the box of `span` levels at `origin`, then each of its
// eight halves from what is left, down to single cells.
template <typename Space>
void NearestColourFinder::BuildBox(const Space& space,
                                   const std::vector<typename Space::Entry>& from,
                                   std::array<int, 3> origin, int span,
                                   std::vector<typename Space::Entry>& candidates) {
    const Box box{origin, {origin[0] + span - 1, origin[1] + span - 1, origin[2] + span - 1}};
    std::vector<typename Space::Entry> kept;
    std::vector<typename Space::Bound> lower;
    Sift(space, from, space.Prepare(box), kept, lower);
    if (span > kCellSpan) {
        const int half = span / 2;
        for (int child = 0; child < 8; ++child) {
            BuildBox(space, kept,
                     {origin[0] + (child & 1) * half, origin[1] + (child >> 1 & 1) * half,
                      origin[2] + (child >> 2) * half},
                     half, candidates);
        }
        return;
    }
    std::stable_sort(kept.begin(), kept.end(),
                     [](const auto& x, const auto& y) { return x.closest < y.closest; });
    const std::size_t cell = CellIndex(origin[0], origin[1], origin[2]);
    cellStart_[cell] = static_cast<std::uint32_t>(candidates.size());
    candidates.insert(candidates.end(), kept.begin(), kept.end());
    cellEnd_[cell] = static_cast<std::uint32_t>(candidates.size());
}

std::uint8_t NearestColourFinder::Nearest(int red, int green, int blue) const {
    red = std::clamp(red, 0, 255);
    green = std::clamp(green, 0, 255);
    blue = std::clamp(blue, 0, 255);
    return metric_ == ColourMetric::Rgb ? NearestRgb(red, green, blue)
                                        : NearestLab(red, green, blue);
}

std::uint8_t NearestColourFinder::NearestRgb(int red, int green, int blue) const {
    const std::size_t cell = CellIndex(red, green, blue);
    std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
    std::uint8_t bestIndex = 0;
    // Candidates come closest-possible first: once that exceeds the best
    // distance found, no later candidate can win or even tie.
    for (std::uint32_t i = cellStart_[cell]; i < cellEnd_[cell]; ++i) {
        const RgbEntry& e = rgbCandidates_[i];
        if (e.closest > best) {
            break;
        }
        const std::uint32_t distance = ColourDistance(red, green, blue, e.red, e.green, e.blue);
        if (distance < best || (distance == best && e.index < bestIndex)) {
            best = distance;
            bestIndex = e.index;
        }
    }
    return bestIndex;
}

std::uint8_t NearestColourFinder::NearestLab(int red, int green, int blue) const {
    const std::size_t cell = CellIndex(red, green, blue);
    if (cellEnd_[cell] - cellStart_[cell] == 1) {
        return labCandidates_[cellStart_[cell]].index;  // the only colour that can be nearest
    }
    const Lab lab = LabOf(metric_, red, green, blue);
    float best = std::numeric_limits<float>::max();
    std::uint8_t bestIndex = 0;
    for (std::uint32_t i = cellStart_[cell]; i < cellEnd_[cell]; ++i) {
        const LabEntry& e = labCandidates_[i];
        if (e.closest > best) {
            break;
        }
        const float distance = LabDistance(lab, e.lab);
        if (distance < best || (distance == best && e.index < bestIndex)) {
            best = distance;
            bestIndex = e.index;
        }
    }
    return bestIndex;
}

// From 1024 slots up to a megabyte's worth, which the many colours of a
// dithered picture of a megapixel fill well.
RememberingFinder::RememberingFinder(const NearestColourFinder* finder, std::size_t questions)
    : finder_(finder),
      slotBits_(questions == 0 ? 0
                               : std::clamp(static_cast<int>(std::bit_width(questions)), 10, 18)) {}

std::uint8_t RememberingFinder::Nearest(int red, int green, int blue) {
    if (slotBits_ == 0) {
        return finder_->Nearest(red, green, blue);
    }
    red = std::clamp(red, 0, 255);
    green = std::clamp(green, 0, 255);
    blue = std::clamp(blue, 0, 255);
    const auto colour = static_cast<std::uint32_t>(red << 16 | green << 8 | blue);
    const std::size_t slot = (colour * 0x9E3779B1u) >> (32 - slotBits_);
    if (slots_.empty()) {
        // Colour 0 hashes to slot 0 and colour 1 to another: neither is ever found where it is put.
        slots_.assign(std::size_t{1} << slotBits_, 0);
        slots_[0] = 1u << 8;
    }
    if (slots_[slot] >> 8 != colour) {
        slots_[slot] = colour << 8 | finder_->Nearest(red, green, blue);
    }
    return static_cast<std::uint8_t>(slots_[slot]);
}

}  // namespace orrisbay::quake_palette
