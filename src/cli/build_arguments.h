#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// The command line of orrisbay-build: what it asks for, and its help text.
namespace orrisbay::cli {

inline constexpr std::string_view kBuildProgramName = "orrisbay-build";

struct BuildOptions {
    bool help = false;
    bool version = false;
    std::string recipe;
    unsigned jobs = 0;  // --jobs N; 0: one per core
    bool force = false;
    bool dryRun = false;
    std::vector<std::string> only;  // --only NAME...
};

struct ParsedBuildArguments {
    BuildOptions options;
    std::string error;  // empty when the command line is valid
};

// Reads the arguments after the program name.
ParsedBuildArguments ParseBuildArguments(std::span<const std::string> arguments);

// The text of --help.
std::string BuildUsageText();

}  // namespace orrisbay::cli
