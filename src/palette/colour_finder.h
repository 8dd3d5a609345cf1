#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "palette/conversion_options.h"
#include "palette/perceptual_colour.h"
#include "palette/quake_palette.h"

namespace orrisbay::quake_palette {

// The palette indices a pixel may take.
class IndexSet {
  public:
    IndexSet() = default;
    // first..last, both included; empty when last < first.
    static IndexSet Range(int first, int last);

    bool Contains(int index) const { return index >= 0 && index < 256 && bits_.test(index); }
    bool Empty() const { return bits_.none(); }
    IndexSet Without(int index) const;
    bool operator==(const IndexSet&) const = default;

  private:
    std::bitset<256> bits_;
};

// The "redmean" colour distance, scaled by 512 so it stays an exact integer:
// (1024 + r1 + r2) dR^2 + 2048 dG^2 + (1534 - r1 - r2) dB^2.
std::uint32_t ColourDistance(int r1, int g1, int b1, int r2, int g2, int b2);

class GamutMap;

// Finds the allowed palette index nearest to a colour under a metric, the
// lowest index winning ties. A 32 x 32 x 32 grid of colour cells keeps, per
// cell, the few allowed entries that can be nearest to any colour inside it,
// ordered by how close they can possibly come, so a lookup tries a handful of
// entries instead of all 256 and still gives the exact answer. Each cell is
// sifted from the candidates of the box of twice its side around it, and so
// on up from blocks of 32 levels, which keeps building the grid quick. Immutable once built: one
// finder may serve several threads.
class NearestColourFinder {
  public:
    // `allowed` must not be empty.
    NearestColourFinder(const Palette& palette, const IndexSet& allowed,
                        ColourMetric metric = ColourMetric::Rgb);
    // Every index of the palette, or all but its fullbrights.
    NearestColourFinder(const Palette& palette, bool allowFullbrights);

    // Channels outside 0..255 are clamped first.
    std::uint8_t Nearest(int red, int green, int blue) const;
    const Palette& Colours() const { return palette_; }
    ColourMetric Metric() const { return metric_; }
    // The colours the allowed ones can average to, for error diffusion to
    // aim at; made on first use (a few milliseconds) and kept with the finder.
    const GamutMap& Gamut() const;

  private:
    struct RgbEntry {
        std::uint8_t index;
        std::uint8_t red, green, blue;
        std::uint32_t closest;  // no colour in the cell comes nearer than this
    };
    struct LabEntry {
        std::uint8_t index;
        Lab lab;
        float closest;
    };
    template <typename Space>
    void Build(const Space& space, const std::vector<typename Space::Entry>& allowed,
               std::vector<typename Space::Entry>& candidates);
    template <typename Space>
    void BuildBox(const Space& space, const std::vector<typename Space::Entry>& from,
                  std::array<int, 3> origin, int span,
                  std::vector<typename Space::Entry>& candidates);
    std::uint8_t NearestRgb(int red, int green, int blue) const;
    std::uint8_t NearestLab(int red, int green, int blue) const;

    friend struct RgbSpace;
    friend struct LabSpace;

    Palette palette_;
    IndexSet allowed_;
    ColourMetric metric_;
    mutable std::once_flag gamutMade_;
    mutable std::shared_ptr<const GamutMap> gamut_;
    std::vector<std::uint32_t> cellStart_;  // cell c holds candidates [start[c], end[c])
    std::vector<std::uint32_t> cellEnd_;
    std::vector<RgbEntry> rgbCandidates_;
    std::vector<LabEntry> labCandidates_;
};

// A finder's answers remembered for one conversion: a colour asked for again
// costs a look into a table instead of a search, which pays most under the
// perceptual metrics. It answers exactly as the finder does; one conversion
// (one thread) uses it. The table, sized for about `questions` colours
// (a picture's pixels, say; none: every question goes to the finder), is
// made on the first question.
class RememberingFinder {
  public:
    RememberingFinder(const NearestColourFinder* finder, std::size_t questions);

    std::uint8_t Nearest(int red, int green, int blue);

  private:
    const NearestColourFinder* finder_;
    int slotBits_;
    // Each slot holds a colour (the upper 24 bits) and its answer; a slot
    // not yet used holds a colour that never hashes to it.
    std::vector<std::uint32_t> slots_;
};

}  // namespace orrisbay::quake_palette
