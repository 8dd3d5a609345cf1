#pragma once

#include <cstddef>
#include <memory>

#include "palette/palette_conversion.h"

namespace orrisbay::quake_palette {

// The nearest-colour finder for `palette` and its allowed colours. Setting
// one up takes far longer than converting a 256 x 256 texture with it (about
// 50 ms), and a command that writes every change of its inputs converts each
// texture with the same palette: such a program keeps the finders of the
// last few palettes asked for, shared, as they never change once made. Safe
// to call from several threads.
std::shared_ptr<const NearestColourFinder> SharedFinder(const Palette& palette,
                                                        bool allowFullbrights);

// How many finders SharedFinder keeps, about 2 MiB each: none unless a
// program asks, so that the window, which runs for hours, holds no memory
// for conversions it is not making.
void KeepFinders(std::size_t count);

}  // namespace orrisbay::quake_palette
