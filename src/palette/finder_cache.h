#pragma once

#include <cstddef>
#include <memory>

#include "palette/colour_finder.h"

namespace orrisbay::quake_palette {

// The nearest-colour finder for `palette`, its allowed indices and metric.
// Setting one up takes about as long as converting a 256 x 256 texture with
// it (some 20 ms), and a command that writes every change of its inputs
// converts each texture with the same palette: such a program keeps the
// finders of the last few asked for, shared, as they never change once made.
// Safe to call from several threads.
std::shared_ptr<const NearestColourFinder> SharedFinder(const Palette& palette,
                                                        const IndexSet& allowed,
                                                        ColourMetric metric);

// How many finders SharedFinder keeps, up to a few MiB each: none unless a
// program asks, so that the window, which runs for hours and meets a new
// palette with every WAD3 texture, holds no memory for conversions it is not
// making.
constexpr std::size_t kFindersKeptAtStart = 0;
void KeepFinders(std::size_t count);

}  // namespace orrisbay::quake_palette
