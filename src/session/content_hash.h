#pragma once

#include <xxhash.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>

#include "session/recipe_state.h"

// Hashes of bytes and files: XXH3 (64 bits), which reads gigabytes a second,
// so checking every source of a set costs little more than reading it.
namespace orrisbay::session {

// The hash of `bytes`.
ContentHash HashBytes(std::span<const std::uint8_t> bytes);

// The hash of the file's bytes, read in large blocks; none when it cannot be read.
std::optional<ContentHash> HashFile(const std::filesystem::path& path);

// A hash of what the file system says of the file (device, inode, size, and
// the times of its last change), which any write or replacement changes: a
// quick look at whether an output is still the file a build left. None when
// there is no such file.
std::optional<ContentHash> FileFingerprint(const std::filesystem::path& path);
// The same, but none too for a file changed in the last two seconds: on a
// file system that keeps coarse times, a second write within the same tick
// would leave the fingerprint as it was.
std::optional<ContentHash> SettledFingerprint(const std::filesystem::path& path);

// A hash of several values one after another.
class HashBuilder {
  public:
    HashBuilder();
    ~HashBuilder();
    HashBuilder(const HashBuilder&) = delete;
    HashBuilder& operator=(const HashBuilder&) = delete;

    // Adds a text, ended so that "ab" + "c" and "a" + "bc" differ.
    HashBuilder& Add(std::string_view text);
    HashBuilder& Add(std::uint64_t value);
    ContentHash Value() const;

  private:
    XXH3_state_t* state_;
};

}  // namespace orrisbay::session
