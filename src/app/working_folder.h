#pragma once

#include <string>

namespace orrisbay::app {

// Lower-cases `path`; a drive root such as "c:\" is returned as it is,
// otherwise one trailing backslash is dropped and outer spaces are trimmed.
std::string TrimTrailingBackslash(const std::string& path);

// Makes `path` the current drive and folder. On systems without drive
// letters the folder is made current by its own, case-preserving path.
// A folder that cannot be made current is logged; returns false then.
bool SetCHDriveCHDir(const std::string& path);

// Makes the application folder (console::ApplicationFolder) current again.
bool RestoreWorkingFolder();

}  // namespace orrisbay::app
