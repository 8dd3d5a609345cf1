#include "palette/colour_finder.h"

#include <algorithm>
#include <limits>

namespace orrisbay::quake_palette {

namespace {

constexpr int kCellBits = 3;  // 8 levels per channel in a cell, 32 cells per channel
constexpr int kCellsPerChannel = 256 >> kCellBits;
constexpr int kCellSpan = 1 << kCellBits;
constexpr int kCellCount = kCellsPerChannel * kCellsPerChannel * kCellsPerChannel;
constexpr int kBlockSpan = 32;  // a block is 4 x 4 x 4 cells
constexpr int kCellsPerBlock = kBlockSpan / kCellSpan;

// A box of sRGB levels, both ends included.
struct Box {
    std::array<int, 3> low, high;
};

Box BoxAt(int red, int green, int blue, int span) {
    return {{red * span, green * span, blue * span},
            {red * span + span - 1, green * span + span - 1, blue * span + span - 1}};
}

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

// Bounds of the squared distance in OKLab or CIELAB over a box of sRGB
// levels. The cone values of the box lie between those of its lowest and
// highest corners; their image in the space is a parallelepiped with the
// eight corners' images as vertices: the farthest point is one of those, and
// the box around them is no nearer than the nearest point. A small margin
// covers the single-precision lookups.
struct LabSpace {
    using Entry = NearestColourFinder::LabEntry;
    using Bound = double;
    struct Prepared {
        Triple low, high;
        std::array<Triple, 8> corners;
    };
    ColourMetric space;

    Prepared Prepare(const Box& box) const {
        const Triple least = ConesOf(space, box.low[0], box.low[1], box.low[2]);
        const Triple most = ConesOf(space, box.high[0], box.high[1], box.high[2]);
        Prepared prepared{};
        for (int corner = 0; corner < 8; ++corner) {
            Triple cones;
            for (int c = 0; c < 3; ++c) {
                cones[static_cast<std::size_t>(c)] = (corner >> c) & 1
                                                         ? most[static_cast<std::size_t>(c)]
                                                         : least[static_cast<std::size_t>(c)];
            }
            prepared.corners[static_cast<std::size_t>(corner)] = LabFromCones(space, cones);
        }
        prepared.low = prepared.high = prepared.corners[0];
        for (const Triple& lab : prepared.corners) {
            for (std::size_t c = 0; c < 3; ++c) {
                prepared.low[c] = std::min(prepared.low[c], lab[c]);
                prepared.high[c] = std::max(prepared.high[c], lab[c]);
            }
        }
        return prepared;
    }
    static Triple Coordinates(const Entry& e) { return {e.lab.lightness, e.lab.a, e.lab.b}; }
    Bound Lower(const Entry& e, const Prepared& p) const {
        const Triple at = Coordinates(e);
        double sum = 0;
        for (std::size_t c = 0; c < 3; ++c) {
            const double gap = std::max({p.low[c] - at[c], at[c] - p.high[c], 0.0});
            sum += gap * gap;
        }
        return sum * (1 - 1e-4);
    }
    Bound Upper(const Entry& e, const Prepared& p) const {
        const Triple at = Coordinates(e);
        double farthest = 0;
        for (const Triple& corner : p.corners) {
            double sum = 0;
            for (std::size_t c = 0; c < 3; ++c) {
                sum += (corner[c] - at[c]) * (corner[c] - at[c]);
            }
            farthest = std::max(farthest, sum);
        }
        return farthest * (1 + 1e-4) + 1e-12;
    }
    static void SetClosest(Entry& e, Bound lower) { e.closest = static_cast<float>(lower); }
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
    : palette_(palette), metric_(metric) {
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

NearestColourFinder::NearestColourFinder(const Palette& palette, bool allowFullbrights)
    : NearestColourFinder(palette,
                          IndexSet::Range(0, allowFullbrights ? 255 : kFirstFullbright - 1)) {}

template <typename Space>
void NearestColourFinder::Build(const Space& space,
                                const std::vector<typename Space::Entry>& allowed,
                                std::vector<typename Space::Entry>& candidates) {
    cellStart_.assign(kCellCount, 0);
    cellEnd_.assign(kCellCount, 0);
    std::vector<typename Space::Entry> inBlock, inCell;
    std::vector<typename Space::Bound> lower;
    constexpr int kBlocks = 256 / kBlockSpan;
    for (int br = 0; br < kBlocks; ++br) {
        for (int bg = 0; bg < kBlocks; ++bg) {
            for (int bb = 0; bb < kBlocks; ++bb) {
                Sift(space, allowed, space.Prepare(BoxAt(br, bg, bb, kBlockSpan)), inBlock, lower);
                for (int r = br * kCellsPerBlock; r < (br + 1) * kCellsPerBlock; ++r) {
                    for (int g = bg * kCellsPerBlock; g < (bg + 1) * kCellsPerBlock; ++g) {
                        for (int b = bb * kCellsPerBlock; b < (bb + 1) * kCellsPerBlock; ++b) {
                            Sift(space, inBlock, space.Prepare(BoxAt(r, g, b, kCellSpan)), inCell,
                                 lower);
                            std::stable_sort(
                                inCell.begin(), inCell.end(),
                                [](const auto& x, const auto& y) { return x.closest < y.closest; });
                            const std::size_t cell =
                                CellIndex(r * kCellSpan, g * kCellSpan, b * kCellSpan);
                            cellStart_[cell] = static_cast<std::uint32_t>(candidates.size());
                            candidates.insert(candidates.end(), inCell.begin(), inCell.end());
                            cellEnd_[cell] = static_cast<std::uint32_t>(candidates.size());
                        }
                    }
                }
            }
        }
    }
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

}  // namespace orrisbay::quake_palette
