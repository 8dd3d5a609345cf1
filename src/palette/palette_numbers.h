#pragma once

#include <string_view>

namespace orrisbay::quake_palette {

// Rounds `value` half to even and clamps it to [low, high]. Safe for any
// double: infinities and NaN never reach the integer conversion.
int RoundedWithin(double value, int low, int high);

// The count line's value: rounded, at least 0 and at most 256 entries.
int EntryCount(std::string_view line);

// An entry field's value: rounded and clamped to a colour component.
int ColourComponent(std::string_view field);

}  // namespace orrisbay::quake_palette
