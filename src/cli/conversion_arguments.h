#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "palette/conversion_options.h"

// The options of the conversion to the game's palette that orrisbay-blend
// and orrisbay-wad add read alike: --dither and --metric.
namespace orrisbay::cli {

struct ConversionArgument {
    std::string option;  // "--dither" or "--metric"; empty when the argument is neither
    std::string error;   // why its value could not be read; empty when it could
};

// Reads `arguments[i]` into `options` when it is --dither (alone: today's
// Floyd-Steinberg), --dither=MODE[:STRENGTH], --dither MODE[:STRENGTH] (the
// next argument, when it names a mode), --metric NAME or --metric=NAME; `i`
// moves past a value taken from the next argument.
ConversionArgument ReadConversionArgument(std::span<const std::string> arguments, std::size_t& i,
                                          quake_palette::ConversionOptions& options);

// One option's help: its name from column 6, the text wrapped from column
// 22 to 80, as both commands lay out their options.
std::string OptionHelp(std::string_view name, std::string_view text);

// The help lines of the two options, in the columns both commands use, each
// text starting with `condition` ("with --quake: ", say).
std::string ConversionUsageLines(std::string_view condition = {});

}  // namespace orrisbay::cli
